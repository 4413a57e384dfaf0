// The seventeen committed images and their 2x twins decode, match what the
// generator draws now (so a changed generator cannot leave stale PNGs), keep
// the geometry the editor's controls assume at both scales, and place every
// control on the background apart from the others.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "editor/look/EditorLook.h"
#include "lice/lice.h"
#include "tools/artwork/Artwork.h"

namespace {

using namespace artwork;
using namespace editor_look;

std::unique_ptr<LICE_IBitmap> Load(const std::string& name) {
  const std::string path = std::string(CORVANE_IMAGE_DIR) + "/" + name;
  std::unique_ptr<LICE_IBitmap> bmp(LICE_LoadPNG(path.c_str()));
  EXPECT_TRUE(bmp) << path << ": " << LICE_GetLastError();
  return bmp;
}

int Alpha(LICE_IBitmap* bmp, int x, int y) { return LICE_GETA(LICE_GetPixel(bmp, x, y)); }

bool RowTransparent(LICE_IBitmap* bmp, int y) {
  for (int x = 0; x < bmp->getWidth(); ++x)
    if (Alpha(bmp, x, y) != 0) return false;
  return true;
}

// The editor draws a 2x image where the 1x one goes, so its twin must be
// exactly twice as wide and high, and a strip's frames must divide it.
TEST(ArtworkFiles, EveryImageHasATwinTwiceItsSize) {
  for (const NamedImage& image : MakeAllImages(1)) {
    SCOPED_TRACE(image.fileName);
    auto one = Load(image.fileName);
    auto two = Load(ScaledFileName(image.fileName, 2));
    if (!one || !two) continue;
    EXPECT_EQ(two->getWidth(), 2 * one->getWidth());
    EXPECT_EQ(two->getHeight(), 2 * one->getHeight());
    EXPECT_EQ(one->getHeight() % image.frames, 0);
  }
}

TEST(ArtworkFiles, CommittedImagesMatchTheGenerator) {
  std::vector<NamedImage> images = MakeAllImages(1);
  ASSERT_EQ(images.size(), 17u);
  for (NamedImage& image : MakeAllImages(2)) images.push_back(std::move(image));
  ASSERT_EQ(images.size(), 34u);
  for (const NamedImage& image : images) {
    SCOPED_TRACE(image.fileName);
    auto committed = Load(image.fileName);
    if (!committed) continue;
    ASSERT_EQ(committed->getWidth(), image.bitmap->getWidth());
    ASSERT_EQ(committed->getHeight(), image.bitmap->getHeight());
    int differing = 0;
    for (int y = 0; y < committed->getHeight(); ++y)
      for (int x = 0; x < committed->getWidth(); ++x)
        if (LICE_GetPixel(committed.get(), x, y) != LICE_GetPixel(image.bitmap.get(), x, y))
          ++differing;
    EXPECT_EQ(differing, 0) << "regenerate with corvane_gen_artwork resources/img";
  }
}

struct Placed {
  const char* what;
  LICE_RECT r;
};

// What each control covers on the editor at a scale, as the editor places
// it: positions from the layout, sizes from the committed images. A fader
// covers its handle's whole travel, a meter its columns and its overlay.
std::vector<Placed> DrawnControls(int scale) {
  struct Size {
    int w = 0, h = 0;
  };
  auto size = [scale](const char* name) {
    auto bmp = Load(ScaledFileName(name, scale));
    return bmp ? Size{bmp->getWidth(), bmp->getHeight()} : Size{};
  };
  const Size knob = size("real_knob.png"), pan = size("real_knob_2b2.png"), handle = size("faderhandle.png");
  const Size meter = size("vu.png"), overlay = size("clipping.png");
  const Size solo = size("soloon.png"), mode = size("mode1On.png");
  auto at = [scale](Point p, Size s) {
    return LICE_RECT{p.x * scale, p.y * scale, p.x * scale + s.w, p.y * scale + s.h};
  };
  auto fader = [&](const FaderGeometry& f) {
    const int left = HandleLeft(f) * scale;
    return LICE_RECT{left, f.top * scale, left + handle.w, f.bottom * scale + handle.h};
  };
  auto meterWithOverlay = [&](int x) {
    const int right = (x + kMeterGap) * scale + std::max(meter.w, overlay.w);
    const int bottom = std::max(kMeterTop * scale + meter.h, kOverlayTop * scale + overlay.h);
    return LICE_RECT{x * scale, std::min(kMeterTop, kOverlayTop) * scale, right, bottom};
  };
  const Size knobFrame{knob.w, knob.h / kKnobFrames}, panFrame{pan.w, pan.h / kKnobFrames};
  return {{"amount knob", at(kAmountKnob, knobFrame)},
          {"sensitivity knob", at(kSensitivityKnob, knobFrame)},
          {"pan 1 knob", at(kPan1Knob, panFrame)},
          {"pan 2 knob", at(kPan2Knob, panFrame)},
          {"transient fader", fader(kTransientFader)},
          {"residual fader", fader(kResidualFader)},
          {"transient meter", meterWithOverlay(kTransientMeterX)},
          {"residual meter", meterWithOverlay(kResidualMeterX)},
          {"transient solo", at(kTransientSolo, solo)},
          {"residual solo", at(kResidualSolo, solo)},
          {"mode 1", at(kModeButtons[0], mode)},
          {"mode 2", at(kModeButtons[1], mode)},
          {"mode 3", at(kModeButtons[2], mode)}};
}

bool Overlap(const LICE_RECT& a, const LICE_RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Every control is drawn on the background and none covers another, at both
// scales: a control moved or an image grown onto a neighbour hides it and
// steals its clicks.
TEST(ArtworkGeometry, ControlsLieInsideTheBackgroundAndApart) {
  for (int scale : {1, 2}) {
    SCOPED_TRACE(scale);
    auto bg = Load(ScaledFileName("backgroundNU.png", scale));
    ASSERT_TRUE(bg);
    const std::vector<Placed> controls = DrawnControls(scale);
    for (size_t i = 0; i < controls.size(); ++i) {
      const LICE_RECT& r = controls[i].r;
      EXPECT_GT(r.right, r.left) << controls[i].what;
      EXPECT_GT(r.bottom, r.top) << controls[i].what;
      EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= bg->getWidth() && r.bottom <= bg->getHeight())
          << controls[i].what << " leaves the background";
      for (size_t j = i + 1; j < controls.size(); ++j)
        EXPECT_FALSE(Overlap(r, controls[j].r)) << controls[i].what << " covers " << controls[j].what;
    }
  }
}

// The background is drawn with the clobber blend: a transparent pixel would
// show whatever was in the back buffer.
TEST(ArtworkGeometry, BackgroundIsOpaque) {
  auto bg = Load("backgroundNU.png");
  ASSERT_TRUE(bg);
  for (int y = 0; y < bg->getHeight(); ++y)
    for (int x = 0; x < bg->getWidth(); ++x) ASSERT_EQ(Alpha(bg.get(), x, y), 255) << x << "," << y;
}

// Every knob frame differs from its neighbour (the strip really moves), and
// the frames stay inside their square so no frame bleeds into the next.
TEST(ArtworkGeometry, KnobStripsAnimateWithinTheirFrames) {
  for (const char* name : {"real_knob.png", "real_knob_2b2.png"}) {
    SCOPED_TRACE(name);
    auto strip = Load(name);
    ASSERT_TRUE(strip);
    for (int f = 0; f < 128; ++f) {
      const int top = f * kKnobSize;
      EXPECT_TRUE(RowTransparent(strip.get(), top)) << "frame " << f;
      EXPECT_TRUE(RowTransparent(strip.get(), top + kKnobSize - 1)) << "frame " << f;
      if (f == 0) continue;
      bool differs = false;
      for (int y = 0; y < kKnobSize && !differs; ++y)
        for (int x = 0; x < kKnobSize && !differs; ++x)
          differs = LICE_GetPixel(strip.get(), x, top + y) !=
                    LICE_GetPixel(strip.get(), x, top - kKnobSize + y);
      EXPECT_TRUE(differs) << "frame " << f << " repeats the one before";
    }
  }
}

// For n lit segments the meter shows its image from unit row trunc((10 - n)
// * 22.5) down, image row scale times that. That first row must be a gap,
// and the segment's own rows must be lit, so a bar never ends in a sliced or
// missing segment, at either scale.
TEST(ArtworkGeometry, MeterCutsFallBetweenSegments) {
  for (const char* name : {"vu.png", "vuSoloOn.png", "vuSoloOff.png"}) {
    for (int scale : {1, 2}) {
      SCOPED_TRACE(ScaledFileName(name, scale));
      auto meter = Load(ScaledFileName(name, scale));
      ASSERT_TRUE(meter);
      const float perSegment = kMeterHeight / 10.0f;
      for (int n = 1; n <= 10; ++n) {
        const int cut = static_cast<int>((10 - n) * perSegment) * scale;
        EXPECT_TRUE(RowTransparent(meter.get(), cut)) << n << " segments";
        const RowSpan rows = SegmentRows(n, scale);
        EXPECT_GT(rows.first, cut);
        for (int y = rows.first; y < rows.end; ++y)
          EXPECT_EQ(Alpha(meter.get(), kMeterWidth * scale / 2, y), 255) << "segment " << n << " row " << y;
      }
    }
  }
}

// The clip lamp covers exactly the peak segment's rows (the overlay starts
// lower than the meter) and nothing else; the solo marker lies below the
// meter's bottom row.
TEST(ArtworkGeometry, OverlaysSitWhereTheyBelong) {
  auto clip = Load("clipping.png");
  auto solo = Load("clippingSolo.png");
  ASSERT_TRUE(clip && solo);
  const RowSpan peak = SegmentRows(10);
  for (int y = 0; y < clip->getHeight(); ++y) {
    const bool inLamp = y + kOverlayOffset >= peak.first && y + kOverlayOffset < peak.end;
    EXPECT_EQ(!RowTransparent(clip.get(), y), inLamp) << "clip row " << y;
  }
  for (int y = 0; y < solo->getHeight(); ++y) {
    if (RowTransparent(solo.get(), y)) continue;
    EXPECT_GE(kOverlayTop + y, kMeterTop + kMeterHeight) << "solo marker row " << y;
  }
  // Left and right columns must not overlap.
  EXPECT_LE(clip->getWidth(), kMeterGap);
}

// The scale marks follow the handle: each mark lies on the row of the
// handle's indicator when the fader stands at that dB value, computed as the
// fader places its handle.
TEST(ArtworkGeometry, FaderMarksLineUpWithTheHandleIndicator) {
  for (int scale : {1, 2}) {
    SCOPED_TRACE(scale);
    auto handle = Load(ScaledFileName("faderhandle.png", scale));
    auto bg = Load(ScaledFileName("backgroundNU.png", scale));
    ASSERT_TRUE(handle && bg);
    // The indicator rows are the darkest full-width rows of the handle.
    for (int row = 0; row < scale; ++row) {
      const LICE_pixel indicator =
          LICE_GetPixel(handle.get(), kHandleWidth * scale / 2, kHandleIndicatorRow * scale + row);
      EXPECT_LT(LICE_GETR(indicator), 0x20);
    }
    for (const FaderGeometry* fader : {&kTransientFader, &kResidualFader}) {
      const int tickX = (HandleLeft(*fader) - 4) * scale;
      for (const ScaleMark& mark : kScaleMarks) {
        const int y = (HandleTopAt(*fader, mark.distance) + kHandleIndicatorRow) * scale;
        const LICE_pixel above = LICE_GetPixel(bg.get(), tickX, y - 1);
        for (int row = 0; row < scale; ++row) {
          const LICE_pixel tick = LICE_GetPixel(bg.get(), tickX, y + row);
          EXPECT_GT(LICE_GETR(tick), LICE_GETR(above) + 60) << "mark at " << mark.distance;
        }
      }
    }
  }
}

}  // namespace
