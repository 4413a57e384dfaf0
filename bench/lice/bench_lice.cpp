// Raster figures for the editor's redraw: a full-window source-alpha blit
// (background and film-strip frames), a plain copy, a half-opacity blend,
// a knob-sized rotated blit and a short value text.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

#include "lice/lice.h"

namespace {

constexpr int kW = 365, kH = 574;  // the editor window

// Worst case for the source-alpha fast path: opaque, transparent and
// partial pixels mixed at random, so every pixel's branch is unpredictable.
void FillLikeAControl(LICE_IBitmap* bmp, unsigned seed) {
  std::mt19937 rng(seed);
  LICE_pixel* bits = bmp->GetBits();
  for (int y = 0; y < bmp->getHeight(); ++y)
    for (int x = 0; x < bmp->getWidth(); ++x) {
      const unsigned r = rng();
      const unsigned kind = r % 8;
      const unsigned alpha = kind < 5 ? 255 : kind < 7 ? 0 : (r >> 8) & 255;
      bits[y * bmp->getRowSpan() + x] = (alpha << 24) | (r & 0xFFFFFF);
    }
}

void BM_SourceAlphaBlitFullWindow(benchmark::State& state) {
  LICE_SysBitmap dst(kW, kH);
  LICE_MemBitmap src(kW, kH);
  FillLikeAControl(&src, 1);
  for (auto _ : state) {
    LICE_Blit(&dst, &src, 0, 0, 0, 0, kW, kH, 1.0f, LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kW * kH);
}
BENCHMARK(BM_SourceAlphaBlitFullWindow);

// Like a real editor image: transparent margins, a two-pixel antialiased
// edge and an opaque body on every row (few branch changes per row).
void FillLikeAnImage(LICE_IBitmap* bmp) {
  for (int y = 0; y < bmp->getHeight(); ++y) {
    LICE_pixel* row = bmp->GetBits() + y * bmp->getRowSpan();
    const int margin = 20 + (y * 7) % 60;
    for (int x = 0; x < bmp->getWidth(); ++x) {
      const int inside = std::min(x - margin, bmp->getWidth() - margin - x);
      const unsigned alpha = inside < 0 ? 0 : inside < 2 ? 96 + 64 * inside : 255;
      row[x] = (alpha << 24) | (unsigned)(x * 2654435761u + y) % 0xFFFFFF;
    }
  }
}

void BM_SourceAlphaBlitFullWindowImage(benchmark::State& state) {
  LICE_SysBitmap dst(kW, kH);
  LICE_MemBitmap src(kW, kH);
  FillLikeAnImage(&src);
  for (auto _ : state) {
    LICE_Blit(&dst, &src, 0, 0, 0, 0, kW, kH, 1.0f, LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kW * kH);
}
BENCHMARK(BM_SourceAlphaBlitFullWindowImage);

void BM_PlainCopyFullWindow(benchmark::State& state) {
  LICE_SysBitmap dst(kW, kH);
  LICE_MemBitmap src(kW, kH);
  FillLikeAControl(&src, 2);
  for (auto _ : state) {
    LICE_Blit(&dst, &src, 0, 0, 0, 0, kW, kH, 1.0f, LICE_BLIT_MODE_COPY);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kW * kH);
}
BENCHMARK(BM_PlainCopyFullWindow);

void BM_HalfOpacitySourceAlphaFullWindow(benchmark::State& state) {
  LICE_SysBitmap dst(kW, kH);
  LICE_MemBitmap src(kW, kH);
  FillLikeAControl(&src, 3);
  for (auto _ : state) {
    LICE_Blit(&dst, &src, 0, 0, 0, 0, kW, kH, 0.5f, LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kW * kH);
}
BENCHMARK(BM_HalfOpacitySourceAlphaFullWindow);

void BM_RotatedKnob64(benchmark::State& state) {
  LICE_SysBitmap dst(kW, kH);
  LICE_MemBitmap knob(64, 64);
  FillLikeAControl(&knob, 4);
  float angle = 0.0f;
  for (auto _ : state) {
    LICE_RotatedBlit(&dst, &knob, 100, 100, 64, 64, 0, 0, 64, 64, angle, false, 1.0f,
                     LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA | LICE_BLIT_FILTER_BILINEAR);
    angle += 0.01f;
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_RotatedKnob64);

void BM_ShortTextSize12(benchmark::State& state) {
  LICE_SysBitmap dst(kW, kH);
  LICE_CachedFont font;
  if (!font.Create("Monaco", 12)) {
    state.SkipWithError("no font");
    return;
  }
  font.SetTextColor(LICE_RGBA(255, 255, 255, 255));
  for (auto _ : state) {
    LICE_RECT r = {10, 10, 60, 24};
    font.DrawText(&dst, "+0.0", -1, &r, LICE_DT_CENTER | LICE_DT_NOCLIP);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ShortTextSize12);

void BM_MeasureShortText(benchmark::State& state) {
  LICE_CachedFont font;
  if (!font.Create("Monaco", 12)) {
    state.SkipWithError("no font");
    return;
  }
  for (auto _ : state) {
    LICE_RECT r = {10, 10, 60, 24};
    benchmark::DoNotOptimize(font.DrawText(nullptr, "+0.0", -1, &r, LICE_DT_CALCRECT));
  }
}
BENCHMARK(BM_MeasureShortText);

}  // namespace

BENCHMARK_MAIN();
