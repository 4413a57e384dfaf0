#pragma once
// Marks the calling thread as a real-time thread while a scope is open, for
// the real-time guard: a library the guarded CTest runs preload
// (LD_PRELOAD=libcorvane_rtguard.so), which makes a marked thread abort with
// a backtrace when it allocates, frees, locks, waits, sleeps or does I/O.
// Host stand-ins in the tests open a scope around each call of the audio
// entry point they drive:
//
//   rtguard::RealtimeScope scope(rtguard::kAuRender);
//   render(storage, &flags, &ts, 0, frames, list);
//
// or, for one call, rtguard::Realtime(rtguard::kAuRender, [&] { return render(...); }).
//
// Without the preloaded library a scope does nothing. The JACK process
// callback needs no scope: the library marks it itself.
//
// CORVANE_RTGUARD=log makes the guard print each distinct violation once and
// go on instead of aborting; backtrace lines read "binary(+offset)", which
// `addr2line -Cfe binary offset` turns into a function and line.
#include <dlfcn.h>

namespace rtguard {

// The names reports give each audio path.
constexpr const char* kAuRender = "AU fast-dispatch render";
constexpr const char* kLv2Run = "LV2 run()";
constexpr const char* kPluginProcess = "plug-in processing";

struct GuardEntries {
  void (*enter)(const char*) = nullptr;
  void (*leave)() = nullptr;
};

// Looked up once, on the first scope (before it marks anything).
inline const GuardEntries& Entries() {
  static const GuardEntries entries = [] {
    GuardEntries e;
    e.enter = reinterpret_cast<void (*)(const char*)>(dlsym(RTLD_DEFAULT, "corvane_rtguard_enter"));
    e.leave = reinterpret_cast<void (*)()>(dlsym(RTLD_DEFAULT, "corvane_rtguard_leave"));
    if (!e.enter || !e.leave) e = GuardEntries();
    return e;
  }();
  return entries;
}

// Whether the guard is loaded into this process.
inline bool Preloaded() { return Entries().enter != nullptr; }

class RealtimeScope {
public:
  explicit RealtimeScope(const char* what) {
    if (Entries().enter) Entries().enter(what);
  }
  ~RealtimeScope() {
    if (Entries().leave) Entries().leave();
  }
  RealtimeScope(const RealtimeScope&) = delete;
  RealtimeScope& operator=(const RealtimeScope&) = delete;
};

// Calls `call` marked, and returns what it returns.
template <class Call>
auto Realtime(const char* what, Call&& call) {
  RealtimeScope scope(what);
  return call();
}

}  // namespace rtguard
