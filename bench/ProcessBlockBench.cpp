// Veltrax::ProcessBlock on an instance linked into the benchmark: the signal
// path alone, without the float conversion and the lock of the callbacks.

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "BenchSignal.h"
#include "EffectVST.h"

namespace veltrax {

namespace {

intptr_t VST_CALLBACK SilentHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

void ProcessBlock(benchmark::State& state) {
  const int frames = static_cast<int>(state.range(0));
  std::unique_ptr<IEffectVST> plug(CreateEffectInstance(SilentHost));
  if (!plug) {
    state.SkipWithError("no effect instance");
    return;
  }
  AEffect* effect = plug->Effect();
  // effOpen designs the coefficients for the current rate.
  effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
  effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(kBenchSampleRate));
  effect->dispatcher(effect, effSetBlockSize, 0, frames, nullptr, 0.0f);
  effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);

  std::vector<double> inLeft = BenchSignal(frames, 0), inRight = BenchSignal(frames, 1);
  std::vector<double> outLeft(frames), outRight(frames);
  double* inputs[2] = {inLeft.data(), inRight.data()};
  double* outputs[2] = {outLeft.data(), outRight.data()};
  for (auto _ : state) {
    plug->ProcessBlock(inputs, outputs, frames);
    benchmark::DoNotOptimize(outLeft.data());
    benchmark::DoNotOptimize(outRight.data());
    benchmark::ClobberMemory();
  }
  ReportFrameCounters(state, frames);
  effect->dispatcher(effect, effMainsChanged, 0, 0, nullptr, 0.0f);
  // effClose deletes the instance itself.
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  plug.release();
}

}  // namespace

BENCHMARK(ProcessBlock)->Apply(BlockSizes);
}  // namespace veltrax

BENCHMARK_MAIN();
