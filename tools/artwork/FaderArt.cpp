// The fader handle and, on the background, each fader's groove and dB scale.
#include "tools/artwork/FaderArt.h"

#include <initializer_list>

#include "tools/artwork/Artwork.h"
#include "tools/artwork/Paint.h"

namespace artwork {

std::unique_ptr<LICE_MemBitmap> MakeFaderHandle(Scale sc) {
  const int w = sc.px(kHandleWidth), h = sc.px(kHandleHeight);
  auto handle = std::make_unique<LICE_MemBitmap>(w, h);
  LICE_Clear(handle.get(), LICE_RGBA(0x60, 0x66, 0x6e, 0));
  LICE_IBitmap* bmp = handle.get();
  const int radius = sc.px(3);
  FillRoundRect(bmp, 0, 0, w, h, radius, LICE_RGBA(0x0c, 0x0d, 0x0f, 0xff));
  FillRoundRectGradient(bmp, kHairline, kHairline, w - 2 * kHairline, h - 2 * kHairline,
                        radius - kHairline, LICE_RGBA(0xd6, 0xda, 0xe0, 0xff),
                        LICE_RGBA(0x78, 0x7f, 0x89, 0xff));
  // Grip ridges above and below the indicator: a dark and a light hairline each.
  for (int row : {3, 5, 11, 13}) {
    LICE_FillRect(bmp, sc.px(5), sc.px(row), w - sc.px(10), kHairline,
                  LICE_RGBA(0x5a, 0x60, 0x69, 0xff), 0.55f);
    LICE_FillRect(bmp, sc.px(5), sc.px(row) + kHairline, w - sc.px(10), kHairline,
                  LICE_RGBA(0xff, 0xff, 0xff, 0xff), 0.25f);
  }
  // The indicator: the row that lines up with the scale marks.
  const int indicator = sc.px(kHandleIndicatorRow), thickness = sc.px(1);
  LICE_FillRect(bmp, kHairline, indicator, w - 2 * kHairline, thickness, LICE_RGBA(0x0b, 0x0c, 0x0e, 0xff));
  LICE_FillRect(bmp, sc.px(3), indicator, sc.px(4), thickness, kAccent);
  LICE_FillRect(bmp, w - sc.px(7), indicator, sc.px(4), thickness, kAccent);
  return handle;
}

int MarkY(const FaderGeometry& fader, int referenceDistance) {
  return HandleTopAt(fader, referenceDistance) + kHandleIndicatorRow;
}

void DrawFaderScale(LICE_IBitmap* bg, const FaderGeometry& fader, bool figuresOnLeft,
                    Font& figures, Scale sc) {
  const int cx = HandleCentreX(fader);
  const int top = MarkY(fader, 0);
  const int bottom = MarkY(fader, kReferenceTravel);
  FillRoundRect(bg, sc.px(cx - 3), sc.px(top - 6), sc.px(7), sc.px(bottom - top + 13), sc.px(3), kWell);
  LICE_FillRect(bg, sc.px(cx - 2), sc.px(top - 5), sc.px(1), sc.px(bottom - top + 11),
                LICE_RGBA(0, 0, 0, 0xff));

  const int left = HandleLeft(fader);
  const int right = left + kHandleWidth;
  for (const ScaleMark& mark : kScaleMarks) {
    const int y = MarkY(fader, mark.distance);
    const bool major = mark.label != nullptr;
    const int len = major ? 7 : 4;
    const LICE_pixel c = major ? kTick : kLabelDim;
    LICE_FillRect(bg, sc.px(left - 2 - len), sc.px(y), sc.px(len), sc.px(1), c);
    LICE_FillRect(bg, sc.px(right + 2), sc.px(y), sc.px(len), sc.px(1), c);
    if (!major) continue;
    const int textTop = sc.px(y) - figures.LineHeight() / 2;
    if (figuresOnLeft)
      figures.DrawRight(bg, mark.label, sc.px(left - 12), textTop, kLabel);
    else
      figures.DrawLeft(bg, mark.label, sc.px(right + 12), textTop, kLabel);
  }
}

}  // namespace artwork
