#pragma once
// What the plug-in fuzzers share: an instance made through the entry point
// and opened as a host opens it, audio blocks whose output must be finite,
// and a reader that takes values from the fuzzer's bytes.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "VstAbi.h"

extern "C" veltrax::AEffect* VSTPluginMain(veltrax::audioMasterCallback hostCallback);

namespace veltrax::fuzz {

[[noreturn]] inline void Fail(const char* check, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: fuzz check failed: %s\n", file, line, check);
  std::abort();
}

#define FUZZ_CHECK(condition) \
  ((condition) ? (void)0 : ::veltrax::fuzz::Fail(#condition, __FILE__, __LINE__))

// The fuzzer's bytes read front to back; past the end every value is 0.
class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data(data), size(size) {}
  bool Empty() const { return position >= size; }
  size_t Left() const { return size - position; }
  uint8_t U8() { return position < size ? data[position++] : 0; }
  uint16_t U16() { return static_cast<uint16_t>(U8() | (U8() << 8)); }
  uint32_t U32() { return static_cast<uint32_t>(U16()) | (static_cast<uint32_t>(U16()) << 16); }
  float Float() {
    uint32_t bits = U32();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  // Up to `limit` bytes as they stand: any byte but 0, so the text is one C string.
  std::string Text(size_t limit) {
    size_t length = U8() % (limit + 1);
    std::string text;
    while (length-- > 0 && !Empty()) {
      uint8_t byte = U8();
      text.push_back(static_cast<char>(byte == 0 ? ' ' : byte));
    }
    return text;
  }
  // The next `count` bytes, or fewer at the end.
  const uint8_t* Take(size_t& count) {
    if (count > Left()) count = Left();
    const uint8_t* taken = data + position;
    position += count;
    return taken;
  }

 private:
  const uint8_t* data;
  size_t size;
  size_t position = 0;
};

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
