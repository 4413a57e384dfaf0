// The application icon, for desktop menus: a rounded tile in the editor's
// panel colours carrying a ringing tone (the residual, in the accent
// colour) struck by one sharp attack (the transient, in the solo colour).
#include <cmath>

#include "tools/artwork/Artwork.h"

namespace artwork {

namespace {

// The tone's height at x (0..1 across the tile): a decaying ring that
// starts where the attack strikes.
float Tone(float x) {
  constexpr float kStrike = 0.32f;
  if (x < kStrike) return 0.06f * std::sin(x * 40.0f);
  const float t = x - kStrike;
  return 0.30f * std::exp(-3.2f * t) * std::sin(t * 38.0f);
}

}  // namespace

std::unique_ptr<LICE_MemBitmap> MakeAppIcon(int size) {
  auto bmp = std::make_unique<LICE_MemBitmap>(size, size);
  LICE_Clear(bmp.get(), 0);  // transparent outside the tile's corners
  FillRoundRectGradient(bmp.get(), 0, 0, size, size, size / 5, kPanelTop, kPanelBottom);
  const float s = static_cast<float>(size);
  const float mid = s * 0.5f, margin = s * 0.12f, width = s - 2 * margin;
  const float line = std::max(1.0f, s / 24.0f);
  // The residual: the ringing tone, drawn as short segments.
  constexpr int kSteps = 64;
  for (int i = 0; i < kSteps; ++i) {
    const float x0 = static_cast<float>(i) / kSteps, x1 = static_cast<float>(i + 1) / kSteps;
    ThickLine(bmp.get(), margin + x0 * width, mid - Tone(x0) * s, margin + x1 * width, mid - Tone(x1) * s, line,
              kAccent);
  }
  // The transient: one tall, narrow spike where the tone is struck.
  const float strikeX = margin + 0.32f * width, half = std::max(1.0f, s * 0.035f);
  const int xs[3] = {static_cast<int>(strikeX - half), static_cast<int>(strikeX), static_cast<int>(strikeX + half)};
  const int ys[3] = {static_cast<int>(mid), static_cast<int>(s * 0.14f), static_cast<int>(mid)};
  LICE_FillTriangle(bmp.get(), xs[0], ys[0], xs[1], ys[1], xs[2], ys[2], kSolo, 1.0f, LICE_BLIT_MODE_COPY);
  const int down[3] = {static_cast<int>(mid), static_cast<int>(s * 0.80f), static_cast<int>(mid)};
  LICE_FillTriangle(bmp.get(), xs[0], down[0], xs[1], down[1], xs[2], down[2], kSolo, 1.0f, LICE_BLIT_MODE_COPY);
  return bmp;
}

}  // namespace artwork
