#pragma once
// BypassCrossfade: switching bypass on or off without a click.
//
// Bypass hands the host the input delayed by the latency instead of the
// processed signal. Switching straight from one to the other is a step in
// the waveform (a click) unless the plug-in's settings are at unity, so the
// switch is a crossfade over kFadeSeconds: 10 ms, long enough that the step
// is spread below what the ear hears as a click, short enough to feel
// immediate. The fade is linear in amplitude (equal gain): both signals
// carry the same audio, aligned in time, so they add up without the level
// bump an equal-power fade would give.
//
// g is the delayed input's share of the output: 0 processed, 1 bypassed.
// Audio thread only.
class BypassCrossfade {
public:
  static constexpr double kFadeSeconds = 0.010;

  // Puts the fade at its end for `bypassed` (start-up, after a reset).
  void Snap(bool bypassed) {
    mShare = bypassed ? 1.0 : 0.0;
    mSnapped = true;
  }
  bool Snapped() const { return mSnapped; }
  // Whether a block heading for `bypassed` needs the mix (the fade is not
  // at that end yet).
  bool Fading(bool bypassed) const { return mShare != (bypassed ? 1.0 : 0.0); }
  // out[t] = processed[t] * (1 - g) + delayed[t] * g, with g moving from the
  // current share toward `bypassed` by one step per frame; out may be
  // processed. The share does not move until Advance.
  void Mix(bool bypassed, double sampleRate, const double* processed, const double* delayed, double* out,
           int nFrames) const;
  // Moves the share by nFrames steps toward `bypassed`.
  void Advance(bool bypassed, double sampleRate, int nFrames);

private:
  static double Step(double sampleRate);
  double ShareAfter(bool bypassed, double step, int frames) const;

  double mShare = 0.0;
  bool mSnapped = false;
};
