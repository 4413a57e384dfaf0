// Parameter handling writes engine values on its own thread while the audio
// thread processes; the ThreadSanitizer build runs this test.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "engine/TransientEngine.h"
#include "tests/engine/EngineTestSignals.h"

TEST(TransientEngineThreads, SettersRaceFreeWithProcessing) {
  auto e = std::make_unique<TransientEngine>();
  engine_test::Configure(*e, 1, 0.98828125, 0.7);
  const engine_test::Stereo in = engine_test::DrumLikeSignal(6 * 4096);
  std::atomic<bool> done{false};
  std::thread params([&] {
    int i = 0;
    while (!done.load()) {
      e->SetMode(1 + i % 3);
      e->SetSensitivity((i % 10) / 10.0);
      e->SetTransientGain(0.5 + (i % 3) * 0.25);
      e->SetTransientPan(1.0, (i % 2) ? 0.5 : 1.0);
      e->SetResidualSolo((i % 7) == 0 ? 1.0f : 0.0f);
      e->SetAmountTarget(0.9 + (i % 5) * 0.01);
      (void)e->SmoothedTransient();
      ++i;
    }
  });
  const engine_test::Stereo out = engine_test::RunBlocks(*e, in, {256});
  done = true;
  params.join();
  EXPECT_EQ(out.size(), in.size());
}
