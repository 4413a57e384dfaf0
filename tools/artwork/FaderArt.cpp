// The fader handle and, on the background, each fader's groove and dB scale.
#include "tools/artwork/FaderArt.h"

#include <initializer_list>

#include "tools/artwork/Artwork.h"
#include "tools/artwork/Layout.h"
#include "tools/artwork/Paint.h"
#include "tools/artwork/Palette.h"

namespace artwork {

std::unique_ptr<LICE_MemBitmap> MakeFaderHandle() {
  auto handle = std::make_unique<LICE_MemBitmap>(kHandleWidth, kHandleHeight);
  LICE_Clear(handle.get(), LICE_RGBA(0x60, 0x66, 0x6e, 0));
  LICE_IBitmap* bmp = handle.get();
  const int w = kHandleWidth, h = kHandleHeight;
  FillRoundRect(bmp, 0, 0, w, h, 3, LICE_RGBA(0x0c, 0x0d, 0x0f, 0xff));
  FillRoundRectGradient(bmp, 1, 1, w - 2, h - 2, 2, LICE_RGBA(0xd6, 0xda, 0xe0, 0xff),
                        LICE_RGBA(0x78, 0x7f, 0x89, 0xff));
  // Grip ridges above and below the indicator.
  for (int row : {3, 5, 11, 13}) {
    LICE_FillRect(bmp, 5, row, w - 10, 1, LICE_RGBA(0x5a, 0x60, 0x69, 0xff), 0.55f);
    LICE_FillRect(bmp, 5, row + 1, w - 10, 1, LICE_RGBA(0xff, 0xff, 0xff, 0xff), 0.25f);
  }
  // The indicator: the row that lines up with the scale marks.
  LICE_FillRect(bmp, 1, kHandleIndicatorRow, w - 2, 1, LICE_RGBA(0x0b, 0x0c, 0x0e, 0xff));
  LICE_FillRect(bmp, 3, kHandleIndicatorRow, 4, 1, kAccent);
  LICE_FillRect(bmp, w - 7, kHandleIndicatorRow, 4, 1, kAccent);
  return handle;
}

int MarkY(const FaderGeometry& fader, int referenceDistance) {
  return HandleTopAt(fader, referenceDistance) + kHandleIndicatorRow;
}

void DrawFaderScale(LICE_IBitmap* bg, const FaderGeometry& fader, bool figuresOnLeft,
                    Font& figures) {
  const int cx = HandleCentreX(fader);
  const int top = MarkY(fader, 0);
  const int bottom = MarkY(fader, kReferenceTravel);
  FillRoundRect(bg, cx - 3, top - 6, 7, bottom - top + 13, 3, kWell);
  LICE_FillRect(bg, cx - 2, top - 5, 1, bottom - top + 11, LICE_RGBA(0, 0, 0, 0xff));

  const int left = HandleLeft(fader);
  const int right = left + kHandleWidth;
  for (const ScaleMark& mark : kScaleMarks) {
    const int y = MarkY(fader, mark.distance);
    const bool major = mark.label != nullptr;
    const int len = major ? 7 : 4;
    const LICE_pixel c = major ? kTick : kLabelDim;
    LICE_FillRect(bg, left - 2 - len, y, len, 1, c);
    LICE_FillRect(bg, right + 2, y, len, 1, c);
    if (!major) continue;
    const int textTop = y - figures.LineHeight() / 2;
    if (figuresOnLeft)
      figures.DrawRight(bg, mark.label, left - 12, textTop, kLabel);
    else
      figures.DrawLeft(bg, mark.label, right + 12, textTop, kLabel);
  }
}

}  // namespace artwork
