#include "PluginHost.h"

#include <dlfcn.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace veltrax {

namespace {

constexpr const char* kHostProduct = "veltrax-render";
constexpr const char* kHostVendor = "Quillmarsh";
constexpr intptr_t kHostVersion = 10000;  // 1.0.0 as VST 2.4 spells versions
constexpr double kTempo = 120.0;

// The plug-in may call back during its entry point, before the host knows
// the effect record; one host per process makes that unambiguous.
PluginHost* activeHost = nullptr;

intptr_t VST_CALLBACK HostCallback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                   void* ptr, float opt) {
  if (opcode == audioMasterVersion) return 2400;
  if (!activeHost) return 0;
  return activeHost->AnswerPlugin(effect, opcode, index, value, ptr, opt);
}

// Text opcodes write without a bound; give them far more room than the
// published limits and terminate whatever comes back.
constexpr size_t kTextBufferSize = 1024;

std::string LowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool IsDecimalIndex(const std::string& text) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

}  // namespace

PluginHost::PluginHost() { activeHost = this; }

PluginHost::~PluginHost() {
  Close();
  if (activeHost == this) activeHost = nullptr;
}

bool PluginHost::Load(const std::string& pluginPath, std::string& error) {
  path = pluginPath;
  dlerror();
  // RTLD_LOCAL: the plug-in's symbols must not leak into a later load.
  library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    const char* reason = dlerror();
    error = path + " is not a VST 2.4 plug-in: it cannot be loaded as a shared library (" +
            (reason ? reason : "unknown reason") + ")";
    return false;
  }
  auto entry = reinterpret_cast<EntryPoint>(dlsym(library, "VSTPluginMain"));
  if (!entry) entry = reinterpret_cast<EntryPoint>(dlsym(library, "main"));
  if (!entry) {
    error = path + " is not a VST 2.4 plug-in: it exports neither VSTPluginMain nor main";
    return false;
  }
  return Attach(entry, path, error);
}

bool PluginHost::Attach(EntryPoint entry, const std::string& name, std::string& error) {
  path = name;
  effect = entry(HostCallback);
  if (!effect) {
    error = path + ": the plug-in's entry point created no effect";
    return false;
  }
  if (effect->magic != kEffectMagic) {
    effect = nullptr;  // not ours to close
    error = path + " is not a VST 2.4 plug-in: its entry point returned no effect record";
    return false;
  }
  if (!effect->dispatcher) {
    effect = nullptr;
    error = path + " is not a VST 2.4 plug-in: its effect record has no dispatcher";
    return false;
  }
  return true;
}

void PluginHost::Open(double rate, int32_t frames) {
  sampleRate = rate;
  blockSize = frames;
  timeInfo = VstTimeInfo{};
  timeInfo.sampleRate = rate;
  timeInfo.tempo = kTempo;
  timeInfo.timeSigNumerator = 4;
  timeInfo.timeSigDenominator = 4;
  timeInfo.flags = kVstTransportPlaying | kVstTempoValid | kVstTimeSigValid | kVstPpqPosValid |
                   kVstBarsValid;
  Dispatch(effOpen);
  opened = true;
  Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
  Dispatch(effSetBlockSize, 0, frames);
}

bool PluginHost::ConfigureChannels(int channels, std::string& error) {
  const std::string name = EffectName().empty() ? path : EffectName();
  if (channels < 1 || channels > 2) {
    error = "the renderer takes mono or stereo audio, not " + std::to_string(channels) + " channels";
    return false;
  }
  bool monoNative = NumInputs() == 1 && NumOutputs() == 1;
  if (channels == 1 && !monoNative && !CanMono()) {
    error = name + " has no mono (1 in, 1 out) configuration; convert the file to stereo first";
    return false;
  }
  if (channels == 2 && (NumInputs() < 2 || NumOutputs() < 2)) {
    error = name + " has " + std::to_string(NumInputs()) + " input(s) and " +
            std::to_string(NumOutputs()) + " output(s); a stereo file needs 2 of each";
    return false;
  }
  VstSpeakerArrangement inputs{};
  VstSpeakerArrangement outputs{};
  inputs.type = outputs.type = channels == 1 ? kSpeakerArrMono : kSpeakerArrStereo;
  inputs.numChannels = outputs.numChannels = channels;
  // A plug-in that keeps its full layout still gets silence on the pins
  // beyond `channels` (the renderer passes zeroed buffers there).
  Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&inputs), &outputs);
  outputChannels = NumOutputs() > channels ? NumOutputs() : channels;
  return true;
}

void PluginHost::Resume() {
  Dispatch(effMainsChanged, 0, 1);
  Dispatch(effStartProcess);
  resumed = true;
}

void PluginHost::Suspend() {
  if (!resumed) return;
  Dispatch(effStopProcess);
  Dispatch(effMainsChanged, 0, 0);
  resumed = false;
}

void PluginHost::Close() {
  if (effect) {
    if (opened) Suspend();
    Dispatch(effClose);  // the record is gone afterwards
    effect = nullptr;
    opened = false;
  }
  if (library) {
    dlclose(library);
    library = nullptr;
  }
}

intptr_t PluginHost::Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

std::string PluginHost::AskText(int32_t opcode, int32_t index) {
  char text[kTextBufferSize] = {};
  Dispatch(opcode, index, 0, text);
  text[kTextBufferSize - 1] = '\0';
  return text;
}

std::string PluginHost::EffectName() { return AskText(effGetEffectName); }
std::string PluginHost::VendorString() { return AskText(effGetVendorString); }
std::string PluginHost::ProductString() { return AskText(effGetProductString); }
int32_t PluginHost::VendorVersion() { return static_cast<int32_t>(Dispatch(effGetVendorVersion)); }
std::string PluginHost::ParameterName(int index) { return AskText(effGetParamName, index); }
std::string PluginHost::ParameterDisplay(int index) { return AskText(effGetParamDisplay, index); }
std::string PluginHost::ParameterLabel(int index) { return AskText(effGetParamLabel, index); }
std::string PluginHost::ProgramName(int index) { return AskText(effGetProgramNameIndexed, index); }

int32_t PluginHost::PlugCategory() { return static_cast<int32_t>(Dispatch(effGetPlugCategory)); }
int32_t PluginHost::VstVersion() { return static_cast<int32_t>(Dispatch(effGetVstVersion)); }
int32_t PluginHost::TailSize() { return static_cast<int32_t>(Dispatch(effGetTailSize)); }

bool PluginHost::PinProperties(bool input, int index, std::string& label, int32_t& flags) {
  VstPinProperties properties{};
  if (!Dispatch(input ? effGetInputProperties : effGetOutputProperties, index, 0, &properties))
    return false;
  properties.label[sizeof(properties.label) - 1] = '\0';
  label = properties.label;
  flags = properties.flags;
  return true;
}

int PluginHost::FindParameter(const std::string& name) {
  const int count = NumParams();
  for (int i = 0; i < count; ++i)
    if (ParameterName(i) == name) return i;
  const std::string wanted = LowerCase(name);
  for (int i = 0; i < count; ++i) {
    std::string candidate = ParameterName(i);
    if (!candidate.empty() && LowerCase(candidate) == wanted) return i;
  }
  if (IsDecimalIndex(name)) {
    int index = std::atoi(name.c_str());
    if (index < count) return index;
  }
  return -1;
}

bool PluginHost::SetParameterFromText(int index, const std::string& text) {
  std::vector<char> copy(text.begin(), text.end());
  copy.push_back('\0');
  return Dispatch(effString2Parameter, index, 0, copy.data()) != 0;
}

bool PluginHost::LoadStateChunk(const std::vector<uint8_t>& bytes, bool bank) {
  // The plug-in may keep or modify the bytes during the call; hand it a copy.
  std::vector<uint8_t> copy(bytes);
  if (copy.empty()) return false;
  return Dispatch(effSetChunk, bank ? 0 : 1, static_cast<intptr_t>(copy.size()), copy.data()) != 0;
}

bool PluginHost::SaveStateChunk(std::vector<uint8_t>& bytes, bool bank) {
  void* data = nullptr;
  intptr_t size = Dispatch(effGetChunk, bank ? 0 : 1, 0, &data);
  if (size <= 0 || !data) return false;
  const auto* begin = static_cast<const uint8_t*>(data);
  bytes.assign(begin, begin + size);
  return true;
}

void PluginHost::ProcessFloat(float** inputs, float** outputs, int32_t frames) {
  if (CanReplace() && effect->processReplacing) {
    effect->processReplacing(effect, inputs, outputs, frames);
  } else {
    // Only the accumulating callback: start from silence.
    for (int c = 0; c < outputChannels; ++c) std::memset(outputs[c], 0, sizeof(float) * frames);
    effect->process(effect, inputs, outputs, frames);
  }
  timeInfo.samplePos += frames;
}

void PluginHost::ProcessDouble(double** inputs, double** outputs, int32_t frames) {
  effect->processDoubleReplacing(effect, inputs, outputs, frames);
  timeInfo.samplePos += frames;
}

intptr_t PluginHost::AnswerPlugin(AEffect* /*caller*/, int32_t opcode, int32_t /*index*/,
                                  intptr_t /*value*/, void* ptr, float /*opt*/) {
  switch (opcode) {
    case audioMasterCurrentId:
      return effect ? effect->uniqueID : 0;
    case audioMasterGetTime: {
      double seconds = timeInfo.samplePos / sampleRate;
      timeInfo.ppqPos = seconds * kTempo / 60.0;
      timeInfo.barStartPos = std::floor(timeInfo.ppqPos / 4.0) * 4.0;
      return reinterpret_cast<intptr_t>(&timeInfo);
    }
    case audioMasterGetSampleRate:
      return static_cast<intptr_t>(sampleRate);
    case audioMasterGetBlockSize:
      return blockSize;
    case audioMasterGetCurrentProcessLevel:
      return kVstProcessLevelOffline;  // files, not a live stream
    case audioMasterGetAutomationState:
      return 1;  // automation off
    case audioMasterGetVendorString:
      if (ptr) std::strcpy(static_cast<char*>(ptr), kHostVendor);
      return ptr ? 1 : 0;
    case audioMasterGetProductString:
      if (ptr) std::strcpy(static_cast<char*>(ptr), kHostProduct);
      return ptr ? 1 : 0;
    case audioMasterGetVendorVersion:
      return kHostVersion;
    case audioMasterGetLanguage:
      return 1;  // English
    case audioMasterUpdateDisplay:
      return 1;
    default:
      // Automation, edit gestures, idle, MIDI and window requests mean
      // nothing to a file renderer.
      return 0;
  }
}

}  // namespace veltrax
