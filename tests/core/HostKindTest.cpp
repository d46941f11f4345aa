#include <gtest/gtest.h>

#include <string>

#include "HostKind.h"

namespace veltrax {

TEST(HostKindLookUp, FindsTheFirstKeyInTableOrder) {
  EXPECT_EQ(LookUpHostKind("REAPER"), Reaper);
  EXPECT_EQ(LookUpHostKind("Nuendo and Cubase"), Cubase);
  EXPECT_EQ(LookUpHostKind("Ableton Live 9 Suite"), Live);
  EXPECT_EQ(LookUpHostKind("Logic Live"), Live);
  EXPECT_EQ(LookUpHostKind("ProTools"), ProTools);
  EXPECT_EQ(LookUpHostKind("Pro Tools"), Unknown);
  EXPECT_EQ(LookUpHostKind("Orion"), Orion);
  EXPECT_EQ(LookUpHostKind("VST3PluginTestHost"), Vst3TestHost);
  EXPECT_EQ(LookUpHostKind("standalone"), Standalone);
  EXPECT_EQ(LookUpHostKind(""), Unknown);
  EXPECT_EQ(LookUpHostKind(nullptr), Unknown);
}

TEST(HostKindLookUp, CutsAnOverlongNameAtTheWorkingBuffer) {
  // A key past 255 characters is not seen; one inside still is.
  EXPECT_EQ(LookUpHostKind((std::string(300, 'x') + "reaper").c_str()), Unknown);
  EXPECT_EQ(LookUpHostKind((std::string(249, 'x') + "reaper" + std::string(5000, 'y')).c_str()),
            Reaper);
}

TEST(HostVersion, PacksTheDecimalVersion) {
  EXPECT_EQ(HostVersionFromDecimal(50102), 0x050102);
  EXPECT_EQ(HostVersionFromDecimal(9), 0x000009);
  EXPECT_EQ(HostVersionFromDecimal(0), 0);
  EXPECT_EQ(HostVersionFromDecimal(-50102), 0);
  // A huge answer caps the major number instead of overflowing.
  EXPECT_EQ(HostVersionFromDecimal(static_cast<intptr_t>(INT32_MAX)),
            (0x7FFF << 16) + (36 << 8) + 47);
  EXPECT_GT(HostVersionFromDecimal(INTPTR_MAX), 0);
}

}  // namespace veltrax
