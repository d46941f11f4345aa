#pragma once
// A plainly written second implementation of the tape signal path, kept apart
// from the effect's code on purpose: the tests compare the effect's classes and
// the built binary against it bit for bit. Coefficient tables are typed in
// again here, not shared; nothing here may include the effect's headers.

#include <cmath>
#include <cstring>
#include <cstdint>

namespace veltrax {

namespace reference {

inline double Saturate(double x, double g) {
  double t = ((std::fabs(x) * g) * 0.2 + x) * g;
  double u = (t * t) * t + t;
  double a = std::fabs(u);
  double q = u * u;
  double n = ((a * 0.821226666969744 + 0.893229853513558) * q + (a * 2.45550750702956 + 2.45550750702956)) * u;
  double m = std::fabs(u * 0.814642734961073 * a + u) * (q + 2.44506634652299) + 2.44506634652299;
  return n / m;
}

// c = {b0, b1, b2, a1, a2}; h = {x1, x2, y1, y2}.
inline double Section(const double* c, double* h, double x0) {
  double y0 = (c[1] * h[0] + c[0] * x0) + c[2] * h[1];
  y0 -= c[3] * h[2];
  y0 -= c[4] * h[3];
  h[1] = h[0];
  h[0] = x0;
  h[3] = h[2];
  h[2] = y0;
  return y0;
}

inline double Headphones(double h) {
  const double A = 100, B = 300, C = 2, D = 0.00638, E = 400, F = 1.3;
  double v = ((h / A) * B) / C;
  double c = v / (((1 - std::sqrt(1 / E)) / F) * std::fabs(v) + 1 / (E * D));
  return ((C * v) / B) * 100 - c;
}

inline void LowShelf(double x, double rate, double* c) {
  double G = std::fabs((2.01 - x) * 6);
  double V = std::pow(10.0, G / 20);
  double K = std::tan(157.07963267948966 / rate);
  double s = std::sqrt(2.0) * K;
  double norm = 1 / ((s + 1) + K * K);
  double r = std::sqrt(2 * V);
  double VK2 = (K * V) * K;
  c[0] = ((r * K + 1) + VK2) * norm;
  c[1] = ((VK2 - 1) * 2) * norm;
  c[2] = ((1 - r * K) + VK2) * norm;
  c[3] = ((K * K - 1) * 2) * norm;
  c[4] = ((1 - s) + K * K) * norm;
}

const double kHighPass[5] = {0.9962696211841755, -1.992539242368351, 0.9962696211841755,
                             -1.9925268553340985, 0.9925516294026033};
const double kShelfAtStart[5] = {1.0043216579320822, -1.988852069735812, 0.9847235223316667,
                                 -1.9889180915443585, 0.9889791584552022};
// b0, b1, a1, a2 per position 1..5; b2 = b0.
const double kEqualizer[5][4] = {
    {0.24762182049411444, 0.4952436409882289, -0.3818321149380684, 0.37231939691452626},
    {0.03994028289599272, 0.07988056579198544, -1.4236957382827706, 0.5834568698667414},
    {0.013935747306628643, 0.027871494613257285, -1.710582759420829, 0.7663257486473437},
    {0.008629025736859931, 0.017258051473719862, -1.7884235511626012, 0.8229396541100411},
    {0.9093466742019682, 1.8186933484039365, 1.0, 0.7905413511179845},
};

inline void EqualizerRow(int position, double* c) {
  const double* row = kEqualizer[position - 1];
  c[0] = row[0];
  c[1] = row[1];
  c[2] = row[0];
  c[3] = row[2];
  c[4] = row[3];
}

// The whole effect after the host has opened it (default parameters).
struct Tape {
  double rate;
  double gainL = 1, gainR = 1;
  bool power = true, phones = false;
  double peakL = 0, peakR = 0;
  double hp[5], shL[5], shR[5], lp[5];
  double hist[6][4] = {};  // hp L, shelf L, lp L, hp R, shelf R, lp R

  explicit Tape(double sampleRate = 44100) : rate(sampleRate) {
    std::memcpy(hp, kHighPass, sizeof hp);
    LowShelf(1.0, rate, shL);
    LowShelf(1.0, rate, shR);
    EqualizerRow(1, lp);
  }
  void SetGainLeft(double percent) { gainL = percent / 100; LowShelf(gainL, rate, shL); }
  void SetGainRight(double percent) { gainR = percent / 100; LowShelf(gainR, rate, shR); }
  void SetPower(bool on) { power = on; peakL = peakR = 0; }

  void Block(const double* inL, const double* inR, double* outL, double* outR, int n) {
    for (int i = 0; i < n; ++i) {
      if (!power) {
        outL[i] = inL[i];
        outR[i] = inR[i];
        continue;
      }
      double dL = Saturate(inL[i], gainL);
      double dR = Saturate(inR[i], gainR);
      double y = Section(hp, hist[0], dL);
      y = Section(shL, hist[1], y);
      y = Section(lp, hist[2], y);
      if (y > peakL) peakL = y;
      if (phones) y = Headphones(y);
      outL[i] = y;
      y = Section(hp, hist[3], dR);
      y = Section(shR, hist[4], y);
      y = Section(lp, hist[5], y);
      if (y > peakR) peakR = y;
      if (phones) y = Headphones(y);
      outR[i] = y;
    }
    peakL -= 0.02;
    peakR -= 0.02;
  }
};

inline uint64_t Bits(double v) {
  uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

}  // namespace reference

}  // namespace veltrax
