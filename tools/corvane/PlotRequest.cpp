#include "tools/corvane/PlotRequest.h"

#include <cmath>
#include <cstdio>

#include "tools/corvane/Settings.h"

bool ParsePlotRange(const std::string& text, PlotRequest* plot, std::string* error) {
  const size_t colon = text.find(':');
  double from = 0, to = 0;
  if (colon == std::string::npos || !ParseNumber(text.substr(0, colon), &from) ||
      !ParseNumber(text.substr(colon + 1), &to)) {
    *error = "--plot-range: \"" + text + "\" is not FROM:TO in seconds";
    return false;
  }
  if (!(from >= 0) || !(to > from) || to > 1e9) {  // also refuses NaN
    *error = "--plot-range: \"" + text + "\" must run forwards from 0 s or later";
    return false;
  }
  plot->hasRange = true;
  plot->fromSeconds = from;
  plot->toSeconds = to;
  return true;
}

bool ParsePlotSize(const std::string& text, int* width, int* height, std::string* error) {
  const size_t x = text.find('x');
  double w = 0, h = 0;
  // The range first: converting a double out of int's range is undefined.
  if (x == std::string::npos || !ParseNumber(text.substr(0, x), &w) || !ParseNumber(text.substr(x + 1), &h) ||
      !(w >= 1 && w <= kMaxPlotPixels && h >= 1 && h <= kMaxPlotPixels) || w != static_cast<int>(w) ||
      h != static_cast<int>(h)) {
    *error = "--plot-size: \"" + text + "\" is not WIDTHxHEIGHT in pixels up to " + std::to_string(kMaxPlotPixels);
    return false;
  }
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return true;
}

bool CheckPlotSize(const PlotRequest& plot, std::string* error) {
  const std::string size = std::to_string(plot.width) + "x" + std::to_string(plot.height);
  if (plot.width < kMinPlotWidth || plot.height < kMinPlotHeight) {
    *error = "--plot-size: " + size + " is too small to draw the lanes (at least " + std::to_string(kMinPlotWidth) +
             "x" + std::to_string(kMinPlotHeight) + ")";
    return false;
  }
  if (plot.width * plot.scale > kMaxPlotPixels || plot.height * plot.scale > kMaxPlotPixels) {
    *error = "--plot-size: " + size + " at scale " + std::to_string(plot.scale) + " is larger than " +
             std::to_string(kMaxPlotPixels) + " pixels a side";
    return false;
  }
  return true;
}

bool CheckPlotRange(const PlotRequest& plot, long long frames, int sampleRate, std::string* error) {
  if (!plot.hasRange) return true;
  const double length = sampleRate > 0 ? static_cast<double>(frames) / sampleRate : 0.0;
  // The end may name the file's length as printed, to the millisecond.
  if (plot.toSeconds > length + 0.0005) {
    char text[160];
    std::snprintf(text, sizeof text, "--plot-range %g:%g reaches past the end of the file (%.3f s)",
                  plot.fromSeconds, plot.toSeconds, length);
    *error = text;
    return false;
  }
  if (std::llround(plot.toSeconds * sampleRate) <= std::llround(plot.fromSeconds * sampleRate)) {
    *error = "--plot-range: the range is shorter than a sample";
    return false;
  }
  return true;
}
