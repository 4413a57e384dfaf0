/* Marking threads, finding the real functions, reporting violations. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <execinfo.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "GuardInternal.h"

__thread int rtguard_depth RTGUARD_TLS = 0;
__thread int rtguard_resolving RTGUARD_TLS = 0;
static __thread const char* tMarkedAs RTGUARD_TLS = NULL;

/* Log mode: each distinct backtrace is printed once, the run goes on. */
static int gLogOnly = 0;
/* Where reports go: standard error, or the file CORVANE_RTGUARD_FILE names
 * (appended to, so every process a test starts can report to one file). */
static const char* gReportFile = NULL;
static long gViolations = 0;         /* atomic */
enum { kSeenSlots = 1024 };
static uint64_t gSeen[kSeenSlots];   /* atomic; 0 = free */

__attribute__((constructor)) static void Start(void) {
  const char* mode = getenv("CORVANE_RTGUARD");
  gLogOnly = mode && strcmp(mode, "log") == 0;
  gReportFile = getenv("CORVANE_RTGUARD_FILE");
  /* The first backtrace() loads the unwinder (dlopen: allocation, locks);
   * do it now rather than in the middle of a report. */
  void* frame[2];
  backtrace(frame, 2);
}

static int OpenReport(void) {
  if (!gReportFile) return 2;
  const int fd = open(gReportFile, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  return fd >= 0 ? fd : 2;
}

__attribute__((destructor)) static void Finish(void) {
  const long n = __atomic_load_n(&gViolations, __ATOMIC_RELAXED);
  if (!gLogOnly || n == 0) return;
  char line[128];
  const int len = snprintf(line, sizeof line, "rtguard: %ld violation(s) on real-time threads in process %d\n", n,
                           (int)getpid());
  const int fd = OpenReport();
  if (len > 0) (void)!write(fd, line, (size_t)len);
  if (fd != 2) close(fd);
}

void corvane_rtguard_enter(const char* what) {
  if (rtguard_depth++ == 0) tMarkedAs = what;
}

void corvane_rtguard_leave(void) {
  if (rtguard_depth > 0) --rtguard_depth;
}

void* rtguard_real(void** slot, const char* name, const char* version, const char* library) {
  void* f = __atomic_load_n(slot, __ATOMIC_ACQUIRE);
  if (f) return f;
  ++rtguard_resolving;
  f = version ? dlvsym(RTLD_NEXT, name, version) : dlsym(RTLD_NEXT, name);
  if (!f && library) {
    void* loaded = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
    if (loaded) {
      f = dlsym(loaded, name);
      dlclose(loaded);  /* only drops the count RTLD_NOLOAD added */
    }
  }
  --rtguard_resolving;
  if (!f) {
    static const char text[] = "rtguard: no real definition of an interposed function: ";
    (void)!write(2, text, sizeof text - 1);
    (void)!write(2, name, strlen(name));
    (void)!write(2, "\n", 1);
    abort();
  }
  __atomic_store_n(slot, f, __ATOMIC_RELEASE);
  return f;
}

/* Whether this backtrace was reported before (log mode); remembers it. */
static int SeenBefore(void* const* frames, int n) {
  uint64_t h = 1469598103934665603ull;
  for (int i = 0; i < n; ++i) h = (h ^ (uint64_t)(uintptr_t)frames[i]) * 1099511628211ull;
  if (h == 0) h = 1;
  for (int i = 0; i < kSeenSlots; ++i) {
    uint64_t* slot = &gSeen[(h + (uint64_t)i) % kSeenSlots];
    uint64_t expected = 0;
    if (__atomic_load_n(slot, __ATOMIC_ACQUIRE) == h) return 1;
    if (__atomic_compare_exchange_n(slot, &expected, h, 0, __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE)) return 0;
    if (expected == h) return 1;
  }
  return 0;  /* table full: report it again rather than lose it */
}

int rtguard_violation(const char* call) {
  const int depth = rtguard_depth;
  rtguard_depth = 0;  /* what follows may allocate; it must not report itself */
  __atomic_add_fetch(&gViolations, 1, __ATOMIC_RELAXED);
  void* frames[64];
  const int n = backtrace(frames, 64);
  /* frames[0] is this function; frames[1] the interposed call. */
  if (!gLogOnly || !SeenBefore(frames + 1, n - 1)) {
    char line[256];
    const int len = snprintf(line, sizeof line, "rtguard: %s on a real-time thread (%s), process %d:\n", call,
                             tMarkedAs ? tMarkedAs : "marked", (int)getpid());
    const int fd = OpenReport();
    if (len > 0) (void)!write(fd, line, (size_t)len < sizeof line ? (size_t)len : sizeof line - 1);
    backtrace_symbols_fd(frames + 1, n - 1, fd);
    if (fd != 2) close(fd);
  }
  if (!gLogOnly) abort();
  return depth;
}

void rtguard_resume(int depth) {
  if (depth > 0) rtguard_depth = depth;
}
