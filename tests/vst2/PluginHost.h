#pragma once
// A minimal VST 2.4 host for the tests: loads the built plug-in binary and
// reaches it only through its exported entry points and the effect record.
// The host callback records every request and answers product string and
// vendor version as a test sets them.

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "VstAbi.h"

namespace veltrax {

using PluginEntry = AEffect* (*)(audioMasterCallback);

// The loaded binary; stays loaded for the whole test run.
struct PluginLibrary {
  void* handle = nullptr;
  PluginEntry pluginMain = nullptr;  // VSTPluginMain
  PluginEntry legacyMain = nullptr;  // main
  std::string error;
};
const PluginLibrary& Library();

struct HostRequest {
  int32_t opcode;
  int32_t index;
  intptr_t value;
  float opt;
  // Copied when the request carries events (audioMasterProcessEvents).
  std::vector<VstMidiEvent> midiEvents;
};

// What the host answers and what it was asked. [test thread]
struct HostState {
  std::string productString = "Test Host";
  intptr_t vendorVersion = 10203;
  intptr_t sizeWindowAnswer = 0;  // 1: the host resizes its editor frame as asked
  std::vector<HostRequest> requests;

  int Count(int32_t opcode) const;
  void Reset();
};
HostState& Host();

intptr_t VST_CALLBACK RecordingHost(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                    void* ptr, float opt);

// One effect instance, closed when the object goes.
class Instance {
 public:
  explicit Instance(audioMasterCallback callback = &RecordingHost, bool open = true);
  // An instance from an entry point linked into the test program itself.
  Instance(PluginEntry entry, audioMasterCallback callback, bool open = true);
  ~Instance();
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  AEffect* effect() const { return effect_; }
  // For a test that closed the instance itself: nothing left to close.
  void Forget() { effect_ = nullptr; }
  explicit operator bool() const { return effect_ != nullptr; }

  intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                    float opt = 0.0f) const;
  std::string Text(int32_t opcode, int32_t index = 0) const;  // a request that writes a text
  std::string ParamName(int index) const { return Text(effGetParamName, index); }
  std::string ParamLabel(int index) const { return Text(effGetParamLabel, index); }
  std::string ParamDisplay(int index) const { return Text(effGetParamDisplay, index); }
  float Get(int index) const { return effect_->getParameter(effect_, index); }
  void Set(int index, float value) const { effect_->setParameter(effect_, index, value); }
  std::vector<uint8_t> Chunk(bool bank) const;
  intptr_t SetChunk(bool bank, const void* bytes, intptr_t size) const;

 private:
  AEffect* effect_ = nullptr;
};

// Audio blocks on a thread of their own, as a host's audio thread runs them:
// switched on at 44.1 kHz, blocks of the given size until destroyed.
class AudioThread {
 public:
  AudioThread(const Instance& plug, int frames);
  ~AudioThread();
  AudioThread(const AudioThread&) = delete;
  AudioThread& operator=(const AudioThread&) = delete;
  std::atomic<int> blocks{0};

 private:
  AEffect* effect;
  std::atomic<bool> stop{false};
  std::thread thread;
};

// Stereo test signal: a few tones, a step and values beyond full scale.
std::vector<double> TestSignal(int frames, int channel);

}  // namespace veltrax
