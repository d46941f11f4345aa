// The editor's work per timer tick on the real panel: a Veltrax instance
// (made as the entry point makes it, images linked in) and its editor.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "Controls.h"
#include "EffectVST.h"
#include "IGraphics.h"
#include "PluginModule.h"

namespace veltrax {

namespace {

intptr_t VST_CALLBACK QuietHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

// One instance for the whole program; the editor belongs to it.
class Panel {
 public:
  Panel() {
    CreationLockGuard creation;
    plug = CreateVstInstance(&QuietHost);
  }
  ~Panel() {
    if (plug) plug->Effect()->dispatcher(plug->Effect(), effClose, 0, 0, nullptr, 0.0f);
  }
  IGraphics* Graphics() const {
    return plug ? dynamic_cast<IGraphics*>(plug->Plugin()->Editor()) : nullptr;
  }

 private:
  IEffectVST* plug = nullptr;
};

IGraphics* PanelGraphics() {
  static Panel panel;
  return panel.Graphics();
}

// Every control dirty: what the first tick after opening the window draws,
// at the scale given (1 or 2).
void BM_FullRedraw(benchmark::State& state) {
  IGraphics* graphics = PanelGraphics();
  if (!graphics) return state.SkipWithError("no panel");
  graphics->SetUserScale(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    graphics->MarkAllDirty();
    Rect region{};
    graphics->CollectDirty(region);
    graphics->Redraw(region);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FullRedraw)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// A host moved one gain knob: its rectangle collected and redrawn (the
// background under it, then the knob), at the scale given.
void BM_OneKnobRedraw(benchmark::State& state) {
  IGraphics* graphics = PanelGraphics();
  if (!graphics) return state.SkipWithError("no panel");
  graphics->SetUserScale(static_cast<int>(state.range(0)));
  IControl* knob = graphics->GetControl(1);
  graphics->MarkAllDirty();
  Rect all{};
  graphics->CollectDirty(all);
  graphics->Redraw(all);
  graphics->Redraw(all);
  for (auto _ : state) {
    knob->MarkDirty(false);
    Rect region{};
    graphics->CollectDirty(region);
    graphics->Redraw(region);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_OneKnobRedraw)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// What the audio thread does to a meter after every block.
void BM_MeterSetValueFromPlug(benchmark::State& state) {
  IGraphics* graphics = PanelGraphics();
  if (!graphics) return state.SkipWithError("no panel");
  IControl* meter = graphics->GetControl(5);
  double value = 0.25;
  for (auto _ : state) {
    meter->SetValueFromPlug(value);
    value = value < 0.5 ? 0.75 : 0.25;
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MeterSetValueFromPlug);

// A drag on a record-level knob while the audio thread runs 64-frame blocks
// (1.45 ms of audio each at 44.1 kHz), with a host whose automate callback
// takes 20 ms. Reports the longest any block took and the median, against
// the same audio without the drag: the audio waits for PlugLock only while
// a value is stored, never for the host.
std::atomic<int> slowHostMilliseconds{0};
intptr_t VST_CALLBACK SlowHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  if (opcode == audioMasterVersion) return 2400;
  if (opcode == audioMasterAutomate && slowHostMilliseconds.load() > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(slowHostMilliseconds.load()));
  return 0;
}

void BM_AudioBlocksDuringADrag(benchmark::State& state) {
  const bool dragging = state.range(0) != 0;
  IEffectVST* plug;
  {
    CreationLockGuard creation;
    plug = CreateVstInstance(&SlowHost);
  }
  if (!plug) return state.SkipWithError("no instance");
  AEffect* effect = plug->Effect();
  effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
  effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 44100.0f);
  effect->dispatcher(effect, effSetBlockSize, 0, 64, nullptr, 0.0f);
  effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
  auto* graphics = dynamic_cast<IGraphics*>(plug->Plugin()->Editor());
  std::atomic<bool> stop{false};
  std::vector<double> blockMicroseconds;
  blockMicroseconds.reserve(1 << 16);
  std::thread audio([&] {
    float in[64] = {}, left[64], right[64];
    float* inputs[2] = {in, in};
    float* outputs[2] = {left, right};
    while (!stop.load()) {
      const auto start = std::chrono::steady_clock::now();
      effect->processReplacing(effect, inputs, outputs, 64);
      const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
      if (blockMicroseconds.size() < blockMicroseconds.capacity()) blockMicroseconds.push_back(took.count());
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  });
  slowHostMilliseconds.store(20);
  MouseModifiers held;
  held.left = true;
  int y = 77;
  graphics->HandleMouseDown(127, y, held);
  for (auto _ : state) {
    if (dragging) {
      y = y > 20 ? y - 1 : 77;
      graphics->HandleMouseDrag(127, y, held);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  graphics->HandleMouseUp(127, y, MouseModifiers{});
  slowHostMilliseconds.store(0);
  stop.store(true);
  audio.join();
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  if (blockMicroseconds.empty()) return;
  std::sort(blockMicroseconds.begin(), blockMicroseconds.end());
  state.counters["worst_block_us"] = blockMicroseconds.back();
  state.counters["median_block_us"] = blockMicroseconds[blockMicroseconds.size() / 2];
  state.counters["blocks"] = static_cast<double>(blockMicroseconds.size());
}
BENCHMARK(BM_AudioBlocksDuringADrag)->Arg(0)->Arg(1)->Iterations(50)->Unit(benchmark::kMillisecond);

}  // namespace

}  // namespace veltrax

BENCHMARK_MAIN();
