#pragma once
// Drives an effect (a plug-in base) through the VST3 interface: one object
// that is the host's component (IComponent, IAudioProcessor) and its own
// edit controller (IEditController), and the effect's host binding. It owns
// the effect; hosts hold it by reference count, the last release deletes it.
//
// Threads: the host's UI thread calls everything but process(), which comes
// on its audio thread. PlugLock serialises them; the host is never called
// with it held, and the audio thread calls the host not at all.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "EffectBase.h"
#include "Vst3Abi.h"

namespace veltrax {

class Vst3PlugView;

// IComponent and IEditController both have setState and getState: these two
// give the component's pair names of their own.
template <class Owner>
class ComponentStateNames : public vst3::IComponent {
 public:
  vst3::tresult VST3_CALL setState(vst3::IBStream* state) override {
    return static_cast<Owner*>(this)->SetComponentStream(state);
  }
  vst3::tresult VST3_CALL getState(vst3::IBStream* state) override {
    return static_cast<Owner*>(this)->GetComponentStream(state);
  }
};

template <class Owner>
class ControllerStateNames : public vst3::IEditController {
 public:
  vst3::tresult VST3_CALL setState(vst3::IBStream* state) override {
    return static_cast<Owner*>(this)->SetControllerStream(state);
  }
  vst3::tresult VST3_CALL getState(vst3::IBStream* state) override {
    return static_cast<Owner*>(this)->GetControllerStream(state);
  }
};

// Thread tags: [who calls; which lock]. "UI thread" is the host's
// user-interface thread, where it creates, sets up and edits the plug-in.
class IEffectVST3 final : public ComponentStateNames<IEffectVST3>,
                          public vst3::IAudioProcessor,
                          public ControllerStateNames<IEffectVST3>,
                          public IHostBinding {
 public:
  using tresult = vst3::tresult;

  // [any host thread; creation lock held] Takes ownership of plug and binds
  // itself to it; the object starts with one reference, the caller's.
  explicit IEffectVST3(IEffectBase* plug);
  IEffectVST3(const IEffectVST3&) = delete;
  IEffectVST3& operator=(const IEffectVST3&) = delete;

  // FUnknown. [any thread; no lock]
  tresult VST3_CALL queryInterface(const vst3::TUID interfaceId, void** obj) override;
  uint32_t VST3_CALL addRef() override;
  uint32_t VST3_CALL release() override;

  // IModulePart, shared by component and controller. [UI thread; takes
  // PlugLock, asks the host who it is without it]
  tresult VST3_CALL initialize(vst3::FUnknown* context) override;
  tresult VST3_CALL terminate() override;

  // IComponent. [UI thread; takes PlugLock]
  tresult VST3_CALL getControllerClassId(vst3::TUID classId) override;
  tresult VST3_CALL setIoMode(vst3::IoMode mode) override;
  int32_t VST3_CALL getBusCount(vst3::MediaType type, vst3::BusDirection dir) override;
  tresult VST3_CALL getBusInfo(vst3::MediaType type, vst3::BusDirection dir, int32_t index,
                               vst3::BusInfo& bus) override;
  tresult VST3_CALL getRoutingInfo(vst3::RoutingInfo& inInfo, vst3::RoutingInfo& outInfo) override;
  tresult VST3_CALL activateBus(vst3::MediaType type, vst3::BusDirection dir, int32_t index,
                                vst3::TBool state) override;
  tresult VST3_CALL setActive(vst3::TBool state) override;
  // [UI thread; takes PlugLock for the state only: the stream is the host's]
  tresult SetComponentStream(vst3::IBStream* stream);
  tresult GetComponentStream(vst3::IBStream* stream);

  // IAudioProcessor. [UI thread; takes PlugLock]
  tresult VST3_CALL setBusArrangements(vst3::SpeakerArrangement* inputs, int32_t numIns,
                                       vst3::SpeakerArrangement* outputs, int32_t numOuts) override;
  tresult VST3_CALL getBusArrangement(vst3::BusDirection dir, int32_t index,
                                      vst3::SpeakerArrangement& arr) override;
  tresult VST3_CALL canProcessSampleSize(int32_t symbolicSampleSize) override;
  uint32_t VST3_CALL getLatencySamples() override;
  tresult VST3_CALL setupProcessing(vst3::ProcessSetup& setup) override;
  tresult VST3_CALL setProcessing(vst3::TBool state) override;
  // [audio thread; takes PlugLock per stretch between parameter points,
  // reads the host's parameter queues without it]
  tresult VST3_CALL process(vst3::ProcessData& data) override;
  uint32_t VST3_CALL getTailSamples() override;

  // IEditController. [UI thread; takes PlugLock]
  tresult VST3_CALL setComponentState(vst3::IBStream* state) override;
  tresult SetControllerStream(vst3::IBStream* stream);
  tresult GetControllerStream(vst3::IBStream* stream);
  int32_t VST3_CALL getParameterCount() override;
  tresult VST3_CALL getParameterInfo(int32_t paramIndex, vst3::ParameterInfo& info) override;
  tresult VST3_CALL getParamStringByValue(vst3::ParamID id, vst3::ParamValue valueNormalized,
                                          vst3::String128 string) override;
  tresult VST3_CALL getParamValueByString(vst3::ParamID id, vst3::TChar* string,
                                          vst3::ParamValue& valueNormalized) override;
  vst3::ParamValue VST3_CALL normalizedParamToPlain(vst3::ParamID id,
                                                    vst3::ParamValue valueNormalized) override;
  vst3::ParamValue VST3_CALL plainParamToNormalized(vst3::ParamID id,
                                                    vst3::ParamValue plainValue) override;
  vst3::ParamValue VST3_CALL getParamNormalized(vst3::ParamID id) override;
  tresult VST3_CALL setParamNormalized(vst3::ParamID id, vst3::ParamValue value) override;
  // [UI thread; no PlugLock: swaps the handler under a lock of its own]
  tresult VST3_CALL setComponentHandler(vst3::IComponentHandler* handler) override;
  // [UI thread; no lock]
  vst3::IEditorView* VST3_CALL createView(vst3::FIDString name) override;

  // IHostBinding: the editor's gestures reach the component handler.
  // [editor input thread (the UI thread with a host run loop); PlugLock not held]
  void BeginParameterEdit(int index) override;
  void NotifyHostParam(int index, double normalised) override;
  void EndParameterEdit(int index) override;
  // [any thread; no lock]
  bool IsRenderingOffline() override;
  // [UI thread; PlugLock not held] Answers what initialize learnt.
  HostKind IdentifyHost() override;
  // [UI thread; PlugLock not held] Through the open view's frame.
  bool ResizeEditorWindow(int width, int height) override;

  // [any thread; no lock] The effect this adapter drives.
  IEffectBase* Plugin() const { return plug; }
  // [UI thread; no lock] The view tells its component it is gone.
  void ViewClosed(Vst3PlugView* closing);

 private:
  // [last release; no lock] Deletes the effect.
  ~IEffectVST3();

  // Host parameter id (the effect's parameter index) as the index, or -1
  // for an id hosts do not see. [any thread; no lock]
  int IndexForId(vst3::ParamID id) const;
  // [PlugLock held] The controller's values follow the effect's.
  void SyncControllerValues();
  // The buses of one block, as process() found them when it checked them.
  struct BlockBuses {
    int32_t channels = 2;
    bool input = false;  // an active input bus takes part
  };
  // [audio thread; PlugLock held] frames of the host's buffers from offset on.
  void RunFrames(const vst3::ProcessData& data, const BlockBuses& buses, int32_t offset,
                 int32_t frames);
  // [editor input thread; PlugLock not held] The handler an edit's step
  // goes to, with a reference of the caller's, or none. kBegin ties the
  // edit to the current handler, kEnd unties it.
  enum class EditStep { kBegin, kValue, kEnd };
  vst3::IComponentHandler* EditHandler(int index, EditStep step);

  IEffectBase* const plug;  // owned
  std::atomic<uint32_t> references{1};

  // The controller's normalised values by effect index. [PlugLock held]
  std::unique_ptr<double[]> controllerValues;

  // [PlugLock held]
  int initialised = 0;   // initialize calls not yet terminated
  bool active = false;
  int32_t channels = 2;  // per bus: 2 stereo, 1 mono
  bool inputBusActive = true;
  bool outputBusActive = true;
  std::atomic<int32_t> processMode{vst3::kRealtime};

  std::mutex handlerMutex;  // guards the handlers; never held while calling one
  vst3::IComponentHandler* handler = nullptr;  // one reference of ours
  // Per parameter: the handler that heard the open edit's begin, with a
  // reference of ours; none while no edit is open.
  std::unique_ptr<vst3::IComponentHandler*[]> editHandlers;

  Vst3PlugView* view = nullptr;  // [UI thread] the open view, not owned
};

// The effect of this library driven as a VST3 component, with one
// reference for the caller; none when it cannot be made. [any host thread;
// creation lock held]
IEffectVST3* CreateVst3Instance();

}  // namespace veltrax
