#pragma once
// The conversions between the hosts' float samples and the framework's
// double buffers, on the audio thread, one channel at a time.
//
// Each sample is converted on its own (float -> double is exact; double ->
// float rounds to nearest in the thread's rounding mode), so the results do
// not depend on how many samples one instruction converts. This file is
// compiled for vectorization: a plug-in with many outputs converts them all
// on every block.

// dest[t] = (float)src[t], t in [0, n).
void ConvertToFloat(const double* src, float* dest, int n);
// dest[t] += (float)src[t], t in [0, n): the float rounding first, then the add.
void AccumulateAsFloat(const double* src, float* dest, int n);
// dest[t] = src[t], t in [0, n).
void ConvertToDouble(const float* src, double* dest, int n);
