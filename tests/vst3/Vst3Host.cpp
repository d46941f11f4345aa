#include "Vst3Host.h"

#include <algorithm>
#include <cstring>

#include "ModuleLoader.h"

namespace veltrax::vst3 {

const Vst3Module& Module() {
  static const Vst3Module module = [] {
    Vst3Module loaded;
    loaded.handle = OpenModule(VELTRAX_VST3_PATH, loaded.error);
    if (loaded.handle == nullptr) return loaded;
#if defined(_WIN32)
    auto init = reinterpret_cast<InitDllProc>(ModuleSymbol(loaded.handle, "InitDll"));
    if (init == nullptr || !init()) loaded.error = "InitDll failed";
#else
    auto entry = reinterpret_cast<ModuleEntryProc>(ModuleSymbol(loaded.handle, "ModuleEntry"));
    if (entry == nullptr || !entry(loaded.handle)) loaded.error = "ModuleEntry failed";
#endif
    loaded.getFactory = reinterpret_cast<GetFactoryProc>(ModuleSymbol(loaded.handle, "GetPluginFactory"));
    return loaded;
  }();
  return module;
}

tresult MemoryStream::read(void* buffer, int32_t numBytes, int32_t* numBytesRead) {
  const size_t count = std::min(data.size() - std::min(position, data.size()),
                                static_cast<size_t>(std::max(numBytes, 0)));
  if (count > 0) std::memcpy(buffer, data.data() + position, count);
  position += count;
  if (numBytesRead != nullptr) *numBytesRead = static_cast<int32_t>(count);
  return kResultOk;
}

tresult MemoryStream::write(void* buffer, int32_t numBytes, int32_t* numBytesWritten) {
  if (numBytes < 0) return kInvalidArgument;
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  if (data.size() < position + numBytes) data.resize(position + numBytes);
  std::memcpy(data.data() + position, bytes, static_cast<size_t>(numBytes));
  position += static_cast<size_t>(numBytes);
  if (numBytesWritten != nullptr) *numBytesWritten = numBytes;
  return kResultOk;
}

tresult RecordingHandler::Record(char kind, ParamID id, double value) {
  std::lock_guard<std::mutex> guard(mutex);
  edits.push_back({kind, id, value, std::this_thread::get_id()});
  return kResultOk;
}

std::vector<Edit> RecordingHandler::Edits() {
  std::lock_guard<std::mutex> guard(mutex);
  return edits;
}

std::string RecordingHandler::Kinds() {
  std::string kinds;
  for (const Edit& edit : Edits()) kinds += edit.kind;
  return kinds;
}

Plugin::Plugin(bool initialise) {
  if (Module().getFactory == nullptr) return;
  IClassFactory* factory = Module().getFactory();
  PClassInfo info{};
  if (factory->getClassInfo(0, &info) == kResultOk)
    factory->createInstance(info.cid, IComponent::iid, reinterpret_cast<void**>(&component));
  factory->release();
  if (component == nullptr) return;
  component->queryInterface(IAudioProcessor::iid, reinterpret_cast<void**>(&processor));
  component->queryInterface(IEditController::iid, reinterpret_cast<void**>(&controller));
  if (initialise) initialised = component->initialize(&application) == kResultOk;
}

Plugin::~Plugin() {
  if (component == nullptr) return;
  component->setActive(false);
  if (initialised) component->terminate();
  if (controller != nullptr) controller->release();
  if (processor != nullptr) processor->release();
  component->release();
}

void Plugin::Start(double rate, int32_t maxBlock, int32_t sampleSize, bool mono) {
  SpeakerArrangement arrangement = mono ? SpeakerArr::kMono : SpeakerArr::kStereo;
  processor->setBusArrangements(&arrangement, 1, &arrangement, 1);
  ProcessSetup setup{kRealtime, sampleSize, maxBlock, rate};
  processor->setupProcessing(setup);
  component->setActive(true);
  processor->setProcessing(true);
}

tresult Plugin::Process(void** inputs, void** outputs, int32_t channels, int32_t frames,
                        int32_t sampleSize, IParameterChanges* changes) {
  AudioBusBuffers in{};
  AudioBusBuffers out{};
  in.numChannels = out.numChannels = channels;
  in.channelBuffers32 = reinterpret_cast<float**>(inputs);
  out.channelBuffers32 = reinterpret_cast<float**>(outputs);
  ProcessData data{};
  data.processMode = kRealtime;
  data.symbolicSampleSize = sampleSize;
  data.numSamples = frames;
  data.numInputs = data.numOutputs = 1;
  data.inputs = &in;
  data.outputs = &out;
  data.inputParameterChanges = changes;
  return processor->process(data);
}

std::vector<uint8_t> Plugin::State() {
  MemoryStream stream;
  if (component->getState(&stream) != kResultOk) return {};
  return stream.data;
}

tresult Plugin::SetState(const std::vector<uint8_t>& bytes) {
  MemoryStream stream(bytes);
  return component->setState(&stream);
}

std::string Plugin::Text(ParamID id, double normalised) {
  String128 text{};
  if (controller->getParamStringByValue(id, normalised, text) != kResultOk) return "<none>";
  std::string ascii;
  for (int i = 0; i < 128 && text[i] != 0; ++i) ascii += static_cast<char>(text[i]);
  return ascii;
}

}  // namespace veltrax::vst3
