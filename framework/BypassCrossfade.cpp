#include "framework/BypassCrossfade.h"

double BypassCrossfade::Step(double sampleRate) {
  const double frames = sampleRate > 0.0 ? sampleRate * kFadeSeconds : 1.0;
  return frames > 1.0 ? 1.0 / frames : 1.0;
}

double BypassCrossfade::ShareAfter(bool bypassed, double step, int frames) const {
  const double share = bypassed ? mShare + step * frames : mShare - step * frames;
  return share > 1.0 ? 1.0 : share < 0.0 ? 0.0 : share;
}

void BypassCrossfade::Mix(bool bypassed, double sampleRate, const double* processed, const double* delayed,
                          double* out, int nFrames) const {
  const double step = Step(sampleRate);
  for (int t = 0; t < nFrames; ++t) {
    const double g = ShareAfter(bypassed, step, t + 1);
    out[t] = processed[t] * (1.0 - g) + delayed[t] * g;
  }
}

void BypassCrossfade::Advance(bool bypassed, double sampleRate, int nFrames) {
  if (nFrames > 0) mShare = ShareAfter(bypassed, Step(sampleRate), nFrames);
}
