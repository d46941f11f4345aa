// The plug-in base's block processing: host buffers attached to the pins,
// ProcessBlock run in pieces of at most blockSize frames, outputs returned.
// Nothing here allocates.

#include <algorithm>
#include <cstring>

#include "EffectBase.h"

namespace veltrax {

namespace {
// Replacing paths without room to process: the host's outputs get silence.
template <class Sample>
void SilenceConnectedOutputs(const OwnedList<ChannelPin>& pins, Sample** hostOutputs,
                             int32_t frames) {
  if (!hostOutputs || frames <= 0) return;
  int cursor = 0;
  for (int i = 0; i < pins.Count(); ++i) {
    const ChannelPin* pin = pins.Get(i);
    if (!pin->connected) continue;
    Sample* output = hostOutputs[cursor++];
    if (output) std::memset(output, 0, static_cast<size_t>(frames) * sizeof(Sample));
  }
}
}  // namespace

void IEffectBase::AttachFloatBuffers(float** hostInputs, float** hostOutputs, int32_t offset,
                                     int32_t frames) {
  int cursor = 0;
  for (int i = 0; i < InputPinCount(); ++i) {
    ChannelPin* pin = InputPin(i);
    if (!pin->connected) continue;
    const float* source = hostInputs ? hostInputs[cursor] : nullptr;
    ++cursor;
    double* scratch = pin->Scratch();
    if (scratch && frames > 0) {
      if (source) {
        for (int32_t j = 0; j < frames; ++j) scratch[j] = source[offset + j];
      } else {
        std::memset(scratch, 0, static_cast<size_t>(frames) * sizeof(double));
      }
    }
    *pin->channel = scratch;
  }
  cursor = 0;
  for (int i = 0; i < OutputPinCount(); ++i) {
    ChannelPin* pin = OutputPin(i);
    if (!pin->connected) continue;
    pin->hostFloatBuffer = hostOutputs ? hostOutputs[cursor] : nullptr;
    ++cursor;
    *pin->channel = pin->Scratch();
  }
}

void IEffectBase::ReturnFloatOutputs(int32_t offset, int32_t frames, bool accumulate) {
  for (int i = 0; i < OutputPinCount(); ++i) {
    const ChannelPin* pin = OutputPin(i);
    const double* scratch = pin->Scratch();
    if (!pin->connected || !pin->hostFloatBuffer || !scratch) continue;
    float* output = pin->hostFloatBuffer + offset;
    if (accumulate) {
      for (int32_t j = 0; j < frames; ++j) output[j] = static_cast<float>(scratch[j]) + output[j];
    } else {
      for (int32_t j = 0; j < frames; ++j) output[j] = static_cast<float>(scratch[j]);
    }
  }
}

void IEffectBase::AttachDoubleBuffers(double** hostInputs, double** hostOutputs, int32_t offset,
                                      int32_t frames) {
  // A missing host buffer falls back to the pin's scratch: silence in,
  // discarded out.
  for (int direction = 0; direction < 2; ++direction) {
    const OwnedList<ChannelPin>& pins = direction == 0 ? inputPins : outputPins;
    double** host = direction == 0 ? hostInputs : hostOutputs;
    int cursor = 0;
    for (int i = 0; i < pins.Count(); ++i) {
      ChannelPin* pin = pins.Get(i);
      if (!pin->connected) continue;
      double* buffer = host ? host[cursor] : nullptr;
      ++cursor;
      if (buffer) {
        *pin->channel = buffer + offset;
      } else {
        double* scratch = pin->Scratch();
        if (scratch && frames > 0) {
          std::memset(scratch, 0, static_cast<size_t>(frames) * sizeof(double));
        }
        *pin->channel = scratch;
      }
    }
  }
}

void IEffectBase::ProcessFloatBlock(float** hostInputs, float** hostOutputs, int32_t frames,
                                    bool accumulate) {
  VELTRAX_ASSERT_LOCKED(lock);
  if (frames <= 0 || blockSize <= 0) {
    // An empty block still reaches the effect (it updates its meters). With
    // no scratch at all (block size 0) nothing can be processed: the effect
    // sees an empty block and replaced outputs become silence.
    AttachFloatBuffers(hostInputs, hostOutputs, 0, 0);
    ProcessBlock(InputChannels(), OutputChannels(), frames <= 0 ? frames : 0);
    if (!accumulate) SilenceConnectedOutputs(outputPins, hostOutputs, frames);
    return;
  }
  // The scratch holds blockSize samples: a longer block goes in pieces.
  for (int32_t offset = 0; offset < frames;) {
    const int32_t piece = std::min(blockSize, frames - offset);
    AttachFloatBuffers(hostInputs, hostOutputs, offset, piece);
    ProcessBlock(InputChannels(), OutputChannels(), piece);
    ReturnFloatOutputs(offset, piece, accumulate);
    offset += piece;
  }
}

void IEffectBase::ProcessDoubleBlock(double** hostInputs, double** hostOutputs, int32_t frames) {
  VELTRAX_ASSERT_LOCKED(lock);
  if (frames <= 0 || blockSize <= 0) {
    // As on the float path: an empty block for the effect, silence out.
    AttachDoubleBuffers(hostInputs, hostOutputs, 0, 0);
    ProcessBlock(InputChannels(), OutputChannels(), frames <= 0 ? frames : 0);
    SilenceConnectedOutputs(outputPins, hostOutputs, frames);
    return;
  }
  // Unconnected pins point at their blockSize scratch, so pieces here too.
  for (int32_t offset = 0; offset < frames;) {
    const int32_t piece = std::min(blockSize, frames - offset);
    AttachDoubleBuffers(hostInputs, hostOutputs, offset, piece);
    ProcessBlock(InputChannels(), OutputChannels(), piece);
    offset += piece;
  }
}

// ---------------------------------------------------------------------------

}  // namespace veltrax
