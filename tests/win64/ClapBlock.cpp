// Loads a CLAP plug-in binary the way a host does and runs one block of audio
// through its first plug-in: entry, factory, instance, activation, one
// process call, and everything closed again. Built in both lanes; the
// packaging tests run it on the Veltrax.clap that a package installed.
//
//   veltrax-clap-block PLUGIN.clap
//
// Exits 0 when the block came out finite, 1 with a message otherwise.

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "ClapAbi.h"
#include "ModuleLoader.h"

namespace veltrax {

namespace {

constexpr uint32_t kFrames = 512;
constexpr double kSampleRate = 48000.0;

const void* CLAP_CALL NoExtension(const clap_host*, const char*) { return nullptr; }
void CLAP_CALL NoRequest(const clap_host*) {}
uint32_t CLAP_CALL NoEvents(const clap_input_events*) { return 0; }
const clap_event_header* CLAP_CALL NoEvent(const clap_input_events*, uint32_t) { return nullptr; }
bool CLAP_CALL DropEvent(const clap_output_events*, const clap_event_header*) { return true; }

int Fail(const std::string& message) {
  std::fprintf(stderr, "veltrax-clap-block: %s\n", message.c_str());
  return 1;
}

int Run(const char* path) {
  std::string error;
  void* module = OpenModule(path, error);
  if (module == nullptr) return Fail("cannot load " + std::string(path) + ": " + error);
  const auto* entry = static_cast<const clap_plugin_entry*>(ModuleSymbol(module, "clap_entry"));
  if (entry == nullptr) return Fail("no clap_entry in " + std::string(path));
  if (!clap_version_is_compatible(entry->clap_version)) return Fail("incompatible CLAP version");
  if (!entry->init(path)) return Fail("clap_entry.init failed");

  int status = 0;
  const auto* factory = static_cast<const clap_plugin_factory*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
  const clap_plugin_descriptor* descriptor =
      factory != nullptr && factory->get_plugin_count(factory) > 0 ? factory->get_plugin_descriptor(factory, 0)
                                                                   : nullptr;
  clap_host host{CLAP_VERSION, nullptr, "veltrax-clap-block", "Quillmarsh", "", "1.0",
                 &NoExtension, &NoRequest, &NoRequest, &NoRequest};
  const clap_plugin* plugin =
      descriptor != nullptr ? factory->create_plugin(factory, &host, descriptor->id) : nullptr;
  if (plugin == nullptr) {
    status = Fail("the factory made no plug-in");
  } else if (!plugin->init(plugin)) {
    status = Fail("the plug-in's init failed");
  } else if (!plugin->activate(plugin, kSampleRate, 1, kFrames)) {
    status = Fail("activate failed");
  } else {
    // One stereo port each way, as Veltrax has.
    float in[2][kFrames], out[2][kFrames];
    for (uint32_t frame = 0; frame < kFrames; ++frame)
      for (int channel = 0; channel < 2; ++channel) {
        in[channel][frame] = 0.5f * static_cast<float>(std::sin(0.05 * frame + channel));
        out[channel][frame] = 0.0f;
      }
    float* inPointers[2] = {in[0], in[1]};
    float* outPointers[2] = {out[0], out[1]};
    clap_audio_buffer input{inPointers, nullptr, 2, 0, 0};
    clap_audio_buffer output{outPointers, nullptr, 2, 0, 0};
    clap_input_events inEvents{nullptr, &NoEvents, &NoEvent};
    clap_output_events outEvents{nullptr, &DropEvent};
    clap_process process{};
    process.steady_time = 0;
    process.frames_count = kFrames;
    process.audio_inputs = &input;
    process.audio_inputs_count = 1;
    process.audio_outputs = &output;
    process.audio_outputs_count = 1;
    process.in_events = &inEvents;
    process.out_events = &outEvents;
    if (!plugin->start_processing(plugin)) {
      status = Fail("start_processing failed");
    } else {
      if (plugin->process(plugin, &process) == CLAP_PROCESS_ERROR) status = Fail("process failed");
      plugin->stop_processing(plugin);
    }
    plugin->deactivate(plugin);
    for (const auto& channel : out)
      for (float sample : channel)
        if (status == 0 && !std::isfinite(sample)) status = Fail("the output is not finite");
    if (status == 0)
      std::printf("%s: one block of %u frames through %s\n", path, kFrames, descriptor->name);
  }
  if (plugin != nullptr) plugin->destroy(plugin);
  entry->deinit();
  CloseModule(module);
  return status;
}

}  // namespace

}  // namespace veltrax

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: veltrax-clap-block PLUGIN.clap\n");
    return 2;
  }
  return veltrax::Run(argv[1]);
}
