#pragma once
// Drives an effect (a plug-in base) as a CLAP plug-in: owns the effect and
// the plug-in record the host sees, answers the plug-in's functions and its
// extensions, and is the effect's host binding.
//
// Threads, as CLAP names them: [main-thread] is the host's main thread,
// where the plug-in is made and destroyed, its parameters listed, its state
// kept and its window shown; [audio-thread] is where the host processes
// (start and stop, process, and params.flush while active). process takes
// only PlugLock, for the block, and never calls the host while it holds it.
// The editor's edits travel to the audio thread in a queue and reach the
// host as events of the next process or flush; the host is asked for a
// flush when one waits.

#include <atomic>
#include <cstdint>
#include <thread>

#include "ClapAbi.h"
#include "EffectBase.h"

namespace veltrax {

// One edit of the editor on its way to the host. [any thread]
struct ClapEdit {
  uint16_t type;  // CLAP_EVENT_PARAM_GESTURE_BEGIN, _VALUE or _GESTURE_END
  clap_id param;
  double value;   // the CLAP value, for _VALUE
};

// Single producer (the editor's input thread), single consumer (process or
// flush, never both at once): lock-free, so the audio thread never waits.
class ClapEditQueue {
 public:
  static constexpr uint32_t kCapacity = 1024;
  // [input thread] False when full.
  bool Push(const ClapEdit& edit);
  // [audio thread, or main thread while inactive]
  bool Pop(ClapEdit& edit);
  // [any thread] Slots still free (may be less by the time it is used).
  uint32_t Free() const;

 private:
  ClapEdit slots[kCapacity];
  std::atomic<uint32_t> head{0};  // next to pop
  std::atomic<uint32_t> tail{0};  // next to push
};

class ClapPlugin : public IHostBinding, public IHostRunLoop {
 public:
  // [main-thread; creation lock held] Takes ownership of plug and binds
  // itself to it as its host.
  ClapPlugin(const clap_host* host, const clap_plugin_descriptor* descriptor, IEffectBase* plug);
  // [main-thread] Closes the window first (it unregisters its timer and
  // descriptor); deletes the effect.
  virtual ~ClapPlugin();
  ClapPlugin(const ClapPlugin&) = delete;
  ClapPlugin& operator=(const ClapPlugin&) = delete;

  // [any thread; no lock] The record the host holds.
  const clap_plugin* Record() const { return &record; }
  IEffectBase* Plugin() const { return plug; }

  // IHostBinding. [input thread; PlugLock not held] Edits are queued for
  // the audio thread; the host is asked for a flush.
  void BeginParameterEdit(int index) override;
  void NotifyHostParam(int index, double normalised) override;
  void EndParameterEdit(int index) override;
  bool IsRenderingOffline() override { return offline.load(std::memory_order_relaxed); }
  // [main-thread; PlugLock not held] The host's gui request_resize.
  bool ResizeEditorWindow(int width, int height) override;
  HostKind IdentifyHost() override;

  // IHostRunLoop over the host's timer and descriptor support. [main-thread]
  bool RegisterTimer(int periodMilliseconds) override;
  void UnregisterTimer() override;
  bool RegisterFd(int fd) override;
  void UnregisterFd(int fd) override;

  // The value spaces. A CLAP value is the normalised position for a
  // continuous parameter and the plain value for a stepped one, so that
  // hosts show steps as steps. normalised is finite (0..1). [any thread; no
  // lock]
  static double ClapValueFromNormalised(const Parameter& param, double normalised);
  static double NormalisedFromClapValue(const Parameter& param, double value);
  // The effect's parameter behind a host id, or none (not a host parameter).
  Parameter* HostParameter(clap_id id) const;

  // The plug-in record's functions and the extension tables; each takes the
  // instance from plugin_data. Defined in ClapPlugin.cpp, ClapProcess.cpp
  // and ClapExtensions.cpp.
  static ClapPlugin* From(const clap_plugin* plugin);

 private:
  friend struct ClapCalls;

  // [main-thread] The thread rules: checked through the host's
  // thread-check where it has one, against the thread that made the
  // instance otherwise; debug builds stop on a breach.
  bool OnMainThread() const;
  bool OnAudioThread() const;

  // One event of the host's list, copied out of it: the frame it takes
  // effect at (held to the block) and the parameter change it makes, if any.
  struct ParamChange {
    uint32_t at;
    int index;  // the effect's parameter, -1 for an event that changes none
    double normalised;
  };
  // [audio thread, or main thread while inactive; PlugLock not held: the
  // list is the host's] Event i of events; false when the list has none.
  bool ReadChange(const clap_input_events* events, uint32_t i, uint32_t frames,
                  ParamChange& change) const;
  // [audio thread; takes PlugLock per stretch] One block of the host's
  // buffers, split at its parameter events: frames before an event are
  // processed before it takes effect. True when silence came in and
  // nothing rings inside.
  template <class Sample>
  bool ProcessBuffers(Sample** inputs, const clap_audio_buffer& input, Sample** outputs,
                      const clap_audio_buffer& output, const clap_process* process);
  // [same; PlugLock not held] The editor's waiting edits into out.
  void SendEdits(const clap_output_events* out);
  // [input thread; PlugLock not held]
  void RequestFlush();
  // [main-thread] Connects the pins for the chosen configuration.
  void ChooseConfiguration(uint32_t index);

  clap_plugin record{};
  const clap_host* host;
  IEffectBase* const plug;  // owned
  // The host's extensions; none where it has not got one.
  const clap_host_params* hostParams = nullptr;
  const clap_host_gui* hostGui = nullptr;
  const clap_host_timer_support* hostTimers = nullptr;
  const clap_host_posix_fd_support* hostFds = nullptr;
  const clap_host_thread_check* threadCheck = nullptr;
  std::thread::id mainThread;

  bool initialised = false;                  // [main-thread]
  std::atomic<bool> active{false};
  std::atomic<bool> offline{false};
  // Set while the instance is destroyed: the window's close may still end
  // a gesture, which is queued but not flushed to a host that is
  // destroying us.
  std::atomic<bool> destroying{false};
  uint32_t configuration = 0;                // 0 stereo, 1 mono [main-thread]
  bool guiCreated = false;                   // [main-thread]
  clap_id timerId = CLAP_INVALID_ID;         // [main-thread]
  int watchedFd = -1;                        // [main-thread]
  ClapEditQueue edits;
  // Bit n: parameter n's begin is queued and its end not yet. [input thread]
  std::atomic<uint64_t> openEdits{0};
};

}  // namespace veltrax
