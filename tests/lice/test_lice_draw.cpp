// Vector primitives: which pixels they cover.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>

#include "lice/LiceRaster.h"
#include "tests/lice/GuardedBitmap.h"

using lice_test::GuardedBitmap;

namespace {

constexpr LICE_pixel kBlack = LICE_RGBA(0, 0, 0, 255);
constexpr LICE_pixel kWhite = LICE_RGBA(255, 255, 255, 255);
constexpr double kPi = 3.14159265358979323846;

std::set<std::pair<int, int>> Lit(GuardedBitmap& b) {
  EXPECT_TRUE(b.GuardsIntact());
  std::set<std::pair<int, int>> lit;
  for (int y = 0; y < b.getHeight(); ++y)
    for (int x = 0; x < b.getWidth(); ++x)
      if (b.At(x, y) != kBlack) lit.insert({x, y});
  return lit;
}

}  // namespace

TEST(LiceLine, CoversBothEndsAndOnePixelPerMajorStep) {
  GuardedBitmap b(20, 20, kBlack);
  LICE_Line(&b, 2, 3, 8, 3, kWhite);
  std::set<std::pair<int, int>> want;
  for (int x = 2; x <= 8; ++x) want.insert({x, 3});
  EXPECT_EQ(Lit(b), want);

  // A steep line: one pixel on every row, each next to the previous one,
  // and the same pixels whichever end comes first.
  GuardedBitmap down(20, 20, kBlack), up(20, 20, kBlack);
  LICE_Line(&down, 1, 0, 4, 9, kWhite);
  LICE_Line(&up, 4, 9, 1, 0, kWhite);
  const auto lit = Lit(down);
  EXPECT_EQ(lit, Lit(up));
  ASSERT_EQ(lit.size(), 10u);
  int prevX = 1;
  for (int y = 0; y <= 9; ++y) {
    int count = 0, x = -1;
    for (int i = 0; i < 20; ++i)
      if (lit.count({i, y})) { ++count; x = i; }
    EXPECT_EQ(count, 1) << y;
    EXPECT_LE(std::abs(x - prevX), 1) << y;
    prevX = x;
  }
  EXPECT_TRUE(lit.count({1, 0}) && lit.count({4, 9}));
}

TEST(LiceLine, HugeEndPointsDrawTheVisiblePartExactly) {
  GuardedBitmap b(16, 16, kBlack), ref(16, 16, kBlack);
  LICE_Line(&b, -(1 << 30), 5, 1 << 30, 5, kWhite);
  LICE_Line(&b, -1000000, -1000000, 1000000, 1000000, kWhite);
  LICE_Line(&ref, 0, 5, 15, 5, kWhite);
  LICE_Line(&ref, 0, 0, 15, 15, kWhite);
  EXPECT_EQ(Lit(b), Lit(ref));
}

TEST(LiceLine, AntialiasedCoverageSumsToOnePerStep) {
  GuardedBitmap b(20, 20, LICE_RGBA(0, 0, 0, 255));
  LICE_Line(&b, 0, 2, 19, 9, LICE_RGBA(255, 0, 0, 255), 1.0f, LICE_BLIT_MODE_ADD, true);
  for (int x = 0; x < 20; ++x) {
    int sum = 0;
    for (int y = 0; y < 20; ++y) sum += LICE_GETR(b.At(x, y));
    EXPECT_NEAR(sum, 255, 2) << x;
  }
  // On whole coordinates an antialiased horizontal line is a solid line.
  GuardedBitmap h(10, 5, kBlack);
  LICE_Line(&h, 1, 2, 8, 2, kWhite, 1.0f, 0, true);
  std::set<std::pair<int, int>> want;
  for (int x = 1; x <= 8; ++x) want.insert({x, 2});
  EXPECT_EQ(Lit(h), want);
  for (int x = 1; x <= 8; ++x) EXPECT_EQ(h.At(x, 2), kWhite);
}

TEST(LiceCircle, OutlineIsOnTheRadiusAndSymmetric) {
  GuardedBitmap b(41, 41, kBlack);
  LICE_Circle(&b, 20, 20, 10, kWhite);
  const auto lit = Lit(b);
  ASSERT_FALSE(lit.empty());
  for (const auto& p : lit) {
    const int dx = p.first - 20, dy = p.second - 20;
    EXPECT_NEAR(std::sqrt(dx * dx + dy * dy), 10.0, 0.5);
    EXPECT_TRUE(lit.count({20 - dx, 20 + dy}) && lit.count({20 + dy, 20 + dx}));
  }
  // Closed: every lit pixel has at least two lit 8-neighbours.
  for (const auto& p : lit) {
    int n = 0;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) n += (dx || dy) && lit.count({p.first + dx, p.second + dy});
    EXPECT_GE(n, 2);
  }
}

TEST(LiceCircle, FillCoversExactlyThePixelsWithinTheRadius) {
  GuardedBitmap b(41, 41, kBlack);
  LICE_FillCircle(&b, 20, 19, 7.5f, kWhite);
  std::set<std::pair<int, int>> want;
  for (int y = 0; y < 41; ++y)
    for (int x = 0; x < 41; ++x)
      if ((x - 20) * (x - 20) + (y - 19) * (y - 19) <= 7.5 * 7.5) want.insert({x, y});
  EXPECT_EQ(Lit(b), want);
  // Antialiased: the interior is solid and the total coverage is the area.
  GuardedBitmap aa(41, 41, kBlack);
  LICE_FillCircle(&aa, 20, 20, 10, kWhite, 1.0f, 0, true);
  EXPECT_EQ(aa.At(20, 20), kWhite);
  double coverage = 0;
  for (int y = 0; y < 41; ++y)
    for (int x = 0; x < 41; ++x) coverage += LICE_GETR(aa.At(x, y)) / 255.0;
  EXPECT_NEAR(coverage, kPi * 100, 0.03 * kPi * 100);
}

TEST(LiceCircle, ArcStaysInItsQuadrant) {
  GuardedBitmap b(41, 41, kBlack);
  LICE_Arc(&b, 20, 20, 12, 0.0f, (float)(kPi / 2), kWhite, 1.0f, 0, true);
  const auto lit = Lit(b);
  ASSERT_FALSE(lit.empty());
  for (const auto& p : lit) {
    EXPECT_GE(p.first, 20);
    EXPECT_LE(p.second, 20);
  }
  EXPECT_TRUE(lit.count({20, 8}) && lit.count({32, 20}));  // both ends: up and right
}

TEST(LicePolygon, TrianglesSharingAnEdgeCoverTheSquareOnce) {
  // Half-opacity white over black: a pixel painted twice would be brighter
  // than 128, one left out would stay black.
  GuardedBitmap b(12, 12, kBlack);
  LICE_FillTriangle(&b, 0, 0, 10, 0, 10, 10, kWhite, 0.5f);
  LICE_FillTriangle(&b, 0, 0, 10, 10, 0, 10, kWhite, 0.5f);
  ASSERT_TRUE(b.GuardsIntact());
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x)
      EXPECT_EQ(LICE_GETR(b.At(x, y)), x < 10 && y < 10 ? 128 : 0) << x << "," << y;
}

TEST(LicePolygon, VertexOrderDoesNotMatter) {
  const int xs[] = {3, 12, 15, 9, 2}, ys[] = {1, 2, 9, 14, 8};
  const int rx[] = {2, 9, 15, 12, 3}, ry[] = {8, 14, 9, 2, 1};
  GuardedBitmap a(20, 20, kBlack), b(20, 20, kBlack);
  LICE_FillConvexPolygon(&a, xs, ys, 5, kWhite);
  LICE_FillConvexPolygon(&b, rx, ry, 5, kWhite);
  const auto lit = Lit(a);
  EXPECT_EQ(lit, Lit(b));
  EXPECT_TRUE(lit.count({9, 8}));
  EXPECT_FALSE(lit.count({1, 1}));
}

TEST(LiceRoundRect, CornersAreCutAndNoPixelIsBlendedTwice) {
  GuardedBitmap b(30, 20, kBlack);
  LICE_RoundRect(&b, 2, 3, 20, 12, 4, kWhite, 0.5f);
  const auto lit = Lit(b);
  for (const auto& p : lit) EXPECT_EQ(LICE_GETR(b.At(p.first, p.second)), 128);
  EXPECT_FALSE(lit.count({2, 3}));
  EXPECT_FALSE(lit.count({22, 15}));
  EXPECT_TRUE(lit.count({12, 3}) && lit.count({12, 15}) && lit.count({2, 9}) && lit.count({22, 9}));
  EXPECT_FALSE(lit.count({12, 9}));  // hollow
}

TEST(LicePixel, PutGetAndChannelHelpers) {
  GuardedBitmap b(4, 4, kBlack);
  LICE_PutPixel(&b, 1, 2, LICE_RGBA(10, 20, 30, 40));
  const LICE_pixel p = LICE_GetPixel(&b, 1, 2);
  EXPECT_EQ(p, LICE_RGBA(10, 20, 30, 40));
  EXPECT_EQ(LICE_GETR(p), 10);
  EXPECT_EQ(LICE_GETG(p), 20);
  EXPECT_EQ(LICE_GETB(p), 30);
  EXPECT_EQ(LICE_GETA(p), 40);
  // Memory order on little-endian machines is B, G, R, A.
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&b.At(1, 2));
  EXPECT_EQ(bytes[0], 30);
  EXPECT_EQ(bytes[3], 40);
  EXPECT_EQ(LICE_GetPixel(&b, 4, 0), 0u);
  EXPECT_EQ(LICE_GetPixel(&b, 0, -1), 0u);
}
