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

// Instances started together, as tracks of one session, in blocks of
// kBlock frames: their slots wrap in the same block. Each track reads one
// shared loop from its own offset (a whole number of blocks) so that they
// do not all see the same samples.
template <typename Sample>
struct SessionDrums {
  static constexpr int kBlock = 64;
  static constexpr size_t kLoopFrames = size_t{1} << 18;  // about 6 s, a whole number of blocks

  static const DrumLoop<Sample>& Loop(double sampleRate) {
    static const DrumLoop<Sample> loop(kLoopFrames, sampleRate);
    return loop;
  }
  // Where `track` reads block number `block`.
  static size_t Position(int track, long block) {
    return (static_cast<size_t>(track) * 157 * kBlock + static_cast<size_t>(block) * kBlock) % kLoopFrames;
  }
};
