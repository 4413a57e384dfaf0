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
#include "engine/ParameterLaws.h"
#include "plugin/Corvane.h"
#include "gui/IGraphics.h"
#include "tests/lv2/LV2TestHost.h"

using namespace lv2_test;

// The editor's thread and the host's audio thread both change parameters
// of one group (the wavelet choice, the solos, a pan): the host's ports are
// the one source and run() the one writer, so at the end exactly one mode
// and at most one solo are on, a pan's two factors agree, and a saved state
// holds what the engine plays.
TEST(LV2Threads, RunAgainstEditorChangesWriteBackAndState) {
  LV2TestInstance inst(CorvaneDescriptor(0), 44100.0, 256);
  inst.Activate();
  IPlugLV2* plug = inst.Plug();
  auto* corvane = static_cast<Corvane*>(static_cast<IPlugBase*>(plug));
  HostPortWriter host;
  std::atomic<bool> stop{false};
  std::atomic<int> runs{0};
  int lastRun = -1;
  std::thread audio([&] {
    for (int r = 0; !stop.load(); ++r) {
      host.DeliverTo(inst);
      inst.Control(kSensitivity) = (r % 10) * 0.1f;  // host automation on the audio thread
      inst.ParamControl(kSoloResidual) = (r / 7) % 2;
      inst.Run(256);
      lastRun = r;
      runs.store(r + 1);
    }
  });
  IGraphics* editor = corvane->Editor();
  int draws = 0, lastMode = 0;
  for (int i = 0; i < 300 || runs.load() < 100; ++i) {
    plug->BeginInformHostOfParamChange(kAmount);
    plug->SetParameterFromGUI(kAmount, (i % 7) / 7.0);
    plug->EndInformHostOfParamChange(kAmount);
    lastMode = 1 + i % 3;
    plug->SetParameterFromGUI(kMode1 + lastMode - 1, 1.0);
    plug->SetParameterFromGUI(kSoloTransient, i % 2);
    plug->SetParameterFromGUI(kPan2, (i % 5) / 4.0);
    editor->ApplyPlugUpdates();  // the UI's idle
    IRECT dirty;
    if (editor->IsDirty(&dirty)) {
      editor->Draw(&dirty);
      ++draws;
    }
    plug->DrainHostUpdates(&host);
    if (i % 50 == 0) {
      std::vector<StoredProperty> props;
      EXPECT_EQ(inst.Save(&props), LV2_STATE_SUCCESS);
    }
  }
  stop.store(true);
  audio.join();
  // The host's last cycle after the UI's last idle.
  plug->DrainHostUpdates(&host);
  host.DeliverTo(inst);
  inst.Run(256);
  EXPECT_GT(draws, 0);

  EXPECT_EQ(corvane->Engine().GetMode(), lastMode);
  for (int m = 1; m <= 3; ++m) EXPECT_EQ(plug->GetParam(kMode1 + m - 1)->Value(), m == lastMode ? 1.0 : 0.0) << m;
  EXPECT_FALSE(plug->GetParam(kSoloTransient)->Value() > 0.5 && plug->GetParam(kSoloResidual)->Value() > 0.5);
  EXPECT_EQ(corvane->Engine().Sensitivity(), static_cast<float>((lastRun % 10) * 0.1f));
  const PanFactors pan = PanLaw(plug->GetParam(kPan2)->Value());
  EXPECT_EQ(corvane->Engine().ResidualPanLeft(), pan.left);
  EXPECT_EQ(corvane->Engine().ResidualPanRight(), pan.right);
  editor->ApplyPlugUpdates();
  for (int m = 1; m <= 3; ++m) EXPECT_EQ(corvane->ModeButton(m)->GetValue(), m == lastMode ? 1.0 : 0.0);

  // A state saved now brings back the mode that plays.
  std::vector<StoredProperty> saved;
  ASSERT_EQ(inst.Save(&saved), LV2_STATE_SUCCESS);
  LV2TestInstance other(CorvaneDescriptor(0), 44100.0, 256);
  other.Activate();
  ASSERT_EQ(other.Restore(saved), LV2_STATE_SUCCESS);
  other.Run(64);
  EXPECT_EQ(static_cast<Corvane*>(static_cast<IPlugBase*>(other.Plug()))->Engine().GetMode(), lastMode);
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
