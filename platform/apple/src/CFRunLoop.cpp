// Run loops: one per thread, made on first use and never freed (a listener
// may still name the loop of a thread that has ended). A loop has no
// sources of its own; the subsystems that post work to it register
// performers (RunLoopWork.h), and CFRunLoopRunInMode asks them to do their
// work for the calling thread's loop, waiting for a wake-up between rounds.
#include <unistd.h>
#include <sys/syscall.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/apple/src/CFObject.h"
#include "platform/apple/src/RunLoopWork.h"

struct __CFRunLoop : corvane_cf::Object {
  __CFRunLoop() : Object(corvane_cf::kTypeRunLoop) {}
  std::string Describe() const override { return "<CFRunLoop>"; }

  std::mutex mutex;
  std::condition_variable wake;
  bool woken = false;  // under mutex
};

namespace {

constexpr int kMaxPerformers = 8;
std::atomic<corvane_cf::RunLoopPerformer> gPerformers[kMaxPerformers];

CFRunLoopRef NewLoop() {
  __CFRunLoop* loop = new __CFRunLoop;
  corvane_cf::MakeImmortal(loop);
  return loop;
}

CFRunLoopRef MainLoop() {
  static CFRunLoopRef loop = NewLoop();
  return loop;
}

bool IsMainThread() { return syscall(SYS_gettid) == getpid(); }

bool PerformAll(CFRunLoopRef loop) {
  bool did = false;
  for (auto& slot : gPerformers)
    if (corvane_cf::RunLoopPerformer performer = slot.load(std::memory_order_acquire)) did |= performer(loop);
  return did;
}

}  // namespace

void corvane_cf::AddRunLoopPerformer(RunLoopPerformer performer) {
  for (auto& slot : gPerformers) {
    RunLoopPerformer expected = nullptr;
    if (slot.load() == performer) return;
    if (slot.compare_exchange_strong(expected, performer)) return;
  }
}

extern "C" {

const CFStringRef kCFRunLoopDefaultMode = __CFStringMakeConstantString("kCFRunLoopDefaultMode");
const CFStringRef kCFRunLoopCommonModes = __CFStringMakeConstantString("kCFRunLoopCommonModes");

CFTypeID CFRunLoopGetTypeID(void) { return corvane_cf::kTypeRunLoop; }

CFRunLoopRef CFRunLoopGetCurrent(void) {
  thread_local CFRunLoopRef loop = IsMainThread() ? MainLoop() : NewLoop();
  return loop;
}

CFRunLoopRef CFRunLoopGetMain(void) { return MainLoop(); }

CFRunLoopRunResult CFRunLoopRunInMode(CFStringRef, CFTimeInterval seconds, Boolean returnAfterSourceHandled) {
  CFRunLoopRef loop = CFRunLoopGetCurrent();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds > 0 ? seconds : 0);
  bool handled = false;
  for (;;) {
    {
      std::lock_guard<std::mutex> lock(loop->mutex);
      loop->woken = false;
    }
    if (PerformAll(loop)) {
      handled = true;
      if (returnAfterSourceHandled) return kCFRunLoopRunHandledSource;
    }
    std::unique_lock<std::mutex> lock(loop->mutex);
    if (!loop->wake.wait_until(lock, deadline, [loop] { return loop->woken; }))
      return handled ? kCFRunLoopRunHandledSource : kCFRunLoopRunTimedOut;
  }
}

void CFRunLoopWakeUp(CFRunLoopRef rl) {
  if (!rl) return;
  {
    std::lock_guard<std::mutex> lock(rl->mutex);
    rl->woken = true;
  }
  rl->wake.notify_all();
}

}  // extern "C"
