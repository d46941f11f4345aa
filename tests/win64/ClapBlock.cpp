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
#include <vector>

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

// One side's ports (as the audio-ports extension reports them, else one
// stereo port) with their channels' samples.
struct Ports {
  std::vector<std::vector<std::vector<float>>> samples;  // port, channel, frame
  std::vector<std::vector<float*>> pointers;
  std::vector<clap_audio_buffer> buffers;

  void Make(const clap_plugin* plugin, bool input) {
    const auto* ports = static_cast<const clap_plugin_audio_ports*>(
        plugin->get_extension(plugin, CLAP_EXT_AUDIO_PORTS));
    std::vector<uint32_t> channels;
    if (ports == nullptr) {
      channels.push_back(2);
    } else {
      for (uint32_t i = 0, n = ports->count(plugin, input); i < n; ++i) {
        clap_audio_port_info info{};
        channels.push_back(ports->get(plugin, i, input, &info) ? info.channel_count : 0);
      }
    }
    samples.resize(channels.size());
    pointers.resize(channels.size());
    for (size_t port = 0; port < channels.size(); ++port) {
      for (uint32_t channel = 0; channel < channels[port]; ++channel) {
        std::vector<float> signal(kFrames);
        for (uint32_t frame = 0; frame < kFrames; ++frame)
          signal[frame] = input ? 0.5f * static_cast<float>(std::sin(0.05 * frame + channel)) : 0.0f;
        samples[port].push_back(std::move(signal));
      }
      for (auto& channel : samples[port]) pointers[port].push_back(channel.data());
      clap_audio_buffer buffer{};
      buffer.data32 = pointers[port].data();
      buffer.channel_count = static_cast<uint32_t>(pointers[port].size());
      buffers.push_back(buffer);
    }
  }
};

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
    Ports inputs, outputs;
    inputs.Make(plugin, true);
    outputs.Make(plugin, false);
    clap_input_events inEvents{nullptr, &NoEvents, &NoEvent};
    clap_output_events outEvents{nullptr, &DropEvent};
    clap_process process{};
    process.steady_time = 0;
    process.frames_count = kFrames;
    process.audio_inputs = inputs.buffers.data();
    process.audio_inputs_count = static_cast<uint32_t>(inputs.buffers.size());
    process.audio_outputs = outputs.buffers.data();
    process.audio_outputs_count = static_cast<uint32_t>(outputs.buffers.size());
    process.in_events = &inEvents;
    process.out_events = &outEvents;
    if (!plugin->start_processing(plugin)) {
      status = Fail("start_processing failed");
    } else {
      if (plugin->process(plugin, &process) == CLAP_PROCESS_ERROR) status = Fail("process failed");
      plugin->stop_processing(plugin);
    }
    plugin->deactivate(plugin);
    for (const auto& port : outputs.samples)
      for (const auto& channel : port)
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
