// The three audio callbacks and the two parameter callbacks, driven through
// the effect record: signal values against the effect's formulas, the float
// and accumulating paths, the mono configuration, oversize blocks and
// values from the host that are no finite numbers.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "PluginHost.h"
#include "TapeReference.h"

namespace veltrax {

namespace {

// Two channels of equal length, in or out.
struct Stereo {
  std::vector<double> left, right;
  int frames() const { return static_cast<int>(left.size()); }
};

Stereo StereoSignal(int frames) { return {TestSignal(frames, 0), TestSignal(frames, 1)}; }

// The signal path at gain 100 %, "Equalizer" 1, power on, headphones off.
Stereo Reference(const Stereo& input, double sampleRate) {
  reference::Tape tape(sampleRate);
  Stereo out{std::vector<double>(input.left.size()), std::vector<double>(input.right.size())};
  tape.Block(input.left.data(), input.right.data(), out.left.data(), out.right.data(), input.frames());
  return out;
}

Stereo RunDouble(const Instance& plug, const Stereo& input) {
  Stereo run = input;  // processed in place, as hosts may do
  Stereo in = input;
  double* inputs[2] = {in.left.data(), in.right.data()};
  double* outputs[2] = {run.left.data(), run.right.data()};
  plug.effect()->processDoubleReplacing(plug.effect(), inputs, outputs, input.frames());
  return run;
}

std::vector<float> ToFloat(const std::vector<double>& v) { return std::vector<float>(v.begin(), v.end()); }
std::vector<double> ToDouble(const std::vector<float>& v) { return std::vector<double>(v.begin(), v.end()); }

TEST(Audio, DoubleReplacingDeliversTheSignalPathBitForBit) {
  Instance plug;
  ASSERT_TRUE(plug);
  const int frames = 1024;
  const Stereo input = StereoSignal(frames);
  const Stereo run = RunDouble(plug, input);
  const Stereo expect = Reference(input, 44100.0);
  for (int i = 0; i < frames; ++i) {
    ASSERT_EQ(run.left[i], expect.left[i]) << "left frame " << i;
    ASSERT_EQ(run.right[i], expect.right[i]) << "right frame " << i;
  }
}

TEST(Audio, SampleRateSetBeforeOpeningShapesTheShelf) {
  Instance plug(&RecordingHost, /*open=*/false);
  ASSERT_TRUE(plug);
  plug.Dispatch(effSetSampleRate, 0, 0, nullptr, 96000.0f);
  plug.Dispatch(effOpen);
  const int frames = 512;
  const Stereo input = StereoSignal(frames);
  const Stereo run = RunDouble(plug, input);
  const Stereo expect = Reference(input, 96000.0);
  for (int i = 0; i < frames; ++i) ASSERT_EQ(run.left[i], expect.left[i]) << i;
}

TEST(Audio, FloatReplacingEqualsDoubleUpToFloatRounding) {
  Instance viaFloat, viaDouble;
  ASSERT_TRUE(viaFloat && viaDouble);
  const int frames = 700;
  // Float input, so that both paths see the same samples.
  std::vector<float> inL = ToFloat(TestSignal(frames, 0)), inR = ToFloat(TestSignal(frames, 1));
  std::vector<float> outL(frames, 9.0f), outR(frames, 9.0f);
  float* inputs[2] = {inL.data(), inR.data()};
  float* outputs[2] = {outL.data(), outR.data()};
  viaFloat.effect()->processReplacing(viaFloat.effect(), inputs, outputs, frames);

  const Stereo run = RunDouble(viaDouble, {ToDouble(inL), ToDouble(inR)});
  for (int i = 0; i < frames; ++i) {
    ASSERT_EQ(outL[i], static_cast<float>(run.left[i])) << i;
    ASSERT_EQ(outR[i], static_cast<float>(run.right[i])) << i;
  }
}

TEST(Audio, ProcessAddsToWhatTheOutputsHold) {
  Instance accumulating, replacing;
  ASSERT_TRUE(accumulating && replacing);
  const int frames = 300;
  std::vector<float> inL = ToFloat(TestSignal(frames, 0)), inR = ToFloat(TestSignal(frames, 1));
  float* inputs[2] = {inL.data(), inR.data()};

  std::vector<float> accL(frames), accR(frames);
  for (int i = 0; i < frames; ++i) {
    accL[i] = 0.25f * static_cast<float>(i % 7);
    accR[i] = -0.125f * static_cast<float>(i % 5);
  }
  const std::vector<float> priorL = accL, priorR = accR;
  float* accumulated[2] = {accL.data(), accR.data()};
  accumulating.effect()->process(accumulating.effect(), inputs, accumulated, frames);

  std::vector<float> repL(frames), repR(frames);
  float* replaced[2] = {repL.data(), repR.data()};
  replacing.effect()->processReplacing(replacing.effect(), inputs, replaced, frames);

  for (int i = 0; i < frames; ++i) {
    ASSERT_EQ(accL[i], repL[i] + priorL[i]) << i;
    ASSERT_EQ(accR[i], repR[i] + priorR[i]) << i;
  }
}

// The 1-1 configuration: one input and one output pointer from the host.
// The left chain runs on it; the right chain reads silence into its own
// scratch and nothing of it reaches the host.
TEST(Audio, MonoArrangementUsesOneChannelEachWay) {
  Instance mono, stereo;
  ASSERT_TRUE(mono && stereo);
  VstSpeakerArrangement in{}, out{};
  in.type = out.type = kSpeakerArrMono;
  in.numChannels = out.numChannels = 1;
  EXPECT_EQ(mono.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&in), &out), 1);

  const int frames = 256;
  std::vector<float> input = ToFloat(TestSignal(frames, 0));
  std::vector<float> output(frames + 16, 7.0f);  // a tail the plug-in must not touch
  float* inputs[1] = {input.data()};
  float* outputs[1] = {output.data()};
  mono.effect()->processReplacing(mono.effect(), inputs, outputs, frames);

  const Stereo run = RunDouble(stereo, {ToDouble(input), ToDouble(input)});
  for (int i = 0; i < frames; ++i) ASSERT_EQ(output[i], static_cast<float>(run.left[i])) << i;
  for (int i = frames; i < frames + 16; ++i) EXPECT_EQ(output[i], 7.0f);

  // Back to stereo: both channels are taken from the host again.
  in.numChannels = out.numChannels = 2;
  mono.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&in), &out);
  std::vector<float> l(frames, 0.5f), r(frames, 0.5f), oL(frames, 3.0f), oR(frames, 3.0f);
  float* ins[2] = {l.data(), r.data()};
  float* outs[2] = {oL.data(), oR.data()};
  mono.effect()->processReplacing(mono.effect(), ins, outs, frames);
  EXPECT_NE(oR[frames - 1], 3.0f);
}

// Hosts promise never to exceed the announced block size; if one does, the
// block is processed in pieces, with the same samples and no overrun.
TEST(Audio, BlocksLargerThanAnnouncedAreProcessedWhole) {
  Instance small, large;
  ASSERT_TRUE(small && large);
  small.Dispatch(effSetBlockSize, 0, 64);
  large.Dispatch(effSetBlockSize, 0, 4096);
  const int frames = 1000;
  const Stereo input = StereoSignal(frames);
  const Stereo a = RunDouble(small, input);
  const Stereo b = RunDouble(large, input);
  EXPECT_EQ(a.left, b.left);
  EXPECT_EQ(a.right, b.right);

  std::vector<float> inL = ToFloat(input.left), inR = ToFloat(input.right);
  std::vector<float> outL(frames), outR(frames), accL(frames, 1.0f), accR(frames, 1.0f);
  float* inputs[2] = {inL.data(), inR.data()};
  float* outputs[2] = {outL.data(), outR.data()};
  float* accumulated[2] = {accL.data(), accR.data()};
  Instance floatSmall;
  ASSERT_TRUE(floatSmall);
  floatSmall.Dispatch(effSetBlockSize, 0, 100);
  floatSmall.effect()->processReplacing(floatSmall.effect(), inputs, outputs, frames);
  Instance accSmall;
  ASSERT_TRUE(accSmall);
  accSmall.Dispatch(effSetBlockSize, 0, 33);
  accSmall.effect()->process(accSmall.effect(), inputs, accumulated, frames);
  Instance fresh;
  ASSERT_TRUE(fresh);
  const Stereo expect = RunDouble(fresh, {ToDouble(inL), ToDouble(inR)});
  for (int i = 0; i < frames; ++i) {
    ASSERT_EQ(outL[i], static_cast<float>(expect.left[i])) << i;
    ASSERT_EQ(accR[i], static_cast<float>(expect.right[i]) + 1.0f) << i;
  }
}

TEST(Audio, EmptyAndNegativeFrameCountsProcessNothing) {
  Instance plug;
  ASSERT_TRUE(plug);
  float in[4] = {1, 1, 1, 1}, out[4] = {5, 5, 5, 5};
  float* inputs[2] = {in, in};
  float* outputs[2] = {out, out};
  plug.effect()->processReplacing(plug.effect(), inputs, outputs, 0);
  plug.effect()->processReplacing(plug.effect(), inputs, outputs, -8);
  plug.effect()->process(plug.effect(), inputs, outputs, -1);
  double din[4] = {1, 1, 1, 1}, dout[4] = {5, 5, 5, 5};
  double* dinputs[2] = {din, din};
  double* doutputs[2] = {dout, dout};
  plug.effect()->processDoubleReplacing(plug.effect(), dinputs, doutputs, 0);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(out[i], 5.0f);
    EXPECT_EQ(dout[i], 5.0);
  }
}

TEST(Audio, PowerOffPassesTheInputUnchanged) {
  Instance plug;
  ASSERT_TRUE(plug);
  plug.Set(3, 0.0f);
  const Stereo input = StereoSignal(128);
  const Stereo run = RunDouble(plug, input);
  EXPECT_EQ(run.left, input.left);
  EXPECT_EQ(run.right, input.right);
}

TEST(Parameters, ReadAndWriteNormalisedValues) {
  Instance plug;
  ASSERT_TRUE(plug);
  EXPECT_EQ(plug.Get(0), static_cast<float>(std::sqrt(0.5)));
  EXPECT_EQ(plug.Get(2), 0.0f);
  EXPECT_EQ(plug.Get(3), 1.0f);
  EXPECT_EQ(plug.Get(7), 0.0f);
  EXPECT_EQ(plug.Get(8), 0.0f);
  EXPECT_EQ(plug.Get(-1), 0.0f);

  plug.Set(0, 0.5f);  // 200 x 0.5^2
  EXPECT_EQ(plug.ParamDisplay(0), "50.00");
  EXPECT_EQ(plug.Get(0), 0.5f);
  plug.Set(2, 0.625f);  // 3.5 snaps up
  EXPECT_EQ(plug.ParamDisplay(2), "4");
  EXPECT_EQ(plug.Get(2), 0.75f);

  const std::vector<uint8_t> before = plug.Chunk(false);
  plug.Set(8, 0.3f);
  plug.Set(-1, 0.3f);
  plug.Set(1 << 30, 0.3f);
  EXPECT_EQ(plug.Chunk(false), before);
}

// Values from the host that are no finite number keep the previous value;
// positions outside 0..1 are held to it.
TEST(Parameters, SetParameterRefusesNonFiniteAndHoldsTheRange) {
  Instance plug;
  ASSERT_TRUE(plug);
  plug.Set(0, 0.5f);
  for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                    -std::numeric_limits<float>::infinity()}) {
    plug.Set(0, bad);
    plug.Set(2, bad);
    EXPECT_EQ(plug.ParamDisplay(0), "50.00");
    EXPECT_EQ(plug.ParamDisplay(2), "1");
  }
  plug.Set(0, -0.5f);  // the curve would have made this 50
  EXPECT_EQ(plug.ParamDisplay(0), "0.00");
  plug.Set(2, -0.5f);  // would have been -1, below the range
  EXPECT_EQ(plug.ParamDisplay(2), "1");
  plug.Set(1, 3.0f);
  EXPECT_EQ(plug.ParamDisplay(1), "200.00");
  EXPECT_EQ(plug.Get(1), 1.0f);
}

// The shelf designed after each of these is the one for 44100 Hz; only a
// positive finite rate is taken.
TEST(Parameters, SampleRateMustBePositiveAndFinite) {
  Instance reference;
  ASSERT_TRUE(reference);
  reference.Set(0, 0.6f);
  const Stereo input = StereoSignal(256);
  const Stereo expect = RunDouble(reference, input);

  for (float rate : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                     -std::numeric_limits<float>::infinity(), 0.0f, -48000.0f}) {
    Instance plug;
    ASSERT_TRUE(plug);
    plug.Dispatch(effSetSampleRate, 0, 0, nullptr, rate);
    plug.Set(0, 0.6f);  // designs the left shelf for the current rate
    const Stereo run = RunDouble(plug, input);
    EXPECT_EQ(run.left, expect.left) << rate;
  }

  Instance changed;  // a valid rate does change the design
  ASSERT_TRUE(changed);
  changed.Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
  changed.Set(0, 0.6f);
  EXPECT_NE(RunDouble(changed, input).left, expect.left);
}

// Block sizes below 1 would leave the pins without scratch; they are ignored.
TEST(Parameters, NonPositiveBlockSizesAreIgnored) {
  Instance plug;
  ASSERT_TRUE(plug);
  for (intptr_t size : {intptr_t{0}, intptr_t{-256}, intptr_t{1} << 40, intptr_t{INT32_MAX}})
    EXPECT_EQ(plug.Dispatch(effSetBlockSize, 0, size), 0);
  const int frames = 2000;
  const Stereo input = StereoSignal(frames);
  const Stereo run = RunDouble(plug, input);
  std::vector<float> inL = ToFloat(input.left), inR = ToFloat(input.right), outL(frames), outR(frames);
  float* inputs[2] = {inL.data(), inR.data()};
  float* outputs[2] = {outL.data(), outR.data()};
  plug.effect()->processReplacing(plug.effect(), inputs, outputs, frames);
  EXPECT_EQ(run.left, Reference(input, 44100.0).left);
  EXPECT_TRUE(std::isfinite(outR[frames - 1]));
}

TEST(Parameters, HostChangesAreNotReportedBack) {
  Instance plug;
  ASSERT_TRUE(plug);
  Host().Reset();
  plug.Set(0, 0.3f);
  plug.Dispatch(effString2Parameter, 1, 0, const_cast<char*>("40"));
  std::vector<float> in(64, 0.1f), out(64);
  float* inputs[2] = {in.data(), in.data()};
  float* outputs[2] = {out.data(), out.data()};
  plug.effect()->processReplacing(plug.effect(), inputs, outputs, 64);
  EXPECT_EQ(Host().Count(audioMasterAutomate), 0);
  EXPECT_EQ(Host().Count(audioMasterWantMidi), 0);  // the effect takes no MIDI
}

}  // namespace

}  // namespace veltrax
