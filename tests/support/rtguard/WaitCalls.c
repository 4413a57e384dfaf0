/* Waiting: locks, condition variables, semaphores, joins, barriers, sleeps,
 * and futex waits made through syscall() (libstdc++'s std::future,
 * std::atomic::wait and std::counting_semaphore wait this way).
 *
 * A lock is a violation even when it is free (it may not be next time); a
 * try-lock never waits, so it is not interposed. Unlocking, posting and
 * signalling never wait either. */
#define _GNU_SOURCE
#include <linux/futex.h>
#include <pthread.h>
#include <semaphore.h>
#include <stdarg.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include "GuardInternal.h"

typedef const struct timespec* deadline_t;

RTGUARD_FORWARD(int, pthread_mutex_lock, (pthread_mutex_t* m), (m))
RTGUARD_FORWARD(int, pthread_mutex_timedlock, (pthread_mutex_t* m, deadline_t t), (m, t))
RTGUARD_FORWARD(int, pthread_mutex_clocklock, (pthread_mutex_t* m, clockid_t c, deadline_t t), (m, c, t))
RTGUARD_FORWARD(int, pthread_rwlock_rdlock, (pthread_rwlock_t* l), (l))
RTGUARD_FORWARD(int, pthread_rwlock_wrlock, (pthread_rwlock_t* l), (l))
RTGUARD_FORWARD(int, pthread_rwlock_timedrdlock, (pthread_rwlock_t* l, deadline_t t), (l, t))
RTGUARD_FORWARD(int, pthread_rwlock_timedwrlock, (pthread_rwlock_t* l, deadline_t t), (l, t))
RTGUARD_FORWARD(int, pthread_rwlock_clockrdlock, (pthread_rwlock_t* l, clockid_t c, deadline_t t), (l, c, t))
RTGUARD_FORWARD(int, pthread_rwlock_clockwrlock, (pthread_rwlock_t* l, clockid_t c, deadline_t t), (l, c, t))
RTGUARD_FORWARD(int, pthread_spin_lock, (pthread_spinlock_t* l), (l))

RTGUARD_FORWARD_VERSION(int, pthread_cond_wait, "GLIBC_2.3.2", (pthread_cond_t* c, pthread_mutex_t* m), (c, m))
RTGUARD_FORWARD_VERSION(int, pthread_cond_timedwait, "GLIBC_2.3.2",
                     (pthread_cond_t* c, pthread_mutex_t* m, deadline_t t), (c, m, t))
RTGUARD_FORWARD(int, pthread_cond_clockwait, (pthread_cond_t* c, pthread_mutex_t* m, clockid_t k, deadline_t t),
             (c, m, k, t))
RTGUARD_FORWARD(int, sem_wait, (sem_t* s), (s))
RTGUARD_FORWARD(int, sem_timedwait, (sem_t* s, deadline_t t), (s, t))
RTGUARD_FORWARD(int, sem_clockwait, (sem_t* s, clockid_t c, deadline_t t), (s, c, t))
RTGUARD_FORWARD(int, pthread_join, (pthread_t t, void** value), (t, value))
RTGUARD_FORWARD(int, pthread_barrier_wait, (pthread_barrier_t* b), (b))

RTGUARD_FORWARD(int, nanosleep, (const struct timespec* d, struct timespec* rest), (d, rest))
RTGUARD_FORWARD(int, clock_nanosleep, (clockid_t c, int flags, const struct timespec* d, struct timespec* rest),
             (c, flags, d, rest))
RTGUARD_FORWARD(int, usleep, (useconds_t us), (us))
RTGUARD_FORWARD(unsigned, sleep, (unsigned s), (s))

/* syscall() passes up to six register-sized arguments; reading six is how
 * every forwarder of it works on this ABI. Only futex waits are checked. */
static void* real_slot_syscall;

static int IsFutexWait(long number, long op) {
  if (number != SYS_futex) return 0;
  switch (op & FUTEX_CMD_MASK) {
    case FUTEX_WAIT:
    case FUTEX_WAIT_BITSET:
    case FUTEX_LOCK_PI:
    case FUTEX_LOCK_PI2:
    case FUTEX_WAIT_REQUEUE_PI:
      return 1;
    default:
      return 0;
  }
}

long syscall(long number, ...) {
  va_list ap;
  va_start(ap, number);
  long a[6];
  for (int i = 0; i < 6; ++i) a[i] = va_arg(ap, long);
  va_end(ap);
  const int held = IsFutexWait(number, a[1]) ? RTGUARD_CHECK("futex wait") : 0;
  const long r = RTGUARD_REAL(long (*)(long, ...), syscall)(number, a[0], a[1], a[2], a[3], a[4], a[5]);
  rtguard_resume(held);
  return r;
}
