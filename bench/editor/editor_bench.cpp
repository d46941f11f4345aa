// The editor's work per timer tick on the real panel: a Veltrax instance
// (made as the entry point makes it, images linked in) and its editor.

#include <benchmark/benchmark.h>

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
    plug = CreateEffectInstance(&QuietHost);
  }
  ~Panel() {
    if (plug) plug->Effect()->dispatcher(plug->Effect(), effClose, 0, 0, nullptr, 0.0f);
  }
  IGraphics* Graphics() const { return plug ? dynamic_cast<IGraphics*>(plug->Editor()) : nullptr; }

 private:
  IEffectVST* plug = nullptr;
};

IGraphics* PanelGraphics() {
  static Panel panel;
  return panel.Graphics();
}

// Every control dirty: what the first tick after opening the window draws.
void BM_FullRedraw(benchmark::State& state) {
  IGraphics* graphics = PanelGraphics();
  if (!graphics) return state.SkipWithError("no panel");
  for (auto _ : state) {
    graphics->MarkAllDirty();
    Rect region{};
    graphics->CollectDirty(region);
    graphics->Redraw(region);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FullRedraw)->Unit(benchmark::kMicrosecond);

// A host moved one gain knob: its rectangle collected and redrawn (the
// background under it, then the knob).
void BM_OneKnobRedraw(benchmark::State& state) {
  IGraphics* graphics = PanelGraphics();
  if (!graphics) return state.SkipWithError("no panel");
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
BENCHMARK(BM_OneKnobRedraw)->Unit(benchmark::kMicrosecond);

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

}  // namespace

}  // namespace veltrax

BENCHMARK_MAIN();
