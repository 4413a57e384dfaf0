#pragma once
// The three figures of the picture's caption and the events they rest on,
// from the accumulator's millisecond energies.
//
// Events: the transient part's energy per millisecond (channels summed),
// smoothed by a centred 5 ms moving average; an event is a local maximum of
// it that reaches -20 dB of its largest value and stands 9 dB above its
// mean over the 50 ms before (so a bump within a decay is none); of
// two maxima closer than 50 ms only the stronger one stands. The event is
// the loudest millisecond within the smoothing's reach of its maximum.
//
// Attack over body, per event: the level of the 5 ms from the event on,
// minus the level from 50 ms after it up to 200 ms after it, the next event
// or the end, whichever comes first; the mix's difference minus the
// input's, in dB. An event whose body would be empty, or whose windows are
// silent, does not count; the figure is the median over those that do.
#include <vector>

#include "tools/corvane/PlotAccumulator.h"

struct PlotFigures {
  double transientShare = 0;  // transient energy over transient + residual, 0..1; NaN when both are silent
  std::vector<long long> events;  // millisecond bins of the range
  bool hasAttackBody = false;
  double attackBodyDb = 0;  // the median change, with hasAttackBody
};

// Millisecond bins of the events in a mean-square envelope; silenceBefore
// when the envelope starts with the file (an event may start it).
std::vector<long long> FindEvents(const std::vector<double>& energy, bool silenceBefore);

// The median attack-over-body change of mix against input over the events;
// false when no event leaves room for a body.
bool AttackBodyChange(const std::vector<long long>& events, const std::vector<double>& mix,
                      const std::vector<double>& input, double* changeDb);

PlotFigures ComputePlotFigures(const PlotAccumulator& summaries);
