#pragma once
// A short synthetic drum loop over a tonal bed, for the demo and the
// benchmarks: kicks, snares and hi-hats (sharp attacks) over a sustained
// chord (no attacks to speak of). Deterministic.
#include <vector>

// Interleaved stereo at sampleRate, seconds long.
std::vector<float> SynthesizeDrumLoop(int sampleRate, double seconds);
