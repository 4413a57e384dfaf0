#pragma once
// The frame work of one slot (both channels' frames, completed at the same
// sample), done in small steps over the samples that follow, instead of
// all inside the sample where the slot wraps.
//
// Why it can wait: a processed frame is read out from position 0 on, one
// position per sample, and its first quarter is the window's zeros; its
// first value that is not zero is read N/4 = 1024 samples after the wrap,
// and its value at position p, p samples after it. So the work (per
// channel: the forward transform, the band walk, the inverse transform,
// whose last stage writes the middle half straight into the slot's output
// buffer; of these, only what the middle half reads) is done in two parts.
// The first part, done in the first 1024 samples, runs through five phases
// per channel, each over items:
//   forward layout   the frame's entries laid out for the first stage,
//   forward pairs    each stage's output pairs, stage N down to the last,
//   band walk        each edited band's coefficients (of the last band,
//                    only those the entries before the middle read),
//   inverse layout   each stage's entries (only those its needed pairs read),
//   inverse pairs    each stage's needed output pairs,
// up to the layout of the stage before the last. The second part, in the
// next 1024 samples, writes the last stage's pairs, one per channel per
// sample, always ahead of the positions read, with what they read first:
// the last band walked on, the last stage's entries, the stage before's
// pairs. The other slot wraps 2048 samples after this one, when the job is
// over. The job takes the mode, the band threshold and the coefficient
// threshold as they stood at the wrap, and every number it computes is the
// one the one-call transforms compute, so the output is the same bit for
// bit, whatever the blocks.
//
// Pace: every item is priced in work units by the mode's cost table
// (FrameJob.cpp), and each call by a fixed number of them. The first part
// is cut into at most 128 steps of equal units (a step may cross from one
// stage or phase into the next), counted when it starts, and a fixed share
// of them is done per sample (Bresenham over the 1024 samples), so every
// 64 samples take as many steps; the second part's share is fixed per
// sample too. So the work never depends on how the host cuts blocks. The
// two parts are not equal: the first, which the first value read needs,
// holds most of a job's units (test_frame_job_pacing.cpp says how much).
//
// Audio thread only; no allocation.
#include "engine/BandWalk.h"
#include "engine/Benondelettes.h"

class FrameJob {
public:
  static constexpr int kFrameLength = 4096;
  static constexpr int kLevels = 12;
  static constexpr int kDeadline = kFrameLength / 4;       // first part, samples after the wrap
  static constexpr int kCompleteAfter = kFrameLength / 2;  // the whole job
  static constexpr double kAttenuation = band_walk::kAttenuation;

  FrameJob();
  FrameJob(const FrameJob&) = delete;
  FrameJob& operator=(const FrameJob&) = delete;

  // At the wrap. frames[ch]: the completed input frames, transformed in
  // place (untouched by anyone else until the job ends); outputs[ch]: the
  // slot's output buffers, holding the previous processed frame (whose
  // sample at a band's end is the band's first reference) until the job
  // writes positions [N/4, 3N/4) of the new one. mode 1 Haar, 2 Daubechies-4,
  // 3 biorthogonal 6.8 (nothing else); bandThreshold T; threshold
  // t = 1 - 0.99 sensitivity.
  void Start(double* const frames[2], double* const outputs[2], int mode, int bandThreshold, double threshold);
  // The shares of the next `samples` samples after the start: a fixed share
  // per sample, however the samples are grouped into calls. The job is
  // complete after kCompleteAfter samples.
  void Advance(int samples);
  // Does every remaining step now.
  void Finish();
  // Drops the job unfinished (its frames and outputs are cleared by the caller).
  void Cancel() { mRunning = false; }

  // What the pace is tested by, read between calls: the work units this
  // job has spent since Start, both parts, priced by the mode's cost
  // table, and whether its first part is over.
  long SpentUnits() const { return mSpentUnits; }
  bool FirstPartDone() const { return mChannel == kChannels; }

  struct Costs;  // work units per item of each phase

private:
  static constexpr int kChannels = 2;
  enum class Phase { kForwardLayout, kForwardPairs, kBandWalk, kInverseLayout, kInversePairs };
  struct Range {
    int begin, end;
  };
  // What the kept middle half needs of the inverse transform, per mode.
  struct NeededRanges {
    Range pairs[kLevels + 1];  // by log2 of the inverse stage's length
    int walkEnd[kLevels];      // by band: where its walk may stop
  };
  static NeededRanges FindNeededRanges(const Benondelettes::Filters* filters);
  // The pace of a job of one mode, by its first edited band: units per step
  // and how many steps the first part takes.
  struct Plan {
    long stepUnits = 0;
    int steps = 0;
  };
  struct Tables;
  const Tables& planEveryJob();
  Plan planJob(int mode, int firstEditedBand);
  Plan countSteps(long stepUnits);
  void configure(int mode, int firstEditedBand);

  // The first part: steps, each a budget of units spent on the phases in
  // order. With doWork false they only count (planning).
  bool step(bool doWork);
  void spendBudget(bool doWork);
  template <class Work>
  bool spend(int end, long unitsPerItem, int grain, bool doWork, Work&& work);
  void charge(long units);
  void forwardLayout(bool doWork);
  void forwardPairs(bool doWork);
  void bandWalk(bool doWork);
  void inverseLayout(bool doWork);
  void inversePairs(bool doWork);
  void beginChannel(int channel);
  void beginBand(int band);
  void beginInverseStage(int stage);
  Range neededPairs(int stage) const;
  double* frame() const { return mFrames[mChannel]; }
  Benondelettes& wavelets() { return mWavelets[mChannel]; }
  // Inverse stage `stage`'s output pairs [from, to) of channel ch into out.
  void inverseOutputs(int ch, double* out, int stage, int from, int to, int buffers = 0);

  // The second part, by `advances` samples after the wrap.
  void writeMiddle(int advances);

  // One per channel: a channel's last stages stay laid out while the other
  // channel's work goes on.
  Benondelettes mWavelets[kChannels] = {Benondelettes(kFrameLength), Benondelettes(kFrameLength)};
  const BandWalk* mWalk = band_walk::Best();
  const Tables* mTables = nullptr;  // the needed ranges and plans, shared

  // The job's settings, from Start.
  double* mFrames[kChannels] = {nullptr, nullptr};
  double* mOutputs[kChannels] = {nullptr, nullptr};
  const Benondelettes::Filters* mFilters = nullptr;  // null for Haar
  const Costs* mCosts = nullptr;                     // the mode's
  const NeededRanges* mNeed = nullptr;               // the mode's
  int mFirstEditedBand = 0;  // bands from this one up start above T
  double mThreshold = 1.0;

  // Where the first part stands (mChannel == kChannels: over).
  int mChannel = 0;
  Phase mPhase = Phase::kForwardLayout;
  int mStage = 0;  // the length of the stage being laid out or computed
  int mBand = 0;   // the band being walked
  int mCursor = 0; // the phase's next entry, pair or coefficient
  // Each channel's band walk's running reference (the last band's walk
  // goes on in the second part).
  double mReference[kChannels] = {0.0, 0.0};

  // Where the second part stands, both channels alike.
  int mLastPairsDone = 0;     // last stage: output pairs written
  int mLastEntriesDone = 0;   // last stage: entries laid out
  int mBeforePairsDone = 0;   // the stage before: output pairs written
  int mLastBandWalked = 0;    // last band: walked up to this coefficient

  // The pace.
  bool mRunning = false;
  long mStepUnits = 0;  // units per step
  long mBudget = 0;     // units the current step may still spend (negative: overspent)
  int mTotalSteps = 0;
  long mCredit = 0;     // Bresenham: mTotalSteps per sample, a step per kDeadline
  int mAdvances = 0;    // samples since the start
  long mSpentUnits = 0;
};
