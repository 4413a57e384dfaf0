// Level meter columns (lit, highlighted and dimmed), the clip lamp and the
// solo marker. Segment rows come from SegmentRows so that every image and
// the background's unlit segments share one geometry.
#include "tools/artwork/MeterArt.h"

#include <initializer_list>

#include "tools/artwork/Artwork.h"
#include "tools/artwork/Layout.h"
#include "tools/artwork/Palette.h"

namespace artwork {
namespace {

const LICE_pixel kWhite = LICE_RGBA(0xff, 0xff, 0xff, 0xff);
const LICE_pixel kBlack = LICE_RGBA(0, 0, 0, 0xff);

// One LED: a lighter top row and a darker bottom row give it some depth.
void DrawSegment(LICE_IBitmap* bmp, int x, int y0, RowSpan rows, LICE_pixel colour) {
  const int h = rows.end - rows.first;
  LICE_FillRect(bmp, x, y0 + rows.first, kMeterWidth, h, colour);
  LICE_FillRect(bmp, x, y0 + rows.first, kMeterWidth, 1, Mix(colour, kWhite, 0.35f));
  LICE_FillRect(bmp, x, y0 + rows.end - 1, kMeterWidth, 1, Mix(colour, kBlack, 0.3f));
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

std::unique_ptr<LICE_MemBitmap> TransparentColumn(int height, LICE_pixel tint) {
  auto bmp = std::make_unique<LICE_MemBitmap>(kMeterWidth, height);
  LICE_Clear(bmp.get(), tint & 0x00ffffff);
  return bmp;
}

}  // namespace

std::unique_ptr<LICE_MemBitmap> MakeMeter(MeterLook look) {
  auto bmp = TransparentColumn(kMeterHeight, kWell);
  for (int k = 1; k <= kMeterSegments; ++k)
    DrawSegment(bmp.get(), 0, 0, SegmentRows(k), LitColour(k, look));
  return bmp;
}

std::unique_ptr<LICE_MemBitmap> MakeClipOverlay() {
  auto bmp = TransparentColumn(kOverlayHeight, kMeterRed);
  const RowSpan lamp = ClipLampRows();
  // Much brighter than a lit red segment, with a white-hot core, so the
  // lamp reads as a separate indicator over the peak segment.
  DrawSegment(bmp.get(), 0, 0, lamp, LICE_RGBA(0xff, 0x4a, 0x3a, 0xff));
  LICE_FillRect(bmp.get(), 1, lamp.first + 2, kMeterWidth - 2, lamp.end - lamp.first - 4,
                LICE_RGBA(0xff, 0x9a, 0x88, 0xff));
  LICE_FillRect(bmp.get(), 3, lamp.first + 4, kMeterWidth - 6, lamp.end - lamp.first - 8,
                LICE_RGBA(0xff, 0xe4, 0xdc, 0xff));
  return bmp;
}

std::unique_ptr<LICE_MemBitmap> MakeSoloOverlay() {
  auto bmp = TransparentColumn(kOverlayHeight, kSolo);
  DrawSegment(bmp.get(), 0, 0, kSoloMarkerRows, kSolo);
  return bmp;
}

void DrawMeterHousing(LICE_IBitmap* bg, int x) {
  const int top = kMeterTop + SegmentRows(kMeterSegments).first - 3;
  const int bottom = kOverlayTop + kSoloMarkerRows.end + 3;
  const int w = kMeterGap + kMeterWidth + 4;
  LICE_FillRect(bg, x - 2, top, w, bottom - top, kWell);
  LICE_FillRect(bg, x - 2, top, w, 1, LICE_RGBA(0, 0, 0, 0xff));
  LICE_FillRect(bg, x - 2, bottom, w, 1, LICE_RGBA(0x48, 0x4d, 0x56, 0xff));
  for (int column : {x, x + kMeterGap}) {
    for (int k = 1; k <= kMeterSegments; ++k)
      DrawSegment(bg, column, kMeterTop, SegmentRows(k), Mix(SegmentColour(k), kWell, 0.84f));
    DrawSegment(bg, column, kOverlayTop, kSoloMarkerRows, Mix(kSolo, kWell, 0.84f));
  }
}

}  // namespace artwork
