// The audio thread renders (feeding meters and fader texts) while the UI
// thread redraws the editor and the host sets parameters: TSan-clean.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "engine/plugin/Corvane.h"
#include "gui/IGraphics.h"
#include "tests/engine/EngineTestSignals.h"

TEST(CorvaneThreads, RenderRedrawAndParameterChangesRaceFree) {
  std::unique_ptr<Corvane> c(static_cast<Corvane*>(MakePlug()));
  c->OnParamReset();
  engine_test::Stereo in = engine_test::DrumLikeSignal(3 * 4096), out(in.size());
  std::atomic<bool> done{false};
  std::thread ui([&] {
    int i = 0;
    while (!done.load()) {
      IRECT dirty;
      if (c->Editor()->IsDirty(&dirty)) c->Editor()->Draw(&dirty);
      c->SetParameterFromGUI(kTransient, (i % 10) / 10.0);
      c->SetParameterFromGUI(kSoloTransient, i % 3 == 0 ? 1.0 : 0.0);
      c->SetParameterFromGUI(kMode1 + i % 3, 1.0);
      ++i;
    }
  });
  for (size_t pos = 0; pos < in.size(); pos += 256) {
    double* ins[2] = {&in.left[pos], &in.right[pos]};
    double* outs[2] = {&out.left[pos], &out.right[pos]};
    c->ProcessDoubleReplacing(ins, outs, 256);
  }
  done = true;
  ui.join();
  SUCCEED();
}
