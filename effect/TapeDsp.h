#pragma once
// The tape-deck signal path in pieces usable without the plug-in: the
// saturator, the second-order sections, the headphones output stage and the
// low-shelf design. Results are compared bit for bit, so every expression
// keeps its written order of floating-point operations; build without fast
// math and without FMA contraction.
//
// The saturator, the sections and the headphones stage take either one
// sample (double) or one StereoFrame, the left and the right sample side by
// side: each lane then goes through exactly the scalar operations, so both
// forms give the same bits.
//
// Nothing here allocates or locks. Apart from DesignLowShelf (parameter
// changes only) the one library call is the square root of HeadphoneStage.

#include <cmath>
#include <cstdint>
#include <limits>

namespace veltrax {

// Lane 0 the left sample, lane 1 the right. A compiler vector (GCC and
// Clang): one SSE2 instruction per operation for both channels, every lane
// rounded exactly as the scalar operation.
using StereoFrame = double __attribute__((vector_size(16)));

inline double Abs(double x) { return std::fabs(x); }
// Clears the sign bits, as fabs does: -0.0 and negative NaNs included.
inline StereoFrame Abs(StereoFrame x) {
  using Bits = int64_t __attribute__((vector_size(16)));
  return reinterpret_cast<StereoFrame>(reinterpret_cast<Bits>(x) & INT64_MAX);
}

// One second-order section's coefficients, a0 normalised to 1.
template <class Sample>
struct SectionCoeffs {
  Sample b0{};
  Sample b1{};
  Sample b2{};
  Sample a1{};
  Sample a2{};
};

// One channel's history of a section: the previous two inputs and outputs.
template <class Sample>
struct SectionHistory {
  Sample x1{};
  Sample x2{};
  Sample y1{};
  Sample y2{};

  bool IsFinite() const {
    return std::isfinite(x1) && std::isfinite(x2) && std::isfinite(y1) && std::isfinite(y2);
  }
};

using BiquadCoeffs = SectionCoeffs<double>;
using BiquadState = SectionHistory<double>;
using StereoCoeffs = SectionCoeffs<StereoFrame>;
using StereoHistory = SectionHistory<StereoFrame>;

inline bool IsFinite(const BiquadCoeffs& c) {
  return std::isfinite(c.b0) && std::isfinite(c.b1) && std::isfinite(c.b2) && std::isfinite(c.a1) &&
         std::isfinite(c.a2);
}

// The left channel's coefficients in lane 0, the right channel's in lane 1.
inline StereoCoeffs SideBySide(const BiquadCoeffs& left, const BiquadCoeffs& right) {
  StereoCoeffs c;
  c.b0 = StereoFrame{left.b0, right.b0};
  c.b1 = StereoFrame{left.b1, right.b1};
  c.b2 = StereoFrame{left.b2, right.b2};
  c.a1 = StereoFrame{left.a1, right.a1};
  c.a2 = StereoFrame{left.a2, right.a2};
  return c;
}

inline StereoHistory SideBySide(const BiquadState& left, const BiquadState& right) {
  StereoHistory h;
  h.x1 = StereoFrame{left.x1, right.x1};
  h.x2 = StereoFrame{left.x2, right.x2};
  h.y1 = StereoFrame{left.y1, right.y1};
  h.y2 = StereoFrame{left.y2, right.y2};
  return h;
}

inline BiquadState Lane(const StereoHistory& h, int lane) {
  return BiquadState{h.x1[lane], h.x2[lane], h.y1[lane], h.y2[lane]};
}

// 0 in each lane whose four values are all finite, NaN otherwise: x - x is
// 0 for every finite x only.
inline StereoFrame NonFiniteProbe(const StereoHistory& h) {
  return ((h.x1 - h.x1) + (h.x2 - h.x2)) + ((h.y1 - h.y1) + (h.y2 - h.y2));
}

// Subnormal lanes become zero; zeros, normal numbers, infinities and NaNs
// keep their bits.
inline StereoFrame FlushSubnormal(StereoFrame v) {
  const auto subnormal = (Abs(v) < std::numeric_limits<double>::min()) & (v != 0.0);
  return subnormal ? StereoFrame{} : v;
}

// In silence the filters ring down into subnormal numbers within seconds and
// then stay there for good, each operation on them many times slower than on
// normal numbers. Clearing such values ends that; nothing of normal size
// changes, and the host's floating-point mode is left alone.
inline void FlushSubnormals(StereoHistory& h) {
  h.x1 = FlushSubnormal(h.x1);
  h.x2 = FlushSubnormal(h.x2);
  h.y1 = FlushSubnormal(h.y1);
  h.y2 = FlushSubnormal(h.y2);
}

// Direct form I step. The sum is taken as ((b1 x1 + b0 x0) + b2 x2) - a1 y1 - a2 y2.
template <class Sample>
inline Sample RunSection(const SectionCoeffs<Sample>& c, SectionHistory<Sample>& s, Sample x0) {
  Sample y0 = (c.b1 * s.x1 + c.b0 * x0) + c.b2 * s.x2;
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
template <class Sample>
inline Sample Saturate(Sample x, Sample g) {
  const Sample t = ((Abs(x) * g) * 0.2 + x) * g;
  const Sample u = (t * t) * t + t;
  const Sample a = Abs(u);
  const Sample q = u * u;
  const Sample n =
      ((a * 0.821226666969744 + 0.893229853513558) * q + (a * 2.45550750702956 + 2.45550750702956)) * u;
  const Sample m = Abs(u * 0.814642734961073 * a + u) * (q + 2.44506634652299) + 2.44506634652299;
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

  // The divisor is slope |v| + offset; both terms depend on the constants
  // only, so a block works them out once (same operations, same bits).
  double DivisorSlope() const { return (1.0 - std::sqrt(1.0 / hpE)) / hpF; }
  double DivisorOffset() const { return 1.0 / (hpE * hpD); }

  template <class Sample>
  Sample Apply(Sample h, double slope, double offset) const {
    const Sample v = ((h / hpA) * hpB) / hpC;
    const Sample c = v / (slope * Abs(v) + offset);
    return ((hpC * v) / hpB) * 100.0 - c;
  }
  double Apply(double h) const { return Apply(h, DivisorSlope(), DivisorOffset()); }
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
