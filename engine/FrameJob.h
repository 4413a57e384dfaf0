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
// buffer; of these, only what the middle half reads) is done in two parts:
// everything but the last two inverse stages' outputs in the first 1024
// samples, then those, one last-stage pair per channel per sample, in the
// next 1024, always ahead of the positions read. The other
// slot wraps 2048 samples after this one, when the job is over. The job
// takes the mode, the band threshold and the coefficient threshold as they
// stood at the wrap, and every number it computes is the one the one-call
// transforms compute, so the output is the same bit for bit, whatever the
// blocks.
//
// Pace: the first part is cut into steps of equal work (a step may cross
// from one stage or phase into the next), counted when it starts, and a
// fixed share of them is done per sample (Bresenham over the 1024 samples);
// the second part's share is fixed per sample too. So the work is spread
// evenly and never depends on how the host cuts blocks.
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

  struct Costs;

private:
  enum class Phase { kForwardInput, kForwardOutputs, kBands, kInverseInput, kInverseOutputs };

  // One step of the first part; false once it is over. With doWork false it
  // only counts.
  bool step(bool doWork);
  void advancePhases(bool doWork);
  long phaseWork(bool doWork);
  void writeMiddle(int advances);
  void rewind();
  void configure(int mode, int bandThreshold);
  static int skippedBands(int bandThreshold);
  void beginChannel();
  int stageL() const;  // taps of the current wavelet (0: Haar)
  int minStage() const;
  int halfTaps() const;  // P = L/2: pair p of an inverse stage reads entries [p, p + P)
  // Inverse stage n's output pairs [from, to) of channel ch into out.
  void inverseOutputs(int ch, double* out, int n, int from, int to, int buffers = 0);
  // The inverse stage's needed output pairs, [firstPair, endPair) (mStage is the stage's length).
  int firstPair() const;
  int endPair() const;
  struct NeededRanges {
    int pairFrom[kLevels + 1], pairTo[kLevels + 1];  // by log2 of the inverse stage's length
    int walkEnd[kLevels + 1];                        // by band: where its walk may stop
  };
  void findNeededRanges(NeededRanges& need) const;

  // One per channel: a channel's last stages stay laid out while the other
  // channel's work goes on.
  Benondelettes mWavelets[2] = {Benondelettes(kFrameLength), Benondelettes(kFrameLength)};
  const BandWalk* mWalk = band_walk::Best();
  double* mFrames[2] = {nullptr, nullptr};
  double* mOutputs[2] = {nullptr, nullptr};
  int mBandThreshold = 0;
  double mThreshold = 1.0;
  const Benondelettes::Filters* mFilters = nullptr;  // null for Haar
  const Costs* mCosts = nullptr;  // the mode's work units
  NeededRanges mNeeded[3];
  const NeededRanges* mNeed = nullptr;  // the mode's

  // Where the job stands.
  bool mRunning = false;
  int mChannel = 0;
  Phase mPhase = Phase::kForwardInput;
  int mStage = 0;    // the current stage's length
  int mCursor = 0;   // next entry, output pair or coefficient of the phase
  double mReference = 0.0;  // the band walk's running reference
  bool mBandStarted = false;  // the band mStage has taken its first reference
  // What writeMiddle has done, both channels alike: output pairs of the
  // last stage and of the one before, entries of the last stage laid out.
  int mMiddleWritten = 0;
  int mBeforeWritten = 0;
  int mLastLaidOut = 0;

  // Pace, from the plan of the job's mode and number of bands not edited.
  struct Plan {
    long stepUnits = 0;
    int steps = 0;
  };
  Plan mPlans[3][kLevels + 1];
  long mStepUnits = 0;  // work units per step
  long mBudget = 0;     // units the current step may still spend (negative: overspent)
  int mTotalSteps = 0;
  long mCredit = 0;
  int mAdvances = 0;
};
