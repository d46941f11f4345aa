#pragma once
// Binds the plug-in base to the VST 2.4 interface: owns the effect record the
// host sees, answers the dispatcher and the audio and parameter callbacks,
// and calls back into the host.

#include <cstdint>

#include "EffectBase.h"
#include "VstAbi.h"

namespace veltrax {

// Thread tags as in EffectBase.h: [who calls; which lock].
class IEffectVST : public IEffectBase {
 public:
  // [any host thread; creation lock held]
  IEffectVST(audioMasterCallback hostCallback, int parameterCount, const char* channelIO,
             int presetCount, const char* effectName, const char* productName, const char* makerName,
             int32_t version, int32_t uniqueId, int32_t makerId, bool isInstrument, bool acceptsMidi);
  // [dispatcher thread; no lock]
  ~IEffectVST() override;

  // Calls into the host. [caller's thread; no lock of their own: they run
  // under whatever the caller holds]
  void BeginParameterEdit(int index) override;
  void NotifyHostParam(int index, double normalised) override;
  void EndParameterEdit(int index) override;
  void NotifyHostDisplay() override;
  bool IsRenderingOffline() override;
  int32_t QuerySamplePosition() override;
  double QueryTempo() override;
  void QueryTimeSignature(int32_t* numerator, int32_t* denominator) override;
  void QueryTimeInfo(TimeInfo* info) override;
  HostKind IdentifyHost() override;
  void EditorResized() override;
  bool MidiMessageOut(const MidiMessage& message) override;
  bool SysExOut(const SysExMessage& message) override;
  // [dispatcher thread; PlugLock held] Asks the host once who it is.
  void PrepareForHost() override;
  // [dispatcher thread or construction; takes PlugLock]
  void AttachEditor(IEditorLink* editor) override;
  // [dispatcher thread; PlugLock held]
  void ChangeLatency(int32_t samples) override;

  // [dispatcher thread; PlugLock held]
  void LimitToStereo();
  // [any thread; no lock] The record lives as long as the instance.
  AEffect* Effect() { return &effect; }

  // The record's callbacks; each takes the instance from effect->object.
  // [dispatcher thread; takes PlugLock for the call]
  static intptr_t VST_CALLBACK VSTDispatcher(AEffect* effect, int32_t opcode, int32_t index,
                                             intptr_t value, void* ptr, float opt);
  // [audio thread; takes PlugLock for the block]
  static void VST_CALLBACK VSTProcess(AEffect* effect, float** inputs, float** outputs, int32_t frames);
  static void VST_CALLBACK VSTProcessReplacing(AEffect* effect, float** inputs, float** outputs,
                                               int32_t frames);
  static void VST_CALLBACK VSTProcessDoubleReplacing(AEffect* effect, double** inputs,
                                                     double** outputs, int32_t frames);
  // [any host thread; takes PlugLock]
  static float VST_CALLBACK VSTGetParameter(AEffect* effect, int32_t index);
  static void VST_CALLBACK VSTSetParameter(AEffect* effect, int32_t index, float value);

 protected:
  intptr_t CallHost(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
                    float opt = 0.0f);

  ERect editorRect{};
  audioMasterCallback hostCallback;
  VstSpeakerArrangement inputArrangement{};
  VstSpeakerArrangement outputArrangement{};
  bool hostInitDone = false;
  int32_t hostExtensionFlags = 0;
  StateChunk programChunk;
  StateChunk bankChunk;
  AEffect effect{};

 private:
  // The dispatcher's work per opcode. [dispatcher thread; PlugLock held]
  intptr_t Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
  intptr_t GetChunk(int32_t index, void* ptr);
  intptr_t SetChunk(int32_t index, intptr_t byteCount, const void* bytes);
  intptr_t ProcessEvents(const void* events);
  intptr_t String2Parameter(int32_t index, const char* text);
  intptr_t PinProperties(int32_t index, void* properties, bool output);
  intptr_t SetSpeakerArrangement(const VstSpeakerArrangement* input,
                                 const VstSpeakerArrangement* output);
  intptr_t VendorSpecific(int32_t index, intptr_t value, void* ptr, float opt);
  intptr_t CanDo(const char* capability);
  intptr_t MidiKeyNameFor(void* keyName);
  // [audio thread; PlugLock held]
  void AnnounceMidiInterest();
};

// Defined by the effect linked into the plug-in binary: constructs the one
// effect this library provides. [any host thread; creation lock held]
IEffectVST* CreateEffectInstance(audioMasterCallback hostCallback);

}  // namespace veltrax
