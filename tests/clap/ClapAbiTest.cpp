// The names hosts look the factory and extensions up by, and which host
// versions the plug-in accepts. The layouts are checked by the header itself.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "ClapAbi.h"

namespace veltrax {
namespace {

// A copy-pasted id would hand a host the wrong record for an extension.
TEST(ClapAbi, FactoryAndExtensionIdsAreDistinctCoreIds) {
  const char* const ids[] = {
      CLAP_PLUGIN_FACTORY_ID,      CLAP_EXT_AUDIO_PORTS, CLAP_EXT_AUDIO_PORTS_CONFIG, CLAP_EXT_PARAMS,
      CLAP_EXT_STATE,              CLAP_EXT_LATENCY,     CLAP_EXT_TAIL,               CLAP_EXT_RENDER,
      CLAP_EXT_GUI,                CLAP_EXT_TIMER_SUPPORT, CLAP_EXT_POSIX_FD_SUPPORT, CLAP_EXT_THREAD_CHECK,
  };
  std::set<std::string> seen;
  for (const char* id : ids) {
    EXPECT_EQ(std::string(id).rfind("clap.", 0), 0u) << id;
    EXPECT_TRUE(seen.insert(id).second) << id << " twice";
  }
}

// Hosts of any 1.x release are accepted, older drafts are not.
TEST(ClapAbi, AcceptsEveryOneDotXHost) {
  EXPECT_TRUE(clap_version_is_compatible(CLAP_VERSION));
  EXPECT_TRUE(clap_version_is_compatible(clap_version{1, 0, 0}));
  EXPECT_TRUE(clap_version_is_compatible(clap_version{1, 3, 0}));
  EXPECT_FALSE(clap_version_is_compatible(clap_version{0, 26, 0}));
}

}  // namespace
}  // namespace veltrax
