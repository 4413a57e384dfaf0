#include "tools/corvane/PlotLanes.h"

#include <algorithm>
#include <cmath>

#include "editor/look/EditorLook.h"

namespace {

using namespace editor_look;

// Linear amplitude on a channel's band: +1 at its top, -1 at its bottom.
struct AmplitudeScale {
  PlotRect band;
  int Y(double v) const {
    const double clamped = std::max(-1.0, std::min(1.0, v));
    const double mid = band.y + (band.h - 1) / 2.0;
    return static_cast<int>(std::lround(mid - clamped * (band.h - 1) / 2.0));
  }
};

void DrawText(LICE_CachedFont* font, LICE_IBitmap* bmp, const char* text, int right, int centreY, LICE_pixel colour) {
  font->SetTextColor(colour);
  LICE_RECT r{right - 200, centreY - 20, right, centreY + 20};
  font->DrawText(bmp, text, -1, &r, LICE_DT_RIGHT | LICE_DT_VCENTER | LICE_DT_SINGLELINE);
}

// The band's grid (0 dB at the edges, -6 dB, silence in the middle) and
// its labels in the gutter.
void DrawBandScale(LICE_IBitmap* bmp, const PlotLayout& layout, const PlotRect& band, const char* channelName,
                   LICE_CachedFont* font) {
  const AmplitudeScale a{band};
  for (double v : {0.5, -0.5}) LICE_FillRect(bmp, band.x, a.Y(v), band.w, layout.scale, kPlotGrid, 0.5f);
  LICE_FillRect(bmp, band.x, a.Y(0), band.w, layout.scale, kPlotGrid);
  const int right = layout.gutterRight;
  DrawText(font, bmp, "0 dB", right, band.y + layout.px(5), kLabelDim);
  if (band.h >= layout.px(90)) DrawText(font, bmp, "-6", right, a.Y(0.5), kLabelDim);
  if (channelName) DrawText(font, bmp, channelName, right, a.Y(0), kLabel);
}

// Each column: the range from minimum to maximum, and the RMS inside it.
void DrawEnvelope(LICE_IBitmap* bmp, const PlotAccumulator& s, PlotLane lane, int channel, const PlotRect& band,
                  LICE_pixel colour) {
  const AmplitudeScale a{band};
  for (int c = 0; c < s.Columns(); ++c) {
    const ColumnSummary& col = s.Column(lane, channel, c);
    if (col.count == 0) continue;
    const int top = a.Y(col.max), bottom = a.Y(col.min);
    LICE_FillRect(bmp, band.x + c, top, 1, bottom - top + 1, colour, 0.55f);
    const double rms = std::sqrt(col.sumSquares / col.count);
    const int rmsTop = std::max(top, a.Y(rms)), rmsBottom = std::min(bottom, a.Y(-rms));
    if (rmsBottom >= rmsTop) LICE_FillRect(bmp, band.x + c, rmsTop, 1, rmsBottom - rmsTop + 1, colour);
  }
}

// A trace of one value per column, `width` pixels thick, each column
// joined to the previous one.
template <typename ValueOf>
void DrawTrace(LICE_IBitmap* bmp, const PlotAccumulator& s, PlotLane lane, int channel, const PlotRect& band,
               int width, LICE_pixel colour, float alpha, ValueOf valueOf) {
  const AmplitudeScale a{band};
  int previous = -1;
  for (int c = 0; c < s.Columns(); ++c) {
    const ColumnSummary& col = s.Column(lane, channel, c);
    if (col.count == 0) {
      previous = -1;
      continue;
    }
    const int y = a.Y(valueOf(col));
    const int from = previous < 0 ? y : std::min(previous, y), to = previous < 0 ? y : std::max(previous, y);
    LICE_FillRect(bmp, band.x + c, from - width / 2, 1, to - from + width, colour, alpha);
    previous = y;
  }
}

// The mix over the input: its peaks and its RMS as outlines.
void DrawMixTraces(LICE_IBitmap* bmp, const PlotLayout& layout, const PlotAccumulator& s, int channel,
                   const PlotRect& band) {
  const int w = layout.scale;
  auto rms = [](const ColumnSummary& c) { return std::sqrt(c.sumSquares / c.count); };
  DrawTrace(bmp, s, kPlotMix, channel, band, w, kPlotMixInk, 1.0f, [](const ColumnSummary& c) { return c.max; });
  DrawTrace(bmp, s, kPlotMix, channel, band, w, kPlotMixInk, 1.0f, [](const ColumnSummary& c) { return c.min; });
  DrawTrace(bmp, s, kPlotMix, channel, band, w, kPlotMixInk, 0.6f, rms);
  DrawTrace(bmp, s, kPlotMix, channel, band, w, kPlotMixInk, 0.6f, [&rms](const ColumnSummary& c) { return -rms(c); });
}

}  // namespace

void DrawLanes(LICE_IBitmap* bmp, const PlotLayout& layout, const PlotAccumulator& s, LICE_CachedFont* labelFont) {
  const struct {
    PlotLane lane;
    LICE_pixel colour;
  } rows[kNumPlotRows] = {{kPlotInput, kPlotInputInk},
                          {kPlotTransient, kPlotTransientInk},
                          {kPlotResidual, kPlotResidualInk}};
  const int channels = s.Channels();
  for (int row = 0; row < kNumPlotRows; ++row) {
    const PlotRect& lane = layout.lanes[row];
    for (int ch = 0; ch < channels; ++ch) {
      const PlotRect band = ChannelBand(lane, channels, ch, layout.scale);
      DrawBandScale(bmp, layout, band, channels < 2 ? nullptr : ch == 0 ? "L" : "R", labelFont);
      DrawEnvelope(bmp, s, rows[row].lane, ch, band, rows[row].colour);
      if (row == kRowInput) DrawMixTraces(bmp, layout, s, ch, band);
    }
  }
}

void DrawEventMarks(LICE_IBitmap* bmp, const PlotLayout& layout, const PlotAccumulator& s,
                    const PlotFigures& figures) {
  const PlotRect& strip = layout.eventStrip;
  const long long span = s.EndFrame() - s.FirstFrame();
  if (span <= 0) return;
  const int half = layout.px(4);
  for (long long bin : figures.events) {
    // The middle of the event's millisecond, on its pixel column.
    const long long frame = (s.BinStart(bin) + std::min(s.BinStart(bin + 1), span)) / 2;
    const int x = strip.x + static_cast<int>(frame * s.Columns() / span);
    const int tip = strip.Bottom() - layout.px(2);
    LICE_FillTriangle(bmp, x - half, strip.y + layout.px(2), x + half + 1, strip.y + layout.px(2), x, tip + 1,
                      kPlotEventInk);
    LICE_FillRect(bmp, x, tip, 1, strip.Bottom() - tip, kPlotEventInk);
  }
}
