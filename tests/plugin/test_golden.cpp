// The output, bit for bit, pinned by a committed table of hashes: the rule
// that the same input and settings give the same output from release to
// release, whatever the instruction set (the program runs on every path,
// InstructionSetMain.cpp).
//
// Through the plug-in `Corvane` and its parameters, as a host drives it, so
// the parameter laws (amount steps, pan law, gain law), the smoothers, the
// gain updates and the engine are all pinned, not only the engine. Each case
// is a short deterministic signal played in blocks of 37, 64 and 500
// samples, with its settings held still or moved between blocks; its hash is
// 64-bit FNV-1a over the output samples' bits (left, right, sample after
// sample, each value's bytes from the least significant). The signals use
// only additions and multiplications (no library functions), so they are the
// same on every machine.
//
// A changed hash means changed output. If the change is meant (a fault fixed
// on purpose), regenerate the table and say why in the commit:
//   CORVANE_GOLDEN_PRINT=1 build/release/tests/plugin/test_golden
// prints the new table in this file's form.
#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "plugin/Corvane.h"

namespace {

constexpr int kLength = 5 * 4096;  // five frames: both slots' frames several times over
constexpr int kBlocks[] = {37, 64, 500};

struct Stereo {
  std::vector<double> left = std::vector<double>(kLength), right = std::vector<double>(kLength);
};

// xorshift64*: uniform in [-1, 1), exactly the same everywhere.
class Noise {
public:
  explicit Noise(uint64_t seed) : mState(seed) {}
  double Next() {
    mState ^= mState >> 12;
    mState ^= mState << 25;
    mState ^= mState >> 27;
    const uint64_t r = mState * 0x2545F4914F6CDD1DULL;
    return static_cast<double>(r >> 11) * 0x1p-52 - 1.0;
  }

private:
  uint64_t mState;
};

// A sine by rotation (cos, sin of the step written out), amplitude a.
class Sine {
public:
  Sine(double cosStep, double sinStep) : mCos(cosStep), mSin(sinStep) {}
  double Next() {
    const double c = mC * mCos - mS * mSin;
    mS = mS * mCos + mC * mSin;
    mC = c;
    return mS;
  }

private:
  double mCos, mSin, mC = 1.0, mS = 0.0;
};

// Kick (a low sine), snare (noise) and hi-hat (short noise ticks)
// on a loop of eighth notes, over a quiet bass note.
Stereo DrumLoop() {
  Stereo s;
  Noise noise(1);
  Sine kick(0.99959404, 0.02849132);   // 200 Hz
  Sine bass(0.99995027, 0.00997314);   // 70 Hz
  double kickEnv = 0.0, snareEnv = 0.0, hatEnv = 0.0;
  for (int i = 0; i < kLength; ++i) {
    const int step = i / 2756, at = i % 2756;  // an eighth note at 120 bpm, 44.1 kHz
    if (at == 0) {
      if (step % 4 == 0) kickEnv = 0.9;
      if (step % 4 == 2) snareEnv = 0.7;
      hatEnv = 0.3;
    }
    const double k = kickEnv * kick.Next(), n = noise.Next(), b = 0.2 * bass.Next();
    const double sn = snareEnv * n, hat = hatEnv * n;
    s.left[i] = k + sn + 0.8 * hat + b;
    s.right[i] = k + 0.8 * sn + hat + b;
    kickEnv *= 0.9992;
    snareEnv *= 0.9985;
    hatEnv *= 0.99;
  }
  return s;
}

// White noise, louder on the left, with a step in level halfway.
Stereo WhiteNoise() {
  Stereo s;
  Noise noise(2);
  for (int i = 0; i < kLength; ++i) {
    const double level = i < kLength / 2 ? 0.5 : 0.2;
    s.left[i] = level * noise.Next();
    s.right[i] = 0.5 * level * noise.Next();
  }
  return s;
}

// A sine with clicks of one or two samples at irregular places.
Stereo SineWithClicks() {
  Stereo s;
  Noise noise(3);
  Sine sine(0.99558205, 0.09389555);  // 660 Hz
  int nextClick = 700;
  for (int i = 0; i < kLength; ++i) {
    const double tone = 0.4 * sine.Next();
    double click = 0.0;
    if (i == nextClick || i == nextClick + 1) click = i == nextClick ? 0.8 : -0.5;
    if (i == nextClick + 1) nextClick += 1200 + static_cast<int>(1000 * (noise.Next() + 1.0));
    s.left[i] = tone + click;
    s.right[i] = 0.6 * tone - click;
  }
  return s;
}

enum Solo { kNoSolo, kTransientSolo, kResidualSolo };

// Parameter values (all ranges are 0..1).
struct Settings {
  int mode;
  double amount, sensitivity, transient, residual, pan1, pan2;
  Solo solo;
};

// Fader positions: +12 dB, 0 dB, halfway down the cut zone (-18 dB), the
// -36 dB mark, silence, and one pixel below 0 dB (still the boost zone on
// the residual fader's shorter travel).
constexpr double kPlus12 = 1.0, k0dB = 1 - 52.0 / 166, kMinus18 = 1 - 94.0 / 166, kMinus36 = 1 - 136.0 / 166,
                 kSilent = 0.0, kBelow0dB = 1 - 53.0 / 166;
// Amount values inside each of the eight steps.
constexpr double kStep[] = {0, 0.1, 0.2, 0.3, 0.45, 0.55, 0.7, 0.8, 0.95};

enum Input { kDrums, kNoise, kClicks };

// Moved: from `start`, the sensitivity, pans and faders step towards `end`
// at every block over the first two thirds, then hold; the amount takes
// `start`'s and `end`'s values in turn, block after block, so that frames
// wrap while its smoothed value lies between steps; mode and solo switch
// halfway.
struct Case {
  const char* name;
  Input input;
  Settings start;
  bool moved;
  Settings end;
};

const Case kCases[] = {
    {"defaults", kDrums, {1, 0.7, 0.7, k0dB, k0dB, 0.5, 0.5, kNoSolo}, false, {}},
    {"noise daub4 step1 +12", kNoise, {2, kStep[1], 0.5, kPlus12, k0dB, 0.5, 0.5, kNoSolo}, false, {}},
    {"clicks bior68 step2 -36", kClicks, {3, kStep[2], 0.9, k0dB, kMinus36, 0.25, 0.5, kNoSolo}, false, {}},
    {"drums haar step3 -18 +12", kDrums, {1, kStep[3], 0.95, kMinus18, kPlus12, 0.5, 0.8, kNoSolo}, false, {}},
    {"noise bior68 step4 silent", kNoise, {3, kStep[4], 0.6, kSilent, k0dB, 0.5, 0.0, kNoSolo}, false, {}},
    {"clicks daub4 step5 +12 silent", kClicks, {2, kStep[5], 0.99, kPlus12, kSilent, 0.9, 0.5, kNoSolo}, false, {}},
    {"drums daub4 step6", kDrums, {2, kStep[6], 0.8, kMinus36, kBelow0dB, 0.1, 0.9, kNoSolo}, false, {}},
    {"noise haar step7", kNoise, {1, kStep[7], 0.97, k0dB, kMinus18, 0.6, 0.35, kNoSolo}, false, {}},
    {"clicks bior68 step8", kClicks, {3, kStep[8], 1.0, kMinus18, kMinus36, 0.5, 0.5, kNoSolo}, false, {}},
    {"drums bior68 transient solo", kDrums, {3, kStep[7], 0.9, kPlus12, k0dB, 0.3, 0.5, kTransientSolo}, false, {}},
    {"clicks haar residual solo", kClicks, {1, kStep[5], 0.85, k0dB, kBelow0dB, 0.5, 0.3, kResidualSolo}, false, {}},
    {"drums moved haar to bior68",
     kDrums, {1, kStep[2], 0.7, k0dB, k0dB, 0.5, 0.5, kNoSolo}, true,
     {3, kStep[8], 0.95, kPlus12, kSilent, 0.0, 1.0, kTransientSolo}},
    {"noise moved daub4 to haar",
     kNoise, {2, kStep[7], 0.4, kSilent, kPlus12, 0.0, 1.0, kResidualSolo}, true,
     {1, kStep[3], 0.99, k0dB, kMinus36, 1.0, 0.25, kNoSolo}},
    {"clicks moved bior68 to daub4",
     kClicks, {3, kStep[4], 0.9, kMinus18, kMinus36, 0.5, 0.5, kTransientSolo}, true,
     {2, kStep[6], 0.8, kSilent, kPlus12, 0.5, 0.5, kResidualSolo}},
};

struct Expected {
  const char* name;
  uint64_t hash;
};

// Regenerate with CORVANE_GOLDEN_PRINT=1 (see the top of this file).
const Expected kExpected[] = {
    {"defaults", 0x36d69a0ce09266b8ULL},
    {"noise daub4 step1 +12", 0xe792369a225d6661ULL},
    {"clicks bior68 step2 -36", 0x0da8da288f5cc46dULL},
    {"drums haar step3 -18 +12", 0x457f7c684c011bc5ULL},
    {"noise bior68 step4 silent", 0x6f31fbe19ef17200ULL},
    {"clicks daub4 step5 +12 silent", 0x76504e422cd3e927ULL},
    {"drums daub4 step6", 0x7e40e21df58c1658ULL},
    {"noise haar step7", 0x760c4ddca97b2e2cULL},
    {"clicks bior68 step8", 0xaab6b6648efc4c25ULL},
    {"drums bior68 transient solo", 0x68712edcfff7951eULL},
    {"clicks haar residual solo", 0xa5e41c6bf2634cfdULL},
    {"drums moved haar to bior68", 0x61f523606089e8f0ULL},
    {"noise moved daub4 to haar", 0x21223a7a7e40fae4ULL},
    {"clicks moved bior68 to daub4", 0xc8c40f0ba2e9edb1ULL},
};

void Apply(Corvane& c, const Settings& s, const Settings* previous) {
  auto set = [&](int index, double value) {
    c.GetParam(index)->Set(value);
    c.OnParamChange(index);
  };
  const double values[] = {s.transient, s.residual, s.amount, s.sensitivity, s.pan1, s.pan2};
  for (int i = 0; i < 6; ++i) set(kTransient + i, values[i]);
  if (!previous || previous->mode != s.mode) set(kMode1 + s.mode - 1, 1.0);
  if (!previous || previous->solo != s.solo) {
    set(kSoloTransient, s.solo == kTransientSolo ? 1.0 : 0.0);
    set(kSoloResidual, s.solo == kResidualSolo ? 1.0 : 0.0);
  }
}

// The settings of block `block`, a fraction t through the motion.
Settings Between(const Settings& a, const Settings& b, double t, int block) {
  auto mix = [t](double x, double y) { return x + (y - x) * t; };
  Settings s = t < 0.75 ? a : b;  // mode and solo switch halfway through the motion
  s.amount = t < 1.0 && block % 2 ? a.amount : b.amount;
  s.sensitivity = mix(a.sensitivity, b.sensitivity);
  s.transient = mix(a.transient, b.transient);
  s.residual = mix(a.residual, b.residual);
  s.pan1 = mix(a.pan1, b.pan1);
  s.pan2 = mix(a.pan2, b.pan2);
  return s;
}

void Hash(uint64_t& h, double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  for (int byte = 0; byte < 8; ++byte) {
    h ^= (bits >> (8 * byte)) & 0xFF;
    h *= 0x100000001B3ULL;
  }
}

uint64_t OutputHash(const Case& k, const Stereo& in) {
  std::unique_ptr<Corvane> c(static_cast<Corvane*>(MakePlug()));
  c->OnParamReset();
  Apply(*c, k.start, nullptr);
  Stereo out;
  Settings current = k.start;
  const int motionEnd = 2 * kLength / 3;
  uint64_t h = 0xCBF29CE484222325ULL;
  for (int pos = 0, b = 0; pos < kLength; ++b) {
    if (k.moved && pos > 0) {
      const Settings next =
          Between(k.start, k.end, pos < motionEnd ? static_cast<double>(pos) / motionEnd : 1.0, b);
      Apply(*c, next, &current);
      current = next;
    }
    const int n = std::min(kBlocks[b % 3], kLength - pos);
    double* ins[2] = {const_cast<double*>(&in.left[pos]), const_cast<double*>(&in.right[pos])};
    double* outs[2] = {&out.left[pos], &out.right[pos]};
    c->TakeParamChanges();
    c->ProcessDoubleReplacing(ins, outs, n);
    pos += n;
  }
  for (int i = 0; i < kLength; ++i) {
    Hash(h, out.left[i]);
    Hash(h, out.right[i]);
  }
  return h;
}

TEST(Golden, OutputIsTheOnePinnedBitForBit) {
  const Stereo inputs[] = {DrumLoop(), WhiteNoise(), SineWithClicks()};
  std::string table = "const Expected kExpected[] = {\n";
  for (const Case& k : kCases) {
    const uint64_t got = OutputHash(k, inputs[k.input]);
    char line[160];
    std::snprintf(line, sizeof line, "    {\"%s\", 0x%016" PRIx64 "ULL},\n", k.name, got);
    table += line;
    const Expected* expected = nullptr;
    for (const Expected& e : kExpected)
      if (std::string(e.name) == k.name) expected = &e;
    if (!expected)
      ADD_FAILURE() << k.name << ": no hash in the table (regenerate it, see the top of the file)";
    else
      EXPECT_EQ(got, expected->hash) << k.name << ": the output changed";
  }
  if (std::getenv("CORVANE_GOLDEN_PRINT")) std::printf("%s};\n", table.c_str());
}

}  // namespace
