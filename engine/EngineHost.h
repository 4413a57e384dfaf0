#pragma once
// What the transient engine drives outside itself: the two gain-update
// operations and the four level meters of the editor. The plug-in class
// implements it with its faders and meters; tests stand in with recorders.
//
// Every call is made on the audio thread, from inside TransientEngine::ProcessBlock.
class EngineHost {
public:
  virtual ~EngineHost() = default;

  // The smoothed "Transient" / "Residual" value moved: recompute that gain
  // (TransientEngine::SetTransientGain / SetResidualGain) and its fader text.
  virtual void UpdateFader1() = 0;
  virtual void UpdateFader2() = 0;

  // One output sample's parts, for the meters: the transient peak meter and
  // clip overlay get (transientL, transientR), then the residual ones get
  // (residualL, residualR). Called for every sample whatever the solo state.
  virtual void FeedMeters(double transientL, double transientR, double residualL,
                          double residualR) = 0;

  // The same for n consecutive samples at once (n <= kMeterRun), in order:
  // the engine hands its samples over in such runs, every one of a block
  // before the block's LowerMeters. A meter whose result depends only on
  // the run's largest magnitude and its last sample can take it whole; by
  // default each sample goes to FeedMeters.
  static constexpr int kMeterRun = 64;
  virtual void FeedMeterRun(const double* transientL, const double* transientR, const double* residualL,
                            const double* residualR, int n) {
    for (int i = 0; i < n; ++i) FeedMeters(transientL[i], transientR[i], residualL[i], residualR[i]);
  }

  // Block end: lower the held levels of both peak meters by `dB`, then mark
  // the transient overlay, residual overlay, transient meter and residual
  // meter dirty, in that order. Also called for empty blocks (with 0 dB).
  virtual void LowerMeters(double dB) = 0;

  // The sample rate changed: the clip overlays hold their indication 1.1 s.
  virtual void SetMeterSampleRate(double sampleRate) = 0;
};
