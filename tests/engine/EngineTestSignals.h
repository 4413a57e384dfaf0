#pragma once
// Test signals and a straightforward driver for the transient engine.
#include <cmath>
#include <random>
#include <functional>
#include <vector>

#include "engine/TransientEngine.h"

namespace engine_test {

struct Stereo {
  std::vector<double> left, right;
  explicit Stereo(size_t n = 0) : left(n, 0.0), right(n, 0.0) {}
  size_t size() const { return left.size(); }
};

// A tonal bed with sharp clicks every 3000 samples: plenty of transients.
inline Stereo DrumLikeSignal(size_t n, unsigned seed = 7) {
  Stereo s(n);
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> noise(-1.0, 1.0);
  for (size_t i = 0; i < n; ++i) {
    const double bed = 0.3 * std::sin(2 * M_PI * 220.0 * i / 44100.0);
    const size_t sinceHit = i % 3000;
    const double hit = sinceHit < 200 ? 0.9 * std::exp(-static_cast<double>(sinceHit) / 30.0) * noise(rng) : 0.0;
    s.left[i] = bed + hit;
    s.right[i] = 0.8 * bed - hit * 0.7;
  }
  return s;
}

// Sets the engine values that parameter handling would set.
inline void Configure(TransientEngine& e, int mode, double amountFraction, double sensitivity) {
  e.SetMode(mode);
  e.SetAmountTarget(amountFraction);
  e.SetSensitivity(sensitivity);
  e.SetTransientTarget(0.5);
  e.SetResidualTarget(0.5);
  e.SetTransientGain(1.0);
  e.SetResidualGain(1.0);
  e.SetTransientPan(1.0, 1.0);
  e.SetResidualPan(1.0, 1.0);
}

// Runs the whole input through the engine in blocks of the given sizes
// (cycled); beforeBlock, when given, is called with each block's first sample.
inline Stereo RunBlocks(TransientEngine& e, const Stereo& in, const std::vector<int>& blocks,
                  double sampleRate = 44100.0, const std::function<void(size_t)>& beforeBlock = {}) {
  Stereo out(in.size());
  size_t pos = 0, b = 0;
  while (pos < in.size()) {
    if (beforeBlock) beforeBlock(pos);
    int n = blocks[b++ % blocks.size()];
    if (pos + n > in.size()) n = static_cast<int>(in.size() - pos);
    double* ins[2] = {const_cast<double*>(&in.left[pos]), const_cast<double*>(&in.right[pos])};
    double* outs[2] = {&out.left[pos], &out.right[pos]};
    e.ProcessBlock(ins, outs, n, sampleRate);
    pos += n;
  }
  return out;
}

}  // namespace engine_test
