// The module's one export, clap_entry, and its plug-in factory: one
// plug-in, Veltrax, made around the effect linked into the binary.

#include <atomic>
#include <cstring>
#include <new>

#include "ClapPlugin.h"
#include "EffectFactory.h"
#include "PluginModule.h"

namespace veltrax {

namespace {

const char* const kFeatures[] = {CLAP_PLUGIN_FEATURE_AUDIO_EFFECT, CLAP_PLUGIN_FEATURE_DISTORTION,
                                 CLAP_PLUGIN_FEATURE_STEREO, CLAP_PLUGIN_FEATURE_MONO, nullptr};

const clap_plugin_descriptor kDescriptor = {
    CLAP_VERSION,
    "com.quillmarsh.veltrax",
    "Veltrax",
    "Quillmarsh",
    "",
    "",
    "",
    "1.0.0",
    "The record path of a reel-to-reel tape deck: saturation, low shelf and a five-position equaliser.",
    kFeatures,
};

// How many times init succeeded without its deinit: plug-ins are made only
// in between.
std::atomic<int> entryUsers{0};

uint32_t CLAP_CALL PluginCount(const clap_plugin_factory* /*factory*/) { return 1; }

const clap_plugin_descriptor* CLAP_CALL PluginDescriptor(const clap_plugin_factory* /*factory*/,
                                                         uint32_t index) {
  return index == 0 ? &kDescriptor : nullptr;
}

// A host that lacks what every host must have gets nothing rather than a
// plug-in that would call through a null pointer.
bool UsableHost(const clap_host* host) {
  return host != nullptr && clap_version_is_compatible(host->clap_version) &&
         host->get_extension != nullptr && host->request_restart != nullptr &&
         host->request_process != nullptr && host->request_callback != nullptr;
}

const clap_plugin* CLAP_CALL CreatePlugin(const clap_plugin_factory* /*factory*/, const clap_host* host,
                                          const char* pluginId) {
  if (entryUsers.load() <= 0 || !UsableHost(host) || pluginId == nullptr ||
      std::strcmp(pluginId, kDescriptor.id) != 0) {
    return nullptr;
  }
  CreationLockGuard creation;
  try {
    IEffectBase* plug = CreateHostedEffect();
    if (plug == nullptr) return nullptr;
    auto* instance = new (std::nothrow) ClapPlugin(host, &kDescriptor, plug);
    if (instance == nullptr) {
      delete plug;
      return nullptr;
    }
    return instance->Record();
  } catch (...) {
    // Nothing may unwind into the host.
    return nullptr;
  }
}

const clap_plugin_factory kFactory = {&PluginCount, &PluginDescriptor, &CreatePlugin};

bool CLAP_CALL EntryInit(const char* /*pluginPath*/) {
  ++entryUsers;
  return true;
}

void CLAP_CALL EntryDeinit() {
  if (entryUsers.load() > 0) --entryUsers;
}

const void* CLAP_CALL EntryFactory(const char* factoryId) {
  if (factoryId == nullptr || std::strcmp(factoryId, CLAP_PLUGIN_FACTORY_ID) != 0) return nullptr;
  return &kFactory;
}

}  // namespace

}  // namespace veltrax

#if defined(_WIN32)
#define VELTRAX_CLAP_EXPORT extern "C"
#else
#define VELTRAX_CLAP_EXPORT extern "C" __attribute__((visibility("default")))
#endif

VELTRAX_CLAP_EXPORT const veltrax::clap_plugin_entry clap_entry = {
    veltrax::CLAP_VERSION, &veltrax::EntryInit, &veltrax::EntryDeinit, &veltrax::EntryFactory};
