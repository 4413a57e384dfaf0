// The split's picture end to end: clicks at known times over a steady tone,
// processed by the command, and the PNG it draws read back pixel by pixel.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "lice/lice.h"
#include "tests/tools/CliChecks.h"
#include "tools/corvane/PlotFigures.h"
#include "tools/corvane/PlotLayout.h"

namespace {

constexpr int kRate = 44100;
constexpr double kSeconds = 2.0;
constexpr double kClicks[] = {0.25, 0.6, 1.0, 1.3, 1.75};
constexpr int kWidth = 600, kHeight = 400;

// A 220 Hz tone at 0.2 on both channels, and single-sample clicks of 0.8.
std::string MakeClicksOverTone(const std::string& dir) {
  Audio a;
  a.channels = 2;
  a.sampleRate = kRate;
  const long long frames = static_cast<long long>(kSeconds * kRate);
  for (long long t = 0; t < frames; ++t) {
    const float tone = 0.2f * static_cast<float>(std::sin(2.0 * M_PI * 220.0 * t / kRate));
    a.samples.push_back(tone);
    a.samples.push_back(tone);
  }
  for (double c : kClicks) {
    const long long t = static_cast<long long>(c * kRate);
    a.samples[static_cast<size_t>(2 * t)] += 0.8f;
    a.samples[static_cast<size_t>(2 * t + 1)] += 0.8f;
  }
  const std::string path = dir + "/clicks.wav";
  WriteAudio(path, a, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  return path;
}

std::unique_ptr<LICE_IBitmap> LoadPicture(const std::string& path) {
  std::unique_ptr<LICE_IBitmap> bmp(LICE_LoadPNG(path.c_str()));
  EXPECT_TRUE(bmp) << path << ": " << LICE_GetLastError();
  return bmp;
}

// Pixels of column x in the rectangle's rows whose colour passes `is`.
template <typename Is>
int InkIn(LICE_IBitmap* bmp, int x, const PlotRect& r, Is is) {
  int n = 0;
  for (int y = r.y; y < r.Bottom(); ++y) n += is(LICE_GetPixel(bmp, x, y));
  return n;
}
bool Cyan(LICE_pixel p) { return LICE_GETB(p) > LICE_GETR(p) + 60 && LICE_GETG(p) > LICE_GETR(p) + 60; }
bool Green(LICE_pixel p) { return LICE_GETG(p) > LICE_GETR(p) + 60 && LICE_GETG(p) > LICE_GETB(p) + 60; }
bool Red(LICE_pixel p) { return LICE_GETR(p) > 180 && LICE_GETG(p) < 100 && LICE_GETB(p) < 100; }

// The columns at the middle of each run of event marks in the strip.
std::vector<int> EventColumns(LICE_IBitmap* bmp, const PlotLayout& l) {
  std::vector<int> centres;
  const int y = l.eventStrip.y + l.px(4);
  for (int x = l.eventStrip.x; x < l.eventStrip.Right();) {
    if (!Red(LICE_GetPixel(bmp, x, y))) {
      ++x;
      continue;
    }
    const int start = x;
    while (x < l.eventStrip.Right() && Red(LICE_GetPixel(bmp, x, y))) ++x;
    centres.push_back((start + x - 1) / 2 - l.eventStrip.x);
  }
  return centres;
}

int ColumnOf(double seconds, double from, double to, int columns) {
  return static_cast<int>(std::floor((seconds - from) / (to - from) * columns));
}

// A number printed after `label` in the command's summary.
double FigureAfter(const std::string& text, const std::string& label) {
  const size_t at = text.find(label);
  EXPECT_NE(at, std::string::npos) << text;
  return at == std::string::npos ? -1 : std::atof(text.c_str() + at + label.size());
}

// Catches: parts drawn from the user's faders instead of unity; lanes, event
// marks or the share taken from the wrong signal or offset by the latency;
// an event detector that counts the tone or splits a click in two.
TEST(CorvanePlot, ClicksOverToneShowWhereAndHowMuch) {
  const std::string dir = FreshDir("plot-clicks");
  const std::string in = MakeClicksOverTone(dir);
  // The picture at faders and pans far from unity; the stems at unity.
  const CliResult r = Ok({"process", in, dir + "/mix.wav", "--plot", dir + "/p.png", "--plot-size", "600x400",
                          "--transient", "-12", "--residual", "+6", "--pan-transient", "L"});
  Ok({"process", "-q", in, dir + "/unity.wav", "--transient-out", dir + "/t.wav", "--residual-out", dir + "/r.wav"});
  const Audio t = ReadAudio(dir + "/t.wav"), res = ReadAudio(dir + "/r.wav");
  double et = 0, er = 0;
  for (float v : t.samples) et += static_cast<double>(v) * v;
  for (float v : res.samples) er += static_cast<double>(v) * v;
  EXPECT_NEAR(FigureAfter(r.err, "transient share "), 100.0 * et / (et + er), 0.051) << r.err;
  EXPECT_EQ(FigureAfter(r.err, "%, "), 5.0) << r.err;

  auto bmp = LoadPicture(dir + "/p.png");
  ASSERT_TRUE(bmp);
  const PlotLayout l = MakePlotLayout(kWidth, kHeight, 1);
  ASSERT_EQ(bmp->getWidth(), l.width);
  const int columns = l.Columns();
  std::vector<int> clickColumns;
  for (double c : kClicks) clickColumns.push_back(ColumnOf(c, 0, kSeconds, columns));
  const PlotRect& transient = l.lanes[kRowTransient];
  for (int c : clickColumns) {
    int most = 0;
    for (int dc = -1; dc <= 1; ++dc) most = std::max(most, InkIn(bmp.get(), transient.x + c + dc, transient, Cyan));
    EXPECT_GT(most, transient.h / 4) << "no click in the transient lane at column " << c;
  }
  int quietColumns = 0, inkedQuiet = 0;
  for (int c = 0; c < columns; ++c) {
    bool nearClick = false;
    for (int k : clickColumns) nearClick |= std::abs(c - k) <= 12;  // 45 ms
    if (nearClick) continue;
    ++quietColumns;
    inkedQuiet += InkIn(bmp.get(), transient.x + c, transient, Cyan) > 4;
    EXPECT_GT(InkIn(bmp.get(), l.lanes[kRowResidual].x + c, l.lanes[kRowResidual], Green),
              l.lanes[kRowResidual].h / 6)
        << "the tone is missing from the residual lane at column " << c;
  }
  EXPECT_LT(inkedQuiet, quietColumns / 50) << "the transient lane is inked between the clicks";

  const std::vector<int> events = EventColumns(bmp.get(), l);
  ASSERT_EQ(events.size(), clickColumns.size());
  for (size_t k = 0; k < events.size(); ++k) EXPECT_NEAR(events[k], clickColumns[k], 2) << k;
}

// Catches: a range drawn over the whole file's columns, events from outside
// the range, and a picture that moves or loses its end (the latency's
// tail) with --no-latency-compensation.
TEST(CorvanePlot, RangeZoomShowsOnlyItsPart) {
  const std::string dir = FreshDir("plot-range");
  const std::string in = MakeClicksOverTone(dir);
  const CliResult r = Ok({"process", in, dir + "/mix.wav", "--plot", dir + "/p.png", "--plot-size", "600x400",
                          "--plot-range", "0.5:2"});
  EXPECT_EQ(FigureAfter(r.err, "%, "), 4.0) << r.err;  // 0.6, 1.0, 1.3 and 1.75 s
  auto bmp = LoadPicture(dir + "/p.png");
  ASSERT_TRUE(bmp);
  const PlotLayout l = MakePlotLayout(kWidth, kHeight, 1);
  const std::vector<int> events = EventColumns(bmp.get(), l);
  ASSERT_EQ(events.size(), 4u);
  const double inRange[] = {0.6, 1.0, 1.3, 1.75};
  for (int k = 0; k < 4; ++k) EXPECT_NEAR(events[k], ColumnOf(inRange[k], 0.5, 2.0, l.Columns()), 2) << k;

  Ok({"process", "-q", "--no-latency-compensation", in, dir + "/late.wav", "--plot", dir + "/late.png",
      "--plot-size", "600x400", "--plot-range", "0.5:2"});
  EXPECT_EQ(ReadFile(dir + "/late.png"), ReadFile(dir + "/p.png"));
}

// Pixels where a and b differ by more than 48 in a channel, as a fraction.
double DifferingShare(LICE_IBitmap* a, LICE_IBitmap* b) {
  long long n = 0;
  for (int y = 0; y < a->getHeight(); ++y)
    for (int x = 0; x < a->getWidth(); ++x) {
      const LICE_pixel p = LICE_GetPixel(a, x, y), q = LICE_GetPixel(b, x, y);
      n += std::abs(LICE_GETR(p) - LICE_GETR(q)) > 48 || std::abs(LICE_GETG(p) - LICE_GETG(q)) > 48 ||
           std::abs(LICE_GETB(p) - LICE_GETB(q)) > 48;
    }
  return static_cast<double>(n) / (static_cast<double>(a->getWidth()) * a->getHeight());
}

// Catches: a 2x picture that is the 1x one enlarged (blocky or blurred
// text and waveforms) rather than drawn at twice the density.
TEST(CorvanePlot, TwiceTheScaleIsDrawnNotEnlarged) {
  const std::string dir = FreshDir("plot-scale");
  const std::string in = MakeClicksOverTone(dir);
  Ok({"process", "-q", in, dir + "/mix.wav", "--plot", dir + "/one.png", "--plot-size", "600x400"});
  Ok({"process", "-q", in, dir + "/mix.wav", "--plot", dir + "/two.png", "--plot-size", "600x400", "--scale", "2"});
  auto one = LoadPicture(dir + "/one.png"), two = LoadPicture(dir + "/two.png");
  ASSERT_TRUE(one && two);
  ASSERT_EQ(two->getWidth(), 2 * one->getWidth());
  ASSERT_EQ(two->getHeight(), 2 * one->getHeight());
  for (int filter : {0, static_cast<int>(LICE_BLIT_FILTER_BILINEAR)}) {
    LICE_MemBitmap enlarged(two->getWidth(), two->getHeight());
    LICE_ScaledBlit(&enlarged, one.get(), 0, 0, two->getWidth(), two->getHeight(), 0, 0,
                    static_cast<float>(one->getWidth()), static_cast<float>(one->getHeight()), 1.0f,
                    LICE_BLIT_MODE_COPY | filter);
    EXPECT_GT(DifferingShare(two.get(), &enlarged), 0.02) << "filter " << filter;
  }
}

// Catches: a bad picture argument accepted, answered with the wrong status,
// or leaving files behind (the range is checked only once the file is open).
TEST(CorvanePlot, BadArgumentsExitTwoAndWriteNothing) {
  const std::string dir = FreshDir("plot-bad");
  const std::string in = MakeClicksOverTone(dir);
  const std::string out = dir + "/out.wav", png = dir + "/p.png";
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--plot", png, "--plot-range", "1:2.5"}, "past the end"},
      {{"--plot", png, "--plot-range", "1.5:0.5"}, "forwards"},
      {{"--plot", png, "--plot-range", "1:1.00001"}, "shorter than a sample"},
      {{"--plot", png, "--plot-size", "300x200"}, "too small"},
      {{"--plot", png, "--plot-size", "20000x900"}, "--plot-size"},
      {{"--plot", png, "--plot-size", "9000x900", "--scale", "2"}, "larger than"},
      {{"--plot", in}, "overwrite the input"},
      {{"--plot", out}, "overwrite the output"},
      {{"--plot-range", "0:1"}, "need --plot"},
  };
  for (const auto& [extra, what] : cases) {
    std::vector<std::string> args = {"process", in, out};
    args.insert(args.end(), extra.begin(), extra.end());
    Fails(args, 2, what);
    EXPECT_FALSE(Exists(out)) << what;
    EXPECT_FALSE(Exists(png)) << what;
  }
  EXPECT_EQ(ListDir(dir).size(), 1u);  // the input, and no temporary file
}

// Two files on two threads, each drawing its own picture.
TEST(CorvanePlot, BatchDrawsOnePicturePerInput) {
  const std::string dir = FreshDir("plot-batch"), outDir = FreshDir("plot-batch-out"),
                    plotDir = FreshDir("plot-batch-png");
  const std::string a = MakeLoopInput(dir, "a.wav", 1.0), b = MakeLoopInput(dir, "b.flac", 0.7, 1,
                                                                          SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
  const CliResult r = Ok({"process", "-j", "2", "-o", outDir, "--plot-dir", plotDir, "--plot-size", "500x360", a, b});
  EXPECT_NE(r.err.find(plotDir + "/a.png"), std::string::npos) << r.err;
  auto pa = LoadPicture(plotDir + "/a.png"), pb = LoadPicture(plotDir + "/b.png");
  ASSERT_TRUE(pa && pb);
  EXPECT_EQ(pb->getWidth(), 500);
  Fails({"process", "-o", outDir, "--plot", plotDir + "/x.png", a}, 2, "--plot-dir");
}

}  // namespace

namespace {

// Millisecond energies: a hit at `at` of energy `peak` decaying by
// dbPerMs.
void AddHit(std::vector<double>* e, size_t at, double peak, double dbPerMs) {
  for (size_t i = at; i < e->size(); ++i)
    (*e)[i] += peak * std::pow(10.0, -0.1 * dbPerMs * static_cast<double>(i - at));
}

// Catches: a bump inside a decay, a hit below the floor, or two hits
// closer than 50 ms counted as events; a body measured across the next event; no "n/a" without a body.
TEST(CorvanePlotFigures, EventsAndAttackOverBody) {
  std::vector<double> e(1000, 1e-9);
  AddHit(&e, 100, 1.0, 0.2);
  AddHit(&e, 110, 0.3, 1.0);                       // a weaker peak 10 ms into the first hit
  for (size_t i = 170; i < 190; ++i) e[i] *= 4.0;  // a 6 dB bump within the decay
  AddHit(&e, 380, 0.03, 1.0);                      // a weaker hit 20 ms before a stronger one
  AddHit(&e, 400, 0.1, 1.0);                       // -10 dB: an event
  AddHit(&e, 700, 0.005, 1.0);                     // -23 dB: under the floor
  EXPECT_EQ(FindEvents(e, true), (std::vector<long long>{100, 400}));

  // The mix: every attack 6 dB up over a steady body; the body of the
  // first event ends where the second begins.
  std::vector<double> input(1000, 0.01), mix(1000, 0.01);
  for (long long at : {100, 180}) {
    for (long long i = at; i < at + 5; ++i) input[static_cast<size_t>(i)] = 1.0, mix[static_cast<size_t>(i)] = 4.0;
    for (long long i = at + 50; i < at + 80; ++i) input[static_cast<size_t>(i)] = mix[static_cast<size_t>(i)] = 0.1;
  }
  double change = 0;
  ASSERT_TRUE(AttackBodyChange({100, 180}, mix, input, &change));
  EXPECT_NEAR(change, 10.0 * std::log10(4.0), 1e-9);
  EXPECT_FALSE(AttackBodyChange({955, 990}, mix, input, &change)) << "neither has room for a body";
}

}  // namespace
