#pragma once
// The editor's colours, shared by every image so the parts match.
#include "lice/lice.h"

namespace artwork {

constexpr LICE_pixel kPanelTop = LICE_RGBA(0x30, 0x34, 0x3b, 0xff);
constexpr LICE_pixel kPanelBottom = LICE_RGBA(0x22, 0x25, 0x2a, 0xff);
constexpr LICE_pixel kHeaderBand = LICE_RGBA(0x17, 0x19, 0x1d, 0xff);
constexpr LICE_pixel kSectionFill = LICE_RGBA(0x26, 0x29, 0x2f, 0xff);
constexpr LICE_pixel kSectionEdge = LICE_RGBA(0x3d, 0x42, 0x4a, 0xff);
constexpr LICE_pixel kWell = LICE_RGBA(0x0e, 0x0f, 0x12, 0xff);

constexpr LICE_pixel kLabel = LICE_RGBA(0xd4, 0xd8, 0xde, 0xff);
constexpr LICE_pixel kLabelDim = LICE_RGBA(0x8c, 0x93, 0x9d, 0xff);
constexpr LICE_pixel kTick = LICE_RGBA(0xb8, 0xbe, 0xc6, 0xff);

constexpr LICE_pixel kAccent = LICE_RGBA(0x3e, 0xc6, 0xd0, 0xff);      // knob arcs, mode on
constexpr LICE_pixel kAccentDeep = LICE_RGBA(0x1f, 0x7d, 0x86, 0xff);  // mode pressed
constexpr LICE_pixel kSolo = LICE_RGBA(0xf2, 0xa9, 0x2e, 0xff);        // solo on
constexpr LICE_pixel kSoloDeep = LICE_RGBA(0xa8, 0x6c, 0x12, 0xff);    // solo pressed

constexpr LICE_pixel kButtonOffTop = LICE_RGBA(0x3c, 0x41, 0x49, 0xff);
constexpr LICE_pixel kButtonOffBottom = LICE_RGBA(0x2a, 0x2e, 0x34, 0xff);
constexpr LICE_pixel kButtonEdge = LICE_RGBA(0x12, 0x13, 0x16, 0xff);

// Meter segments, bottom to top: green, yellow, amber, red.
constexpr LICE_pixel kMeterGreen = LICE_RGBA(0x3c, 0xd0, 0x5a, 0xff);
constexpr LICE_pixel kMeterYellow = LICE_RGBA(0xe8, 0xd8, 0x3a, 0xff);
constexpr LICE_pixel kMeterAmber = LICE_RGBA(0xf0, 0x96, 0x28, 0xff);
constexpr LICE_pixel kMeterRed = LICE_RGBA(0xee, 0x3a, 0x32, 0xff);

inline LICE_pixel SegmentColour(int k) {
  if (k <= 6) return kMeterGreen;
  if (k <= 8) return kMeterYellow;
  if (k == 9) return kMeterAmber;
  return kMeterRed;
}

// Channel-wise mix of two opaque colours, t = 0 gives a, 1 gives b.
inline LICE_pixel Mix(LICE_pixel a, LICE_pixel b, float t) {
  auto lerp = [t](int x, int y) { return static_cast<int>(x + (y - x) * t + 0.5f); };
  return LICE_RGBA(lerp(LICE_GETR(a), LICE_GETR(b)), lerp(LICE_GETG(a), LICE_GETG(b)),
                   lerp(LICE_GETB(a), LICE_GETB(b)), 0xff);
}
// Grey of the same brightness, for the dimmed meter.
inline LICE_pixel Greyed(LICE_pixel c, float brightness) {
  const int luma = (LICE_GETR(c) * 30 + LICE_GETG(c) * 59 + LICE_GETB(c) * 11) / 100;
  const int v = static_cast<int>(luma * brightness);
  return LICE_RGBA(v, v, v, 0xff);
}

}  // namespace artwork
