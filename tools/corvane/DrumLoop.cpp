#include "tools/corvane/DrumLoop.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Repeatable white noise in -1..1.
struct Noise {
  uint32_t state = 0x9e3779b9u;
  float Next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<float>(state) / 2147483648.0f - 1.0f;
  }
};

void AddKick(std::vector<float>& out, long start, int rate, float gain) {
  double phase = 0.0;
  const long n = static_cast<long>(0.35 * rate);
  for (long i = 0; i < n && (start + i) * 2 + 1 < static_cast<long>(out.size()); ++i) {
    const double t = static_cast<double>(i) / rate;
    const double freq = 45.0 + 110.0 * std::exp(-t * 30.0);  // the pitch drop of a kick
    phase += 2.0 * kPi * freq / rate;
    const float s = gain * static_cast<float>(std::sin(phase) * std::exp(-t * 9.0));
    out[(start + i) * 2] += s;
    out[(start + i) * 2 + 1] += s;
  }
}

void AddSnare(std::vector<float>& out, long start, int rate, float gain, Noise& noise) {
  const long n = static_cast<long>(0.25 * rate);
  for (long i = 0; i < n && (start + i) * 2 + 1 < static_cast<long>(out.size()); ++i) {
    const double t = static_cast<double>(i) / rate;
    const float body = static_cast<float>(std::sin(2.0 * kPi * 185.0 * t) * std::exp(-t * 25.0));
    const float rattle = noise.Next() * static_cast<float>(std::exp(-t * 16.0));
    out[(start + i) * 2] += gain * (0.5f * body + 0.6f * rattle);
    out[(start + i) * 2 + 1] += gain * (0.5f * body + 0.55f * noise.Next() * static_cast<float>(std::exp(-t * 16.0)));
  }
}

void AddHat(std::vector<float>& out, long start, int rate, float gain, Noise& noise) {
  const long n = static_cast<long>(0.05 * rate);
  float last = 0.0f;
  for (long i = 0; i < n && (start + i) * 2 + 1 < static_cast<long>(out.size()); ++i) {
    const double t = static_cast<double>(i) / rate;
    const float white = noise.Next();
    const float high = white - last;  // a first difference keeps the hiss bright
    last = white;
    const float s = gain * high * static_cast<float>(std::exp(-t * 90.0));
    out[(start + i) * 2] += 0.7f * s;
    out[(start + i) * 2 + 1] += s;
  }
}

}  // namespace

std::vector<float> SynthesizeDrumLoop(int sampleRate, double seconds) {
  const long frames = static_cast<long>(seconds * sampleRate);
  std::vector<float> out(static_cast<size_t>(frames) * 2, 0.0f);
  // The bed: an A minor chord, slowly swelling, spread across the stereo field.
  const double chord[] = {110.0, 220.5, 261.6, 329.6, 440.0};
  for (long i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / sampleRate;
    const double swell = 0.6 + 0.4 * std::sin(2.0 * kPi * 0.25 * t);
    double left = 0.0, right = 0.0;
    for (int k = 0; k < 5; ++k) {
      const double v = std::sin(2.0 * kPi * chord[k] * t + k);
      left += v * (1.0 - 0.15 * k);
      right += v * (0.4 + 0.15 * k);
    }
    out[i * 2] = static_cast<float>(0.05 * swell * left);
    out[i * 2 + 1] = static_cast<float>(0.05 * swell * right);
  }
  // Drums at 120 beats per minute: kick on 1 and 3 (and the "and" of 3 every
  // other bar), snare on 2 and 4, hi-hats on every eighth.
  Noise noise;
  const double beat = 0.5;
  for (int b = 0; b * beat < seconds; ++b) {
    const long at = static_cast<long>(b * beat * sampleRate);
    const int inBar = b % 4;
    if (inBar == 0 || inBar == 2) AddKick(out, at, sampleRate, 0.7f);
    if (inBar == 2 && (b / 4) % 2 == 1) AddKick(out, at + static_cast<long>(beat * 0.5 * sampleRate), sampleRate, 0.5f);
    if (inBar == 1 || inBar == 3) AddSnare(out, at, sampleRate, 0.5f, noise);
    AddHat(out, at, sampleRate, 0.25f, noise);
    AddHat(out, at + static_cast<long>(beat * 0.5 * sampleRate), sampleRate, 0.15f, noise);
  }
  return out;
}
