#include "TapeDsp.h"

namespace veltrax {

const double kSqrt2 = std::sqrt(2.0);

BiquadCoeffs DesignLowShelf(double gainFraction, double sampleRate) {
  const double x = gainFraction;
  const double boostDb = std::fabs((2.01 - x) * 6.0);
  const double boost = std::pow(10.0, boostDb / 20.0);
  const double k = std::tan(157.07963267948966 / sampleRate);  // 50 pi / rate
  const double s = kSqrt2 * k;
  const double norm = 1.0 / ((s + 1.0) + k * k);
  const double r = std::sqrt(2.0 * boost);
  const double vk2 = (k * boost) * k;

  BiquadCoeffs c;
  c.b0 = ((r * k + 1.0) + vk2) * norm;
  c.b1 = ((vk2 - 1.0) * 2.0) * norm;
  c.b2 = ((1.0 - r * k) + vk2) * norm;
  c.a1 = ((k * k - 1.0) * 2.0) * norm;
  c.a2 = ((1.0 - s) + k * k) * norm;
  return c;
}

}  // namespace veltrax
