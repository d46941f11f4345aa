// CLAP's process, with parameter events splitting the blocks and an edit of
// the editor on its way out, allocates nothing: every allocation in the
// process is counted while it runs.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ClapTestHost.h"
#include "CountingAllocator.h"

namespace veltrax {
namespace {

TEST(ClapAllocation, ProcessWithEventsAllocatesNothing) {
  ClapTestHost host;
  ClapInstance plug(host);
  ASSERT_TRUE(plug);
  ASSERT_TRUE(plug.Start(48000.0, 128));  // the 256-frame blocks come in pieces
  const int frames = 256;
  std::vector<float> left(frames), right(frames), out(2 * frames);
  std::vector<double> dLeft(frames), dRight(frames), dOut(2 * frames);
  for (int i = 0; i < frames; ++i) {
    left[i] = static_cast<float>(std::sin(i * 0.05));
    right[i] = static_cast<float>(std::cos(i * 0.03));
    dLeft[i] = left[i];
    dRight[i] = right[i];
  }
  float* inputs[2] = {left.data(), right.data()};
  float* outputs[2] = {out.data(), out.data() + frames};
  double* dInputs[2] = {dLeft.data(), dRight.data()};
  double* dOutputs[2] = {dOut.data(), dOut.data() + frames};
  std::vector<EventsIn> events(20);
  for (int round = 0; round < 20; ++round) {
    events[round].Add(10, 0, round / 19.0);
    events[round].Add(100, 2, 1.0 + round % 5);
    events[round].Add(200, 7, round % 2);
  }
  EventsOut edits;
  edits.events.reserve(64);

  // Once each way first: the test host's own statics come to life there.
  plug.Process(inputs, outputs, 2, frames);
  plug.Process(dInputs, dOutputs, 2, frames);
  const long before = AllocationCount();
  for (int round = 0; round < 20; ++round) {
    plug.Process(inputs, outputs, 2, frames, &events[round], &edits);
    plug.Process(dInputs, dOutputs, 2, frames, &events[round], &edits);
  }
  EXPECT_EQ(AllocationCount(), before);
  EXPECT_TRUE(std::isfinite(out[0]));
}

}  // namespace
}  // namespace veltrax
