#pragma once
// The editor's stereo level meter (VUmetre) and its overlay (VUmetreOver)
// showing clipping and which part is soloed.
//
// Threads: SetVolumes, LowerHeldLevels and SetDirty run on the audio thread
// inside block processing; Draw and the solo flags belong to the UI thread.
// The levels the two share are atomic numbers (relaxed: a redraw may see a
// mix of one block's old and new values, which only affects one drawn frame).
#include <atomic>

#include "gui/IControl.h"

// The audio thread marks meters dirty after every block; the UI thread takes
// the mark with an exchange when it collects the dirty regions, so a mark
// set while a redraw is under way stays for the next one.
class MeterControl : public IControl {
public:
  MeterControl(IPlugBase* plug, IRECT rect) : IControl(plug, rect) {}
  // Any thread.
  void SetDirty(bool pushParamToPlug = true) override { mMeterDirty.store(true, std::memory_order_release); }
  // UI thread.
  bool IsDirty() override {
    if (mMeterDirty.exchange(false, std::memory_order_acquire)) mDirty = true;
    return IControl::IsDirty();
  }

private:
  std::atomic<bool> mMeterDirty{true};
};

// One part's samples of a run (left and right), with each channel's largest
// magnitude, found once for the meter and its overlay (audio thread).
struct MeterRun {
  MeterRun(const double* left, const double* right, int count);
  const double* samples[2];
  double peak[2];  // largest |x|; a NaN counts as 0
  int n;
};

class VUmetre : public MeterControl {
public:
  VUmetre(IPlugBase* plug, IRECT rect, IBitmap* normal, IBitmap* dimmed, IBitmap* highlighted);
  bool Draw(IGraphics* graphics) override;

  // Audio thread, every sample: the part's left and right output values.
  void SetVolumes(double left, double right);
  // Audio thread: n samples at once, with the result of n SetVolumes calls.
  // The held level only rises between two lowerings, and the level is a
  // rising function of the magnitude, so the run's largest magnitude alone
  // can raise it: one logarithm per run.
  void SetVolumeRun(const MeterRun& run);
  // Audio thread, block end: lowers both held levels (no lower limit).
  void LowerHeldLevels(double dB);

  // UI thread: how the meter shows its part's solo state.
  void SetHighlighted(bool on);
  void SetDimmed(bool on);
  bool IsHighlighted() const { return mHighlighted; }
  bool IsDimmed() const { return mDimmed; }
  float HeldLevel(int ch) const { return mHeld[ch & 1].load(std::memory_order_relaxed); }
  int Segments(int ch) const { return mSegments[ch & 1].load(std::memory_order_relaxed); }
  double Magnitude(int ch) const { return mMagnitude[ch & 1]; }

private:
  void feed(int ch, double x);
  void raise(int ch, double magnitude);
  void storeSegments(int ch, float held);
  void updateThreshold(int ch);

  int mChannelGap = 12;
  IBitmap mNormal, mDimmedBitmap, mHighlightedBitmap;
  float mPixelsPerSegment;
  double mMagnitude[2] = {0.0, 0.0};  // audio thread only
  std::atomic<int> mSegments[2] = {{0}, {0}};
  bool mHighlighted = false, mDimmed = false;
  std::atomic<float> mHeld[2] = {{-144.0f}, {-144.0f}};
  int mSegmentCount = 10;
  // Audio thread only: magnitudes below this cannot raise the held level, so
  // the logarithm is skipped for them (negative: always compute).
  double mRaiseThreshold[2] = {-1.0, -1.0};
};

class VUmetreOver : public MeterControl {
public:
  VUmetreOver(IPlugBase* plug, IRECT rect, IBitmap* clip, IBitmap* solo);
  bool Draw(IGraphics* graphics) override;

  // Audio thread, every sample.
  void SetVolumes(double left, double right);
  // Audio thread: n samples at once, with the result of n SetVolumes calls
  // (only the run's last sample above full scale and its length matter).
  void SetVolumeRun(const MeterRun& run);
  // Audio thread: the indicator stays lit 1.1 s after the last sample above full scale.
  void SetSampleRate(double sampleRate) { mSampleRate = sampleRate; }

  // UI thread.
  void SetSoloShown(bool on);
  bool IsSoloShown() const { return mSoloShown; }
  bool IsClipped(int ch) const { return mClipped[ch & 1].load(std::memory_order_relaxed); }

private:
  void feed(int ch, double x);
  void feedRun(int ch, const double* x, int n, double peak);
  void countHeld(int ch, int samples);

  int mChannelGap = 12;
  IBitmap mClip, mSolo;
  double mValue2[2] = {0.0, 0.0};  // last sample values (audio thread)
  double mSampleRate = 44100.0;
  int mHoldCounter[2] = {0, 0};
  std::atomic<bool> mClipped[2] = {{false}, {false}};
  bool mSoloShown = false;
};
