#include "PluginHost.h"

#include <cmath>
#include <cstring>

#include "ModuleLoader.h"

namespace veltrax {

const PluginLibrary& Library() {
  static const PluginLibrary library = [] {
    PluginLibrary lib;
    lib.handle = OpenModule(VELTRAX_PLUGIN_PATH, lib.error);
    if (lib.handle == nullptr) return lib;
    lib.pluginMain = reinterpret_cast<PluginEntry>(ModuleSymbol(lib.handle, "VSTPluginMain"));
    lib.legacyMain = reinterpret_cast<PluginEntry>(ModuleSymbol(lib.handle, "main"));
    return lib;
  }();
  return library;
}

int HostState::Count(int32_t opcode) const {
  int n = 0;
  for (const HostRequest& r : requests) n += r.opcode == opcode ? 1 : 0;
  return n;
}

void HostState::Reset() {
  productString = "Test Host";
  vendorVersion = 10203;
  sizeWindowAnswer = 0;
  requests.clear();
}

HostState& Host() {
  static HostState state;
  return state;
}

intptr_t VST_CALLBACK RecordingHost(AEffect* /*effect*/, int32_t opcode, int32_t index,
                                    intptr_t value, void* ptr, float opt) {
  HostRequest request{opcode, index, value, opt, {}};
  intptr_t answer = 0;
  switch (opcode) {
    case audioMasterVersion:
      answer = 2400;
      break;
    case audioMasterGetProductString:
      // Hosts write at most the published product string size.
      std::strncpy(static_cast<char*>(ptr), Host().productString.c_str(), kVstMaxProductStrLen - 1);
      answer = 1;
      break;
    case audioMasterSizeWindow:
      answer = Host().sizeWindowAnswer;
      break;
    case audioMasterGetVendorVersion:
      answer = Host().vendorVersion;
      break;
    case audioMasterProcessEvents: {
      const auto* events = static_cast<const VstEvents*>(ptr);
      for (int i = 0; i < events->numEvents; ++i)
        request.midiEvents.push_back(*reinterpret_cast<const VstMidiEvent*>(events->events[i]));
      answer = 1;
      break;
    }
    default:
      break;
  }
  Host().requests.push_back(request);
  return answer;
}

Instance::Instance(audioMasterCallback callback, bool open)
    : Instance(Library().pluginMain, callback, open) {}

Instance::Instance(PluginEntry entry, audioMasterCallback callback, bool open) {
  if (entry == nullptr) return;
  effect_ = entry(callback);
  if (effect_ != nullptr && open) Dispatch(effOpen);
}

Instance::~Instance() {
  if (effect_ != nullptr) Dispatch(effClose);
}

intptr_t Instance::Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) const {
  return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

std::string Instance::Text(int32_t opcode, int32_t index) const {
  char text[256];
  std::memset(text, 0x7F, sizeof text);
  text[sizeof text - 1] = '\0';
  Dispatch(opcode, index, 0, text);
  return std::string(text);
}

std::vector<uint8_t> Instance::Chunk(bool bank) const {
  void* data = nullptr;
  const intptr_t size = Dispatch(effGetChunk, bank ? 0 : 1, 0, &data);
  if (size <= 0 || data == nullptr) return {};
  const auto* bytes = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(bytes, bytes + size);
}

intptr_t Instance::SetChunk(bool bank, const void* bytes, intptr_t size) const {
  return Dispatch(effSetChunk, bank ? 0 : 1, size, const_cast<void*>(bytes));
}

AudioThread::AudioThread(const Instance& plug, int frames) : effect(plug.effect()) {
  plug.Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
  plug.Dispatch(effSetBlockSize, 0, frames);
  plug.Dispatch(effMainsChanged, 0, 1);
  thread = std::thread([this, frames] {
    std::vector<float> in(static_cast<size_t>(frames), 0.25f), left(in.size()), right(in.size());
    float* inputs[2] = {in.data(), in.data()};
    float* outputs[2] = {left.data(), right.data()};
    while (!stop.load()) {
      effect->processReplacing(effect, inputs, outputs, frames);
      blocks.fetch_add(1);
    }
  });
}

AudioThread::~AudioThread() {
  stop.store(true);
  thread.join();
}

std::vector<double> TestSignal(int frames, int channel) {
  const double twoPi = 6.283185307179586;
  std::vector<double> signal(static_cast<size_t>(frames));
  for (int i = 0; i < frames; ++i) {
    const double t = i / 44100.0;
    double v = 0.6 * std::sin(twoPi * (channel == 0 ? 110.0 : 233.0) * t) +
               0.3 * std::sin(twoPi * 3100.0 * t + channel);
    if (i % 97 == 0) v += channel == 0 ? 1.1 : -1.3;  // peaks beyond full scale
    signal[static_cast<size_t>(i)] = v;
  }
  return signal;
}

}  // namespace veltrax
