// Scaled and rotated blits.
#include <gtest/gtest.h>

#include <cmath>

#include "lice/LiceRaster.h"
#include "tests/lice/GuardedBitmap.h"

using lice_test::GuardedBitmap;

namespace {

constexpr double kPi = 3.14159265358979323846;

GuardedBitmap MakePattern(int w, int h) {
  GuardedBitmap s(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s.At(x, y) = LICE_RGBA(x * 20, y * 20, (x * 7 + y * 13) & 255, 255);
  return s;
}

}  // namespace

TEST(LiceScaledBlit, IdentityScaleEqualsPlainBlitInBothFilters) {
  GuardedBitmap src = MakePattern(9, 7);
  for (int filter : {0, (int)LICE_BLIT_FILTER_BILINEAR}) {
    GuardedBitmap a(12, 10), b(12, 10);
    LICE_ScaledBlit(&a, &src, 2, 1, 6, 5, 1, 2, 6, 5, 1.0f, filter);
    LICE_Blit(&b, &src, 2, 1, 1, 2, 6, 5, 1.0f, LICE_BLIT_MODE_COPY);
    ASSERT_TRUE(a.GuardsIntact());
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 12; ++x) ASSERT_EQ(a.At(x, y), b.At(x, y)) << filter << ":" << x << "," << y;
  }
}

TEST(LiceScaledBlit, NearestDoublingRepeatsEachPixel) {
  GuardedBitmap src = MakePattern(4, 3);
  GuardedBitmap dst(8, 6);
  LICE_ScaledBlit(&dst, &src, 0, 0, 8, 6, 0, 0, 4, 3, 1.0f, LICE_BLIT_MODE_COPY);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(dst.At(x, y), src.At(x / 2, y / 2));
}

TEST(LiceScaledBlit, BilinearInterpolatesAndClampsAtTheRegionEdge) {
  GuardedBitmap src(2, 1);
  src.At(0, 0) = LICE_RGBA(0, 0, 0, 255);
  src.At(1, 0) = LICE_RGBA(200, 100, 40, 255);
  GuardedBitmap dst(4, 1);
  LICE_ScaledBlit(&dst, &src, 0, 0, 4, 1, 0, 0, 2, 1, 1.0f, LICE_BLIT_FILTER_BILINEAR);
  // Centres map to 0.25, 0.75, 1.25, 1.75 -> samples at -0.25 (clamped), 0.25, 0.75, 1.25 (clamped).
  EXPECT_EQ(dst.At(0, 0), LICE_RGBA(0, 0, 0, 255));
  EXPECT_EQ(dst.At(1, 0), LICE_RGBA(50, 25, 10, 255));
  EXPECT_EQ(dst.At(2, 0), LICE_RGBA(150, 75, 30, 255));
  EXPECT_EQ(dst.At(3, 0), LICE_RGBA(200, 100, 40, 255));
}

TEST(LiceScaledBlit, DownscaleOfSourcePartlyOutsideDrawsOnlyMappedPixels) {
  GuardedBitmap src = MakePattern(8, 8);
  GuardedBitmap dst(8, 8, 0xFF123456);
  // The region spans -8..8 horizontally: the left half of the target maps
  // outside the source and stays untouched.
  LICE_ScaledBlit(&dst, &src, 0, 0, 8, 4, -8, 0, 16, 8, 1.0f, LICE_BLIT_MODE_COPY);
  ASSERT_TRUE(dst.GuardsIntact());
  for (int x = 0; x < 4; ++x) EXPECT_EQ(dst.At(x, 0), 0xFF123456u) << x;
  for (int x = 4; x < 8; ++x) EXPECT_EQ(dst.At(x, 0), src.At((x - 4) * 2 + 1, 1)) << x;
}

TEST(LiceRotatedBlit, ZeroAngleEqualsBlitAndHalfTurnFlips) {
  GuardedBitmap src = MakePattern(7, 5);
  GuardedBitmap straight(7, 5), turned(7, 5);
  const int mode = LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA | LICE_BLIT_FILTER_BILINEAR;
  LICE_RotatedBlit(&straight, &src, 0, 0, 7, 5, 0, 0, 7, 5, 0.0f, false, 1.0f, mode);
  LICE_RotatedBlit(&turned, &src, 0, 0, 7, 5, 0, 0, 7, 5, (float)kPi, false, 1.0f, mode);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) {
      EXPECT_EQ(straight.At(x, y), src.At(x, y));
      EXPECT_EQ(turned.At(x, y), src.At(6 - x, 4 - y)) << x << "," << y;
    }
}

TEST(LiceRotatedBlit, QuarterTurnIsClockwise) {
  GuardedBitmap src = MakePattern(5, 5);
  GuardedBitmap dst(5, 5);
  LICE_RotatedBlit(&dst, &src, 0, 0, 5, 5, 0, 0, 5, 5, (float)(kPi / 2), false, 1.0f,
                   LICE_BLIT_MODE_COPY);
  // Clockwise on screen: the source's left column becomes the top row.
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(dst.At(x, y), src.At(y, 4 - x)) << x << "," << y;
}

TEST(LiceRotatedBlit, ClipToSourceRectKeepsNeighboursOut) {
  // The region is the middle 3x3 of a 5x5 image whose border is red. Turned
  // by 45 degrees, an unclipped blit pulls red in at the corners; a clipped
  // one never shows red.
  GuardedBitmap src(5, 5, LICE_RGBA(255, 0, 0, 255));
  for (int y = 1; y < 4; ++y)
    for (int x = 1; x < 4; ++x) src.At(x, y) = LICE_RGBA(0, 0, 255, 255);
  const int mode = LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA | LICE_BLIT_FILTER_BILINEAR;
  auto redFound = [&](bool clip) {
    GuardedBitmap dst(9, 9, LICE_RGBA(0, 0, 0, 255));
    LICE_RotatedBlit(&dst, &src, 3, 3, 3, 3, 1, 1, 3, 3, (float)(kPi / 4), clip, 1.0f, mode);
    EXPECT_TRUE(dst.GuardsIntact());
    int red = 0;
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 9; ++x) red += LICE_GETR(dst.At(x, y)) > 0;
    return red;
  };
  EXPECT_GT(redFound(false), 0);
  EXPECT_EQ(redFound(true), 0);
}

TEST(LiceRotatedBlit, VerticalOffsetMovesThePivot) {
  // One opaque pixel at the top centre of a 5x5 image, mapped onto a 5x12
  // target (source rows 5.. lie outside the image and are transparent).
  // A half turn about the target's centre (y = 6) puts it on row 11; with
  // the pivot moved up by 3.5 to the image's centre, on row 4.
  GuardedBitmap src(5, 5, 0);
  src.At(2, 0) = LICE_RGBA(255, 255, 255, 255);
  for (float offset : {0.0f, -3.5f}) {
    GuardedBitmap dst(5, 12, 0);
    LICE_RotatedBlit(&dst, &src, 0, 0, 5, 12, 0, 0, 5, 12, (float)kPi, false, 1.0f,
                     LICE_BLIT_MODE_COPY | LICE_BLIT_USE_ALPHA, 0.0f, offset);
    const int row = offset == 0.0f ? 11 : 4;
    EXPECT_EQ(dst.At(2, row), 0xFFFFFFFFu) << offset;
    int lit = 0;
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 5; ++x) lit += dst.At(x, y) != 0;
    EXPECT_EQ(lit, 1) << offset;
  }
}
