#include "BenchSignal.h"

#include <cmath>
#include <cstdint>

namespace veltrax {

std::vector<double> BenchSignal(int frames, int channel) {
  std::vector<double> samples(static_cast<size_t>(frames));
  uint32_t noise = 0x1234567u + static_cast<uint32_t>(channel);
  const double frequency = 97.0 + 61.0 * channel;
  for (int i = 0; i < frames; ++i) {
    noise = noise * 1664525u + 1013904223u;
    double hiss = (static_cast<double>(noise >> 8) / 8388608.0 - 1.0) * 0.05;
    samples[static_cast<size_t>(i)] = 0.45 * std::sin(6.283185307179586 * frequency * i / kBenchSampleRate) + hiss;
  }
  return samples;
}

void ReportFrameCounters(benchmark::State& state, int framesPerIteration) {
  using benchmark::Counter;
  const double frames = static_cast<double>(framesPerIteration);
  // Rate counters divide by the CPU time; inverted they give the time per
  // frame (shown as "per_frame=22.7ns"). Seconds of audio per second of CPU
  // is the multiple of real time (shown as "realtime_x=1.0k/s": 1000x).
  state.counters["per_frame"] = Counter(frames, Counter::kIsIterationInvariantRate | Counter::kInvert);
  state.counters["realtime_x"] = Counter(frames / kBenchSampleRate, Counter::kIsIterationInvariantRate);
}

void BlockSizes(benchmark::internal::Benchmark* benchmark) {
  for (int frames : {32, 64, 512, 4096}) benchmark->Arg(frames);
}

}  // namespace veltrax
