// The audio thread renders (feeding meters and fader texts) while the UI
// thread redraws the editor and the host sets parameters: TSan-clean.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <thread>

#include "editor/Bouton.h"
#include "plugin/Corvane.h"
#include "gui/IGraphics.h"
#include "tests/engine/EngineTestSignals.h"
#include "tests/support/rtguard/RealtimeScope.h"

TEST(CorvaneThreads, RenderRedrawAndParameterChangesRaceFree) {
  std::unique_ptr<Corvane> c(static_cast<Corvane*>(MakePlug()));
  c->OnParamReset();
  engine_test::Stereo in = engine_test::DrumLikeSignal(3 * 4096), out(in.size());
  std::atomic<bool> done{false};
  int draws = 0, lastMode = 1, changes = 0;
  std::thread ui([&] {
    for (int i = 0; !done.load() || i < 30; ++i) {
      IRECT dirty;
      c->Editor()->ApplyPlugUpdates();
      if (c->Editor()->IsDirty(&dirty)) {
        c->Editor()->Draw(&dirty);
        ++draws;
      }
      c->SetParameterFromGUI(kTransient, (i % 10) / 10.0);
      c->SetParameterFromGUI(kSoloTransient, i % 3 == 1 ? 1.0 : 0.0);
      lastMode = 1 + i % 3;
      c->SetParameterFromGUI(kMode1 + lastMode - 1, 1.0);
      changes = i + 1;
    }
  });
  for (size_t pos = 0; pos < in.size(); pos += 256) {
    double* ins[2] = {&in.left[pos], &in.right[pos]};
    double* outs[2] = {&out.left[pos], &out.right[pos]};
    rtguard::RealtimeScope realtime(rtguard::kPluginProcess);
    c->TakeParamChanges();
    c->ProcessDoubleReplacing(ins, outs, 256);
  }
  done = true;
  ui.join();
  c->TakeParamChanges();  // the next block would take the last changes
  c->Editor()->ApplyPlugUpdates();  // this thread runs the editor from here on

  // What each thread did shows: audio came out, the editor redrew, and the
  // last parameter changes rule the engine and the buttons.
  ASSERT_GE(changes, 30);
  EXPECT_GT(draws, 0);
  double energy = 0.0;
  for (size_t i = 0; i < out.size(); ++i) {
    ASSERT_TRUE(std::isfinite(out.left[i]) && std::isfinite(out.right[i])) << i;
    energy += out.left[i] * out.left[i];
  }
  EXPECT_GT(energy, 0.0);
  EXPECT_EQ(c->Engine().GetMode(), lastMode);
  for (int m = 1; m <= 3; ++m) EXPECT_EQ(c->ModeButton(m)->GetValue(), m == lastMode ? 1.0 : 0.0) << m;
  EXPECT_EQ(c->Engine().TransientSolo(), (changes - 1) % 3 == 1 ? 1.0f : 0.0f);
}
