// The signal-path pieces on their own: known values, limits and properties
// that a wrong constant or a changed order of operations would break.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <vector>

#include "TapeDsp.h"
#include "TapeReference.h"

namespace veltrax {

namespace {

using reference::Bits;

// Magnitude response of a section at frequency f for rate fs.
double Magnitude(const BiquadCoeffs& c, double f, double fs) {
  const std::complex<double> z1 = std::polar(1.0, -2.0 * M_PI * f / fs);
  const std::complex<double> z2 = z1 * z1;
  return std::abs((c.b0 + c.b1 * z1 + c.b2 * z2) / (1.0 + c.a1 * z1 + c.a2 * z2));
}

double DcGain(const BiquadCoeffs& c) { return (c.b0 + c.b1 + c.b2) / (1.0 + c.a1 + c.a2); }
double NyquistGain(const BiquadCoeffs& c) { return (c.b0 - c.b1 + c.b2) / (1.0 - c.a1 + c.a2); }
double Db(double gain) { return 20.0 * std::log10(std::fabs(gain)); }

TEST(Saturate, KnownValuesShowTheAsymmetry) {
  EXPECT_NEAR(Saturate(1.0, 1.0), 0.99430605, 5e-9);
  EXPECT_NEAR(Saturate(-1.0, 1.0), -0.86513727, 5e-9);
  EXPECT_NEAR(Saturate(1.0, 2.0), 1.00351942, 5e-9);
}

TEST(Saturate, ZeroGainSilences) {
  for (double x : {-3.0, -1.0, -1e-9, 0.0, 0.5, 1.0, 7.0}) EXPECT_EQ(Saturate(x, 0.0), 0.0) << x;
}

TEST(Saturate, TendsToTheRatioOfTheLeadingCoefficients) {
  // Far out the curve flattens at +-1.008082 (drive 1e6 gives u near 1e18).
  const double limit = 1.008082;
  EXPECT_NEAR(Saturate(1e6, 1.0), limit, 1e-6);
  EXPECT_NEAR(Saturate(-1e6, 1.0), -limit, 1e-6);
  EXPECT_NEAR(Saturate(50.0, 1.0), limit, 1e-5);
  EXPECT_NEAR(Saturate(-50.0, 1.0), -limit, 1e-5);
  // Slightly above 1 in magnitude is expected, not clipped.
  EXPECT_GT(Saturate(10.0, 2.0), 1.0);
}

TEST(Saturate, MatchesTheWrittenFormulaBitForBit) {
  for (double g : {0.0, 0.25, 1.0, 1.4142, 2.0}) {
    for (double x = -2.5; x <= 2.5; x += 0.0371) {
      ASSERT_EQ(Bits(Saturate(x, g)), Bits(reference::Saturate(x, g))) << x << " " << g;
    }
  }
}

TEST(RunSection, SumsInTheWrittenOrder) {
  // Each partial sum rounds back to 1 only when added left to right.
  const BiquadCoeffs ones{1.0, 1.0, 1.0, 1.0, 1.0};
  BiquadState state{1e-16, 1e-16, -1e-16, -1e-16};
  EXPECT_EQ(RunSection(ones, state, 1.0), 1.0);

  BiquadState feedForward{1.0, 1e-16, 0.0, 0.0};
  EXPECT_EQ(RunSection(ones, feedForward, 1e-16), 1.0);
}

TEST(RunSection, ShiftsBothHistories) {
  const BiquadCoeffs delayTwo{0.0, 0.0, 1.0, 0.0, 0.0};
  BiquadState state;
  std::vector<double> out;
  for (double x : {1.0, 0.0, 0.0, 0.0}) out.push_back(RunSection(delayTwo, state, x));
  EXPECT_EQ(out, (std::vector<double>{0.0, 0.0, 1.0, 0.0}));

  const BiquadCoeffs echoTwo{1.0, 0.0, 0.0, 0.0, -1.0};  // y0 = x0 + y2
  state = BiquadState();
  out.clear();
  for (double x : {1.0, 0.0, 0.0, 0.0, 0.0}) out.push_back(RunSection(echoTwo, state, x));
  EXPECT_EQ(out, (std::vector<double>{1.0, 0.0, 1.0, 0.0, 1.0}));
}

TEST(HeadphoneStage, InvertsSmallSignalsAndPassesSilence) {
  const HeadphoneStage stage;
  EXPECT_EQ(Bits(stage.Apply(0.0)), Bits(0.0));
  EXPECT_NEAR(stage.Apply(1e-9) / 1e-9, -2.828, 1e-7);
  EXPECT_NEAR(stage.Apply(-1e-9) / -1e-9, -2.828, 1e-7);
}

TEST(HeadphoneStage, LargeSignalsLoseAFixedAmountAndStayOdd) {
  const HeadphoneStage stage;
  EXPECT_NEAR(stage.Apply(1000.0), 1000.0 - 1.368, 1e-3);
  EXPECT_NEAR(stage.Apply(-1000.0), -1000.0 + 1.368, 1e-3);
  for (double h : {0.001, 0.3, 1.0, 2.5}) EXPECT_EQ(stage.Apply(-h), -stage.Apply(h)) << h;
  for (double h = -1.5; h <= 1.5; h += 0.0173) {
    ASSERT_EQ(Bits(stage.Apply(h)), Bits(reference::Headphones(h))) << h;
  }
}

// Equal bits, or both NaN: the payload of a NaN may depend on operand order.
void ExpectSameValue(double actual, double expected, double input) {
  if (std::isnan(expected)) {
    EXPECT_TRUE(std::isnan(actual)) << input;
  } else {
    EXPECT_EQ(Bits(actual), Bits(expected)) << input;
  }
}

TEST(StereoFrame, EachLaneGivesTheScalarResult) {
  // Signed zeros and subnormals too: Abs must clear the sign bit as fabs does.
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<double> values = {0.0, -0.0, 5e-324, -5e-324, 1e-300, -0.7, 0.7, 1.5, -3.0,
                                      1e30, -1e200, inf, -inf, std::nan("")};
  const HeadphoneStage stage;
  const double slope = stage.DivisorSlope(), offset = stage.DivisorOffset();
  for (size_t i = 0; i < values.size(); ++i) {
    const double left = values[i], right = values[values.size() - 1 - i];
    const StereoFrame saturated = Saturate(StereoFrame{left, right}, StereoFrame{1.37, 0.25});
    ExpectSameValue(saturated[0], Saturate(left, 1.37), left);
    ExpectSameValue(saturated[1], Saturate(right, 0.25), right);
    const StereoFrame phones = stage.Apply(StereoFrame{left, right}, slope, offset);
    ExpectSameValue(phones[0], stage.Apply(left), left);
    ExpectSameValue(phones[1], stage.Apply(right), right);
  }

  const BiquadCoeffs shelf = DesignLowShelf(0.3, 44100.0);
  const StereoCoeffs both = SideBySide(kHighPassCoeffs, shelf);
  BiquadState leftState{0.1, -0.2, 0.3, -0.4}, rightState{-1e-3, 2e-3, 0.5, 0.25};
  StereoHistory history = SideBySide(leftState, rightState);
  for (double x : {0.9, -0.4, 0.0, 1e-9, -1.0, 0.33}) {
    const StereoFrame y = RunSection(both, history, StereoFrame{x, -x});
    ASSERT_EQ(Bits(y[0]), Bits(RunSection(kHighPassCoeffs, leftState, x))) << x;
    ASSERT_EQ(Bits(y[1]), Bits(RunSection(shelf, rightState, -x))) << x;
  }
  for (int lane = 0; lane < 2; ++lane) {
    const BiquadState got = Lane(history, lane), expected = lane == 0 ? leftState : rightState;
    EXPECT_EQ(Bits(got.x1), Bits(expected.x1)) << lane;
    EXPECT_EQ(Bits(got.x2), Bits(expected.x2)) << lane;
    EXPECT_EQ(Bits(got.y1), Bits(expected.y1)) << lane;
    EXPECT_EQ(Bits(got.y2), Bits(expected.y2)) << lane;
  }
}

TEST(StereoFrame, FlushClearsSubnormalsOnly) {
  const double smallest = std::numeric_limits<double>::min();
  const double inf = std::numeric_limits<double>::infinity();
  for (double kept : {0.0, -0.0, smallest, -smallest, 1e-300, -2.5, inf, -inf}) {
    EXPECT_EQ(Bits(FlushSubnormal(StereoFrame{kept, kept})[1]), Bits(kept)) << kept;
  }
  EXPECT_TRUE(std::isnan(FlushSubnormal(StereoFrame{std::nan(""), 0.0})[0]));
  for (double cleared : {5e-324, -5e-324, smallest / 2, -smallest * 0.999}) {
    const StereoFrame flushed = FlushSubnormal(StereoFrame{cleared, 1.0});
    EXPECT_EQ(Bits(flushed[0]), Bits(0.0)) << cleared;
    EXPECT_EQ(flushed[1], 1.0);
  }
}

TEST(DesignLowShelf, MatchesTheWrittenFormulaForEveryRate) {
  // The low rates make K large enough for every rounding step to show.
  for (double rate : {44100.0, 48000.0, 88200.0, 96000.0, 192000.0, 22050.0, 1000.0, 400.0}) {
    for (double x : {0.0, 0.25, 0.5, 1.0, 1.37, 2.0}) {
      const BiquadCoeffs c = DesignLowShelf(x, rate);
      double expected[5];
      reference::LowShelf(x, rate, expected);
      EXPECT_EQ(Bits(c.b0), Bits(expected[0])) << rate << " " << x;
      EXPECT_EQ(Bits(c.b1), Bits(expected[1])) << rate << " " << x;
      EXPECT_EQ(Bits(c.b2), Bits(expected[2])) << rate << " " << x;
      EXPECT_EQ(Bits(c.a1), Bits(expected[3])) << rate << " " << x;
      EXPECT_EQ(Bits(c.a2), Bits(expected[4])) << rate << " " << x;
    }
  }
}

TEST(DesignLowShelf, BoostsLowsByTheGainDependentAmountAndLeavesHighs) {
  // |(2.01 - x) * 6| dB at DC, unity towards Nyquist.
  EXPECT_NEAR(Db(DcGain(DesignLowShelf(0.0, 44100.0))), 12.06, 1e-9);
  EXPECT_NEAR(Db(DcGain(DesignLowShelf(1.0, 44100.0))), 6.06, 1e-9);
  EXPECT_NEAR(Db(DcGain(DesignLowShelf(2.0, 44100.0))), 0.06, 1e-9);
  EXPECT_NEAR(Db(DcGain(DesignLowShelf(1.0, 96000.0))), 6.06, 1e-9);
  EXPECT_NEAR(NyquistGain(DesignLowShelf(0.0, 44100.0)), 1.0, 1e-6);
  // At the 50 Hz corner the gain is sqrt((1 + V^2) / 2) for the linear boost V.
  const double boost = std::pow(10.0, 12.06 / 20.0);
  EXPECT_NEAR(Magnitude(DesignLowShelf(0.0, 44100.0), 50.0, 44100.0),
              std::sqrt((1.0 + boost * boost) / 2.0), 1e-3);
}

TEST(FixedCoefficients, HighPassAndInitialShelfHaveTheirDesignedResponse) {
  EXPECT_EQ(DcGain(kHighPassCoeffs), 0.0);
  EXPECT_NEAR(Magnitude(kHighPassCoeffs, 35.0, 44100.0), 0.667, 2e-3);
  EXPECT_NEAR(Magnitude(kHighPassCoeffs, 10000.0, 44100.0), 1.0, 1e-3);
  EXPECT_NEAR(Db(DcGain(kInitialShelfCoeffs)), 10.0, 1e-3);
  EXPECT_NEAR(NyquistGain(kInitialShelfCoeffs), 1.0, 1e-6);
}

TEST(EqualizerTable, RowsAreSymmetricLowPassesAtTheirCorners) {
  struct Corner {
    double frequency, q;
  };
  const Corner corners[4] = {{9046.0, 1.05}, {3180.0, 0.832}, {1768.0, 0.942}, {1368.0, 0.997}};
  for (int position = 1; position <= kEqualizerPositions; ++position) {
    const BiquadCoeffs* row = EqualizerRow(position);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->b2, row->b0) << position;
    EXPECT_EQ(row->b1, 2.0 * row->b0) << position;
    if (position <= 4) {
      EXPECT_NEAR(DcGain(*row), 1.0, 1e-12) << position;
      const Corner& corner = corners[position - 1];
      EXPECT_NEAR(Magnitude(*row, corner.frequency, 44100.0), corner.q, 0.01 * corner.q) << position;
    }
  }
  const BiquadCoeffs* five = EqualizerRow(5);
  EXPECT_EQ(five->a1, 1.0);
  EXPECT_NEAR(DcGain(*five), 1.3035, 1e-4);
  EXPECT_NEAR(Db(DcGain(*five)), 2.3, 0.05);
}

TEST(EqualizerTable, PositionsOutsideOneToFiveSelectNothing) {
  for (int position : {-1, 0, 6, 1000, INT32_MIN, INT32_MAX}) EXPECT_EQ(EqualizerRow(position), nullptr);
}

}  // namespace

}  // namespace veltrax
