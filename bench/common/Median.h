#pragma once
#include <algorithm>
#include <vector>

// The median of the samples (the upper one of an even count); 0 for none.
// Takes a copy: callers keep their samples in order.
inline double Median(std::vector<double> v) {
  if (v.empty()) return 0.0;
  const auto mid = v.begin() + static_cast<long>(v.size() / 2);
  std::nth_element(v.begin(), mid, v.end());
  return *mid;
}
