#pragma once
// The host-independent plug-in base: parameters, presets, channel pins,
// the attached editor, identity and the instance lock. An adapter derives
// from it and binds it to one plug-in interface.
//
// Threads: the host's dispatcher thread, its audio thread and the editor's
// window thread all enter here; PlugLock (recursive) serialises them.

#include <atomic>
#include <cstdint>
#include <memory>

#include "EditorLink.h"
#include "GrowBuffer.h"
#include "GrowString.h"
#include "HostKind.h"
#include "Parameter.h"
#include "PlugLock.h"
#include "StateChunk.h"

namespace veltrax {

struct ChannelConfig {
  int32_t inputs = 0;
  int32_t outputs = 0;
};

struct Preset {
  bool initialised = false;
  char name[256] = "empty";
  StateChunk chunk;  // state without a header
};

struct MidiMessage {
  int32_t offset = 0;  // frames into the block
  uint8_t status = 0;
  uint8_t data1 = 0;
  uint8_t data2 = 0;
};

struct SysExMessage {
  int32_t offset = 0;
  int32_t size = 0;
  const uint8_t* data = nullptr;  // the host's, for the duration of the call
};

struct TimeInfo {
  double tempoBpm;
  double samplePosition;
  double ppqPosition;
  double lastBarPosition;
  double cycleStart;
  double cycleEnd;
  int32_t sigNumerator;
  int32_t sigDenominator;
  bool playing;
  bool cycling;
};

// Connects one host channel to the effect's double-precision processing.
struct ChannelPin {
  ChannelPin(double** channelEntry) : channel(channelEntry) {}
  bool connected = false;
  double** channel;              // this pin's entry in inputChannels/outputChannels
  float* hostFloatBuffer = nullptr;  // output pins: the host's buffer of this block
  GrowBuffer scratch{4096};      // blockSize doubles
  GrowString label;

  double* Scratch() const { return static_cast<double*>(scratch.Data()); }
};

// The largest block a host may announce. Beyond it the announcement is
// ignored (larger blocks are still processed, in pieces); it also keeps the
// scratch sizes in bytes far inside 32 bits.
constexpr int32_t kMaxBlockFrames = 1 << 20;

// The adapter kinds an effect can be driven by (AdapterKind).
constexpr int32_t kAdapterVst2 = 0;
constexpr int32_t kAdapterClap = 1;
constexpr int32_t kAdapterVst3 = 2;

// What the plug-in base asks of its host, whatever the plug-in format: the
// adapter that drives an effect implements it and binds itself to the
// effect. Thread tags as below; none of these is called with PlugLock held
// unless its tag says so.
class IHostBinding {
 public:
  // [editor input thread; PlugLock not held] Edits, as the base orders them.
  virtual void BeginParameterEdit(int index) = 0;
  virtual void NotifyHostParam(int index, double normalised) = 0;
  virtual void EndParameterEdit(int index) = 0;
  // [any thread; PlugLock not held]
  virtual void NotifyHostDisplay() {}
  virtual bool IsRenderingOffline() { return false; }
  virtual int32_t QuerySamplePosition() { return 0; }
  virtual double QueryTempo() { return 0.0; }
  // Outputs a host cannot fill stay as the base set them (0).
  virtual void QueryTimeSignature(int32_t* /*numerator*/, int32_t* /*denominator*/) {}
  virtual void QueryTimeInfo(TimeInfo* /*info*/) {}
  // [dispatcher thread; PlugLock not held to ask the host]
  virtual HostKind IdentifyHost() = 0;
  // [any thread; PlugLock held] The editor was attached or changed size,
  // the latency changed: the adapter updates what its host reads.
  virtual void EditorAttached() {}
  virtual void EditorResized() {}
  virtual void LatencyChanged(int32_t /*samples*/) {}
  // [the host's user-interface thread; PlugLock not held] Asks the host to
  // make its editor frame this size (device pixels); false when it will not.
  virtual bool ResizeEditorWindow(int /*width*/, int /*height*/) { return false; }
  // [caller's thread; any lock] False when the host cannot take it.
  virtual bool MidiMessageOut(const MidiMessage& /*message*/) { return false; }
  virtual bool SysExOut(const SysExMessage& /*message*/) { return false; }
  // [the thread that released PlugLock; PlugLock not held] The base released
  // a hold of the lock of its own (an editor change): what the adapter held
  // back for the host meanwhile may go now.
  virtual void PlugLockReleased() {}

 protected:
  ~IHostBinding() = default;
};

class IEffectBase {
 public:
  // [any host thread; creation lock held]
  // The adapter kind is set when an adapter binds (BindHost).
  IEffectBase(int parameterCount, const char* channelIO, int presetCount, const char* effectName,
              const char* productName, const char* makerName, int32_t version, int32_t uniqueId,
              int32_t makerId, bool isInstrument, bool acceptsMidi);

  // Thread tags: [who calls; which lock]. "PlugLock held" means the caller
  // holds it (checked in debug builds); "takes PlugLock" means the operation
  // takes it itself. Virtual operations in slot order; the unnamed hooks that
  // nothing called are gone, the numbers keep the remaining slots' places.

  // [dispatcher thread; no lock: effClose waits for PlugLock, then releases it]
  virtual ~IEffectBase();                                                    // 0
  // [dispatcher thread; takes PlugLock]
  virtual void Reset();                                                      // 1
  // [any thread; takes PlugLock]
  virtual void ParameterChanged(int index);                                  // 2
  // [audio thread; PlugLock held] One pointer per pin, connected or not.
  virtual void ProcessBlock(double** inputs, double** outputs, int32_t frames);  // 3
  // [dispatcher thread; PlugLock held]
  virtual void EditorOpened() {}                                             // 4
  // [dispatcher thread; PlugLock held]
  virtual void EditorClosed() {}                                             // 5
  // [dispatcher thread; takes PlugLock]
  virtual void ActivationChanged(bool active);                               // 7
  // [dispatcher thread; PlugLock held]
  virtual void MidiMessageIn(const MidiMessage& message);                    // 8
  // [dispatcher thread; PlugLock held]
  virtual void SysExIn(const SysExMessage& /*message*/) {}                   // 9
  // [dispatcher thread; PlugLock held]
  virtual bool NoteNameFor(int key, char* text);                             // 10
  // [any thread; PlugLock held]
  virtual bool WriteState(StateChunk& chunk) { return SerializeParams(chunk); }  // 11
  // [any thread; PlugLock held]
  virtual int32_t ReadState(const StateChunk& chunk, int32_t position) {     // 12
    return UnserializeParams(chunk, position);
  }
  // [any thread; PlugLock held]
  virtual bool StateMatches(const double* values, int start) const;          // 13
  // [editor thread; PlugLock held]
  virtual void OnEditorResized() {}                                          // 14
  // [dispatcher thread; PlugLock held]
  virtual void HostKnown() {}                                                // 16
  // [editor thread; takes PlugLock for the store only] The user moved a
  // control: parameter and effect take the value under the lock, the host
  // hears of it after the lock is released, inside an edit (one framed
  // around this value when none is open: a wheel notch, a double click, a
  // typed value).
  virtual void SetParameterFromEditor(int index, double normalised);        // 18
  // The host calls, passed on to the bound adapter (nothing, or the neutral
  // answer, while none is bound). [as IHostBinding's tags]
  // Edits are reached only through BeginEditFromEditor,
  // SetParameterFromEditor and EndEditFromEditor, which keep the order the
  // host must see.
  virtual void BeginParameterEdit(int index);                                // 19
  virtual void NotifyHostParam(int index, double normalised);               // 20
  virtual void EndParameterEdit(int index);                                  // 21
  virtual void NotifyHostDisplay();                                          // 22
  virtual bool IsRenderingOffline();                                         // 23
  virtual int32_t QuerySamplePosition();                                     // 24
  virtual double QueryTempo();                                               // 25
  virtual void QueryTimeSignature(int32_t* numerator, int32_t* denominator);  // 26
  virtual void QueryTimeInfo(TimeInfo* info);                                // 27
  // [dispatcher thread; PlugLock not held] Asks the host once; later calls
  // answer what it said (hostKind, hostVersion).
  virtual HostKind IdentifyHost();                                           // 28
  // [any thread; no lock] 0 VST 2, 1 CLAP, 2 VST3: set when an adapter binds.
  virtual int32_t AdapterKind() const { return adapterKind; }                // 29
  // [editor thread; PlugLock held]
  virtual void EditorResized();                                              // 30
  // [the host's user-interface thread; PlugLock not held] The editor asks
  // the host for a new frame size; false when refused or no host is bound.
  bool ResizeEditorWindow(int width, int height) {
    return host != nullptr && host->ResizeEditorWindow(width, height);
  }
  // [dispatcher thread or construction; takes PlugLock] Takes ownership of editor.
  virtual void AttachEditor(IEditorLink* editor);                            // 32
  // [dispatcher thread; PlugLock held]
  virtual void ChangeLatency(int32_t samples);                               // 33
  // [caller's thread; any lock: with PlugLock held the adapter holds the
  // message back until the lock is released]
  virtual bool MidiMessageOut(const MidiMessage& message);                   // 34
  virtual bool SysExOut(const SysExMessage& message);                        // 35
  // [dispatcher thread; PlugLock held]
  virtual void RefreshEditorParams();                                        // 36
  // [dispatcher thread; PlugLock held]
  virtual void ProgramChanged() {}                                           // 38
  // [dispatcher thread or construction; PlugLock held]
  virtual void ChangeBlockSize(int32_t frames);                              // 39
  // What the host's processing setup does, whatever the format.
  // [dispatcher or the host's main thread; takes PlugLock]
  // The sample rate (one that is not a positive finite number keeps the
  // previous one), then Reset.
  void SetSampleRate(double rate);
  // The largest block the host will hand over: the scratch buffers take
  // that size when it is 1..kMaxBlockFrames and keep theirs otherwise; then
  // Reset.
  void SetMaxBlockSize(int64_t frames);
  // Both, in this order, under one hold of the lock.
  void PrepareProcessing(double rate, int64_t maxFrames);
  // Switched off: ActivationChanged(false), then Reset.
  void Deactivate();
  // [audio thread; PlugLock held] True when silent input keeps the output
  // silent from here on: nothing rings inside, nothing left to show. Hosts
  // that can let a plug-in sleep ask after a silent block.
  virtual bool IsQuiet() const { return false; }
  // [any thread; PlugLock held] Frames the output may still ring once the
  // input falls silent, at the current sample rate: the tail the formats
  // that ask for one (CLAP, VST3) report. VST 2 answers tailSize.
  virtual uint32_t TailFrames() const { return tailSize > 0 ? static_cast<uint32_t>(tailSize) : 0; }

  // Parameters. [any thread; no lock: the list never changes after construction]
  int ParameterCount() const { return parameters.Count(); }
  Parameter* ParamAt(int index) const { return parameters.Get(index); }
  // The parameters that formats listing them to the host (CLAP, VST3) show,
  // in index order: the initialised, named ones. A host's id for one is its
  // index. [any thread; no lock]
  bool IsHostParameter(int index) const;
  int HostParameterCount() const;
  // The index of the position-th host parameter, or -1.
  int HostParameterAt(int position) const;
  // [any thread; PlugLock held]
  void NotifyAllParamsChanged();

  // A press gesture of the editor, as the host must hear it: begin, the
  // values (SetParameterFromEditor), end, one parameter at a time. A begin
  // while that edit is open, or an end without its begin, is an editor
  // fault: debug builds stop on it, others keep it from the host.
  // [editor thread; PlugLock not held: these call the host]
  void BeginEditFromEditor(int index);
  void EndEditFromEditor(int index);

  // Channels. [any thread; PlugLock held for the pins, none for the configurations]
  bool LegalIO(int inputs, int outputs) const;
  int ChannelConfigCount() const { return channelConfigs.Count(); }
  const ChannelConfig* ChannelConfigAt(int index) const { return channelConfigs.Get(index); }
  int InputPinCount() const { return inputPins.Count(); }
  int OutputPinCount() const { return outputPins.Count(); }
  ChannelPin* InputPin(int index) const { return inputPins.Get(index); }
  ChannelPin* OutputPin(int index) const { return outputPins.Get(index); }
  // [dispatcher thread or construction; PlugLock held]
  void ConnectInputs(int first, int count, bool connected);
  void ConnectOutputs(int first, int count, bool connected);
  // [any thread; PlugLock held] Frames the scratch buffers hold; set only
  // by ChangeBlockSize.
  int32_t BlockSize() const { return blockSize; }

  // [audio thread; PlugLock held] Runs ProcessBlock on host buffers; a frame
  // count beyond BlockSize() is processed in pieces of BlockSize(). accumulate
  // adds the result to the host's outputs instead of replacing.
  void ProcessFloatBlock(float** hostInputs, float** hostOutputs, int32_t frames, bool accumulate);
  void ProcessDoubleBlock(double** hostInputs, double** hostOutputs, int32_t frames);

  // The host moves a parameter (automation, a preset of its own): the
  // editor follows, the parameter takes the position and the effect its
  // value. Positions that are not finite keep the value; others are held
  // to 0..1. Out-of-range indices do nothing. [any host thread; PlugLock held]
  void SetParameterFromHost(int index, double normalised);

  // State as a host keeps it. [any thread; PlugLock held]
  // The bank: header, then every preset, the current one taking the current
  // values first. False when it cannot be written whole.
  bool SaveBank(StateChunk& chunk);
  // A bank, or a program with or without its header (also a bank without a
  // header or of an older format, read as a single state); the editor
  // follows. The position after what was read, or -1.
  int32_t LoadChunk(const StateChunk& chunk, bool bank);
  // A state a host hands back whole or not at all: as LoadChunk for a bank,
  // but a chunk without the header, or one that cannot be read, leaves
  // every value and preset as it was.
  bool RestoreBank(const StateChunk& chunk);
  // [the host's main or UI thread; takes PlugLock for the restore only: the
  // stream is the host's and is read without it] Reads the whole state
  // (kMaxStateBytes at most) and restores it as RestoreBank does; false,
  // every value and preset as it was, when it cannot.
  bool RestoreBankFrom(StateSource& source);

  // State and presets.
  // [any thread; takes PlugLock]
  bool SerializeParams(StateChunk& chunk);
  int32_t UnserializeParams(const StateChunk& chunk, int32_t position);
  // [dispatcher thread or construction; PlugLock held]
  bool SerializePresets(StateChunk& chunk);
  int32_t UnserializePresets(const StateChunk& chunk, int32_t position);
  void ModifyCurrentPreset(const char* name = nullptr);
  bool LoadPreset(int index);
  const char* PresetNameAt(int index) const;
  void FillEmptyPresets(const char* name, int count);
  int PresetCount() const { return presets.Count(); }
  Preset* PresetAt(int index) const { return presets.Get(index); }

  // [construction, before the host can reach the effect; no lock] The
  // adapter that drives this effect, and its kind; it outlives the effect's
  // use of it (the adapter deletes the effect first).
  void BindHost(IHostBinding* binding, int32_t kind);
  IHostBinding* Host() const { return host; }

  // [any thread; no lock]
  PlugLock& Lock() { return lock; }
  // [any thread; no lock: attached once at construction, gone only with the instance]
  IEditorLink* Editor() const { return editor; }

 protected:
  OwnedList<ChannelConfig> channelConfigs;
  PlugLock lock;

 public:
  // Identity and host-facing settings, read and written by the adapter
  // [dispatcher thread; PlugLock held].
  char effectName[128] = "";
  char productName[128] = "";
  char makerName[128] = "";
  int32_t uniqueId = 0;
  int32_t makerId = 0;
  int32_t version = 0;
  int32_t adapterKind = 0;
  HostKind hostKind = HostNotAsked;
  int32_t hostVersion = 0;
  bool isInstrument = false;
  bool acceptsMidi = false;
  int32_t currentPreset = 0;
  double sampleRate = 44100.0;
  int32_t latency = 0;
  int32_t tailSize = 0;

 protected:
  IHostBinding* host = nullptr;  // not owned
  IEditorLink* editor = nullptr;
  OwnedList<Parameter> parameters;
  OwnedList<Preset> presets;
  GrowBuffer inputChannels{4096};   // double* per input pin
  GrowBuffer outputChannels{4096};  // double* per output pin
  OwnedList<ChannelPin> inputPins;
  OwnedList<ChannelPin> outputPins;

  double** InputChannels() const { return static_cast<double**>(inputChannels.Data()); }
  double** OutputChannels() const { return static_cast<double**>(outputChannels.Data()); }

 private:
  void CreatePins(int inputCount, int outputCount);
  bool ResizeScratch(int32_t frames);
  void PointEntriesAtScratch();
  // One piece of a block, at most blockSize frames from offset on.
  void AttachFloatBuffers(float** hostInputs, float** hostOutputs, int32_t offset, int32_t frames);
  void ReturnFloatOutputs(int32_t offset, int32_t frames, bool accumulate);
  void AttachDoubleBuffers(double** hostInputs, double** hostOutputs, int32_t offset,
                           int32_t frames);

  int32_t blockSize = 0;
  // Per parameter: the host has heard an edit begin and not yet end.
  std::unique_ptr<std::atomic<bool>[]> openEdits;
  // Marks the edit open (true) or closed (false); false when it already was.
  bool ChangeEditState(int index, bool open);
};

}  // namespace veltrax
