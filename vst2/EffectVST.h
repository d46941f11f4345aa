#pragma once
// Drives an effect (a plug-in base) through the VST 2.4 interface: owns the
// effect and the record the host sees, answers the dispatcher and the audio
// and parameter callbacks, and is the effect's host binding.

#include <atomic>
#include <cstdint>
#include <new>

#include "EffectBase.h"
#include "EffectFactory.h"
#include "VstAbi.h"

namespace veltrax {

// Thread tags as in EffectBase.h: [who calls; which lock].
class IEffectVST : public IHostBinding {
 public:
  // [any host thread; creation lock held] Takes ownership of plug and binds
  // itself to it as its host.
  IEffectVST(audioMasterCallback hostCallback, IEffectBase* plug);
  // [dispatcher thread; no lock] Deletes the effect.
  virtual ~IEffectVST();
  IEffectVST(const IEffectVST&) = delete;
  IEffectVST& operator=(const IEffectVST&) = delete;

  // Calls into the host. [caller's thread; PlugLock not held: the host may
  // take its time or its own locks, and the audio thread waits for ours]
  void BeginParameterEdit(int index) override;
  void NotifyHostParam(int index, double normalised) override;
  void EndParameterEdit(int index) override;
  void NotifyHostDisplay() override;
  bool IsRenderingOffline() override;
  int32_t QuerySamplePosition() override;
  double QueryTempo() override;
  void QueryTimeSignature(int32_t* numerator, int32_t* denominator) override;
  void QueryTimeInfo(TimeInfo* info) override;
  // Asks the host once who it is; later calls answer from what it said.
  HostKind IdentifyHost() override;
  // [any thread; PlugLock held] The record's editor flag and rectangle, and
  // its delay, follow the effect.
  void EditorAttached() override;
  void EditorResized() override;
  void LatencyChanged(int32_t samples) override;
  // [the host's UI thread; PlugLock not held] audioMasterSizeWindow.
  bool ResizeEditorWindow(int width, int height) override;
  // [caller's thread; any lock] Sent at once without PlugLock; with it held
  // (MIDI passed through by the dispatcher, or sent from ProcessBlock) they
  // wait until the callback that holds it releases it. False when the host
  // refuses or no room is left to wait in.
  bool MidiMessageOut(const MidiMessage& message) override;
  bool SysExOut(const SysExMessage& message) override;
  // [editor thread; PlugLock not held] Sends what the effect queued while
  // the base held the lock for an editor change.
  void PlugLockReleased() override;

  // [dispatcher thread; PlugLock held] Prepares for the host IdentifyHost
  // found out about, once.
  void PrepareForHost();
  // [dispatcher thread; PlugLock held]
  void LimitToStereo();
  // [any thread; PlugLock held] The editor rectangle: 0, 0, the editor's
  // height and width.
  void RefreshEditorRect();
  // [any thread; no lock] The record lives as long as the instance.
  AEffect* Effect() { return &effect; }
  // [any thread; no lock] The effect this adapter drives.
  IEffectBase* Plugin() const { return plug; }

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
  IEffectBase* const plug;  // owned

  // [any thread; PlugLock not held (checked in debug builds)]
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
  friend class CallbackLock;

  // Events for the host that wait for PlugLock to be released, in order.
  // [PlugLock held]
  struct PendingEvents {
    static constexpr int kCapacity = 64;
    static constexpr int kSysExBytes = 4096;
    // Plain fields: the callbacks keep one of these on the stack, and it must
    // cost nothing to make when nothing waits.
    struct Entry {
      int32_t offset;
      uint8_t status, data1, data2;
      int32_t sysexStart;  // -1 for a short message
      int32_t sysexSize;
    };
    Entry entries[kCapacity];
    uint8_t sysexBytes[kSysExBytes];
    int count;
    int32_t sysexUsed;
  };
  // [PlugLock held] False when there is no room.
  bool QueueEvent(const MidiMessage* midi, const SysExMessage* sysex);
  // [PlugLock held] Moves the waiting events into out.
  void TakePendingEvents(PendingEvents& out);
  // [callback's thread; PlugLock not held]
  void SendPendingEvents(const PendingEvents& events);
  bool SendMidi(const MidiMessage& message);
  bool SendSysEx(const SysExMessage& message);

  // Opcodes that run without PlugLock: the editor window's and effOpen's
  // question to the host. [dispatcher thread; PlugLock not held]
  intptr_t DispatchUnlocked(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt,
                            bool& handled);
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
  // [audio thread; PlugLock not held]
  void AnnounceMidiInterest();

  PendingEvents pendingEvents;  // count and sysexUsed set in the constructor
  // Whether pendingEvents holds any: written with PlugLock held, read also
  // without it, by PlugLockReleased.
  std::atomic<bool> eventsWaiting{false};
};

// Holds PlugLock for one adapter callback, or any other hold the adapter
// takes; events the effect queued for the host meanwhile go out once the
// lock is released.
class CallbackLock {
 public:
  explicit CallbackLock(IEffectVST* adapter) : adapter(adapter) { adapter->plug->Lock().Lock(); }
  ~CallbackLock();
  CallbackLock(const CallbackLock&) = delete;
  CallbackLock& operator=(const CallbackLock&) = delete;

 private:
  IEffectVST* adapter;
  IEffectVST::PendingEvents outgoing;  // filled only when something waits
};

// The effect of this library driven as a VST 2 plug-in: the effect linked
// into the binary (CreateHostedEffect) with its adapter. None when either
// cannot be made. [any host thread; creation lock held]
inline IEffectVST* CreateVstInstance(audioMasterCallback hostCallback) {
  IEffectBase* plug = CreateHostedEffect();
  if (plug == nullptr) return nullptr;
  auto* adapter = new (std::nothrow) IEffectVST(hostCallback, plug);
  if (adapter == nullptr) delete plug;
  return adapter;
}

}  // namespace veltrax
