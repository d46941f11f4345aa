// A minimal VST 2.4 plug-in for the renderer tests: stereo only (no mono
// configuration), halves its input, and writes every dispatcher call to
// stderr so a test can check the order in which the renderer drives it.
// STUB_BROKEN builds a binary whose entry point returns a record with the
// wrong magic number instead.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "VstAbi.h"

namespace veltrax {

namespace {

intptr_t VST_CALLBACK Dispatch(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                               void* ptr, float opt) {
  std::fprintf(stderr, "stub: opcode %d value %ld\n", opcode, static_cast<long>(value));
  switch (opcode) {
    case effGetEffectName:
      std::snprintf(static_cast<char*>(ptr), kVstMaxEffectNameLen, "Stub");
      return 1;
    case effClose:
      delete effect;
      return 0;
    default:
      (void)index;
      (void)opt;
      return 0;
  }
}

// STUB_BLOCK_DELAY_MS makes every block take that long, so a test can act
// while a render is under way.
void DelayBlock() {
  static const char* delay = std::getenv("STUB_BLOCK_DELAY_MS");
  if (delay) usleep(static_cast<useconds_t>(std::atoi(delay)) * 1000);
}

template <typename Sample>
void Halve(AEffect*, Sample** inputs, Sample** outputs, int32_t frames) {
  DelayBlock();
  for (int c = 0; c < 2; ++c)
    for (int32_t i = 0; i < frames; ++i) outputs[c][i] = inputs[c][i] * Sample(0.5);
}

}  // namespace

}  // namespace veltrax

using namespace veltrax;

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback host) {
  if (host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
  AEffect* effect = new AEffect{};
#ifdef STUB_BROKEN
  effect->magic = 0x12345678;
#else
  effect->magic = kEffectMagic;
#endif
  effect->dispatcher = Dispatch;
  effect->numInputs = 2;
  effect->numOutputs = 2;
  effect->flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
  effect->ioRatio = 1.0f;
  effect->processReplacing = Halve<float>;
  effect->processDoubleReplacing = Halve<double>;
  return effect;
}
