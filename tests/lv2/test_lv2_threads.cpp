// The audio thread runs the plug-in while the editor's thread changes
// parameters, applies what reached it, draws, drains the write-back queue and
// saves state; and run() never waits for the plug-in's lock.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <future>
#include <thread>

#include "editor/Bouton.h"
#include "plugin/Corvane.h"
#include "gui/IGraphics.h"
#include "tests/lv2/LV2TestHost.h"

using namespace lv2_test;

TEST(LV2Threads, RunAgainstEditorChangesWriteBackAndState) {
  LV2TestInstance inst(CorvaneDescriptor(0), 44100.0, 256);
  inst.Activate();
  IPlugLV2* plug = inst.Plug();
  auto* corvane = static_cast<Corvane*>(static_cast<IPlugBase*>(plug));
  std::atomic<bool> stop{false};
  std::atomic<int> runs{0};
  int lastRun = -1;
  std::thread audio([&] {
    for (int r = 0; !stop.load(); ++r) {
      inst.Control(kSensitivity) = (r % 10) * 0.1f;  // host automation on the audio thread
      inst.Control(kSoloResidual) = (r / 7) % 2;
      inst.Run(256);
      lastRun = r;
      runs.store(r + 1);
    }
  });
  RecordingWriter writer;
  IGraphics* editor = corvane->Editor();
  int draws = 0, lastMode = 0;
  for (int i = 0; i < 300 || runs.load() < 100; ++i) {
    plug->BeginInformHostOfParamChange(kAmount);
    plug->SetParameterFromGUI(kAmount, (i % 7) / 7.0);
    plug->EndInformHostOfParamChange(kAmount);
    lastMode = 1 + i % 3;
    plug->SetParameterFromGUI(kMode1 + lastMode - 1, 1.0);
    editor->ApplyPlugUpdates();  // the UI's idle
    IRECT dirty;
    if (editor->IsDirty(&dirty)) {
      editor->Draw(&dirty);
      ++draws;
    }
    plug->DrainHostUpdates(&writer);
    if (i % 50 == 0) {
      std::vector<StoredProperty> props;
      EXPECT_EQ(inst.Save(&props), LV2_STATE_SUCCESS);
    }
  }
  stop.store(true);
  audio.join();
  EXPECT_GT(draws, 0);
  EXPECT_FALSE(writer.events.empty());
  // The last values each side set rule the engine, and the editor follows it.
  EXPECT_EQ(corvane->Engine().GetMode(), lastMode);
  EXPECT_EQ(corvane->Engine().Sensitivity(), static_cast<float>((lastRun % 10) * 0.1f));
  editor->ApplyPlugUpdates();
  EXPECT_EQ(corvane->SoloButton(1)->GetValue(), (lastRun / 7) % 2 ? 1.0 : 0.0);
  for (int m = 1; m <= 3; ++m) EXPECT_EQ(corvane->ModeButton(m)->GetValue(), m == lastMode ? 1.0 : 0.0);
}

// The editor's thread may hold the plug-in's lock as long as it likes (a
// state save, a gesture): the audio thread applies port changes and renders
// regardless. Catches a run() that locks to apply a parameter.
TEST(LV2Threads, RunTakesNoLockWhileTheEditorHoldsIt) {
  LV2TestInstance inst(TestDescriptor(0), 44100.0, 256);
  inst.Activate();
  auto* plug = static_cast<TestLV2Plug*>(inst.Plug());
  std::promise<void> locked, release;
  std::thread editor([&] {
    WDL_MutexLock lock(&plug->Mutex());
    locked.set_value();
    release.get_future().wait();
  });
  locked.get_future().wait();
  const int changesBefore = plug->changes[kGain];
  auto run = std::async(std::launch::async, [&] {
    inst.Control(kGain) = -6.0f;
    inst.Run(256);
  });
  const bool returned = run.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  release.set_value();
  editor.join();
  run.wait();
  EXPECT_TRUE(returned) << "run() waited for the plug-in's lock";
  EXPECT_EQ(plug->changes[kGain], changesBefore + 1);
  EXPECT_NEAR(plug->gain.load(), std::pow(10.0, -6.0 / 20.0), 1e-9);
}
