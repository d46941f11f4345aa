// The three audio callbacks and the two parameter callbacks, driven through
// the effect record: signal values against the effect's formulas, the float
// and accumulating paths, the mono configuration, oversize blocks and
// values from the host that are no finite numbers.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "PluginHost.h"

namespace {

// The effect's signal path at default settings, written from its formulas.
struct Coeffs {
  double b0, b1, b2, a1, a2;
};
struct History {
  double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
};

double Section(const Coeffs& c, History& h, double x0) {
  double y = (c.b1 * h.x1 + c.b0 * x0) + c.b2 * h.x2;
  y = y - c.a1 * h.y1;
  y = y - c.a2 * h.y2;
  h.x2 = h.x1;
  h.x1 = x0;
  h.y2 = h.y1;
  h.y1 = y;
  return y;
}

double Saturate(double x, double g) {
  const double t = ((std::fabs(x) * g) * 0.2 + x) * g;
  const double u = (t * t) * t + t;
  const double a = std::fabs(u);
  const double q = u * u;
  const double n = ((a * 0.821226666969744 + 0.893229853513558) * q + (a * 2.45550750702956 + 2.45550750702956)) * u;
  const double m = std::fabs(u * 0.814642734961073 * a + u) * (q + 2.44506634652299) + 2.44506634652299;
  return n / m;
}

Coeffs LowShelf(double x, double sampleRate) {
  const double G = std::fabs((2.01 - x) * 6.0);
  const double V = std::pow(10.0, G / 20.0);
  const double K = std::tan(157.07963267948966 / sampleRate);
  const double s = std::sqrt(2.0) * K;
  const double norm = 1.0 / ((s + 1.0) + K * K);
  const double r = std::sqrt(2.0 * V);
  const double VK2 = (K * V) * K;
  return {((r * K + 1.0) + VK2) * norm, ((VK2 - 1.0) * 2.0) * norm, ((1.0 - r * K) + VK2) * norm,
          ((K * K - 1.0) * 2.0) * norm, ((1.0 - s) + K * K) * norm};
}

const Coeffs kHighPass{0.9962696211841755, -1.992539242368351, 0.9962696211841755, -1.9925268553340985,
                       0.9925516294026033};
const Coeffs kEqualizer1{0.24762182049411444, 0.4952436409882289, 0.24762182049411444,
                         -0.3818321149380684, 0.37231939691452626};

// One channel at gain 100 %, "Equalizer" 1, power on, headphones off.
std::vector<double> ReferenceChannel(const std::vector<double>& input, double sampleRate) {
  const Coeffs shelf = LowShelf(1.0, sampleRate);
  History highPass, lowShelf, lowPass;
  std::vector<double> out(input.size());
  for (size_t i = 0; i < input.size(); ++i) {
    double y = Section(kHighPass, highPass, Saturate(input[i], 1.0));
    y = Section(shelf, lowShelf, y);
    out[i] = Section(kEqualizer1, lowPass, y);
  }
  return out;
}

struct DoubleRun {
  std::vector<double> left, right;
};

DoubleRun RunDouble(const Instance& plug, const std::vector<double>& inLeft, const std::vector<double>& inRight,
                    int frames) {
  DoubleRun run{inLeft, inRight};  // processed in place, as hosts may do
  std::vector<double> inL = inLeft, inR = inRight;
  double* inputs[2] = {inL.data(), inR.data()};
  double* outputs[2] = {run.left.data(), run.right.data()};
  plug.effect()->processDoubleReplacing(plug.effect(), inputs, outputs, frames);
  return run;
}

std::vector<float> ToFloat(const std::vector<double>& v) { return std::vector<float>(v.begin(), v.end()); }
std::vector<double> ToDouble(const std::vector<float>& v) { return std::vector<double>(v.begin(), v.end()); }

TEST(Audio, DoubleReplacingDeliversTheSignalPathBitForBit) {
  Instance plug;
  ASSERT_TRUE(plug);
  const int frames = 1024;
  const std::vector<double> left = TestSignal(frames, 0), right = TestSignal(frames, 1);
  const DoubleRun run = RunDouble(plug, left, right, frames);
  const std::vector<double> expectLeft = ReferenceChannel(left, 44100.0);
  const std::vector<double> expectRight = ReferenceChannel(right, 44100.0);
  for (int i = 0; i < frames; ++i) {
    ASSERT_EQ(run.left[i], expectLeft[i]) << "left frame " << i;
    ASSERT_EQ(run.right[i], expectRight[i]) << "right frame " << i;
  }
}

TEST(Audio, SampleRateSetBeforeOpeningShapesTheShelf) {
  Instance plug(&RecordingHost, /*open=*/false);
  ASSERT_TRUE(plug);
  plug.Dispatch(effSetSampleRate, 0, 0, nullptr, 96000.0f);
  plug.Dispatch(effOpen);
  const int frames = 512;
  const std::vector<double> left = TestSignal(frames, 0), right = TestSignal(frames, 1);
  const DoubleRun run = RunDouble(plug, left, right, frames);
  const std::vector<double> expect = ReferenceChannel(left, 96000.0);
  for (int i = 0; i < frames; ++i) ASSERT_EQ(run.left[i], expect[i]) << i;
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

  const DoubleRun run = RunDouble(viaDouble, ToDouble(inL), ToDouble(inR), frames);
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

  const DoubleRun run = RunDouble(stereo, ToDouble(input), ToDouble(input), frames);
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
  const std::vector<double> left = TestSignal(frames, 0), right = TestSignal(frames, 1);
  const DoubleRun a = RunDouble(small, left, right, frames);
  const DoubleRun b = RunDouble(large, left, right, frames);
  EXPECT_EQ(a.left, b.left);
  EXPECT_EQ(a.right, b.right);

  std::vector<float> inL = ToFloat(left), inR = ToFloat(right);
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
  const DoubleRun expect = RunDouble(fresh, ToDouble(inL), ToDouble(inR), frames);
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
  const int frames = 128;
  const std::vector<double> left = TestSignal(frames, 0), right = TestSignal(frames, 1);
  const DoubleRun run = RunDouble(plug, left, right, frames);
  EXPECT_EQ(run.left, left);
  EXPECT_EQ(run.right, right);
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
  const int frames = 256;
  const std::vector<double> left = TestSignal(frames, 0), right = TestSignal(frames, 1);
  const DoubleRun expect = RunDouble(reference, left, right, frames);

  for (float rate : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                     -std::numeric_limits<float>::infinity(), 0.0f, -48000.0f}) {
    Instance plug;
    ASSERT_TRUE(plug);
    plug.Dispatch(effSetSampleRate, 0, 0, nullptr, rate);
    plug.Set(0, 0.6f);  // designs the left shelf for the current rate
    const DoubleRun run = RunDouble(plug, left, right, frames);
    EXPECT_EQ(run.left, expect.left) << rate;
  }

  Instance changed;  // a valid rate does change the design
  ASSERT_TRUE(changed);
  changed.Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
  changed.Set(0, 0.6f);
  EXPECT_NE(RunDouble(changed, left, right, frames).left, expect.left);
}

// Block sizes below 1 would leave the pins without scratch; they are ignored.
TEST(Parameters, NonPositiveBlockSizesAreIgnored) {
  Instance plug;
  ASSERT_TRUE(plug);
  for (intptr_t size : {intptr_t{0}, intptr_t{-256}, intptr_t{1} << 40, intptr_t{INT32_MAX}})
    EXPECT_EQ(plug.Dispatch(effSetBlockSize, 0, size), 0);
  const int frames = 2000;
  const std::vector<double> left = TestSignal(frames, 0), right = TestSignal(frames, 1);
  const DoubleRun run = RunDouble(plug, left, right, frames);
  std::vector<float> inL = ToFloat(left), inR = ToFloat(right), outL(frames), outR(frames);
  float* inputs[2] = {inL.data(), inR.data()};
  float* outputs[2] = {outL.data(), outR.data()};
  plug.effect()->processReplacing(plug.effect(), inputs, outputs, frames);
  EXPECT_EQ(run.left, ReferenceChannel(left, 44100.0));
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
