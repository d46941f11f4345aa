// The effect class against the plainly written reference: parameter
// handling, bypass, metering, coefficient lifetimes and the full signal path
// bit for bit.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "TapeReference.h"
#include "EffectFactory.h"
#include "Veltrax.h"

namespace veltrax {

// Reads the filter coefficients the effect holds (declared a friend).
struct VeltraxProbe {
  static BiquadCoeffs ShelfLeft(const Veltrax& v) { return v.shelfLeft.coeffs; }
  static BiquadCoeffs ShelfRight(const Veltrax& v) { return v.shelfRight.coeffs; }
  static BiquadCoeffs LowPass(const Veltrax& v) { return v.lowPass.coeffs; }
  static BiquadCoeffs HighPass(const Veltrax& v) { return v.highPass.coeffs; }
};

namespace {

using reference::Bits;
using Samples = std::vector<double>;

// Stands in for the panel: nine controls, none bound to a parameter; records
// what the block processing pushes into them.
class RecordingEditor : public IEditorLink {
 public:
  int Width() const override { return 700; }
  int Height() const override { return 160; }
  int ControlCount() const override { return 9; }
  int ControlParamIndex(int) const override { return -1; }
  int ControlAuxBindingFor(int, int) const override { return -1; }
  void SetValueFromPlug(int position, double value) override { pushed.emplace_back(position, value); }
  void SetAuxValueFromPlug(int, int, double) override {}
  void SetParameterFromPlug(int, double, bool) override {}
  void PrepareSurface() override {}
  void* OpenWindow(void*, IHostRunLoop*) override { return nullptr; }
  void CloseWindow() override {}

  double Last(int position) const {
    for (auto it = pushed.rbegin(); it != pushed.rend(); ++it) {
      if (it->first == position) return it->second;
    }
    return std::numeric_limits<double>::quiet_NaN();
  }

  std::vector<std::pair<int, double>> pushed;
};

// Deterministic test signal: a sine with noise, peaking near amplitude.
Samples Signal(int frames, uint32_t seed, double amplitude, double cyclesPerFrame = 0.0123) {
  Samples out(frames);
  for (int i = 0; i < frames; ++i) {
    seed = seed * 1664525u + 1013904223u;
    const double noise = static_cast<double>(seed >> 8) / 8388608.0 - 1.0;
    out[i] = amplitude * (0.7 * std::sin(2.0 * M_PI * cyclesPerFrame * i) + 0.3 * noise);
  }
  return out;
}

void ExpectCoeffs(const BiquadCoeffs& actual, const double* expected) {
  EXPECT_EQ(Bits(actual.b0), Bits(expected[0]));
  EXPECT_EQ(Bits(actual.b1), Bits(expected[1]));
  EXPECT_EQ(Bits(actual.b2), Bits(expected[2]));
  EXPECT_EQ(Bits(actual.a1), Bits(expected[3]));
  EXPECT_EQ(Bits(actual.a2), Bits(expected[4]));
}

void ExpectSameBits(const Samples& actual, const Samples& expected, const char* what) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < actual.size(); ++i) {
    ASSERT_EQ(Bits(actual[i]), Bits(expected[i])) << what << " sample " << i;
  }
}

std::vector<double> Row(int position) {
  std::vector<double> c(5);
  reference::EqualizerRow(position, c.data());
  return c;
}

std::vector<double> Shelf(double gainFraction, double rate) {
  std::vector<double> c(5);
  reference::LowShelf(gainFraction, rate, c.data());
  return c;
}

class VeltraxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plugin = MakeOpened();
    editor = AttachRecorder(*plugin);
  }

  static std::unique_ptr<Veltrax> MakeOpened() {
    std::unique_ptr<Veltrax> p(new Veltrax());
    PlugLockGuard guard(p->Lock());  // as the dispatcher's open does
    p->NotifyAllParamsChanged();
    return p;
  }

  static RecordingEditor* AttachRecorder(Veltrax& p) {
    auto* recorder = new RecordingEditor;
    p.AttachEditor(recorder);  // owned by the plug-in from here on
    return recorder;
  }

  static void Set(Veltrax& p, int index, double value) {
    p.ParamAt(index)->value = value;
    p.ParameterChanged(index);
  }
  void Set(int index, double value) { Set(*plugin, index, value); }

  static void Process(Veltrax& p, const Samples& inL, const Samples& inR, Samples& outL,
                      Samples& outR) {
    outL.assign(inL.size(), 0.0);
    outR.assign(inR.size(), 0.0);
    double* inputs[2] = {const_cast<double*>(inL.data()), const_cast<double*>(inR.data())};
    double* outputs[2] = {outL.data(), outR.data()};
    PlugLockGuard guard(p.Lock());
    p.ProcessBlock(inputs, outputs, static_cast<int32_t>(inL.size()));
  }
  void Process(const Samples& inL, const Samples& inR, Samples& outL, Samples& outR) {
    Process(*plugin, inL, inR, outL, outR);
  }

  std::unique_ptr<Veltrax> plugin;
  RecordingEditor* editor = nullptr;
};

TEST_F(VeltraxTest, FactoryBuildsTheEffectWithItsIdentity) {
  std::unique_ptr<IEffectBase> created(CreateEffectInstance());
  ASSERT_NE(dynamic_cast<Veltrax*>(created.get()), nullptr);
  EXPECT_STREQ(created->effectName, "Veltrax");
  EXPECT_STREQ(created->productName, "");
  EXPECT_STREQ(created->makerName, "Quillmarsh");
  EXPECT_EQ(created->uniqueId, 0x566C7478);
  EXPECT_EQ(created->makerId, 0x516D7368);
  EXPECT_EQ(created->version, 0x00010000);
  EXPECT_FALSE(created->isInstrument);
  EXPECT_FALSE(created->acceptsMidi);
  EXPECT_EQ(created->latency, 0);
  EXPECT_EQ(created->ChannelConfigCount(), 2);
  EXPECT_EQ(created->InputPinCount(), 2);
  EXPECT_EQ(created->OutputPinCount(), 2);
  ASSERT_EQ(created->PresetCount(), 1);
  EXPECT_TRUE(created->PresetAt(0)->initialised);
  EXPECT_STREQ(created->PresetAt(0)->name, "-");
}

TEST_F(VeltraxTest, ParametersAreSetUpAsTheHostSeesThem) {
  struct Expected {
    const char* name;
    ParamType type;
    double value, min, max, step, curve;
    const char* label;
    int displayTexts;
  };
  const Expected table[8] = {
      {"Gain Left", Double, 100, 0, 200, 0.01, 2.0, "%", 0},
      {"Gain Right", Double, 100, 0, 200, 0.01, 2.0, "%", 0},
      {"Equalizer", Int, 1, 1, 5, 1, 1.0, "%", 0},
      {"Power On/Off", Bool, 1, 0, 1, 1, 1.0, "%", 2},
      {"", None, 0, 0, 1, 1, 1.0, "", 0},
      {"", None, 0, 0, 1, 1, 1.0, "", 0},
      {"", None, 0, 0, 1, 1, 1.0, "", 0},
      {"Headphones On/Off", Bool, 0, 0, 1, 1, 1.0, "%", 2},
  };
  ASSERT_EQ(plugin->ParameterCount(), 8);
  for (int i = 0; i < 8; ++i) {
    const Parameter& p = *plugin->ParamAt(i);
    const Expected& e = table[i];
    EXPECT_STREQ(p.name, e.name) << i;
    EXPECT_EQ(p.type, e.type) << i;
    EXPECT_EQ(p.value, e.value) << i;
    EXPECT_EQ(p.min, e.min) << i;
    EXPECT_EQ(p.max, e.max) << i;
    EXPECT_EQ(p.step, e.step) << i;
    EXPECT_EQ(p.curve, e.curve) << i;
    EXPECT_STREQ(p.label, e.label) << i;
    EXPECT_STREQ(p.group, "") << i;
    EXPECT_EQ(p.DisplayTextCount(), e.displayTexts) << i;
  }
  EXPECT_NEAR(plugin->ParamAt(0)->Normalize(100.0), std::sqrt(0.5), 1e-15);
  EXPECT_EQ(plugin->ParamAt(0)->displayPrecision, 2);
  EXPECT_EQ(plugin->ParamAt(2)->displayPrecision, 0);
}

TEST_F(VeltraxTest, ConstructionCoefficientsAreReplacedWhenTheHostOpens) {
  std::unique_ptr<Veltrax> fresh(new Veltrax());
  ExpectCoeffs(VeltraxProbe::ShelfLeft(*fresh), reference::kShelfAtStart);
  ExpectCoeffs(VeltraxProbe::ShelfRight(*fresh), Shelf(1.0, 44100).data());
  ExpectCoeffs(VeltraxProbe::LowPass(*fresh), Row(2).data());
  ExpectCoeffs(VeltraxProbe::HighPass(*fresh), reference::kHighPass);

  ExpectCoeffs(VeltraxProbe::ShelfLeft(*plugin), Shelf(1.0, 44100).data());
  ExpectCoeffs(VeltraxProbe::ShelfRight(*plugin), Shelf(1.0, 44100).data());
  ExpectCoeffs(VeltraxProbe::LowPass(*plugin), Row(1).data());
  ExpectCoeffs(VeltraxProbe::HighPass(*plugin), reference::kHighPass);
}

TEST_F(VeltraxTest, EqualizerSelectsOnlyPositionsOneToFive) {
  Set(2, 5);
  ExpectCoeffs(VeltraxProbe::LowPass(*plugin), Row(5).data());
  // Values the parameter's range would refuse still must not select a row.
  for (double v : {0.0, 6.0, -1.0, 0.99, 1e300, -1e300}) {
    Set(2, v);
    ExpectCoeffs(VeltraxProbe::LowPass(*plugin), Row(5).data());
  }
  Set(2, 3.9);  // truncated toward zero
  ExpectCoeffs(VeltraxProbe::LowPass(*plugin), Row(3).data());
}

TEST_F(VeltraxTest, UnusedAndUnknownIndicesChangeNothing) {
  std::unique_ptr<Veltrax> twin = MakeOpened();
  for (int index : {4, 5, 6, 8, 100, -1}) {
    if (plugin->ParamAt(index)) plugin->ParamAt(index)->value = 1.0;
    plugin->ParameterChanged(index);
  }
  const Samples in = Signal(512, 7, 0.8);
  Samples outL, outR, twinL, twinR;
  Process(in, in, outL, outR);
  Process(*twin, in, in, twinL, twinR);
  ExpectSameBits(outL, twinL, "left");
  ExpectSameBits(outR, twinR, "right");
}

TEST_F(VeltraxTest, SampleRateAloneChangesNoCoefficient) {
  plugin->sampleRate = 96000.0;
  plugin->Reset();
  ExpectCoeffs(VeltraxProbe::ShelfLeft(*plugin), Shelf(1.0, 44100).data());
  ExpectCoeffs(VeltraxProbe::ShelfRight(*plugin), Shelf(1.0, 44100).data());

  Set(0, 100.0);  // the next gain change designs for the new rate
  ExpectCoeffs(VeltraxProbe::ShelfLeft(*plugin), Shelf(1.0, 96000).data());
  ExpectCoeffs(VeltraxProbe::ShelfRight(*plugin), Shelf(1.0, 44100).data());
  Set(1, 50.0);
  ExpectCoeffs(VeltraxProbe::ShelfRight(*plugin), Shelf(0.5, 96000).data());
}

TEST_F(VeltraxTest, PowerOffPassesInputThroughAndFreezesTheState) {
  std::unique_ptr<Veltrax> twin = MakeOpened();
  const Samples first = Signal(300, 1, 0.9);
  Samples outL, outR, twinL, twinR;
  Process(first, first, outL, outR);
  Process(*twin, first, first, twinL, twinR);
  EXPECT_EQ(editor->Last(Veltrax::kLampControl), 1.0);

  Set(3, 0.0);
  Samples odd = {0.25, -0.0, 5e-324, -1e300, std::numeric_limits<double>::infinity(), -2.0};
  double payloadNaN;
  const uint64_t payload = 0x7ff800000000abcdull;
  std::memcpy(&payloadNaN, &payload, sizeof payload);
  odd.push_back(payloadNaN);
  const Samples oddRight = Signal(static_cast<int>(odd.size()), 3, 4.0);
  Process(odd, oddRight, outL, outR);
  ExpectSameBits(outL, odd, "bypass left");
  ExpectSameBits(outR, oddRight, "bypass right");
  EXPECT_EQ(editor->Last(Veltrax::kLampControl), 0.0);
  EXPECT_EQ(editor->Last(Veltrax::kLeftMeterControl), -0.02);  // switching zeroed the peaks
  Process(first, first, outL, outR);
  EXPECT_EQ(editor->Last(Veltrax::kRightMeterControl), -0.02 - 0.02);

  // On again: the chains resume from where they stopped.
  Set(3, 1.0);
  const Samples next = Signal(300, 2, 0.9);
  Process(next, next, outL, outR);
  Process(*twin, next, next, twinL, twinR);
  ExpectSameBits(outL, twinL, "resumed left");
  ExpectSameBits(outR, twinR, "resumed right");
}

TEST_F(VeltraxTest, ZeroGainIsSilentOnceTheHistoriesRingOut) {
  Set(0, 0.0);
  Set(1, 0.0);
  const Samples loud = Signal(1024, 4, 1.5);
  Samples outL, outR;
  Process(loud, loud, outL, outR);  // histories were clear: silent at once
  for (size_t i = 0; i < outL.size(); ++i) ASSERT_EQ(outL[i], 0.0) << i;

  Set(0, 100.0);
  Process(loud, loud, outL, outR);
  Set(0, 0.0);
  for (int block = 0; block < 40; ++block) Process(loud, loud, outL, outR);
  double largest = 0.0;
  for (double y : outL) largest = std::max(largest, std::fabs(y));
  EXPECT_LT(largest, 1e-9);
}

TEST_F(VeltraxTest, MetersTakeTheSignedPeakBeforeTheHeadphonesStageMinusTheDecay) {
  std::unique_ptr<Veltrax> phones = MakeOpened();
  RecordingEditor* phonesEditor = AttachRecorder(*phones);
  Set(*phones, 7, 1.0);

  const Samples inL = Signal(256, 11, 0.7);
  const Samples inR = Signal(256, 12, 1.2, 0.002);
  Samples outL, outR, phonesL, phonesR;
  Process(inL, inR, outL, outR);
  Process(*phones, inL, inR, phonesL, phonesR);
  double maxL = 0.0, maxR = 0.0;  // the peaks start at 0 after opening
  for (double y : outL) maxL = std::max(maxL, y);
  for (double y : outR) maxR = std::max(maxR, y);
  EXPECT_EQ(editor->Last(Veltrax::kLeftMeterControl), maxL - 0.02);
  EXPECT_EQ(editor->Last(Veltrax::kRightMeterControl), maxR - 0.02);
  EXPECT_EQ(phonesEditor->Last(Veltrax::kLeftMeterControl), maxL - 0.02);
  EXPECT_EQ(phonesEditor->Last(Veltrax::kRightMeterControl), maxR - 0.02);
  EXPECT_NE(Bits(phonesL[100]), Bits(outL[100]));
}

TEST_F(VeltraxTest, NegativeHalfWavesDoNotRaiseTheMeters) {
  const Samples negative(16, -0.8);
  Samples outL, outR;
  Process(negative, negative, outL, outR);
  for (double y : outL) ASSERT_LT(y, 0.0);
  EXPECT_EQ(editor->Last(Veltrax::kLeftMeterControl), -0.02);
  EXPECT_EQ(editor->Last(Veltrax::kRightMeterControl), -0.02);
}

TEST_F(VeltraxTest, EmptyBlockStillDecaysAndFeedsLampThenMeters) {
  Samples outL, outR;
  const Samples in = Signal(64, 5, 1.0);
  Process(in, in, outL, outR);
  const double left = editor->Last(Veltrax::kLeftMeterControl);
  const double right = editor->Last(Veltrax::kRightMeterControl);

  editor->pushed.clear();
  {
    PlugLockGuard guard(plugin->Lock());
    plugin->ProcessBlock(nullptr, nullptr, 0);
  }
  ASSERT_EQ(editor->pushed.size(), 3u);
  EXPECT_EQ(editor->pushed[0], std::make_pair(7, 1.0));
  EXPECT_EQ(editor->pushed[1], std::make_pair(5, left - 0.02));
  EXPECT_EQ(editor->pushed[2], std::make_pair(6, right - 0.02));
}

TEST_F(VeltraxTest, MatchesTheReferenceBitForBitAcrossParameterChanges) {
  reference::Tape tape;
  struct Step {
    int index;  // -1: change the sample rate to value
    double value;
  };
  // One list of changes before each block.
  const std::vector<std::vector<Step>> script = {
      {},
      {{0, 37.5}, {1, 180.0}},
      {{2, 5.0}},
      {{7, 1.0}, {2, 3.0}},
      {{-1, 48000.0}},
      {{0, 200.0}, {2, 4.0}},
      {{7, 0.0}, {1, 0.0}, {2, 2.0}},
      {{1, 123.45}},
      {{3, 0.0}},
      {{3, 1.0}, {7, 1.0}},
  };
  uint32_t seed = 100;
  for (const std::vector<Step>& changes : script) {
    for (const Step& step : changes) {
      switch (step.index) {
        case -1: plugin->sampleRate = tape.rate = step.value; break;
        case 0: tape.SetGainLeft(step.value); break;
        case 1: tape.SetGainRight(step.value); break;
        case 2: reference::EqualizerRow(static_cast<int>(step.value), tape.lp); break;
        case 3: tape.SetPower(step.value >= 0.5); break;
        case 7: tape.phones = step.value >= 0.5; break;
      }
      if (step.index >= 0) Set(step.index, step.value);
    }
    const int frames = 97 + static_cast<int>(seed % 400);
    const Samples inL = Signal(frames, seed++, 1.3);
    const Samples inR = Signal(frames, seed++, 0.6, 0.0007);
    Samples outL, outR;
    Samples refL(frames), refR(frames);
    Process(inL, inR, outL, outR);
    tape.Block(inL.data(), inR.data(), refL.data(), refR.data(), frames);
    ExpectSameBits(outL, refL, "left");
    ExpectSameBits(outR, refR, "right");
    EXPECT_EQ(Bits(editor->Last(Veltrax::kLeftMeterControl)), Bits(tape.peakL));
    EXPECT_EQ(Bits(editor->Last(Veltrax::kRightMeterControl)), Bits(tape.peakR));
  }
}

// Random settings and signals, block sizes around the length of the runs the
// processing works in, changes between blocks, both precisions and, half
// way, the mono arrangement: every sample and both meters against the reference.
TEST_F(VeltraxTest, MatchesTheReferenceForRandomSettingsBlockSizesAndPrecisions) {
  {
    PlugLockGuard guard(plugin->Lock());
    plugin->ChangeBlockSize(4096);
  }
  reference::Tape tape;
  std::mt19937 random(20240611);
  const auto uniform = [&random](double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(random);
  };
  const auto gain = [&] { return random() % 4 == 0 ? 200.0 * (random() % 2) : uniform(0.0, 200.0); };
  bool mono = false;
  for (int round = 0; round < 4; ++round) {
    if (round == 2) {
      PlugLockGuard guard(plugin->Lock());
      plugin->ConnectInputs(1, 1, false);
      plugin->ConnectOutputs(1, 1, false);
      mono = true;
    }
    for (int frames : {1, 2, 3, 31, 32, 33, 64, 511, 4096}) {
      // Each setting changes with even odds; the power now and then.
      if (random() % 2) {
        const double percent = gain();
        Set(0, percent);
        tape.SetGainLeft(percent);
      }
      if (random() % 2) {
        const double percent = gain();
        Set(1, percent);
        tape.SetGainRight(percent);
      }
      if (random() % 2) {
        const int position = 1 + static_cast<int>(random() % 5);
        Set(2, position);
        reference::EqualizerRow(position, tape.lp);
      }
      if (random() % 2) {
        tape.phones = random() % 2;
        Set(7, tape.phones);
      }
      if (random() % 6 == 0) {
        const bool on = random() % 3 != 0;
        Set(3, on);
        tape.SetPower(on);
      }
      const bool single = random() % 2;
      const double amplitude = random() % 5 == 0 ? 0.0 : uniform(0.01, 3.0);
      Samples inL = Signal(frames, random(), amplitude, uniform(1e-4, 0.3));
      Samples inR = Signal(frames, random(), amplitude, uniform(1e-4, 0.3));
      if (single) {
        for (double& x : inL) x = static_cast<float>(x);
        for (double& x : inR) x = static_cast<float>(x);
      }
      if (mono) inR.assign(plugin->InputPin(1)->Scratch(), plugin->InputPin(1)->Scratch() + frames);
      Samples refL(frames), refR(frames);
      tape.Block(inL.data(), inR.data(), refL.data(), refR.data(), frames);

      Samples outL(frames), outR(frames);
      {
        PlugLockGuard guard(plugin->Lock());
        if (single) {
          std::vector<float> floatInL(inL.begin(), inL.end()), floatInR(inR.begin(), inR.end());
          std::vector<float> floatOutL(frames), floatOutR(frames);
          float* in[2] = {floatInL.data(), floatInR.data()};
          float* out[2] = {floatOutL.data(), floatOutR.data()};
          plugin->ProcessFloatBlock(in, out, frames, false);
          outL.assign(floatOutL.begin(), floatOutL.end());
          outR.assign(floatOutR.begin(), floatOutR.end());
          for (double& y : refL) y = static_cast<float>(y);
          if (!mono) {
            for (double& y : refR) y = static_cast<float>(y);
          }
        } else {
          double* in[2] = {inL.data(), inR.data()};
          double* out[2] = {outL.data(), outR.data()};
          plugin->ProcessDoubleBlock(in, out, frames);
        }
      }
      if (mono) outR.assign(plugin->OutputPin(1)->Scratch(), plugin->OutputPin(1)->Scratch() + frames);
      ExpectSameBits(outL, refL, single ? "single left" : "double left");
      ExpectSameBits(outR, refR, single ? "single right" : "double right");
      ASSERT_EQ(Bits(editor->Last(Veltrax::kLeftMeterControl)), Bits(tape.peakL)) << frames;
      ASSERT_EQ(Bits(editor->Last(Veltrax::kRightMeterControl)), Bits(tape.peakR)) << frames;
    }
  }
}

// After a loud passage the filters ring down. Below the smallest normal
// number the reference runs on in subnormals for good; the effect clears
// them and falls silent. Until its blocks come near that range the output is
// the reference's.
TEST_F(VeltraxTest, SilenceAfterALoudPassageRingsDownToExactZeros) {
  reference::Tape tape;
  const int frames = 1024;
  const Samples loud = Signal(frames, 51, 2.0), silence(frames, 0.0);
  Samples outL, outR, refL(frames), refR(frames);
  int nearSubnormalBlocks = 0;
  for (int block = 0; block < 320; ++block) {  // 7.4 s
    const Samples& in = block == 0 ? loud : silence;
    Process(in, in, outL, outR);
    tape.Block(in.data(), in.data(), refL.data(), refR.data(), frames);
    double largest = 0.0;
    for (int i = 0; i < frames; ++i) largest = std::max({largest, std::fabs(refL[i]), std::fabs(refR[i])});
    if (largest >= 1e-290) {
      ExpectSameBits(outL, refL, "left");
      ExpectSameBits(outR, refR, "right");
      continue;
    }
    ++nearSubnormalBlocks;
    for (int i = 0; i < frames; ++i) {
      ASSERT_LT(std::max(std::fabs(outL[i]), std::fabs(outR[i])), 1e-289) << block << " " << i;
    }
  }
  EXPECT_GT(nearSubnormalBlocks, 50);
  for (int i = 0; i < frames; ++i) ASSERT_EQ(Bits(outL[i]) | Bits(outR[i]), 0u) << i;
  EXPECT_NE(refL.back(), 0.0);  // still subnormal
}

TEST_F(VeltraxTest, MonoConfigurationStillRunsTheRightChainOnThePinScratch) {
  reference::Tape tape;
  const int frames = 256;
  const Samples stereoL = Signal(frames, 21, 0.9), stereoR = Signal(frames, 22, 0.9);
  Samples hostOutL(frames), hostOutR(frames), refL(frames), refR(frames);
  {
    double* in[2] = {const_cast<double*>(stereoL.data()), const_cast<double*>(stereoR.data())};
    double* out[2] = {hostOutL.data(), hostOutR.data()};
    PlugLockGuard guard(plugin->Lock());
    plugin->ProcessDoubleBlock(in, out, frames);
  }
  tape.Block(stereoL.data(), stereoR.data(), refL.data(), refR.data(), frames);
  ExpectSameBits(hostOutL, refL, "stereo left");
  ExpectSameBits(hostOutR, refR, "stereo right");

  // "1-1": only the first pins reach the host.
  plugin->ConnectInputs(1, 1, false);
  plugin->ConnectOutputs(1, 1, false);
  const Samples monoL = Signal(frames, 23, 0.9);
  const Samples pinRight(plugin->InputPin(1)->Scratch(), plugin->InputPin(1)->Scratch() + frames);
  Samples untouched(frames, 42.0);
  {
    double* in[2] = {const_cast<double*>(monoL.data()), nullptr};
    double* out[2] = {hostOutL.data(), untouched.data()};
    PlugLockGuard guard(plugin->Lock());
    plugin->ProcessDoubleBlock(in, out, frames);
  }
  tape.Block(monoL.data(), pinRight.data(), refL.data(), refR.data(), frames);
  ExpectSameBits(hostOutL, refL, "mono left");
  const double* scratchOut = plugin->OutputPin(1)->Scratch();
  ExpectSameBits(Samples(scratchOut, scratchOut + frames), refR, "right chain into its scratch");
  ExpectSameBits(untouched, Samples(frames, 42.0), "host's second buffer");
  EXPECT_NE(refR[0], 0.0);  // the right chain rang on from the stereo block
  EXPECT_EQ(Bits(editor->Last(Veltrax::kRightMeterControl)), Bits(tape.peakR));
}

TEST_F(VeltraxTest, NonFiniteInputPoisonsOnlyItsOwnBlockAndChannel) {
  // A saturator overflow (1e30) ends in NaN just like the non-finite samples.
  for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                     1e30}) {
    std::unique_ptr<Veltrax> hit = MakeOpened();
    std::unique_ptr<Veltrax> clean = MakeOpened();
    const Samples warm = Signal(128, 30, 0.8), right = Signal(128, 31, 0.8);
    Samples outL, outR, cleanL, cleanR;
    Process(*hit, warm, right, outL, outR);
    Process(*clean, warm, right, cleanL, cleanR);

    const Samples good = Signal(128, 32, 0.8);
    Samples spoiled = good;
    spoiled[40] = bad;
    Process(*hit, spoiled, right, outL, outR);
    Process(*clean, good, right, cleanL, cleanR);
    for (size_t i = 0; i < 40; ++i) ASSERT_EQ(Bits(outL[i]), Bits(cleanL[i])) << i;
    EXPECT_TRUE(std::isnan(outL[40])) << bad;
    ExpectSameBits(outR, cleanR, "right beside a bad left sample");

    // The next block starts the left chain from silence, like a new instance.
    std::unique_ptr<Veltrax> fresh = MakeOpened();
    const Samples next = Signal(128, 33, 0.8), nextRight = Signal(128, 34, 0.8);
    Samples freshL, freshR;
    Process(*hit, next, nextRight, outL, outR);
    Process(*fresh, next, nextRight, freshL, freshR);
    Process(*clean, next, nextRight, cleanL, cleanR);
    ExpectSameBits(outL, freshL, "left after recovery");
    ExpectSameBits(outR, cleanR, "right after recovery");
  }
}

TEST_F(VeltraxTest, UnusableSampleRateKeepsTheLastShelf) {
  // Not designable (0, NaN), or the 50 Hz corner at or beyond Nyquist, where
  // the design is unstable (70 Hz, the float 1e-30 Hz) or marginal (100 Hz,
  // 1e30 Hz).
  for (double rate : {0.0, std::nan(""), 70.0, 99.0, 100.0, double(1e-30f), 1e30, 3.4e38}) {
    plugin->sampleRate = rate;
    Set(0, 50.0);
    ExpectCoeffs(VeltraxProbe::ShelfLeft(*plugin), Shelf(1.0, 44100).data());
    const Samples in = Signal(2048, 41, 1.0);
    Samples outL, outR;
    Process(in, in, outL, outR);
    Set(0, 150.0);
    Process(in, in, outL, outR);
    for (double y : outL) ASSERT_TRUE(std::isfinite(y)) << rate;
  }
  // The lowest and highest rates hosts use design as always.
  for (double rate : {8000.0, 768000.0}) {
    plugin->sampleRate = rate;
    Set(1, 80.0);
    ExpectCoeffs(VeltraxProbe::ShelfRight(*plugin), Shelf(0.8, rate).data());
  }
}

}  // namespace

}  // namespace veltrax
