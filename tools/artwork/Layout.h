#pragma once
// Where the editor places each image, and the geometry the artwork must
// share with the controls that draw it: knob frames, the fader travel and
// its dB marks, the meter segments and the button sizes.
namespace artwork {

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
  int top;     // handle top at value 1
  int bottom;  // handle top at value 0
};
constexpr FaderGeometry kTransientFader{51, 163, 329};
constexpr FaderGeometry kResidualFader{264, 167, 329};

// The gain law counts its marks in pixels of a 166 px reference travel
// (+12 dB at 0, 0 dB at 52, -36 dB at 136, silence at 166); a fader with a
// shorter travel reaches each mark at the same fader value, so proportionally
// higher up. Minor marks: +6, -12 and -24 dB of the value text.
constexpr int kReferenceTravel = 166;
struct ScaleMark {
  int distance;       // pixels from the top of the reference travel
  const char* label;  // null for a minor tick
};
constexpr ScaleMark kScaleMarks[] = {{0, "+12"},  {26, nullptr},  {52, "0"}, {80, nullptr},
                                     {108, nullptr}, {136, "-36"}, {166, "-inf"}};

// Handle top for the fader value that a reference distance stands for,
// computed exactly as the fader computes its handle position.
inline int HandleTopAt(const FaderGeometry& fader, int referenceDistance) {
  const double value = 1.0 - static_cast<double>(referenceDistance) / kReferenceTravel;
  return static_cast<int>(fader.top + (fader.bottom - fader.top) * (1.0 - value));
}
inline int HandleLeft(const FaderGeometry& fader) { return fader.x + kHandleOffsetX; }
inline int HandleCentreX(const FaderGeometry& fader) {
  return HandleLeft(fader) + kHandleWidth / 2;
}

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
inline RowSpan SoloMarkerRows(int scale = 1) {
  return {kSoloMarkerRows.first * scale, kSoloMarkerRows.end * scale};
}

// Buttons: the background carries the off look at the same place.
constexpr int kSoloWidth = 44;
constexpr int kSoloHeight = 22;
constexpr Point kTransientSolo{128, 506};
constexpr Point kResidualSolo{193, 506};
constexpr int kModeWidth = 50;
constexpr int kModeHeight = 20;
constexpr Point kModeButtons[3] = {{158, 423}, {158, 446}, {158, 470}};
constexpr const char* kModeNames[3] = {"HAAR", "DB4", "BIOR 6.8"};

}  // namespace artwork
