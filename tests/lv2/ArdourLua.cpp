#include "tests/lv2/ArdourLua.h"

#include <fstream>
#include <sstream>

namespace lv2_test {

std::string LuaValue(const std::string& s) { return "[==[" + s + "]==]"; }

std::string LuaValue(double v) {
  std::ostringstream out;
  out.precision(17);
  out << v;
  return out.str();
}

ArdourSession::ArdourSession(std::string program, std::string dir, test_support::EnvList env)
    : mProgram(std::move(program)), mDir(std::move(dir)), mSessionDir(mDir + "/session"), mEnv(std::move(env)) {
  // Ardour writes its configuration and caches under the home folder.
  mEnv.push_back({"HOME", mDir});
  mEnv.push_back({"XDG_CONFIG_HOME", mDir + "/config"});
  mEnv.push_back({"XDG_CACHE_HOME", mDir + "/cache"});
}

std::string ArdourSession::Create() const { return LuaCall("new_session", mSessionDir, "corvane"); }

std::string ArdourSession::Open() const { return LuaCall("open_session", mSessionDir, "corvane"); }

ArdourRun ArdourSession::Run(const std::vector<std::string>& calls) {
  const std::string file = mDir + "/program" + std::to_string(++mRuns) + ".lua";
  std::ofstream lua(file);
  lua << "local cv = dofile(" << LuaValue(CORVANE_ARDOUR_SCRIPTS "/corvane_session.lua") << ")\n";
  for (const std::string& call : calls) lua << call << "\n";
  lua.close();

  ArdourRun run;
  run.process = test_support::RunChild({mProgram, file}, mEnv, 60.0);
  std::istringstream lines(run.process.output);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string tag, what, key;  // key: a track, or a render's name
    words >> tag >> what >> key;
    if (tag != "corvane-test:") continue;
    if (what == "latency") {
      words >> run.latency[key].first >> run.latency[key].second;
    } else if (what == "outputs") {
      words >> run.outputs[key].first >> run.outputs[key].second;
    } else if (what == "source" || what == "render") {
      size_t channel = 0;
      std::string path;
      words >> channel;
      std::getline(words >> std::ws, path);
      auto& files = (what == "source" ? run.sources : run.renders)[key];
      if (files.size() <= channel) files.resize(channel + 1);
      files[channel] = path;
    }
  }
  return run;
}

}  // namespace lv2_test
