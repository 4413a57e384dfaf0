#pragma once
// The plug-in's parameter-to-engine mappings: amount steps, pan law and the
// fader gain law. Pure functions, so they can be checked on their own.

// Amount 0..1 to the fraction of the frame left unedited: 0.625 up to 0.125,
// then 1 - 0.375 * 2^-j with j the number of further eighths passed.
double AmountFraction(double amount);

struct PanFactors {
  double left, right;
};
// p = 0 is hard left, 0.5 both 1.0, 1 hard right.
PanFactors PanLaw(double p);

// The fader geometry the gain law is written in, in pixels: the editor's,
// handed in by the plug-in (the law keeps no copy of it).
struct FaderScale {
  double k;      // 1 / travel of the transient fader (1/166)
  double M1;     // 0 dB mark, pixels from the top of the travel
  double M2;     // -36 dB mark
  double M3;     // bottom (-96 dB / silence) mark
  double L;      // travel of the fader being updated (166 or 162)
};

struct GainLawResult {
  bool zoneFound;  // false only for values outside 0..1: the gain stays as it was
  double gain;     // linear factor
  double textDb;   // value shown by the fader's text
};

// G: the linear factor of -36 dB.
constexpr double kMinus36dB = 0.015848931924611134;

// The zone is chosen from the smoothed value v, the text computed from the target u.
GainLawResult GainLaw(double u, double v, const FaderScale& scale);

// The decibels a fader shows at position u once its value has settled.
double FaderShownDb(double u, const FaderScale& scale);

// The position (0..1) at which a fader shows db, for db from +12 down to -96:
// the inverse of FaderShownDb.
double FaderPositionForDb(double db, const FaderScale& scale);
