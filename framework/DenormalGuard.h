#pragma once
// Scoped flush-to-zero / denormals-are-zero for the audio entry points.
//
// Subnormal numbers (a decaying filter tail, silence after a fade) make x86
// floating point many times slower. While a guard lives, SSE arithmetic
// flushes subnormal results (FTZ, MXCSR bit 15) and reads subnormal inputs
// as zero (DAZ, bit 6); the destructor restores the caller's MXCSR so the
// host's own settings survive. Elsewhere the guard does nothing.
#if defined(__SSE2__) || defined(__x86_64__) || defined(_M_X64)
#include <pmmintrin.h>
#include <xmmintrin.h>
#define CORVANE_HAS_MXCSR 1
#else
#define CORVANE_HAS_MXCSR 0
#endif

class DenormalGuard {
public:
#if CORVANE_HAS_MXCSR
  static constexpr unsigned int kModes = _MM_FLUSH_ZERO_ON | _MM_DENORMALS_ZERO_ON;
  DenormalGuard() : mSaved(_mm_getcsr()) { _mm_setcsr(mSaved | kModes); }
  ~DenormalGuard() { _mm_setcsr(mSaved); }
  // True when both modes are on for the calling thread.
  static bool IsActive() { return (_mm_getcsr() & kModes) == kModes; }
#else
  DenormalGuard() {}
  static bool IsActive() { return false; }
#endif
  DenormalGuard(const DenormalGuard&) = delete;
  DenormalGuard& operator=(const DenormalGuard&) = delete;

private:
#if CORVANE_HAS_MXCSR
  unsigned int mSaved;
#endif
};
