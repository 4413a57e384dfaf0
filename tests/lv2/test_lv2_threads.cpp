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

// The split-outputs plug-in on the audio thread, its six outputs connected,
// while the host's automation thread queues port changes (delivered before
// each run, as a host does) and the editor's thread changes the solos, the
// pans and a gain, and draws; the audio thread
// also switches bypass now and then, so the parts go both the host's float
// path and the double one (during the crossfades). Whatever the settings at
// a sample, the two parts add up to the mix outside bypass and its fades.
TEST(LV2Threads, SplitOutputsRunWhileTheHostAutomatesAndTheEditorEdits) {
  LV2TestInstance inst(CorvaneDescriptor(2), 44100.0, 256);
  ASSERT_EQ(inst.Layout().nOut, 6);
  inst.Activate();
  IPlugLV2* plug = inst.Plug();
  const std::vector<std::vector<float>> drums = DrumSignal(size_t{1} << 16);
  HostPortWriter host;
  std::atomic<bool> stop{false};
  std::atomic<int> runs{0};
  std::atomic<int> mismatches{0};
  std::thread audio([&] {
    int lastToggle = -10;
    for (int r = 0; !stop.load(); ++r) {
      host.DeliverTo(inst);
      if (r % 40 == 0) {
        inst.Enabled() = inst.Enabled() > 0.5f ? 0.0f : 1.0f;
        lastToggle = r;
      }
      std::vector<std::vector<float>> piece(2);
      const size_t at = (static_cast<size_t>(r) * 256) % (drums[0].size() - 256);
      for (int ch = 0; ch < 2; ++ch) piece[ch].assign(drums[ch].begin() + at, drums[ch].begin() + at + 256);
      const std::vector<std::vector<float>> out = inst.Process(piece, 256);
      if (inst.Enabled() > 0.5f && r - lastToggle >= 2) {  // the fade lasts 441 frames
        for (int ch = 0; ch < 2; ++ch) {
          for (size_t i = 0; i < 256; ++i) {
            const double t = out[2 + ch][i], res = out[4 + ch][i], mix = out[ch][i];
            if (std::fabs(t + res - mix) > 2 * std::ldexp(std::fabs(t) + std::fabs(res) + std::fabs(mix), -24))
              mismatches.fetch_add(1);
          }
        }
      }
      runs.store(r + 1);
    }
  });
  std::thread automation([&] {
    for (int i = 0; !stop.load(); ++i) {
      host.Write(inst.Layout().Param(kTransient), (i % 9) / 8.0f);
      host.Write(inst.Layout().Param(kAmount), (i % 5) / 4.0f);
      std::this_thread::yield();
    }
  });
  IGraphics* editor = static_cast<Corvane*>(static_cast<IPlugBase*>(plug))->Editor();
  for (int i = 0; i < 300 || runs.load() < 200; ++i) {
    plug->SetParameterFromGUI(kSoloTransient, i % 3 == 0);
    plug->SetParameterFromGUI(kSoloResidual, i % 5 == 0);
    plug->SetParameterFromGUI(kPan1, (i % 4) / 3.0);
    plug->SetParameterFromGUI(kResidual, (i % 6) / 5.0);
    editor->ApplyPlugUpdates();  // the UI's idle
    IRECT dirty;
    if (editor->IsDirty(&dirty)) editor->Draw(&dirty);
    plug->DrainHostUpdates(&host);
  }
  stop.store(true);
  audio.join();
  automation.join();
  EXPECT_EQ(mismatches.load(), 0) << "samples where the parts do not add up to the mix";
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
