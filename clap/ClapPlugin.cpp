// The CLAP adapter's instance: the record, its lifecycle, the edit queue,
// the host binding and the host's run loop for the editor.

#include "ClapPlugin.h"

#include <cassert>
#include <cmath>
#include <cstring>

#include "ClapCalls.h"

namespace veltrax {

// ---------------------------------------------------------------------------
// The edit queue

bool ClapEditQueue::Push(const ClapEdit& edit) {
  const uint32_t at = tail.load(std::memory_order_relaxed);
  if (at - head.load(std::memory_order_acquire) >= kCapacity) return false;
  slots[at % kCapacity] = edit;
  tail.store(at + 1, std::memory_order_release);
  return true;
}

bool ClapEditQueue::Pop(ClapEdit& edit) {
  const uint32_t at = head.load(std::memory_order_relaxed);
  if (at == tail.load(std::memory_order_acquire)) return false;
  edit = slots[at % kCapacity];
  head.store(at + 1, std::memory_order_release);
  return true;
}

uint32_t ClapEditQueue::Free() const {
  return kCapacity - (tail.load(std::memory_order_acquire) - head.load(std::memory_order_acquire));
}

// ---------------------------------------------------------------------------
// The instance

ClapPlugin::ClapPlugin(const clap_host* newHost, const clap_plugin_descriptor* descriptor,
                       IEffectBase* effect)
    : host(newHost), plug(effect), mainThread(std::this_thread::get_id()) {
  record.desc = descriptor;
  record.plugin_data = this;
  ClapCalls::FillRecord(record);
  plug->BindHost(this, kAdapterClap);
}

ClapPlugin::~ClapPlugin() {
  // A window left open goes while the effect is whole, so that its thread
  // and a gesture held in it end cleanly.
  destroying.store(true);
  if (IEditorLink* editor = plug->Editor()) editor->CloseWindow();
  delete plug;
}

ClapPlugin* ClapPlugin::From(const clap_plugin* plugin) {
  return plugin != nullptr ? static_cast<ClapPlugin*>(plugin->plugin_data) : nullptr;
}

bool ClapPlugin::OnMainThread() const {
  const bool main = threadCheck != nullptr && threadCheck->is_main_thread != nullptr
                        ? threadCheck->is_main_thread(host)
                        : std::this_thread::get_id() == mainThread;
  assert(main && "a main-thread function called elsewhere");
  return main;
}

bool ClapPlugin::OnAudioThread() const {
  const bool audio = threadCheck == nullptr || threadCheck->is_audio_thread == nullptr ||
                     threadCheck->is_audio_thread(host);
  assert(audio && "an audio-thread function called elsewhere");
  return audio;
}

HostKind ClapPlugin::IdentifyHost() {
  PlugLockGuard guard(plug->Lock());
  if (plug->hostKind == HostNotAsked) {
    plug->hostKind = LookUpHostKind(host->name != nullptr ? host->name : "");
    plug->hostVersion = 0;
  }
  return plug->hostKind;
}

// ---------------------------------------------------------------------------
// Values

// A stepped parameter's CLAP value is the plain value it takes from the
// position: on its step.
double ClapPlugin::ClapValueFromNormalised(const Parameter& param, double normalised) {
  return param.type == Double ? normalised : param.ValueForPosition(normalised);
}

// A value that is not a number stays one, so that the effect ignores it
// rather than taking the range's start.
double ClapPlugin::NormalisedFromClapValue(const Parameter& param, double value) {
  return param.type == Double || !std::isfinite(value) ? value : param.Normalize(value);
}

Parameter* ClapPlugin::HostParameter(clap_id id) const {
  if (id > static_cast<clap_id>(INT32_MAX) || !plug->IsHostParameter(static_cast<int>(id))) return nullptr;
  return plug->ParamAt(static_cast<int>(id));
}

// ---------------------------------------------------------------------------
// Edits from the editor

// A host that takes none of the edits for a long while fills the queue.
// An edit is only begun with room for its end, and values always leave
// that room, so the host never sees a begin without its end; edits that
// find no room are left out whole.
void ClapPlugin::BeginParameterEdit(int index) {
  const Parameter* param = plug->ParamAt(index);
  if (param == nullptr || !param->IsForHost() || index >= 64 || edits.Free() < 2) return;
  if (edits.Push(ClapEdit{CLAP_EVENT_PARAM_GESTURE_BEGIN, static_cast<clap_id>(index), 0.0}))
    openEdits.fetch_or(uint64_t{1} << index, std::memory_order_relaxed);
}

void ClapPlugin::NotifyHostParam(int index, double normalised) {
  const Parameter* param = plug->ParamAt(index);
  if (param == nullptr || index < 0 || index >= 64) return;
  if ((openEdits.load(std::memory_order_relaxed) & (uint64_t{1} << index)) == 0) return;
  if (edits.Free() < 2) return;
  edits.Push(ClapEdit{CLAP_EVENT_PARAM_VALUE, static_cast<clap_id>(index),
                      ClapValueFromNormalised(*param, normalised)});
  RequestFlush();
}

void ClapPlugin::EndParameterEdit(int index) {
  if (index < 0 || index >= 64) return;
  const uint64_t bit = uint64_t{1} << index;
  if ((openEdits.fetch_and(~bit, std::memory_order_relaxed) & bit) == 0) return;
  edits.Push(ClapEdit{CLAP_EVENT_PARAM_GESTURE_END, static_cast<clap_id>(index), 0.0});
  RequestFlush();
}

// The next process takes the edits; a host that is not processing (or
// sleeps) flushes instead. Never from the audio thread, as the host asks.
void ClapPlugin::RequestFlush() {
  if (destroying.load()) return;
  if (hostParams != nullptr && hostParams->request_flush != nullptr) hostParams->request_flush(host);
}

void ClapPlugin::SendEdits(const clap_output_events* out) {
  ClapEdit edit;
  while (edits.Pop(edit)) {
    if (out == nullptr || out->try_push == nullptr) continue;
    if (edit.type == CLAP_EVENT_PARAM_VALUE) {
      clap_event_param_value event{};
      event.header = {sizeof event, 0, CLAP_CORE_EVENT_SPACE_ID, edit.type, 0};
      event.param_id = edit.param;
      event.note_id = -1;
      event.port_index = event.channel = event.key = -1;
      event.value = edit.value;
      out->try_push(out, &event.header);
    } else {
      clap_event_param_gesture event{};
      event.header = {sizeof event, 0, CLAP_CORE_EVENT_SPACE_ID, edit.type, 0};
      event.param_id = edit.param;
      out->try_push(out, &event.header);
    }
  }
}

bool ClapPlugin::ResizeEditorWindow(int width, int height) {
  if (hostGui == nullptr || hostGui->request_resize == nullptr || width <= 0 || height <= 0) return false;
  return hostGui->request_resize(host, static_cast<uint32_t>(width), static_cast<uint32_t>(height));
}

// ---------------------------------------------------------------------------
// The host's run loop for the editor

bool ClapPlugin::RegisterTimer(int periodMilliseconds) {
  if (hostTimers == nullptr || hostTimers->register_timer == nullptr || periodMilliseconds <= 0)
    return false;
  clap_id id = CLAP_INVALID_ID;
  if (!hostTimers->register_timer(host, static_cast<uint32_t>(periodMilliseconds), &id) ||
      id == CLAP_INVALID_ID) {
    return false;
  }
  timerId = id;
  return true;
}

void ClapPlugin::UnregisterTimer() {
  if (timerId == CLAP_INVALID_ID) return;
  if (hostTimers != nullptr && hostTimers->unregister_timer != nullptr)
    hostTimers->unregister_timer(host, timerId);
  timerId = CLAP_INVALID_ID;
}

bool ClapPlugin::RegisterFd(int fd) {
  if (hostFds == nullptr || hostFds->register_fd == nullptr || fd < 0) return false;
  if (!hostFds->register_fd(host, fd, CLAP_POSIX_FD_READ | CLAP_POSIX_FD_ERROR)) return false;
  watchedFd = fd;
  return true;
}

void ClapPlugin::UnregisterFd(int fd) {
  if (fd < 0 || fd != watchedFd) return;
  if (hostFds != nullptr && hostFds->unregister_fd != nullptr) hostFds->unregister_fd(host, fd);
  watchedFd = -1;
}

void ClapPlugin::ChooseConfiguration(uint32_t index) {
  configuration = index;
  // Mono: the first pins take the host's one channel; the right chain runs
  // on silence into scratch, as VST 2's 1-in/1-out does.
  const bool mono = index == 1;
  PlugLockGuard guard(plug->Lock());
  plug->ConnectInputs(0, 1, true);
  plug->ConnectOutputs(0, 1, true);
  plug->ConnectInputs(1, plug->InputPinCount() - 1, !mono);
  plug->ConnectOutputs(1, plug->OutputPinCount() - 1, !mono);
}

}  // namespace veltrax
