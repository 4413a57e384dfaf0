#include "engine/FrameJob.h"

#include <cmath>

namespace {

constexpr int kN = FrameJob::kFrameLength;
constexpr int kInputChunk = 1024;   // entries of a stage's input laid out per step
constexpr int kTapBudget = 2048;    // output pairs x taps per step
constexpr int kBandChunk = 1024;    // coefficients walked per step

// Output pairs per step: fewer for longer filters, a multiple of 16 (a
// forward stage writes its approximations split, two vectors at a time).
int OutputChunk(int taps) {
  const int pairs = kTapBudget / (taps > 2 ? taps : 2);
  return pairs < 16 ? 16 : pairs / 16 * 16;
}

// The last inverse stage writes only the middle half of the frame: output
// pairs [N/8, 3N/8), which read extended coefficients [N/8, 3N/8 + L/2 - 1).
constexpr int kMiddleFirstPair = kN / 8;
constexpr int kMiddleEndPair = 3 * kN / 8;

}  // namespace

int FrameJob::stageL() const { return mFilters ? mFilters->L : 0; }
int FrameJob::minStage() const { return mFilters ? mFilters->M : 2; }
int FrameJob::forwardChunk() const { return OutputChunk(stageL()); }
int FrameJob::inverseChunk() const { return OutputChunk(stageL()); }

void FrameJob::Start(double* const frames[2], double* const outputs[2], int mode, int bandThreshold,
                     double threshold) {
  if (mRunning) Finish();  // never the case: slots complete 2048 samples apart
  for (int ch = 0; ch < 2; ++ch) {
    mFrames[ch] = frames[ch];
    mOutputs[ch] = outputs[ch];
  }
  mMode = mode;
  mBandThreshold = bandThreshold;
  mThreshold = threshold;
  mFilters = mode == 2 ? &Benondelettes::Daub4Filters() : mode == 3 ? &Benondelettes::Bio68Filters() : nullptr;

  // Count the steps by walking the job once without its work.
  mRunning = true;
  mChannel = 0;
  beginChannel();
  mTotalSteps = 0;
  while (step(false)) ++mTotalSteps;
  mRunning = true;
  mChannel = 0;
  beginChannel();
  mCredit = 0;
  mAdvances = 0;
}

void FrameJob::beginChannel() {
  mPhase = Phase::kForwardInput;
  mStage = kN;
  mCursor = 0;
}

void FrameJob::Advance() {
  if (!mRunning) return;
  if (++mAdvances >= kDeadline) {
    Finish();
    return;
  }
  mCredit += mTotalSteps;
  while (mCredit >= kDeadline && mRunning) {
    mCredit -= kDeadline;
    if (!step(true)) mRunning = false;
  }
}

void FrameJob::Finish() {
  while (mRunning)
    if (!step(true)) mRunning = false;
}

bool FrameJob::step(bool doWork) {
  if (mChannel > 1) return false;
  double* x = mFrames[mChannel];
  const int L = stageL();
  const Benondelettes::Filters* f = mFilters;
  switch (mPhase) {
    case Phase::kForwardInput: {
      const int length = Benondelettes::ForwardInputLength(kN, L);
      const int to = mCursor + kInputChunk < length ? mCursor + kInputChunk : length;
      if (doWork) mWavelets.PrepareForward(x, kN, L, mCursor, to);
      mCursor = to;
      if (mCursor == length) {
        mPhase = Phase::kForwardOutputs;
        mCursor = 0;
      }
      return true;
    }
    case Phase::kForwardOutputs: {
      const int pairs = mStage / 2;
      const int to = mCursor + forwardChunk() < pairs ? mCursor + forwardChunk() : pairs;
      const bool last = mStage / 2 < minStage();
      if (doWork) {
        if (f)
          mWavelets.ForwardOutputs(x, mStage, f->h, f->g, L, last, mCursor, to);
        else
          mWavelets.HaarForwardOutputs(x, mStage, last, mCursor, to);
      }
      mCursor = to;
      if (mCursor == pairs) {
        if (last) {
          mPhase = Phase::kBands;
          mStage = 0;  // the band being walked
          mCursor = 0;
        } else {
          if (doWork) mWavelets.FinishForwardStage(mStage, L);
          mStage /= 2;
          mCursor = 0;
        }
      }
      return true;
    }
    case Phase::kBands: {
      // Bands [0, 1) and [2^j, 2^(j+1)), j = 1 .. 11, edited when they start
      // above T: a coefficient further than t from its predecessor as that
      // now stands loses 40 dB; a band's first is compared with the previous
      // frame's sample at the band's end. mStage is the band, mCursor the
      // next coefficient.
      const double* previous = mOutputs[mChannel];
      int budget = kBandChunk;
      while (mStage < kLevels && budget > 0) {
        const int a = mStage == 0 ? 0 : 1 << mStage;
        const int b = mStage == 0 ? 1 : a << 1;
        if (a <= mBandThreshold) {
          ++mStage;
          continue;
        }
        if (mCursor < a) {
          mCursor = a;
          mReference = previous[b - 1];
        }
        const int to = mCursor + budget < b ? mCursor + budget : b;
        if (doWork) {
          double r = mReference;
          for (int i = mCursor; i < to; ++i) {
            if (std::fabs(x[i] - r) > mThreshold) x[i] *= kAttenuation;
            r = x[i];
          }
          mReference = r;
        }
        budget -= to - mCursor;
        mCursor = to;
        if (mCursor == b) ++mStage;
      }
      if (mStage == kLevels) {
        mPhase = Phase::kInverseInput;
        mStage = minStage();
        mCursor = mStage == kN ? kMiddleFirstPair : 0;
      }
      return true;
    }
    case Phase::kInverseInput: {
      const bool last = mStage == kN;
      const int length = last ? kMiddleEndPair + (L > 0 ? L : 2) / 2 - 1 : Benondelettes::InverseInputLength(mStage, L);
      const int to = mCursor + kInputChunk < length ? mCursor + kInputChunk : length;
      if (doWork) mWavelets.PrepareInverse(x, mStage, L, mCursor, to);
      mCursor = to;
      if (mCursor == length) {
        mPhase = Phase::kInverseOutputs;
        mCursor = last ? kMiddleFirstPair : 0;
      }
      return true;
    }
    case Phase::kInverseOutputs: {
      const bool last = mStage == kN;
      const int end = last ? kMiddleEndPair : mStage / 2;
      const int to = mCursor + inverseChunk() < end ? mCursor + inverseChunk() : end;
      // The last stage writes the frame's middle half into the output buffer.
      double* out = last ? mOutputs[mChannel] : x;
      if (doWork) {
        if (f)
          mWavelets.InverseOutputs(out, mStage, f->hInv, f->gInv, L, mCursor, to);
        else
          mWavelets.HaarInverseOutputs(out, mStage, mCursor, to);
      }
      mCursor = to;
      if (mCursor == end) {
        if (last) {
          mPhase = Phase::kChannelDone;
        } else {
          mStage *= 2;
          mPhase = Phase::kInverseInput;
          mCursor = mStage == kN ? kMiddleFirstPair : 0;
        }
      }
      return true;
    }
    case Phase::kChannelDone:
      if (++mChannel > 1) return false;
      beginChannel();
      return true;
  }
  return false;
}
