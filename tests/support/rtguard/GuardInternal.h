/* The real-time guard's shared internals (a test-only LD_PRELOAD library).
 *
 * A thread is real-time while its mark depth is above zero: from
 * corvane_rtguard_enter() to the matching corvane_rtguard_leave(). Every
 * interposed call checks the calling thread's depth first (one read of an
 * initial-exec thread-local: no call, no allocation) and, when it is
 * marked, reports the call as a violation before doing it.
 *
 * Written in C so the library can be preloaded into every process a test
 * starts (Xvfb, jackd, the corvane command) without bringing the C++
 * runtime into them; operator new and delete are defined by their mangled
 * names in MemoryCalls.c. */
#ifndef CORVANE_RTGUARD_INTERNAL_H
#define CORVANE_RTGUARD_INTERNAL_H

#include <stddef.h>

/* The entry points, exported for the tests (RealtimeScope.h finds them by
 * name): mark the calling thread as real-time, `what` naming the path in
 * reports; unmark it. Marks nest. */
void corvane_rtguard_enter(const char* what);
void corvane_rtguard_leave(void);

#define RTGUARD_TLS __attribute__((tls_model("initial-exec")))

/* The calling thread's mark depth (0: not real-time). */
extern __thread int rtguard_depth RTGUARD_TLS;

/* Above zero while this thread resolves a real function: dlsym may allocate,
 * and those allocations come from a static buffer (MemoryCalls.c). */
extern __thread int rtguard_resolving RTGUARD_TLS;

/* Reports `call` made on a marked thread. Aborts unless the guard runs in
 * log mode (CORVANE_RTGUARD=log), where it prints each distinct backtrace
 * once and returns the thread's depth, having unmarked the thread so the
 * real call (which may allocate or lock in turn) is not reported again;
 * rtguard_resume() marks it again. */
int rtguard_violation(const char* call);
void rtguard_resume(int depth);

/* Checks the calling thread; evaluates to the depth to resume (0 when the
 * thread is not marked). */
#define RTGUARD_CHECK(call) (__builtin_expect(rtguard_depth > 0, 0) ? rtguard_violation(call) : 0)

/* The next definition of `name` after this library, looked up once;
 * `version` pins a versioned symbol (or NULL). When the definition is not
 * in the global scope (libstdc++ pulled in by a library opened with
 * RTLD_LOCAL, as a Mesa driver in Xvfb is), it is looked up in `library`,
 * if already loaded. Aborts with a message when there is none. */
void* rtguard_real(void** slot, const char* name, const char* version, const char* library);

#define RTGUARD_REAL(type, name) ((type)rtguard_real(&real_slot_##name, #name, NULL, NULL))
#define RTGUARD_REAL_VERSION(type, name, version) ((type)rtguard_real(&real_slot_##name, #name, version, NULL))
#define RTGUARD_REAL_IN(type, name, library) ((type)rtguard_real(&real_slot_##name, #name, NULL, library))

/* Defines `name` (parameters `params`, returning `ret`) as a check of the
 * calling thread followed by the real call with `args`. */
#define RTGUARD_FORWARD(ret, name, params, args)         \
  static void* real_slot_##name;                         \
  ret name params {                                      \
    const int held = RTGUARD_CHECK(#name);               \
    ret result = RTGUARD_REAL(ret(*) params, name) args; \
    rtguard_resume(held);                                \
    return result;                                       \
  }

/* The same for a symbol with versions, pinned to `version`. */
#define RTGUARD_FORWARD_VERSION(ret, name, version, params, args)         \
  static void* real_slot_##name;                                          \
  ret name params {                                                       \
    const int held = RTGUARD_CHECK(#name);                                \
    ret result = RTGUARD_REAL_VERSION(ret(*) params, name, version) args; \
    rtguard_resume(held);                                                 \
    return result;                                                        \
  }

#endif
