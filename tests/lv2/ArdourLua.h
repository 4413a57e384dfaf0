#pragma once
// Ardour, headless, for the tests: programs for Ardour's Lua interpreter
// (ardour7-lua) made of calls to ardour/corvane_session.lua, each run in a
// process of its own on one session folder, and what they reported.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/ChildProcess.h"

namespace lv2_test {

// Lua literals: a string in long brackets, a number to the last bit.
std::string LuaValue(const std::string& s);
std::string LuaValue(double v);

// "cv.NAME(ARG, ...)": one call to the session functions.
template <typename... Args>
std::string LuaCall(const std::string& name, const Args&... args) {
  std::string call = "cv." + name + "(";
  [[maybe_unused]] const char* separator = "";  // unused by calls without arguments
  ((call += separator + LuaValue(args), separator = ", "), ...);
  return call + ")";
}

// What one program reported: the files (one per channel) of the tracks'
// regions by track and of the renders by name, and the latencies by track
// (the plug-in's and the whole track's, in samples).
struct ArdourRun {
  test_support::ChildResult process;
  std::map<std::string, std::vector<std::string>> sources, renders;
  std::map<std::string, std::pair<long, long>> latency;
  // The first plug-in's outputs by track: all it has, and those the track takes.
  std::map<std::string, std::pair<long, long>> outputs;
};

class ArdourSession {
public:
  // `program` is ardour7-lua; `dir` holds the session, the programs and
  // Ardour's own configuration; `env` adds to the environment (LV2_PATH).
  ArdourSession(std::string program, std::string dir, test_support::EnvList env);

  // The calls that create or open this session.
  std::string Create() const;
  std::string Open() const;

  // Runs the calls in a new ardour7-lua process (killed after a minute).
  ArdourRun Run(const std::vector<std::string>& calls);

private:
  std::string mProgram, mDir, mSessionDir;
  test_support::EnvList mEnv;
  int mRuns = 0;
};

}  // namespace lv2_test
