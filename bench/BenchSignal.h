#pragma once
// Shared pieces of the benchmarks: a program-like test signal and the
// counters every benchmark reports.

#include <benchmark/benchmark.h>

#include <functional>
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

// Blocks of `frames` per turn of TimeInTurns: about 4096 frames.
int BlocksPerTurn(int frames);

// Times several ways of processing in turns, each turn `blocksPerTurn` calls
// of one way, the first way rotating with every iteration, so that load from
// other work on the machine falls on all of them alike. Returns each way's
// thread CPU seconds per call.
std::vector<double> TimeInTurns(benchmark::State& state, int blocksPerTurn,
                                const std::vector<std::function<void()>>& ways);

// A loud passage followed by `silentSeconds` of silence, for priming an
// instance before timing the silence after it.
std::vector<double> LoudThenSilent(int frames, double silentSeconds, int channel);

}  // namespace veltrax
