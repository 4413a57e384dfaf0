#include "tools/corvane/PlotPicture.h"

#include <cmath>
#include <cstdio>

#include "editor/look/EditorLook.h"
#include "lice/lice.h"
#include "tools/corvane/PlotLanes.h"
#include "tools/corvane/PlotLayout.h"
#include "tools/corvane/PlotTimeAxis.h"

namespace {

using namespace editor_look;

constexpr const char* kFace = "DejaVu Sans";

// The picture's fonts, opened at the picture's scale (so a 2x picture has
// its text drawn at twice the size, not enlarged).
struct PlotFonts {
  LICE_CachedFont title, text, small;
  bool Open(int scale, std::string* error) {
    if (title.Create(kFace, 15 * scale, 700, false, LICE_FONT_QUALITY_ANTIALIASED) &&
        text.Create(kFace, 12 * scale, 400, false, LICE_FONT_QUALITY_ANTIALIASED) &&
        small.Create(kFace, 10 * scale, 400, false, LICE_FONT_QUALITY_ANTIALIASED))
      return true;
    *error = std::string("cannot open the font \"") + kFace + "\" to draw the picture: " + LICE_GetLastError();
    return false;
  }
};

int TextWidth(LICE_CachedFont* font, const std::string& text) {
  LICE_RECT r{0, 0, 0, 0};
  font->DrawText(nullptr, text.c_str(), -1, &r, LICE_DT_CALCRECT | LICE_DT_SINGLELINE);
  return r.right - r.left;
}

// Text with its line box's top-left corner at (x, top).
void TextAt(LICE_CachedFont* font, LICE_IBitmap* bmp, const std::string& text, int x, int top, LICE_pixel colour) {
  font->SetTextColor(colour);
  LICE_RECT r{x, top, x + TextWidth(font, text) + 2, top + font->GetLineHeight()};
  font->DrawText(bmp, text.c_str(), -1, &r, LICE_DT_SINGLELINE | LICE_DT_NOCLIP);
}

double RangeSeconds(const PlotAccumulator& s, long long frame) {
  return static_cast<double>(frame) / s.SampleRate();
}

void DrawHeader(LICE_IBitmap* bmp, const PlotLayout& l, const PlotRequest& request, const PlotAccumulator& s,
                PlotFonts* fonts) {
  LICE_FillRect(bmp, 0, 0, l.width, l.lanes[0].y - l.px(8), kHeaderBand);
  const int x = l.lanes[0].x;
  TextAt(&fonts->title, bmp, request.title, x, l.titleTop, kLabel);
  char where[160];
  std::snprintf(where, sizeof where, "%s to %s, %d Hz %s",
                TimeLabel(RangeSeconds(s, s.FirstFrame()), 0.001, false).c_str(),
                TimeLabel(RangeSeconds(s, s.EndFrame()), 0.001, false).c_str(), s.SampleRate(),
                s.Channels() == 2 ? "stereo" : "mono");
  TextAt(&fonts->text, bmp, where, x + TextWidth(&fonts->title, request.title) + l.px(14), l.titleTop + l.px(3),
         kLabelDim);
  TextAt(&fonts->text, bmp, "settings: " + request.settingsText, x, l.settingsTop, kLabelDim);
}

void DrawTimeAxis(LICE_IBitmap* bmp, const PlotLayout& l, const PlotAccumulator& s, PlotFonts* fonts) {
  const PlotRect& first = l.lanes[0];
  const double from = RangeSeconds(s, s.FirstFrame()), to = RangeSeconds(s, s.EndFrame());
  for (const TimeTick& tick : TimeTicks(from, to, first.w, l.px(90))) {
    const int x = first.x + static_cast<int>(std::lround((tick.seconds - from) / (to - from) * (first.w - 1)));
    for (const PlotRect& lane : l.lanes) LICE_FillRect(bmp, x, lane.y, l.scale, lane.h, kPlotGrid, 0.35f);
    LICE_FillRect(bmp, x, l.axisTop, l.scale, l.px(5), kTick);
    const int w = TextWidth(&fonts->small, tick.label);
    const int left = std::max(0, std::min(x - w / 2, l.width - w - l.px(2)));
    TextAt(&fonts->small, bmp, tick.label, left, l.axisTop + l.px(7), kLabelDim);
  }
}

void DrawCaption(LICE_IBitmap* bmp, const PlotLayout& l, const PlotFigures& figures, PlotFonts* fonts) {
  TextAt(&fonts->text, bmp, PlotCaption(figures), l.lanes[0].x, l.captionTop + l.px(4), kLabel);
}

struct LegendEntry {
  const char* name;
  LICE_pixel colour;
};
constexpr LegendEntry kLegend[] = {{"input", kPlotInputInk},
                                   {"mix", kPlotMixInk},
                                   {"transient", kPlotTransientInk},
                                   {"residual", kPlotResidualInk},
                                   {"events", kPlotEventInk}};

int LegendWidth(const PlotLayout& l, PlotFonts* fonts) {
  int w = 0;
  for (const LegendEntry& e : kLegend) w += TextWidth(&fonts->small, e.name) + l.px(26);
  return w;
}

// The colours' legend, right-aligned on the first line that has room for
// it after its text (the caption's, else the settings'), else left out.
void DrawLegend(LICE_IBitmap* bmp, const PlotLayout& l, const PlotRequest& request, const PlotFigures& figures,
                PlotFonts* fonts) {
  const int right = l.lanes[0].Right(), left = l.lanes[0].x, need = LegendWidth(l, fonts) + l.px(16);
  const struct {
    int top, textWidth;
  } lines[] = {{l.captionTop + l.px(4), TextWidth(&fonts->text, PlotCaption(figures))},
               {l.settingsTop, TextWidth(&fonts->text, "settings: " + request.settingsText)}};
  int top = -1;
  for (const auto& line : lines)
    if (top < 0 && left + line.textWidth + need <= right) top = line.top;
  if (top < 0) return;
  int x = right;
  for (int i = static_cast<int>(sizeof kLegend / sizeof kLegend[0]) - 1; i >= 0; --i) {
    x -= TextWidth(&fonts->small, kLegend[i].name);
    TextAt(&fonts->small, bmp, kLegend[i].name, x, top + l.px(1), kLabelDim);
    x -= l.px(14);
    LICE_FillRect(bmp, x, top + l.px(4), l.px(10), l.px(8), kLegend[i].colour);
    x -= l.px(12);
  }
}

// The lane's name in its top-left corner.
void DrawLaneNames(LICE_IBitmap* bmp, const PlotLayout& l, PlotFonts* fonts) {
  const char* names[kNumPlotRows] = {"INPUT + MIX", "TRANSIENT (unity)", "RESIDUAL (unity)"};
  for (int row = 0; row < kNumPlotRows; ++row) {
    const int x = l.lanes[row].x + l.px(6), top = l.lanes[row].y + l.px(2);
    // A veil under the name keeps it legible over the waveform.
    LICE_FillRect(bmp, x - l.px(3), top, TextWidth(&fonts->small, names[row]) + l.px(6),
                  fonts->small.GetLineHeight(), kPlotLaneFill, 0.75f);
    TextAt(&fonts->small, bmp, names[row], x, top, kLabel);
  }
}

}  // namespace

std::string PlotCaption(const PlotFigures& f) {
  char share[48], change[48];
  if (std::isnan(f.transientShare)) std::snprintf(share, sizeof share, "n/a");
  else std::snprintf(share, sizeof share, "%.1f %%", 100.0 * f.transientShare);
  if (f.hasAttackBody) std::snprintf(change, sizeof change, "%+.1f dB", f.attackBodyDb);
  else std::snprintf(change, sizeof change, "n/a");
  return std::string("transient share ") + share + ", " + std::to_string(f.events.size()) +
         (f.events.size() == 1 ? " event" : " events") + ", attack over body " + change + " (mix against input)";
}

bool DrawPlotPicture(const PlotRequest& request, const PlotAccumulator& summaries, const PlotFigures& figures,
                     LICE_IBitmap* bmp, std::string* error) {
  const PlotLayout l = MakePlotLayout(request.width, request.height, request.scale);
  if (!bmp->resize(l.width, l.height)) {
    *error = "not enough memory for a picture of " + std::to_string(l.width) + "x" + std::to_string(l.height);
    return false;
  }
  PlotFonts fonts;
  if (!fonts.Open(request.scale, error)) return false;
  LICE_Clear(bmp, kPlotBackground);
  DrawHeader(bmp, l, request, summaries, &fonts);
  for (const PlotRect& lane : l.lanes) LICE_FillRect(bmp, lane.x, lane.y, lane.w, lane.h, kPlotLaneFill);
  DrawTimeAxis(bmp, l, summaries, &fonts);
  DrawLanes(bmp, l, summaries, &fonts.small);
  DrawLaneNames(bmp, l, &fonts);
  DrawEventMarks(bmp, l, summaries, figures);
  DrawCaption(bmp, l, figures, &fonts);
  DrawLegend(bmp, l, request, figures, &fonts);
  return true;
}

bool WritePlotPng(LICE_IBitmap* bmp, const std::string& path, TempFile* file, std::string* error) {
  if (!file->Create(path, error)) return false;
  if (!LICE_WritePNG(file->Path().c_str(), bmp, false, LICE_PngEffort::kFast)) {
    *error = "cannot write " + path + ": " + LICE_GetLastError();
    return false;
  }
  return true;
}
