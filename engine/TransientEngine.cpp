#include "engine/TransientEngine.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Stands in when the engine runs without meters or faders.
class NullEngineHost final : public EngineHost {
public:
  void UpdateFader1() override {}
  void UpdateFader2() override {}
  void FeedMeters(double, double, double, double) override {}
  void LowerMeters(double) override {}
  void SetMeterSampleRate(double) override {}
};

NullEngineHost gNullHost;

constexpr int kN = TransientEngine::kFrameLength;

}  // namespace

TransientEngine::TransientEngine(EngineHost* host)
    : mHost(host ? host : &gNullHost),
      mInputs(kChannels * kSlots * 2 * kFrameLength, 0.0),
      mOutputs(kChannels * kSlots * kFrameLength, 0.0),
      mDry(kChannels * kFrameLength, 0.0) {
  for (auto& s : mSmoothers) s = std::make_unique<MovAverage>(kSmootherLength, 0.0);
}

void TransientEngine::SetTransientPan(double left, double right) {
  mPan[0].store(left, std::memory_order_relaxed);
  mPan[1].store(right, std::memory_order_relaxed);
}

void TransientEngine::SetResidualPan(double left, double right) {
  mPan[2].store(left, std::memory_order_relaxed);
  mPan[3].store(right, std::memory_order_relaxed);
}

int TransientEngine::BandThreshold(double amountFraction) {
  return static_cast<int>(kN - kN * amountFraction);
}

void TransientEngine::ProcessBlock(double** inputs, double** outputs, int nFrames, double sampleRate,
                                   double* const* parts) {
  processBlock(inputs, outputs, nFrames, sampleRate, PartArrays{parts, nullptr});
}

void TransientEngine::ProcessBlock(double** inputs, double** outputs, int nFrames, double sampleRate,
                                   float* const* parts) {
  processBlock(inputs, outputs, nFrames, sampleRate, PartArrays{nullptr, parts});
}

void TransientEngine::processBlock(double** inputs, double** outputs, int nFrames, double sampleRate,
                                   PartArrays parts) {
  if (sampleRate != mLastSampleRate) {
    mLastSampleRate = sampleRate;
    mMeterFallPerSample = 24.0 / (0.08 * sampleRate);
    mHost->SetMeterSampleRate(sampleRate);
  }
  // Runs of samples in which no slot wraps or starts and the meters' run
  // does not fill: their positions move straight on, and the frame job's
  // share of a run's samples is done before them (it must be: the job
  // writes the positions the run reads just ahead of them).
  for (int done = 0; done < nFrames;) {
    int k = nFrames - done;
    k = std::min(k, EngineHost::kMeterRun - mMeterRunLength);
    k = std::min(k, kFrameLength - mPosition[0]);
    k = std::min(k, mPosition[1] < 0 ? -mPosition[1] : kFrameLength - mPosition[1]);
    mJob.Advance(k);
    processRun(inputs[0] + done, inputs[1] + done, outputs[0] + done, outputs[1] + done, parts, done, k);
    done += k;
    if (mMeterRunLength == EngineHost::kMeterRun) flushMeterRun();
    // A wrapping slot's frames (channel 0, then 1) go to a new job.
    for (int s = 0; s < kSlots; ++s) {
      if (mPosition[s] >= kFrameLength) {
        mPosition[s] = 0;
        startFrames(s);
      }
    }
  }
  flushMeterRun();
  mHost->LowerMeters((nFrames > 0 ? nFrames : 0) * mMeterFallPerSample);
  if (nFrames > 0) mHasAudio = true;
}

void TransientEngine::Flush() {
  if (!mHasAudio) return;
  mHasAudio = false;
  mJob.Cancel();
  std::fill(mInputs.begin(), mInputs.end(), 0.0);
  std::fill(mOutputs.begin(), mOutputs.end(), 0.0);
  std::fill(mDry.begin(), mDry.end(), 0.0);
  // N samples from the start, slot 0 has just wrapped into its other input
  // buffer; slot 1, which starts N/2 late, is half way through its first.
  mPosition[0] = 0;
  mPosition[1] = kFrameLength / 2;
  mCollecting[0] = 1;
  mCollecting[1] = 0;
  mMeterRunLength = 0;
  settleSmoothers();
}

// Each smoother as a new one is after N samples of its target: pushed from
// silence until a push changes nothing more (pushes the processing would
// skip), at most N times.
void TransientEngine::settleSmoothers() {
  constexpr auto relaxed = std::memory_order_relaxed;
  const double targets[3] = {mTransientTarget.load(relaxed), mResidualTarget.load(relaxed),
                             mAmountTarget.load(relaxed)};
  for (int s = 0; s < 3; ++s) {
    MovAverage& smoother = *mSmoothers[s];
    smoother.resume(0.0);
    for (int i = 0; i < kFrameLength && !smoother.IsSettledAt(targets[s]); ++i) smoother.movav(targets[s]);
    mSmoothed[s].store(smoother.getLastValue(), relaxed);
  }
  mPrevSmoothedTransient = mSmoothers[0]->getLastValue();
  mPrevSmoothedResidual = mSmoothers[1]->getLastValue();
  mHost->UpdateFader1();
  mHost->UpdateFader2();
}

void TransientEngine::flushMeterRun() {
  if (mMeterRunLength == 0) return;
  mHost->FeedMeterRun(mMeterRun[0], mMeterRun[1], mMeterRun[2], mMeterRun[3], mMeterRunLength);
  mMeterRunLength = 0;
}

TransientEngine::RunBuffers TransientEngine::runBuffers(PartArrays parts, int offset) {
  const int p0 = mPosition[0];
  const int p1 = mPosition[1];
  const bool slot1Plays = p1 >= 0;
  RunBuffers b;
  for (int ch = 0; ch < 2; ++ch) {
    b.wet[0][ch] = output(ch, 0) + p0;
    b.wet[1][ch] = slot1Plays ? output(ch, 1) + p1 : nullptr;
    b.dry[ch] = dryLine(ch) + p0;
    b.store[0][ch] = input(ch, 0, mCollecting[0]) + p0;
    b.store[1][ch] = slot1Plays ? input(ch, 1, mCollecting[1]) + p1 : nullptr;
  }
  for (int m = 0; m < 4; ++m) {
    b.meter[m] = mMeterRun[m] + mMeterRunLength;
    b.parts[m] = parts.doubles ? parts.doubles[m] + offset : nullptr;
    b.floatParts[m] = parts.floats ? parts.floats[m] + offset : nullptr;
  }
  return b;
}

// k samples, all at positions that move straight on (see ProcessBlock).
void TransientEngine::processRun(const double* inL, const double* inR, double* outL, double* outR,
                                 PartArrays parts, int offset, int k) {
  const RunBuffers buffers = runBuffers(parts, offset);
  smoothAmount(k);
  if (gainSmoothersSettled())
    processSettledRun(buffers, inL, inR, outL, outR, k);
  else
    processMovingRun(buffers, inL, inR, outL, outR, k);
  // Slot advance (the wraps are the caller's).
  mMeterRunLength += k;
  mPosition[0] += k;
  mPosition[1] += k;
}

// The smoothed amount is read only where a slot wraps, which ends a run,
// and by the editor, so the run's samples are smoothed on their own chain
// and only the last value is published.
void TransientEngine::smoothAmount(int k) {
  constexpr auto relaxed = std::memory_order_relaxed;
  MovAverage& smoother = *mSmoothers[2];
  if (smoother.IsSettledAt(mAmountTarget.load(relaxed))) {
    mSmoothed[2].store(smoother.getLastValue(), relaxed);
    return;
  }
  double smoothed = 0.0;
  for (int i = 0; i < k; ++i) smoothed = smoother.movav(mAmountTarget.load(relaxed));
  if (k > 0) mSmoothed[2].store(smoothed, relaxed);
}

// True when the transient and residual smoothers would give their current
// means for every sample of the run, with no gain update due: neither
// target moves. (A target moved by another thread during the run is taken
// at the next.)
bool TransientEngine::gainSmoothersSettled() const {
  constexpr auto relaxed = std::memory_order_relaxed;
  if (!mSmoothers[0]->IsSettledAt(mTransientTarget.load(relaxed))) return false;
  if (!mSmoothers[1]->IsSettledAt(mResidualTarget.load(relaxed))) return false;
  // The last pushes left these equal; kept as a guard for anything that
  // would move a smoother without them.
  return mSmoothers[0]->getLastValue() == mPrevSmoothedTransient &&
         mSmoothers[1]->getLastValue() == mPrevSmoothedResidual;
}

namespace {

// Sample i of each part, into the double arrays if there are any, else
// into the float ones (rounded once).
inline void WritePartSample(double* const doubles[4], float* const floats[4], int i, double transientL,
                            double transientR, double residualL, double residualR) {
  if (doubles[0]) {
    doubles[0][i] = transientL;
    doubles[1][i] = transientR;
    doubles[2][i] = residualL;
    doubles[3][i] = residualR;
  } else {
    floats[0][i] = static_cast<float>(transientL);
    floats[1][i] = static_cast<float>(transientR);
    floats[2][i] = static_cast<float>(residualL);
    floats[3][i] = static_cast<float>(residualR);
  }
}

}  // namespace

// The pipeline one sample at a time while a smoothed value may move.
void TransientEngine::processMovingRun(const RunBuffers& b, const double* inL, const double* inR, double* outL,
                                       double* outR, int k) {
  constexpr auto relaxed = std::memory_order_relaxed;
  MovAverage& transientSmoother = *mSmoothers[0];
  MovAverage& residualSmoother = *mSmoothers[1];
  const bool slot1Plays = b.wet[1][0] != nullptr;

  for (int i = 0; i < k; ++i) {
    // Inputs are read first so that an output may alias its input.
    const double xL = inL[i];
    const double xR = inR[i];

    // 1. Smoothing of the gain targets (the amount's is smoothAmount's).
    const double sT = transientSmoother.movav(mTransientTarget.load(relaxed));
    const double sR = residualSmoother.movav(mResidualTarget.load(relaxed));
    mSmoothed[0].store(sT, relaxed);
    mSmoothed[1].store(sR, relaxed);

    // 2. Gain updates on exact change of a smoothed value.
    if (sT != mPrevSmoothedTransient) mHost->UpdateFader1();
    if (sR != mPrevSmoothedResidual) mHost->UpdateFader2();
    mPrevSmoothedTransient = sT;
    mPrevSmoothedResidual = sR;

    // 3. Wet signal: the processed frames at the current positions.
    double wetL = b.wet[0][0][i];
    double wetR = b.wet[0][1][i];
    if (slot1Plays) {
      wetL += b.wet[1][0][i];
      wetR += b.wet[1][1][i];
    }

    // 4. Parts.
    const double gT = mTransientGain.load(relaxed);
    const double gR = mResidualGain.load(relaxed);
    const double transientL = (b.dry[0][i] - wetL) * gT * mPan[0].load(relaxed);
    const double transientR = (b.dry[1][i] - wetR) * gT * mPan[1].load(relaxed);
    const double residualL = gR * mPan[2].load(relaxed) * wetL;
    const double residualR = gR * mPan[3].load(relaxed) * wetR;

    // 5. Output with solo; transient solo wins when both are on.
    const bool transientSolo = mTransientSolo.load(relaxed) > 0.5f;
    const bool residualSolo = !transientSolo && mResidualSolo.load(relaxed) > 0.5f;
    if (transientSolo) {
      outL[i] = transientL;
      outR[i] = transientR;
    } else if (residualSolo) {
      outL[i] = residualL;
      outR[i] = residualR;
    } else {
      outL[i] = transientL + residualL;
      outR[i] = transientR + residualR;
    }
    // Each part as it entered the output.
    if (b.parts[0] || b.floatParts[0])
      WritePartSample(b.parts, b.floatParts, i, residualSolo ? 0.0 : transientL, residualSolo ? 0.0 : transientR,
                      transientSolo ? 0.0 : residualL, transientSolo ? 0.0 : residualR);

    // 6. Meters see both parts whatever the solo state (in runs of samples).
    b.meter[0][i] = transientL;
    b.meter[1][i] = transientR;
    b.meter[2][i] = residualL;
    b.meter[3][i] = residualR;

    // 7. Input storage.
    b.store[0][0][i] = xL;
    b.dry[0][i] = xL;
    b.store[0][1][i] = xR;
    b.dry[1][i] = xR;
    if (slot1Plays) {
      b.store[1][0][i] = xL;
      b.store[1][1][i] = xR;
    }
  }
}

namespace {

// The settled run's samples, the same arithmetic as the moving run's with
// the gains, pans and solo of the run's start. Slot1Plays, the solo and
// whether and how the parts are wanted are template arguments so that each
// loop is straight and vectorizes. Each sample touches only its own index
// everywhere, so an output may be its input (ivdep: no sample depends on
// another's).
enum class Solo { kNone, kTransient, kResidual };
enum class PartForm { kNone, kDouble, kFloat };

// transient = (dry - wet) * gT * pan; residual = (gR * pan) * wet.
struct SettledGains {
  double transientGain;
  double transientPan[2];
  double residualGainPan[2];
};

// Where a settled run's parts go: the engine's RunBuffers arrays.
struct SettledParts {
  double* const* doubles;
  float* const* floats;
};

template <bool kSlot1Plays, Solo kSolo, PartForm kParts>
void SettledSamples(const double* const wet[2][2], double* const dry[2], double* const store[2][2],
                    double* const meter[4], SettledParts parts, const SettledGains& g, const double* inL,
                    const double* inR, double* outL, double* outR, int k) {
  const double *wet0L = wet[0][0], *wet0R = wet[0][1], *wet1L = wet[1][0], *wet1R = wet[1][1];
  double *dryL = dry[0], *dryR = dry[1];
  double *store0L = store[0][0], *store0R = store[0][1], *store1L = store[1][0], *store1R = store[1][1];
  double *meterTL = meter[0], *meterTR = meter[1], *meterRL = meter[2], *meterRR = meter[3];
  double *partTL = parts.doubles[0], *partTR = parts.doubles[1], *partRL = parts.doubles[2],
         *partRR = parts.doubles[3];
  float *floatTL = parts.floats[0], *floatTR = parts.floats[1], *floatRL = parts.floats[2],
        *floatRR = parts.floats[3];
#if defined(__clang__)
#pragma clang loop vectorize(assume_safety)
#else
#pragma GCC ivdep
#endif
  for (int i = 0; i < k; ++i) {
    const double xL = inL[i];
    const double xR = inR[i];
    double wetL = wet0L[i];
    double wetR = wet0R[i];
    if constexpr (kSlot1Plays) {
      wetL += wet1L[i];
      wetR += wet1R[i];
    }
    const double transientL = (dryL[i] - wetL) * g.transientGain * g.transientPan[0];
    const double transientR = (dryR[i] - wetR) * g.transientGain * g.transientPan[1];
    const double residualL = g.residualGainPan[0] * wetL;
    const double residualR = g.residualGainPan[1] * wetR;
    if constexpr (kSolo == Solo::kTransient) {
      outL[i] = transientL;
      outR[i] = transientR;
    } else if constexpr (kSolo == Solo::kResidual) {
      outL[i] = residualL;
      outR[i] = residualR;
    } else {
      outL[i] = transientL + residualL;
      outR[i] = transientR + residualR;
    }
    // Each part as it entered the output: silent when the other is soloed.
    if constexpr (kParts == PartForm::kDouble) {
      partTL[i] = kSolo == Solo::kResidual ? 0.0 : transientL;
      partTR[i] = kSolo == Solo::kResidual ? 0.0 : transientR;
      partRL[i] = kSolo == Solo::kTransient ? 0.0 : residualL;
      partRR[i] = kSolo == Solo::kTransient ? 0.0 : residualR;
    } else if constexpr (kParts == PartForm::kFloat) {
      floatTL[i] = static_cast<float>(kSolo == Solo::kResidual ? 0.0 : transientL);
      floatTR[i] = static_cast<float>(kSolo == Solo::kResidual ? 0.0 : transientR);
      floatRL[i] = static_cast<float>(kSolo == Solo::kTransient ? 0.0 : residualL);
      floatRR[i] = static_cast<float>(kSolo == Solo::kTransient ? 0.0 : residualR);
    }
    meterTL[i] = transientL;
    meterTR[i] = transientR;
    meterRL[i] = residualL;
    meterRR[i] = residualR;
    store0L[i] = xL;
    dryL[i] = xL;
    store0R[i] = xR;
    dryR[i] = xR;
    if constexpr (kSlot1Plays) {
      store1L[i] = xL;
      store1R[i] = xR;
    }
  }
}

// The loop for a run: whether slot 1 plays, the solo, whether and how the
// parts are wanted.
template <Solo kSolo, PartForm kParts>
auto SettledLoop(bool slot1Plays) {
  return slot1Plays ? SettledSamples<true, kSolo, kParts> : SettledSamples<false, kSolo, kParts>;
}

template <Solo kSolo>
auto SettledLoop(bool slot1Plays, PartForm parts) {
  return parts == PartForm::kDouble  ? SettledLoop<kSolo, PartForm::kDouble>(slot1Plays)
         : parts == PartForm::kFloat ? SettledLoop<kSolo, PartForm::kFloat>(slot1Plays)
                                     : SettledLoop<kSolo, PartForm::kNone>(slot1Plays);
}

}  // namespace

// The gain smoothers are settled: their smoothed values stay as they are,
// no gain update is due, and the gains, pans and solo are read once for the
// run.
void TransientEngine::processSettledRun(const RunBuffers& b, const double* inL, const double* inR, double* outL,
                                        double* outR, int k) {
  constexpr auto relaxed = std::memory_order_relaxed;
  for (int s = 0; s < 2; ++s) mSmoothed[s].store(mSmoothers[s]->getLastValue(), relaxed);
  const double gR = mResidualGain.load(relaxed);
  SettledGains g;
  g.transientGain = mTransientGain.load(relaxed);
  g.transientPan[0] = mPan[0].load(relaxed);
  g.transientPan[1] = mPan[1].load(relaxed);
  g.residualGainPan[0] = gR * mPan[2].load(relaxed);
  g.residualGainPan[1] = gR * mPan[3].load(relaxed);
  const Solo solo = mTransientSolo.load(relaxed) > 0.5f  ? Solo::kTransient
                    : mResidualSolo.load(relaxed) > 0.5f ? Solo::kResidual
                                                         : Solo::kNone;
  const bool slot1Plays = b.wet[1][0] != nullptr;
  const PartForm parts = b.parts[0]        ? PartForm::kDouble
                         : b.floatParts[0] ? PartForm::kFloat
                                           : PartForm::kNone;
  auto loop = solo == Solo::kTransient  ? SettledLoop<Solo::kTransient>(slot1Plays, parts)
              : solo == Solo::kResidual ? SettledLoop<Solo::kResidual>(slot1Plays, parts)
                                        : SettledLoop<Solo::kNone>(slot1Plays, parts);
  loop(b.wet, b.dry, b.store, b.meter, SettledParts{b.parts, b.floatParts}, g, inL, inR, outL, outR, k);
}

// The frames take the mode, the band threshold and the coefficient
// threshold as they stand at this sample; the slot collects its next frame
// in its other input buffer meanwhile.
void TransientEngine::startFrames(int slot) {
  const int full = mCollecting[slot];
  mCollecting[slot] = 1 - full;
  double* const frames[2] = {input(0, slot, full), input(1, slot, full)};
  double* const outputs[2] = {output(0, slot), output(1, slot)};
  mJob.Start(frames, outputs, mMode.load(std::memory_order_relaxed),
             BandThreshold(mSmoothed[2].load(std::memory_order_relaxed)),
             1.0 - 0.99 * mSensitivity.load(std::memory_order_relaxed));
}
