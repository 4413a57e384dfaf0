// The background: panel, header and footer, the three sections, every
// label, the fader scales, the meter housings and the off look of the
// buttons (which have no off image of their own).
#include <cstdio>
#include <initializer_list>

#include "tools/artwork/Artwork.h"
#include "tools/artwork/FaderArt.h"
#include "tools/artwork/MeterArt.h"
#include "tools/artwork/Paint.h"

namespace artwork {
namespace {

constexpr int kSectionLeft = 8;
constexpr int kSectionWidth = kWindowWidth - 16;

void DrawSection(LICE_IBitmap* bg, int top, int bottom, Scale sc) {
  const int x = sc.px(kSectionLeft), y = sc.px(top), w = sc.px(kSectionWidth), h = sc.px(bottom - top);
  const int radius = sc.px(6);
  FillRoundRect(bg, x, y, w, h, radius, kSectionEdge);
  FillRoundRect(bg, x + kHairline, y + kHairline, w - 2 * kHairline, h - 2 * kHairline, radius - kHairline,
                kSectionFill);
}

int KnobCentreX(Point knob) { return knob.x + kKnobSize / 2; }

void DrawPanMarks(LICE_IBitmap* bg, Point knob, Font& small, Scale sc) {
  const int cx = KnobCentreX(knob);
  const int cy = knob.y + kKnobSize / 2;
  small.DrawCentred(bg, "L", sc.px(cx - 26), sc.px(cy + 19), kLabelDim);
  small.DrawCentred(bg, "R", sc.px(cx + 26), sc.px(cy + 19), kLabelDim);
  // Centre detent above the ring.
  LICE_FillRect(bg, sc.px(cx - 1), sc.px(knob.y - 1), sc.px(2), sc.px(3), kTick);
}

// Centre of the gap between the two meters, in image pixels.
int MeterScaleCentre(Scale sc) {
  return (sc.px(kTransientMeterX + kMeterGap + kMeterWidth) + sc.px(kResidualMeterX)) / 2;
}

void DrawMeterScale(LICE_IBitmap* bg, Font& small, Scale sc) {
  // Each label is the level at which its segment lights: 9 dB per segment
  // from -96 dB, so the top segment lights from -6 dB.
  for (int k = 1; k <= kMeterSegments; ++k) {
    const RowSpan rows = SegmentRows(k, sc.factor);
    const int y = sc.px(kMeterTop) + (rows.first + rows.end) / 2;
    char text[8];
    std::snprintf(text, sizeof text, "%d", -96 + 9 * k);
    small.DrawCentred(bg, text, MeterScaleCentre(sc), y - small.LineHeight() / 2, kLabelDim);
  }
}

}  // namespace

std::unique_ptr<LICE_MemBitmap> MakeBackground(Scale sc) {
  const int width = sc.px(kWindowWidth), height = sc.px(kWindowHeight);
  auto image = std::make_unique<LICE_MemBitmap>(width, height);
  LICE_IBitmap* bg = image.get();
  FillVerticalGradient(bg, 0, 0, width, height, kPanelTop, kPanelBottom);

  Font title("DejaVu Sans", sc.px(16), 700);
  Font label("DejaVu Sans", sc.px(10), 700);
  Font small("DejaVu Sans", sc.px(9), 700);
  Font knobLabel("DejaVu Sans Condensed", sc.px(9), 700);  // "RESIDUAL PAN" must clear the mode buttons
  Font scale("DejaVu Sans", sc.px(8), 400);
  Font brand("DejaVu Sans", sc.px(11), 400);

  // Header and footer bands, each edged with a hairline.
  LICE_FillRect(bg, 0, 0, width, sc.px(31), kHeaderBand);
  LICE_FillRect(bg, 0, sc.px(31), width, kHairline, kAccent, 0.55f);
  title.DrawSpaced(bg, "CORVANE", width / 2, sc.px(6), sc.px(4), kLabel);
  LICE_FillRect(bg, 0, sc.px(551), width, height - sc.px(551), kHeaderBand);
  LICE_FillRect(bg, 0, sc.px(551), width, kHairline, kSectionEdge);
  brand.DrawSpaced(bg, "Velmora", width / 2, sc.px(556), sc.px(1), kLabelDim);

  // Sections: global knobs, the two parts' gains and levels, pan/mode/solo.
  DrawSection(bg, 35, 122, sc);
  DrawSection(bg, 125, 401, sc);
  DrawSection(bg, 404, 548, sc);

  // Knob labels under the knobs.
  auto knobCaption = [&](const char* text, Point knob) {
    knobLabel.DrawCentred(bg, text, sc.px(KnobCentreX(knob)), sc.px(knob.y + kKnobSize + 4), kLabel);
  };
  knobCaption("AMOUNT", kAmountKnob);
  knobCaption("SENSITIVITY", kSensitivityKnob);
  knobCaption("TRANSIENT PAN", kPan1Knob);
  knobCaption("RESIDUAL PAN", kPan2Knob);
  DrawPanMarks(bg, kPan1Knob, small, sc);
  DrawPanMarks(bg, kPan2Knob, small, sc);

  // Faders with their scales; figures on the outer side of each.
  label.DrawCentred(bg, "TRANSIENT", sc.px(HandleCentreX(kTransientFader)), sc.px(133), kLabel);
  label.DrawCentred(bg, "RESIDUAL", sc.px(HandleCentreX(kResidualFader)), sc.px(133), kLabel);
  DrawFaderScale(bg, kTransientFader, true, small, sc);
  DrawFaderScale(bg, kResidualFader, false, small, sc);

  // Meters: housings, channel letters, a shared segment scale between them.
  const int columnCentre = sc.px(kMeterWidth) / 2;
  for (int x : {kTransientMeterX, kResidualMeterX}) {
    DrawMeterHousing(bg, x, sc);
    small.DrawCentred(bg, "L", sc.px(x) + columnCentre, sc.px(154), kLabelDim);
    small.DrawCentred(bg, "R", sc.px(x + kMeterGap) + columnCentre, sc.px(154), kLabelDim);
  }
  DrawMeterScale(bg, scale, sc);
  small.DrawCentred(bg, "dB", MeterScaleCentre(sc), sc.px(154), kLabelDim);

  // Mode and solo buttons, off.
  const int modeCentre = sc.px(kModeButtons[0].x) + sc.px(kModeWidth) / 2;
  small.DrawCentred(bg, "WAVELET", modeCentre, sc.px(409), kLabelDim);
  for (int i = 0; i < 3; ++i)
    DrawButtonFace(bg, sc.px(kModeButtons[i].x), sc.px(kModeButtons[i].y), ButtonKind::kMode,
                   ButtonState::kOff, kModeNames[i], sc);
  for (Point solo : {kTransientSolo, kResidualSolo})
    DrawButtonFace(bg, sc.px(solo.x), sc.px(solo.y), ButtonKind::kSolo, ButtonState::kOff, "SOLO", sc);
  auto soloCaption = [&](const char* text, Point solo) {
    small.DrawCentred(bg, text, sc.px(solo.x) + sc.px(kSoloWidth) / 2, sc.px(solo.y + kSoloHeight + 3),
                      kLabelDim);
  };
  soloCaption("TRANSIENT", kTransientSolo);
  soloCaption("RESIDUAL", kResidualSolo);
  return image;
}

}  // namespace artwork
