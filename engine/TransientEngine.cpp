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
      mWavelets(kFrameLength),
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

void TransientEngine::ProcessBlock(double** inputs, double** outputs, int nFrames,
                                   double sampleRate) {
  if (sampleRate != mLastSampleRate) {
    mLastSampleRate = sampleRate;
    mMeterFallPerSample = 24.0 / (0.08 * sampleRate);
    mHost->SetMeterSampleRate(sampleRate);
  }
  // Runs of samples in which no slot wraps or starts and the meters' run
  // does not fill: their positions move straight on, and the frame job's
  // share of a run's samples can be done before them (the job's work is
  // read only after it ends, N/4 samples after its wrap).
  for (int done = 0; done < nFrames;) {
    int k = nFrames - done;
    k = std::min(k, EngineHost::kMeterRun - mMeterRunLength);
    k = std::min(k, kFrameLength - mPosition[0]);
    k = std::min(k, mPosition[1] < 0 ? -mPosition[1] : kFrameLength - mPosition[1]);
    mJob.Advance(k);
    processRun(inputs[0] + done, inputs[1] + done, outputs[0] + done, outputs[1] + done, k);
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
}

void TransientEngine::flushMeterRun() {
  if (mMeterRunLength == 0) return;
  mHost->FeedMeterRun(mMeterRun[0], mMeterRun[1], mMeterRun[2], mMeterRun[3], mMeterRunLength);
  mMeterRunLength = 0;
}

// k samples, all at positions that move straight on (see ProcessBlock).
void TransientEngine::processRun(const double* inL, const double* inR, double* outL, double* outR, int k) {
  constexpr auto relaxed = std::memory_order_relaxed;
  MovAverage& transientSmoother = *mSmoothers[0];
  MovAverage& residualSmoother = *mSmoothers[1];
  MovAverage& amountSmoother = *mSmoothers[2];
  const int p0 = mPosition[0];
  const int p1 = mPosition[1];
  const bool slot1Plays = p1 >= 0;
  const double* wet0L = output(0, 0) + p0;
  const double* wet0R = output(1, 0) + p0;
  const double* wet1L = slot1Plays ? output(0, 1) + p1 : nullptr;
  const double* wet1R = slot1Plays ? output(1, 1) + p1 : nullptr;
  double* dryL = dryLine(0) + p0;
  double* dryR = dryLine(1) + p0;
  double* store0L = input(0, 0, mCollecting[0]) + p0;
  double* store0R = input(1, 0, mCollecting[0]) + p0;
  double* store1L = slot1Plays ? input(0, 1, mCollecting[1]) + p1 : nullptr;
  double* store1R = slot1Plays ? input(1, 1, mCollecting[1]) + p1 : nullptr;
  double* meterTL = mMeterRun[0] + mMeterRunLength;
  double* meterTR = mMeterRun[1] + mMeterRunLength;
  double* meterRL = mMeterRun[2] + mMeterRunLength;
  double* meterRR = mMeterRun[3] + mMeterRunLength;

  for (int i = 0; i < k; ++i) {
    // Inputs are read first so that an output may alias its input.
    const double xL = inL[i];
    const double xR = inR[i];

    // 1. Smoothing of the three targets.
    const double sT = transientSmoother.movav(mTransientTarget.load(relaxed));
    const double sR = residualSmoother.movav(mResidualTarget.load(relaxed));
    const double sA = amountSmoother.movav(mAmountTarget.load(relaxed));
    mSmoothed[0].store(sT, relaxed);
    mSmoothed[1].store(sR, relaxed);
    mSmoothed[2].store(sA, relaxed);

    // 2. Gain updates on exact change of a smoothed value.
    if (sT != mPrevSmoothedTransient) mHost->UpdateFader1();
    if (sR != mPrevSmoothedResidual) mHost->UpdateFader2();
    mPrevSmoothedTransient = sT;
    mPrevSmoothedResidual = sR;

    // 3. Wet signal: the processed frames at the current positions.
    double wetL = wet0L[i];
    double wetR = wet0R[i];
    if (slot1Plays) {
      wetL += wet1L[i];
      wetR += wet1R[i];
    }

    // 4. Parts.
    const double gT = mTransientGain.load(relaxed);
    const double gR = mResidualGain.load(relaxed);
    const double transientL = (dryL[i] - wetL) * gT * mPan[0].load(relaxed);
    const double transientR = (dryR[i] - wetR) * gT * mPan[1].load(relaxed);
    const double residualL = gR * mPan[2].load(relaxed) * wetL;
    const double residualR = gR * mPan[3].load(relaxed) * wetR;

    // 5. Output with solo; transient solo wins when both are on.
    if (mTransientSolo.load(relaxed) > 0.5f) {
      outL[i] = transientL;
      outR[i] = transientR;
    } else if (mResidualSolo.load(relaxed) > 0.5f) {
      outL[i] = residualL;
      outR[i] = residualR;
    } else {
      outL[i] = transientL + residualL;
      outR[i] = transientR + residualR;
    }

    // 6. Meters see both parts whatever the solo state (in runs of samples).
    meterTL[i] = transientL;
    meterTR[i] = transientR;
    meterRL[i] = residualL;
    meterRR[i] = residualR;

    // 7. Input storage.
    store0L[i] = xL;
    dryL[i] = xL;
    store0R[i] = xR;
    dryR[i] = xR;
    if (slot1Plays) {
      store1L[i] = xL;
      store1R[i] = xR;
    }
  }

  // 8. Slot advance (the wraps are the caller's).
  mMeterRunLength += k;
  mPosition[0] += k;
  mPosition[1] += k;
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
