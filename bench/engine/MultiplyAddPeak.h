#pragma once
// This machine's throughput for double-precision multiplies and adds issued
// as separate instructions (never fused: the engine's sums must round as
// written), on the widest vectors the processor offers. A wavelet pair of
// known multiply-add count cannot run faster than this kernel doing as many.

enum class VectorIsa { kSse2, kAvx2, kAvx512 };

const char* IsaName(VectorIsa isa);
bool IsaSupported(VectorIsa isa);
// The widest of the three that this processor runs (checked at run time).
VectorIsa WidestSupportedIsa();

// Performs at least `multiplyAdds` multiply-add pairs (one multiply and one
// add per lane, rounded up to whole vector steps) on many independent
// chains, so that throughput, not latency, bounds it. Returns a value that
// depends on every result. `isa` must be supported.
double RunMultiplyAdds(VectorIsa isa, long multiplyAdds);
