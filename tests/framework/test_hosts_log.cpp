// Host identification, the trace helpers and the utility layer.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "framework/Hosts.h"
#include "framework/Log.h"
#include "framework/Mutex.h"

TEST(HostLookup, SubstringsInTableOrder) {
  EXPECT_EQ(LookUpHost("Logic Pro"), kHostLogic);
  EXPECT_EQ(LookUpHost("Ableton Live 11"), kHostAbletonLive);
  EXPECT_EQ(LookUpHost("Live and Logic"), kHostAbletonLive);  // "live" is tried first
  EXPECT_EQ(LookUpHost("Pro Tools"), kHostUnknown);
  EXPECT_EQ(LookUpHost("ProTools"), kHostProTools);
  EXPECT_EQ(LookUpHost("Sonar"), kHostUnknown);
  EXPECT_EQ(LookUpHost("Cakewalk SONAR"), kHostSonar);
  EXPECT_EQ(LookUpHost("Melodyne"), kHostMelodyne);
  EXPECT_EQ(LookUpHost("com.motu.digitalperformer"), kHostDigitalPerformer);
  EXPECT_EQ(LookUpHost("com.apple.garageband10"), kHostGarageBand);
  EXPECT_EQ(LookUpHost(""), kHostUnknown);
  EXPECT_EQ(LookUpHost(nullptr), kHostUnknown);
  // Only the first 255 characters are searched.
  EXPECT_EQ(LookUpHost((std::string(255, 'x') + "reaper").c_str()), kHostUnknown);
  EXPECT_EQ(LookUpHost((std::string(249, 'x') + "reaper").c_str()), kHostReaper);
}

TEST(HostLookup, DisplayNames) {
  char name[kMaxHostDisplayNameLen];
  const struct {
    int host;
    const char* name;
  } cases[] = {{-1, "Unknown"}, {0, "Unknown"},  {6, "Vegas"},   {12, "Unknown"},
               {19, "Unknown"}, {23, "DigitalPerformer"}, {27, "VST3PluginTestHost"},
               {28, "Ardour"},  {29, "Unknown"}};
  for (const auto& c : cases) {
    GetHostNameStr(static_cast<EHost>(c.host), name);
    EXPECT_STREQ(name, c.name) << c.host;
  }
  char lower[16];
  ToLower(lower, "ReAPER 7");
  EXPECT_STREQ(lower, "reaper 7");
}

TEST(TraceHelpers, TimeFormatAndEmptyNames) {
  // "YYYYmmdd HH:MM +hhmm"
  const std::string now = CurrentTime();
  const std::string shape = "dddddddd dd:dd sdddd";
  ASSERT_EQ(now.size(), shape.size()) << now;
  for (size_t i = 0; i < shape.size(); ++i) {
    const char c = now[i];
    const bool ok = shape[i] == 'd'   ? std::isdigit(static_cast<unsigned char>(c)) != 0
                    : shape[i] == 's' ? (c == '+' || c == '-')
                                      : c == shape[i];
    EXPECT_TRUE(ok) << now << " at " << i;
  }
  EXPECT_STREQ(AUSelectStr(1), "");
  EXPECT_STREQ(AUPropertyStr(21), "");
  EXPECT_STREQ(AUScopeStr(0), "");
  EXPECT_STREQ(VSTOpcodeStr(3), "");
  Trace(TRACELOC, "%d:%s", 1, "nothing is written");
}

TEST(Utilities, MutexIsRecursiveOnOneThread) {
  WDL_Mutex m;
  {
    WDL_MutexLock a(&m);
    WDL_MutexLock b(&m);
    EXPECT_TRUE(m.IsHeldByCaller());
  }
  EXPECT_FALSE(m.IsHeldByCaller());
  WDL_MutexLock none(nullptr);
}
