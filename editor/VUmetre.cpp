#include "editor/VUmetre.h"

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
  if (a < mRaiseThreshold[ch]) return;  // cannot raise the held level
  float level = static_cast<float>(20.0 * std::log10(a));
  if (!(level > -96.0f)) level = -96.0f;  // also catches log10(0) = -inf
  if (level > 0.0f) level = 0.0f;
  float held = mHeld[ch].load(std::memory_order_relaxed);
  if (level > held) held = level;
  if (held > 0.0f) held = 0.0f;
  mHeld[ch].store(held, std::memory_order_relaxed);
  storeSegments(ch, held);
  updateThreshold(ch);
}

// Segments = trunc((held + 96) / 9): each lit segment spans 9 dB from -96 dB.
// A held level lowered below -96 dB lights none (its next sample raises it
// back to -96 dB, where none is lit either).
void VUmetre::storeSegments(int ch, float held) {
  const int n = static_cast<int>((held + 96) / (96 / mSegmentCount));
  mSegments[ch].store(n > 0 ? n : 0, std::memory_order_relaxed);
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
    updateThreshold(ch);
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
  if (mClipped[ch].load(std::memory_order_relaxed)) {
    if (++mHoldCounter[ch] > 1.1 * mSampleRate) {
      mClipped[ch].store(false, std::memory_order_relaxed);
      mHoldCounter[ch] = 0;
    }
  }
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
