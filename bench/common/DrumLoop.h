#pragma once
// A drum-like stereo test signal: a tonal bed with a little noise, and noise
// hits with sharp attacks and exponential decays at irregular gaps (4000 to
// 16000 frames), the right channel partly out of phase. Fixed seed: every
// run feeds the same samples.
#include <cmath>
#include <cstddef>
#include <random>
#include <vector>

template <typename Sample>
struct DrumLoop {
  std::vector<Sample> left, right;

  explicit DrumLoop(size_t frames, double sampleRate = 44100.0) : left(frames), right(frames) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    size_t nextHit = 0, sinceHit = size_t{1} << 20;
    for (size_t i = 0; i < frames; ++i) {
      if (i == nextHit) {
        sinceHit = 0;
        nextHit = i + 4000 + static_cast<size_t>(rng() % 12000);
      }
      const double bed = 0.25 * std::sin(2 * M_PI * 110.0 * static_cast<double>(i) / sampleRate) +
                         0.05 * noise(rng);
      const double hit = 0.8 * std::exp(-static_cast<double>(sinceHit++) / 400.0) * noise(rng);
      left[i] = static_cast<Sample>(bed + hit);
      right[i] = static_cast<Sample>(0.9 * bed - 0.8 * hit);
    }
  }
};
