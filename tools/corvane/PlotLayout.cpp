#include "tools/corvane/PlotLayout.h"

namespace {
// Picture units.
constexpr int kMargin = 14;
constexpr int kGutter = 58;  // the lanes' level labels
constexpr int kHeader = 50;
constexpr int kLaneGap = 8;
constexpr int kEventStrip = 12;
constexpr int kAxis = 26;
constexpr int kCaption = 26;
}  // namespace

PlotLayout MakePlotLayout(int width, int height, int scale) {
  PlotLayout l;
  l.scale = scale;
  l.width = width * scale;
  l.height = height * scale;
  l.titleTop = l.px(kMargin - 4);
  l.settingsTop = l.px(kMargin + 18);
  const int left = l.px(kMargin + kGutter), right = l.width - l.px(kMargin);
  l.gutterRight = left - l.px(6);
  const int top = l.px(kHeader);
  const int bottom = l.height - l.px(kAxis + kCaption + 6);
  const int laneHeight = (bottom - top - l.px(2 * kLaneGap + kEventStrip)) / kNumPlotRows;
  int y = top;
  for (int row = 0; row < kNumPlotRows; ++row) {
    if (row == kRowTransient) {
      l.eventStrip = {left, y, right - left, l.px(kEventStrip)};
      y += l.eventStrip.h;
    }
    l.lanes[row] = {left, y, right - left, laneHeight};
    y += laneHeight + (row + 1 < kNumPlotRows ? l.px(kLaneGap) : 0);
  }
  // The event strip sits right above the transient lane: no gap between.
  l.axisTop = y;
  l.captionTop = y + l.px(kAxis);
  return l;
}

PlotRect ChannelBand(const PlotRect& lane, int channels, int channel, int scale) {
  if (channels < 2) return lane;
  const int half = (lane.h - scale) / 2;  // a separator line between the bands
  return {lane.x, channel == 0 ? lane.y : lane.y + lane.h - half, lane.w, half};
}
