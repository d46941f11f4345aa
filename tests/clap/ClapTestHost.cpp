#include "ClapTestHost.h"

#include <cstring>

#include "ModuleLoader.h"

namespace veltrax {

namespace {

ClapTestHost* HostOf(const clap_host* host) { return static_cast<ClapTestHost*>(host->host_data); }

// The plug-in may call these from its main thread only (request_flush from
// any but the audio thread).
void CheckMainThread(const clap_host* host) {
  ClapTestHost* self = HostOf(host);
  if (std::this_thread::get_id() != self->mainThread) ++self->callsOffThread;
}

const void* CLAP_CALL GetExtension(const clap_host* host, const char* id);
void CLAP_CALL RequestNothing(const clap_host*) {}

}  // namespace

const ClapModule& ClapLibrary() {
  static const ClapModule module = [] {
    ClapModule m;
    m.handle = OpenModule(VELTRAX_CLAP_PATH, m.error);
    if (m.handle == nullptr) return m;
    m.entry = static_cast<const clap_plugin_entry*>(ModuleSymbol(m.handle, "clap_entry"));
    if (m.entry == nullptr) {
      m.error = "no clap_entry";
      return m;
    }
    if (!m.entry->init(VELTRAX_CLAP_PATH)) {
      m.error = "clap_entry.init failed";
      return m;
    }
    m.factory = static_cast<const clap_plugin_factory*>(m.entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
    return m;
  }();
  return module;
}

ClapTestHost::ClapTestHost() : mainThread(std::this_thread::get_id()) {
  host.clap_version = CLAP_VERSION;
  host.host_data = this;
  host.name = "Veltrax test host";
  host.vendor = "Quillmarsh";
  host.url = "";
  host.version = "1.0";
  host.get_extension = &GetExtension;
  host.request_restart = &RequestNothing;
  host.request_process = &RequestNothing;
  host.request_callback = &RequestNothing;

  params.rescan = [](const clap_host* h, clap_param_rescan_flags flags) {
    CheckMainThread(h);
    if (flags & CLAP_PARAM_RESCAN_VALUES) ++HostOf(h)->valueRescans;
  };
  params.clear = [](const clap_host* h, clap_id, clap_param_clear_flags) { CheckMainThread(h); };
  params.request_flush = [](const clap_host* h) {
    if (HostOf(h)->insideAudio.load()) ++HostOf(h)->callsOffThread;
    ++HostOf(h)->flushRequests;
  };
  threadCheck.is_main_thread = [](const clap_host* h) {
    return !HostOf(h)->denyMainThread.load() && std::this_thread::get_id() == HostOf(h)->mainThread;
  };
  threadCheck.is_audio_thread = [](const clap_host* h) { return HostOf(h)->insideAudio.load(); };
  timers.register_timer = [](const clap_host* h, uint32_t period, clap_id* id) {
    CheckMainThread(h);
    HostOf(h)->timerPeriod = period;
    *id = HostOf(h)->timerId = 7;
    return true;
  };
  timers.unregister_timer = [](const clap_host* h, clap_id id) {
    CheckMainThread(h);
    if (id != HostOf(h)->timerId) return false;
    HostOf(h)->timerId = CLAP_INVALID_ID;
    return true;
  };
  fds.register_fd = [](const clap_host* h, int fd, clap_posix_fd_flags) {
    CheckMainThread(h);
    HostOf(h)->fd = fd;
    return true;
  };
  fds.modify_fd = [](const clap_host*, int, clap_posix_fd_flags) { return true; };
  fds.unregister_fd = [](const clap_host* h, int fd) {
    CheckMainThread(h);
    if (fd != HostOf(h)->fd) return false;
    HostOf(h)->fd = -1;
    return true;
  };
}

namespace {

const void* CLAP_CALL GetExtension(const clap_host* host, const char* id) {
  return HostOf(host)->Extension(id);
}

}  // namespace

const void* ClapTestHost::Extension(const char* id) const {
  if (std::strcmp(id, CLAP_EXT_PARAMS) == 0) return &params;
  if (std::strcmp(id, CLAP_EXT_THREAD_CHECK) == 0 && offerThreadCheck) return &threadCheck;
  if (std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0 && offerTimers) return &timers;
  if (std::strcmp(id, CLAP_EXT_POSIX_FD_SUPPORT) == 0 && offerFds) return &fds;
  return nullptr;
}

EventsIn::EventsIn() {
  list.ctx = this;
  list.size = [](const clap_input_events* l) {
    return static_cast<uint32_t>(static_cast<const EventsIn*>(l->ctx)->events.size());
  };
  list.get = [](const clap_input_events* l, uint32_t i) -> const clap_event_header* {
    const auto& events = static_cast<const EventsIn*>(l->ctx)->events;
    return i < events.size() ? &events[i].header : nullptr;
  };
}

void EventsIn::Add(uint32_t time, clap_id param, double value) {
  clap_event_param_value event{};
  event.header = {sizeof event, time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
  event.param_id = param;
  event.note_id = -1;
  event.port_index = event.channel = event.key = -1;
  event.value = value;
  events.push_back(event);
}

EventsOut::EventsOut() {
  list.ctx = this;
  list.try_push = [](const clap_output_events* l, const clap_event_header* e) {
    auto* self = static_cast<EventsOut*>(l->ctx);
    if (e->type == CLAP_EVENT_PARAM_VALUE) {
      const auto* v = reinterpret_cast<const clap_event_param_value*>(e);
      self->events.push_back({e->type, v->param_id, v->value});
    } else {
      const auto* g = reinterpret_cast<const clap_event_param_gesture*>(e);
      self->events.push_back({e->type, g->param_id, 0.0});
    }
    return true;
  };
}

ClapInstance::ClapInstance(ClapTestHost& testHost, bool init) : host(testHost) {
  const ClapModule& module = ClapLibrary();
  if (module.factory == nullptr) return;
  plugin = module.factory->create_plugin(module.factory, host.Host(), "com.quillmarsh.veltrax");
  if (plugin != nullptr && init && !plugin->init(plugin)) {
    plugin->destroy(plugin);
    plugin = nullptr;
  }
}

ClapInstance::~ClapInstance() {
  if (plugin == nullptr) return;
  Stop();
  plugin->deactivate(plugin);
  plugin->destroy(plugin);
}

bool ClapInstance::Start(double sampleRate, uint32_t maxFrames) {
  if (!plugin->activate(plugin, sampleRate, 1, maxFrames)) return false;
  host.insideAudio = true;
  started = plugin->start_processing(plugin);
  host.insideAudio = false;
  return started;
}

void ClapInstance::Stop() {
  if (!started) return;
  host.insideAudio = true;
  plugin->stop_processing(plugin);
  host.insideAudio = false;
  started = false;
}

template <class Sample>
clap_process_status ClapInstance::Process(Sample** inputs, Sample** outputs, uint32_t channels,
                                          uint32_t frames, const EventsIn* in, EventsOut* out,
                                          uint64_t inputConstantMask) {
  static const EventsIn noEvents;
  static EventsOut discard;
  clap_audio_buffer input{};
  clap_audio_buffer output{};
  if constexpr (sizeof(Sample) == sizeof(double)) {
    input.data64 = inputs;
    output.data64 = outputs;
  } else {
    input.data32 = inputs;
    output.data32 = outputs;
  }
  input.channel_count = output.channel_count = channels;
  input.constant_mask = inputConstantMask;
  clap_process process{};
  process.steady_time = -1;
  process.frames_count = frames;
  process.audio_inputs = &input;
  process.audio_outputs = &output;
  process.audio_inputs_count = 1;
  process.audio_outputs_count = 1;
  process.in_events = (in != nullptr ? in : &noEvents)->List();
  process.out_events = (out != nullptr ? out : &discard)->List();
  host.insideAudio = true;
  const clap_process_status status = plugin->process(plugin, &process);
  host.insideAudio = false;
  return status;
}

template clap_process_status ClapInstance::Process<float>(float**, float**, uint32_t, uint32_t,
                                                          const EventsIn*, EventsOut*, uint64_t);
template clap_process_status ClapInstance::Process<double>(double**, double**, uint32_t, uint32_t,
                                                           const EventsIn*, EventsOut*, uint64_t);

void ClapInstance::Flush(const EventsIn* in, EventsOut* out) {
  static const EventsIn noEvents;
  static EventsOut discard;
  const auto* params = Ext<clap_plugin_params>(CLAP_EXT_PARAMS);
  host.insideAudio = started;
  params->flush(plugin, (in != nullptr ? in : &noEvents)->List(), (out != nullptr ? out : &discard)->List());
  host.insideAudio = false;
}

double ClapInstance::Value(clap_id id) const {
  double value = -1.0;
  Ext<clap_plugin_params>(CLAP_EXT_PARAMS)->get_value(plugin, id, &value);
  return value;
}

std::vector<uint8_t> ClapInstance::Save() const {
  std::vector<uint8_t> bytes;
  clap_ostream stream{&bytes, [](const clap_ostream* s, const void* data, uint64_t size) -> int64_t {
                        auto* out = static_cast<std::vector<uint8_t>*>(s->ctx);
                        const auto* b = static_cast<const uint8_t*>(data);
                        out->insert(out->end(), b, b + size);
                        return static_cast<int64_t>(size);
                      }};
  if (!Ext<clap_plugin_state>(CLAP_EXT_STATE)->save(plugin, &stream)) bytes.clear();
  return bytes;
}

bool ClapInstance::Load(const std::vector<uint8_t>& bytes) const {
  struct Reader {
    const std::vector<uint8_t>* bytes;
    size_t at;
  } reader{&bytes, 0};
  // Hands out at most 100 bytes a call, as streams may.
  clap_istream stream{&reader, [](const clap_istream* s, void* data, uint64_t size) -> int64_t {
                        auto* r = static_cast<Reader*>(s->ctx);
                        size_t n = r->bytes->size() - r->at;
                        n = n < size ? n : static_cast<size_t>(size);
                        n = n < 100 ? n : 100;
                        if (n != 0) std::memcpy(data, r->bytes->data() + r->at, n);
                        r->at += n;
                        return static_cast<int64_t>(n);
                      }};
  return Ext<clap_plugin_state>(CLAP_EXT_STATE)->load(plugin, &stream);
}

}  // namespace veltrax
