/* Input and output: files (descriptors and stdio streams), sockets, and
 * waiting on descriptors (poll, select, epoll). Reads and writes count
 * whatever the descriptor is: a pipe or an eventfd can block as a file can.
 *
 * Only calls that reach these names are seen: glibc's stdio writes through
 * its own internal entry points, so a stream function not listed here (say
 * fputc_unlocked) goes unnoticed, as do the _FORTIFY_SOURCE variants
 * (__printf_chk...), which this project does not build with. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <sys/epoll.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include "GuardInternal.h"

/* open and openat take a mode only when they may create the file. */
static mode_t ModeArgument(int flags, va_list ap) {
  return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? (mode_t)va_arg(ap, int) : 0;
}

#define FORWARD_OPEN(name)                                                                    \
  static void* real_slot_##name;                                                              \
  int name(const char* path, int flags, ...) {                                                \
    va_list ap;                                                                               \
    va_start(ap, flags);                                                                      \
    const mode_t mode = ModeArgument(flags, ap);                                              \
    va_end(ap);                                                                               \
    const int held = RTGUARD_CHECK(#name);                                                    \
    const int result = RTGUARD_REAL(int (*)(const char*, int, ...), name)(path, flags, mode); \
    rtguard_resume(held);                                                                     \
    return result;                                                                            \
  }

#define FORWARD_OPENAT(name)                                                                            \
  static void* real_slot_##name;                                                                        \
  int name(int dir, const char* path, int flags, ...) {                                                 \
    va_list ap;                                                                                         \
    va_start(ap, flags);                                                                                \
    const mode_t mode = ModeArgument(flags, ap);                                                        \
    va_end(ap);                                                                                         \
    const int held = RTGUARD_CHECK(#name);                                                              \
    const int result = RTGUARD_REAL(int (*)(int, const char*, int, ...), name)(dir, path, flags, mode); \
    rtguard_resume(held);                                                                               \
    return result;                                                                                      \
  }

/* ---- Files ---- */

FORWARD_OPEN(open)
FORWARD_OPEN(open64)
FORWARD_OPENAT(openat)
FORWARD_OPENAT(openat64)
RTGUARD_FORWARD(int, creat, (const char* path, mode_t mode), (path, mode))
RTGUARD_FORWARD(int, creat64, (const char* path, mode_t mode), (path, mode))
RTGUARD_FORWARD(int, close, (int fd), (fd))
RTGUARD_FORWARD(ssize_t, read, (int fd, void* b, size_t n), (fd, b, n))
RTGUARD_FORWARD(ssize_t, write, (int fd, const void* b, size_t n), (fd, b, n))
RTGUARD_FORWARD(ssize_t, pread, (int fd, void* b, size_t n, off_t at), (fd, b, n, at))
RTGUARD_FORWARD(ssize_t, pread64, (int fd, void* b, size_t n, off64_t at), (fd, b, n, at))
RTGUARD_FORWARD(ssize_t, pwrite, (int fd, const void* b, size_t n, off_t at), (fd, b, n, at))
RTGUARD_FORWARD(ssize_t, pwrite64, (int fd, const void* b, size_t n, off64_t at), (fd, b, n, at))
RTGUARD_FORWARD(ssize_t, readv, (int fd, const struct iovec* v, int n), (fd, v, n))
RTGUARD_FORWARD(ssize_t, writev, (int fd, const struct iovec* v, int n), (fd, v, n))
RTGUARD_FORWARD(int, fsync, (int fd), (fd))
RTGUARD_FORWARD(int, fdatasync, (int fd), (fd))

RTGUARD_FORWARD(FILE*, fopen, (const char* path, const char* mode), (path, mode))
RTGUARD_FORWARD(FILE*, fopen64, (const char* path, const char* mode), (path, mode))
RTGUARD_FORWARD(FILE*, freopen, (const char* path, const char* mode, FILE* f), (path, mode, f))
RTGUARD_FORWARD(int, fclose, (FILE * f), (f))
RTGUARD_FORWARD(size_t, fread, (void* b, size_t size, size_t n, FILE* f), (b, size, n, f))
RTGUARD_FORWARD(size_t, fwrite, (const void* b, size_t size, size_t n, FILE* f), (b, size, n, f))
RTGUARD_FORWARD(int, fflush, (FILE * f), (f))
RTGUARD_FORWARD(int, fputs, (const char* s, FILE* f), (s, f))
RTGUARD_FORWARD(int, fputc, (int c, FILE* f), (c, f))
RTGUARD_FORWARD(int, puts, (const char* s), (s))
RTGUARD_FORWARD(int, vfprintf, (FILE * f, const char* format, va_list ap), (f, format, ap))
RTGUARD_FORWARD(int, vprintf, (const char* format, va_list ap), (format, ap))

int fprintf(FILE* f, const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  const int r = vfprintf(f, format, ap);  /* checked there */
  va_end(ap);
  return r;
}

int printf(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  const int r = vprintf(format, ap);  /* checked there */
  va_end(ap);
  return r;
}

/* ---- Sockets ---- */

RTGUARD_FORWARD(int, socket, (int domain, int type, int protocol), (domain, type, protocol))
RTGUARD_FORWARD(int, connect, (int fd, const struct sockaddr* a, socklen_t n), (fd, a, n))
RTGUARD_FORWARD(int, bind, (int fd, const struct sockaddr* a, socklen_t n), (fd, a, n))
RTGUARD_FORWARD(int, listen, (int fd, int backlog), (fd, backlog))
RTGUARD_FORWARD(int, accept, (int fd, struct sockaddr* a, socklen_t* n), (fd, a, n))
RTGUARD_FORWARD(int, accept4, (int fd, struct sockaddr* a, socklen_t* n, int flags), (fd, a, n, flags))
RTGUARD_FORWARD(ssize_t, send, (int fd, const void* b, size_t n, int flags), (fd, b, n, flags))
RTGUARD_FORWARD(ssize_t, sendto, (int fd, const void* b, size_t n, int flags, const struct sockaddr* a, socklen_t an),
           (fd, b, n, flags, a, an))
RTGUARD_FORWARD(ssize_t, sendmsg, (int fd, const struct msghdr* m, int flags), (fd, m, flags))
RTGUARD_FORWARD(ssize_t, recv, (int fd, void* b, size_t n, int flags), (fd, b, n, flags))
RTGUARD_FORWARD(ssize_t, recvfrom, (int fd, void* b, size_t n, int flags, struct sockaddr* a, socklen_t* an),
           (fd, b, n, flags, a, an))
RTGUARD_FORWARD(ssize_t, recvmsg, (int fd, struct msghdr* m, int flags), (fd, m, flags))

/* ---- Waiting on descriptors ---- */

RTGUARD_FORWARD(int, poll, (struct pollfd * fds, nfds_t n, int timeout), (fds, n, timeout))
RTGUARD_FORWARD(int, ppoll, (struct pollfd * fds, nfds_t n, const struct timespec* t, const sigset_t* mask),
           (fds, n, t, mask))
RTGUARD_FORWARD(int, select, (int n, fd_set* rd, fd_set* wr, fd_set* ex, struct timeval* t), (n, rd, wr, ex, t))
RTGUARD_FORWARD(int, pselect,
           (int n, fd_set* rd, fd_set* wr, fd_set* ex, const struct timespec* t, const sigset_t* mask),
           (n, rd, wr, ex, t, mask))
RTGUARD_FORWARD(int, epoll_wait, (int fd, struct epoll_event* ev, int n, int timeout), (fd, ev, n, timeout))
RTGUARD_FORWARD(int, epoll_pwait, (int fd, struct epoll_event* ev, int n, int timeout, const sigset_t* mask),
           (fd, ev, n, timeout, mask))
