#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "Parameter.h"

namespace veltrax {

namespace {
std::string Text(const Parameter& p, double v, int size = 64) {
  char text[64];
  p.FormatValue(v, false, text, size, true);
  return text;
}
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
}  // namespace

TEST(ParameterInit, PrecisionRangeCurveAndBoundedTexts) {
  const double steps[] = {1, 0.5, 0.1, 0.25, 0.01, 0.001, 1e-7};
  const int precisions[] = {0, 1, 1, 2, 2, 3, 6};
  for (int i = 0; i < 7; ++i) {
    Parameter p;
    p.InitNumber("x", 0, 0, 10, steps[i]);
    EXPECT_EQ(p.displayPrecision, precisions[i]) << steps[i];
  }
  Parameter p;
  p.InitNumber("x", 0, 0, 0, 1, "", "", 0.0);
  EXPECT_EQ(p.max, 1.0);
  EXPECT_EQ(p.curve, 1.0);
  EXPECT_EQ(p.type, Double);

  const std::string longText(100, 'n');
  p.InitNumber(longText.c_str(), 0, 0, 1, 1, longText.c_str(), longText.c_str());
  p.AddDisplayText(5, longText.c_str());
  const char* fields[] = {p.name, p.label, p.group, p.DisplayTextAt(0)->text};
  for (const char* field : fields) {
    EXPECT_EQ(std::string(field), longText.substr(0, 31));
  }
}

TEST(ParameterSkewed, GainRoundTripsWithoutSnapping) {
  Parameter p;
  p.InitNumber("Gain Left", 100, 0, 200, 0.01, "%");
  p.SetCurve(2.0);
  p.SetFromNormalized(0.5);
  EXPECT_EQ(p.value, 50.0);
  EXPECT_EQ(p.Normalize(50.0), 0.5);
  EXPECT_EQ(Text(p, p.value), "50.00");
  EXPECT_EQ(p.Normalize(-10), 0.0);
  EXPECT_EQ(p.Normalize(500), 1.0);
}

TEST(ParameterSnapping, NearestStepHalvesUpLimitedToMax) {
  Parameter eq;
  eq.type = Int;
  eq.InitNumber("Equalizer", 1, 1, 5, 1);
  EXPECT_EQ(eq.type, Int);
  const double positions[] = {0.6, 0.625, 1.0};
  const double values[] = {3, 4, 5};
  for (int i = 0; i < 3; ++i) {
    eq.SetFromNormalized(positions[i]);
    EXPECT_EQ(eq.value, values[i]);
  }
  eq.InitNumber("c", 0, 0, 1, 0.3);
  eq.SetFromNormalized(1.0);
  EXPECT_DOUBLE_EQ(eq.value, 0.9);
  eq.InitNumber("c", 0, 0, 1, 0.4);
  eq.SetFromNormalized(1.0);  // snaps to 1.2, limited to 1
  EXPECT_EQ(eq.value, 1.0);

  Parameter untouched;  // kind None snaps like a toggle
  untouched.SetFromNormalized(0.5);
  EXPECT_EQ(untouched.value, 1.0);
  EXPECT_EQ(Text(untouched, untouched.value), "1");
}

TEST(ParameterSnapping, NonFiniteResultsKeepThePreviousValue) {
  Parameter p;
  p.InitNumber("x", 3, 0, 10, 1);
  for (double x : {kNaN, kInf, -kInf}) p.SetFromNormalized(x);
  EXPECT_EQ(p.value, 3.0);
  p.SetCurve(3.0);
  p.SetFromNormalized(-1e200);  // maps to -inf
  EXPECT_EQ(p.value, 3.0);
  p.SetFromNormalized(1e200);  // maps to +inf, limited to max
  EXPECT_EQ(p.value, 10.0);
  p.SetCurve(1.5);
  p.SetFromNormalized(-0.5);  // no real power
  EXPECT_EQ(p.value, 10.0);
}

TEST(ParameterFormat, ToggleTextsLookUpTheTruncatedValue) {
  Parameter power;
  power.InitToggle("Power On/Off", true, "%");
  EXPECT_EQ(power.type, Bool);
  power.SetFromNormalized(0.49);
  EXPECT_EQ(power.value, 0.0);
  EXPECT_EQ(Text(power, 1.0), "on");
  EXPECT_EQ(Text(power, 0.7), "off");  // a restored value is clamped, not snapped
  EXPECT_STREQ(power.LabelForHost(), "");
  // The earlier entry keeps winning; an empty text falls through to the number.
  power.AddDisplayText(1, "ON");
  power.AddDisplayText(2, "");
  EXPECT_EQ(Text(power, 1.0), "on");
  power.value = 2.0;
  EXPECT_EQ(Text(power, 2.0), "2");
  EXPECT_STREQ(power.LabelForHost(), "%");
}

TEST(ParameterFormat, NumbersTruncateNegateClampAndStayInTheBuffer) {
  Parameter p;
  p.InitNumber("x", 0, -10, 10, 1);
  EXPECT_EQ(Text(p, -2.7), "-2");
  EXPECT_EQ(Text(p, 2.7), "2");
  EXPECT_EQ(Text(p, 1e300), "2147483647");
  EXPECT_EQ(Text(p, -1e300), "-2147483648");
  EXPECT_EQ(Text(p, kNaN), "0");
  p.negateDisplay = true;
  EXPECT_EQ(Text(p, 2.7), "-2");

  Parameter gain;
  gain.InitNumber("g", 100, 0, 200, 0.01);
  char small[4] = {'#', '#', '#', '#'};
  gain.FormatValue(1e300, false, small, 3, true);
  EXPECT_STREQ(small, "10");
  EXPECT_EQ(small[3], '#');
  gain.FormatValue(1.0, false, nullptr, 10, true);
  gain.FormatValue(1.0, false, small, 0, true);
  EXPECT_STREQ(small, "10");
  Parameter power;
  power.InitToggle("p", false);
  EXPECT_EQ(Text(power, 0.0, 2), "o");
  power.FormatValue(1.0, true, small, sizeof small, false);  // normalised, no texts
  EXPECT_STREQ(small, "1");
}

}  // namespace veltrax
