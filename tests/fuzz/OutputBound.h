#pragma once
// The largest output the plug-in can give for an input whose samples never
// exceed P in magnitude, derived from its laws rather than observed:
//
//   The wet (residual) signal r at a sample is the middle half of one frame
//   w (the last N inputs, |w| <= P) transformed, with some detail
//   coefficients c_k (k >= 16, the bands the amount can reach) multiplied by
//   0.01, and transformed back:  r = w - 0.99 * sum_{k attenuated} c_k s_k,
//   with s_k the k-th synthesis function and c_k = <a_k, w>, a_k the k-th
//   analysis row. So |r(n)| <= P * (1 + 0.99 * Lambda), where the
//   transform's worst overshoot is
//       Lambda = max_{n in middle half} sum_{k >= 16} ||a_k||_1 * |s_k(n)|,
//   whatever the band walk attenuates. Lambda is computed here from the
//   engine's own transforms (unit impulses through each mode), not assumed.
//   The transient part is the delayed dry sample minus r: at most
//   P * (2 + 0.99 * Lambda). Both parts are scaled by a gain of at most
//   +12 dB (3.9810717055349722, the top of the fader's gain law) and a pan
//   factor of at most 1 (the pan law), and the output is their sum, or one
//   of them under solo; bypass and its crossfade mix the processed output
//   with the delayed dry signal (at most P) by weights that add up to 1. So
//       |out| <= P * 3.9810717055349722 * (3 + 2 * 0.99 * Lambda).
//   The check allows 0.1 % on top for the rounding of the smoothed gains
//   and of 32-bit samples.
//
// Computing Lambda takes 2 x 4096 transforms per mode; it is done once per
// process.
namespace fuzz_test {

// The worst overshoot Lambda over the three modes.
double WorstTransformOvershoot();
// The bound above for an input peak P.
double OutputPeakBound(double inputPeak);

}  // namespace fuzz_test
