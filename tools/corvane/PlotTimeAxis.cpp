#include "tools/corvane/PlotTimeAxis.h"

#include <cmath>
#include <cstdio>

namespace {

// The smallest 1-2-5 step whose ticks lie at least minSeconds apart.
double TickStep(double minSeconds) {
  double decade = std::pow(10.0, std::floor(std::log10(minSeconds)));
  for (;; decade *= 10)
    for (double m : {1.0, 2.0, 5.0})
      if (m * decade >= minSeconds) return m * decade;
}

int DecimalsFor(double step) {
  int decimals = 0;
  while (decimals < 6 && std::fabs(step * std::pow(10.0, decimals) - std::round(step * std::pow(10.0, decimals))) > 1e-6)
    ++decimals;
  return decimals;
}

}  // namespace

std::string TimeLabel(double seconds, double step, bool minutes) {
  const int decimals = DecimalsFor(step);
  char text[48];
  if (!minutes) {
    std::snprintf(text, sizeof text, "%.*f s", decimals, seconds);
    return text;
  }
  // Round once, then split, so 59.96 s at one decimal reads 1:00.0.
  const double scaleTo = std::pow(10.0, decimals);
  const double rounded = std::round(seconds * scaleTo) / scaleTo;
  const long long whole = static_cast<long long>(std::floor(rounded));
  const double within = rounded - static_cast<double>(whole - whole % 60);
  std::snprintf(text, sizeof text, "%lld:%0*.*f", whole / 60, decimals ? decimals + 3 : 2, decimals, within);
  return text;
}

std::vector<TimeTick> TimeTicks(double from, double to, int pixels, int minSpacing) {
  std::vector<TimeTick> ticks;
  if (!(to > from) || pixels <= 0) return ticks;
  const double step = TickStep((to - from) * minSpacing / pixels);
  const bool minutes = to >= 60.0;
  for (long long k = static_cast<long long>(std::ceil(from / step - 1e-9)); k * step <= to + 1e-9 * step; ++k)
    ticks.push_back({k * step, TimeLabel(k * step, step, minutes)});
  return ticks;
}
