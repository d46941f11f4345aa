// The plug-in binary as a host sees it: processReplacing (and, for
// comparison, processDoubleReplacing) through the dlopen'ed Veltrax.so; then
// processReplacing in turns with the former scalar schedule, on signal and
// on the silence after it, and small blocks in turns with 512-frame blocks.

#include <dlfcn.h>

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "BenchSignal.h"
#include "ScalarSchedule.h"
#include "VstAbi.h"

namespace veltrax {

namespace {

intptr_t VST_CALLBACK SilentHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

// Loads the binary and opens one instance as the renderer does.
class LoadedPlugin {
 public:
  explicit LoadedPlugin(int blockSize) {
    library = dlopen(VELTRAX_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!library) return;
    auto entry = reinterpret_cast<AEffect* (*)(audioMasterCallback)>(dlsym(library, "VSTPluginMain"));
    effect = entry ? entry(SilentHost) : nullptr;
    if (!effect) return;
    Dispatch(effOpen, 0);
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(kBenchSampleRate));
    Dispatch(effSetBlockSize, blockSize);
    Dispatch(effMainsChanged, 1);
  }
  ~LoadedPlugin() {
    if (effect) {
      Dispatch(effMainsChanged, 0);
      Dispatch(effClose, 0);
    }
    if (library) dlclose(library);
  }
  AEffect* effect = nullptr;

 private:
  void Dispatch(int32_t opcode, intptr_t value) {
    effect->dispatcher(effect, opcode, 0, value, nullptr, 0.0f);
  }
  void* library = nullptr;
};

void ProcessReplacing(benchmark::State& state) {
  const int frames = static_cast<int>(state.range(0));
  LoadedPlugin plugin(frames);
  if (!plugin.effect) {
    state.SkipWithError("cannot load " VELTRAX_PLUGIN_PATH);
    return;
  }
  std::vector<float> inLeft(frames), inRight(frames), outLeft(frames), outRight(frames);
  std::vector<double> left = BenchSignal(frames, 0), right = BenchSignal(frames, 1);
  for (int i = 0; i < frames; ++i) {
    inLeft[i] = static_cast<float>(left[i]);
    inRight[i] = static_cast<float>(right[i]);
  }
  float* inputs[2] = {inLeft.data(), inRight.data()};
  float* outputs[2] = {outLeft.data(), outRight.data()};
  AEffect* effect = plugin.effect;
  for (auto _ : state) {
    effect->processReplacing(effect, inputs, outputs, frames);
    benchmark::DoNotOptimize(outLeft.data());
    benchmark::ClobberMemory();
  }
  ReportFrameCounters(state, frames);
}

void ProcessDoubleReplacing(benchmark::State& state) {
  const int frames = static_cast<int>(state.range(0));
  LoadedPlugin plugin(frames);
  if (!plugin.effect) {
    state.SkipWithError("cannot load " VELTRAX_PLUGIN_PATH);
    return;
  }
  std::vector<double> inLeft = BenchSignal(frames, 0), inRight = BenchSignal(frames, 1);
  std::vector<double> outLeft(frames), outRight(frames);
  double* inputs[2] = {inLeft.data(), inRight.data()};
  double* outputs[2] = {outLeft.data(), outRight.data()};
  AEffect* effect = plugin.effect;
  for (auto _ : state) {
    effect->processDoubleReplacing(effect, inputs, outputs, frames);
    benchmark::DoNotOptimize(outLeft.data());
    benchmark::ClobberMemory();
  }
  ReportFrameCounters(state, frames);
}

// Float input and output of one stereo block.
struct FloatBlock {
  FloatBlock(const std::vector<double>& left, const std::vector<double>& right, int blockFrames)
      : inLeft(left.begin(), left.end()), inRight(right.begin(), right.end()),
        outLeft(blockFrames), outRight(blockFrames) {}
  // The pointers of the block starting at frame `offset` of the input.
  float** Inputs(size_t offset = 0) {
    inputs[0] = inLeft.data() + offset;
    inputs[1] = inRight.data() + offset;
    return inputs;
  }
  float** Outputs() {
    outputs[0] = outLeft.data();
    outputs[1] = outRight.data();
    return outputs;
  }
  bool SameOutput(const FloatBlock& other) const {
    const size_t bytes = outLeft.size() * sizeof(float);
    return std::memcmp(outLeft.data(), other.outLeft.data(), bytes) == 0 &&
           std::memcmp(outRight.data(), other.outRight.data(), bytes) == 0;
  }
  std::vector<float> inLeft, inRight, outLeft, outRight;
  float* inputs[2] = {};
  float* outputs[2] = {};
};

void ReportPerFrame(benchmark::State& state, const char* name, double secondsPerBlock, int frames) {
  state.counters[name] = secondsPerBlock / frames * 1e9;
}

// The binary's processReplacing and the scalar schedule behind the same lock
// and conversions, in turns. speedup = scalar time / binary time.
void ProcessReplacingBesideScalar(benchmark::State& state) {
  const int frames = static_cast<int>(state.range(0));
  LoadedPlugin plugin(frames);
  if (!plugin.effect) {
    state.SkipWithError("cannot load " VELTRAX_PLUGIN_PATH);
    return;
  }
  ScalarSchedule scalar(kBenchSampleRate, frames);
  FloatBlock current(BenchSignal(frames, 0), BenchSignal(frames, 1), frames);
  FloatBlock former = current;
  AEffect* effect = plugin.effect;
  // The same arithmetic, or the comparison means nothing.
  effect->processReplacing(effect, current.Inputs(), current.Outputs(), frames);
  scalar.ProcessReplacing(former.Inputs(), former.Outputs(), frames);
  if (!current.SameOutput(former)) {
    state.SkipWithError("the schedules disagree");
    return;
  }
  const std::vector<double> perBlock = TimeInTurns(
      state, BlocksPerTurn(frames),
      {[&] { effect->processReplacing(effect, current.Inputs(), current.Outputs(), frames); },
       [&] { scalar.ProcessReplacing(former.Inputs(), former.Outputs(), frames); }});
  ReportPerFrame(state, "ns_per_frame", perBlock[0], frames);
  ReportPerFrame(state, "scalar_ns_per_frame", perBlock[1], frames);
  state.counters["realtime_x"] = frames / kBenchSampleRate / perBlock[0];
  state.counters["speedup"] = perBlock[1] / perBlock[0];
}

// Silence after a loud passage, the filters rung down for 8 s, in turns with
// the signal itself, for the binary and the scalar schedule.
// silence_cost = time of a silent block / time of a signal block.
void SilenceAfterSignal(benchmark::State& state) {
  const int frames = static_cast<int>(state.range(0));
  LoadedPlugin playing(frames), ringing(frames);
  if (!playing.effect || !ringing.effect) {
    state.SkipWithError("cannot load " VELTRAX_PLUGIN_PATH);
    return;
  }
  ScalarSchedule scalarPlaying(kBenchSampleRate, frames), scalarRinging(kBenchSampleRate, frames);
  FloatBlock signal(BenchSignal(frames, 0), BenchSignal(frames, 1), frames);
  FloatBlock scalarSignal = signal;
  FloatBlock silence(LoudThenSilent(frames, 8.0, 0), LoudThenSilent(frames, 8.0, 1), frames);
  FloatBlock scalarSilence = silence;
  AEffect* effect = ringing.effect;
  const size_t length = silence.inLeft.size();
  for (size_t offset = 0; offset + frames <= length; offset += frames) {
    effect->processReplacing(effect, silence.Inputs(offset), silence.Outputs(), frames);
    scalarRinging.ProcessReplacing(scalarSilence.Inputs(offset), scalarSilence.Outputs(), frames);
  }
  const size_t silent = length - frames;  // the last block: silence
  AEffect* player = playing.effect;
  const std::vector<double> perBlock = TimeInTurns(
      state, BlocksPerTurn(frames),
      {[&] { player->processReplacing(player, signal.Inputs(), signal.Outputs(), frames); },
       [&] { effect->processReplacing(effect, silence.Inputs(silent), silence.Outputs(), frames); },
       [&] { scalarPlaying.ProcessReplacing(scalarSignal.Inputs(), scalarSignal.Outputs(), frames); },
       [&] {
         scalarRinging.ProcessReplacing(scalarSilence.Inputs(silent), scalarSilence.Outputs(), frames);
       }});
  ReportPerFrame(state, "ns_per_frame", perBlock[1], frames);
  ReportPerFrame(state, "scalar_ns_per_frame", perBlock[3], frames);
  state.counters["silence_cost"] = perBlock[1] / perBlock[0];
  state.counters["scalar_silence_cost"] = perBlock[3] / perBlock[2];
}

// Small blocks against 512-frame blocks, in turns, each turn 512 frames.
// relative_throughput = time per frame at 512 / time per frame at the size.
void SmallBlocksAgainst512(benchmark::State& state) {
  const int frames = static_cast<int>(state.range(0));
  const int large = 512;
  LoadedPlugin smallPlugin(frames), largePlugin(large);
  if (!smallPlugin.effect || !largePlugin.effect) {
    state.SkipWithError("cannot load " VELTRAX_PLUGIN_PATH);
    return;
  }
  FloatBlock smallBlocks(BenchSignal(large, 0), BenchSignal(large, 1), frames);
  FloatBlock largeBlock(BenchSignal(large, 0), BenchSignal(large, 1), large);
  AEffect* smallEffect = smallPlugin.effect;
  AEffect* largeEffect = largePlugin.effect;
  const std::vector<double> perTurn = TimeInTurns(
      state, BlocksPerTurn(large),
      {[&] {
         for (int offset = 0; offset < large; offset += frames) {
           smallEffect->processReplacing(smallEffect, smallBlocks.Inputs(offset), smallBlocks.Outputs(),
                                         frames);
         }
       },
       [&] { largeEffect->processReplacing(largeEffect, largeBlock.Inputs(), largeBlock.Outputs(), large); }});
  ReportPerFrame(state, "ns_per_frame", perTurn[0], large);
  ReportPerFrame(state, "ns_per_frame_at_512", perTurn[1], large);
  state.counters["relative_throughput"] = perTurn[1] / perTurn[0];
}

}  // namespace

BENCHMARK(ProcessReplacing)->Apply(BlockSizes);
BENCHMARK(ProcessDoubleReplacing)->Apply(BlockSizes);
BENCHMARK(ProcessReplacingBesideScalar)->Apply(BlockSizes);
BENCHMARK(SilenceAfterSignal)->Arg(32)->Arg(512);
BENCHMARK(SmallBlocksAgainst512)->Arg(32)->Arg(64);
}  // namespace veltrax

BENCHMARK_MAIN();
