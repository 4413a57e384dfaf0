#pragma once
// What the jalv tests play into jalv on their JACK server: jack_metro's
// click (660 Hz, four a second) on kMetronomePort.
#include <memory>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"

namespace lv2_test {

constexpr const char* kMetronomePort = "metro:240_bpm";

inline std::unique_ptr<test_support::Background> StartMetronome(const test_support::EnvList& env,
                                                                const std::string& logFile) {
  return std::make_unique<test_support::Background>(
      std::vector<std::string>{"jack_metro", "-n", "metro", "-b", "240", "-f", "660", "-D", "30", "-A", "0.5"}, env,
      logFile);
}

// Whether the server lists every one of these ports (jack_lsp).
inline bool PortsListed(const test_support::EnvList& env, const std::vector<std::string>& ports) {
  const std::string listed = test_support::RunChild({"jack_lsp"}, env, 5).output;
  for (const std::string& port : ports)
    if (listed.find(port) == std::string::npos) return false;
  return true;
}

}  // namespace lv2_test
