#pragma once
// The editor's look, said once: where every control sits (the layout, in
// editor units, 1x) and the colours its images are drawn in (the palette).
// The plug-in places its controls from it, the artwork generator draws the
// images from it, and the command reads it to draw in the editor's colours.
// Constants only, no code of the editor: it includes nothing above the
// raster layer's pixel type.
#include "lice/LicePixel.h"

namespace editor_look {

// ---- Layout ---------------------------------------------------------------

constexpr int kWindowWidth = 365;
constexpr int kWindowHeight = 574;

struct Point {
  int x, y;
};

// Knobs: square frames stacked vertically, frame 1 (top) is value 0.
constexpr int kKnobSize = 64;
constexpr int kKnobFrames = 128;
constexpr Point kAmountKnob{25, 37};
constexpr Point kSensitivityKnob{214, 37};
constexpr Point kPan1Knob{25, 406};
constexpr Point kPan2Knob{214, 406};

// Fader handle. The indicator line is the handle's middle row, so a scale
// mark sits kHandleIndicatorRow below the handle top it stands for. The
// width makes the fader's value box (x + 5 .. x + width - 2, under the
// handle) wide enough for its longest text, " -36.0".
constexpr int kHandleWidth = 50;
constexpr int kHandleHeight = 17;
constexpr int kHandleIndicatorRow = 8;
constexpr int kHandleOffsetX = 8;  // the fader draws its handle 8 px right of its x

struct FaderGeometry {
  int x;       // control left edge
  int y;       // control top: the mouse rectangle starts here, below the travel's top
  int top;     // handle top at value 1
  int bottom;  // handle top at value 0
};
constexpr FaderGeometry kTransientFader{51, 169, 163, 329};
constexpr FaderGeometry kResidualFader{264, 169, 167, 329};
constexpr int kTransientFaderTravel = kTransientFader.bottom - kTransientFader.top;  // 166
constexpr int kResidualFaderTravel = kResidualFader.bottom - kResidualFader.top;     // 162

// Every fader's scale marks: pixel distances from the top of the travel of
// the +12 dB, 0 dB, -36 dB and -96 dB (silence) marks. The faders show them
// and the plug-in hands them to the gain law.
inline constexpr int kFaderMarks[4] = {0, 52, 136, 166};

// The gain law counts its marks in pixels of the transient fader's travel;
// a fader with a shorter travel reaches each mark at the same fader value,
// so proportionally higher up. Minor marks: +6, -12 and -24 dB of the value
// text.
constexpr int kReferenceTravel = kTransientFaderTravel;
struct ScaleMark {
  int distance;       // pixels from the top of the reference travel
  const char* label;  // null for a minor tick
};
constexpr ScaleMark kScaleMarks[] = {{kFaderMarks[0], "+12"}, {26, nullptr},         {kFaderMarks[1], "0"},
                                     {80, nullptr},           {108, nullptr},        {kFaderMarks[2], "-36"},
                                     {kFaderMarks[3], "-inf"}};

// Handle top for the fader value that a reference distance stands for,
// computed exactly as the fader computes its handle position.
inline int HandleTopAt(const FaderGeometry& fader, int referenceDistance) {
  const double value = 1.0 - static_cast<double>(referenceDistance) / kReferenceTravel;
  return static_cast<int>(fader.top + (fader.bottom - fader.top) * (1.0 - value));
}
inline int HandleLeft(const FaderGeometry& fader) { return fader.x + kHandleOffsetX; }
inline int HandleCentreX(const FaderGeometry& fader) { return HandleLeft(fader) + kHandleWidth / 2; }

// Meters: one column image, the right channel kMeterGap px to the right.
// The meter maps image row r onto editor row meter top + r; the overlay
// rectangle starts kOverlayOffset rows lower.
constexpr int kMeterWidth = 11;
constexpr int kMeterHeight = 225;
constexpr int kMeterGap = 12;
constexpr int kMeterSegments = 10;
constexpr int kMeterTop = 163;
constexpr int kOverlayTop = 171;
constexpr int kOverlayOffset = kOverlayTop - kMeterTop;
constexpr int kOverlayHeight = 225;
constexpr int kTransientMeterX = 125;
constexpr int kResidualMeterX = 211;

// The rectangles of the stereo meter and of its overlay whose left column
// starts at x.
constexpr LICE_RECT MeterRect(int x) {
  return {x, kMeterTop, x + kMeterGap + kMeterWidth, kMeterTop + kMeterHeight};
}
constexpr LICE_RECT OverlayRect(int x) {
  return {x, kOverlayTop, x + kMeterGap + kMeterWidth, kOverlayTop + kOverlayHeight};
}

struct RowSpan {
  int first, end;  // image rows [first, end)
};
// Image rows lit by segment k (1 = bottom .. 10 = top) in an image drawn at
// `scale` pixels per unit. The meter shows the image from unit row
// trunc((10 - n) * 22.5) down for n lit segments, so each segment starts two
// pixels below that cut and a bar never shows a sliced segment. The top
// (peak) segment is shorter: it sits exactly under the clip lamp, which can
// only be drawn from the overlay's top row down.
inline RowSpan SegmentRows(int k, int scale = 1) {
  const float perSegment = static_cast<float>(kMeterHeight) / kMeterSegments;
  const int cut = static_cast<int>((kMeterSegments - k) * perSegment);
  const int next = static_cast<int>((kMeterSegments - k + 1) * perSegment);
  if (k == kMeterSegments) return {kOverlayOffset * scale, next * scale};
  return {cut * scale + 2, next * scale};
}
// Clip lamp rows in the overlay image: the peak segment's rows.
inline RowSpan ClipLampRows(int scale = 1) {
  const RowSpan peak = SegmentRows(kMeterSegments, scale);
  return {peak.first - kOverlayOffset * scale, peak.end - kOverlayOffset * scale};
}
// Solo marker rows in the overlay image: a short bar under the meter.
constexpr RowSpan kSoloMarkerRows{219, 224};
inline RowSpan SoloMarkerRows(int scale = 1) { return {kSoloMarkerRows.first * scale, kSoloMarkerRows.end * scale}; }

// Buttons: the background carries the off look at the same place.
constexpr int kSoloWidth = 44;
constexpr int kSoloHeight = 22;
constexpr Point kTransientSolo{128, 506};
constexpr Point kResidualSolo{193, 506};
constexpr int kModeWidth = 50;
constexpr int kModeHeight = 20;
constexpr Point kModeButtons[3] = {{158, 423}, {158, 446}, {158, 470}};

// ---- Palette --------------------------------------------------------------

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

// The split's picture (corvane process --plot), in the same colours: the
// input grey under the mix in the solo buttons' amber, each part in the
// colour of its side of the editor, the events in the clip lamp's red.
constexpr LICE_pixel kPlotBackground = kPanelBottom;
constexpr LICE_pixel kPlotLaneFill = kWell;
constexpr LICE_pixel kPlotGrid = kSectionEdge;
constexpr LICE_pixel kPlotInputInk = kLabelDim;
constexpr LICE_pixel kPlotMixInk = kSolo;
constexpr LICE_pixel kPlotTransientInk = kAccent;
constexpr LICE_pixel kPlotResidualInk = kMeterGreen;
constexpr LICE_pixel kPlotEventInk = kMeterRed;

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

}  // namespace editor_look
