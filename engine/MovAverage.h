#pragma once
// Running mean of the last L values pushed, with the ring embedded in the
// object (no allocation after construction, constant time per push).
//
// The running sum is updated, never recomputed, so rounding accumulates:
// the settled mean of a constant may differ from it in the last bits and
// callers compare smoothed values only for exact change. The ring is always
// full: right after construction the mean is the initial value, and after a
// step from a to b it is a + (b - a) k / L after k pushes (k <= L).
//
// Requires 1 <= L <= kCapacity (not checked: every caller uses 220).
// Not thread-safe; used only by the audio thread.
#include <cstring>

class MovAverage {
public:
  static constexpr long kCapacity = 10000;

  MovAverage(long length, double initial)
      : mWrap(length), mPosition(0), mLength(length), mReciprocal(1.0 / length),
        mSum(initial * length), mInitial(initial), mLatest(initial), mRepeats(length) {
    for (long i = 0; i < mLength; ++i) mRing[i] = initial;
  }

  // Pushes x and returns the new mean.
  double movav(double x) { return push(x) * mReciprocal; }
  // Pushes x and returns the new running sum.
  double movav_s(double x) { return push(x); }
  // The current mean, without pushing.
  double getLastValue() const { return mSum * mReciprocal; }
  // True when pushing x would change nothing that can ever be seen: the ring
  // holds L copies of x (so where the next one is written does not matter)
  // and the sum is a fixed point of adding x and taking x away. Then any
  // number of pushes of x may be skipped, the mean staying getLastValue().
  bool IsSettledAt(double x) const {
    return mRepeats >= mLength && SameBits(x, mLatest) && SameBits((mSum + x) - x, mSum);
  }

  // Refills the ring with v (or with the initial value).
  void resume(double v) {
    for (long i = 0; i < mLength; ++i) mRing[i] = v;
    mSum = mLength * v;
    mPosition = 0;
    mLatest = v;
    mRepeats = mLength;
  }
  void resume() { resume(mInitial); }

private:
  // The addition comes first, then the subtraction of the value leaving the window.
  double push(double x) {
    mSum = (mSum + x) - mRing[mPosition];
    mRing[mPosition] = x;
    if (++mPosition == mWrap) mPosition = 0;
    if (!SameBits(x, mLatest)) {
      mLatest = x;
      mRepeats = 0;
    }
    if (mRepeats < mLength) ++mRepeats;
    return mSum;
  }

  // Equal to the bit (0.0 and -0.0 differ in the sum's sign of zero).
  static bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

  long mWrap;          // index at which the position returns to 0 (= L)
  long mPosition;      // oldest value, where the next one is written
  long mLength;        // L
  double mReciprocal;  // 1.0 / L
  double mRing[kCapacity];
  double mSum;         // running sum of the L values in the ring
  double mInitial;     // value given at construction, used by resume()
  double mLatest;      // the last value pushed
  long mRepeats;       // how many of the last pushes were mLatest, at most L
};
