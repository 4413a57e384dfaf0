// The render thread processes blocks while the editor sets parameters and
// the host restores state and presets; the ThreadSanitizer build runs this.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "framework/IPlugBase.h"

namespace {
// A plug-in that, like a real one, copies parameter values into atomics in
// OnParamChange and reads only those while processing.
class GainPlug : public IPlugBase {
public:
  GainPlug()
      : IPlugBase(3, "2-2", 2, "Gain", "", "Test", 0x10000, 1, 1, 32, false, false, false,
                  kAPIAU) {
    for (int i = 0; i < 3; ++i) GetParam(i)->InitDouble("g", 1.0, 0.0, 2.0, 0.001);
    MakePreset("Loud", 2.0, 2.0, 2.0);
    MakePreset("Quiet", 0.5, 0.5, 0.5);
  }
  void OnParamChange(int idx) override {
    WDL_MutexLock lock(&mMutex);
    mGain[idx].store(GetParam(idx)->Value(), std::memory_order_relaxed);
  }
  void ProcessDoubleReplacing(double** in, double** out, int nFrames) override {
    const double g = mGain[0].load(std::memory_order_relaxed);
    for (int ch = 0; ch < 2; ++ch)
      for (int t = 0; t < nFrames; ++t) out[ch][t] = in[ch][t] * g;
  }
  void BeginInformHostOfParamChange(int) override {}
  void InformHostOfParamChange(int, double) override { informs.fetch_add(1); }
  void EndInformHostOfParamChange(int) override {}
  void InformHostOfProgramChange() override {}
  int GetSamplePos() override { return 0; }
  double GetTempo() override { return 120.0; }
  void GetTimeSig(int*, int*) override {}
  void GetTime(ITimeInfo*) override {}
  void ResizeGraphics(int, int) override {}
  bool SendMidiMsg(IMidiMsg*) override { return false; }

  std::atomic<int> informs{0};
  std::atomic<double> mGain[3] = {{1.0}, {1.0}, {1.0}};
};
}  // namespace

TEST(FrameworkThreads, RenderWhileEditorAndHostChangeParameters) {
  GainPlug plug;
  plug.SetBlockSize(64);
  plug.SetInputChannelConnections(0, 2, true);
  plug.SetOutputChannelConnections(0, 2, true);
  std::atomic<bool> done{false};

  std::thread render([&] {
    std::vector<float> in(64, 0.5f), out0(64), out1(64);
    float* ins[] = {in.data(), in.data()};
    float* outs[] = {out0.data(), out1.data()};
    for (int block = 0; !done.load() || block < 200; ++block) {
      plug.AttachInputBuffers(0, 2, ins, 64);
      plug.AttachOutputBuffers(0, 2, outs);
      if (block % 3 == 2)
        plug.ProcessBuffersBypassed(0.0f, 64);
      else
        plug.ProcessBuffers(0.0f, 64);
      ASSERT_GE(out0[63], 0.0f);
    }
  });
  std::thread editor([&] {
    for (int i = 0; i < 2000; ++i) plug.SetParameterFromGUI(i % 3, (i % 100) / 100.0);
  });

  // The host's main thread: state round trips and preset selection.
  for (int i = 0; i < 300; ++i) {
    ByteChunk chunk;
    ASSERT_TRUE(plug.SerializeState(&chunk));
    EXPECT_EQ(plug.UnserializeState(&chunk, 0), 24);
    if (i % 50 == 0) plug.RestorePreset(i % 100 == 0 ? "Loud" : "Quiet");
  }
  editor.join();
  done = true;
  render.join();
  EXPECT_EQ(plug.informs.load(), 2000);
}

TEST(FrameworkThreads, RecursiveLockExcludesOtherThreads) {
  WDL_Mutex mutex;
  long counter = 0;  // plain: only the lock protects it
  auto work = [&] {
    for (int i = 0; i < 20000; ++i) {
      WDL_MutexLock outer(&mutex);
      WDL_MutexLock inner(&mutex);
      ++counter;
    }
  };
  std::thread a(work), b(work);
  a.join();
  b.join();
  EXPECT_EQ(counter, 40000);
}
