// Knob film strips: 128 frames of a dark cap with a pointer and a value arc
// on a recessed ring. The unipolar arc grows from the lower left; the
// bipolar (pan) arc grows from twelve o'clock towards either side.
#include <cmath>

#include "tools/artwork/Artwork.h"
#include "tools/artwork/Paint.h"

namespace artwork {
namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kMinAngle = -0.75f * kPi;  // value 0, clockwise from straight up
constexpr float kMaxAngle = 0.75f * kPi;   // value 1
constexpr float kRingRadius = 28.0f;
constexpr float kCapRadius = 21.0f;

void DrawCap(LICE_IBitmap* frame, float cx, float cy, float k) {
  LICE_FillCircle(frame, cx, cy + 1.5f * k, (kCapRadius + 2.0f) * k, LICE_RGBA(0, 0, 0, 255), 0.45f,
                  LICE_BLIT_MODE_COPY, true);
  LICE_FillCircle(frame, cx, cy, (kCapRadius + 1.0f) * k, LICE_RGBA(0x12, 0x13, 0x16, 0xff), 1.0f,
                  LICE_BLIT_MODE_COPY, true);
  // Concentric discs, lighter towards a centre a little above the middle:
  // a matte cap lit from above.
  const LICE_pixel edge = LICE_RGBA(0x33, 0x37, 0x3e, 0xff);
  const LICE_pixel centre = LICE_RGBA(0x52, 0x58, 0x61, 0xff);
  for (int i = 0; i <= 8; ++i) {
    const float t = i / 8.0f;
    const float r = (kCapRadius - t * 7.0f) * k;
    LICE_FillCircle(frame, cx, cy - t * 1.5f * k, r, Mix(edge, centre, t), 1.0f,
                    LICE_BLIT_MODE_COPY, true);
  }
  ThickArc(frame, cx, cy, (kCapRadius - 0.8f) * k, 1.2f * k, -0.32f * kPi, 0.32f * kPi,
           LICE_RGBA(255, 255, 255, 255), 0.18f);
}

// Every length is in units times k, the image pixels per unit; the
// frame's centre is the middle of its pixel grid.
void DrawFrame(LICE_IBitmap* frame, double value, bool bipolar, Scale sc) {
  const float k = static_cast<float>(sc.factor);
  const float cx = sc.px(kKnobSize) / 2.0f - 0.5f;
  const float cy = sc.px(kKnobSize) / 2.0f - 0.5f;
  const float angle = kMinAngle + static_cast<float>(value) * (kMaxAngle - kMinAngle);
  const float ring = kRingRadius * k;

  ThickArc(frame, cx, cy, ring, 4.0f * k, kMinAngle, kMaxAngle, kWell);
  if (bipolar) {
    if (angle < 0) ThickArc(frame, cx, cy, ring, 2.6f * k, angle, 0.0f, kAccent);
    if (angle > 0) ThickArc(frame, cx, cy, ring, 2.6f * k, 0.0f, angle, kAccent);
  } else {
    ThickArc(frame, cx, cy, ring, 2.6f * k, kMinAngle, angle, kAccent);
  }

  DrawCap(frame, cx, cy, k);
  const float sn = std::sin(angle), cs = std::cos(angle);
  const float inner = 6.0f * k, outer = 18.0f * k;
  ThickLine(frame, cx + sn * inner, cy - cs * inner, cx + sn * outer, cy - cs * outer, 2.4f * k,
            LICE_RGBA(0xf4, 0xf6, 0xf8, 0xff));
}

}  // namespace

std::unique_ptr<LICE_MemBitmap> MakeKnobStrip(bool bipolar, Scale sc) {
  const int size = sc.px(kKnobSize);
  auto strip = std::make_unique<LICE_MemBitmap>(size, size * kKnobFrames);
  LICE_Clear(strip.get(), 0);
  LICE_MemBitmap frame(size, size);
  for (int f = 0; f < kKnobFrames; ++f) {
    // Transparent pixels carry the cap's edge colour so that antialiased
    // edges blend towards it rather than towards black.
    LICE_Clear(&frame, LICE_RGBA(0x20, 0x22, 0x26, 0));
    // Frame f + 1 is what the knob shows for value f / 127.
    DrawFrame(&frame, static_cast<double>(f) / (kKnobFrames - 1), bipolar, sc);
    LICE_Blit(strip.get(), &frame, 0, f * size, 0, 0, size, size, 1.0f, LICE_BLIT_MODE_COPY);
  }
  return strip;
}

}  // namespace artwork
