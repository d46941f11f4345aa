#pragma once
// Shared pieces of the benchmarks: a program-like test signal and the
// counters every benchmark reports.

#include <benchmark/benchmark.h>

#include <vector>

namespace veltrax {

constexpr double kBenchSampleRate = 44100.0;

// `frames` samples of a tone with a little noise, about -6 dBFS: keeps the
// filters busy with normal (not denormal) numbers.
std::vector<double> BenchSignal(int frames, int channel);

// ns per stereo frame and multiple of real time at 44.1 kHz, from the
// frames processed per iteration.
void ReportFrameCounters(benchmark::State& state, int framesPerIteration);

// The block sizes every benchmark runs.
void BlockSizes(benchmark::internal::Benchmark* benchmark);

}  // namespace veltrax
