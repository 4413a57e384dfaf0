#include "engine/FrameJob.h"

#include <algorithm>
#include <cassert>

struct FrameJob::Costs {
  long forwardLayout;  // per entry laid out
  long forwardPair;
  long bandWalk;       // per coefficient walked
  long inverseLayout;  // per entry laid out
  long inversePair;
};

namespace {

constexpr int kN = FrameJob::kFrameLength;
constexpr int kLastStage = kN;
constexpr int kStageBeforeLast = kN / 2;

// The first part is cut into at most this many steps of equal units, one
// every kDeadline / kSteps = 8 samples: a 64-frame block does 8 of them.
constexpr int kSteps = 128;

// Work units per item of each phase, for each mode, and per call: set from
// each phase's measured cost with the AVX-512 kernels so that every step of
// a job costs about the same (a unit is about a tenth of a cycle). The
// forward layout is charged for a frame that is no longer in the cache, as
// when many instances run: it reads the frame collected over 4096 samples.
// Re-derived by bench/engine/FrameJobCosts.cpp: run
//   build/release/bench/engine/bench_engine --benchmark_filter=FrameJobCosts
// which prints a row per mode in this layout and the call's units.
constexpr FrameJob::Costs kCosts[3] = {
    // forward layout, forward pair, band walk, inverse layout, inverse pair
    {14, 10, 29, 9, 10},   // Haar
    {15, 26, 33, 11, 26},  // Daubechies-4
    {11, 47, 15, 5, 47},   // biorthogonal 6.8
};
constexpr long kCallUnits = 300;

// More units than any job spends: planning walks a whole first part on one
// budget of it to count its units.
constexpr long kUnlimitedUnits = 1L << 40;

// Output pairs go in multiples of 16 (a forward stage writes its
// approximations split, two vectors of outputs at a time) except at a
// stage's end.
constexpr int kPairGrain = 16;

// The last inverse stage writes only the middle half of the frame: output
// pairs [N/8, 3N/8), which read entries [N/8, 3N/8 + L/2 - 1).
constexpr int kMiddleFirstPair = kN / 8;
constexpr int kMiddleEndPair = 3 * kN / 8;

// Band 0 is coefficient 0; band j >= 1 is [2^j, 2^(j+1)), where the
// details of the stage of length 2^(j+1) lie.
constexpr int BandBegin(int band) { return band == 0 ? 0 : 1 << band; }
constexpr int BandEnd(int band) { return band == 0 ? 1 : 2 << band; }

// The last band holds the last stage's details. The first part walks it
// only as far as the entries before the middle's first pair read; the
// second part walks on just ahead of the entries it lays out.
constexpr int kLastBand = FrameJob::kLevels - 1;
constexpr int kLastBandFirstPartEnd = BandBegin(kLastBand) + kMiddleFirstPair;
// It walks on in multiples of this many coefficients: a walk call costs
// about what 60 more coefficients do, and calls as short as the second
// part's writes (16 pairs sample by sample, 64 in blocks) would cost more
// than the walk saved in the first part.
constexpr int kLastBandWalkGrain = 128;

// The first band not edited at band threshold T: bands start above T from it on.
int FirstEditedBand(int bandThreshold) {
  int band = 0;
  while (band < FrameJob::kLevels && BandBegin(band) <= bandThreshold) ++band;
  return band;
}

int Log2(int stage) { return __builtin_ctz(static_cast<unsigned>(stage)); }

int Taps(const Benondelettes::Filters* f) { return f ? f->L : 0; }  // 0: Haar
int MinStage(const Benondelettes::Filters* f) { return f ? f->M : 2; }
// P = L/2: pair p of an inverse stage reads entries [p, p + P) (Haar: 1).
int HalfTaps(const Benondelettes::Filters* f) { return f ? f->L / 2 : 1; }

const Benondelettes::Filters* ModeFilters(int mode) {
  assert(mode >= 1 && mode <= 3 && "the engine passes only its three modes");
  return mode == 2 ? &Benondelettes::Daub4Filters() : mode == 3 ? &Benondelettes::Bio68Filters() : nullptr;
}

// Items of `units` each that `budget` pays for, at least `grain` (the
// overshoot is charged to the next step), at most `left`.
int ItemsFor(long budget, long units, int grain, int left) {
  long items = budget / units;
  if (items < grain) items = grain;
  if (grain > 1) items = items / grain * grain;
  return items < left ? static_cast<int>(items) : left;
}

// The units of one call over `items` items (none: no call).
long CallUnits(int items, long unitsPerItem) { return items > 0 ? kCallUnits + items * unitsPerItem : 0; }

long CeilDiv(long a, long b) { return (a + b - 1) / b; }
int RoundUp(int value, int grain) { return (value + grain - 1) / grain * grain; }

}  // namespace

// ---- Planning (constructor) ----

struct FrameJob::Tables {
  NeededRanges needed[3];          // by mode
  Plan plans[3][kLevels + 1];      // by mode and first edited band
};

// The pace of every job there can be, planned before any starts so that a
// wrap costs nothing more than the job's first share; once per process, by
// the first job made (planning only counts: any job can do it).
FrameJob::FrameJob() {
  static const Tables& tables = planEveryJob();
  mTables = &tables;
  mSpentUnits = 0;
}

// Called once, from the initialisation above.
const FrameJob::Tables& FrameJob::planEveryJob() {
  static Tables tables;
  for (int mode = 1; mode <= 3; ++mode) tables.needed[mode - 1] = FindNeededRanges(ModeFilters(mode));
  mTables = &tables;
  for (int mode = 1; mode <= 3; ++mode)
    for (int band = 0; band <= kLevels; ++band) tables.plans[mode - 1][band] = planJob(mode, band);
  return tables;
}

// Only the middle half of the frame is kept, so the inverse transform needs
// only the output pairs [N/8, 3N/8) of its last stage, and each stage only
// what the next one reads: pair p of a stage of length n reads entries
// [p, p + P), entry t >= P - 1 being a[t - P + 1] and d[t - P + 1]; an entry
// below P - 1 reads the end of a and d, and then the whole of both is
// needed. Of a band, the walk need only reach the last detail read (it runs
// from the band's start). The coarse stages end up whole; the rest is work
// skipped, whose values nothing reads.
FrameJob::NeededRanges FrameJob::FindNeededRanges(const Benondelettes::Filters* filters) {
  NeededRanges need;
  const int P = HalfTaps(filters);
  for (int level = 0; level <= kLevels; ++level) need.pairs[level] = {0, (1 << level) / 2};
  for (int band = 0; band < kLevels; ++band) need.walkEnd[band] = BandEnd(band);
  Range pairs = {kMiddleFirstPair, kMiddleEndPair};
  for (int level = kLevels; (1 << level) >= MinStage(filters); --level) {
    need.pairs[level] = pairs;
    const int half = (1 << level) / 2;
    const bool wraps = pairs.begin < P - 1;
    // The stage's details d[0, half) are band level - 1 (band 0 holds no details).
    if (!wraps && level >= 2) {
      assert(BandBegin(level - 1) == half);
      need.walkEnd[level - 1] = BandBegin(level - 1) + pairs.end;
    }
    // The stage before writes the a[pairs.begin - P + 1, pairs.end) read here: its pairs.
    pairs = wraps ? Range{0, half / 2} : Range{(pairs.begin - P + 1) / 2, (pairs.end + 1) / 2};
  }
  // Where the second part's walk of the last band ends.
  assert(need.walkEnd[kLastBand] == BandBegin(kLastBand) + RoundUp(kMiddleEndPair, kLastBandWalkGrain));
  return need;
}

// Steps as small as they can be with no more than kSteps of them, so that
// every 64 samples of the first part take as many steps (8) as any other.
FrameJob::Plan FrameJob::planJob(int mode, int firstEditedBand) {
  configure(mode, firstEditedBand);
  beginChannel(0);
  mBudget = kUnlimitedUnits;
  spendBudget(false);
  // Cut into steps, the first part makes more calls, each charged
  // kCallUnits: steps of a kSteps-th of its units in one go are too many,
  // steps of a kSteps-th of what those spend are close to few enough.
  Plan tooMany = countSteps(CeilDiv(kUnlimitedUnits - mBudget, kSteps));
  if (tooMany.steps <= kSteps) return tooMany;
  Plan fewEnough = countSteps(CeilDiv(mSpentUnits, kSteps));
  while (fewEnough.steps > kSteps) {
    tooMany = fewEnough;
    fewEnough = countSteps(2 * fewEnough.stepUnits);
  }
  while (fewEnough.stepUnits - tooMany.stepUnits > 1) {
    const Plan middle = countSteps((tooMany.stepUnits + fewEnough.stepUnits) / 2);
    (middle.steps > kSteps ? tooMany : fewEnough) = middle;
  }
  return fewEnough;
}

// The steps of stepUnits each that the first part takes (mSpentUnits: the
// units they spend).
FrameJob::Plan FrameJob::countSteps(long stepUnits) {
  mStepUnits = stepUnits;
  beginChannel(0);
  mBudget = 0;
  mSpentUnits = 0;
  Plan plan;
  plan.stepUnits = stepUnits;
  while (step(false)) ++plan.steps;
  return plan;
}

void FrameJob::configure(int mode, int firstEditedBand) {
  mFilters = ModeFilters(mode);
  mCosts = &kCosts[mode - 1];
  mNeed = &mTables->needed[mode - 1];
  mFirstEditedBand = firstEditedBand;
}

// ---- The job ----

void FrameJob::Start(double* const frames[2], double* const outputs[2], int mode, int bandThreshold,
                     double threshold) {
  // Slots wrap kCompleteAfter samples apart, by when the last job is over.
  assert(!mRunning && "a job started before the last one was complete");
  if (mRunning) Finish();
  for (int ch = 0; ch < kChannels; ++ch) {
    mFrames[ch] = frames[ch];
    mOutputs[ch] = outputs[ch];
  }
  const int firstEditedBand = FirstEditedBand(bandThreshold);
  configure(mode, firstEditedBand);
  mThreshold = threshold;
  const Plan& plan = mTables->plans[mode - 1][firstEditedBand];
  mStepUnits = plan.stepUnits;
  mTotalSteps = plan.steps;
  beginChannel(0);
  mBudget = 0;
  mRunning = true;
  mCredit = 0;
  mAdvances = 0;
  mSpentUnits = 0;
  mLastPairsDone = kMiddleFirstPair;
  mLastEntriesDone = kMiddleFirstPair;
  mLastBandWalked = kLastBandFirstPartEnd;
  mBeforePairsDone = neededPairs(kStageBeforeLast).begin;
}

void FrameJob::Advance(int samples) {
  if (!mRunning || samples <= 0) return;
  mAdvances += std::min(samples, kCompleteAfter);
  if (mAdvances >= kDeadline) {  // what is left of the first part, then the second part's share
    while (step(true)) {
    }
    writeMiddle(std::min(mAdvances, kCompleteAfter));
    return;
  }
  mCredit += static_cast<long>(samples) * mTotalSteps;
  while (mCredit >= kDeadline && step(true)) mCredit -= kDeadline;
}

void FrameJob::Finish() {
  if (!mRunning) return;
  while (step(true)) {
  }
  writeMiddle(kCompleteAfter);
}

// ---- The first part ----

// One step: a step's worth of units (plus what the last one overspent).
bool FrameJob::step(bool doWork) {
  if (FirstPartDone()) return false;
  mBudget += mStepUnits;
  spendBudget(doWork);
  return true;
}

void FrameJob::spendBudget(bool doWork) {
  while (mBudget > 0 && !FirstPartDone()) {
    switch (mPhase) {
      case Phase::kForwardLayout: forwardLayout(doWork); break;
      case Phase::kForwardPairs: forwardPairs(doWork); break;
      case Phase::kBandWalk: bandWalk(doWork); break;
      case Phase::kInverseLayout: inverseLayout(doWork); break;
      case Phase::kInversePairs: inversePairs(doWork); break;
    }
  }
}

void FrameJob::charge(long units) {
  mBudget -= units;
  mSpentUnits += units;
}

// What every phase does: of its items [mCursor, end), as many as the budget
// pays for at `unitsPerItem` each (in multiples of `grain` but at the end),
// done by work(from, to) in one call and charged with the call's units.
// True once the phase's items are all done.
template <class Work>
bool FrameJob::spend(int end, long unitsPerItem, int grain, bool doWork, Work&& work) {
  assert(mBudget > 0 && mCursor < end && "a phase is entered only with items left");
  const int to = mCursor + ItemsFor(mBudget, unitsPerItem, grain, end - mCursor);
  if (doWork) work(mCursor, to);
  charge(CallUnits(to - mCursor, unitsPerItem));
  mCursor = to;
  return to == end;
}

void FrameJob::beginChannel(int channel) {
  mChannel = channel;
  mPhase = Phase::kForwardLayout;
  mStage = kN;
  mCursor = 0;
}

void FrameJob::forwardLayout(bool doWork) {
  const int L = Taps(mFilters);
  const bool done = spend(Benondelettes::ForwardInputLength(kN, L), mCosts->forwardLayout, 1, doWork,
                          [&](int from, int to) { wavelets().PrepareForward(frame(), kN, L, from, to); });
  if (!done) return;
  mPhase = Phase::kForwardPairs;
  mCursor = 0;
}

// Stage mStage's pairs; the last stage writes its approximations in place,
// the others into the next stage's layout.
void FrameJob::forwardPairs(bool doWork) {
  assert(mStage >= MinStage(mFilters));
  const int L = Taps(mFilters);
  const bool last = mStage == MinStage(mFilters);
  const bool done = spend(mStage / 2, mCosts->forwardPair, kPairGrain, doWork, [&](int from, int to) {
    if (mFilters)
      wavelets().ForwardOutputs(frame(), mStage, mFilters->h, mFilters->g, L, last, from, to);
    else
      wavelets().HaarForwardOutputs(frame(), mStage, last, from, to);
  });
  if (!done) return;
  if (last) {
    beginBand(mFirstEditedBand);
    return;
  }
  if (doWork) wavelets().FinishForwardStage(mStage, L);
  mStage /= 2;
  mCursor = 0;
}

// Bands edited (those starting above T) are walked from their start: a
// coefficient further than t from its predecessor as that now stands loses
// 40 dB; a band's first is compared with the previous frame's sample at the
// band's end.
void FrameJob::beginBand(int band) {
  if (band == kLevels) {
    beginInverseStage(MinStage(mFilters));
    return;
  }
  mPhase = Phase::kBandWalk;
  mBand = band;
  mCursor = BandBegin(band);
}

void FrameJob::bandWalk(bool doWork) {
  assert(mBand >= mFirstEditedBand && mBand < kLevels);
  double& reference = mReference[mChannel];
  if (doWork && mCursor == BandBegin(mBand)) reference = mOutputs[mChannel][BandEnd(mBand) - 1];
  const int end = mBand == kLastBand ? kLastBandFirstPartEnd : mNeed->walkEnd[mBand];
  const bool done = spend(end, mCosts->bandWalk, 1, doWork, [&](int from, int to) {
    reference = mWalk->walk(frame(), from, to, reference, mThreshold);
  });
  if (done) beginBand(mBand + 1);
}

FrameJob::Range FrameJob::neededPairs(int stage) const { return mNeed->pairs[Log2(stage)]; }

void FrameJob::beginInverseStage(int stage) {
  mPhase = Phase::kInverseLayout;
  mStage = stage;
  mCursor = neededPairs(stage).begin;
}

// The entries the stage's needed pairs read. The stage before the last is
// laid out here; its pairs and the last stage are the second part's.
void FrameJob::inverseLayout(bool doWork) {
  const int L = Taps(mFilters);
  const Range pairs = neededPairs(mStage);
  const bool done = spend(pairs.end + HalfTaps(mFilters) - 1, mCosts->inverseLayout, 1, doWork,
                          [&](int from, int to) { wavelets().PrepareInverse(frame(), mStage, L, from, to); });
  if (!done) return;
  if (mStage == kStageBeforeLast) {
    beginChannel(mChannel + 1);
    return;
  }
  mPhase = Phase::kInversePairs;
  mCursor = pairs.begin;
}

void FrameJob::inversePairs(bool doWork) {
  assert(mStage < kStageBeforeLast);
  const bool done = spend(neededPairs(mStage).end, mCosts->inversePair, kPairGrain, doWork,
                          [&](int from, int to) { inverseOutputs(mChannel, frame(), mStage, from, to); });
  if (done) beginInverseStage(mStage * 2);
}

void FrameJob::inverseOutputs(int ch, double* out, int stage, int from, int to, int buffers) {
  if (mFilters)
    mWavelets[ch].InverseOutputs(out, stage, mFilters->hInv, mFilters->gInv, mFilters->L, from, to, buffers);
  else
    mWavelets[ch].HaarInverseOutputs(out, stage, from, to, buffers);
}

// ---- The second part ----

// The last two inverse stages of both channels, after the rest: by
// `advances` samples after the wrap, the last stage's output pairs up to
// N/8 + (advances - N/4) (in multiples of kPairGrain), one pair per channel
// per sample, with what they read first: the last stage's entries (laid
// out in the second buffers, while the stage before still writes), which
// take the last band's details (walked on up to the last one read) and the
// a that the stage before's pairs write. The samples read by then are at
// positions below `advances`, whose pairs are below advances / 2 and so
// already written.
void FrameJob::writeMiddle(int advances) {
  assert(FirstPartDone() && advances >= kDeadline);
  const int lastTo = std::min(kMiddleEndPair, kMiddleFirstPair + RoundUp(advances - kDeadline, kPairGrain));
  if (lastTo > mLastPairsDone) {
    const int entriesTo = lastTo + HalfTaps(mFilters) - 1;  // entry t takes a[t - P + 1] and d[t - P + 1]
    const int walkTo =
        mFirstEditedBand <= kLastBand ? BandBegin(kLastBand) + RoundUp(lastTo, kLastBandWalkGrain) : mLastBandWalked;
    const int beforeTo = std::max(mBeforePairsDone, std::min((lastTo + 1) / 2, neededPairs(kStageBeforeLast).end));
    const int L = Taps(mFilters);
    for (int ch = 0; ch < kChannels; ++ch) {
      if (walkTo > mLastBandWalked)
        mReference[ch] = mWalk->walk(mFrames[ch], mLastBandWalked, walkTo, mReference[ch], mThreshold);
      if (beforeTo > mBeforePairsDone) inverseOutputs(ch, mFrames[ch], kStageBeforeLast, mBeforePairsDone, beforeTo);
      mWavelets[ch].PrepareInverse(mFrames[ch], kLastStage, L, mLastEntriesDone, entriesTo, 1);
      inverseOutputs(ch, mOutputs[ch], kLastStage, mLastPairsDone, lastTo, 1);
    }
    mSpentUnits += kChannels * (CallUnits(walkTo - mLastBandWalked, mCosts->bandWalk) +
                                CallUnits(beforeTo - mBeforePairsDone, mCosts->inversePair) +
                                CallUnits(entriesTo - mLastEntriesDone, mCosts->inverseLayout) +
                                CallUnits(lastTo - mLastPairsDone, mCosts->inversePair));
    mLastBandWalked = walkTo;
    mBeforePairsDone = beforeTo;
    mLastEntriesDone = entriesTo;
    mLastPairsDone = lastTo;
  }
  if (mLastPairsDone == kMiddleEndPair) mRunning = false;
}
