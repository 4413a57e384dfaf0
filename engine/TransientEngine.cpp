#include "engine/TransientEngine.h"

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
  if (nFrames > 0) {
    const double* inL = inputs[0];
    const double* inR = inputs[1];
    double* outL = outputs[0];
    double* outR = outputs[1];
    for (int n = 0; n < nFrames; ++n) {
      // Inputs are read first so that an output may alias its input.
      processSample(inL[n], inR[n], &outL[n], &outR[n]);
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

void TransientEngine::processSample(double inL, double inR, double* outL, double* outR) {
  constexpr auto relaxed = std::memory_order_relaxed;

  // 1. Smoothing of the three targets.
  const double sT = mSmoothers[0]->movav(mTransientTarget.load(relaxed));
  const double sR = mSmoothers[1]->movav(mResidualTarget.load(relaxed));
  const double sA = mSmoothers[2]->movav(mAmountTarget.load(relaxed));
  mSmoothed[0].store(sT, relaxed);
  mSmoothed[1].store(sR, relaxed);
  mSmoothed[2].store(sA, relaxed);

  // 2. Gain updates on exact change of a smoothed value.
  if (sT != mPrevSmoothedTransient) mHost->UpdateFader1();
  if (sR != mPrevSmoothedResidual) mHost->UpdateFader2();
  mPrevSmoothedTransient = sT;
  mPrevSmoothedResidual = sR;

  // 3. Wet signal: the processed frames at the current positions.
  const int p0 = mPosition[0];
  const int p1 = mPosition[1];
  double wetL = output(0, 0)[p0];
  double wetR = output(1, 0)[p0];
  if (p1 >= 0) {
    wetL += output(0, 1)[p1];
    wetR += output(1, 1)[p1];
  }

  // 4. Parts.
  double* dryL = dryLine(0);
  double* dryR = dryLine(1);
  const double gT = mTransientGain.load(relaxed);
  const double gR = mResidualGain.load(relaxed);
  const double transientL = (dryL[p0] - wetL) * gT * mPan[0].load(relaxed);
  const double transientR = (dryR[p0] - wetR) * gT * mPan[1].load(relaxed);
  const double residualL = gR * mPan[2].load(relaxed) * wetL;
  const double residualR = gR * mPan[3].load(relaxed) * wetR;

  // 5. Output with solo; transient solo wins when both are on.
  if (mTransientSolo.load(relaxed) > 0.5f) {
    *outL = transientL;
    *outR = transientR;
  } else if (mResidualSolo.load(relaxed) > 0.5f) {
    *outL = residualL;
    *outR = residualR;
  } else {
    *outL = transientL + residualL;
    *outR = transientR + residualR;
  }

  // 6. Meters see both parts whatever the solo state (in runs of samples).
  mMeterRun[0][mMeterRunLength] = transientL;
  mMeterRun[1][mMeterRunLength] = transientR;
  mMeterRun[2][mMeterRunLength] = residualL;
  mMeterRun[3][mMeterRunLength] = residualR;
  if (++mMeterRunLength == EngineHost::kMeterRun) flushMeterRun();

  // 7. Input storage.
  input(0, 0, mCollecting[0])[p0] = inL;
  dryL[p0] = inL;
  input(1, 0, mCollecting[0])[p0] = inR;
  dryR[p0] = inR;
  if (p1 >= 0) {
    input(0, 1, mCollecting[1])[p1] = inL;
    input(1, 1, mCollecting[1])[p1] = inR;
  }

  // 8. The running frame job's share of this sample, then the slot advance:
  // a wrapping slot's frames (channel 0, then 1) go to a new job.
  mJob.Advance();
  for (int s = 0; s < kSlots; ++s) {
    if (++mPosition[s] >= kFrameLength) {
      mPosition[s] = 0;
      startFrames(s);
    }
  }
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
