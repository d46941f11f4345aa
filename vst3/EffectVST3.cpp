// The component: lifetime and interfaces, initialisation, buses, the
// processing setup and the effect's calls to the host. Parameters, audio,
// state and the view live in files of their own.

#include "EffectVST3.h"

#include <cmath>
#include <cstring>
#include <new>

#include "PlugView.h"
#include "Vst3Identity.h"
#include "Vst3Text.h"

namespace veltrax {

using namespace vst3;

namespace {

int32_t ChannelsOf(SpeakerArrangement arrangement) {
  if (arrangement == SpeakerArr::kStereo) return 2;
  if (arrangement == SpeakerArr::kMono) return 1;
  return 0;
}

}  // namespace

IEffectVST3::IEffectVST3(IEffectBase* plugin)
    : plug(plugin),
      controllerValues(new double[plugin->ParameterCount()]),
      editHandlers(new IComponentHandler*[plugin->ParameterCount()]()) {
  plug->BindHost(this, kAdapterVst3);
  PlugLockGuard guard(plug->Lock());
  SyncControllerValues();
}

// The effect goes first, with its editor (whose close ends a gesture left
// open). No view is left open: each holds a reference to this object.
IEffectVST3::~IEffectVST3() {
  { PlugLockGuard wait(plug->Lock()); }  // no block or edit is still inside
  const int parameterCount = plug->ParameterCount();
  delete plug;
  for (int i = 0; i < parameterCount; ++i) {
    if (editHandlers[i] != nullptr) editHandlers[i]->release();
  }
  if (handler != nullptr) handler->release();
}

tresult IEffectVST3::queryInterface(const TUID interfaceId, void** obj) {
  if (obj == nullptr) return kInvalidArgument;
  *obj = nullptr;
  if (interfaceId == nullptr) return kInvalidArgument;
  if (tuidsEqual(interfaceId, FUnknown::iid) || tuidsEqual(interfaceId, IModulePart::iid) ||
      tuidsEqual(interfaceId, IComponent::iid)) {
    *obj = static_cast<IComponent*>(this);
  } else if (tuidsEqual(interfaceId, IAudioProcessor::iid)) {
    *obj = static_cast<IAudioProcessor*>(this);
  } else if (tuidsEqual(interfaceId, IEditController::iid)) {
    *obj = static_cast<IEditController*>(this);
  } else {
    return kNoInterface;
  }
  addRef();
  return kResultOk;
}

uint32_t IEffectVST3::addRef() { return references.fetch_add(1, std::memory_order_relaxed) + 1; }

uint32_t IEffectVST3::release() {
  const uint32_t left = references.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) delete this;
  return left;
}

// Hosts that treat the one object as both component and controller may
// initialise it twice: only the first call sets it up, the last terminate
// ends it.
tresult IEffectVST3::initialize(FUnknown* context) {
  {
    PlugLockGuard guard(plug->Lock());
    if (initialised++ > 0) return kResultOk;
  }
  if (context != nullptr) {
    IHostApplication* application = nullptr;
    if (context->queryInterface(IHostApplication::iid, reinterpret_cast<void**>(&application)) ==
            kResultOk &&
        application != nullptr) {
      String128 name{};
      char product[256] = "";
      if (application->getName(name) == kResultOk) Utf16ToUtf8(name, 128, product, sizeof product);
      application->release();
      const HostKind kind = LookUpHostKind(product);
      PlugLockGuard guard(plug->Lock());
      plug->hostKind = kind;
    }
  }
  PlugLockGuard guard(plug->Lock());
  if (plug->hostKind == HostNotAsked) plug->hostKind = Unknown;
  plug->HostKnown();
  // The opening pass every format makes: the effect designs its filters
  // from the parameter values before any audio.
  plug->NotifyAllParamsChanged();
  SyncControllerValues();
  return kResultOk;
}

tresult IEffectVST3::terminate() {
  bool last = false;
  {
    PlugLockGuard guard(plug->Lock());
    if (initialised == 0) return kResultFalse;
    last = --initialised == 0;
    if (last && active) {
      active = false;
      plug->ActivationChanged(false);
    }
  }
  if (last) setComponentHandler(nullptr);
  return kResultOk;
}

tresult IEffectVST3::getControllerClassId(TUID classId) {
  // The component is its own controller: there is no class to name.
  if (classId != nullptr) std::memset(classId, 0, sizeof(TUID));
  return kResultFalse;
}

tresult IEffectVST3::setIoMode(IoMode /*mode*/) { return kResultOk; }

int32_t IEffectVST3::getBusCount(MediaType type, BusDirection dir) {
  if (type == kAudio && (dir == kInput || dir == kOutput)) return 1;
  return 0;
}

tresult IEffectVST3::getBusInfo(MediaType type, BusDirection dir, int32_t index, BusInfo& bus) {
  if (type != kAudio || (dir != kInput && dir != kOutput) || index != 0) return kInvalidArgument;
  std::memset(&bus, 0, sizeof bus);
  bus.mediaType = kAudio;
  bus.direction = dir;
  {
    PlugLockGuard guard(plug->Lock());
    bus.channelCount = channels;
  }
  Utf8ToUtf16(dir == kInput ? "Input" : "Output", bus.name, 128);
  bus.busType = kMain;
  bus.flags = BusInfo::kDefaultActive;
  return kResultOk;
}

tresult IEffectVST3::getRoutingInfo(RoutingInfo& /*inInfo*/, RoutingInfo& /*outInfo*/) {
  return kNotImplemented;  // no event buses to route
}

tresult IEffectVST3::activateBus(MediaType type, BusDirection dir, int32_t index, TBool state) {
  if (type != kAudio || index != 0) return kInvalidArgument;
  PlugLockGuard guard(plug->Lock());
  if (dir == kInput) {
    inputBusActive = state != 0;
  } else if (dir == kOutput) {
    outputBusActive = state != 0;
  } else {
    return kInvalidArgument;
  }
  return kResultOk;
}

tresult IEffectVST3::setActive(TBool state) {
  PlugLockGuard guard(plug->Lock());
  const bool activate = state != 0;
  if (initialised == 0) return kNotInitialized;
  if (activate == active) return kResultFalse;
  active = activate;
  if (activate) {
    plug->ActivationChanged(true);
  } else {
    plug->Deactivate();
  }
  return kResultOk;
}

// Stereo in and out, or mono in and out (the left channel alone, as the
// VST 2 plug-in runs one input and one output); nothing else.
tresult IEffectVST3::setBusArrangements(SpeakerArrangement* inputs, int32_t numIns,
                                        SpeakerArrangement* outputs, int32_t numOuts) {
  if (numIns != 1 || numOuts != 1 || inputs == nullptr || outputs == nullptr) return kResultFalse;
  const int32_t count = ChannelsOf(inputs[0]);
  if (count == 0 || ChannelsOf(outputs[0]) != count) return kResultFalse;
  PlugLockGuard guard(plug->Lock());
  if (active) return kResultFalse;
  channels = count;
  const int pins = plug->InputPinCount();
  plug->ConnectInputs(0, count, true);
  plug->ConnectInputs(count, pins - count, false);
  plug->ConnectOutputs(0, count, true);
  plug->ConnectOutputs(count, plug->OutputPinCount() - count, false);
  return kResultTrue;
}

tresult IEffectVST3::getBusArrangement(BusDirection dir, int32_t index, SpeakerArrangement& arr) {
  if ((dir != kInput && dir != kOutput) || index != 0) return kInvalidArgument;
  PlugLockGuard guard(plug->Lock());
  arr = channels == 1 ? SpeakerArr::kMono : SpeakerArr::kStereo;
  return kResultOk;
}

tresult IEffectVST3::canProcessSampleSize(int32_t symbolicSampleSize) {
  return symbolicSampleSize == kSample32 || symbolicSampleSize == kSample64 ? kResultTrue
                                                                           : kResultFalse;
}

uint32_t IEffectVST3::getLatencySamples() {
  PlugLockGuard guard(plug->Lock());
  return plug->latency > 0 ? static_cast<uint32_t>(plug->latency) : 0;
}

uint32_t IEffectVST3::getTailSamples() {
  PlugLockGuard guard(plug->Lock());
  const uint32_t tail = plug->TailFrames();
  return tail > 0 ? tail : kNoTail;
}

// As the VST 2 plug-in takes effSetSampleRate and effSetBlockSize. A block
// size beyond kMaxBlockFrames is refused here; larger blocks than announced
// are still processed, in pieces.
tresult IEffectVST3::setupProcessing(ProcessSetup& setup) {
  const bool rateUsable = std::isfinite(setup.sampleRate) && setup.sampleRate > 0.0;
  if (!rateUsable || setup.maxSamplesPerBlock < 1 || setup.maxSamplesPerBlock > kMaxBlockFrames ||
      canProcessSampleSize(setup.symbolicSampleSize) != kResultTrue)
    return kInvalidArgument;
  PlugLockGuard guard(plug->Lock());
  if (active) return kResultFalse;
  processMode.store(setup.processMode, std::memory_order_relaxed);
  plug->PrepareProcessing(setup.sampleRate, setup.maxSamplesPerBlock);
  return kResultOk;
}

// Hosts differ in whether they announce processing at all: process() needs
// only an active component, so this merely checks the state.
tresult IEffectVST3::setProcessing(TBool /*state*/) {
  PlugLockGuard guard(plug->Lock());
  return active ? kResultOk : kNotInitialized;
}

bool IEffectVST3::IsRenderingOffline() {
  return processMode.load(std::memory_order_relaxed) == kOffline;
}

HostKind IEffectVST3::IdentifyHost() {
  PlugLockGuard guard(plug->Lock());
  return plug->hostKind;
}

// ---------------------------------------------------------------- edits

tresult IEffectVST3::setComponentHandler(IComponentHandler* newHandler) {
  if (newHandler != nullptr) newHandler->addRef();
  IComponentHandler* old = nullptr;
  {
    std::lock_guard<std::mutex> guard(handlerMutex);
    old = handler;
    handler = newHandler;
  }
  if (old != nullptr) old->release();
  return kResultOk;
}

// An edit belongs to the handler that heard its begin: its values and its
// end go there, also when the host swaps handlers or terminates in the
// middle of it, and an edit whose begin no handler heard sends nothing.
// The host is called with the lock released, each handler kept alive by a
// reference of ours for the call.
IComponentHandler* IEffectVST3::EditHandler(int index, EditStep step) {
  std::lock_guard<std::mutex> guard(handlerMutex);
  IComponentHandler*& owner = editHandlers[index];
  if (step == EditStep::kBegin) {
    if (owner != nullptr || handler == nullptr) return nullptr;
    owner = handler;
    owner->addRef();  // the edit's, released after its end
  }
  IComponentHandler* h = owner;
  if (h != nullptr) h->addRef();  // the call's
  if (step == EditStep::kEnd && owner != nullptr) {
    owner->release();  // the edit's; the call's still holds it
    owner = nullptr;
  }
  return h;
}

void IEffectVST3::BeginParameterEdit(int index) {
  VELTRAX_ASSERT_UNLOCKED(plug->Lock());
  if (IndexForId(static_cast<ParamID>(index)) < 0) return;
  if (IComponentHandler* h = EditHandler(index, EditStep::kBegin)) {
    h->beginEdit(static_cast<ParamID>(index));
    h->release();
  }
}

void IEffectVST3::NotifyHostParam(int index, double normalised) {
  VELTRAX_ASSERT_UNLOCKED(plug->Lock());
  if (IndexForId(static_cast<ParamID>(index)) < 0) return;
  {
    PlugLockGuard guard(plug->Lock());
    controllerValues[index] = normalised;
  }
  if (IComponentHandler* h = EditHandler(index, EditStep::kValue)) {
    h->performEdit(static_cast<ParamID>(index), normalised);
    h->release();
  }
}

void IEffectVST3::EndParameterEdit(int index) {
  VELTRAX_ASSERT_UNLOCKED(plug->Lock());
  if (IndexForId(static_cast<ParamID>(index)) < 0) return;
  if (IComponentHandler* h = EditHandler(index, EditStep::kEnd)) {
    h->endEdit(static_cast<ParamID>(index));
    h->release();
  }
}

// ---------------------------------------------------------------- view

IEditorView* IEffectVST3::createView(FIDString name) {
  if (name == nullptr || std::strcmp(name, ViewType::kEditor) != 0) return nullptr;
  // One window per editor: a second view while the first lives gets none.
  if (plug->Editor() == nullptr || view != nullptr) return nullptr;
  view = new (std::nothrow) Vst3PlugView(this);
  return view;
}

void IEffectVST3::ViewClosed(Vst3PlugView* closing) {
  if (view == closing) view = nullptr;
}

bool IEffectVST3::ResizeEditorWindow(int width, int height) {
  VELTRAX_ASSERT_UNLOCKED(plug->Lock());
  return view != nullptr && view->RequestResize(width, height);
}

}  // namespace veltrax
