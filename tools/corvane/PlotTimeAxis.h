#pragma once
// The time axis of the split's picture: ticks every 1, 2 or 5 times a power
// of ten seconds, labelled in seconds, or minutes:seconds once the range
// reaches past a minute.
#include <string>
#include <vector>

struct TimeTick {
  double seconds;
  std::string label;
};

// Ticks within [from, to] spaced at least minSpacing pixels apart on an
// axis of `pixels` pixels.
std::vector<TimeTick> TimeTicks(double from, double to, int pixels, int minSpacing);

// "12.5 s" or "1:02.5": seconds with as many decimals as the step needs.
std::string TimeLabel(double seconds, double step, bool minutes);
