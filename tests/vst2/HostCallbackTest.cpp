// What the plug-in asks its host, as the host sees it.

#include <gtest/gtest.h>

#include "PluginHost.h"

namespace veltrax {

namespace {

// The host is identified once per instance, on the first effOpen.
TEST(HostCallbacks, ProductAndVersionAreAskedOnceOnFirstOpen) {
  Host().Reset();
  Host().productString = "REAPER";
  Host().vendorVersion = 50102;
  Instance plug(&RecordingHost, /*open=*/false);
  ASSERT_TRUE(plug);
  EXPECT_EQ(Host().Count(audioMasterGetProductString), 0);  // construction asks nothing
  plug.Dispatch(effOpen);
  plug.Dispatch(effOpen);
  EXPECT_EQ(Host().Count(audioMasterGetProductString), 1);
  EXPECT_EQ(Host().Count(audioMasterGetVendorVersion), 1);
  // The product string comes first, then the version; both with index and
  // value 0 (the buffer for the product string is the plug-in's own).
  int product = -1, version = -1;
  for (size_t i = 0; i < Host().requests.size(); ++i) {
    const HostRequest& r = Host().requests[i];
    if (r.opcode == audioMasterGetProductString) product = static_cast<int>(i);
    if (r.opcode == audioMasterGetVendorVersion) version = static_cast<int>(i);
    if (r.opcode == audioMasterGetProductString || r.opcode == audioMasterGetVendorVersion) {
      EXPECT_EQ(r.index, 0);
      EXPECT_EQ(r.value, 0);
      EXPECT_EQ(r.opt, 0.0f);
    }
  }
  EXPECT_LT(product, version);
}

TEST(HostCallbacks, EmptyProductNameSkipsTheVersion) {
  Host().Reset();
  Host().productString = "";
  Instance plug;
  ASSERT_TRUE(plug);
  EXPECT_EQ(Host().Count(audioMasterGetProductString), 1);
  EXPECT_EQ(Host().Count(audioMasterGetVendorVersion), 0);
}

// Hosts that get the stereo limit still see both pins on both sides.
TEST(HostCallbacks, StereoLimitedHostsKeepTheTwoPins) {
  for (const char* name : {"Orion", "Forte", "Adobe Audition", "SawStudio", "Unheard of"}) {
    Host().Reset();
    Host().productString = name;
    Instance plug;
    ASSERT_TRUE(plug);
    EXPECT_EQ(plug.effect()->numInputs, 2) << name;
    EXPECT_EQ(plug.effect()->numOutputs, 2) << name;
    float in[32], outL[32], outR[32];
    for (int i = 0; i < 32; ++i) in[i] = 0.5f;
    float* inputs[2] = {in, in};
    float* outputs[2] = {outL, outR};
    plug.effect()->processReplacing(plug.effect(), inputs, outputs, 32);
    EXPECT_EQ(outL[31], outR[31]) << name;
  }
}

}  // namespace

}  // namespace veltrax
