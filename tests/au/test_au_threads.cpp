// The host's render thread calls the fast-dispatch render function while
// its main thread sets and reads parameters through the entry: processing
// takes no lock, parameter calls take the plug-in's lock, and nothing races.
#include <atomic>
#include <cmath>
#include <thread>

#include "tests/au/AUHostTest.h"
#include "tests/support/rtguard/RealtimeScope.h"

namespace au_test {
namespace {

using AUThreadTest = AUHostTest;

// The test plug-in's output at unity gain: the callback's input, 64 samples late.
float DelayedInput(double sampleIdx) {
  return sampleIdx < kTestLatency ? 0.0f : static_cast<float>(0.5 * std::sin(0.013 * (sampleIdx - kTestLatency)));
}

TEST_F(AUThreadTest, ParametersChangeWhileTheRenderThreadRuns) {
  MakeStereoReady(256);
  AudioUnitRenderProc renderProc = nullptr;
  UInt32 size = sizeof(renderProc);
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_FastDispatch, 0, kAudioUnitRenderSelect,
                                 &renderProc, &size), noErr);
  AudioUnitSetParameterProc setProc = nullptr;
  size = sizeof(setProc);
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_FastDispatch, 0, kAudioUnitSetParameterSelect,
                                 &setProc, &size), noErr);
  void* storage = GetComponentInstanceStorage(unit);

  std::atomic<bool> stop{false};
  std::atomic<int> renderErrors{0};
  std::atomic<int> blocks{0};
  std::thread renderThread([&] {
    HostBuffers out(2, 256);
    double sampleTime = 0;
    while (!stop.load()) {
      AudioUnitRenderActionFlags flags = 0;
      const AudioTimeStamp ts = SampleTimeStamp(sampleTime);
      if (rtguard::Realtime(rtguard::kAuRender, [&] { return renderProc(storage, &flags, &ts, 0, 256, out.List()); }) !=
          noErr)
        renderErrors++;
      // Gain is 0.5 or 1.5 at every moment, never anything in between.
      for (int t = 0; t < 256; ++t) {
        const float dry = DelayedInput(t + sampleTime);
        if (std::abs(dry) < 0.05f) continue;
        const float ratio = out.Channel(0)[t] / dry;
        if (std::abs(ratio - 0.5f) > 1e-3f && std::abs(ratio - 1.5f) > 1e-3f && std::abs(ratio - 1.0f) > 1e-3f)
          renderErrors++;
      }
      sampleTime += 256;
      blocks++;
    }
  });

  ASSERT_EQ(AudioUnitSetParameter(unit, kGain, 0, 0, 0.5f, 0), noErr);
  for (int i = 0; i < 2000; ++i) {
    const float gain = i % 2 ? 0.5f : 1.5f;
    if (i % 3 == 0)
      ASSERT_EQ(setProc(storage, kGain, 0, 0, gain, 0), noErr);
    else
      ASSERT_EQ(AudioUnitSetParameter(unit, kGain, 0, 0, gain, 0), noErr);
    AudioUnitParameterValue value = 0;
    ASSERT_EQ(AudioUnitGetParameter(unit, kSteps, 0, 0, &value), noErr);
    ASSERT_EQ(AudioUnitSetParameter(unit, kMode, 0, 0, static_cast<float>(i % 3), 0), noErr);
  }
  while (blocks.load() < 20) std::this_thread::yield();
  stop.store(true);
  renderThread.join();
  EXPECT_EQ(renderErrors.load(), 0);
}

}  // namespace
}  // namespace au_test
