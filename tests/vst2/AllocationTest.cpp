// The audio and parameter callbacks allocate nothing: every allocation in
// the process is counted while they run.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "CountingAllocator.h"
#include "PluginHost.h"

namespace veltrax {

namespace {

// A host that answers without allocating anything itself.
intptr_t VST_CALLBACK QuietHost(AEffect*, int32_t opcode, int32_t, intptr_t, void* ptr, float) {
  if (opcode == audioMasterGetProductString) std::strcpy(static_cast<char*>(ptr), "Quiet Host");
  if (opcode == audioMasterGetVendorVersion) return 10000;
  return 0;
}

// The counter is not vacuous: creating an instance and growing a chunk
// buffer are seen.
TEST(Allocation, CounterSeesThePluginAllocate) {
  const long beforeCreation = AllocationCount();
  Instance plug(&QuietHost);
  ASSERT_TRUE(plug);
  EXPECT_GT(AllocationCount(), beforeCreation);

  const long beforeChunk = AllocationCount();
  void* data = nullptr;
  EXPECT_GT(plug.Dispatch(effGetChunk, 0, 0, &data), 0);
  EXPECT_GT(AllocationCount(), beforeChunk);
}

TEST(Allocation, AudioAndParameterCallbacksAllocateNothing) {
  Instance plug(&QuietHost);
  ASSERT_TRUE(plug);
  plug.Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
  plug.Dispatch(effSetBlockSize, 0, 128);  // the 256-frame blocks come in pieces
  plug.Dispatch(effMainsChanged, 0, 1);
  AEffect* e = plug.effect();

  const int frames = 256;
  std::vector<float> inL(frames), inR(frames), outL(frames), outR(frames);
  std::vector<double> dInL(frames), dInR(frames), dOutL(frames), dOutR(frames);
  for (int i = 0; i < frames; ++i) {
    inL[i] = static_cast<float>(std::sin(i * 0.05));
    inR[i] = static_cast<float>(std::cos(i * 0.03));
    dInL[i] = inL[i];
    dInR[i] = inR[i];
  }
  float* inputs[2] = {inL.data(), inR.data()};
  float* outputs[2] = {outL.data(), outR.data()};
  double* dInputs[2] = {dInL.data(), dInR.data()};
  double* dOutputs[2] = {dOutL.data(), dOutR.data()};

  const long before = AllocationCount();
  float sum = 0.0f;
  for (int round = 0; round < 20; ++round) {
    const float x = static_cast<float>(round) / 19.0f;
    for (int index = -1; index <= 8; ++index) {
      e->setParameter(e, index, x);
      sum += e->getParameter(e, index);
    }
    e->setParameter(e, 3, 1.0f);                  // keep the power on
    e->setParameter(e, 7, round % 2 ? 1.0f : 0.0f);  // both headphone paths
    e->process(e, inputs, outputs, frames);
    e->processReplacing(e, inputs, outputs, frames);
    e->processDoubleReplacing(e, dInputs, dOutputs, frames);
    e->processReplacing(e, inputs, outputs, 3 * frames / 4);
    e->processDoubleReplacing(e, dInputs, dOutputs, 0);
  }
  const long after = AllocationCount();
  EXPECT_EQ(after, before);
  EXPECT_TRUE(std::isfinite(sum));
  EXPECT_TRUE(std::isfinite(outL[0]));
}

}  // namespace

}  // namespace veltrax
