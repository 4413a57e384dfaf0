// The real-time guard itself (run with the library preloaded): each kind of
// forbidden call aborts a marked thread with a report naming the call and
// the scope; what a real-time thread may do, and any unmarked thread, passes.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/rtguard/RealtimeScope.h"

namespace {

void* volatile gSink;  // keeps planted allocations from being optimised away

class RealtimeGuard : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(rtguard::Preloaded()) << "run with LD_PRELOAD=libcorvane_rtguard.so (CTest does)";
  }
};

struct Plant {
  const char* reported;           // how the report names the call (a regex)
  std::function<void()> prepare;  // unmarked, before the scope
  std::function<void()> run;      // marked
};

std::mutex gMutex;
std::condition_variable gCondition;
std::unique_lock<std::mutex> gHeld;
std::promise<void> gNever;
std::future<void> gPending = gNever.get_future();

// One call of each kind the guard forbids.
std::vector<Plant> ForbiddenCalls() {
  auto nothing = [] {};
  return {
      {"operator new", nothing, [] { gSink = new int(1); }},
      {"malloc", nothing, [] { gSink = std::malloc(16); }},
      {"free", [] { gSink = std::malloc(16); }, [] { std::free(gSink); }},
      {"pthread_mutex_lock", nothing, [] { gMutex.lock(); }},
      {"pthread_cond_(clock|timed)?wait", [] { gHeld = std::unique_lock<std::mutex>(gMutex); },
       [] { gCondition.wait_for(gHeld, std::chrono::milliseconds(1)); }},
      {"nanosleep", nothing, [] { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }},
      {"futex wait", nothing, [] { gPending.wait_for(std::chrono::milliseconds(1)); }},
      {"fopen", nothing, [] { gSink = std::fopen("/dev/null", "r"); }},
      {"write", nothing, [] { (void)!write(-1, "", 0); }},
      {"socket", nothing, [] { socket(AF_UNIX, SOCK_STREAM, 0); }},
      {"poll", nothing, [] { poll(nullptr, 0, 0); }},
  };
}

// Catches a call the library does not reach (a wrong mangled name or symbol
// version, a wait libstdc++ makes through another function) and a report
// that does not say what was called where.
TEST_F(RealtimeGuard, EachForbiddenCallAbortsAMarkedThreadWithAReport) {
  for (const Plant& p : ForbiddenCalls()) {
    EXPECT_DEATH(
        {
          p.prepare();
          rtguard::RealtimeScope scope("the test's scope");
          p.run();
        },
        std::string("rtguard: ") + p.reported + " on a real-time thread \\(the test's scope\\)")
        << p.reported;
  }
}

// Catches a mark that is not per thread, one that outlives its scope, and
// a guard that forbids what a real-time thread may do: take a free lock
// with try_lock, free a null pointer, use atomics.
TEST_F(RealtimeGuard, OnlyForbiddenCallsOnMarkedThreadsAreCaught) {
  std::atomic<int> phase{0};
  std::thread marked([&] {
    rtguard::RealtimeScope scope("the test's scope");
    if (gMutex.try_lock()) gMutex.unlock();
    void* volatile none = nullptr;  // a null the compiler cannot see
    std::free(none);
    phase.store(1);
    while (phase.load() != 2) {
    }
  });
  while (phase.load() != 1) {
  }
  // This thread is not marked while the other one is.
  for (const Plant& p : ForbiddenCalls()) {
    p.prepare();
    p.run();
    if (gHeld.owns_lock()) gHeld.unlock();
    if (std::string(p.reported) == "pthread_mutex_lock") gMutex.unlock();
  }
  phase.store(2);
  marked.join();
  {
    rtguard::RealtimeScope scope("a closed scope");
  }
  gSink = new int(2);  // after the scope closed
}

}  // namespace
