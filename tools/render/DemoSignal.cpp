#include "DemoSignal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "AudioFile.h"

namespace veltrax {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kEighth = 0.25;  // seconds at 120 beats per minute
constexpr int kEighthsPerBar = 8;

// A fixed-seed generator: the demo must come out the same everywhere.
class Noise {
 public:
  double Next() {
    state = state * 1664525u + 1013904223u;
    return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
  }

 private:
  uint32_t state = 0x5EED1234u;
};

struct StereoMix {
  std::vector<double> left, right;
  explicit StereoMix(size_t frames) : left(frames, 0.0), right(frames, 0.0) {}
  // Constant-power pan: -1 left, 0 centre, +1 right.
  void Add(size_t frame, double sample, double pan) {
    double angle = (pan + 1.0) * kPi / 4.0;
    left[frame] += sample * std::cos(angle);
    right[frame] += sample * std::sin(angle);
  }
};

void AddKick(StereoMix& mix, size_t start, int rate, Noise& noise) {
  const size_t length = static_cast<size_t>(0.45 * rate);
  double phase = 0.0;
  for (size_t i = 0; i < length && start + i < mix.left.size(); ++i) {
    double t = static_cast<double>(i) / rate;
    double frequency = 45.0 + 75.0 * std::exp(-t / 0.04);
    phase += 2.0 * kPi * frequency / rate;
    double body = std::sin(phase) * std::exp(-t / 0.28);
    double click = t < 0.002 ? noise.Next() * 0.3 : 0.0;
    mix.Add(start + i, 0.95 * body + click, 0.0);
  }
}

void AddSnare(StereoMix& mix, size_t start, int rate, Noise& noise) {
  const size_t length = static_cast<size_t>(0.3 * rate);
  double previous = 0.0;
  for (size_t i = 0; i < length && start + i < mix.left.size(); ++i) {
    double t = static_cast<double>(i) / rate;
    double tone = std::sin(2.0 * kPi * 185.0 * t) * std::exp(-t / 0.08);
    double white = noise.Next();
    double bright = white - previous;  // first difference: tilts the noise up
    previous = white;
    mix.Add(start + i, 0.35 * tone + 0.3 * bright * std::exp(-t / 0.12), -0.25);
  }
}

void AddHat(StereoMix& mix, size_t start, int rate, Noise& noise, bool open) {
  const double decay = open ? 0.15 : 0.03;
  const size_t length = static_cast<size_t>(decay * 6.0 * rate);
  double previous = 0.0, previousDifference = 0.0;
  for (size_t i = 0; i < length && start + i < mix.left.size(); ++i) {
    double t = static_cast<double>(i) / rate;
    double white = noise.Next();
    double difference = white - previous;
    double hiss = difference - previousDifference;  // second difference: mostly top octave
    previous = white;
    previousDifference = difference;
    mix.Add(start + i, 0.09 * hiss * std::exp(-t / decay), 0.35);
  }
}

// A band-limited saw of six harmonics with a short attack and release.
void AddBassNote(StereoMix& mix, size_t start, size_t length, double frequency, int rate) {
  const double attack = 0.005, release = 0.02;
  for (size_t i = 0; i < length && start + i < mix.left.size(); ++i) {
    double t = static_cast<double>(i) / rate;
    double remaining = static_cast<double>(length - i) / rate;
    double envelope = std::min(1.0, t / attack) * (0.6 + 0.4 * std::exp(-t / 0.08)) *
                      std::min(1.0, remaining / release);
    double saw = 0.0;
    for (int k = 1; k <= 6; ++k) saw += std::sin(2.0 * kPi * frequency * k * t) / k;
    mix.Add(start + i, 0.32 * envelope * saw, 0.0);
  }
}

// A logarithmic sweep across the whole demo, panned from left to right.
void AddSweep(StereoMix& mix, int rate) {
  const double from = 30.0, to = 15000.0;
  const double seconds = static_cast<double>(mix.left.size()) / rate;
  const double k = std::log(to / from) / seconds;
  for (size_t i = 0; i < mix.left.size(); ++i) {
    double t = static_cast<double>(i) / rate;
    double phase = 2.0 * kPi * from * (std::exp(k * t) - 1.0) / k;
    mix.Add(i, 0.12 * std::sin(phase), -0.8 + 1.6 * t / seconds);
  }
}

}  // namespace

std::vector<float> SynthesiseDemoSignal() {
  const int rate = kDemoSampleRate;
  const size_t frames = static_cast<size_t>(kDemoSeconds * rate);
  const size_t eighth = static_cast<size_t>(kEighth * rate);
  StereoMix mix(frames);
  Noise noise;

  // One bar of eighths, repeated: kick, snare, hats; the bass follows in A.
  static const bool kKick[kEighthsPerBar] = {true, false, false, true, true, false, false, false};
  static const bool kSnare[kEighthsPerBar] = {false, false, true, false, false, false, true, false};
  static const double kBass[kEighthsPerBar] = {55.0, 55.0, 110.0, 55.0, 65.41, 55.0, 49.0, 82.41};
  const size_t eighths = frames / eighth;
  for (size_t n = 0; n < eighths; ++n) {
    size_t start = n * eighth;
    int step = static_cast<int>(n % kEighthsPerBar);
    if (kKick[step]) AddKick(mix, start, rate, noise);
    if (kSnare[step]) AddSnare(mix, start, rate, noise);
    AddHat(mix, start, rate, noise, step == kEighthsPerBar - 1);
    AddBassNote(mix, start, eighth * 9 / 10, kBass[step], rate);
  }
  AddSweep(mix, rate);

  // Peak at -3 dBFS (headroom for the low shelf), with 10 ms fades so the file starts and ends quietly.
  double peak = 0.0;
  for (size_t i = 0; i < frames; ++i)
    peak = std::max(peak, std::max(std::fabs(mix.left[i]), std::fabs(mix.right[i])));
  const double scale = peak > 0.0 ? std::pow(10.0, -3.0 / 20.0) / peak : 0.0;
  const size_t fade = static_cast<size_t>(0.01 * rate);
  std::vector<float> interleaved(frames * kDemoChannels);
  for (size_t i = 0; i < frames; ++i) {
    double gain = scale;
    if (i < fade) gain *= static_cast<double>(i) / fade;
    if (frames - 1 - i < fade) gain *= static_cast<double>(frames - 1 - i) / fade;
    interleaved[2 * i] = static_cast<float>(mix.left[i] * gain);
    interleaved[2 * i + 1] = static_cast<float>(mix.right[i] * gain);
  }
  return interleaved;
}

bool WriteDemoFile(const std::string& path, std::string& error) {
  std::vector<float> samples = SynthesiseDemoSignal();
  SF_INFO format{};
  format.samplerate = kDemoSampleRate;
  format.channels = kDemoChannels;
  format.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
  AudioFileWriter writer;
  if (!writer.Create(path, format, error)) return false;
  if (!writer.Write(samples.data(), static_cast<int64_t>(samples.size() / kDemoChannels), error))
    return false;
  return writer.Commit(error);
}

}  // namespace veltrax
