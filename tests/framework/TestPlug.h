#pragma once
// A plug-in on the bare base, driven the way a host adapter drives it. The
// host-side pure virtuals record what the base tells the host; the
// processing hook can pass through (the base's default), delay by the
// reported latency like a look-ahead plug-in, or probe the floating-point
// mode it runs under. Nothing on the processing path allocates.
#include <atomic>
#include <vector>

#include "framework/DenormalGuard.h"
#include "framework/IPlugBase.h"

namespace fw_test {

constexpr int kTestVersion = 0x00010203;  // 1.2.3

class TestPlug : public IPlugBase {
public:
  enum class Processing { kBaseDefault, kDelayByLatency, kProbeFloatMode };

  TestPlug(int nParams = 3, const char* channelIO = "1-1 2-2", int nPresets = 4, int latency = 0,
           const char* effectName = "TestEffect")
      : IPlugBase(nParams, channelIO, nPresets, effectName, "TestProduct", "TestMfr",
                  kTestVersion, 0x54737431, 0x4D667231, latency, false, false, false, kAPIAU),
        mOwnDelay(2 * (latency > 0 ? latency : 1), 0.0) {}

  // Host side.
  struct Inform {
    int paramIdx;
    double normalized;
  };
  std::vector<Inform> informs;
  std::vector<int> paramChanges;
  int presetsChanged = 0;

  void BeginInformHostOfParamChange(int) override {}
  void InformHostOfParamChange(int idx, double normalized) override {
    informs.push_back({idx, normalized});
  }
  void EndInformHostOfParamChange(int) override {}
  void InformHostOfProgramChange() override {}
  int GetSamplePos() override { return 0; }
  double GetTempo() override { return tempo; }
  void GetTimeSig(int*, int*) override {}
  void GetTime(ITimeInfo*) override {}
  void ResizeGraphics(int, int) override {}
  bool SendMidiMsg(IMidiMsg*) override { return false; }
  void PresetsChangedByHost() override { ++presetsChanged; }

  void OnParamChange(int idx) override {
    WDL_MutexLock lock(&mMutex);
    paramChanges.push_back(idx);
  }

  // Processing side.
  Processing processing = Processing::kBaseDefault;
  int processCalls = 0;
  int lastFrames = -1;
  bool sawFlushModes = false;
  bool subnormalReadAsZero = false;
  double tempo = 0.0;

  void ProcessDoubleReplacing(double** in, double** out, int nFrames) override {
    ++processCalls;
    lastFrames = nFrames;
    switch (processing) {
      case Processing::kBaseDefault:
        IPlugBase::ProcessDoubleReplacing(in, out, nFrames);
        break;
      case Processing::kDelayByLatency:
        DelayInPlaceSafe(in, out, nFrames);
        break;
      case Processing::kProbeFloatMode: {
        sawFlushModes = DenormalGuard::IsActive();
        volatile double subnormal = 1e-310;
        subnormalReadAsZero = (subnormal * 1.0) == 0.0;
        IPlugBase::ProcessDoubleReplacing(in, out, nFrames);
        break;
      }
    }
  }

  // Access for tests to what a derived adapter sees.
  WDL_Mutex& Mutex() { return mMutex; }
  double** InData() { return mInData.Get(); }
  double** OutData() { return mOutData.Get(); }
  const double* InScratch(int i) { return mInChannels.Get(i)->mScratchBuf.Get(); }
  const double* OutScratch(int i) { return mOutChannels.Get(i)->mScratchBuf.Get(); }
  void SetCurrentPresetIdx(int idx) { mCurrentPresetIdx = idx; }

private:
  // Delays every channel by the reported latency (one ring of 2 channels).
  // Writes out[] only after reading in[], so in-place hosts work, then
  // scribbles over the input to prove the base never reads it afterwards.
  void DelayInPlaceSafe(double** in, double** out, int nFrames) {
    const int latency = GetLatency();
    if (latency <= 0) return IPlugBase::ProcessDoubleReplacing(in, out, nFrames);
    for (int ch = 0; ch < NOutChannels() && ch < 2; ++ch) {
      double* ring = mOwnDelay.data() + ch * latency;
      int pos = mOwnPos;
      for (int t = 0; t < nFrames; ++t) {
        const double x = ch < NInChannels() ? in[ch][t] : 0.0;
        out[ch][t] = ring[pos];
        ring[pos] = x;
        if (++pos == latency) pos = 0;
      }
      if (ch < NInChannels() && in[ch] != out[ch])
        for (int t = 0; t < nFrames; ++t) in[ch][t] = -999.0;
    }
    if (latency > 0) mOwnPos = (mOwnPos + nFrames) % latency;
  }

  std::vector<double> mOwnDelay;
  int mOwnPos = 0;
};

// A recording editor link.
class RecordingGraphics : public IGraphicsLink {
public:
  struct Push {
    int paramIdx;
    double value;
    bool normalized;
  };
  explicit RecordingGraphics(int* pDestroyed = nullptr) : mDestroyed(pDestroyed) {}
  ~RecordingGraphics() override {
    if (mDestroyed) ++*mDestroyed;
  }
  void SetParameterFromPlug(int idx, double value, bool normalized) override {
    pushes.push_back({idx, value, normalized});
  }
  void PrepDraw() override { prepDrawAfterPushes = static_cast<int>(pushes.size()); }
  void ApplyPlugUpdates() override { ++applied; }

  std::vector<Push> pushes;
  int prepDrawAfterPushes = -1;
  int applied = 0;

private:
  int* mDestroyed;
};

}  // namespace fw_test
