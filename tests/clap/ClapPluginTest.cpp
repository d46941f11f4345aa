// Veltrax.clap as a host meets it: the factory and descriptor, ports and
// configurations, the parameter contract and its texts, state (its own, a
// VST 2 chunk, and streams it must refuse), hosts it must refuse, and the
// thread rules.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "ClapPlugin.h"
#include "ClapTestHost.h"
#include "PluginHost.h"
#include "Veltrax.h"

namespace veltrax {
namespace {

const double kDefaultGain = std::sqrt(0.5);

class ClapPluginTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(ClapLibrary().factory, nullptr) << ClapLibrary().error; }
  ClapTestHost host;
};

TEST_F(ClapPluginTest, FactoryOffersOneEffectWithItsDescriptor) {
  const clap_plugin_factory* factory = ClapLibrary().factory;
  ASSERT_EQ(factory->get_plugin_count(factory), 1u);
  EXPECT_EQ(factory->get_plugin_descriptor(factory, 1), nullptr);
  const clap_plugin_descriptor* d = factory->get_plugin_descriptor(factory, 0);
  ASSERT_NE(d, nullptr);
  EXPECT_STREQ(d->id, "com.quillmarsh.veltrax");
  EXPECT_STREQ(d->name, "Veltrax");
  EXPECT_STREQ(d->vendor, "Quillmarsh");
  EXPECT_STREQ(d->version, "1.0.0");
  EXPECT_GT(std::strlen(d->description), 10u);
  std::vector<std::string> features;
  for (const char* const* f = d->features; *f != nullptr; ++f) features.push_back(*f);
  EXPECT_EQ(features, (std::vector<std::string>{"audio-effect", "distortion", "stereo", "mono"}));
  EXPECT_EQ(ClapLibrary().entry->get_factory("clap.no-such-factory"), nullptr);
}

TEST_F(ClapPluginTest, OneMainPortEachWayStereoOrMono) {
  ClapInstance plug(host);
  ASSERT_TRUE(plug);
  const auto* ports = plug.Ext<clap_plugin_audio_ports>(CLAP_EXT_AUDIO_PORTS);
  const auto* configs = plug.Ext<clap_plugin_audio_ports_config>(CLAP_EXT_AUDIO_PORTS_CONFIG);
  ASSERT_NE(ports, nullptr);
  ASSERT_NE(configs, nullptr);
  for (bool input : {true, false}) {
    ASSERT_EQ(ports->count(plug.plugin, input), 1u);
    clap_audio_port_info info{};
    ASSERT_TRUE(ports->get(plug.plugin, 0, input, &info));
    EXPECT_EQ(info.channel_count, 2u);
    EXPECT_STREQ(info.port_type, CLAP_PORT_STEREO);
    constexpr uint32_t kFlags = CLAP_AUDIO_PORT_IS_MAIN | CLAP_AUDIO_PORT_SUPPORTS_64BITS |
                                CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE;
    EXPECT_EQ(info.flags & kFlags, kFlags);
    EXPECT_FALSE(ports->get(plug.plugin, 1, input, &info));
  }
  ASSERT_EQ(configs->count(plug.plugin), 2u);
  clap_audio_ports_config config{};
  ASSERT_TRUE(configs->get(plug.plugin, 1, &config));
  EXPECT_STREQ(config.name, "Mono");
  EXPECT_EQ(config.main_input_channel_count, 1u);
  ASSERT_TRUE(configs->select(plug.plugin, 1));
  clap_audio_port_info info{};
  ASSERT_TRUE(ports->get(plug.plugin, 0, true, &info));
  EXPECT_EQ(info.channel_count, 1u);
  EXPECT_FALSE(configs->select(plug.plugin, 2));
  // Not while active.
  ASSERT_TRUE(plug.Start(44100.0, 512));
  EXPECT_FALSE(configs->select(plug.plugin, 0));
}

// The five parameters by their VST 2 index, in VST 2's value spaces and texts.
TEST_F(ClapPluginTest, FiveParametersWithVst2IdsRangesAndTexts) {
  ClapInstance plug(host);
  ASSERT_TRUE(plug);
  const auto* params = plug.Ext<clap_plugin_params>(CLAP_EXT_PARAMS);
  ASSERT_EQ(params->count(plug.plugin), 5u);
  struct Expected {
    clap_id id;
    const char* name;
    double min, max, defaultValue;
    bool stepped;
  };
  const Expected table[] = {{0, "Gain Left", 0, 1, kDefaultGain, false},
                            {1, "Gain Right", 0, 1, kDefaultGain, false},
                            {2, "Equalizer", 1, 5, 1, true},
                            {3, "Power On/Off", 0, 1, 1, true},
                            {7, "Headphones On/Off", 0, 1, 0, true}};
  for (uint32_t i = 0; i < 5; ++i) {
    clap_param_info info{};
    ASSERT_TRUE(params->get_info(plug.plugin, i, &info));
    const Expected& e = table[i];
    EXPECT_EQ(info.id, e.id);
    EXPECT_STREQ(info.name, e.name);
    EXPECT_EQ(info.min_value, e.min) << e.name;
    EXPECT_EQ(info.max_value, e.max) << e.name;
    EXPECT_DOUBLE_EQ(info.default_value, e.defaultValue) << e.name;
    EXPECT_EQ((info.flags & CLAP_PARAM_IS_STEPPED) != 0, e.stepped) << e.name;
    EXPECT_NE(info.flags & CLAP_PARAM_IS_AUTOMATABLE, 0u);
    EXPECT_EQ(info.flags & CLAP_PARAM_IS_BYPASS, 0u);
    EXPECT_DOUBLE_EQ(plug.Value(e.id), e.defaultValue);
  }
  clap_param_info info{};
  EXPECT_FALSE(params->get_info(plug.plugin, 5, &info));
  double value = 0.0;
  EXPECT_FALSE(params->get_value(plug.plugin, 4, &value));  // a meter's index

  char text[64];
  auto show = [&](clap_id id, double v) {
    return params->value_to_text(plug.plugin, id, v, text, sizeof text) ? std::string(text) : "?";
  };
  EXPECT_EQ(show(0, kDefaultGain), "100.00");
  EXPECT_EQ(show(1, 1.0), "200.00");
  EXPECT_EQ(show(2, 3.0), "3");
  EXPECT_EQ(show(3, 0.0), "off");
  EXPECT_EQ(show(7, 1.0), "on");
  EXPECT_EQ(show(2, 2.6), "3");  // the values the parameters take
  EXPECT_EQ(show(3, 0.6), "on");
  EXPECT_EQ(show(5, 0.5), "?");
  // Text round trips, and texts that name nothing.
  auto read = [&](clap_id id, const char* t) {
    double v = -1.0;
    return params->text_to_value(plug.plugin, id, t, &v) ? v : -1.0;
  };
  EXPECT_DOUBLE_EQ(read(0, "100"), kDefaultGain);
  EXPECT_DOUBLE_EQ(read(0, "50.00"), 0.5);
  EXPECT_EQ(read(2, "4"), 4.0);
  EXPECT_EQ(read(3, "on"), 1.0);
  EXPECT_EQ(read(3, "loud"), -1.0);
  EXPECT_EQ(read(0, "loud"), -1.0);
  EXPECT_EQ(read(0, "nan"), -1.0);
  for (clap_id id : {0u, 2u, 3u}) {
    const double v = id == 0 ? 0.3 : 1.0;
    ASSERT_TRUE(params->value_to_text(plug.plugin, id, v, text, sizeof text));
    EXPECT_NEAR(read(id, text), v, 1e-4) << text;
  }
  // A text that does not fit is cut, never overrun.
  char small[4] = {'x', 'x', 'x', 'x'};
  ASSERT_TRUE(params->value_to_text(plug.plugin, 0, 1.0, small, 3));
  EXPECT_STREQ(small, "20");
}

TEST_F(ClapPluginTest, StateIsVst2sBankChunkAndRefusesWhatIsNotWhole) {
  ClapInstance plug(host);
  ASSERT_TRUE(plug);
  Instance vst2;
  ASSERT_TRUE(vst2);
  // The same settings on both sides, then the same bytes.
  EventsIn change;
  change.Add(0, 0, 0.25);
  change.Add(0, 2, 4.0);
  change.Add(0, 3, 0.0);
  plug.Flush(&change, nullptr);
  vst2.Set(0, 0.25f);
  vst2.Set(2, 0.75f);
  vst2.Set(3, 0.0f);
  const std::vector<uint8_t> saved = plug.Save();
  EXPECT_EQ(saved, vst2.Chunk(true));

  // Into a fresh instance; then a VST 2 chunk of other settings.
  ClapInstance other(host);
  ASSERT_TRUE(other.Load(saved));
  EXPECT_EQ(other.Value(2), 4.0);
  EXPECT_EQ(other.Value(3), 0.0);
  EXPECT_GT(host.valueRescans.load(), 0);
  vst2.Set(1, 1.0f);
  vst2.Set(7, 1.0f);
  ASSERT_TRUE(other.Load(vst2.Chunk(true)));
  EXPECT_EQ(other.Value(1), 1.0);
  EXPECT_EQ(other.Value(7), 1.0);

  // Cut short, damaged, not ours, far too large: refused, nothing changes.
  const std::vector<uint8_t> before = other.Save();
  std::vector<uint8_t> cut(saved.begin(), saved.begin() + saved.size() / 2);
  std::vector<uint8_t> foreign(200, 0x41);
  std::vector<uint8_t> huge(saved);
  huge.resize(3u << 20, 0);
  for (const std::vector<uint8_t>* bad : {&cut, &foreign, &huge}) {
    EXPECT_FALSE(other.Load(*bad));
    EXPECT_EQ(other.Save(), before);
  }
  EXPECT_FALSE(other.Load({}));
}

// The host's scale before the window opens decides the size it asks for.
TEST_F(ClapPluginTest, TheHostsScaleSetsTheGuiSize) {
  ClapInstance plug(host);
  const auto* gui = plug.Ext<clap_plugin_gui>(CLAP_EXT_GUI);
  ASSERT_NE(gui, nullptr);
  ASSERT_TRUE(gui->create(plug.plugin, CLAP_WINDOW_API_X11, false) ||
              gui->create(plug.plugin, CLAP_WINDOW_API_WIN32, false));
  uint32_t width = 0, height = 0;
  EXPECT_TRUE(gui->set_scale(plug.plugin, 2.0));
  ASSERT_TRUE(gui->get_size(plug.plugin, &width, &height));
  EXPECT_EQ(width, 1400u);
  EXPECT_EQ(height, 320u);
  EXPECT_FALSE(gui->set_scale(plug.plugin, -1.0));
  EXPECT_TRUE(gui->set_scale(plug.plugin, 1.25));
  ASSERT_TRUE(gui->get_size(plug.plugin, &width, &height));
  EXPECT_EQ(width, 700u);
  gui->destroy(plug.plugin);
}

// Hosts lacking what every host has, ids that name nothing, and creation
// before the module's init get nothing.
TEST_F(ClapPluginTest, BadHostsGetNoPlugIn) {
  const clap_plugin_factory* factory = ClapLibrary().factory;
  EXPECT_EQ(factory->create_plugin(factory, nullptr, "com.quillmarsh.veltrax"), nullptr);
  EXPECT_EQ(factory->create_plugin(factory, host.Host(), "com.quillmarsh.other"), nullptr);
  EXPECT_EQ(factory->create_plugin(factory, host.Host(), nullptr), nullptr);
  clap_host lacking = *host.Host();
  lacking.request_callback = nullptr;
  EXPECT_EQ(factory->create_plugin(factory, &lacking, "com.quillmarsh.veltrax"), nullptr);
  clap_host old = *host.Host();
  old.clap_version = clap_version{0, 9, 0};
  EXPECT_EQ(factory->create_plugin(factory, &old, "com.quillmarsh.veltrax"), nullptr);

  const clap_plugin_entry* entry = ClapLibrary().entry;
  entry->deinit();
  EXPECT_EQ(factory->create_plugin(factory, host.Host(), "com.quillmarsh.veltrax"), nullptr);
  ASSERT_TRUE(entry->init(VELTRAX_CLAP_PATH));
  ClapInstance plug(host);
  EXPECT_TRUE(plug);
}

// The plug-in asks the host for nothing on the audio thread, and its main
// thread functions check the host's thread-check: a call it says is not
// on the main thread stops a debug build.
TEST_F(ClapPluginTest, ThreadRules) {
  ClapInstance plug(host);
  ASSERT_TRUE(plug);
  ASSERT_TRUE(plug.Start(44100.0, 256));
  std::vector<float> buffer(256, 0.1f);
  float* channels[2] = {buffer.data(), buffer.data()};
  EventsIn change;
  change.Add(10, 0, 0.5);
  plug.Process(channels, channels, 2, 256, &change);
  plug.Flush(&change, nullptr);
  EXPECT_EQ(host.callsOffThread.load(), 0);
#ifndef NDEBUG
  host.denyMainThread = true;
  EXPECT_DEATH(plug.Ext<clap_plugin_params>(CLAP_EXT_PARAMS)->count(plug.plugin), "main-thread");
  host.denyMainThread = false;
#endif
}

// The adapter itself, linked in: the effect learns which format drives it.
TEST(ClapAdapter, TellsTheEffectItIsCLAP) {
  ClapTestHost host;
  ClapPlugin adapter(host.Host(), nullptr, new Veltrax());
  EXPECT_EQ(adapter.Plugin()->AdapterKind(), kAdapterClap);
}

}  // namespace
}  // namespace veltrax
