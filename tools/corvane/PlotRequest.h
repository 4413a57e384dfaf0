#pragma once
// What the user asked the split's picture to show: where it goes, which
// stretch of the file, how large, and at which pixel density.
#include <string>

struct PlotRequest {
  std::string path;  // empty: no picture
  bool hasRange = false;
  double fromSeconds = 0, toSeconds = 0;  // with hasRange: the stretch drawn
  int width = 1600, height = 900;         // in picture units (pixels at scale 1)
  int scale = 1;                          // pixels per unit: 1, or 2 for high-density screens
  std::string title;                      // the file's name, as the picture heads it
  std::string settingsText;               // the preset or the changed parameters
};

// The smallest picture that holds the three lanes and their labels, and the
// largest drawn side we accept (in pixels, scale included).
constexpr int kMinPlotWidth = 480;
constexpr int kMinPlotHeight = 360;
constexpr int kMaxPlotPixels = 16384;

// "FROM:TO" in seconds, 0 <= FROM < TO. False and *error otherwise.
bool ParsePlotRange(const std::string& text, PlotRequest* plot, std::string* error);
// "WxH" in units, within the limits above at the request's scale (so parse
// --scale first, or check again with CheckPlotSize).
bool ParsePlotSize(const std::string& text, int* width, int* height, std::string* error);
bool CheckPlotSize(const PlotRequest& plot, std::string* error);
// The range against the file's length: false and *error when it reaches
// outside the file or holds no sample. No range: always true.
bool CheckPlotRange(const PlotRequest& plot, long long frames, int sampleRate, std::string* error);
