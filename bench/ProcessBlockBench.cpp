// Veltrax::ProcessBlock on an instance linked into the benchmark: the signal
// path alone, without the float conversion and the lock of the callbacks;
// then in turns with the former scalar schedule.

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "BenchSignal.h"
#include "EffectVST.h"
#include "ScalarSchedule.h"

namespace veltrax {

namespace {

intptr_t VST_CALLBACK SilentHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

// An instance opened and switched on as a host does; closed on destruction.
class OpenedEffect {
 public:
  explicit OpenedEffect(int frames) : adapter(CreateVstInstance(SilentHost)) {
    if (!adapter) return;
    plug = adapter->Plugin();
    AEffect* effect = adapter->Effect();
    // effOpen designs the coefficients for the current rate.
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(kBenchSampleRate));
    effect->dispatcher(effect, effSetBlockSize, 0, frames, nullptr, 0.0f);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
  }
  ~OpenedEffect() {
    if (!adapter) return;
    AEffect* effect = adapter->Effect();
    effect->dispatcher(effect, effMainsChanged, 0, 0, nullptr, 0.0f);
    // effClose deletes the instance itself.
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  }
  IEffectVST* adapter = nullptr;
  IEffectBase* plug = nullptr;  // the effect the adapter drives
};

// Double input and output of one stereo block.
struct DoubleBlock {
  explicit DoubleBlock(int frames)
      : inLeft(BenchSignal(frames, 0)), inRight(BenchSignal(frames, 1)), outLeft(frames), outRight(frames) {}
  std::vector<double> inLeft, inRight, outLeft, outRight;
  double* inputs[2] = {inLeft.data(), inRight.data()};
  double* outputs[2] = {outLeft.data(), outRight.data()};
};

void ProcessBlock(benchmark::State& state) {
  const int frames = static_cast<int>(state.range(0));
  OpenedEffect opened(frames);
  if (!opened.plug) {
    state.SkipWithError("no effect instance");
    return;
  }
  DoubleBlock block(frames);
  for (auto _ : state) {
    opened.plug->ProcessBlock(block.inputs, block.outputs, frames);
    benchmark::DoNotOptimize(block.outLeft.data());
    benchmark::DoNotOptimize(block.outRight.data());
    benchmark::ClobberMemory();
  }
  ReportFrameCounters(state, frames);
}

// The effect's ProcessBlock and the scalar schedule in turns.
// speedup = scalar time / effect time.
void ProcessBlockBesideScalar(benchmark::State& state) {
  const int frames = static_cast<int>(state.range(0));
  OpenedEffect opened(frames);
  if (!opened.plug) {
    state.SkipWithError("no effect instance");
    return;
  }
  ScalarSchedule scalar(kBenchSampleRate, frames);
  DoubleBlock current(frames), former(frames);
  IEffectBase& plug = *opened.plug;
  plug.ProcessBlock(current.inputs, current.outputs, frames);
  scalar.ProcessBlock(former.inputs, former.outputs, frames);
  if (current.outLeft != former.outLeft || current.outRight != former.outRight) {
    state.SkipWithError("the schedules disagree");
    return;
  }
  const std::vector<double> perBlock =
      TimeInTurns(state, BlocksPerTurn(frames),
                  {[&] { plug.ProcessBlock(current.inputs, current.outputs, frames); },
                   [&] { scalar.ProcessBlock(former.inputs, former.outputs, frames); }});
  state.counters["ns_per_frame"] = perBlock[0] / frames * 1e9;
  state.counters["scalar_ns_per_frame"] = perBlock[1] / frames * 1e9;
  state.counters["speedup"] = perBlock[1] / perBlock[0];
}

}  // namespace

BENCHMARK(ProcessBlock)->Apply(BlockSizes);
BENCHMARK(ProcessBlockBesideScalar)->Apply(BlockSizes);
}  // namespace veltrax

BENCHMARK_MAIN();
