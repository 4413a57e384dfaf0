#include "engine/ParameterLaws.h"

double AmountFraction(double v) {
  double f = 0.625;
  if (v > 0.125) {
    double step = 0.25, acc = 0.75, edge = 0.125;
    do {
      step = step * 0.5;
      acc = acc + step;
      edge = edge + 0.125;
    } while (v > edge);
    f = acc + step * (-0.5);
  }
  return f;
}

PanFactors PanLaw(double p) {
  PanFactors f;
  f.right = p + p < 1.0 ? p + p : 1.0;
  f.left = (1 - p) + (1 - p);
  if (f.left > 1.0) f.left = 1.0;
  return f;
}

// Boost zone above the 0 dB mark: linear to +12 dB (3.981...) at the top.
// Cut zone down to the -36 dB mark: amplitude falls linearly to G while the
// text falls linearly in decibels. Fade zone: G down to 0 at the bottom.
GainLawResult GainLaw(double u, double v, const FaderScale& s) {
  const double k = s.k, M1 = s.M1, M2 = s.M2, M3 = s.M3;
  const double G = kMinus36dB;
  const double d = s.L * (1 - v);
  GainLawResult r{true, 0.0, 0.0};
  if (M1 > d) {
    r.gain = (v - (1 - M1 * k)) / (M1 * k) * 2.9810717055349722 + 1.0;
    r.textDb = (u - (1 - M1 * k)) / (M1 * k) * 12.0;
  } else if (M2 > d) {
    const double q = (v - (1 - M2 * k)) / ((M1 - M2) * k);
    const double qu = (u - (1 - M2 * k)) / ((M1 - M2) * k);
    r.gain = (G - 1.0) * (2.0 - (1.0 - q)) + 1.0;
    r.textDb = (2.0 - (1.0 - qu)) * (-36.0);
  } else if (M3 >= d) {
    r.gain = G * (v - (1 - M3 * k)) / ((M3 - M2) * k);
    r.textDb = ((u - (1 - M3 * k)) / ((M2 - M3) * k) + 1.0) * (-60.0) + (-36.0);
  } else {
    r.zoneFound = false;
  }
  return r;
}
