#include "engine/FrameJob.h"

#include <cmath>

struct FrameJob::Costs {
  long forwardLayout, inverseLayout, pair, band;
};

namespace {

constexpr int kN = FrameJob::kFrameLength;

// The job is cut into this many steps of equal work, one every
// kDeadline / kSteps = 8 samples: a 64-frame block does 8 of them.
constexpr int kSteps = 128;

// Work units per input entry laid out (forward and inverse), per output
// pair and per coefficient walked, for each mode, and per call: set from
// each phase's measured cost with the AVX-512 kernels so that every step of
// a job costs about the same (a unit is about a tenth of a cycle). The
// forward layout is charged for a frame that is no longer in the cache, as
// when many instances run: it reads the frame collected over 4096 samples.
constexpr FrameJob::Costs kCosts[3] = {
    {14, 9, 10, 29},   // Haar
    {15, 11, 26, 33},  // Daubechies-4
    {11, 5, 47, 15},   // biorthogonal 6.8
};
constexpr long kCallUnits = 300;

// Output pairs go in multiples of 16 (a forward stage writes its
// approximations split, two vectors of outputs at a time) except at a
// stage's end.
constexpr int kPairGrain = 16;

// The last inverse stage writes only the middle half of the frame: output
// pairs [N/8, 3N/8), which read extended coefficients [N/8, 3N/8 + L/2 - 1).
constexpr int kMiddleFirstPair = kN / 8;
constexpr int kMiddleEndPair = 3 * kN / 8;

// Items of `units` each that `budget` pays for, at least `grain` (the
// overshoot is charged to the next step), at most `left`.
int ItemsFor(long budget, long units, int grain, int left) {
  long items = budget / units;
  if (items < grain) items = grain;
  if (grain > 1) items = items / grain * grain;
  return items < left ? static_cast<int>(items) : left;
}

}  // namespace

int FrameJob::stageL() const { return mFilters ? mFilters->L : 0; }
int FrameJob::minStage() const { return mFilters ? mFilters->M : 2; }
int FrameJob::halfTaps() const { return (stageL() > 0 ? stageL() : 2) / 2; }

void FrameJob::inverseOutputs(int ch, double* out, int n, int from, int to, int buffers) {
  if (mFilters)
    mWavelets[ch].InverseOutputs(out, n, mFilters->hInv, mFilters->gInv, mFilters->L, from, to, buffers);
  else
    mWavelets[ch].HaarInverseOutputs(out, n, from, to, buffers);
}
int FrameJob::firstPair() const { return mNeed->pairFrom[__builtin_ctz(static_cast<unsigned>(mStage))]; }
int FrameJob::endPair() const { return mNeed->pairTo[__builtin_ctz(static_cast<unsigned>(mStage))]; }

FrameJob::FrameJob() {
  for (int mode = 1; mode <= 3; ++mode) {
    configure(mode, 0);
    findNeededRanges(mNeeded[mode - 1]);
  }
  // The pace of every job there can be, walked once without work here so
  // that a wrap costs nothing more than the job's first share.
  for (int mode = 1; mode <= 3; ++mode) {
    for (int skipped = 0; skipped <= kLevels; ++skipped) {
      Plan& plan = mPlans[mode - 1][skipped];
      // The threshold below which exactly `skipped` bands start.
      const int threshold = skipped == 0 ? -1 : skipped == 1 ? 0 : 1 << (skipped - 1);
      configure(mode, threshold);
      rewind();
      mStepUnits = 1L << 40;
      mBudget = mStepUnits;
      advancePhases(false);
      plan.stepUnits = ((1L << 40) - mBudget + kSteps - 1) / kSteps;
      mStepUnits = plan.stepUnits;
      rewind();
      mBudget = 0;
      plan.steps = 0;
      while (step(false)) ++plan.steps;
    }
  }
}

// Bands not edited: those starting at or below T.
int FrameJob::skippedBands(int bandThreshold) {
  int skipped = 0;
  while (skipped < kLevels && (skipped == 0 ? 0 : 1 << skipped) <= bandThreshold) ++skipped;
  return skipped;
}

void FrameJob::configure(int mode, int bandThreshold) {
  mBandThreshold = bandThreshold;
  mFilters = mode == 2 ? &Benondelettes::Daub4Filters() : mode == 3 ? &Benondelettes::Bio68Filters() : nullptr;
  mCosts = &kCosts[mode - 1];
  mNeed = &mNeeded[mode - 1];
}

// Only the middle half of the frame is kept, so the inverse transform needs
// only the output pairs [N/8, 3N/8) of its last stage, and each stage only
// what the next one reads: pair p of a stage of length n reads extended
// entries [p, p + P) (P = L/2), entry t >= P - 1 being a[t - P + 1] and
// d[t - P + 1]; an entry below P - 1 reads the end of a and d, and then the
// whole of both is needed. Of a band, the walk need only reach the last
// detail read (it runs from the band's start). The coarse stages end up
// whole; the rest is work skipped, whose values nothing reads.
void FrameJob::findNeededRanges(NeededRanges& need) const {
  const int P = halfTaps();
  for (int level = 0; level <= kLevels; ++level) {
    need.pairFrom[level] = 0;
    need.pairTo[level] = (1 << level) / 2;
    need.walkEnd[level] = level == 0 ? 1 : 2 << level;
  }
  int from = kMiddleFirstPair, to = kMiddleEndPair;
  for (int level = kLevels; (1 << level) >= minStage(); --level) {
    need.pairFrom[level] = from;
    need.pairTo[level] = to;
    const int half = (1 << level) / 2;
    const bool wraps = from < P - 1;
    // Band `level - 1` holds this stage's details d[0, half) at [half, 2 half).
    if (!wraps && half >= 2) need.walkEnd[level - 1] = half + to;
    // The previous stage's outputs a[from - P + 1, to): its pairs.
    if (wraps) {
      from = 0;
      to = half / 2;
    } else {
      from = (from - P + 1) / 2;
      to = (to + 1) / 2;
    }
  }
}

void FrameJob::Start(double* const frames[2], double* const outputs[2], int mode, int bandThreshold,
                     double threshold) {
  if (mRunning) Finish();  // never the case: slots wrap N/2 = kCompleteAfter samples apart
  for (int ch = 0; ch < 2; ++ch) {
    mFrames[ch] = frames[ch];
    mOutputs[ch] = outputs[ch];
  }
  configure(mode, bandThreshold);
  mThreshold = threshold;
  const Plan& plan = mPlans[mode - 1][skippedBands(bandThreshold)];
  mStepUnits = plan.stepUnits;
  mTotalSteps = plan.steps;
  rewind();
  mBudget = 0;
  mRunning = true;
  mCredit = 0;
  mAdvances = 0;
  mMiddleWritten = kMiddleFirstPair;
  mLastLaidOut = kMiddleFirstPair;
  mBeforeWritten = mNeed->pairFrom[kLevels - 1];
}

void FrameJob::rewind() {
  mChannel = 0;
  beginChannel();
}

void FrameJob::beginChannel() {
  mPhase = Phase::kForwardInput;
  mStage = kN;
  mCursor = 0;
}

void FrameJob::Advance(int samples) {
  if (!mRunning || samples <= 0) return;
  mAdvances += samples;
  if (mAdvances >= kDeadline) {
    while (step(true)) {
    }
    writeMiddle(mAdvances);
    return;
  }
  // Each sample adds mTotalSteps to the credit, and a step is taken per
  // whole kDeadline of it.
  mCredit += static_cast<long>(samples) * mTotalSteps;
  while (mCredit >= kDeadline && step(true)) mCredit -= kDeadline;
}

void FrameJob::Finish() {
  if (!mRunning) return;
  while (step(true)) {
  }
  writeMiddle(kCompleteAfter);
}

// The last two inverse stages of both channels, after the rest: by
// `advances` samples after the wrap, the last stage's output pairs up to
// N/8 + (advances - N/4) (in multiples of 16), one pair per channel per
// sample, with what they read first: the last stage's extended entries
// (laid out apart, in the second buffers, while the stage before still
// writes) and the outputs of the stage before that those take. The samples
// read by then are at positions below `advances`, whose pairs are below
// advances / 2 and so already written.
void FrameJob::writeMiddle(int advances) {
  int to = kMiddleFirstPair + (advances - kDeadline + kPairGrain - 1) / kPairGrain * kPairGrain;
  if (to > kMiddleEndPair) to = kMiddleEndPair;
  if (to > mMiddleWritten) {
    const int entriesTo = to + halfTaps() - 1;  // the entries the pairs read
    int beforeTo = (to + 1) / 2;                 // the pairs writing the a those take
    if (beforeTo > mNeed->pairTo[kLevels - 1]) beforeTo = mNeed->pairTo[kLevels - 1];
    for (int ch = 0; ch < 2; ++ch) {
      if (beforeTo > mBeforeWritten) inverseOutputs(ch, mFrames[ch], kN / 2, mBeforeWritten, beforeTo);
      mWavelets[ch].PrepareInverse(mFrames[ch], kN, stageL(), mLastLaidOut, entriesTo, 1);
      inverseOutputs(ch, mOutputs[ch], kN, mMiddleWritten, to, 1);
    }
    if (beforeTo > mBeforeWritten) mBeforeWritten = beforeTo;
    mLastLaidOut = entriesTo;
    mMiddleWritten = to;
  }
  if (mMiddleWritten == kMiddleEndPair) mRunning = false;
}

// One step: a step's worth of units (plus what the last one overspent).
bool FrameJob::step(bool doWork) {
  if (mChannel > 1) return false;
  mBudget += mStepUnits;
  advancePhases(doWork);
  return true;
}

// Works through the phases while the budget lasts or the job ends.
void FrameJob::advancePhases(bool doWork) {
  while (mBudget > 0 && mChannel <= 1) mBudget -= phaseWork(doWork);
}

// Some work of the current phase, as much as the budget pays for; returns
// the units spent.
long FrameJob::phaseWork(bool doWork) {
  double* x = mFrames[mChannel];
  const int L = stageL();
  const Benondelettes::Filters* f = mFilters;
  switch (mPhase) {
    case Phase::kForwardInput: {
      const int length = Benondelettes::ForwardInputLength(kN, L);
      const int to = mCursor + ItemsFor(mBudget, mCosts->forwardLayout, 1, length - mCursor);
      if (doWork) mWavelets[mChannel].PrepareForward(x, kN, L, mCursor, to);
      const long spent = kCallUnits + (to - mCursor) * mCosts->forwardLayout;
      mCursor = to;
      if (mCursor == length) {
        mPhase = Phase::kForwardOutputs;
        mCursor = 0;
      }
      return spent;
    }
    case Phase::kForwardOutputs: {
      const int pairs = mStage / 2;
      const int to = mCursor + ItemsFor(mBudget, mCosts->pair, kPairGrain, pairs - mCursor);
      const bool last = mStage / 2 < minStage();
      if (doWork) {
        if (f)
          mWavelets[mChannel].ForwardOutputs(x, mStage, f->h, f->g, L, last, mCursor, to);
        else
          mWavelets[mChannel].HaarForwardOutputs(x, mStage, last, mCursor, to);
      }
      const long spent = kCallUnits + (to - mCursor) * mCosts->pair;
      mCursor = to;
      if (mCursor == pairs) {
        mCursor = 0;
        if (last) {
          mPhase = Phase::kBands;
          mStage = 0;  // the band being walked
          mBandStarted = false;
        } else {
          if (doWork) mWavelets[mChannel].FinishForwardStage(mStage, L);
          mStage /= 2;
        }
      }
      return spent;
    }
    case Phase::kBands: {
      // Bands [0, 1) and [2^j, 2^(j+1)), j = 1 .. 11, edited when they start
      // above T: a coefficient further than t from its predecessor as that
      // now stands loses 40 dB; a band's first is compared with the previous
      // frame's sample at the band's end. mStage is the band, mCursor the
      // next coefficient.
      if (mStage == kLevels) {
        mPhase = Phase::kInverseInput;
        mStage = minStage();
        mCursor = firstPair();
        return kCallUnits;
      }
      const int a = mStage == 0 ? 0 : 1 << mStage;
      const int b = mStage == 0 ? 1 : a << 1;
      if (a <= mBandThreshold) {
        ++mStage;
        return 1;
      }
      if (!mBandStarted) {  // every edited band, also right after another one
        mBandStarted = true;
        mCursor = a;
        if (doWork) mReference = mOutputs[mChannel][b - 1];
      }
      const int end = mNeed->walkEnd[mStage];
      const int to = mCursor + ItemsFor(mBudget, mCosts->band, 1, end - mCursor);
      if (doWork) mReference = mWalk->walk(x, mCursor, to, mReference, mThreshold);
      const long spent = kCallUnits + (to - mCursor) * mCosts->band;
      mCursor = to;
      if (mCursor == end) {
        ++mStage;
        mBandStarted = false;
      }
      return spent;
    }
    case Phase::kInverseInput: {
      // The entries the needed pairs read.
      const int length = endPair() + halfTaps() - 1;
      const int to = mCursor + ItemsFor(mBudget, mCosts->inverseLayout, 1, length - mCursor);
      if (doWork) mWavelets[mChannel].PrepareInverse(x, mStage, L, mCursor, to);
      const long spent = kCallUnits + (to - mCursor) * mCosts->inverseLayout;
      mCursor = to;
      if (mCursor == length) {
        mPhase = Phase::kInverseOutputs;
        mCursor = firstPair();
      }
      return spent;
    }
    case Phase::kInverseOutputs: {
      if (mStage == kN / 2) {  // the last two stages' outputs are writeMiddle's
        ++mChannel;
        if (mChannel <= 1) beginChannel();
        return 1;
      }
      const int end = endPair();
      const int to = mCursor + ItemsFor(mBudget, mCosts->pair, kPairGrain, end - mCursor);
      if (doWork) inverseOutputs(mChannel, x, mStage, mCursor, to);
      const long spent = kCallUnits + (to - mCursor) * mCosts->pair;
      mCursor = to;
      if (mCursor == end) {
        mStage *= 2;
        mPhase = Phase::kInverseInput;
        mCursor = firstPair();
      }
      return spent;
    }
  }
  return kCallUnits;
}
