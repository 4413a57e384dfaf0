// The background: panel, header and footer, the three sections, every
// label, the fader scales, the meter housings and the off look of the
// buttons (which have no off image of their own).
#include <cstdio>
#include <initializer_list>

#include "tools/artwork/Artwork.h"
#include "tools/artwork/FaderArt.h"
#include "tools/artwork/Layout.h"
#include "tools/artwork/MeterArt.h"
#include "tools/artwork/Paint.h"
#include "tools/artwork/Palette.h"

namespace artwork {
namespace {

constexpr int kSectionLeft = 8;
constexpr int kSectionWidth = kWindowWidth - 16;

void DrawSection(LICE_IBitmap* bg, int top, int bottom) {
  FillRoundRect(bg, kSectionLeft, top, kSectionWidth, bottom - top, 6, kSectionEdge);
  FillRoundRect(bg, kSectionLeft + 1, top + 1, kSectionWidth - 2, bottom - top - 2, 5,
                kSectionFill);
}

int KnobCentreX(Point knob) { return knob.x + kKnobSize / 2; }

void DrawPanMarks(LICE_IBitmap* bg, Point knob, Font& small) {
  const int cx = KnobCentreX(knob);
  const int cy = knob.y + kKnobSize / 2;
  small.DrawCentred(bg, "L", cx - 26, cy + 19, kLabelDim);
  small.DrawCentred(bg, "R", cx + 26, cy + 19, kLabelDim);
  LICE_FillRect(bg, cx - 1, knob.y - 1, 2, 3, kTick);  // centre detent above the ring
}

void DrawMeterScale(LICE_IBitmap* bg, Font& small) {
  // Each label is the level at which its segment lights: 9 dB per segment
  // from -96 dB, so the top segment lights from -6 dB.
  const int centre = (kTransientMeterX + kMeterGap + kMeterWidth + kResidualMeterX) / 2;
  for (int k = 1; k <= kMeterSegments; ++k) {
    const RowSpan rows = SegmentRows(k);
    const int y = kMeterTop + (rows.first + rows.end) / 2;
    char text[8];
    std::snprintf(text, sizeof text, "%d", -96 + 9 * k);
    small.DrawCentred(bg, text, centre, y - small.LineHeight() / 2, kLabelDim);
  }
}

}  // namespace

std::unique_ptr<LICE_MemBitmap> MakeBackground() {
  auto image = std::make_unique<LICE_MemBitmap>(kWindowWidth, kWindowHeight);
  LICE_IBitmap* bg = image.get();
  FillVerticalGradient(bg, 0, 0, kWindowWidth, kWindowHeight, kPanelTop, kPanelBottom);

  Font title("DejaVu Sans", 16, 700);
  Font label("DejaVu Sans", 10, 700);
  Font small("DejaVu Sans", 9, 700);
  Font knobLabel("DejaVu Sans Condensed", 9, 700);  // "RESIDUAL PAN" must clear the mode buttons
  Font scale("DejaVu Sans", 8, 400);
  Font brand("DejaVu Sans", 11, 400);

  // Header and footer bands.
  LICE_FillRect(bg, 0, 0, kWindowWidth, 31, kHeaderBand);
  LICE_FillRect(bg, 0, 31, kWindowWidth, 1, kAccent, 0.55f);
  title.DrawSpaced(bg, "CORVANE", kWindowWidth / 2, 6, 4, kLabel);
  LICE_FillRect(bg, 0, 551, kWindowWidth, kWindowHeight - 551, kHeaderBand);
  LICE_FillRect(bg, 0, 551, kWindowWidth, 1, kSectionEdge);
  brand.DrawSpaced(bg, "Velmora", kWindowWidth / 2, 556, 1, kLabelDim);

  // Sections: global knobs, the two parts' gains and levels, pan/mode/solo.
  DrawSection(bg, 35, 122);
  DrawSection(bg, 125, 401);
  DrawSection(bg, 404, 548);

  // Knob labels under the knobs.
  knobLabel.DrawCentred(bg, "AMOUNT", KnobCentreX(kAmountKnob), kAmountKnob.y + kKnobSize + 4, kLabel);
  knobLabel.DrawCentred(bg, "SENSITIVITY", KnobCentreX(kSensitivityKnob),
                    kSensitivityKnob.y + kKnobSize + 4, kLabel);
  knobLabel.DrawCentred(bg, "TRANSIENT PAN", KnobCentreX(kPan1Knob), kPan1Knob.y + kKnobSize + 4,
                    kLabel);
  knobLabel.DrawCentred(bg, "RESIDUAL PAN", KnobCentreX(kPan2Knob), kPan2Knob.y + kKnobSize + 4,
                    kLabel);
  DrawPanMarks(bg, kPan1Knob, small);
  DrawPanMarks(bg, kPan2Knob, small);

  // Faders with their scales; figures on the outer side of each.
  label.DrawCentred(bg, "TRANSIENT", HandleCentreX(kTransientFader), 133, kLabel);
  label.DrawCentred(bg, "RESIDUAL", HandleCentreX(kResidualFader), 133, kLabel);
  DrawFaderScale(bg, kTransientFader, true, small);
  DrawFaderScale(bg, kResidualFader, false, small);

  // Meters: housings, channel letters, a shared segment scale between them.
  for (int x : {kTransientMeterX, kResidualMeterX}) {
    DrawMeterHousing(bg, x);
    small.DrawCentred(bg, "L", x + kMeterWidth / 2, 154, kLabelDim);
    small.DrawCentred(bg, "R", x + kMeterGap + kMeterWidth / 2, 154, kLabelDim);
  }
  DrawMeterScale(bg, scale);
  const int meterScaleCentre = (kTransientMeterX + kMeterGap + kMeterWidth + kResidualMeterX) / 2;
  small.DrawCentred(bg, "dB", meterScaleCentre, 154, kLabelDim);

  // Mode and solo buttons, off.
  const int modeCentre = kModeButtons[0].x + kModeWidth / 2;
  small.DrawCentred(bg, "WAVELET", modeCentre, 409, kLabelDim);
  for (int i = 0; i < 3; ++i)
    DrawButtonFace(bg, kModeButtons[i].x, kModeButtons[i].y, ButtonKind::kMode, ButtonState::kOff,
                   kModeNames[i]);
  DrawButtonFace(bg, kTransientSolo.x, kTransientSolo.y, ButtonKind::kSolo, ButtonState::kOff,
                 "SOLO");
  DrawButtonFace(bg, kResidualSolo.x, kResidualSolo.y, ButtonKind::kSolo, ButtonState::kOff,
                 "SOLO");
  small.DrawCentred(bg, "TRANSIENT", kTransientSolo.x + kSoloWidth / 2,
                    kTransientSolo.y + kSoloHeight + 3, kLabelDim);
  small.DrawCentred(bg, "RESIDUAL", kResidualSolo.x + kSoloWidth / 2,
                    kResidualSolo.y + kSoloHeight + 3, kLabelDim);
  return image;
}

}  // namespace artwork
