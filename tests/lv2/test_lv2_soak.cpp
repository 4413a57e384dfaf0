// The soak's short form (bench/lv2/SoakSession.h): five minutes of audio
// through lilv instances of the built bundle while a host thread automates
// every port and states are restored every few seconds. Checks only what
// must hold at any length: every output sample finite, and every port's
// last value held by the plug-in at the end. (The hour, with memory and
// block times, is bench_lv2_soak.)
#include <gtest/gtest.h>

#include "bench/lv2/SoakSession.h"

TEST(LV2Soak, FiveMinutesOfAutomationAndRestoresLoseNothing) {
  SoakOptions options;
  options.audioSeconds = CORVANE_SOAK_SECONDS;
  options.instances = 4;  // sixteen would take minutes under the sanitizers
  options.editor = false;
  const SoakReport r = RunSoak(options, CORVANE_LV2_BUNDLE_DIR);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_GT(r.restores, 10);
  EXPECT_GT(r.automationWrites, 100);
  EXPECT_EQ(r.nonFinite, 0);
  EXPECT_EQ(r.lostChanges, 0) << r.firstLost;
}
