// The blits, fills and labels the editor draws, on its own 700 x 160 surface
// and the real panel images.

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "Blit.h"
#include "PngImage.h"
#include "RasterFont.h"
#include "SystemFont.h"

namespace veltrax {

namespace {

constexpr int kWidth = 700;
constexpr int kHeight = 160;

std::unique_ptr<MemBitmap> Panel(int id) { return std::unique_ptr<MemBitmap>(LoadPngResource(nullptr, id)); }

void CountPixels(benchmark::State& state, int64_t pixelsPerIteration) {
  state.counters["Mpixel/s"] = benchmark::Counter(static_cast<double>(pixelsPerIteration) * state.iterations() / 1e6,
                                                  benchmark::Counter::kIsRate);
}

// The background onto the surface: a copy of 700 x 160 at the given opacity.
void BlitBackground(benchmark::State& state, float opacity) {
  SysBitmap surface(kWidth, kHeight);
  auto background = Panel(101);
  if (!background) return state.SkipWithError("panel image 101 missing");
  for (auto _ : state) {
    Blit(&surface, background.get(), 0, 0, nullptr, opacity, BlendCopy);
    benchmark::ClobberMemory();
  }
  CountPixels(state, int64_t{kWidth} * kHeight);
}

void BM_BlitOpaqueCopy(benchmark::State& state) { BlitBackground(state, 1.0f); }
BENCHMARK(BM_BlitOpaqueCopy);

// Knob frames: source-alpha copy of 64 x 64 at 1.0, cycling through the strip.
void BM_BlitSourceAlphaFrames(benchmark::State& state) {
  SysBitmap surface(kWidth, kHeight);
  auto background = Panel(101);
  auto knob = Panel(102);
  if (!background || !knob) return state.SkipWithError("panel images missing");
  Blit(&surface, background.get(), 0, 0, nullptr, 1.0f, BlendCopy);
  int frame = 0;
  for (auto _ : state) {
    const Rect r = {0, frame * 64, 64, frame * 64 + 64};
    Blit(&surface, knob.get(), 95, 45, &r, 1.0f, BlendUseSourceAlpha);
    frame = (frame + 1) % 40;
    benchmark::ClobberMemory();
  }
  CountPixels(state, 64 * 64);
}
BENCHMARK(BM_BlitSourceAlphaFrames);

// Weighted (BlendKindOpaque below 1.0) and additive (BlendKindAdd) blits.
void BM_BlitWeightedCopy(benchmark::State& state) { BlitBackground(state, 0.7f); }
BENCHMARK(BM_BlitWeightedCopy);

void BM_BlitWeightedSourceAlphaFrames(benchmark::State& state) {
  SysBitmap surface(kWidth, kHeight);
  auto knob = Panel(102);
  if (!knob) return state.SkipWithError("panel image 102 missing");
  const Rect r = {0, 64 * 20, 64, 64 * 21};
  for (auto _ : state) {
    Blit(&surface, knob.get(), 95, 45, &r, 0.7f, BlendUseSourceAlpha);
    benchmark::ClobberMemory();
  }
  CountPixels(state, 64 * 64);
}
BENCHMARK(BM_BlitWeightedSourceAlphaFrames);

void BM_BlitAdditive(benchmark::State& state) {
  SysBitmap surface(kWidth, kHeight);
  auto background = Panel(101);
  if (!background) return state.SkipWithError("panel image 101 missing");
  const int mode = static_cast<int>(state.range(0));
  for (auto _ : state) {
    Blit(&surface, background.get(), 0, 0, nullptr, 0.7f, mode);
    benchmark::ClobberMemory();
  }
  CountPixels(state, int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_BlitAdditive)->Arg(BlendAdd)->Arg(BlendAdd | BlendUseSourceAlpha);

void BM_FillRectangle(benchmark::State& state) {
  SysBitmap surface(kWidth, kHeight);
  const float opacity = static_cast<float>(state.range(0)) / 100.0f;
  for (auto _ : state) {
    FillRectangle(&surface, 0, 0, kWidth, kHeight, 0xFF203040, opacity, BlendCopy);
    benchmark::ClobberMemory();
  }
  CountPixels(state, int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_FillRectangle)->Arg(100)->Arg(50)->Arg(70);

// A short centred label through the glyph cache (the first call fills it).
void BM_DrawLabel(benchmark::State& state) {
  SysBitmap surface(kWidth, kHeight);
  SystemFontRequest request;
  request.height = 12;
  std::strcpy(request.face, "Verdana");
  CachedFont font;
  font.SetGdiFont(CreateSystemFont(request), FontOwnsHandle);
  font.SetInkColor(0xFF000000);
  Rect r = {95, 110, 159, 125};
  font.RenderText(&surface, "Gain 0.50", -1, &r, TextNoClip | TextCentre);
  for (auto _ : state) {
    benchmark::DoNotOptimize(font.RenderText(&surface, "Gain 0.50", -1, &r, TextNoClip | TextCentre));
  }
  state.counters["labels/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DrawLabel);

}  // namespace

}  // namespace veltrax

BENCHMARK_MAIN();
