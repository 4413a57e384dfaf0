#include "tests/support/DummyJackServer.h"

#include <unistd.h>

#include <vector>

namespace test_support {

bool DummyJackServer::Installed() { return !FindProgram("jackd").empty() && !FindProgram("jack_wait").empty(); }

DummyJackServer::DummyJackServer(const std::string& logFile) : mName("corvane-test-" + std::to_string(getpid())) {
  // A generous client timeout: a sanitizer build on a busy machine may take
  // long over a cycle now and then, and must not be thrown out for it.
  mServer = std::make_unique<Background>(
      std::vector<std::string>{"jackd", "-n", mName, "-t", "10000", "-d", "dummy", "-r", "44100", "-p", "256"}, Env(),
      logFile);
  mUp = RunChild({"jack_wait", "-w", "-t", "10"}, Env(), 15).exitCode == 0;
}

EnvList DummyJackServer::Env() const {
  return {{"JACK_DEFAULT_SERVER", mName}, {"JACK_NO_START_SERVER", "1"}, {"JACK_NO_AUDIO_RESERVATION", "1"}};
}

}  // namespace test_support
