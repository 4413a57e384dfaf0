#pragma once
// Tests in which an outside host (jalv, Debian's LV2 tools) loads the built
// bundle, found on a search path that holds only it. That host is not built
// with the sanitizers, so it cannot load their build of the bundle, and
// these tests are disabled there.
#include <unistd.h>

#include <string>

#include "tests/support/ChildProcess.h"

#if defined(CORVANE_SANITIZED)
#define HOST_LOADS_BUNDLE(name) DISABLED_##name
#else
#define HOST_LOADS_BUNDLE(name) name
#endif

namespace lv2_test {

// A search path holding only our bundle (LV2_PATH replaces the default).
class BundlePath {
public:
  BundlePath() { symlink(CORVANE_LV2_BUNDLE_DIR, (mDir.Path() + "/corvane.lv2").c_str()); }
  test_support::EnvList Env() const { return {{"LV2_PATH", mDir.Path()}}; }
  const std::string& Dir() const { return mDir.Path(); }

private:
  test_support::TempDir mDir;
};

}  // namespace lv2_test
