#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "StubEffect.h"

namespace veltrax {

namespace {
// A stateful stereo effect: splitting a block must not change its output.
class FilterEffect : public StubEffect {
 public:
  explicit FilterEffect(int32_t blockFrames) {
    ConnectInputs(0, 2, true);
    ConnectOutputs(0, 2, true);
    ChangeBlockSize(blockFrames);
  }
  void ProcessBlock(double** inputs, double** outputs, int32_t frames) override {
    calls.push_back(frames);
    for (int c = 0; c < 2; ++c) {
      for (int32_t i = 0; i < frames; ++i) {
        state[c] = 0.5 * inputs[c][i] + 0.25 * state[c];
        outputs[c][i] = state[c] + 0.1 * (c + 1);
      }
    }
  }
  double state[2] = {0.0, 0.0};
  std::vector<int32_t> calls;
};

struct FloatSignal {
  explicit FloatSignal(int frames, float fill = -7.0f)
      : left(frames), right(frames), outLeft(frames, fill), outRight(frames, fill) {
    for (int i = 0; i < frames; ++i) {
      left[i] = static_cast<float>((i % 37) * 0.03 - 0.5);
      right[i] = static_cast<float>((i % 11) * -0.07 + 0.2);
    }
  }
  float** Inputs() { return in[0] = left.data(), in[1] = right.data(), in; }
  float** Outputs() { return out[0] = outLeft.data(), out[1] = outRight.data(), out; }
  std::vector<float> left, right, outLeft, outRight;
  float* in[2];
  float* out[2];
};
}  // namespace

TEST(FloatBlocks, LongerThanBlockSizeGoesInPiecesWithTheSameResult) {
  FilterEffect whole(1000);
  FloatSignal expected(1000);
  whole.ProcessFloatBlock(expected.Inputs(), expected.Outputs(), 1000, false);

  FilterEffect pieces(256);
  FloatSignal signal(1000);
  pieces.ProcessFloatBlock(signal.Inputs(), signal.Outputs(), 1000, false);
  EXPECT_EQ(pieces.calls, (std::vector<int32_t>{256, 256, 256, 232}));
  EXPECT_EQ(signal.outLeft, expected.outLeft);
  EXPECT_EQ(signal.outRight, expected.outRight);
  EXPECT_EQ(pieces.OutputPin(1)->hostFloatBuffer, signal.outRight.data());
}

TEST(FloatBlocks, AccumulateAddsInSinglePrecision) {
  FilterEffect replacing(64);
  FloatSignal replaced(100);
  replacing.ProcessFloatBlock(replaced.Inputs(), replaced.Outputs(), 100, false);

  FilterEffect accumulating(64);
  FloatSignal added(100, 0.3f);
  accumulating.ProcessFloatBlock(added.Inputs(), added.Outputs(), 100, true);
  for (int i = 0; i < 100; ++i) {
    ASSERT_EQ(added.outLeft[i], replaced.outLeft[i] + 0.3f) << i;
    ASSERT_EQ(added.outRight[i], replaced.outRight[i] + 0.3f) << i;
  }
}

TEST(FloatBlocks, HostBuffersGoToConnectedPinsInOrder) {
  FilterEffect reference(32);
  FloatSignal expected(32);
  reference.ProcessFloatBlock(expected.Inputs(), expected.Outputs(), 32, false);

  // Output pin 0 off: the host's first buffer receives the right channel.
  FilterEffect effect(32);
  effect.ConnectOutputs(0, 1, false);
  FloatSignal signal(32);
  effect.ProcessFloatBlock(signal.Inputs(), signal.Outputs(), 32, false);
  EXPECT_EQ(signal.outLeft, expected.outRight);
  EXPECT_EQ(signal.outRight, std::vector<float>(32, -7.0f));

  // Input pin 1 off: it takes no host buffer and reads silence.
  FilterEffect mono(32);
  mono.ConnectInputs(1, 1, false);
  FloatSignal monoSignal(32);
  float* onlyLeft[1] = {monoSignal.left.data()};
  mono.ProcessFloatBlock(onlyLeft, monoSignal.Outputs(), 32, false);
  EXPECT_EQ(monoSignal.outLeft, expected.outLeft);
  EXPECT_EQ(monoSignal.outRight, std::vector<float>(32, static_cast<float>(0.2)));
}

TEST(FloatBlocks, EmptyBlocksStillReachTheEffect) {
  FilterEffect effect(16);
  FloatSignal signal(16);
  effect.ProcessFloatBlock(signal.Inputs(), signal.Outputs(), 0, false);
  effect.ProcessFloatBlock(signal.Inputs(), signal.Outputs(), -5, false);
  EXPECT_EQ(effect.calls, (std::vector<int32_t>{0, -5}));
  EXPECT_EQ(signal.outLeft, std::vector<float>(16, -7.0f));

  // No scratch at all: an empty block for the effect, silence for the host.
  FilterEffect unsized(16);
  unsized.ChangeBlockSize(0);
  unsized.ProcessFloatBlock(signal.Inputs(), signal.Outputs(), 16, true);
  EXPECT_EQ(signal.outLeft, std::vector<float>(16, -7.0f));
  unsized.ProcessFloatBlock(signal.Inputs(), signal.Outputs(), 16, false);
  EXPECT_EQ(unsized.calls, (std::vector<int32_t>{0, 0}));
  EXPECT_EQ(signal.outLeft, std::vector<float>(16, 0.0f));
}

TEST(DoubleBlocks, WorkInTheHostsBuffersAndInPieces) {
  std::vector<double> left(200), right(200), outLeft(200, -7.0), outRight(200, -7.0);
  for (int i = 0; i < 200; ++i) left[i] = right[i] = (i % 13) * 0.1;
  double* in[2] = {left.data(), right.data()};
  double* out[2] = {outLeft.data(), outRight.data()};

  FilterEffect whole(200);
  whole.ProcessDoubleBlock(in, out, 200);
  const std::vector<double> expected = outLeft;
  EXPECT_EQ(whole.Outputs()[0], outLeft.data());

  // Output pin 1 off: it writes into its 64-sample scratch, so 200 frames go in pieces.
  FilterEffect pieces(64);
  pieces.ConnectOutputs(1, 1, false);
  std::fill(outLeft.begin(), outLeft.end(), -7.0);
  std::fill(outRight.begin(), outRight.end(), -7.0);
  pieces.ProcessDoubleBlock(in, out, 200);
  EXPECT_EQ(pieces.calls, (std::vector<int32_t>{64, 64, 64, 8}));
  EXPECT_EQ(outLeft, expected);
  EXPECT_EQ(outRight, std::vector<double>(200, -7.0));

  FilterEffect unsized(16);
  unsized.ChangeBlockSize(0);
  unsized.ProcessDoubleBlock(in, out, 200);
  EXPECT_EQ(unsized.calls, std::vector<int32_t>{0});
  EXPECT_EQ(outLeft, std::vector<double>(200, 0.0));
}

}  // namespace veltrax
