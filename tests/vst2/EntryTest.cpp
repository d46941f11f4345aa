// The exported entry points and the effect record they return.

#include <gtest/gtest.h>

#include <cmath>

#include "PluginHost.h"

namespace veltrax {

namespace {

TEST(Entry, LibraryExportsBothEntryPoints) {
  ASSERT_NE(Library().handle, nullptr) << Library().error;
  EXPECT_NE(Library().pluginMain, nullptr);
  EXPECT_NE(Library().legacyMain, nullptr);
}

// The panel is built with every instance: flags 0x1019, the editor flag included.
TEST(Entry, RecordCarriesTheEffectsIdentity) {
  Instance plug(&RecordingHost, /*open=*/false);
  ASSERT_TRUE(plug);
  const AEffect* e = plug.effect();
  EXPECT_EQ(e->magic, 0x56737450);
  EXPECT_EQ(e->numParams, 8);
  EXPECT_EQ(e->numPrograms, 1);
  EXPECT_EQ(e->numInputs, 2);
  EXPECT_EQ(e->numOutputs, 2);
  EXPECT_EQ(e->flags, 0x1019);
  EXPECT_EQ(e->flags & effFlagsProgramChunks, 0);
  EXPECT_EQ(e->initialDelay, 0);
  EXPECT_EQ(e->uniqueID, 0x566C7478);
  EXPECT_EQ(e->version, 10000);
  EXPECT_EQ(e->ioRatio, 1.0f);
  EXPECT_NE(e->object, nullptr);
  EXPECT_NE(e->dispatcher, nullptr);
  EXPECT_NE(e->process, nullptr);
  EXPECT_NE(e->processReplacing, nullptr);
  EXPECT_NE(e->processDoubleReplacing, nullptr);
  EXPECT_NE(e->setParameter, nullptr);
  EXPECT_NE(e->getParameter, nullptr);
  EXPECT_EQ(e->user, nullptr);
  EXPECT_EQ(e->resvd1, 0);
  EXPECT_EQ(e->realQualities, 0);
}

TEST(Entry, EachCallMakesAnIndependentInstance) {
  Instance a, b;
  ASSERT_TRUE(a && b);
  EXPECT_NE(a.effect(), b.effect());
  EXPECT_NE(a.effect()->object, b.effect()->object);
  a.Set(0, 0.25f);
  EXPECT_FLOAT_EQ(a.Get(0), 0.25f);
  EXPECT_FLOAT_EQ(b.Get(0), std::sqrt(0.5f));
}

// `main` takes the callback as a full pointer: the callback's address lies
// above 4 GiB in a position-independent test program, so a 32-bit argument
// would have lost it and the first call back would crash.
TEST(Entry, LegacyMainCreatesAnInstanceThatCallsBack) {
  ASSERT_NE(Library().legacyMain, nullptr);
  Host().Reset();
  Host().productString = "Legacy Host";
  AEffect* e = Library().legacyMain(&RecordingHost);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->magic, kEffectMagic);
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
  EXPECT_EQ(Host().Count(audioMasterGetProductString), 1);
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
}

// A host may pass no callback; the instance then simply has nobody to ask.
TEST(Entry, NullHostCallbackDoesNotCrash) {
  Instance plug(nullptr);
  ASSERT_TRUE(plug);
  plug.Dispatch(effOpen);
  float in[64] = {0.5f}, out[64] = {};
  float* inputs[2] = {in, in};
  float* outputs[2] = {out, out};
  plug.effect()->processReplacing(plug.effect(), inputs, outputs, 64);
  EXPECT_EQ(plug.ParamName(0), "Gain Left");
}

TEST(Entry, DispatcherOnARecordWithoutObjectAnswersZero) {
  AEffect stray{};
  Instance plug;
  ASSERT_TRUE(plug);
  EXPECT_EQ(plug.effect()->dispatcher(&stray, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
  EXPECT_EQ(plug.effect()->dispatcher(nullptr, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
}

}  // namespace

}  // namespace veltrax
