#include "tools/corvane/PlotAccumulator.h"

#include <algorithm>

// Column c covers the relative frames [ceil(c * span / columns),
// ceil((c + 1) * span / columns)); bin b those of [ceil(b * rate / 1000),
// ceil((b + 1) * rate / 1000)). Both are walked run by run: the divisions
// happen once per run, not once per frame.
namespace {

struct RunSummary {
  float min, max;
  double squares;
};

// Extremes and sum of squares of x[0..n), n > 0. Eight running lanes, so the
// compiler can keep them in vector registers (a single running sum would
// pin the order of the additions); a picture's figures need no more.
RunSummary Summarize(const float* x, long long n) {
  constexpr int kLanes = 8;
  float lo[kLanes], hi[kLanes], sq[kLanes];
  for (int k = 0; k < kLanes; ++k) lo[k] = hi[k] = x[0], sq[k] = 0.0f;
  long long i = 0;
  for (; i + kLanes <= n; i += kLanes)
    for (int k = 0; k < kLanes; ++k) {
      lo[k] = std::min(lo[k], x[i + k]);
      hi[k] = std::max(hi[k], x[i + k]);
      sq[k] += x[i + k] * x[i + k];
    }
  RunSummary r{x[0], x[0], 0.0};
  for (int k = 0; k < kLanes; ++k) {
    r.min = std::min(r.min, lo[k]);
    r.max = std::max(r.max, hi[k]);
    r.squares += sq[k];
  }
  for (; i < n; ++i) {
    r.min = std::min(r.min, x[i]);
    r.max = std::max(r.max, x[i]);
    r.squares += static_cast<double>(x[i]) * x[i];
  }
  return r;
}

}  // namespace

PlotAccumulator::PlotAccumulator(long long firstFrame, long long endFrame, int columns, int channels, int sampleRate)
    : mFirst(firstFrame), mEnd(std::max(firstFrame, endFrame)), mColumns(columns), mChannels(channels),
      mSampleRate(sampleRate) {
  const long long span = mEnd - mFirst;
  mBins = (span * 1000 + sampleRate - 1) / sampleRate;
  mColumnData.resize(static_cast<size_t>(kNumPlotLanes * channels * columns));
  for (int lane = 0; lane < kNumPlotLanes; ++lane)
    if (lane != kPlotResidual) mBinEnergy[lane].assign(static_cast<size_t>(mBins), 0.0f);
}

long long PlotAccumulator::ColumnStart(long long column) const {
  return (column * (mEnd - mFirst) + mColumns - 1) / mColumns;
}

long long PlotAccumulator::BinStart(long long bin) const { return (bin * mSampleRate + 999) / 1000; }

// One pass: the frames are cut where a column or a millisecond bin ends,
// and each piece is summarised once for both.
void PlotAccumulator::Add(PlotLane lane, long long start, const float* const* channels, long long n) {
  const long long from = std::max(start, mFirst), to = std::min(start + n, mEnd);
  if (from >= to) return;
  const long long span = mEnd - mFirst;
  const bool bins = !mBinEnergy[lane].empty();
  for (long long rel = from - mFirst; rel < to - mFirst;) {
    const long long column = rel * mColumns / span, bin = rel * 1000 / mSampleRate;
    long long runEnd = std::min(to - mFirst, ColumnStart(column + 1));
    if (bins) runEnd = std::min(runEnd, BinStart(bin + 1));
    double binSquares = 0;
    for (int ch = 0; ch < mChannels; ++ch) {
      ColumnSummary& s = mColumnData[static_cast<size_t>((lane * mChannels + ch) * mColumns + column)];
      const long long len = runEnd - rel;
      const RunSummary run = Summarize(channels[ch] + (rel + mFirst - start), len);
      s.min = s.count ? std::min(s.min, run.min) : run.min;
      s.max = s.count ? std::max(s.max, run.max) : run.max;
      s.sumSquares += run.squares;
      s.count += static_cast<int>(len);
      binSquares += run.squares;
    }
    if (bins) mBinEnergy[lane][static_cast<size_t>(bin)] += static_cast<float>(binSquares);
    rel = runEnd;
  }
}

std::vector<double> PlotAccumulator::MillisecondEnergy(PlotLane lane) const {
  std::vector<double> energy(static_cast<size_t>(mBins), 0.0);
  if (mBinEnergy[lane].empty()) return energy;
  for (long long b = 0; b < mBins; ++b) {
    const long long frames = std::min(BinStart(b + 1), mEnd - mFirst) - BinStart(b);
    if (frames > 0) energy[static_cast<size_t>(b)] = mBinEnergy[lane][static_cast<size_t>(b)] / (frames * mChannels);
  }
  return energy;
}

double PlotAccumulator::TotalEnergy(PlotLane lane) const {
  double total = 0;
  for (int ch = 0; ch < mChannels; ++ch)
    for (int c = 0; c < mColumns; ++c) total += Column(lane, ch, c).sumSquares;
  return total;
}
