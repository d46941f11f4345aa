// The plug-in base's channels: configurations, pins and their scratch
// buffers sized for the block, and the host's processing setup.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "EffectBase.h"
#include "Trace.h"

namespace veltrax {

namespace {
constexpr int64_t kPointerSize = sizeof(double*);
constexpr int64_t kSampleSize = sizeof(double);

// Sets pins first .. first + count - 1 (clipped to the list); a pin that
// stops receiving host buffers reads or writes its own silent scratch.
void ConnectPins(const OwnedList<ChannelPin>& pins, int first, int count, bool connected) {
  const int64_t begin = std::max<int64_t>(first, 0);
  const int64_t end = std::min<int64_t>(static_cast<int64_t>(first) + count, pins.Count());
  for (int64_t i = begin; i < end; ++i) {
    ChannelPin* pin = pins.Get(static_cast<int>(i));
    pin->connected = connected;
    if (!connected) {
      // Cleared, or the pin would replay whatever its last block left there.
      if (pin->scratch.Size() > 0) std::memset(pin->scratch.Data(), 0, pin->scratch.Size());
      *pin->channel = pin->Scratch();
    }
  }
}
}  // namespace

void IEffectBase::CreatePins(int inputCount, int outputCount) {
  // The channel arrays are sized once, so the pins' entry addresses stay put.
  // A count whose array would not fit a 32-bit size gets no pins at all.
  const int64_t inputBytes = static_cast<int64_t>(inputCount) * kPointerSize;
  const int64_t outputBytes = static_cast<int64_t>(outputCount) * kPointerSize;
  if (inputCount > 0 && inputBytes <= INT32_MAX &&
      inputChannels.ResizeZeroed(static_cast<int32_t>(inputBytes))) {
    for (int i = 0; i < inputCount; ++i) inputPins.Add(new ChannelPin(InputChannels() + i));
  }
  if (outputCount > 0 && outputBytes <= INT32_MAX &&
      outputChannels.ResizeZeroed(static_cast<int32_t>(outputBytes))) {
    for (int i = 0; i < outputCount; ++i) outputPins.Add(new ChannelPin(OutputChannels() + i));
  }
}

void IEffectBase::ChangeBlockSize(int32_t frames) {
  VELTRAX_ASSERT_LOCKED(lock);
  if (frames < 0) frames = 0;
  if (frames == blockSize) return;
  if (ResizeScratch(frames)) {
    blockSize = frames;
  } else {
    // Storage short: keep the old size, so no scratch holds fewer than
    // blockSize samples.
    ResizeScratch(blockSize);
  }
  PointEntriesAtScratch();
}

void IEffectBase::SetSampleRate(double rate) {
  PlugLockGuard guard(lock);
  // NaN or infinity would reach the filter design.
  if (std::isfinite(rate) && rate > 0.0) sampleRate = rate;
  Reset();
}

void IEffectBase::SetMaxBlockSize(int64_t frames) {
  PlugLockGuard guard(lock);
  if (frames >= 1 && frames <= kMaxBlockFrames) ChangeBlockSize(static_cast<int32_t>(frames));
  Reset();
}

void IEffectBase::PrepareProcessing(double rate, int64_t maxFrames) {
  PlugLockGuard guard(lock);
  SetSampleRate(rate);
  SetMaxBlockSize(maxFrames);
}

void IEffectBase::Deactivate() {
  PlugLockGuard guard(lock);
  ActivationChanged(false);
  Reset();
}

bool IEffectBase::ResizeScratch(int32_t frames) {
  const int64_t bytes = static_cast<int64_t>(frames) * kSampleSize;
  if (bytes > INT32_MAX) return false;
  bool resized = true;
  for (const OwnedList<ChannelPin>* pins : {&inputPins, &outputPins}) {
    for (int i = 0; i < pins->Count(); ++i) {
      GrowBuffer& scratch = pins->Get(i)->scratch;
      if (!scratch.Resize(static_cast<int32_t>(bytes))) resized = false;
      if (scratch.Size() > 0) std::memset(scratch.Data(), 0, scratch.Size());
    }
  }
  return resized;
}

void IEffectBase::PointEntriesAtScratch() {
  // A resize may have moved the scratch storage; no entry may keep the old address.
  for (const OwnedList<ChannelPin>* pins : {&inputPins, &outputPins}) {
    for (int i = 0; i < pins->Count(); ++i) *pins->Get(i)->channel = pins->Get(i)->Scratch();
  }
}

bool IEffectBase::LegalIO(int inputs, int outputs) const {
  bool legal = false;
  for (int i = 0; i < ChannelConfigCount() && !legal; ++i) {
    const ChannelConfig* config = ChannelConfigAt(i);
    legal = (inputs < 0 || config->inputs == inputs) && (outputs < 0 || config->outputs == outputs);
  }
  VELTRAX_TRACE("IEffectBase::LegalIO", "%d:%d:%s", inputs, outputs, legal ? "legal" : "illegal");
  return legal;
}

void IEffectBase::ConnectInputs(int first, int count, bool connected) {
  ConnectPins(inputPins, first, count, connected);
}

void IEffectBase::ConnectOutputs(int first, int count, bool connected) {
  ConnectPins(outputPins, first, count, connected);
}

}  // namespace veltrax
