#pragma once
// Reproducible white noise in [-1, 1) for benchmark inputs.
#include <random>
#include <vector>

inline std::vector<double> Noise(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> d(-1.0, 1.0);
  std::vector<double> v(n);
  for (auto& x : v) x = d(rng);
  return v;
}
