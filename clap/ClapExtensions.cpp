// The CLAP instance's record functions apart from process, and its
// extensions: params, audio ports and their configurations, state,
// latency, tail, render, gui with the host's timer and descriptors.

#include <cmath>
#include <cstdint>
#include <cstring>

#include "ClapCalls.h"
#include "ClapWindowApi.h"
#include "TextCopy.h"

namespace veltrax {

namespace {

constexpr uint32_t kConfigurationCount = 2;  // stereo, mono

const clap_plugin_params kParams = {
    &ClapCalls::ParamCount, &ClapCalls::ParamInfo,   &ClapCalls::ParamValue,
    &ClapCalls::ValueToText, &ClapCalls::TextToValue, &ClapCalls::Flush,
};
const clap_plugin_audio_ports kPorts = {&ClapCalls::PortCount, &ClapCalls::PortInfo};
const clap_plugin_audio_ports_config kConfigs = {&ClapCalls::ConfigCount, &ClapCalls::ConfigInfo,
                                                 &ClapCalls::SelectConfig};
const clap_plugin_state kState = {&ClapCalls::SaveState, &ClapCalls::LoadState};
const clap_plugin_latency kLatency = {&ClapCalls::Latency};
const clap_plugin_tail kTail = {&ClapCalls::Tail};
const clap_plugin_render kRender = {&ClapCalls::HardRealtime, &ClapCalls::SetRenderMode};
const clap_plugin_gui kGui = {
    &ClapCalls::GuiApiSupported, &ClapCalls::GuiPreferredApi, &ClapCalls::GuiCreate,
    &ClapCalls::GuiDestroy,      &ClapCalls::GuiSetScale,     &ClapCalls::GuiGetSize,
    &ClapCalls::GuiCanResize,    &ClapCalls::GuiResizeHints,  &ClapCalls::GuiAdjustSize,
    &ClapCalls::GuiSetSize,      &ClapCalls::GuiSetParent,    &ClapCalls::GuiSetTransient,
    &ClapCalls::GuiSuggestTitle, &ClapCalls::GuiShow,         &ClapCalls::GuiHide,
};
const clap_plugin_timer_support kTimers = {&ClapCalls::OnTimer};
const clap_plugin_posix_fd_support kFds = {&ClapCalls::OnFd};

template <class Extension>
const Extension* HostExtension(const clap_host* host, const char* id) {
  return static_cast<const Extension*>(host->get_extension(host, id));
}

}  // namespace

void ClapCalls::FillRecord(clap_plugin& record) {
  record.init = &Init;
  record.destroy = &Destroy;
  record.activate = &Activate;
  record.deactivate = &Deactivate;
  record.start_processing = &StartProcessing;
  record.stop_processing = &StopProcessing;
  record.reset = &Reset;
  record.process = &Process;
  record.get_extension = &GetExtension;
  record.on_main_thread = &OnMainThread;
}

// ---------------------------------------------------------------------------
// The record

// What VST 2's effOpen does: the host's extensions are looked up once, and
// every parameter designs its part of the effect.
bool ClapCalls::Init(const clap_plugin* plugin) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  if (self == nullptr || !self->OnMainThread()) return false;
  if (self->initialised) return true;
  const clap_host* host = self->host;
  self->threadCheck = HostExtension<clap_host_thread_check>(host, CLAP_EXT_THREAD_CHECK);
  self->hostParams = HostExtension<clap_host_params>(host, CLAP_EXT_PARAMS);
  self->hostGui = HostExtension<clap_host_gui>(host, CLAP_EXT_GUI);
  self->hostTimers = HostExtension<clap_host_timer_support>(host, CLAP_EXT_TIMER_SUPPORT);
  self->hostFds = HostExtension<clap_host_posix_fd_support>(host, CLAP_EXT_POSIX_FD_SUPPORT);
  self->IdentifyHost();
  {
    PlugLockGuard guard(self->plug->Lock());
    self->plug->NotifyAllParamsChanged();
  }
  self->initialised = true;
  return true;
}

void ClapCalls::Destroy(const clap_plugin* plugin) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  if (self == nullptr) return;
  self->OnMainThread();
  delete self;
}

// What VST 2's rate, block size and switch-on requests do, in that order.
bool ClapCalls::Activate(const clap_plugin* plugin, double sampleRate, uint32_t /*minFrames*/,
                         uint32_t maxFrames) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  if (self == nullptr || !self->OnMainThread() || !self->initialised || self->active.load()) return false;
  // Larger blocks than announced are still processed, in pieces.
  self->plug->PrepareProcessing(sampleRate, maxFrames);
  self->plug->ActivationChanged(true);
  self->active.store(true);
  return true;
}

void ClapCalls::Deactivate(const clap_plugin* plugin) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  if (self == nullptr || !self->OnMainThread() || !self->active.load()) return;
  self->active.store(false);
  self->plug->Deactivate();
}

// process needs only an active instance: starting and stopping only check.
bool ClapCalls::StartProcessing(const clap_plugin* plugin) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  return self != nullptr && self->OnAudioThread() && self->active.load();
}

void ClapCalls::StopProcessing(const clap_plugin* plugin) {
  if (ClapPlugin* self = ClapPlugin::From(plugin)) self->OnAudioThread();
}

void ClapCalls::Reset(const clap_plugin* plugin) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  if (self == nullptr || !self->OnAudioThread()) return;
  self->plug->Reset();
}

const void* ClapCalls::GetExtension(const clap_plugin* plugin, const char* id) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  if (self == nullptr || id == nullptr) return nullptr;
  const auto is = [id](const char* name) { return std::strcmp(id, name) == 0; };
  if (is(CLAP_EXT_PARAMS)) return &kParams;
  if (is(CLAP_EXT_AUDIO_PORTS)) return &kPorts;
  if (is(CLAP_EXT_AUDIO_PORTS_CONFIG)) return &kConfigs;
  if (is(CLAP_EXT_STATE)) return &kState;
  if (is(CLAP_EXT_LATENCY)) return &kLatency;
  if (is(CLAP_EXT_TAIL)) return &kTail;
  if (is(CLAP_EXT_RENDER)) return &kRender;
  if (is(CLAP_EXT_GUI)) return self->plug->Editor() != nullptr ? &kGui : nullptr;
  if (is(CLAP_EXT_TIMER_SUPPORT)) return &kTimers;
  if (is(CLAP_EXT_POSIX_FD_SUPPORT)) return ClapWindowUsesRunLoop() ? &kFds : nullptr;
  return nullptr;
}

void ClapCalls::OnMainThread(const clap_plugin* /*plugin*/) {}

// ---------------------------------------------------------------------------
// params: the effect's host parameters by their VST 2 index (Veltrax's 0, 1,
// 2, 3 and 7)

uint32_t ClapCalls::ParamCount(const clap_plugin* plugin) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  if (self == nullptr || !self->OnMainThread()) return 0;
  return static_cast<uint32_t>(self->plug->HostParameterCount());
}

bool ClapCalls::ParamInfo(const clap_plugin* plugin, uint32_t position, clap_param_info* info) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  if (self == nullptr || info == nullptr || !self->OnMainThread() || position > INT32_MAX)
    return false;
  const int index = self->plug->HostParameterAt(static_cast<int>(position));
  if (index < 0) return false;
  PlugLockGuard guard(self->plug->Lock());
  const Parameter& param = *self->plug->ParamAt(index);
  std::memset(info, 0, sizeof *info);
  info->id = static_cast<clap_id>(index);
  info->flags = CLAP_PARAM_IS_AUTOMATABLE;
  if (param.type != Double) info->flags |= CLAP_PARAM_IS_STEPPED;
  if (param.type == Enum || param.DisplayTextCount() > 0) info->flags |= CLAP_PARAM_IS_ENUM;
  CopyTextBounded(info->name, param.name, sizeof info->name);
  CopyTextBounded(info->module, param.group, sizeof info->module);
  info->min_value = param.type == Double ? 0.0 : param.min;
  info->max_value = param.type == Double ? 1.0 : param.max;
  info->default_value = ClapPlugin::ClapValueFromNormalised(param, param.Normalize(param.defaultValue));
  return true;
}

bool ClapCalls::ParamValue(const clap_plugin* plugin, clap_id id, double* value) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  if (self == nullptr || value == nullptr || !self->OnMainThread()) return false;
  const Parameter* param = self->HostParameter(id);
  if (param == nullptr) return false;
  PlugLockGuard guard(self->plug->Lock());
  *value = param->type == Double ? param->Normalize(param->value) : param->value;
  return true;
}

// The texts of VST 2's display for the value the parameter takes: a gain
// shows "100.00", power "on" or "off", the equaliser the step it lands on.
bool ClapCalls::ValueToText(const clap_plugin* plugin, clap_id id, double value, char* text,
                            uint32_t capacity) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  if (self == nullptr || text == nullptr || capacity == 0 || !self->OnMainThread()) return false;
  const Parameter* param = self->HostParameter(id);
  if (param == nullptr || !std::isfinite(value)) return false;
  char display[2 * Parameter::kTextSize] = "";
  PlugLockGuard guard(self->plug->Lock());
  const double normalised = ClapPlugin::NormalisedFromClapValue(*param, value);
  param->FormatPosition(normalised, display, sizeof display);
  CopyTextBounded(text, display, capacity);
  return true;
}

// The texts VST 2's text entry takes; a text that names no value (no
// digits, not one of the parameter's words) is refused.
bool ClapCalls::TextToValue(const clap_plugin* plugin, clap_id id, const char* text, double* value) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  if (self == nullptr || text == nullptr || value == nullptr || !self->OnMainThread()) return false;
  const Parameter* param = self->HostParameter(id);
  if (param == nullptr) return false;
  char bounded[256];
  CopyTextBounded(bounded, text, sizeof bounded);
  PlugLockGuard guard(self->plug->Lock());
  double plain = 0.0;
  if (!param->ValueFromHostText(bounded, &plain)) return false;
  *value = ClapPlugin::ClapValueFromNormalised(*param, param->Normalize(plain));
  return true;
}

// ---------------------------------------------------------------------------
// Audio ports: one main input and one main output, stereo or mono

uint32_t ClapCalls::PortCount(const clap_plugin* plugin, bool /*isInput*/) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  if (self == nullptr || !self->OnMainThread()) return 0;
  return 1;
}

bool ClapCalls::PortInfo(const clap_plugin* plugin, uint32_t index, bool isInput,
                         clap_audio_port_info* info) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  if (self == nullptr || info == nullptr || index != 0 || !self->OnMainThread()) return false;
  const bool mono = self->configuration == 1;
  std::memset(info, 0, sizeof *info);
  info->id = 0;
  CopyTextBounded(info->name, isInput ? "Input" : "Output", sizeof info->name);
  info->flags = CLAP_AUDIO_PORT_IS_MAIN | CLAP_AUDIO_PORT_SUPPORTS_64BITS |
                CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE;
  info->channel_count = mono ? 1 : 2;
  info->port_type = mono ? CLAP_PORT_MONO : CLAP_PORT_STEREO;
  // The whole run is read before it is written: in place is fine.
  info->in_place_pair = 0;
  return true;
}

uint32_t ClapCalls::ConfigCount(const clap_plugin* plugin) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  return self != nullptr && self->OnMainThread() ? kConfigurationCount : 0;
}

bool ClapCalls::ConfigInfo(const clap_plugin* plugin, uint32_t index, clap_audio_ports_config* config) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  if (self == nullptr || config == nullptr || index >= kConfigurationCount || !self->OnMainThread())
    return false;
  const bool mono = index == 1;
  std::memset(config, 0, sizeof *config);
  config->id = index;
  CopyTextBounded(config->name, mono ? "Mono" : "Stereo", sizeof config->name);
  config->input_port_count = 1;
  config->output_port_count = 1;
  config->has_main_input = true;
  config->main_input_channel_count = mono ? 1 : 2;
  config->main_input_port_type = mono ? CLAP_PORT_MONO : CLAP_PORT_STEREO;
  config->has_main_output = true;
  config->main_output_channel_count = mono ? 1 : 2;
  config->main_output_port_type = mono ? CLAP_PORT_MONO : CLAP_PORT_STEREO;
  return true;
}

// Only while deactivated, as the host must.
bool ClapCalls::SelectConfig(const clap_plugin* plugin, clap_id id) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  if (self == nullptr || id >= kConfigurationCount || !self->OnMainThread() || self->active.load())
    return false;
  self->ChooseConfiguration(id);
  return true;
}

// ---------------------------------------------------------------------------
// State: exactly VST 2's bank chunk

bool ClapCalls::SaveState(const clap_plugin* plugin, const clap_ostream* stream) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  if (self == nullptr || stream == nullptr || stream->write == nullptr || !self->OnMainThread())
    return false;
  StateChunk chunk;
  {
    PlugLockGuard guard(self->plug->Lock());
    if (!self->plug->SaveBank(chunk)) return false;
  }
  // Written outside the lock: the stream is the host's.
  const uint8_t* bytes = chunk.Data();
  uint64_t left = static_cast<uint64_t>(chunk.Size());
  while (left > 0) {
    const int64_t written = stream->write(stream, bytes, left);
    if (written <= 0 || static_cast<uint64_t>(written) > left) return false;
    bytes += written;
    left -= static_cast<uint64_t>(written);
  }
  return true;
}

namespace {

// The host's stream: it answers the bytes read, 0 at its end, less than 0
// on an error.
class ClapStateSource final : public StateSource {
 public:
  explicit ClapStateSource(const clap_istream* stream) : stream(stream) {}
  int32_t Read(uint8_t* buffer, int32_t capacity) override {
    const int64_t read = stream->read(stream, buffer, static_cast<uint64_t>(capacity));
    return read < 0 || read > capacity ? -1 : static_cast<int32_t>(read);
  }

 private:
  const clap_istream* stream;
};

}  // namespace

// Refused with false, every value and preset as it was, for a stream that
// is cut short, damaged, not ours, or larger than any state of ours.
bool ClapCalls::LoadState(const clap_plugin* plugin, const clap_istream* stream) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  if (self == nullptr || stream == nullptr || stream->read == nullptr || !self->OnMainThread())
    return false;
  ClapStateSource source(stream);
  if (!self->plug->RestoreBankFrom(source)) return false;
  if (self->hostParams != nullptr && self->hostParams->rescan != nullptr)
    self->hostParams->rescan(self->host, CLAP_PARAM_RESCAN_VALUES);
  return true;
}

uint32_t ClapCalls::Latency(const clap_plugin* plugin) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  if (self == nullptr) return 0;
  PlugLockGuard guard(self->plug->Lock());
  return self->plug->latency > 0 ? static_cast<uint32_t>(self->plug->latency) : 0;
}

uint32_t ClapCalls::Tail(const clap_plugin* plugin) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  if (self == nullptr) return 0;
  PlugLockGuard guard(self->plug->Lock());
  return self->plug->TailFrames();
}

bool ClapCalls::HardRealtime(const clap_plugin* /*plugin*/) { return false; }

bool ClapCalls::SetRenderMode(const clap_plugin* plugin, clap_plugin_render_mode mode) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  if (self == nullptr || (mode != CLAP_RENDER_REALTIME && mode != CLAP_RENDER_OFFLINE)) return false;
  self->offline.store(mode == CLAP_RENDER_OFFLINE);
  return true;
}

// ---------------------------------------------------------------------------
// gui: the panel embedded in the host's window, at its fixed size

bool ClapCalls::GuiApiSupported(const clap_plugin* plugin, const char* api, bool floating) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  return self != nullptr && api != nullptr && !floating && std::strcmp(api, ClapWindowApi()) == 0;
}

bool ClapCalls::GuiPreferredApi(const clap_plugin* plugin, const char** api, bool* floating) {
  if (ClapPlugin::From(plugin) == nullptr || api == nullptr || floating == nullptr) return false;
  *api = ClapWindowApi();
  *floating = false;
  return true;
}

bool ClapCalls::GuiCreate(const clap_plugin* plugin, const char* api, bool floating) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  if (self == nullptr || !self->OnMainThread() || !GuiApiSupported(plugin, api, floating)) return false;
  if (self->guiCreated) return false;
  self->guiCreated = true;
  return true;
}

void ClapCalls::GuiDestroy(const clap_plugin* plugin) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  if (self == nullptr || !self->OnMainThread() || !self->guiCreated) return;
  if (IEditorLink* editor = self->plug->Editor()) editor->CloseWindow();
  self->guiCreated = false;
}

// The host's factor for the panel (an open window asks the host for its
// new size first). False for one that is no factor at all.
bool ClapCalls::GuiSetScale(const clap_plugin* plugin, double scale) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  IEditorLink* editor = self != nullptr ? self->plug->Editor() : nullptr;
  if (editor == nullptr || !self->OnMainThread() || !std::isfinite(scale) || scale <= 0.0) return false;
  editor->SetHostScale(scale);
  return true;
}

bool ClapCalls::GuiGetSize(const clap_plugin* plugin, uint32_t* width, uint32_t* height) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  const IEditorLink* editor = self != nullptr ? self->plug->Editor() : nullptr;
  if (editor == nullptr || width == nullptr || height == nullptr || !self->OnMainThread()) return false;
  *width = static_cast<uint32_t>(editor->Width());
  *height = static_cast<uint32_t>(editor->Height());
  return true;
}

bool ClapCalls::GuiCanResize(const clap_plugin* /*plugin*/) { return false; }

bool ClapCalls::GuiResizeHints(const clap_plugin* /*plugin*/, clap_gui_resize_hints* /*hints*/) {
  return false;
}

// The panel has one size: any other is adjusted to it.
bool ClapCalls::GuiAdjustSize(const clap_plugin* plugin, uint32_t* width, uint32_t* height) {
  return GuiGetSize(plugin, width, height);
}

bool ClapCalls::GuiSetSize(const clap_plugin* plugin, uint32_t width, uint32_t height) {
  uint32_t w = 0, h = 0;
  return GuiGetSize(plugin, &w, &h) && w == width && h == height;
}

bool ClapCalls::GuiSetParent(const clap_plugin* plugin, const clap_window* window) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  if (self == nullptr || window == nullptr || !self->OnMainThread() || !self->guiCreated) return false;
  IEditorLink* editor = self->plug->Editor();
  if (editor == nullptr || window->api == nullptr || std::strcmp(window->api, ClapWindowApi()) != 0)
    return false;
  // With the host's timer and descriptor support the window runs on this
  // thread; without, it keeps a thread of its own.
  IHostRunLoop* loop = ClapWindowUsesRunLoop() ? self : nullptr;
  return editor->OpenWindow(ClapParentWindow(*window), loop) != nullptr;
}

bool ClapCalls::GuiSetTransient(const clap_plugin* /*plugin*/, const clap_window* /*window*/) {
  return false;
}

void ClapCalls::GuiSuggestTitle(const clap_plugin* /*plugin*/, const char* /*title*/) {}

// Embedded: the host shows and hides the window it lends us.
bool ClapCalls::GuiShow(const clap_plugin* plugin) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  return self != nullptr && self->guiCreated;
}

bool ClapCalls::GuiHide(const clap_plugin* plugin) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  return self != nullptr && self->guiCreated;
}

void ClapCalls::OnTimer(const clap_plugin* plugin, clap_id timer) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  if (self == nullptr || timer != self->timerId || !self->OnMainThread()) return;
  if (IEditorLink* editor = self->plug->Editor()) editor->OnHostTimer();
}

void ClapCalls::OnFd(const clap_plugin* plugin, int fd, clap_posix_fd_flags /*flags*/) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  if (self == nullptr || fd != self->watchedFd || !self->OnMainThread()) return;
  if (IEditorLink* editor = self->plug->Editor()) editor->OnHostFd(fd);
}

}  // namespace veltrax
