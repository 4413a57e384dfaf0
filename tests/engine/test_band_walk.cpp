// Each instruction set's band walk, the plain one included, against the
// walk's definition written out here, bit for bit, on coefficients chosen so
// that every way a coefficient's state can follow its predecessor's (reset,
// flip, copy) occurs densely, with NaNs and infinities, for every length up
// to three words of bits and several starting points. Catches a wrong carry
// or parity in the bit scan, a word or vector tail handled wrongly, a chunk
// that takes its first reference from memory instead of the walk, a walk
// that starts at 0 reading before the array, and a slip in the plain walk
// (a comparison, the factor, the reference before attenuation), which the
// vector walks must not be compared with alone.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "engine/BandWalk.h"

namespace {

// A coefficient further than the threshold from the running reference (its
// predecessor as it now stands) loses 40 dB; returns the last reference.
double DefinedWalk(double* x, int from, int to, double reference, double threshold) {
  for (int i = from; i < to; ++i) {
    if (std::fabs(x[i] - reference) > threshold) x[i] = x[i] * 0.01;
    reference = x[i];
  }
  return reference;
}

const BandWalk* WalkNamed(const std::string& name) {
  if (name == "plain") return band_walk::Plain();
  if (name == "avx2") return band_walk::Avx2();
  return band_walk::Avx512();
}

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class BandWalkPaths : public ::testing::TestWithParam<const char*> {};

TEST_P(BandWalkPaths, EveryLengthAndStartMatchesTheDefinitionBitForBit) {
  const BandWalk* walk = WalkNamed(GetParam());
  if (!walk) GTEST_SKIP() << "this processor has no " << GetParam() << " path";
  // With t = 0.5: 1 after 1 is a copy, 0.01 after 1 a flip, 0 after 1 a
  // reset to attenuated, 0.5 after 0 or 1 a distance of exactly t; the rest
  // mixes them.
  const double inf = std::numeric_limits<double>::infinity();
  const double values[] = {0.0, 1.0, -1.0, 0.01, -0.01, 100.0, 0.5, 0.3, 1.0, 0.01, std::nan(""), inf, -inf};
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> pick(0, 12);
  std::uniform_real_distribution<double> uniform(-2.0, 2.0);
  for (int trial = 0; trial < 6; ++trial) {
    std::vector<double> x(256);
    for (double& v : x) v = trial % 2 ? uniform(rng) : values[pick(rng) % (trial < 2 ? 10 : 13)];
    for (int from : {0, 1, 5}) {
      for (int to = from; to <= from + 3 * 64 + 3; ++to) {
        for (double r : {0.0, 100.0}) {
          std::vector<double> expected = x, got = x;
          const double expectedR = DefinedWalk(expected.data(), from, to, r, 0.5);
          const double gotR = walk->walk(got.data(), from, to, r, 0.5);
          ASSERT_TRUE(SameBits(gotR, expectedR)) << "trial " << trial << " [" << from << ", " << to << ") r=" << r;
          for (size_t i = 0; i < x.size(); ++i)
            ASSERT_TRUE(SameBits(got[i], expected[i]))
                << "trial " << trial << " [" << from << ", " << to << ") r=" << r << " at " << i;
        }
      }
    }
  }
}

// Walks longer than the spans whose comparisons are made before their
// stores (1024 coefficients), across one and several span ends. Catches a
// span that compares its first coefficient with its predecessor as walked
// instead of as it came, or that forgets the state the span before left.
TEST_P(BandWalkPaths, LongWalksAcrossSpansMatchTheDefinitionBitForBit) {
  const BandWalk* walk = WalkNamed(GetParam());
  if (!walk) GTEST_SKIP() << "this processor has no " << GetParam() << " path";
  const double values[] = {0.0, 1.0, -1.0, 0.01, -0.01, 100.0, 0.5, 0.3, 1.0, 0.01};
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> pick(0, 9);
  std::vector<double> x(4096);
  for (double& v : x) v = values[pick(rng)];
  const int ranges[][2] = {{1, 1025}, {0, 1026}, {5, 2049}, {1, 4096}, {3, 3100}};
  for (const auto& range : ranges) {
    std::vector<double> expected = x, got = x;
    const double expectedR = DefinedWalk(expected.data(), range[0], range[1], 0.0, 0.5);
    const double gotR = walk->walk(got.data(), range[0], range[1], 0.0, 0.5);
    ASSERT_TRUE(SameBits(gotR, expectedR)) << "[" << range[0] << ", " << range[1] << ")";
    for (size_t i = 0; i < x.size(); ++i)
      ASSERT_TRUE(SameBits(got[i], expected[i])) << "[" << range[0] << ", " << range[1] << ") at " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(InstructionSets, BandWalkPaths, ::testing::Values("plain", "avx2", "avx512"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

}  // namespace
