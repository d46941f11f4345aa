#include "BenchSignal.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <ctime>

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

namespace {
// CPU time of this thread: a turn in which the scheduler lets another
// process run is not charged for the wait.
double ThreadSeconds() {
#if defined(CLOCK_THREAD_CPUTIME_ID)
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
#else
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
#endif
}
}  // namespace

int BlocksPerTurn(int frames) { return frames >= 4096 ? 1 : 4096 / frames; }

std::vector<double> TimeInTurns(benchmark::State& state, int blocksPerTurn,
                                const std::vector<std::function<void()>>& ways) {
  const size_t count = ways.size();
  std::vector<double> seconds(count, 0.0);
  size_t first = 0;
  for (auto _ : state) {
    for (size_t k = 0; k < count; ++k) {
      const size_t way = (first + k) % count;
      const double start = ThreadSeconds();
      for (int block = 0; block < blocksPerTurn; ++block) ways[way]();
      seconds[way] += ThreadSeconds() - start;
    }
    benchmark::ClobberMemory();
    first = (first + 1) % count;
  }
  const double calls = static_cast<double>(state.iterations()) * blocksPerTurn;
  for (double& s : seconds) s = calls > 0 ? s / calls : 0.0;
  return seconds;
}

std::vector<double> LoudThenSilent(int frames, double silentSeconds, int channel) {
  const int silent = static_cast<int>(silentSeconds * kBenchSampleRate);
  std::vector<double> samples = BenchSignal(frames, channel);
  for (double& s : samples) s *= 2.0;  // about 0 dBFS
  samples.resize(static_cast<size_t>(frames) + static_cast<size_t>(silent), 0.0);
  return samples;
}

}  // namespace veltrax
