#pragma once
// A small CLAP host for the tests: loads the built Veltrax.clap through
// clap_entry, offers the extensions a host offers (params, thread-check,
// timer and descriptor support, gui), keeps event lists, and records what
// the plug-in asked of it and on which thread.

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "ClapAbi.h"

namespace veltrax {

// The loaded module, initialised once for the whole run.
struct ClapModule {
  void* handle = nullptr;
  const clap_plugin_entry* entry = nullptr;
  const clap_plugin_factory* factory = nullptr;
  std::string error;
};
const ClapModule& ClapLibrary();

// One host. Its thread-check calls the thread that made it the main thread,
// and whichever thread is inside Audio() the audio thread.
class ClapTestHost {
 public:
  ClapTestHost();
  ClapTestHost(const ClapTestHost&) = delete;
  ClapTestHost& operator=(const ClapTestHost&) = delete;

  const clap_host* Host() const { return &host; }
  // The host's get_extension.
  const void* Extension(const char* id) const;

  // What the host offers; change before the plug-in's init.
  bool offerThreadCheck = true;
  bool offerTimers = true;
  bool offerFds = true;

  // What the plug-in asked.
  std::atomic<int> flushRequests{0};
  std::atomic<int> valueRescans{0};
  std::atomic<int> callsOffThread{0};  // host calls on a thread they must not come on
  uint32_t timerPeriod = 0;
  clap_id timerId = CLAP_INVALID_ID;
  int fd = -1;

  std::thread::id mainThread;
  std::atomic<bool> insideAudio{false};
  // While set, the thread-check says no thread is the main thread.
  std::atomic<bool> denyMainThread{false};

 private:
  clap_host host{};
  clap_host_params params{};
  clap_host_thread_check threadCheck{};
  clap_host_timer_support timers{};
  clap_host_posix_fd_support fds{};
};

// Parameter events in, any events out.
class EventsIn {
 public:
  EventsIn();
  void Add(uint32_t time, clap_id param, double value);
  const clap_input_events* List() const { return &list; }

 private:
  std::vector<clap_event_param_value> events;
  clap_input_events list{};
};

struct EventOut {
  uint16_t type;
  clap_id param;
  double value;
};

class EventsOut {
 public:
  EventsOut();
  const clap_output_events* List() const { return &list; }
  std::vector<EventOut> events;

 private:
  clap_output_events list{};
};

// One plug-in instance of the module, destroyed with the object.
class ClapInstance {
 public:
  explicit ClapInstance(ClapTestHost& host, bool init = true);
  ~ClapInstance();
  ClapInstance(const ClapInstance&) = delete;
  ClapInstance& operator=(const ClapInstance&) = delete;

  const clap_plugin* plugin = nullptr;
  explicit operator bool() const { return plugin != nullptr; }

  template <class Extension>
  const Extension* Ext(const char* id) const {
    return static_cast<const Extension*>(plugin->get_extension(plugin, id));
  }
  // Activates and starts processing, as the audio thread would.
  bool Start(double sampleRate, uint32_t maxFrames);
  void Stop();
  // One block; channels as the configuration has them.
  template <class Sample>
  clap_process_status Process(Sample** inputs, Sample** outputs, uint32_t channels, uint32_t frames,
                              const EventsIn* in = nullptr, EventsOut* out = nullptr,
                              uint64_t inputConstantMask = 0);
  // params.flush, on the main thread (or as the audio thread when active).
  void Flush(const EventsIn* in, EventsOut* out);
  double Value(clap_id id) const;
  std::vector<uint8_t> Save() const;
  bool Load(const std::vector<uint8_t>& bytes) const;

 private:
  ClapTestHost& host;
  bool started = false;
};

}  // namespace veltrax
