#pragma once
// The band walk of the frame editing, built for several instruction sets;
// the fastest one the processor has is chosen at run time.
//
// Walking coefficients [from, to) of x with a running reference r (the
// previous coefficient as it now stands; r for x[from] is given): a
// coefficient further than `threshold` from r loses 40 dB (x[i] * 0.01),
// and r becomes x[i] as it now stands. Returns the last r.
//
// The plain walk is that loop. The vector walks get the same results bit for
// bit without the chain from one coefficient to the next: the reference of
// x[i] is either x[i-1] or x[i-1] * 0.01, so both comparisons are made for
// every coefficient at once, and which one holds is then found for 64
// coefficients at a time with bit operations (BandWalkImpl.h says how).
// Every comparison and product is the one the plain walk makes.

struct BandWalk {
  const char* name;  // "plain", "avx2", "avx512"
  double (*walk)(double* x, int from, int to, double reference, double threshold);
};

namespace band_walk {

constexpr double kAttenuation = 0.01;  // -40 dB

// The walk of one instruction set, or null when this build or this
// processor has none.
const BandWalk* Plain();
const BandWalk* Avx2();
const BandWalk* Avx512();

// The fastest the processor runs, or the one LimitTo chose.
const BandWalk* Best();

// For tests, to run every path end to end on one machine: from now on
// Best() gives the fastest walk of at most the named instruction set
// ("plain", "sse2", "avx2", "avx512"), the one a processor without the
// wider sets runs (the plain walk up to SSE2); objects built earlier keep
// theirs. Refused (false, nothing changes) for an unknown name or a set
// this build or processor lacks. Best() is read when an object is built,
// never while it processes.
bool LimitTo(const char* instructionSet);

}  // namespace band_walk
