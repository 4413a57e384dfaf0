// Host identification, the trace helpers and the utility layer.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "framework/Containers.h"
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
  const std::string now = CurrentTime();
  EXPECT_TRUE(std::regex_match(now, std::regex(R"(\d{8} \d{2}:\d{2} [+-]\d{4})"))) << now;
  EXPECT_STREQ(AUSelectStr(1), "");
  EXPECT_STREQ(AUPropertyStr(21), "");
  EXPECT_STREQ(AUScopeStr(0), "");
  EXPECT_STREQ(VSTOpcodeStr(3), "");
  Trace(TRACELOC, "%d:%s", 1, "nothing is written");
}

TEST(Utilities, StringBuffersAndLists) {
  WDL_String s;
  EXPECT_STREQ(s.Get(), "");
  s.Set("abcdef", 3);
  s.Append(nullptr);
  s.Append("XYZ", 1);
  EXPECT_STREQ(s.Get(), "abcX");
  s.SetFormatted(5, "%d-%s", 42, "long text");
  EXPECT_STREQ(s.Get(), "42-lo");

  WDL_TypedBuf<double> buf;
  EXPECT_EQ(buf.Get(), nullptr);
  buf.Resize(4);
  EXPECT_NE(buf.Get(), nullptr);
  buf.Resize(0);
  EXPECT_EQ(buf.Get(), nullptr);

  WDL_PtrList<int> list;
  list.Add(new int(1));
  list.Insert(0, new int(0));
  EXPECT_EQ(*list.Get(0), 0);
  EXPECT_EQ(list.Get(2), nullptr);
  EXPECT_EQ(list.Get(-1), nullptr);
  list.Delete(0, true);
  EXPECT_EQ(*list.Get(0), 1);
  list.Empty(true);
  EXPECT_EQ(list.GetSize(), 0);
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
