#pragma once
// The transient/residual separation, sample by sample.
//
// Each channel is cut into frames of N = 4096 samples held in two slots
// offset by N/2. When a slot's position wraps, its frame (the last N inputs)
// is transformed with the mode's wavelet, the detail coefficients of the
// bands chosen by the amount fraction that jump away from their predecessor
// by more than 1 - 0.99 * sensitivity are attenuated by 40 dB, the frame is
// transformed back, and only its middle half is kept. During the next N
// samples the slot plays that frame back at the same positions. Exactly one
// slot contributes at every sample, so the wet (residual) path and the dry
// delay line both delay by N: transient = delayed dry - residual.
//
// The frame work is not done inside the sample where the slot wraps: the
// played frame starts with a quarter frame of zeros and each later value is
// read only at its own position, so a FrameJob spreads the work evenly over
// the N/2 samples that follow (until the other slot wraps), with the results
// the one-call work gives. Each slot collects its input in one of two buffers
// while the job transforms the other, and plays from a third, into whose
// middle half the job writes the new frame.
//
// Threads: ProcessBlock runs on the audio thread and takes no lock. The
// setters are called by parameter handling on any thread while a block may
// be running; every value they write is one atomic number that a later
// sample reads: the next one, or the next run of samples (at most 64 on)
// while the smoothed gains are settled, when gains, pans and solo are read
// once per run (relaxed order: no invariant spans two of them, except the
// two pan factors of one control, which may be seen half-updated for one
// sample or run).
#include <atomic>
#include <memory>
#include <vector>

#include "engine/Benondelettes.h"
#include "engine/EngineHost.h"
#include "engine/FrameJob.h"
#include "engine/MovAverage.h"

class TransientEngine {
public:
  static constexpr int kFrameLength = 4096;   // N
  static constexpr int kLevelCount = 12;      // log2 N
  static constexpr int kChannels = 2;
  static constexpr int kSlots = 2;
  static constexpr long kSmootherLength = 220;
  static constexpr double kAttenuation = FrameJob::kAttenuation;  // -40 dB

  enum Mode { kModeHaar = 1, kModeDaub4 = 2, kModeBior68 = 3 };

  // host may be null (nothing is driven); it must outlive the engine.
  explicit TransientEngine(EngineHost* host = nullptr);
  TransientEngine(const TransientEngine&) = delete;
  TransientEngine& operator=(const TransientEngine&) = delete;

  // Audio thread. inputs[0..1] and outputs[0..1] each hold nFrames samples;
  // an output may share memory with the input of the same channel. parts,
  // when not null, holds four more arrays of nFrames samples (transient L/R,
  // residual L/R) that receive each part as it enters the output: after its
  // gain and pan, and silent while the other part is soloed. The output is
  // their sum, added as always, so it is the same with or without them.
  // Parts must not share memory with the inputs.
  void ProcessBlock(double** inputs, double** outputs, int nFrames, double sampleRate,
                    double* const* parts = nullptr);
  // The same, with the parts written as floats: each sample is the double
  // part rounded once, which is what a float host gets from the double one,
  // without a second pass over the parts (a host's own buffers).
  void ProcessBlock(double** inputs, double** outputs, int nFrames, double sampleRate, float* const* parts);
  // Audio thread, between blocks, after a host's reset (a locate): the
  // engine drops every sample from before it and stands where a new engine
  // stands after N samples of silence with the settings in force: every
  // buffer silent, slot 0 just wrapped and slot 1 half way, the smoothers
  // settled on their targets and the gains updated from them. An engine that
  // has processed no audio since it was made or last flushed is left as it is.
  void Flush();

  // Parameter handling (any thread).
  // Modes other than the three are ignored: the mode in force stays.
  void SetMode(int mode) {
    if (mode >= kModeHaar && mode <= kModeBior68) mMode.store(mode, std::memory_order_relaxed);
  }
  void SetTransientGain(double g) { mTransientGain.store(g, std::memory_order_relaxed); }
  void SetResidualGain(double g) { mResidualGain.store(g, std::memory_order_relaxed); }
  void SetTransientPan(double left, double right);
  void SetResidualPan(double left, double right);
  void SetTransientSolo(float flag) { mTransientSolo.store(flag, std::memory_order_relaxed); }
  void SetResidualSolo(float flag) { mResidualSolo.store(flag, std::memory_order_relaxed); }
  void SetSensitivity(double s) { mSensitivity.store(s, std::memory_order_relaxed); }
  void SetTransientTarget(double v) { mTransientTarget.store(v, std::memory_order_relaxed); }
  void SetResidualTarget(double v) { mResidualTarget.store(v, std::memory_order_relaxed); }
  void SetAmountTarget(double f) { mAmountTarget.store(f, std::memory_order_relaxed); }

  int GetMode() const { return mMode.load(std::memory_order_relaxed); }
  double TransientGain() const { return mTransientGain.load(std::memory_order_relaxed); }
  double ResidualGain() const { return mResidualGain.load(std::memory_order_relaxed); }
  double TransientPanLeft() const { return mPan[0].load(std::memory_order_relaxed); }
  double TransientPanRight() const { return mPan[1].load(std::memory_order_relaxed); }
  double ResidualPanLeft() const { return mPan[2].load(std::memory_order_relaxed); }
  double ResidualPanRight() const { return mPan[3].load(std::memory_order_relaxed); }
  float TransientSolo() const { return mTransientSolo.load(std::memory_order_relaxed); }
  float ResidualSolo() const { return mResidualSolo.load(std::memory_order_relaxed); }
  double Sensitivity() const { return mSensitivity.load(std::memory_order_relaxed); }
  double AmountTarget() const { return mAmountTarget.load(std::memory_order_relaxed); }

  // Smoothed values as of the last processed sample (read by the gain updates).
  double SmoothedTransient() const { return mSmoothed[0].load(std::memory_order_relaxed); }
  double SmoothedResidual() const { return mSmoothed[1].load(std::memory_order_relaxed); }
  double SmoothedAmount() const { return mSmoothed[2].load(std::memory_order_relaxed); }

  // Audio-thread state, for tests and the host's inspection.
  int SlotPosition(int slot) const { return mPosition[slot]; }
  double MeterFallPerSample() const { return mMeterFallPerSample; }

  // The band threshold T for an amount fraction: trunc(N - N * fraction).
  static int BandThreshold(double amountFraction);

private:
  double* input(int ch, int slot, int buffer) { return &mInputs[((ch * kSlots + slot) * 2 + buffer) * kFrameLength]; }
  double* output(int ch, int slot) { return &mOutputs[(ch * kSlots + slot) * kFrameLength]; }
  double* dryLine(int ch) { return &mDry[ch * kFrameLength]; }

  // Where a run's samples go and come from: the processed frames being
  // played (slot 1's null before it first plays), the dry line, the input
  // buffers collecting, the meters' run.
  struct RunBuffers {
    const double* wet[2][2];  // [slot][channel]
    double* dry[2];
    double* store[2][2];      // [slot][channel]
    double* meter[4];         // transient L/R, residual L/R
    double* parts[4];         // transient L/R, residual L/R; null: not wanted as doubles
    float* floatParts[4];     // the same as floats; null: not wanted as floats
  };
  // A block's part arrays: at most one of the two is not null.
  struct PartArrays {
    double* const* doubles;
    float* const* floats;
  };
  void processBlock(double** inputs, double** outputs, int nFrames, double sampleRate, PartArrays parts);
  RunBuffers runBuffers(PartArrays parts, int offset);
  void processRun(const double* inL, const double* inR, double* outL, double* outR, PartArrays parts,
                  int offset, int k);
  void smoothAmount(int k);
  bool gainSmoothersSettled() const;
  void processMovingRun(const RunBuffers& b, const double* inL, const double* inR, double* outL, double* outR,
                        int k);
  void processSettledRun(const RunBuffers& b, const double* inL, const double* inR, double* outL, double* outR,
                         int k);
  void startFrames(int slot);
  void flushMeterRun();
  void settleSmoothers();

  EngineHost* mHost;

  // Set by parameter handling, read by the audio thread.
  std::atomic<int> mMode{kModeHaar};
  std::atomic<double> mTransientGain{1.0};
  std::atomic<double> mResidualGain{1.0};
  std::atomic<double> mPan[4] = {{1.0}, {1.0}, {1.0}, {1.0}};  // transient L/R, residual L/R
  std::atomic<float> mTransientSolo{0.0f};
  std::atomic<float> mResidualSolo{0.0f};
  std::atomic<double> mSensitivity{0.0};
  std::atomic<double> mTransientTarget{0.0};
  std::atomic<double> mResidualTarget{0.0};
  std::atomic<double> mAmountTarget{0.0};
  std::atomic<double> mSmoothed[3] = {{0.0}, {0.0}, {0.0}};  // transient, residual, amount

  // Audio thread only.
  std::unique_ptr<MovAverage> mSmoothers[3];
  double mPrevSmoothedTransient = 0.0;
  double mPrevSmoothedResidual = 0.0;
  double mLastSampleRate = -1.0;
  bool mHasAudio = false;  // a sample processed since construction or the last Flush
  double mMeterFallPerSample = 0.0;
  int mPosition[kSlots] = {0, -kFrameLength / 2};
  int mCollecting[kSlots] = {0, 0};  // which input buffer of each slot collects
  // The parts of the samples not yet handed to the meters.
  double mMeterRun[4][EngineHost::kMeterRun] = {};
  int mMeterRunLength = 0;
  FrameJob mJob;
  AlignedDoubles mInputs;   // [channel][slot][buffer][position]: the last N inputs
  AlignedDoubles mOutputs;  // [channel][slot][position]: the processed frame being played
  AlignedDoubles mDry;      // [channel][position], indexed by slot 0's position
};
