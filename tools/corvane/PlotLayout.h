#pragma once
// Where everything of the split's picture sits, in drawn pixels (picture
// units times the scale). The picture, top to bottom: a header (the file's
// name, the settings), the input lane with the mix over it, the event
// strip, the transient lane, the residual lane, the time axis and the
// caption. Each lane spans the plot's columns, one pixel column each; a
// stereo lane shows the left channel above the right.
struct PlotRect {
  int x = 0, y = 0, w = 0, h = 0;
  int Right() const { return x + w; }
  int Bottom() const { return y + h; }
};

enum PlotRow { kRowInput, kRowTransient, kRowResidual, kNumPlotRows };

struct PlotLayout {
  int scale = 1;
  int width = 0, height = 0;     // the whole picture
  PlotRect lanes[kNumPlotRows];  // the lanes' wells; all share x and w
  PlotRect eventStrip;           // the event marks, over the transient lane
  int titleTop = 0, settingsTop = 0, axisTop = 0, captionTop = 0;
  int gutterRight = 0;           // the level scale's labels end here
  int Columns() const { return lanes[0].w; }
  int px(int units) const { return units * scale; }
};

// For a picture of width x height units at the scale.
PlotLayout MakePlotLayout(int width, int height, int scale);

// The band of one channel inside a lane (the whole lane for mono).
PlotRect ChannelBand(const PlotRect& lane, int channels, int channel, int scale);
