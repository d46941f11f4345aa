// State through the host's streams. The component's state is exactly the
// VST 2 plug-in's bank chunk, so a VST 2 chunk loads as a VST3 state and
// back. The controller keeps nothing of its own. Streams are the host's
// objects: they are read and written with PlugLock released, the state
// taken or restored under it.

#include <cstdint>

#include "EffectVST3.h"
#include "StateChunk.h"

namespace veltrax {

using namespace vst3;

namespace {

// The host's stream. It ends with an empty read or a result other than
// kResultOk (whose bytes still count); a count it cannot have read fails it.
class Vst3StateSource final : public StateSource {
 public:
  explicit Vst3StateSource(IBStream* stream) : stream(stream) {}
  int32_t Read(uint8_t* buffer, int32_t capacity) override {
    if (ended) return 0;
    int32_t got = 0;
    ended = stream->read(buffer, capacity, &got) != kResultOk;
    return got < 0 || got > capacity ? -1 : got;
  }

 private:
  IBStream* stream;
  bool ended = false;
};

bool WriteStream(IBStream* stream, const uint8_t* bytes, int32_t size) {
  while (size > 0) {
    int32_t written = 0;
    const tresult result = stream->write(const_cast<uint8_t*>(bytes), size, &written);
    if (result != kResultOk || written <= 0 || written > size) return false;
    bytes += written;
    size -= written;
  }
  return true;
}

}  // namespace

tresult IEffectVST3::GetComponentStream(IBStream* stream) {
  if (stream == nullptr) return kInvalidArgument;
  StateChunk chunk;
  {
    PlugLockGuard guard(plug->Lock());
    if (!plug->SaveBank(chunk)) return kOutOfMemory;
  }
  return WriteStream(stream, chunk.Data(), chunk.Size()) ? kResultOk : kResultFalse;
}

tresult IEffectVST3::SetComponentStream(IBStream* stream) {
  if (stream == nullptr) return kInvalidArgument;
  Vst3StateSource source(stream);
  if (!plug->RestoreBankFrom(source)) return kResultFalse;
  PlugLockGuard guard(plug->Lock());
  SyncControllerValues();
  return kResultOk;
}

// The controller's state is the component's, which hosts hand it here once
// the component has taken it. One object: the effect holds it already, and
// only the values the controller shows follow.
tresult IEffectVST3::setComponentState(IBStream* stream) {
  if (stream == nullptr) return kInvalidArgument;
  PlugLockGuard guard(plug->Lock());
  SyncControllerValues();
  return kResultOk;
}

tresult IEffectVST3::GetControllerStream(IBStream* stream) {
  return stream != nullptr ? kResultOk : kInvalidArgument;
}

tresult IEffectVST3::SetControllerStream(IBStream* stream) {
  return stream != nullptr ? kResultOk : kInvalidArgument;
}

}  // namespace veltrax
