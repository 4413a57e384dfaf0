#pragma once
// The small summaries the split's picture is drawn from, gathered in the
// same pass that renders the file: per pixel column, per lane and channel,
// the extremes and the sum of squares; and, for the figures, the energy of
// each millisecond. Nothing else of the audio is kept, whatever its length.
//
// Frames are counted on the input's time axis (frame 0 is the file's first
// frame); the accumulator keeps those of its range [first, end) and ignores
// the rest, so callers may hand it whole blocks. One thread (the job's).
#include <cstddef>
#include <vector>

enum PlotLane { kPlotInput, kPlotMix, kPlotTransient, kPlotResidual, kNumPlotLanes };

struct ColumnSummary {
  float min = 0, max = 0;
  double sumSquares = 0;
  int count = 0;  // frames seen; 0: the column is empty (an input cut short)
};

class PlotAccumulator {
public:
  PlotAccumulator(long long firstFrame, long long endFrame, int columns, int channels, int sampleRate);

  // n frames of one lane, planar, starting at input frame `start`.
  void Add(PlotLane lane, long long start, const float* const* channels, long long n);

  int Columns() const { return mColumns; }
  int Channels() const { return mChannels; }
  int SampleRate() const { return mSampleRate; }
  long long FirstFrame() const { return mFirst; }
  long long EndFrame() const { return mEnd; }
  const ColumnSummary& Column(PlotLane lane, int channel, int column) const {
    return mColumnData[static_cast<size_t>((lane * mChannels + channel) * mColumns + column)];
  }
  // Mean square per millisecond (channels summed, so a stereo signal counts
  // both), for the input, the mix and the transient part.
  std::vector<double> MillisecondEnergy(PlotLane lane) const;
  // The first frame of millisecond bin b, relative to the range's start.
  long long BinStart(long long bin) const;
  long long Bins() const { return mBins; }
  // Sum of squares over the range, all channels.
  double TotalEnergy(PlotLane lane) const;

private:
  long long ColumnStart(long long column) const;  // relative to the range's start

  long long mFirst, mEnd;
  int mColumns, mChannels, mSampleRate;
  long long mBins;
  std::vector<ColumnSummary> mColumnData;  // [lane][channel][column]
  std::vector<float> mBinEnergy[kNumPlotLanes];  // sum of squares per bin; the residual keeps none
};
