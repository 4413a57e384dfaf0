#include "lice/LiceCombine.h"

namespace lice_detail {

RowCombiner SelectRowCombiner(int mode, int w) {
  if (w <= 0) return nullptr;
  const bool useAlpha = (mode & LICE_BLIT_USE_ALPHA) != 0;
  switch (mode & LICE_BLIT_MODE_MASK) {
    case LICE_BLIT_MODE_ADD:
      return useAlpha ? CombineRow<AddOp, true> : CombineRow<AddOp, false>;
    case LICE_BLIT_MODE_DODGE:
      return useAlpha ? CombineRow<DodgeOp, true> : CombineRow<DodgeOp, false>;
    default:
      if (useAlpha) return w >= 256 ? CopyRowSourceAlpha : CombineRow<CopyOp, true>;
      return w >= 256 ? CopyRowOpaque : CombineRow<CopyOp, false>;
  }
}

LICE_pixel CombineOnePixel(LICE_pixel d, LICE_pixel s, int w, int mode) {
  if (w <= 0) return d;
  const bool useAlpha = (mode & LICE_BLIT_USE_ALPHA) != 0;
  switch (mode & LICE_BLIT_MODE_MASK) {
    case LICE_BLIT_MODE_ADD:
      return useAlpha ? CombinePixel<AddOp, true>(d, s, w) : CombinePixel<AddOp, false>(d, s, w);
    case LICE_BLIT_MODE_DODGE:
      return useAlpha ? CombinePixel<DodgeOp, true>(d, s, w) : CombinePixel<DodgeOp, false>(d, s, w);
    default:
      return useAlpha ? CombinePixel<CopyOp, true>(d, s, w) : CombinePixel<CopyOp, false>(d, s, w);
  }
}

}  // namespace lice_detail
