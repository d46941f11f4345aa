#pragma once
// What the VST 2 fuzzers share: an instance made through the entry point
// and opened as a host opens it, and audio blocks whose output must be finite.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "FuzzCheck.h"
#include "VstAbi.h"

extern "C" veltrax::AEffect* VSTPluginMain(veltrax::audioMasterCallback hostCallback);

namespace veltrax::fuzz {

inline intptr_t VST_CALLBACK FuzzHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

// One instance, opened like a host does and closed at the end.
class Plugin {
 public:
  static constexpr int kMaxFrames = 4096;

  Plugin() {
    effect = VSTPluginMain(FuzzHost);
    FUZZ_CHECK(effect != nullptr);
    Dispatch(effOpen);
    Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    Dispatch(effSetBlockSize, 0, 512);
    Dispatch(effMainsChanged, 0, 1);
  }
  ~Plugin() {
    Dispatch(effMainsChanged, 0, 0);
    Dispatch(effClose);
  }
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                    float opt = 0.0f) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
  }

  // Every parameter the host reads lies in 0..1.
  void CheckParameters() {
    for (int i = 0; i < effect->numParams; ++i) {
      const float value = effect->getParameter(effect, i);
      FUZZ_CHECK(value >= 0.0f && value <= 1.0f);
    }
  }

  // A block of a fixed loud signal (peaks at full scale and beyond); the
  // output must be finite whatever state the instance is in.
  template <typename Sample>
  void Process(int frames, int kind) {
    if (frames > kMaxFrames) frames = kMaxFrames;
    static Sample inputs[2][kMaxFrames];
    static Sample outputs[2][kMaxFrames];
    for (int i = 0; i < frames; ++i) {
      inputs[0][i] = static_cast<Sample>(1.5 * std::sin(0.05 * (position + i)));
      inputs[1][i] = static_cast<Sample>((position + i) % 97 == 0 ? -1.0 : 0.3);
      outputs[0][i] = outputs[1][i] = 0;
    }
    position += frames;
    Sample* in[2] = {inputs[0], inputs[1]};
    Sample* out[2] = {outputs[0], outputs[1]};
    if constexpr (sizeof(Sample) == sizeof(double)) {
      effect->processDoubleReplacing(effect, in, out, frames);
    } else if (kind == 0) {
      effect->processReplacing(effect, in, out, frames);
    } else {
      effect->process(effect, in, out, frames);
    }
    for (int c = 0; c < 2; ++c)
      for (int i = 0; i < frames; ++i) FUZZ_CHECK(std::isfinite(outputs[c][i]));
  }

  AEffect* effect = nullptr;

 private:
  int64_t position = 0;
};

}  // namespace veltrax::fuzz
