#pragma once
// jackd with the dummy backend (no sound card) under a name of its own, for
// the tests that run JACK clients; stopped with the object. Such tests take
// turns (JackServerLock.cmake).
#include <memory>
#include <string>

#include "tests/support/ChildProcess.h"

namespace test_support {

class DummyJackServer {
public:
  // Whether jackd and jack_wait are installed.
  static bool Installed();
  explicit DummyJackServer(const std::string& logFile);
  // Whether the server accepts clients (the constructor waits a few seconds for it).
  bool Up() const { return mUp; }
  const std::string& Name() const { return mName; }
  // The environment that sends a client to this server, and never starts another.
  EnvList Env() const;

private:
  std::string mName;
  std::unique_ptr<Background> mServer;
  bool mUp = false;
};

}  // namespace test_support
