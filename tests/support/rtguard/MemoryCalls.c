/* The heap: the C allocation functions and C++'s operator new and delete.
 * Freeing a null pointer is no violation (it does nothing).
 *
 * While a thread looks up a real function, dlsym may call malloc or calloc
 * before the real ones are known: those come from a static buffer, never
 * freed (freeing them is a no-op), moved to the real heap by realloc. */
#define _GNU_SOURCE
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "GuardInternal.h"

/* ---- The bootstrap buffer: a bump allocator, a size word before each block. ---- */

enum { kBootBytes = 64 * 1024, kBootAlign = 16 };
static _Alignas(kBootAlign) unsigned char gBoot[kBootBytes];
static size_t gBootUsed = 0;  /* atomic */

static int InBoot(const void* p) {
  return (const unsigned char*)p >= gBoot && (const unsigned char*)p < gBoot + kBootBytes;
}

static void* BootAlloc(size_t n) {
  const size_t block = kBootAlign + ((n + kBootAlign - 1) / kBootAlign) * kBootAlign;
  const size_t at = __atomic_fetch_add(&gBootUsed, block, __ATOMIC_RELAXED);
  if (at + block > kBootBytes) return NULL;
  *(size_t*)(gBoot + at) = n;
  return gBoot + at + kBootAlign;
}

static size_t BootSize(const void* p) { return *(const size_t*)((const unsigned char*)p - kBootAlign); }

/* ---- C ---- */

static void* real_slot_malloc;
static void* real_slot_calloc;
static void* real_slot_realloc;
static void* real_slot_reallocarray;
static void* real_slot_free;
static void* real_slot_aligned_alloc;
static void* real_slot_posix_memalign;
static void* real_slot_memalign;
static void* real_slot_valloc;
static void* real_slot_pvalloc;

void* malloc(size_t n) {
  if (rtguard_resolving) return BootAlloc(n);
  const int held = RTGUARD_CHECK("malloc");
  void* p = RTGUARD_REAL(void* (*)(size_t), malloc)(n);
  rtguard_resume(held);
  return p;
}

void* calloc(size_t count, size_t size) {
  if (rtguard_resolving) {
    if (size && count > SIZE_MAX / size) return NULL;
    return BootAlloc(count * size);  /* static storage: already zero */
  }
  const int held = RTGUARD_CHECK("calloc");
  void* p = RTGUARD_REAL(void* (*)(size_t, size_t), calloc)(count, size);
  rtguard_resume(held);
  return p;
}

void* realloc(void* old, size_t n) {
  if (rtguard_resolving || (old && InBoot(old))) {
    void* p = rtguard_resolving ? BootAlloc(n) : malloc(n);
    if (p && old) memcpy(p, old, BootSize(old) < n ? BootSize(old) : n);
    return p;
  }
  const int held = RTGUARD_CHECK("realloc");
  void* p = RTGUARD_REAL(void* (*)(void*, size_t), realloc)(old, n);
  rtguard_resume(held);
  return p;
}

void* reallocarray(void* old, size_t count, size_t size) {
  const int held = RTGUARD_CHECK("reallocarray");
  void* p = RTGUARD_REAL(void* (*)(void*, size_t, size_t), reallocarray)(old, count, size);
  rtguard_resume(held);
  return p;
}

void free(void* p) {
  if (!p || InBoot(p)) return;
  const int held = RTGUARD_CHECK("free");
  RTGUARD_REAL(void (*)(void*), free)(p);
  rtguard_resume(held);
}

void* aligned_alloc(size_t alignment, size_t n) {
  const int held = RTGUARD_CHECK("aligned_alloc");
  void* p = RTGUARD_REAL(void* (*)(size_t, size_t), aligned_alloc)(alignment, n);
  rtguard_resume(held);
  return p;
}

int posix_memalign(void** out, size_t alignment, size_t n) {
  const int held = RTGUARD_CHECK("posix_memalign");
  const int r = RTGUARD_REAL(int (*)(void**, size_t, size_t), posix_memalign)(out, alignment, n);
  rtguard_resume(held);
  return r;
}

void* memalign(size_t alignment, size_t n) {
  const int held = RTGUARD_CHECK("memalign");
  void* p = RTGUARD_REAL(void* (*)(size_t, size_t), memalign)(alignment, n);
  rtguard_resume(held);
  return p;
}

void* valloc(size_t n) {
  const int held = RTGUARD_CHECK("valloc");
  void* p = RTGUARD_REAL(void* (*)(size_t), valloc)(n);
  rtguard_resume(held);
  return p;
}

void* pvalloc(size_t n) {
  const int held = RTGUARD_CHECK("pvalloc");
  void* p = RTGUARD_REAL(void* (*)(size_t), pvalloc)(n);
  rtguard_resume(held);
  return p;
}

/* ---- C++ (Itanium ABI names; size_t is unsigned long, align_val_t too) ----
 * Each forwards to libstdc++'s own definition, so failures still throw
 * std::bad_alloc (this file is built with -fexceptions so the exception
 * unwinds through these frames). */

#define FORWARD_NEW(mangled, label, params, args)                                \
  static void* real_slot_##mangled;                                              \
  void* mangled params {                                                         \
    const int held = RTGUARD_CHECK(label);                                       \
    void* p = RTGUARD_REAL_IN(void* (*) params, mangled, "libstdc++.so.6") args; \
    rtguard_resume(held);                                                        \
    return p;                                                                    \
  }

#define FORWARD_DELETE(mangled, label, params, args)                  \
  static void* real_slot_##mangled;                                   \
  void mangled params {                                               \
    if (!p) return;                                                   \
    const int held = RTGUARD_CHECK(label);                            \
    RTGUARD_REAL_IN(void (*) params, mangled, "libstdc++.so.6") args; \
    rtguard_resume(held);                                             \
  }

typedef unsigned long align_t; /* std::align_val_t */
typedef const void* nothrow_t; /* const std::nothrow_t& */

/* operator new(size_t), new[](size_t), and their nothrow and aligned forms */
FORWARD_NEW(_Znwm, "operator new", (size_t n), (n))
FORWARD_NEW(_Znam, "operator new[]", (size_t n), (n))
FORWARD_NEW(_ZnwmRKSt9nothrow_t, "operator new (nothrow)", (size_t n, nothrow_t t), (n, t))
FORWARD_NEW(_ZnamRKSt9nothrow_t, "operator new[] (nothrow)", (size_t n, nothrow_t t), (n, t))
FORWARD_NEW(_ZnwmSt11align_val_t, "operator new (aligned)", (size_t n, align_t a), (n, a))
FORWARD_NEW(_ZnamSt11align_val_t, "operator new[] (aligned)", (size_t n, align_t a), (n, a))
FORWARD_NEW(_ZnwmSt11align_val_tRKSt9nothrow_t, "operator new (aligned, nothrow)",
            (size_t n, align_t a, nothrow_t t), (n, a, t))
FORWARD_NEW(_ZnamSt11align_val_tRKSt9nothrow_t, "operator new[] (aligned, nothrow)",
            (size_t n, align_t a, nothrow_t t), (n, a, t))

/* operator delete(void*), delete[](void*), and their sized, aligned and nothrow forms */
FORWARD_DELETE(_ZdlPv, "operator delete", (void* p), (p))
FORWARD_DELETE(_ZdaPv, "operator delete[]", (void* p), (p))
FORWARD_DELETE(_ZdlPvm, "operator delete (sized)", (void* p, size_t n), (p, n))
FORWARD_DELETE(_ZdaPvm, "operator delete[] (sized)", (void* p, size_t n), (p, n))
FORWARD_DELETE(_ZdlPvSt11align_val_t, "operator delete (aligned)", (void* p, align_t a), (p, a))
FORWARD_DELETE(_ZdaPvSt11align_val_t, "operator delete[] (aligned)", (void* p, align_t a), (p, a))
FORWARD_DELETE(_ZdlPvmSt11align_val_t, "operator delete (sized, aligned)", (void* p, size_t n, align_t a),
               (p, n, a))
FORWARD_DELETE(_ZdaPvmSt11align_val_t, "operator delete[] (sized, aligned)", (void* p, size_t n, align_t a),
               (p, n, a))
FORWARD_DELETE(_ZdlPvRKSt9nothrow_t, "operator delete (nothrow)", (void* p, nothrow_t t), (p, t))
FORWARD_DELETE(_ZdaPvRKSt9nothrow_t, "operator delete[] (nothrow)", (void* p, nothrow_t t), (p, t))
FORWARD_DELETE(_ZdlPvSt11align_val_tRKSt9nothrow_t, "operator delete (aligned, nothrow)",
               (void* p, align_t a, nothrow_t t), (p, a, t))
FORWARD_DELETE(_ZdaPvSt11align_val_tRKSt9nothrow_t, "operator delete[] (aligned, nothrow)",
               (void* p, align_t a, nothrow_t t), (p, a, t))
