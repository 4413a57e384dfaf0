// The audio thread runs the plug-in while the editor's thread changes
// parameters, drains the write-back queue and saves state.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "engine/plugin/Corvane.h"
#include "tests/lv2/LV2TestHost.h"

using namespace lv2_test;

TEST(LV2Threads, RunAgainstEditorChangesWriteBackAndState) {
  LV2TestInstance inst(CorvaneDescriptor(0), 44100.0, 256);
  inst.Activate();
  IPlugLV2* plug = inst.Plug();
  std::atomic<bool> stop{false};
  std::thread audio([&] {
    for (int i = 0; !stop.load(); ++i) {
      inst.Control(kSensitivity) = (i % 10) * 0.1f;  // host automation on the audio thread
      inst.Run(256);
    }
  });
  RecordingWriter writer;
  for (int i = 0; i < 300; ++i) {
    plug->BeginInformHostOfParamChange(kAmount);
    plug->SetParameterFromGUI(kAmount, (i % 7) / 7.0);
    plug->EndInformHostOfParamChange(kAmount);
    plug->SetParameterFromGUI(kMode1 + i % 3, 1.0);
    plug->DrainHostUpdates(&writer);
    if (i % 50 == 0) {
      std::vector<StoredProperty> props;
      EXPECT_EQ(inst.Save(&props), LV2_STATE_SUCCESS);
    }
  }
  stop.store(true);
  audio.join();
  EXPECT_FALSE(writer.events.empty());
}
