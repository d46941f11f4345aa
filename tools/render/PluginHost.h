#pragma once
// Loads a VST 2.4 plug-in binary and drives one instance of it as a host
// does: open, sample rate and block size, channel layout, resume, blocks of
// audio, suspend, close. One host per process: the host callback finds this
// object through a process-wide pointer, because the plug-in may call back
// before its effect record exists.

#include <cstdint>
#include <string>
#include <vector>

#include "VstAbi.h"

namespace veltrax {

class PluginHost {
 public:
  PluginHost();
  ~PluginHost();  // suspends, closes the instance and unloads the binary
  PluginHost(const PluginHost&) = delete;
  PluginHost& operator=(const PluginHost&) = delete;

  // What a plug-in binary exports as VSTPluginMain.
  using EntryPoint = AEffect* (*)(audioMasterCallback);

  // dlopen, entry point, effect record checks. The message names the path.
  bool Load(const std::string& path, std::string& error);
  // The same checks on a plug-in linked into the program: entry is called
  // with this host's callback; name stands for the path in messages.
  bool Attach(EntryPoint entry, const std::string& name, std::string& error);
  // effOpen, then effSetSampleRate and effSetBlockSize.
  void Open(double sampleRate, int32_t blockSize);
  // Checks that the plug-in takes `channels` in and out and announces that
  // layout (speaker arrangements); mono needs a 1-in/1-out configuration.
  bool ConfigureChannels(int channels, std::string& error);
  void Resume();   // effMainsChanged (1), effStartProcess
  void Suspend();  // effStopProcess, effMainsChanged (0)

  bool CanReplace() const { return Flags() & effFlagsCanReplacing; }
  bool CanReplaceDouble() const { return Flags() & effFlagsCanDoubleReplacing; }
  bool CanMono() const { return Flags() & effFlagsCanMono; }
  int32_t Flags() const { return effect ? effect->flags : 0; }
  int NumInputs() const { return effect ? effect->numInputs : 0; }
  int NumOutputs() const { return effect ? effect->numOutputs : 0; }
  int NumParams() const { return effect ? effect->numParams : 0; }
  int NumPrograms() const { return effect ? effect->numPrograms : 0; }
  int32_t UniqueId() const { return effect ? effect->uniqueID : 0; }
  int32_t Version() const { return effect ? effect->version : 0; }
  const std::string& Path() const { return path; }

  std::string EffectName();
  std::string VendorString();
  std::string ProductString();
  int32_t VendorVersion();
  std::string ParameterName(int index);
  std::string ParameterDisplay(int index);
  std::string ParameterLabel(int index);
  std::string ProgramName(int index);
  int32_t PlugCategory();
  int32_t VstVersion();
  int32_t TailSize();
  int32_t InitialDelay() const { return effect ? effect->initialDelay : 0; }
  // The pin's label and flags (effGetInputProperties / effGetOutputProperties);
  // false when the plug-in does not describe its pins.
  bool PinProperties(bool input, int index, std::string& label, int32_t& flags);

  // Index of the parameter called `name` (exact, then ignoring case), or of
  // the decimal index it spells; -1 when none.
  int FindParameter(const std::string& name);
  // effString2Parameter; false when the plug-in refuses the text.
  bool SetParameterFromText(int index, const std::string& text);

  // Program chunk (bank = false) or bank chunk. Load answers the plug-in's
  // verdict; Save fails when the plug-in hands out nothing.
  bool LoadStateChunk(const std::vector<uint8_t>& bytes, bool bank);
  bool SaveStateChunk(std::vector<uint8_t>& bytes, bool bank);

  // One block; the pointer arrays hold at least max(NumInputs, channels)
  // and max(NumOutputs, channels) entries. [audio path: no allocation]
  void ProcessFloat(float** inputs, float** outputs, int32_t frames);
  void ProcessDouble(double** inputs, double** outputs, int32_t frames);

  // What the host callback answers.
  intptr_t AnswerPlugin(AEffect* caller, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                        float opt);

 private:
  intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                    float opt = 0.0f);
  std::string AskText(int32_t opcode, int32_t index = 0);
  void Close();

  std::string path;
  void* library = nullptr;
  AEffect* effect = nullptr;
  bool opened = false;
  bool resumed = false;
  double sampleRate = 44100.0;
  int32_t blockSize = 1024;
  int outputChannels = 0;  // output pointers the renderer passes
  VstTimeInfo timeInfo{};
};

}  // namespace veltrax
