#include "engine/ParameterLaws.h"

#include <algorithm>
#include <cmath>

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

double FaderShownDb(double u, const FaderScale& s) { return GainLaw(u, u, s).textDb; }

// The text formula of each zone solved for the position, checked against the
// law; where a fader's own travel moves a zone boundary (the residual fader's
// 162 pixels against the 166 the formulas are scaled by), the zone chosen by
// the position differs from the one the formula assumed, and a bisection on
// the shown value (which rises with the position) finds it instead.
double FaderPositionForDb(double db, const FaderScale& s) {
  const double k = s.k;
  double u;
  if (db >= 0.0)
    u = (1.0 - s.M1 * k) + db / 12.0 * s.M1 * k;
  else if (db >= -36.0)
    u = (1.0 - s.M2 * k) + (-db / 36.0 - 1.0) * (s.M1 - s.M2) * k;
  else
    u = (1.0 - s.M3 * k) + (-(db + 36.0) / 60.0 - 1.0) * (s.M2 - s.M3) * k;
  u = std::min(1.0, std::max(0.0, u));
  if (std::fabs(FaderShownDb(u, s) - db) < 1e-9) return u;
  double lo = 0.0, hi = 1.0;
  for (int i = 0; i < 60; ++i) {
    const double mid = 0.5 * (lo + hi);
    (FaderShownDb(mid, s) < db ? lo : hi) = mid;
  }
  return hi;
}
