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
      mFrames(kChannels * kSlots * kFrameLength, 0.0),
      mDry(kChannels * kFrameLength, 0.0),
      mLastFrames(kChannels * kSlots * kFrameLength, 0.0) {
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
  mHost->LowerMeters((nFrames > 0 ? nFrames : 0) * mMeterFallPerSample);
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
  double* f00 = frame(0, 0);
  double* f10 = frame(1, 0);
  double wetL = f00[p0];
  double wetR = f10[p0];
  if (p1 >= 0) {
    wetL += frame(0, 1)[p1];
    wetR += frame(1, 1)[p1];
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

  // 6. Meters see both parts whatever the solo state.
  mHost->FeedMeters(transientL, transientR, residualL, residualR);

  // 7. Input storage.
  f00[p0] = inL;
  dryL[p0] = inL;
  f10[p0] = inR;
  dryR[p0] = inR;
  if (p1 >= 0) {
    frame(0, 1)[p1] = inL;
    frame(1, 1)[p1] = inR;
  }

  // 8. Slot advance; a wrapping slot processes its frames, channel 0 first.
  for (int s = 0; s < kSlots; ++s) {
    if (++mPosition[s] >= kFrameLength) {
      mPosition[s] = 0;
      processFrame(0, s);
      processFrame(1, s);
    }
  }
}

void TransientEngine::processFrame(int ch, int slot) {
  double* w = frame(ch, slot);
  const int mode = mMode.load(std::memory_order_relaxed);
  switch (mode) {
    case kModeHaar: mWavelets.haar(w, kLevelCount); break;
    case kModeDaub4: mWavelets.daub4(w, kLevelCount); break;
    case kModeBior68: mWavelets.bio68(w, kLevelCount); break;
    default: break;
  }

  double* previous = lastFrame(ch, slot);
  editBands(w, previous);

  switch (mode) {
    case kModeHaar: mWavelets.haar_inv(w, kLevelCount); break;
    case kModeDaub4: mWavelets.daub4_inv(w, kLevelCount); break;
    case kModeBior68: mWavelets.bio68_inv(w, kLevelCount); break;
    default: break;
  }

  // Middle-half window: only samples N/4 .. 3N/4 - 1 are kept, no taper.
  std::memset(w, 0, sizeof(double) * (kN / 4));
  std::memset(w + 3 * kN / 4, 0, sizeof(double) * (kN / 4));

  std::memcpy(previous, w, sizeof(double) * kN);
}

// Bands are [0, 1) and [2^j, 2^(j+1)) for j = 1 .. 11; a band is edited only
// when its start lies above T. Within a band each coefficient is compared
// with its predecessor as it now stands (after any attenuation); the first
// one is compared with the previous output frame's sample at (band end - 1).
void TransientEngine::editBands(double* w, const double* previous) {
  const int T = BandThreshold(mSmoothed[2].load(std::memory_order_relaxed));
  const double t = 1.0 - 0.99 * mSensitivity.load(std::memory_order_relaxed);
  for (int j = 0; j < kLevelCount; ++j) {
    const int a = j == 0 ? 0 : 1 << j;
    const int b = j == 0 ? 1 : a << 1;
    if (a <= T) continue;
    double r = previous[b - 1];
    for (int i = a; i < b; ++i) {
      if (std::fabs(w[i] - r) > t) w[i] *= kAttenuation;
      r = w[i];
    }
  }
}
