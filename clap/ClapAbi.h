#pragma once
// The CLAP 1.x plug-in binary interface as hosts see it: the entry record the
// module exports, the plug-in factory, the plug-in and host records, audio
// processing and events, streams, and the extensions this plug-in offers or
// asks its host for. Written from the published interface (version 1.2.x);
// plain structs of data and function pointers, so that C hosts and this C++
// code agree on every byte. Layouts are checked against the x86-64 sizes and
// offsets (the same on Linux and Windows) at the end of the file.
//
// The module exports one symbol, `clap_entry`, of type clap_plugin_entry,
// with C linkage.

#include <cstddef>
#include <cstdint>

namespace veltrax {

// Every function pointer below uses the C calling convention; on x86-64 each
// OS has only one, so this only spells it out.
#if defined(_WIN32)
#define CLAP_CALL __cdecl
#else
#define CLAP_CALL
#endif

// ---------------------------------------------------------------- basics

struct clap_version {
  uint32_t major;
  uint32_t minor;
  uint32_t revision;
};

constexpr uint32_t CLAP_VERSION_MAJOR = 1;
constexpr uint32_t CLAP_VERSION_MINOR = 2;
constexpr uint32_t CLAP_VERSION_REVISION = 2;
constexpr clap_version CLAP_VERSION = {CLAP_VERSION_MAJOR, CLAP_VERSION_MINOR, CLAP_VERSION_REVISION};

// Every 1.x release is binary compatible with every other; 0.x ones are not.
constexpr bool clap_version_is_compatible(clap_version v) { return v.major >= 1; }

using clap_id = uint32_t;
constexpr clap_id CLAP_INVALID_ID = UINT32_MAX;

// Fixed string buffers, terminator included.
constexpr uint32_t CLAP_NAME_SIZE = 256;
constexpr uint32_t CLAP_PATH_SIZE = 1024;

// ---------------------------------------------------------------- streams

// read/write return the number of bytes moved, 0 at the end of the stream
// and -1 on error; they may move fewer bytes than asked.
struct clap_istream {
  void* ctx;
  int64_t(CLAP_CALL* read)(const clap_istream* stream, void* buffer, uint64_t size);
};

struct clap_ostream {
  void* ctx;
  int64_t(CLAP_CALL* write)(const clap_ostream* stream, const void* buffer, uint64_t size);
};

// ---------------------------------------------------------------- events

struct clap_event_header {
  uint32_t size;  // of the whole event, header included
  uint32_t time;  // frame offset within the block
  uint16_t space_id;
  uint16_t type;
  uint32_t flags;
};

constexpr uint16_t CLAP_CORE_EVENT_SPACE_ID = 0;

// clap_event_header::flags
enum : uint32_t {
  CLAP_EVENT_IS_LIVE = 1u << 0,
  CLAP_EVENT_DONT_RECORD = 1u << 1,
};

// clap_event_header::type in the core event space
enum : uint16_t {
  CLAP_EVENT_NOTE_ON = 0,
  CLAP_EVENT_NOTE_OFF = 1,
  CLAP_EVENT_NOTE_CHOKE = 2,
  CLAP_EVENT_NOTE_END = 3,
  CLAP_EVENT_NOTE_EXPRESSION = 4,
  CLAP_EVENT_PARAM_VALUE = 5,
  CLAP_EVENT_PARAM_MOD = 6,
  CLAP_EVENT_PARAM_GESTURE_BEGIN = 7,
  CLAP_EVENT_PARAM_GESTURE_END = 8,
  CLAP_EVENT_TRANSPORT = 9,
  CLAP_EVENT_MIDI = 10,
  CLAP_EVENT_MIDI_SYSEX = 11,
  CLAP_EVENT_MIDI2 = 12,
};

// note_id, port_index, channel and key of a parameter event: -1 is the
// wildcard, so a plain automation event carries -1 in all four.
struct clap_event_param_value {
  clap_event_header header;
  clap_id param_id;
  void* cookie;  // clap_param_info::cookie, or null
  int32_t note_id;
  int16_t port_index;
  int16_t channel;
  int16_t key;
  double value;  // plain value, within the parameter's range
};

struct clap_event_param_mod {
  clap_event_header header;
  clap_id param_id;
  void* cookie;
  int32_t note_id;
  int16_t port_index;
  int16_t channel;
  int16_t key;
  double amount;  // added to the value, in the parameter's units
};

// Both CLAP_EVENT_PARAM_GESTURE_BEGIN and _END.
struct clap_event_param_gesture {
  clap_event_header header;
  clap_id param_id;
};

// clap_event_transport::flags
enum : uint32_t {
  CLAP_TRANSPORT_HAS_TEMPO = 1u << 0,
  CLAP_TRANSPORT_HAS_BEATS_TIMELINE = 1u << 1,
  CLAP_TRANSPORT_HAS_SECONDS_TIMELINE = 1u << 2,
  CLAP_TRANSPORT_HAS_TIME_SIGNATURE = 1u << 3,
  CLAP_TRANSPORT_IS_PLAYING = 1u << 4,
  CLAP_TRANSPORT_IS_RECORDING = 1u << 5,
  CLAP_TRANSPORT_IS_LOOP_ACTIVE = 1u << 6,
  CLAP_TRANSPORT_IS_WITHIN_PRE_ROLL = 1u << 7,
};

// Fixed-point times: beats and seconds scaled by 2^31.
using clap_beattime = int64_t;
using clap_sectime = int64_t;
constexpr int64_t CLAP_BEATTIME_FACTOR = int64_t{1} << 31;
constexpr int64_t CLAP_SECTIME_FACTOR = int64_t{1} << 31;

struct clap_event_transport {
  clap_event_header header;
  uint32_t flags;
  clap_beattime song_pos_beats;
  clap_sectime song_pos_seconds;
  double tempo;      // beats per minute
  double tempo_inc;  // per frame, until the next transport event
  clap_beattime loop_start_beats;
  clap_beattime loop_end_beats;
  clap_sectime loop_start_seconds;
  clap_sectime loop_end_seconds;
  clap_beattime bar_start;
  int32_t bar_number;
  uint16_t tsig_num;
  uint16_t tsig_denom;
};

// Sorted by time; valid for the length of the call that passes them.
struct clap_input_events {
  void* ctx;
  uint32_t(CLAP_CALL* size)(const clap_input_events* list);
  const clap_event_header*(CLAP_CALL* get)(const clap_input_events* list, uint32_t index);
};

// try_push copies the event; false when the host could not take it.
struct clap_output_events {
  void* ctx;
  bool(CLAP_CALL* try_push)(const clap_output_events* list, const clap_event_header* event);
};

// ---------------------------------------------------------------- process

struct clap_audio_buffer {
  // One of the two is set, as the port's sample size says.
  float** data32;
  double** data64;
  uint32_t channel_count;
  uint32_t latency;
  uint64_t constant_mask;  // bit n: channel n holds one value for the whole block
};

using clap_process_status = int32_t;
enum : int32_t {
  CLAP_PROCESS_ERROR = 0,
  CLAP_PROCESS_CONTINUE = 1,
  CLAP_PROCESS_CONTINUE_IF_NOT_QUIET = 2,
  CLAP_PROCESS_TAIL = 3,
  CLAP_PROCESS_SLEEP = 4,
};

struct clap_process {
  int64_t steady_time;  // frames since activation, or -1 when the host has none
  uint32_t frames_count;
  const clap_event_transport* transport;  // null when free-running (offline, no transport)
  const clap_audio_buffer* audio_inputs;
  clap_audio_buffer* audio_outputs;
  uint32_t audio_inputs_count;
  uint32_t audio_outputs_count;
  const clap_input_events* in_events;
  const clap_output_events* out_events;
};

// ---------------------------------------------------------------- host

struct clap_host {
  struct clap_version clap_version;
  void* host_data;
  const char* name;
  const char* vendor;
  const char* url;
  const char* version;
  const void*(CLAP_CALL* get_extension)(const clap_host* host, const char* extension_id);
  void(CLAP_CALL* request_restart)(const clap_host* host);
  void(CLAP_CALL* request_process)(const clap_host* host);
  void(CLAP_CALL* request_callback)(const clap_host* host);  // on_main_thread follows
};

// ---------------------------------------------------------------- plug-in

struct clap_plugin_descriptor {
  struct clap_version clap_version;
  const char* id;
  const char* name;
  const char* vendor;
  const char* url;
  const char* manual_url;
  const char* support_url;
  const char* version;
  const char* description;
  const char* const* features;  // null-terminated list
};

// A few of the published feature names.
inline constexpr char CLAP_PLUGIN_FEATURE_AUDIO_EFFECT[] = "audio-effect";
inline constexpr char CLAP_PLUGIN_FEATURE_DISTORTION[] = "distortion";
inline constexpr char CLAP_PLUGIN_FEATURE_MONO[] = "mono";
inline constexpr char CLAP_PLUGIN_FEATURE_STEREO[] = "stereo";

struct clap_plugin {
  const clap_plugin_descriptor* desc;
  void* plugin_data;
  bool(CLAP_CALL* init)(const clap_plugin* plugin);
  void(CLAP_CALL* destroy)(const clap_plugin* plugin);
  bool(CLAP_CALL* activate)(const clap_plugin* plugin, double sample_rate, uint32_t min_frames_count,
                            uint32_t max_frames_count);
  void(CLAP_CALL* deactivate)(const clap_plugin* plugin);
  bool(CLAP_CALL* start_processing)(const clap_plugin* plugin);
  void(CLAP_CALL* stop_processing)(const clap_plugin* plugin);
  void(CLAP_CALL* reset)(const clap_plugin* plugin);
  clap_process_status(CLAP_CALL* process)(const clap_plugin* plugin, const clap_process* process);
  const void*(CLAP_CALL* get_extension)(const clap_plugin* plugin, const char* id);
  void(CLAP_CALL* on_main_thread)(const clap_plugin* plugin);
};

// ---------------------------------------------------------------- entry and factory

struct clap_plugin_entry {
  struct clap_version clap_version;
  bool(CLAP_CALL* init)(const char* plugin_path);
  void(CLAP_CALL* deinit)();
  const void*(CLAP_CALL* get_factory)(const char* factory_id);
};

inline constexpr char CLAP_PLUGIN_FACTORY_ID[] = "clap.plugin-factory";

struct clap_plugin_factory {
  uint32_t(CLAP_CALL* get_plugin_count)(const clap_plugin_factory* factory);
  const clap_plugin_descriptor*(CLAP_CALL* get_plugin_descriptor)(const clap_plugin_factory* factory,
                                                                   uint32_t index);
  const clap_plugin*(CLAP_CALL* create_plugin)(const clap_plugin_factory* factory, const clap_host* host,
                                               const char* plugin_id);
};

// ---------------------------------------------------------------- audio-ports

inline constexpr char CLAP_EXT_AUDIO_PORTS[] = "clap.audio-ports";
inline constexpr char CLAP_PORT_MONO[] = "mono";
inline constexpr char CLAP_PORT_STEREO[] = "stereo";

// clap_audio_port_info::flags
enum : uint32_t {
  CLAP_AUDIO_PORT_IS_MAIN = 1u << 0,
  CLAP_AUDIO_PORT_SUPPORTS_64BITS = 1u << 1,
  CLAP_AUDIO_PORT_PREFERS_64BITS = 1u << 2,
  CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE = 1u << 3,
};

struct clap_audio_port_info {
  clap_id id;
  char name[CLAP_NAME_SIZE];
  uint32_t flags;
  uint32_t channel_count;
  const char* port_type;  // CLAP_PORT_MONO, CLAP_PORT_STEREO, another, or null
  clap_id in_place_pair;  // CLAP_INVALID_ID when none
};

struct clap_plugin_audio_ports {
  uint32_t(CLAP_CALL* count)(const clap_plugin* plugin, bool is_input);
  bool(CLAP_CALL* get)(const clap_plugin* plugin, uint32_t index, bool is_input, clap_audio_port_info* info);
};

// clap_host_audio_ports::rescan flags
enum : uint32_t {
  CLAP_AUDIO_PORTS_RESCAN_NAMES = 1u << 0,
  CLAP_AUDIO_PORTS_RESCAN_FLAGS = 1u << 1,
  CLAP_AUDIO_PORTS_RESCAN_CHANNEL_COUNT = 1u << 2,
  CLAP_AUDIO_PORTS_RESCAN_PORT_TYPE = 1u << 3,
  CLAP_AUDIO_PORTS_RESCAN_IN_PLACE_PAIR = 1u << 4,
  CLAP_AUDIO_PORTS_RESCAN_LIST = 1u << 5,
};

struct clap_host_audio_ports {
  bool(CLAP_CALL* is_rescan_flag_supported)(const clap_host* host, uint32_t flag);
  void(CLAP_CALL* rescan)(const clap_host* host, uint32_t flags);
};

// ---------------------------------------------------------------- audio-ports-config

inline constexpr char CLAP_EXT_AUDIO_PORTS_CONFIG[] = "clap.audio-ports-config";

struct clap_audio_ports_config {
  clap_id id;
  char name[CLAP_NAME_SIZE];
  uint32_t input_port_count;
  uint32_t output_port_count;
  bool has_main_input;
  uint32_t main_input_channel_count;
  const char* main_input_port_type;
  bool has_main_output;
  uint32_t main_output_channel_count;
  const char* main_output_port_type;
};

struct clap_plugin_audio_ports_config {
  uint32_t(CLAP_CALL* count)(const clap_plugin* plugin);
  bool(CLAP_CALL* get)(const clap_plugin* plugin, uint32_t index, clap_audio_ports_config* config);
  bool(CLAP_CALL* select)(const clap_plugin* plugin, clap_id config_id);
};

struct clap_host_audio_ports_config {
  void(CLAP_CALL* rescan)(const clap_host* host);
};

// ---------------------------------------------------------------- params

inline constexpr char CLAP_EXT_PARAMS[] = "clap.params";

using clap_param_info_flags = uint32_t;
enum : uint32_t {
  CLAP_PARAM_IS_STEPPED = 1u << 0,
  CLAP_PARAM_IS_PERIODIC = 1u << 1,
  CLAP_PARAM_IS_HIDDEN = 1u << 2,
  CLAP_PARAM_IS_READONLY = 1u << 3,
  CLAP_PARAM_IS_BYPASS = 1u << 4,
  CLAP_PARAM_IS_AUTOMATABLE = 1u << 5,
  CLAP_PARAM_IS_AUTOMATABLE_PER_NOTE_ID = 1u << 6,
  CLAP_PARAM_IS_AUTOMATABLE_PER_KEY = 1u << 7,
  CLAP_PARAM_IS_AUTOMATABLE_PER_CHANNEL = 1u << 8,
  CLAP_PARAM_IS_AUTOMATABLE_PER_PORT = 1u << 9,
  CLAP_PARAM_IS_MODULATABLE = 1u << 10,
  CLAP_PARAM_IS_MODULATABLE_PER_NOTE_ID = 1u << 11,
  CLAP_PARAM_IS_MODULATABLE_PER_KEY = 1u << 12,
  CLAP_PARAM_IS_MODULATABLE_PER_CHANNEL = 1u << 13,
  CLAP_PARAM_IS_MODULATABLE_PER_PORT = 1u << 14,
  CLAP_PARAM_REQUIRES_PROCESS = 1u << 15,
  CLAP_PARAM_IS_ENUM = 1u << 16,  // stepped, and each step has a name
};

struct clap_param_info {
  clap_id id;
  clap_param_info_flags flags;
  void* cookie;  // handed back in the parameter events, for a quick look-up
  char name[CLAP_NAME_SIZE];
  char module[CLAP_PATH_SIZE];  // "/"-separated group path, may be empty
  double min_value;
  double max_value;
  double default_value;
};

struct clap_plugin_params {
  uint32_t(CLAP_CALL* count)(const clap_plugin* plugin);
  bool(CLAP_CALL* get_info)(const clap_plugin* plugin, uint32_t param_index, clap_param_info* param_info);
  bool(CLAP_CALL* get_value)(const clap_plugin* plugin, clap_id param_id, double* out_value);
  bool(CLAP_CALL* value_to_text)(const clap_plugin* plugin, clap_id param_id, double value, char* out_buffer,
                                 uint32_t out_buffer_capacity);
  bool(CLAP_CALL* text_to_value)(const clap_plugin* plugin, clap_id param_id, const char* param_value_text,
                                 double* out_value);
  // Parameter changes while not processing; on the audio thread when active.
  void(CLAP_CALL* flush)(const clap_plugin* plugin, const clap_input_events* in, const clap_output_events* out);
};

using clap_param_rescan_flags = uint32_t;
enum : uint32_t {
  CLAP_PARAM_RESCAN_VALUES = 1u << 0,
  CLAP_PARAM_RESCAN_TEXT = 1u << 1,
  CLAP_PARAM_RESCAN_INFO = 1u << 2,
  CLAP_PARAM_RESCAN_ALL = 1u << 3,  // only while the plug-in is deactivated
};

using clap_param_clear_flags = uint32_t;
enum : uint32_t {
  CLAP_PARAM_CLEAR_ALL = 1u << 0,
  CLAP_PARAM_CLEAR_AUTOMATIONS = 1u << 1,
  CLAP_PARAM_CLEAR_MODULATIONS = 1u << 2,
};

struct clap_host_params {
  void(CLAP_CALL* rescan)(const clap_host* host, clap_param_rescan_flags flags);
  void(CLAP_CALL* clear)(const clap_host* host, clap_id param_id, clap_param_clear_flags flags);
  void(CLAP_CALL* request_flush)(const clap_host* host);
};

// ---------------------------------------------------------------- state

inline constexpr char CLAP_EXT_STATE[] = "clap.state";

struct clap_plugin_state {
  bool(CLAP_CALL* save)(const clap_plugin* plugin, const clap_ostream* stream);
  bool(CLAP_CALL* load)(const clap_plugin* plugin, const clap_istream* stream);
};

struct clap_host_state {
  void(CLAP_CALL* mark_dirty)(const clap_host* host);
};

// ---------------------------------------------------------------- latency

inline constexpr char CLAP_EXT_LATENCY[] = "clap.latency";

struct clap_plugin_latency {
  uint32_t(CLAP_CALL* get)(const clap_plugin* plugin);  // frames
};

struct clap_host_latency {
  void(CLAP_CALL* changed)(const clap_host* host);
};

// ---------------------------------------------------------------- tail

inline constexpr char CLAP_EXT_TAIL[] = "clap.tail";

struct clap_plugin_tail {
  uint32_t(CLAP_CALL* get)(const clap_plugin* plugin);  // frames; INT32_MAX and above: endless
};

struct clap_host_tail {
  void(CLAP_CALL* changed)(const clap_host* host);
};

// ---------------------------------------------------------------- render

inline constexpr char CLAP_EXT_RENDER[] = "clap.render";

using clap_plugin_render_mode = int32_t;
enum : int32_t {
  CLAP_RENDER_REALTIME = 0,
  CLAP_RENDER_OFFLINE = 1,
};

struct clap_plugin_render {
  bool(CLAP_CALL* has_hard_realtime_requirement)(const clap_plugin* plugin);
  bool(CLAP_CALL* set)(const clap_plugin* plugin, clap_plugin_render_mode mode);
};

// ---------------------------------------------------------------- gui

inline constexpr char CLAP_EXT_GUI[] = "clap.gui";
inline constexpr char CLAP_WINDOW_API_WIN32[] = "win32";
inline constexpr char CLAP_WINDOW_API_X11[] = "x11";

using clap_hwnd = void*;
using clap_nsview = void*;
using clap_xwnd = unsigned long;  // 4 bytes on Windows, 8 on Linux: the union keeps its size

struct clap_window {
  const char* api;  // which member of the union is set
  union {
    clap_nsview cocoa;
    clap_xwnd x11;
    clap_hwnd win32;
    void* ptr;
  };
};

struct clap_gui_resize_hints {
  bool can_resize_horizontally;
  bool can_resize_vertically;
  bool preserve_aspect_ratio;  // the ratio below applies only when this is set
  uint32_t aspect_ratio_width;
  uint32_t aspect_ratio_height;
};

// Sizes are in physical pixels on Windows and X11.
struct clap_plugin_gui {
  bool(CLAP_CALL* is_api_supported)(const clap_plugin* plugin, const char* api, bool is_floating);
  bool(CLAP_CALL* get_preferred_api)(const clap_plugin* plugin, const char** api, bool* is_floating);
  bool(CLAP_CALL* create)(const clap_plugin* plugin, const char* api, bool is_floating);
  void(CLAP_CALL* destroy)(const clap_plugin* plugin);
  bool(CLAP_CALL* set_scale)(const clap_plugin* plugin, double scale);
  bool(CLAP_CALL* get_size)(const clap_plugin* plugin, uint32_t* width, uint32_t* height);
  bool(CLAP_CALL* can_resize)(const clap_plugin* plugin);
  bool(CLAP_CALL* get_resize_hints)(const clap_plugin* plugin, clap_gui_resize_hints* hints);
  bool(CLAP_CALL* adjust_size)(const clap_plugin* plugin, uint32_t* width, uint32_t* height);
  bool(CLAP_CALL* set_size)(const clap_plugin* plugin, uint32_t width, uint32_t height);
  bool(CLAP_CALL* set_parent)(const clap_plugin* plugin, const clap_window* window);
  bool(CLAP_CALL* set_transient)(const clap_plugin* plugin, const clap_window* window);
  void(CLAP_CALL* suggest_title)(const clap_plugin* plugin, const char* title);
  bool(CLAP_CALL* show)(const clap_plugin* plugin);
  bool(CLAP_CALL* hide)(const clap_plugin* plugin);
};

struct clap_host_gui {
  void(CLAP_CALL* resize_hints_changed)(const clap_host* host);
  bool(CLAP_CALL* request_resize)(const clap_host* host, uint32_t width, uint32_t height);
  bool(CLAP_CALL* request_show)(const clap_host* host);
  bool(CLAP_CALL* request_hide)(const clap_host* host);
  void(CLAP_CALL* closed)(const clap_host* host, bool was_destroyed);
};

// ---------------------------------------------------------------- timer-support

inline constexpr char CLAP_EXT_TIMER_SUPPORT[] = "clap.timer-support";

struct clap_plugin_timer_support {
  void(CLAP_CALL* on_timer)(const clap_plugin* plugin, clap_id timer_id);
};

struct clap_host_timer_support {
  bool(CLAP_CALL* register_timer)(const clap_host* host, uint32_t period_ms, clap_id* timer_id);
  bool(CLAP_CALL* unregister_timer)(const clap_host* host, clap_id timer_id);
};

// ---------------------------------------------------------------- posix-fd-support

inline constexpr char CLAP_EXT_POSIX_FD_SUPPORT[] = "clap.posix-fd-support";

using clap_posix_fd_flags = uint32_t;
enum : uint32_t {
  CLAP_POSIX_FD_READ = 1u << 0,
  CLAP_POSIX_FD_WRITE = 1u << 1,
  CLAP_POSIX_FD_ERROR = 1u << 2,
};

struct clap_plugin_posix_fd_support {
  void(CLAP_CALL* on_fd)(const clap_plugin* plugin, int fd, clap_posix_fd_flags flags);
};

struct clap_host_posix_fd_support {
  bool(CLAP_CALL* register_fd)(const clap_host* host, int fd, clap_posix_fd_flags flags);
  bool(CLAP_CALL* modify_fd)(const clap_host* host, int fd, clap_posix_fd_flags flags);
  bool(CLAP_CALL* unregister_fd)(const clap_host* host, int fd);
};

// ---------------------------------------------------------------- thread-check

inline constexpr char CLAP_EXT_THREAD_CHECK[] = "clap.thread-check";

struct clap_host_thread_check {
  bool(CLAP_CALL* is_main_thread)(const clap_host* host);
  bool(CLAP_CALL* is_audio_thread)(const clap_host* host);
};

// ---------------------------------------------------------------- layout checks

#if defined(__x86_64__) || defined(_M_X64)
static_assert(sizeof(bool) == 1, "bool as the C interface has it");
static_assert(sizeof(clap_version) == 12, "clap_version layout");
static_assert(sizeof(clap_plugin_entry) == 40, "clap_plugin_entry layout");
static_assert(offsetof(clap_plugin_entry, init) == 16, "clap_plugin_entry layout");
static_assert(offsetof(clap_plugin_entry, get_factory) == 32, "clap_plugin_entry layout");
static_assert(sizeof(clap_plugin_factory) == 24, "clap_plugin_factory layout");
static_assert(sizeof(clap_plugin_descriptor) == 88, "clap_plugin_descriptor layout");
static_assert(offsetof(clap_plugin_descriptor, id) == 16, "clap_plugin_descriptor layout");
static_assert(offsetof(clap_plugin_descriptor, features) == 80, "clap_plugin_descriptor layout");
static_assert(sizeof(clap_plugin) == 96, "clap_plugin layout");
static_assert(offsetof(clap_plugin, init) == 16, "clap_plugin layout");
static_assert(offsetof(clap_plugin, process) == 72, "clap_plugin layout");
static_assert(offsetof(clap_plugin, get_extension) == 80, "clap_plugin layout");
static_assert(offsetof(clap_plugin, on_main_thread) == 88, "clap_plugin layout");
static_assert(sizeof(clap_host) == 88, "clap_host layout");
static_assert(offsetof(clap_host, host_data) == 16, "clap_host layout");
static_assert(offsetof(clap_host, get_extension) == 56, "clap_host layout");
static_assert(offsetof(clap_host, request_callback) == 80, "clap_host layout");
static_assert(sizeof(clap_audio_buffer) == 32, "clap_audio_buffer layout");
static_assert(offsetof(clap_audio_buffer, channel_count) == 16, "clap_audio_buffer layout");
static_assert(offsetof(clap_audio_buffer, latency) == 20, "clap_audio_buffer layout");
static_assert(offsetof(clap_audio_buffer, constant_mask) == 24, "clap_audio_buffer layout");
static_assert(sizeof(clap_process) == 64, "clap_process layout");
static_assert(offsetof(clap_process, frames_count) == 8, "clap_process layout");
static_assert(offsetof(clap_process, transport) == 16, "clap_process layout");
static_assert(offsetof(clap_process, audio_inputs) == 24, "clap_process layout");
static_assert(offsetof(clap_process, audio_outputs) == 32, "clap_process layout");
static_assert(offsetof(clap_process, audio_inputs_count) == 40, "clap_process layout");
static_assert(offsetof(clap_process, audio_outputs_count) == 44, "clap_process layout");
static_assert(offsetof(clap_process, in_events) == 48, "clap_process layout");
static_assert(offsetof(clap_process, out_events) == 56, "clap_process layout");
static_assert(sizeof(clap_event_header) == 16, "clap_event_header layout");
static_assert(offsetof(clap_event_header, space_id) == 8, "clap_event_header layout");
static_assert(offsetof(clap_event_header, type) == 10, "clap_event_header layout");
static_assert(offsetof(clap_event_header, flags) == 12, "clap_event_header layout");
static_assert(sizeof(clap_event_param_value) == 56, "clap_event_param_value layout");
static_assert(offsetof(clap_event_param_value, param_id) == 16, "clap_event_param_value layout");
static_assert(offsetof(clap_event_param_value, cookie) == 24, "clap_event_param_value layout");
static_assert(offsetof(clap_event_param_value, note_id) == 32, "clap_event_param_value layout");
static_assert(offsetof(clap_event_param_value, port_index) == 36, "clap_event_param_value layout");
static_assert(offsetof(clap_event_param_value, channel) == 38, "clap_event_param_value layout");
static_assert(offsetof(clap_event_param_value, key) == 40, "clap_event_param_value layout");
static_assert(offsetof(clap_event_param_value, value) == 48, "clap_event_param_value layout");
static_assert(sizeof(clap_event_param_mod) == 56, "clap_event_param_mod layout");
static_assert(offsetof(clap_event_param_mod, amount) == 48, "clap_event_param_mod layout");
static_assert(sizeof(clap_event_param_gesture) == 20, "clap_event_param_gesture layout");
static_assert(sizeof(clap_event_transport) == 104, "clap_event_transport layout");
static_assert(offsetof(clap_event_transport, flags) == 16, "clap_event_transport layout");
static_assert(offsetof(clap_event_transport, song_pos_beats) == 24, "clap_event_transport layout");
static_assert(offsetof(clap_event_transport, tempo) == 40, "clap_event_transport layout");
static_assert(offsetof(clap_event_transport, bar_start) == 88, "clap_event_transport layout");
static_assert(offsetof(clap_event_transport, bar_number) == 96, "clap_event_transport layout");
static_assert(offsetof(clap_event_transport, tsig_num) == 100, "clap_event_transport layout");
static_assert(offsetof(clap_event_transport, tsig_denom) == 102, "clap_event_transport layout");
static_assert(sizeof(clap_input_events) == 24, "clap_input_events layout");
static_assert(sizeof(clap_output_events) == 16, "clap_output_events layout");
static_assert(sizeof(clap_istream) == 16 && sizeof(clap_ostream) == 16, "stream layout");
static_assert(sizeof(clap_audio_port_info) == 288, "clap_audio_port_info layout");
static_assert(offsetof(clap_audio_port_info, name) == 4, "clap_audio_port_info layout");
static_assert(offsetof(clap_audio_port_info, flags) == 260, "clap_audio_port_info layout");
static_assert(offsetof(clap_audio_port_info, channel_count) == 264, "clap_audio_port_info layout");
static_assert(offsetof(clap_audio_port_info, port_type) == 272, "clap_audio_port_info layout");
static_assert(offsetof(clap_audio_port_info, in_place_pair) == 280, "clap_audio_port_info layout");
static_assert(sizeof(clap_audio_ports_config) == 304, "clap_audio_ports_config layout");
static_assert(offsetof(clap_audio_ports_config, has_main_input) == 268, "clap_audio_ports_config layout");
static_assert(offsetof(clap_audio_ports_config, main_input_channel_count) == 272,
              "clap_audio_ports_config layout");
static_assert(offsetof(clap_audio_ports_config, main_input_port_type) == 280, "clap_audio_ports_config layout");
static_assert(offsetof(clap_audio_ports_config, has_main_output) == 288, "clap_audio_ports_config layout");
static_assert(offsetof(clap_audio_ports_config, main_output_port_type) == 296,
              "clap_audio_ports_config layout");
static_assert(sizeof(clap_param_info) == 1320, "clap_param_info layout");
static_assert(offsetof(clap_param_info, flags) == 4, "clap_param_info layout");
static_assert(offsetof(clap_param_info, cookie) == 8, "clap_param_info layout");
static_assert(offsetof(clap_param_info, name) == 16, "clap_param_info layout");
static_assert(offsetof(clap_param_info, module) == 272, "clap_param_info layout");
static_assert(offsetof(clap_param_info, min_value) == 1296, "clap_param_info layout");
static_assert(offsetof(clap_param_info, max_value) == 1304, "clap_param_info layout");
static_assert(offsetof(clap_param_info, default_value) == 1312, "clap_param_info layout");
static_assert(sizeof(clap_plugin_params) == 48, "clap_plugin_params layout");
static_assert(sizeof(clap_host_params) == 24, "clap_host_params layout");
static_assert(sizeof(clap_window) == 16, "clap_window layout");
static_assert(offsetof(clap_window, x11) == 8 && offsetof(clap_window, win32) == 8, "clap_window layout");
static_assert(sizeof(clap_gui_resize_hints) == 12, "clap_gui_resize_hints layout");
static_assert(offsetof(clap_gui_resize_hints, aspect_ratio_width) == 4, "clap_gui_resize_hints layout");
static_assert(sizeof(clap_plugin_gui) == 15 * sizeof(void*), "clap_plugin_gui layout");
static_assert(sizeof(clap_host_gui) == 5 * sizeof(void*), "clap_host_gui layout");
#endif

}  // namespace veltrax
