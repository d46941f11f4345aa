#pragma once
// The tape-deck signal path in pieces usable without the plug-in: the
// saturator, the second-order sections, the headphones output stage and the
// low-shelf design. Results are compared bit for bit, so every expression
// keeps its written order of floating-point operations; build without fast
// math and without FMA contraction.
//
// Nothing here allocates or locks. Apart from DesignLowShelf (parameter
// changes only) the one library call is the square root of HeadphoneStage.

#include <cmath>
#include <cstdint>

namespace veltrax {

// One second-order section's coefficients, a0 normalised to 1.
struct BiquadCoeffs {
  double b0 = 0.0;
  double b1 = 0.0;
  double b2 = 0.0;
  double a1 = 0.0;
  double a2 = 0.0;
};

// One channel's history of a section: the previous two inputs and outputs.
struct BiquadState {
  double x1 = 0.0;
  double x2 = 0.0;
  double y1 = 0.0;
  double y2 = 0.0;

  bool IsFinite() const {
    return std::isfinite(x1) && std::isfinite(x2) && std::isfinite(y1) && std::isfinite(y2);
  }
};

inline bool IsFinite(const BiquadCoeffs& c) {
  return std::isfinite(c.b0) && std::isfinite(c.b1) && std::isfinite(c.b2) && std::isfinite(c.a1) &&
         std::isfinite(c.a2);
}

// Direct form I step. The sum is taken as ((b1 x1 + b0 x0) + b2 x2) - a1 y1 - a2 y2.
inline double RunSection(const BiquadCoeffs& c, BiquadState& s, double x0) {
  double y0 = (c.b1 * s.x1 + c.b0 * x0) + c.b2 * s.x2;
  y0 = y0 - c.a1 * s.y1;
  y0 = y0 - c.a2 * s.y2;
  s.x2 = s.x1;
  s.x1 = x0;
  s.y2 = s.y1;
  s.y1 = y0;
  return y0;
}

// Soft saturation of sample x driven by gain fraction g: a rational
// approximation of tanh(u) with u = t^3 + t. The 0.2 g |x| term is even in x
// and makes the curve asymmetric; the limit for large |u| is +-1.008082.
inline double Saturate(double x, double g) {
  const double t = ((std::fabs(x) * g) * 0.2 + x) * g;
  const double u = (t * t) * t + t;
  const double a = std::fabs(u);
  const double q = u * u;
  const double n =
      ((a * 0.821226666969744 + 0.893229853513558) * q + (a * 2.45550750702956 + 2.45550750702956)) * u;
  const double m =
      std::fabs(u * 0.814642734961073 * a + u) * (q + 2.44506634652299) + 2.44506634652299;
  return n / m;
}

// The headphones output stage: h minus a soft-limited 1.5 h. Near zero it
// inverts the polarity with a gain of about -2.83; for large |h| it tends to
// h - 1.368 sign(h). The six constants are kept as stored values, not folded.
struct HeadphoneStage {
  double hpA = 100.0;
  double hpB = 300.0;
  double hpC = 2.0;
  double hpD = 0.00638;
  double hpE = 400.0;
  double hpF = 1.3;

  double Apply(double h) const {
    const double v = ((h / hpA) * hpB) / hpC;
    const double c = v / (((1.0 - std::sqrt(1.0 / hpE)) / hpF) * std::fabs(v) + 1.0 / (hpE * hpD));
    return ((hpC * v) / hpB) * 100.0 - c;
  }
};

// sqrt(2), computed once when the library starts.
extern const double kSqrt2;

// Second-order low-shelf boost at 50 Hz (bilinear transform, Butterworth
// denominator) for gain fraction x (0..2): +12.06 dB at 0 down to +0.06 dB at 2.
BiquadCoeffs DesignLowShelf(double gainFraction, double sampleRate);

// True when both poles lie strictly inside the unit circle: |a2| < 1 and
// |a1| < 1 + a2. Non-finite coefficients fail too.
inline bool IsStable(const BiquadCoeffs& c) {
  return IsFinite(c) && std::fabs(c.a2) < 1.0 && std::fabs(c.a1) < 1.0 + c.a2;
}

// Fixed 35 Hz high-pass (Q 0.667) designed for 44100 Hz; it does not follow the rate.
inline constexpr BiquadCoeffs kHighPassCoeffs{0.9962696211841755, -1.992539242368351,
                                              0.9962696211841755, -1.9925268553340985,
                                              0.9925516294026033};

// The left shelf until the first gain change: +10 dB at 55 Hz for 44100 Hz.
inline constexpr BiquadCoeffs kInitialShelfCoeffs{1.0043216579320822, -1.988852069735812,
                                                  0.9847235223316667, -1.9889180915443585,
                                                  0.9889791584552022};

// Low-pass of each "Equalizer" position 1..5 (b2 = b0, b1 = 2 b0). Fixed
// values, not designed for the rate. Position 5 has a1 = +1 and a resonance
// near 15.2 kHz.
inline constexpr int kEqualizerPositions = 5;
inline constexpr BiquadCoeffs kEqualizerTable[kEqualizerPositions] = {
    {0.24762182049411444, 0.4952436409882289, 0.24762182049411444, -0.3818321149380684,
     0.37231939691452626},
    {0.03994028289599272, 0.07988056579198544, 0.03994028289599272, -1.4236957382827706,
     0.5834568698667414},
    {0.013935747306628643, 0.027871494613257285, 0.013935747306628643, -1.710582759420829,
     0.7663257486473437},
    {0.008629025736859931, 0.017258051473719862, 0.008629025736859931, -1.7884235511626012,
     0.8229396541100411},
    {0.9093466742019682, 1.8186933484039365, 0.9093466742019682, 1.0, 0.7905413511179845},
};

// The row for position 1..5, or none for any other position.
inline const BiquadCoeffs* EqualizerRow(int32_t position) {
  return position >= 1 && position <= kEqualizerPositions ? &kEqualizerTable[position - 1] : nullptr;
}

// A new instance starts on position 2's low-pass although "Equalizer" reads
// 1; the pass over all parameters when the host opens the effect selects row 1.
inline constexpr int32_t kInitialLowPassRow = 2;

}  // namespace veltrax
