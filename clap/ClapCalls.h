#pragma once
// The C functions a host calls on a CLAP instance: the plug-in record's and
// each extension's. Each finds the instance through plugin_data and checks
// the thread it is called on. Private to the adapter.

#include "ClapPlugin.h"

namespace veltrax {

struct ClapCalls {
  static void FillRecord(clap_plugin& record);

  // The record. [main-thread] unless noted.
  static bool CLAP_CALL Init(const clap_plugin* plugin);
  static void CLAP_CALL Destroy(const clap_plugin* plugin);
  static bool CLAP_CALL Activate(const clap_plugin* plugin, double sampleRate, uint32_t minFrames,
                                 uint32_t maxFrames);
  static void CLAP_CALL Deactivate(const clap_plugin* plugin);
  // [audio-thread]
  static bool CLAP_CALL StartProcessing(const clap_plugin* plugin);
  static void CLAP_CALL StopProcessing(const clap_plugin* plugin);
  static void CLAP_CALL Reset(const clap_plugin* plugin);
  static clap_process_status CLAP_CALL Process(const clap_plugin* plugin, const clap_process* process);
  // [any thread]
  static const void* CLAP_CALL GetExtension(const clap_plugin* plugin, const char* id);
  static void CLAP_CALL OnMainThread(const clap_plugin* plugin);

  // params
  static uint32_t CLAP_CALL ParamCount(const clap_plugin* plugin);
  static bool CLAP_CALL ParamInfo(const clap_plugin* plugin, uint32_t index, clap_param_info* info);
  static bool CLAP_CALL ParamValue(const clap_plugin* plugin, clap_id id, double* value);
  static bool CLAP_CALL ValueToText(const clap_plugin* plugin, clap_id id, double value, char* text,
                                    uint32_t capacity);
  static bool CLAP_CALL TextToValue(const clap_plugin* plugin, clap_id id, const char* text,
                                    double* value);
  // [audio-thread while active, main-thread otherwise]
  static void CLAP_CALL Flush(const clap_plugin* plugin, const clap_input_events* in,
                              const clap_output_events* out);

  // audio-ports and audio-ports-config
  static uint32_t CLAP_CALL PortCount(const clap_plugin* plugin, bool isInput);
  static bool CLAP_CALL PortInfo(const clap_plugin* plugin, uint32_t index, bool isInput,
                                 clap_audio_port_info* info);
  static uint32_t CLAP_CALL ConfigCount(const clap_plugin* plugin);
  static bool CLAP_CALL ConfigInfo(const clap_plugin* plugin, uint32_t index, clap_audio_ports_config* config);
  static bool CLAP_CALL SelectConfig(const clap_plugin* plugin, clap_id id);

  // state, latency, tail, render
  static bool CLAP_CALL SaveState(const clap_plugin* plugin, const clap_ostream* stream);
  static bool CLAP_CALL LoadState(const clap_plugin* plugin, const clap_istream* stream);
  static uint32_t CLAP_CALL Latency(const clap_plugin* plugin);
  static uint32_t CLAP_CALL Tail(const clap_plugin* plugin);
  static bool CLAP_CALL HardRealtime(const clap_plugin* plugin);
  static bool CLAP_CALL SetRenderMode(const clap_plugin* plugin, clap_plugin_render_mode mode);

  // gui, timer and descriptors
  static bool CLAP_CALL GuiApiSupported(const clap_plugin* plugin, const char* api, bool floating);
  static bool CLAP_CALL GuiPreferredApi(const clap_plugin* plugin, const char** api, bool* floating);
  static bool CLAP_CALL GuiCreate(const clap_plugin* plugin, const char* api, bool floating);
  static void CLAP_CALL GuiDestroy(const clap_plugin* plugin);
  static bool CLAP_CALL GuiSetScale(const clap_plugin* plugin, double scale);
  static bool CLAP_CALL GuiGetSize(const clap_plugin* plugin, uint32_t* width, uint32_t* height);
  static bool CLAP_CALL GuiCanResize(const clap_plugin* plugin);
  static bool CLAP_CALL GuiResizeHints(const clap_plugin* plugin, clap_gui_resize_hints* hints);
  static bool CLAP_CALL GuiAdjustSize(const clap_plugin* plugin, uint32_t* width, uint32_t* height);
  static bool CLAP_CALL GuiSetSize(const clap_plugin* plugin, uint32_t width, uint32_t height);
  static bool CLAP_CALL GuiSetParent(const clap_plugin* plugin, const clap_window* window);
  static bool CLAP_CALL GuiSetTransient(const clap_plugin* plugin, const clap_window* window);
  static void CLAP_CALL GuiSuggestTitle(const clap_plugin* plugin, const char* title);
  static bool CLAP_CALL GuiShow(const clap_plugin* plugin);
  static bool CLAP_CALL GuiHide(const clap_plugin* plugin);
  static void CLAP_CALL OnTimer(const clap_plugin* plugin, clap_id timer);
  static void CLAP_CALL OnFd(const clap_plugin* plugin, int fd, clap_posix_fd_flags flags);
};

}  // namespace veltrax
