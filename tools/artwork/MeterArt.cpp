// Level meter columns (lit, highlighted and dimmed), the clip lamp and the
// solo marker. Segment rows come from SegmentRows so that every image and
// the background's unlit segments share one geometry.
#include "tools/artwork/MeterArt.h"

#include <initializer_list>

#include "tools/artwork/Artwork.h"

namespace artwork {
namespace {

const LICE_pixel kWhite = LICE_RGBA(0xff, 0xff, 0xff, 0xff);
const LICE_pixel kBlack = LICE_RGBA(0, 0, 0, 0xff);

// One LED: a lighter top hairline and a darker bottom one give it some depth.
void DrawSegment(LICE_IBitmap* bmp, int x, int y0, RowSpan rows, LICE_pixel colour, Scale sc) {
  const int w = sc.px(kMeterWidth), h = rows.end - rows.first;
  LICE_FillRect(bmp, x, y0 + rows.first, w, h, colour);
  LICE_FillRect(bmp, x, y0 + rows.first, w, kHairline, Mix(colour, kWhite, 0.35f));
  LICE_FillRect(bmp, x, y0 + rows.end - kHairline, w, kHairline, Mix(colour, kBlack, 0.3f));
}

LICE_pixel LitColour(int k, MeterLook look) {
  const LICE_pixel base = SegmentColour(k);
  switch (look) {
    case MeterLook::kHighlighted: return Mix(base, kWhite, 0.22f);
    case MeterLook::kDimmed: return Greyed(base, 0.62f);
    case MeterLook::kNormal:
    default: return Mix(base, kBlack, 0.12f);
  }
}

std::unique_ptr<LICE_MemBitmap> TransparentColumn(int height, LICE_pixel tint, Scale sc) {
  auto bmp = std::make_unique<LICE_MemBitmap>(sc.px(kMeterWidth), sc.px(height));
  LICE_Clear(bmp.get(), tint & 0x00ffffff);
  return bmp;
}

}  // namespace

std::unique_ptr<LICE_MemBitmap> MakeMeter(MeterLook look, Scale sc) {
  auto bmp = TransparentColumn(kMeterHeight, kWell, sc);
  for (int k = 1; k <= kMeterSegments; ++k)
    DrawSegment(bmp.get(), 0, 0, SegmentRows(k, sc.factor), LitColour(k, look), sc);
  return bmp;
}

std::unique_ptr<LICE_MemBitmap> MakeClipOverlay(Scale sc) {
  auto bmp = TransparentColumn(kOverlayHeight, kMeterRed, sc);
  const RowSpan lamp = ClipLampRows(sc.factor);
  const int w = sc.px(kMeterWidth), h = lamp.end - lamp.first;
  // Much brighter than a lit red segment, with a white-hot core, so the
  // lamp reads as a separate indicator over the peak segment.
  DrawSegment(bmp.get(), 0, 0, lamp, LICE_RGBA(0xff, 0x4a, 0x3a, 0xff), sc);
  LICE_FillRect(bmp.get(), sc.px(1), lamp.first + sc.px(2), w - sc.px(2), h - sc.px(4),
                LICE_RGBA(0xff, 0x9a, 0x88, 0xff));
  LICE_FillRect(bmp.get(), sc.px(3), lamp.first + sc.px(4), w - sc.px(6), h - sc.px(8),
                LICE_RGBA(0xff, 0xe4, 0xdc, 0xff));
  return bmp;
}

std::unique_ptr<LICE_MemBitmap> MakeSoloOverlay(Scale sc) {
  auto bmp = TransparentColumn(kOverlayHeight, kSolo, sc);
  DrawSegment(bmp.get(), 0, 0, SoloMarkerRows(sc.factor), kSolo, sc);
  return bmp;
}

void DrawMeterHousing(LICE_IBitmap* bg, int x, Scale sc) {
  const int top = sc.px(kMeterTop) + SegmentRows(kMeterSegments, sc.factor).first - sc.px(3);
  const int bottom = sc.px(kOverlayTop + kSoloMarkerRows.end + 3);
  const int left = sc.px(x - 2), w = sc.px(kMeterGap + kMeterWidth + 4);
  LICE_FillRect(bg, left, top, w, bottom - top, kWell);
  LICE_FillRect(bg, left, top, w, kHairline, LICE_RGBA(0, 0, 0, 0xff));
  LICE_FillRect(bg, left, bottom, w, kHairline, LICE_RGBA(0x48, 0x4d, 0x56, 0xff));
  for (int column : {x, x + kMeterGap}) {
    for (int k = 1; k <= kMeterSegments; ++k)
      DrawSegment(bg, sc.px(column), sc.px(kMeterTop), SegmentRows(k, sc.factor),
                  Mix(SegmentColour(k), kWell, 0.84f), sc);
    DrawSegment(bg, sc.px(column), sc.px(kOverlayTop), SoloMarkerRows(sc.factor),
                Mix(kSolo, kWell, 0.84f), sc);
  }
}

}  // namespace artwork
