// The plug-in binary as a host sees it: processReplacing (and, for
// comparison, processDoubleReplacing) through the dlopen'ed Veltrax.so.

#include <dlfcn.h>

#include <benchmark/benchmark.h>

#include <vector>

#include "BenchSignal.h"
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

}  // namespace

BENCHMARK(ProcessReplacing)->Apply(BlockSizes);
BENCHMARK(ProcessDoubleReplacing)->Apply(BlockSizes);
}  // namespace veltrax

BENCHMARK_MAIN();
