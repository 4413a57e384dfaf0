#include "tools/corvane/PlotAccumulator.h"

#include <algorithm>

// Column c covers the relative frames [ceil(c * span / columns),
// ceil((c + 1) * span / columns)); bin b those of [ceil(b * rate / 1000),
// ceil((b + 1) * rate / 1000)). Both are walked run by run: the division
// happens once per run, not once per frame.
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

void PlotAccumulator::Add(PlotLane lane, long long start, const float* const* channels, long long n) {
  const long long from = std::max(start, mFirst), to = std::min(start + n, mEnd);
  if (from >= to) return;
  const long long span = mEnd - mFirst;
  // Columns: extremes and sums of squares, one run per column.
  for (long long rel = from - mFirst; rel < to - mFirst;) {
    const long long column = rel * mColumns / span;
    const long long runEnd = std::min(to - mFirst, ColumnStart(column + 1));
    for (int ch = 0; ch < mChannels; ++ch) {
      ColumnSummary& s = mColumnData[static_cast<size_t>((lane * mChannels + ch) * mColumns + column)];
      const float* x = channels[ch] + (rel + mFirst - start);
      const long long len = runEnd - rel;
      float lo = s.count ? s.min : x[0], hi = s.count ? s.max : x[0];
      double squares = 0;
      for (long long i = 0; i < len; ++i) {
        lo = std::min(lo, x[i]);
        hi = std::max(hi, x[i]);
        squares += static_cast<double>(x[i]) * x[i];
      }
      s.min = lo;
      s.max = hi;
      s.sumSquares += squares;
      s.count += static_cast<int>(len);
    }
    rel = runEnd;
  }
  if (mBinEnergy[lane].empty()) return;
  // Millisecond bins: the channels' squares together.
  for (long long rel = from - mFirst; rel < to - mFirst;) {
    const long long bin = rel * 1000 / mSampleRate;
    const long long runEnd = std::min(to - mFirst, BinStart(bin + 1));
    float squares = 0;
    for (int ch = 0; ch < mChannels; ++ch) {
      const float* x = channels[ch] + (rel + mFirst - start);
      for (long long i = 0; i < runEnd - rel; ++i) squares += x[i] * x[i];
    }
    mBinEnergy[lane][static_cast<size_t>(bin)] += squares;
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
