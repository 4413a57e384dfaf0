// The identity hosts keep in their sessions and presets, read back from the
// plug-in the way a host reads it. It is configured from the build's
// settings and packed on the way, so a packing fault would change every
// saved session's plug-in without any other test noticing.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "gui/viewhost/IGraphicsMac.h"
#include "plugin/Corvane.h"

namespace {

std::string Spelled(int code) {
  const uint32_t c = static_cast<uint32_t>(code);
  return {static_cast<char>(c >> 24), static_cast<char>(c >> 16 & 0xff), static_cast<char>(c >> 8 & 0xff),
          static_cast<char>(c & 0xff)};
}

TEST(CorvaneIdentity, HostsReadTheCodesTheVersionAndTheBundleSessionsWereSavedWith) {
  std::unique_ptr<Corvane> c(static_cast<Corvane*>(MakePlug()));
  // Every release's sessions name the unit by this code.
  EXPECT_EQ(Spelled(c->GetUniqueID()), "A3Cv");
  EXPECT_EQ(Spelled(c->GetMfrID()), "A3Cv");
  EXPECT_STREQ(c->GetEffectName(), "Corvane");
  EXPECT_STREQ(c->GetMfrName(), "Velmora");

  // The packed version a host shows reads back as the version's own text.
  char version[32] = {};
  c->GetEffectVersionStr(version);
  EXPECT_EQ(std::string(version), std::string("v") + kCorvaneVersionText);

  // The editor's context carries the plug-in bundle's identifier.
  EXPECT_STREQ(c->GetOSXBundleID(), "com.Velmora.audiounit.Corvane");
  auto* editor = dynamic_cast<IGraphicsMac*>(c->Editor());
  ASSERT_NE(editor, nullptr);
  EXPECT_STREQ(editor->GetBundleID(), c->GetOSXBundleID());
}

}  // namespace
