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

// A state larger than this is no state of ours; reading stops there.
constexpr int32_t kMaxStateBytes = 1 << 20;

// Reads what is left of the stream. False on a host that answers nonsense
// or a state beyond the bound.
bool ReadStream(IBStream* stream, GrowBuffer& bytes) {
  uint8_t block[4096];
  for (;;) {
    int32_t got = 0;
    const tresult result = stream->read(block, static_cast<int32_t>(sizeof block), &got);
    if (got < 0 || got > static_cast<int32_t>(sizeof block)) return false;
    if (got > 0 && (bytes.Size() + got > kMaxStateBytes || !bytes.Append(block, got))) return false;
    // Streams end with a short read, an empty one or kResultFalse.
    if (result != kResultOk || got == 0) return true;
  }
}

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

tresult IEffectVST3::RestoreFromStream(IBStream* stream) {
  if (stream == nullptr) return kInvalidArgument;
  GrowBuffer bytes;
  StateChunk chunk;
  if (!ReadStream(stream, bytes) || bytes.Size() == 0 || !chunk.Assign(bytes.Data(), bytes.Size()))
    return kResultFalse;
  PlugLockGuard guard(plug->Lock());
  if (!plug->RestoreBank(chunk)) return kResultFalse;
  SyncControllerValues();
  return kResultOk;
}

tresult IEffectVST3::SetComponentStream(IBStream* stream) { return RestoreFromStream(stream); }

// The controller's state is the component's, which hosts hand it here: one
// object, so the values it shows are brought in line by restoring it (the
// same bytes the host gave the component a moment before change nothing).
tresult IEffectVST3::setComponentState(IBStream* stream) { return RestoreFromStream(stream); }

tresult IEffectVST3::GetControllerStream(IBStream* stream) {
  return stream != nullptr ? kResultOk : kInvalidArgument;
}

tresult IEffectVST3::SetControllerStream(IBStream* stream) {
  return stream != nullptr ? kResultOk : kInvalidArgument;
}

}  // namespace veltrax
