#include "tools/corvane/PlotFigures.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <set>

namespace {

constexpr int kSmoothHalfWidth = 2;    // 5 ms centred
constexpr double kEventFloor = 1e-2;   // -20 dB of the largest smoothed energy
constexpr long long kMinGapMs = 50;
constexpr double kMinRise = 8.0;       // +9 dB over the mean of the 50 ms before
constexpr long long kAttackMs = 5;
constexpr long long kBodyStartMs = 50;
constexpr long long kBodyEndMs = 200;

std::vector<double> Smoothed(const std::vector<double>& energy) {
  const long long n = static_cast<long long>(energy.size());
  std::vector<double> out(energy.size(), 0.0);
  for (long long i = 0; i < n; ++i) {
    double sum = 0;
    const long long lo = std::max(0LL, i - kSmoothHalfWidth), hi = std::min(n - 1, i + kSmoothHalfWidth);
    for (long long j = lo; j <= hi; ++j) sum += energy[static_cast<size_t>(j)];
    out[static_cast<size_t>(i)] = sum / (hi - lo + 1);
  }
  return out;
}

// The mean of the smoothed envelope over the 50 ms before bin i, or as
// much of them as the range holds; the last bins before i, which the
// smoothing has already lifted with the rise to i itself, are left out.
double MeanBefore(const std::vector<double>& s, long long i) {
  const long long from = std::max(0LL, i - kMinGapMs), to = std::max(from, i - 2 * kSmoothHalfWidth - 1);
  double sum = 0;
  for (long long j = from; j < to; ++j) sum += s[static_cast<size_t>(j)];
  return to > from ? sum / (to - from) : 0.0;
}

// Mean of the bins [from, to); NaN when the window is empty or silent.
double Level(const std::vector<double>& energy, long long from, long long to) {
  to = std::min<long long>(to, static_cast<long long>(energy.size()));
  if (from >= to) return std::numeric_limits<double>::quiet_NaN();
  double sum = 0;
  for (long long i = from; i < to; ++i) sum += energy[static_cast<size_t>(i)];
  return sum > 0 ? 10.0 * std::log10(sum / (to - from)) : std::numeric_limits<double>::quiet_NaN();
}

}  // namespace

std::vector<long long> FindEvents(const std::vector<double>& energy, bool silenceBefore) {
  const std::vector<double> s = Smoothed(energy);
  const double peak = s.empty() ? 0.0 : *std::max_element(s.begin(), s.end());
  if (!(peak > 0)) return {};
  // Local maxima (a plateau counts at its first bin), strongest first.
  std::vector<long long> candidates;
  for (size_t i = 0; i < s.size(); ++i) {
    // The range's edges are no maxima, except the file's start: silence
    // comes before it.
    const bool risesTo = i == 0 ? silenceBefore : s[i] > s[i - 1];
    const bool fallsAfter = i + 1 < s.size() && s[i] >= s[i + 1];
    if (!risesTo || !fallsAfter || s[i] < peak * kEventFloor) continue;
    // A bump inside a decay is no event: the envelope must have risen to it.
    if (s[i] >= kMinRise * MeanBefore(s, static_cast<long long>(i))) candidates.push_back(static_cast<long long>(i));
  }
  std::stable_sort(candidates.begin(), candidates.end(),
                   [&s](long long a, long long b) { return s[static_cast<size_t>(a)] > s[static_cast<size_t>(b)]; });
  std::set<long long> kept;
  for (long long c : candidates) {
    const auto next = kept.lower_bound(c);
    if (next != kept.end() && *next - c < kMinGapMs) continue;
    if (next != kept.begin() && c - *std::prev(next) < kMinGapMs) continue;
    kept.insert(c);
  }
  // The smoothing moves a sharp attack's peak a little late: each event is
  // placed on the loudest millisecond around its smoothed peak.
  std::vector<long long> events;
  for (long long c : kept) {
    long long loudest = c;
    for (long long j = std::max(0LL, c - kSmoothHalfWidth); j <= c + kSmoothHalfWidth && j < static_cast<long long>(energy.size()); ++j)
      if (energy[static_cast<size_t>(j)] > energy[static_cast<size_t>(loudest)]) loudest = j;
    events.push_back(loudest);
  }
  return events;
}

bool AttackBodyChange(const std::vector<long long>& events, const std::vector<double>& mix,
                      const std::vector<double>& input, double* changeDb) {
  std::vector<double> changes;
  for (size_t k = 0; k < events.size(); ++k) {
    const long long e = events[k];
    long long bodyEnd = e + kBodyEndMs;
    if (k + 1 < events.size()) bodyEnd = std::min(bodyEnd, events[k + 1]);
    const double change = (Level(mix, e, e + kAttackMs) - Level(mix, e + kBodyStartMs, bodyEnd)) -
                          (Level(input, e, e + kAttackMs) - Level(input, e + kBodyStartMs, bodyEnd));
    if (std::isfinite(change)) changes.push_back(change);
  }
  if (changes.empty()) return false;
  std::sort(changes.begin(), changes.end());
  const size_t mid = changes.size() / 2;
  *changeDb = changes.size() % 2 ? changes[mid] : 0.5 * (changes[mid - 1] + changes[mid]);
  return true;
}

PlotFigures ComputePlotFigures(const PlotAccumulator& summaries) {
  PlotFigures figures;
  const double transient = summaries.TotalEnergy(kPlotTransient);
  const double both = transient + summaries.TotalEnergy(kPlotResidual);
  figures.transientShare = both > 0 ? transient / both : std::numeric_limits<double>::quiet_NaN();
  figures.events = FindEvents(summaries.MillisecondEnergy(kPlotTransient), summaries.FirstFrame() == 0);
  figures.hasAttackBody = AttackBodyChange(figures.events, summaries.MillisecondEnergy(kPlotMix),
                                           summaries.MillisecondEnergy(kPlotInput), &figures.attackBodyDb);
  return figures;
}
