// Blend arithmetic: exact pixels for every mode, and a seeded random sweep of
// blits compared with a naive per-pixel reference.
#include <gtest/gtest.h>

#include <random>

#include "lice/LiceCombine.h"
#include "lice/LiceRaster.h"
#include "tests/lice/GuardedBitmap.h"
#include "tests/support/AllocationCounter.h"

using lice_test::GuardedBitmap;

namespace {

LICE_pixel BlendOne(LICE_pixel dst, LICE_pixel src, float alpha, int mode) {
  GuardedBitmap d(1, 1, dst), s(1, 1, src);
  LICE_Blit(&d, &s, 0, 0, 0, 0, 1, 1, alpha, mode);
  EXPECT_TRUE(d.GuardsIntact());
  return d.At(0, 0);
}

}  // namespace

TEST(LiceBlend, KnownPixelsForEveryMode) {
  const LICE_pixel dst = LICE_RGBA(100, 200, 40, 255);
  const LICE_pixel src = LICE_RGBA(200, 100, 240, 128);
  // Plain copy ignores alpha; at full opacity the word is copied as it is.
  EXPECT_EQ(BlendOne(dst, src, 1.0f, LICE_BLIT_MODE_COPY), src);
  // Half opacity, all four channels: (d * 128 + s * 128 + 128) >> 8.
  EXPECT_EQ(BlendOne(dst, src, 0.5f, LICE_BLIT_MODE_COPY), LICE_RGBA(150, 150, 140, 192));
  // Source alpha 128 -> weight 129: (100*127 + 200*129 + 128) >> 8 = 150.
  EXPECT_EQ(BlendOne(dst, src, 1.0f, LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA),
            LICE_RGBA(150, 150, 141, 255));
  // Over a transparent destination the alpha becomes the source's share.
  EXPECT_EQ(LICE_GETA(BlendOne(LICE_RGBA(0, 0, 0, 0), src, 1.0f,
                               LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA)),
            128);
  // Additive saturates: 200 + 100 -> 255; alpha 255 stays.
  EXPECT_EQ(BlendOne(dst, src, 1.0f, LICE_BLIT_MODE_ADD), LICE_RGBA(255, 255, 255, 255));
  // Additive with source alpha: 100 + (200 * 129 + 128) >> 8 = 201.
  EXPECT_EQ(BlendOne(dst, src, 1.0f, LICE_BLIT_MODE_ADD | LICE_BLIT_USE_ALPHA),
            LICE_RGBA(201, 250, 161, 255));
  // Dodge: d * 255 / (255 - s) capped: 100*255/55 -> 255, 200*255/155 -> 255, 40*255/15 -> 255.
  EXPECT_EQ(BlendOne(dst, LICE_RGBA(200, 100, 240, 255), 1.0f, LICE_BLIT_MODE_DODGE | LICE_BLIT_USE_ALPHA),
            LICE_RGBA(255, 255, 255, 255));
  // Dodge with a dark source brightens moderately: 100*255/205 = 124, 200*255/235 = 217.
  EXPECT_EQ(BlendOne(LICE_RGBA(100, 200, 0, 255), LICE_RGBA(50, 20, 255, 255), 1.0f,
                     LICE_BLIT_MODE_DODGE | LICE_BLIT_USE_ALPHA),
            LICE_RGBA(124, 217, 0, 255));
}

TEST(LiceBlend, WeightEndsAreExact) {
  const LICE_pixel dst = LICE_RGBA(1, 2, 3, 4), src = LICE_RGBA(250, 251, 252, 253);
  for (int mode : {LICE_BLIT_MODE_COPY, LICE_BLIT_MODE_ADD, LICE_BLIT_MODE_DODGE}) {
    EXPECT_EQ(BlendOne(dst, src, 0.0f, mode), dst) << mode;
    EXPECT_EQ(BlendOne(dst, src, NAN, mode | LICE_BLIT_USE_ALPHA), dst) << mode;
    // A transparent source changes nothing in any source-alpha mode.
    EXPECT_EQ(BlendOne(dst, src & 0x00FFFFFF, 1.0f, mode | LICE_BLIT_USE_ALPHA), dst) << mode;
  }
  EXPECT_EQ(BlendOne(dst, src, 7.0f, LICE_BLIT_MODE_COPY), src);  // opacity clamps to 1
  EXPECT_EQ(lice_detail::WeightFromAlpha(0.5f), 128);
  EXPECT_EQ(lice_detail::Expand8(255), 256);
  EXPECT_EQ(lice_detail::Expand8(0), 0);
}

TEST(LiceBlend, FastPathsAgreeWithGenericCombiner) {
  std::mt19937 rng(7);
  LICE_pixel dst[64], src[64], expect[64];
  for (int i = 0; i < 64; ++i) {
    src[i] = rng();
    dst[i] = expect[i] = rng();
  }
  src[0] |= 0xFF000000u;  // make sure the opaque and transparent shortcuts run
  src[1] &= 0x00FFFFFFu;
  lice_detail::CombineRow<lice_detail::CopyOp, true>(expect, src, 64, 256);
  lice_detail::SelectRowCombiner(LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA, 256)(dst, src, 64, 256);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(dst[i], expect[i]) << i;
}

namespace {

// Straightforward per-pixel formulas, written out without the library's helpers.
int RefChannel(int mode, int d, int s, int e) {
  switch (mode & LICE_BLIT_MODE_MASK) {
    case LICE_BLIT_MODE_ADD:
      return std::min(255, d + (s * e + 128) / 256);
    case LICE_BLIT_MODE_DODGE: {
      const int t = d == 0 ? 0 : (s == 255 ? 255 : std::min(255, d * 255 / (255 - s)));
      return (d * (256 - e) + t * e + 128) / 256;
    }
    default:
      return (d * (256 - e) + s * e + 128) / 256;
  }
}

LICE_pixel RefPixel(LICE_pixel d, LICE_pixel s, int w, int mode) {
  const int sa = LICE_GETA(s);
  const bool useAlpha = mode & LICE_BLIT_USE_ALPHA;
  const int e = useAlpha ? ((sa + (sa > 127 ? 1 : 0)) * w + 128) / 256 : w;
  const int da = LICE_GETA(d);
  const int a = useAlpha ? da + ((255 - da) * e + 128) / 256 : RefChannel(mode, da, sa, e);
  return LICE_RGBA(RefChannel(mode, LICE_GETR(d), LICE_GETR(s), e),
                   RefChannel(mode, LICE_GETG(d), LICE_GETG(s), e),
                   RefChannel(mode, LICE_GETB(d), LICE_GETB(s), e), a);
}

// Blit by visiting every pixel of the requested region and skipping those
// that fall outside either bitmap.
void RefBlit(GuardedBitmap& d, GuardedBitmap& s, int dx, int dy, int sx, int sy, int w, int h,
             float alpha, int mode) {
  const int weight = alpha <= 0 ? 0 : alpha >= 1 ? 256 : (int)(alpha * 256 + 0.5f);
  if (weight == 0) return;
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i) {
      const long x = (long)sx + i, y = (long)sy + j, tx = (long)dx + i, ty = (long)dy + j;
      if (x < 0 || y < 0 || x >= s.getWidth() || y >= s.getHeight()) continue;
      if (tx < 0 || ty < 0 || tx >= d.getWidth() || ty >= d.getHeight()) continue;
      d.At(tx, ty) = RefPixel(d.At(tx, ty), s.At(x, y), weight, mode);
    }
}

}  // namespace

TEST(LiceBlend, RandomBlitsMatchNaiveReference) {
  std::mt19937 rng(20240611);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int modes[] = {LICE_BLIT_MODE_COPY, LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA,
                       LICE_BLIT_MODE_ADD, LICE_BLIT_MODE_ADD | LICE_BLIT_USE_ALPHA,
                       LICE_BLIT_MODE_DODGE, LICE_BLIT_MODE_DODGE | LICE_BLIT_USE_ALPHA};
  const float alphas[] = {1.0f, 0.5f, 0.25f, 0.9f, 0.0f};
  uint32_t checksum = 0, refChecksum = 0;
  for (int round = 0; round < 600; ++round) {
    const int sw = pick(1, 40), sh = pick(1, 30), dw = pick(1, 40), dh = pick(1, 30);
    GuardedBitmap src(sw, sh), dst(dw, dh), ref(dw, dh);
    for (int y = 0; y < sh; ++y)
      for (int x = 0; x < sw; ++x) {
        LICE_pixel p = rng();
        if (pick(0, 3) == 0) p |= 0xFF000000u;  // plenty of opaque and clear pixels
        if (pick(0, 3) == 0) p &= 0x00FFFFFFu;
        src.At(x, y) = p;
      }
    for (int y = 0; y < dh; ++y)
      for (int x = 0; x < dw; ++x) dst.At(x, y) = ref.At(x, y) = rng();
    const int mode = modes[pick(0, 5)];
    const float alpha = alphas[pick(0, 4)];
    const int dx = pick(-45, 45), dy = pick(-35, 35), sx = pick(-10, 45), sy = pick(-10, 35);
    const int w = pick(-2, 50), h = pick(-2, 40);
    LICE_Blit(&dst, &src, dx, dy, sx, sy, w, h, alpha, mode);
    RefBlit(ref, src, dx, dy, sx, sy, w, h, alpha, mode);
    ASSERT_TRUE(dst.GuardsIntact()) << "round " << round;
    for (int y = 0; y < dh; ++y)
      for (int x = 0; x < dw; ++x) {
        ASSERT_EQ(dst.At(x, y), ref.At(x, y)) << "round " << round << " at " << x << "," << y;
        checksum = checksum * 31 + dst.At(x, y);
        refChecksum = refChecksum * 31 + ref.At(x, y);
      }
  }
  EXPECT_EQ(checksum, refChecksum);
}

TEST(LiceBlend, OverlappingSelfBlitMovesLikeACopy) {
  // Shifting a region inside one bitmap in each direction must give the
  // same result as blitting from an untouched copy.
  const int shifts[][2] = {{5, 0}, {-5, 0}, {0, 3}, {0, -3}, {300, 0}, {-7, -2}};
  for (const auto& s : shifts) {
    GuardedBitmap img(600, 12), copy(600, 12), expect(600, 12);
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 600; ++x) img.At(x, y) = copy.At(x, y) = expect.At(x, y) = x * 7919u + y;
    LICE_Blit(&expect, &copy, 10 + s[0], 4 + s[1], 10, 4, 580 - std::abs(s[0]) - 10, 5, 1.0f, LICE_BLIT_MODE_ADD);
    LICE_Blit(&img, &img, 10 + s[0], 4 + s[1], 10, 4, 580 - std::abs(s[0]) - 10, 5, 1.0f, LICE_BLIT_MODE_ADD);
    ASSERT_TRUE(img.GuardsIntact());
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 600; ++x) ASSERT_EQ(img.At(x, y), expect.At(x, y)) << s[0] << "," << s[1];
  }
}

TEST(LiceBlend, BlitsAndFillsDoNotAllocate) {
  LICE_MemBitmap dst(64, 64), src(64, 64);
  corvane_test::AllocationScope scope;
  LICE_Blit(&dst, &src, 3, 3, 0, 0, 64, 64, 0.5f, LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA);
  LICE_ScaledBlit(&dst, &src, 0, 0, 30, 90, 0, 0, 64, 64, 1.0f, LICE_BLIT_FILTER_BILINEAR);
  LICE_RotatedBlit(&dst, &src, 0, 0, 64, 64, 0, 0, 64, 64, 1.0f, false, 1.0f,
                   LICE_BLIT_FILTER_BILINEAR | LICE_BLIT_USE_ALPHA);
  LICE_FillRect(&dst, 1, 1, 40, 40, LICE_RGBA(1, 2, 3, 100), 0.7f, LICE_BLIT_USE_ALPHA);
  LICE_Line(&dst, 0, 0, 63, 20, 0xFFFFFFFF, 1.0f, 0, true);
  LICE_FillCircle(&dst, 30, 30, 12, 0xFF00FF00, 0.5f, 0, true);
  EXPECT_EQ(scope.Count(), 0);
}
