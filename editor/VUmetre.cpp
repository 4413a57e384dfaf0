#include "editor/VUmetre.h"

#include <algorithm>

#include <cmath>

#include "gui/IGraphics.h"

VUmetre::VUmetre(IPlugBase* plug, IRECT rect, IBitmap* normal, IBitmap* dimmed,
                 IBitmap* highlighted)
    : MeterControl(plug, rect), mNormal(normal ? *normal : IBitmap()),
      mDimmedBitmap(dimmed ? *dimmed : IBitmap()),
      mHighlightedBitmap(highlighted ? *highlighted : IBitmap()),
      mPixelsPerSegment(static_cast<float>(mNormal.H / 10.0)) {}

// Level in dB limited to -96..0; held = max(held, level), never above 0;
// each segment spans 96 / 10 = 9 dB (integer division) from -96 dB.
void VUmetre::feed(int ch, double x) {
  const double a = std::fabs(x);
  mMagnitude[ch] = a;
  raise(ch, a);
}

namespace {

// The largest magnitude of a run, two vector lanes at a time (the maximum is
// exact in any order). A NaN never wins a comparison, so it counts as 0,
// which gives the same level as the NaN itself: the -96 dB floor.
double LargestMagnitude(const double* x, int n) {
  typedef double V2 __attribute__((vector_size(16)));
  V2 m0 = {0.0, 0.0}, m1 = {0.0, 0.0};
  int i = 0;
  for (; i + 4 <= n; i += 4) {
    V2 a0, a1;
    __builtin_memcpy(&a0, x + i, sizeof a0);
    __builtin_memcpy(&a1, x + i + 2, sizeof a1);
    a0 = a0 < 0.0 ? -a0 : a0;
    a1 = a1 < 0.0 ? -a1 : a1;
    m0 = a0 > m0 ? a0 : m0;
    m1 = a1 > m1 ? a1 : m1;
  }
  m0 = m1 > m0 ? m1 : m0;
  double m = m0[0] > m0[1] ? m0[0] : m0[1];
  for (; i < n; ++i) {
    const double a = std::fabs(x[i]);
    m = a > m ? a : m;
  }
  return m;
}

}  // namespace

MeterRun::MeterRun(const double* left, const double* right, int count)
    : samples{left, right}, n(count > 0 ? count : 0) {
  for (int ch = 0; ch < 2; ++ch) peak[ch] = LargestMagnitude(samples[ch], n);
}

void VUmetre::SetVolumeRun(const MeterRun& run) {
  if (run.n <= 0) return;
  for (int ch = 0; ch < 2; ++ch) {
    mMagnitude[ch] = std::fabs(run.samples[ch][run.n - 1]);
    raise(ch, run.peak[ch]);
  }
}

// The threshold is worked out only when a magnitude failed to raise the
// level: then the next ones (a decay) are likely to fail too, and the
// comparison spares their logarithms. After a rise or a lowering it is
// unknown (negative) until then, so a steady signal, which raises the level
// at every run, costs one logarithm per run and no power.
void VUmetre::raise(int ch, double a) {
  if (a < mRaiseThreshold[ch]) return;  // cannot raise the held level
  float level = static_cast<float>(20.0 * std::log10(a));
  if (!(level > -96.0f)) level = -96.0f;  // also catches log10(0) = -inf
  if (level > 0.0f) level = 0.0f;
  const float before = mHeld[ch].load(std::memory_order_relaxed);
  float held = before;
  if (level > held) held = level;
  if (held > 0.0f) held = 0.0f;
  mHeld[ch].store(held, std::memory_order_relaxed);
  storeSegments(ch, held);
  if (held == before)
    updateThreshold(ch);
  else
    mRaiseThreshold[ch] = -1.0;
}

// Segments = trunc((held + 96) / 9): each lit segment spans 9 dB from -96 dB.
// A held level lowered below -96 dB lights none (its next sample raises it
// back to -96 dB, where none is lit either).
// A host at an absurd sample rate lowers the level by an infinite amount:
// the count is bounded before it becomes an int (none for -inf or NaN).
void VUmetre::storeSegments(int ch, float held) {
  const float segments = (held + 96) / (96 / mSegmentCount);
  const int n = segments > 0 ? static_cast<int>(std::min(segments, 1e6f)) : 0;
  mSegments[ch].store(n, std::memory_order_relaxed);
}

// A magnitude a raises the held level h only if 20 log10(a) > h, that is
// a > 10^(h/20); the margin keeps rounding of the float level on the safe side.
void VUmetre::updateThreshold(int ch) {
  const float held = mHeld[ch].load(std::memory_order_relaxed);
  mRaiseThreshold[ch] = held < -96.0f ? -1.0 : std::pow(10.0, held / 20.0) * (1.0 - 1e-9);
}

void VUmetre::SetHighlighted(bool on) {
  if (on != mHighlighted) SetDirty(false);
  mHighlighted = on;
}

void VUmetre::SetDimmed(bool on) {
  if (on != mDimmed) SetDirty(false);
  mDimmed = on;
}

void VUmetre::SetVolumes(double left, double right) {
  feed(0, left);
  feed(1, right);
}

// The bar falls with the held level: the segments follow the lowered level
// at once (quiet samples, which cannot raise it, leave them as they are).
void VUmetre::LowerHeldLevels(double dB) {
  for (int ch = 0; ch < 2; ++ch) {
    const float lowered = static_cast<float>(mHeld[ch].load(std::memory_order_relaxed) - dB);
    mHeld[ch].store(lowered, std::memory_order_relaxed);
    storeSegments(ch, lowered);
    mRaiseThreshold[ch] = -1.0;  // unknown until a magnitude fails to raise it
  }
}

bool VUmetre::Draw(IGraphics* graphics) {
  IBitmap* bitmap = IsHighlighted() ? &mHighlightedBitmap : IsDimmed() ? &mDimmedBitmap : &mNormal;
  const float p = mPixelsPerSegment;
  for (int ch = 0; ch < 2; ++ch) {
    if (!(HeldLevel(ch) > -90.0f)) continue;
    const int n = Segments(ch);
    const int x0 = ch == 0 ? mRECT.L : mRECT.L + mChannelGap;
    IRECT dest(x0, static_cast<int>(mRECT.B - n * p), x0 + bitmap->W, mRECT.B);
    graphics->DrawBitmap(bitmap, &dest, 0, static_cast<int>((10 - n) * p), &mBlend);
  }
  return true;
}

VUmetreOver::VUmetreOver(IPlugBase* plug, IRECT rect, IBitmap* clip, IBitmap* solo)
    : MeterControl(plug, rect), mClip(clip ? *clip : IBitmap()), mSolo(solo ? *solo : IBitmap()) {}

void VUmetreOver::feed(int ch, double x) {
  mValue2[ch] = x;
  if (std::fabs(x) > 1.0) {
    mClipped[ch].store(true, std::memory_order_relaxed);
    mHoldCounter[ch] = 0;
  }
  countHeld(ch, 1);
}

// `samples` samples while the indication may be lit: each counts one, and
// the count passing 1.1 s puts the indication out (and stops the count).
void VUmetreOver::countHeld(int ch, int samples) {
  if (!mClipped[ch].load(std::memory_order_relaxed)) return;
  const int count = mHoldCounter[ch] + samples;
  if (count > 1.1 * mSampleRate) {
    // Some sample of these passed the limit first (the count had not).
    mClipped[ch].store(false, std::memory_order_relaxed);
    mHoldCounter[ch] = 0;
  } else {
    mHoldCounter[ch] = count;
  }
}

// The samples up to the run's last one above full scale leave the
// indication lit with a count of 0 whatever came before; the rest count.
void VUmetreOver::feedRun(int ch, const double* x, int n, double peak) {
  mValue2[ch] = x[n - 1];
  int lastClip = peak > 1.0 ? n - 1 : -1;
  while (lastClip >= 0 && !(std::fabs(x[lastClip]) > 1.0)) --lastClip;
  if (lastClip >= 0) {
    mClipped[ch].store(true, std::memory_order_relaxed);
    mHoldCounter[ch] = 0;
  }
  countHeld(ch, lastClip >= 0 ? n - lastClip : n);
}

void VUmetreOver::SetVolumeRun(const MeterRun& run) {
  if (run.n <= 0) return;
  for (int ch = 0; ch < 2; ++ch) feedRun(ch, run.samples[ch], run.n, run.peak[ch]);
}

void VUmetreOver::SetSoloShown(bool on) {
  if (on != mSoloShown) SetDirty(false);
  mSoloShown = on;
}

void VUmetreOver::SetVolumes(double left, double right) {
  feed(0, left);
  feed(1, right);
}

bool VUmetreOver::Draw(IGraphics* graphics) {
  const int w = mClip.W;
  IRECT left(mRECT.L, mRECT.T, mRECT.L + w, mRECT.B);
  IRECT right(mRECT.L + mChannelGap, mRECT.T, mRECT.L + mChannelGap + w, mRECT.B);
  if (IsSoloShown()) {
    graphics->DrawBitmap(&mSolo, &left, 1, &mBlend);
    graphics->DrawBitmap(&mSolo, &right, 1, &mBlend);
  }
  if (IsClipped(0)) graphics->DrawBitmap(&mClip, &left, 1, &mBlend);
  if (IsClipped(1)) graphics->DrawBitmap(&mClip, &right, 1, &mBlend);
  return true;
}
