// Cached fonts: face lookup, measuring, alignment, clipping and UTF-8.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "lice/LiceError.h"
#include "lice/LiceFont.h"
#include "lice/LiceFontLocator.h"
#include "lice/LiceUtf8.h"
#include "tests/lice/GuardedBitmap.h"

using lice_test::GuardedBitmap;

namespace {

constexpr LICE_pixel kWhite = LICE_RGBA(255, 255, 255, 255);
constexpr LICE_pixel kInk = LICE_RGBA(20, 40, 200, 255);

struct InkBox {
  int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;  // inclusive
  bool Empty() const { return left > right; }
};

InkBox FindInk(GuardedBitmap& b, LICE_pixel background = kWhite) {
  InkBox box;
  for (int y = 0; y < b.getHeight(); ++y)
    for (int x = 0; x < b.getWidth(); ++x)
      if (b.At(x, y) != background) {
        box.left = std::min(box.left, x);
        box.right = std::max(box.right, x);
        box.top = std::min(box.top, y);
        box.bottom = std::max(box.bottom, y);
      }
  return box;
}

int MeasureWidth(LICE_CachedFont& font, const char* text) {
  LICE_RECT r = {40, 10, 40, 10};
  font.DrawText(nullptr, text, -1, &r, LICE_DT_CALCRECT);
  return r.right - 40;
}

class LiceFontTest : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(mFont.Create("Monaco", 12, 400, false, LICE_FONT_QUALITY_NONANTIALIASED))
        << LICE_GetLastError();
    mFont.SetTextColor(kInk);
  }
  LICE_CachedFont mFont;
};

}  // namespace

TEST_F(LiceFontTest, MonacoFallsBackToAnInstalledMonospaceFace) {
  EXPECT_STRNE(mFont.GetFamilyName(), "");
  EXPECT_STREQ(lice_detail::GenericFamilyFor("monaco"), "monospace");
  EXPECT_STREQ(lice_detail::GenericFamilyFor("Arial"), "sans-serif");
  EXPECT_EQ(MeasureWidth(mFont, "iiii"), MeasureWidth(mFont, "MMMM"));  // fixed pitch
  EXPECT_GE(mFont.GetLineHeight(), 12);
  EXPECT_LE(mFont.GetLineHeight(), 20);
}

TEST_F(LiceFontTest, MeasuringGrowsWithLengthAndDrawsNothing) {
  const int w1 = MeasureWidth(mFont, "+0.0"), w2 = MeasureWidth(mFont, "+0.00"),
            w3 = MeasureWidth(mFont, "+0.000 dB");
  EXPECT_GT(w1, 0);
  EXPECT_LT(w1, w2);
  EXPECT_LT(w2, w3);
  GuardedBitmap b(60, 30, kWhite);
  LICE_RECT r = {5, 5, 5, 5};
  EXPECT_EQ(mFont.DrawText(&b, "a\nbc", -1, &r, LICE_DT_CALCRECT), 2 * mFont.GetLineHeight());
  EXPECT_EQ(r.bottom, 5 + 2 * mFont.GetLineHeight());
  EXPECT_EQ(r.right, 5 + MeasureWidth(mFont, "bc"));
  EXPECT_TRUE(FindInk(b).Empty());
  // len limits the text; single-line mode does not break at '\n'.
  LICE_RECT limited = {0, 0, 0, 0};
  mFont.DrawText(nullptr, "+0.0dB", 4, &limited, LICE_DT_CALCRECT);
  EXPECT_EQ(limited.right, w1);
  LICE_RECT one = {0, 0, 0, 0};
  EXPECT_EQ(mFont.DrawText(nullptr, "a\nb", -1, &one, LICE_DT_CALCRECT | LICE_DT_SINGLELINE),
            mFont.GetLineHeight());
}

TEST_F(LiceFontTest, AlignmentPlacesTheInk) {
  const char* text = "+0.0";
  const int w = MeasureWidth(mFont, text);
  const int flags[] = {LICE_DT_LEFT, LICE_DT_CENTER, LICE_DT_RIGHT};
  for (int f : flags) {
    GuardedBitmap b(120, 40, kWhite);
    LICE_RECT r = {10, 8, 110, 30};
    mFont.DrawText(&b, text, -1, &r, f);
    const InkBox ink = FindInk(b);
    ASSERT_FALSE(ink.Empty()) << f;
    EXPECT_GE(ink.top, 8);  // top placement
    EXPECT_LT(ink.top, 8 + mFont.GetLineHeight());
    const int expectLeft = f == LICE_DT_LEFT ? 10 : f == LICE_DT_CENTER ? 10 + (100 - w) / 2 : 110 - w;
    // Glyph ink starts at most a couple of pixels inside the advance box.
    EXPECT_GE(ink.left, expectLeft) << f;
    EXPECT_LE(ink.left, expectLeft + 3) << f;
    EXPECT_LE(ink.right, expectLeft + w) << f;
    EXPECT_GE(ink.right, expectLeft + w - 4) << f;
  }
}

TEST_F(LiceFontTest, NonAntialiasedTextHasOnlyTextColourAndBackground) {
  GuardedBitmap b(200, 40, kWhite);
  LICE_RECT r = {0, 0, 200, 40};
  mFont.DrawText(&b, "Sensitivity 42% @ +12.0 dB", -1, &r, LICE_DT_LEFT);
  int inked = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 200; ++x) {
      const LICE_pixel p = b.At(x, y);
      ASSERT_TRUE(p == kWhite || p == kInk) << std::hex << p;
      inked += p == kInk;
    }
  EXPECT_GT(inked, 50);
  // The colour's own alpha is ignored; half foreground alpha halves the ink.
  mFont.SetTextColor(kInk & 0x00FFFFFF);
  mFont.SetCombineMode(LICE_BLIT_MODE_COPY, 0.5f);
  GuardedBitmap h(200, 40, kWhite);
  mFont.DrawText(&h, "Sensitivity", -1, &r, LICE_DT_LEFT);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 200; ++x) {
      const LICE_pixel p = h.At(x, y);
      ASSERT_TRUE(p == kWhite || LICE_GETR(p) == (255 * 128 + 20 * 128 + 128) >> 8) << std::hex << p;
    }
}

TEST_F(LiceFontTest, NothingIsDrawnOutsideTheRectangleOrTheBitmap) {
  GuardedBitmap b(80, 40, kWhite);
  LICE_RECT r = {20, 15, 40, 22};  // smaller than the text
  mFont.DrawText(&b, "WWWWWWWW", -1, &r, LICE_DT_CENTER);
  const InkBox ink = FindInk(b);
  ASSERT_FALSE(ink.Empty());
  EXPECT_GE(ink.left, 20);
  EXPECT_LT(ink.right, 40);
  EXPECT_GE(ink.top, 15);
  EXPECT_LT(ink.bottom, 22);
  // Without clipping the text spills out of the rectangle but not the bitmap.
  mFont.DrawText(&b, "WWWWWWWWWWWWWWWWWWWWW", -1, &r, LICE_DT_CENTER | LICE_DT_NOCLIP);
  EXPECT_LT(FindInk(b).left, 20);
  const int huge[] = {INT_MIN, -(1 << 30), -30, 75, 1 << 30, INT_MAX};
  for (int x : huge)
    for (int y : huge) {
      LICE_RECT q = {x, y, x > INT_MAX - 50 ? INT_MAX : x + 50, y > INT_MAX - 20 ? INT_MAX : y + 20};
      for (unsigned f : {0u, (unsigned)LICE_DT_RIGHT | LICE_DT_NOCLIP, (unsigned)LICE_DT_CENTER | LICE_DT_BOTTOM})
        mFont.DrawText(&b, "Clip\nTest", -1, &q, f);
    }
  EXPECT_TRUE(b.GuardsIntact());
}

TEST_F(LiceFontTest, Utf8AndMalformedInputDrawSafely) {
  GuardedBitmap b(100, 30, kWhite);
  LICE_RECT r = {0, 0, 100, 30};
  mFont.DrawText(&b, "\xC3\xA9t\xC3\xA9", -1, &r, 0);  // "été"
  EXPECT_FALSE(FindInk(b).Empty());
  // Each malformed byte counts as one replacement character.
  EXPECT_EQ(MeasureWidth(mFont, "\xC3(\xE2\x82"), MeasureWidth(mFont, "\xEF\xBF\xBD(\xEF\xBF\xBD\xEF\xBF\xBD"));
  mFont.DrawText(&b, "\xFF\xFE\xC3", 3, &r, 0);
  EXPECT_TRUE(b.GuardsIntact());

  const char sample[] = "\xF0\x9F\x8E\xB5\xED\xA0\x80\xC0\xAF";  // U+1F3B5, a surrogate, an overlong '/'
  const char* p = sample;
  const char* end = sample + sizeof(sample) - 1;
  EXPECT_EQ(lice_detail::DecodeUtf8(p, end), 0x1F3B5u);
  EXPECT_EQ(lice_detail::DecodeUtf8(p, end), lice_detail::kReplacementChar);
  EXPECT_EQ(p, sample + 5);
}

TEST(LiceFont, AntialiasedBoldAndItalicVariantsDraw) {
  LICE_CachedFont regular, bold, italic;
  ASSERT_TRUE(regular.Create("DejaVu Sans", 14));
  ASSERT_TRUE(bold.Create("DejaVu Sans", 14, 700));
  ASSERT_TRUE(italic.Create("NoSuchFaceAtAll", 14, 400, true, LICE_FONT_QUALITY_ANTIALIASED, 900, 900));
  LICE_RECT r = {0, 0, 0, 0}, rb = r;
  regular.DrawText(nullptr, "Amount", -1, &r, LICE_DT_CALCRECT);
  bold.DrawText(nullptr, "Amount", -1, &rb, LICE_DT_CALCRECT);
  EXPECT_GT(rb.right, r.right);
  GuardedBitmap b(100, 30, kWhite);
  LICE_RECT box = {0, 0, 100, 30};
  italic.DrawText(&b, "Amount", -1, &box, 0);
  bool partial = false;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 100; ++x) partial |= b.At(x, y) != kWhite && LICE_GETR(b.At(x, y)) > 0;
  EXPECT_TRUE(partial);  // antialiased edges blend black into white
}

TEST(LiceFont, CreationFailureIsReported) {
  LICE_CachedFont font;
  EXPECT_FALSE(font.Create("Monaco", 0));
  EXPECT_STRNE(LICE_GetLastError(), "");
  EXPECT_FALSE(font.IsValid());
  EXPECT_EQ(font.GetLineHeight(), 0);
  LICE_MemBitmap b(10, 10);
  LICE_RECT r = {0, 0, 10, 10};
  EXPECT_EQ(font.DrawText(&b, "x", -1, &r, 0), 0);
  EXPECT_TRUE(font.Create("Monaco", 10));
  EXPECT_FALSE(font.Create("Monaco", -3));  // a failed re-creation leaves no half-made font
  EXPECT_FALSE(font.IsValid());
}
