#include "tools/corvane/ProcessJob.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>
#include <vector>

#include "lice/LiceBitmap.h"
#include "tools/corvane/CorvaneUnit.h"
#include "tools/corvane/PlotAccumulator.h"
#include "tools/corvane/PlotFigures.h"
#include "tools/corvane/PlotLayout.h"
#include "tools/corvane/PlotPicture.h"

std::atomic<bool> gCancelRequested{false};

namespace {

// One rendering unit, the file it feeds (if any) and the picture's lane it
// draws (if any).
struct Lane {
  AUHost unit;
  AudioWriter writer;
  bool writes = false;
  int plotLane = -1;  // a PlotLane, or -1
  float unityFader = 0;  // the faders' position for unity gain: the transient fader's default
  std::vector<float> planar[2];
  float* out[2] = {nullptr, nullptr};
};

void SetSolo(AUHost* unit, int soloParam) {
  if (soloParam < 0) return;
  // The other solo first: the solos exclude each other.
  const int other = soloParam == corvane_cli::kSoloTransient ? corvane_cli::kSoloResidual : corvane_cli::kSoloTransient;
  unit->SetParameter(other, 0.0f);
  unit->SetParameter(soloParam, 1.0f);
}

// A unit with the job's settings and the solo, and its output buffers.
bool OpenUnit(Lane* lane, const ProcessJob& job, const AudioFormat& in, int soloParam, std::string* error) {
  if (!OpenCorvane(&lane->unit, in.channels, in.sampleRate, job.blockFrames, error)) return false;
  lane->unityFader = lane->unit.GetParameter(corvane_cli::kTransient);  // still the default here
  if (!ApplySettings(lane->unit, job.settings, error)) return false;
  SetSolo(&lane->unit, soloParam);
  for (int ch = 0; ch < in.channels; ++ch) {
    lane->planar[ch].assign(static_cast<size_t>(job.blockFrames), 0.0f);
    lane->out[ch] = lane->planar[ch].data();
  }
  return true;
}

bool OpenLane(Lane* lane, const ProcessJob& job, const std::string& path, const AudioFormat& in, int soloParam,
              std::string* error) {
  if (!OpenUnit(lane, job, in, soloParam, error)) return false;
  int format = 0;
  if (!OutputFormatFor(path, in.format, job.sampleFormat, in.channels, in.sampleRate, &format, error)) return false;
  lane->writes = true;
  return lane->writer.Open(path, format, in.channels, in.sampleRate, error);
}

// The fader and pan parameters of a part: the picture shows each part at
// unity gain and centred, whatever the user's faders and pans.
struct PartControls {
  int solo, fader, pan;
};
PartControls ControlsOf(PlotLane part) {
  using namespace corvane_cli;
  return part == kPlotTransient ? PartControls{kSoloTransient, kTransient, kPanTransient}
                                : PartControls{kSoloResidual, kResidual, kPanResidual};
}

// True when the lane's fader and pan for the part are at unity and centre.
// The residual fader's unity is the transient fader's default value too.
bool AtUnity(const Lane& lane, PlotLane part) {
  const PartControls c = ControlsOf(part);
  return lane.unit.GetParameter(c.fader) == lane.unityFader && lane.unit.GetParameter(c.pan) == 0.5f;
}

// A unit that renders only a part for the picture: the job's settings, the
// part's fader at unity, its pan centred, the part soloed.
bool OpenPlotLane(Lane* lane, const ProcessJob& job, const AudioFormat& in, PlotLane part, std::string* error) {
  const PartControls c = ControlsOf(part);
  if (!OpenUnit(lane, job, in, c.solo, error)) return false;
  lane->unit.SetParameter(c.fader, lane->unityFader);
  lane->unit.SetParameter(c.pan, 0.5f);
  lane->plotLane = part;
  return true;
}

bool SamePath(const std::string& a, const std::string& b) { return !a.empty() && (a == b || SameFile(a, b)); }

// What the units are given for one block: the file's frames made planar,
// zeros after them (the silence before the file, the flush after it).
class InputBlock {
public:
  InputBlock(int channels, int maxFrames) : mNumChannels(channels) {
    for (int ch = 0; ch < channels; ++ch) {
      mPlanar[ch].assign(static_cast<size_t>(maxFrames), 0.0f);
      mChannels[ch] = mPlanar[ch].data();
    }
  }
  // The first n of `frames` frames from `interleaved`, zeros for the rest.
  void Load(const float* interleaved, long long n, long long frames) {
    for (long long t = 0; t < frames; ++t)
      for (int ch = 0; ch < mNumChannels; ++ch)
        mPlanar[ch][static_cast<size_t>(t)] =
            t < n ? interleaved[static_cast<size_t>(t * mNumChannels + ch)] : 0.0f;
  }
  const float* const* Channels() const { return mChannels; }

private:
  int mNumChannels;
  std::vector<float> mPlanar[2];
  const float* mChannels[2] = {nullptr, nullptr};
};

// One run of a job. RunProcessJob calls the steps in order; each returns
// false with the result's error set, and the files of a run that stops are
// discarded by their writers.
class JobRunner {
public:
  JobRunner(const ProcessJob& job, JobProgress* progress, ProcessResult* result)
      : mJob(job), mProgress(progress), mResult(result) {}

  bool OpenInput();
  bool OpenOutputs();
  bool PreRoll();
  bool ProcessInput();
  bool Commit();

private:
  bool Fail(const std::string& error) {
    mResult->error = error;
    return false;
  }
  bool OpenPlot();
  bool RenderLanes(long long frames);
  // After RenderLanes: the frames of mInput's block, the units' fed
  // positions [start, start + frames), written where they fall in the
  // outputs' window and summarised for the picture; fileFrames of them
  // came from the file.
  bool Deliver(long long frames, long long start, long long fileFrames);
  bool DrawPicture(TempFile* picture);

  const ProcessJob& mJob;
  JobProgress* mProgress;
  ProcessResult* mResult;
  AudioReader mReader;
  AudioFormat mFormat;
  std::vector<std::unique_ptr<Lane>> mLanes;  // the mix, the parts asked for, the picture's parts
  std::unique_ptr<InputBlock> mInput;
  std::vector<float> mFileFrames, mOutFrames;  // one block, interleaved
  long long mLatency = 0;                      // of the plug-in, in samples
  // The outputs hold the fed positions [mWriteStart, mWriteEnd): from the
  // latency on when it is compensated, as many as the input has frames.
  long long mWriteStart = 0, mWriteEnd = LLONG_MAX;
  std::unique_ptr<PlotAccumulator> mPlot;      // null: no picture
};

// A file cut short is processed as far as it goes, and the user is told.
bool JobRunner::OpenInput() {
  if (!mReader.Open(mJob.input, &mResult->error)) return false;
  mFormat = mReader.Format();
  if (!CheckMonoOrStereo(mFormat, mJob.input, &mResult->error)) return false;
  mResult->channels = mFormat.channels;
  mResult->sampleRate = mFormat.sampleRate;
  if (mReader.Promised() > 0)
    mResult->warning = mJob.input + " is truncated: its header promises " + std::to_string(mReader.Promised()) +
                       (mReader.PromisedInFrames() ? " frames" : " bytes of audio") + " but it holds " +
                       std::to_string(mFormat.frames) + " frames; the output has the " +
                       std::to_string(mFormat.frames) + " that are there";
  if (!mJob.plot.path.empty() && !CheckPlotRange(mJob.plot, mFormat.frames, mFormat.sampleRate, &mResult->error)) {
    mResult->usageError = true;
    return false;
  }
  if (mProgress) mProgress->total = mFormat.frames;
  return true;
}

// A lane per output file, each unit with the same settings; a part is its
// unit with that part soloed. Then the picture's lanes.
bool JobRunner::OpenOutputs() {
  const struct {
    const std::string* path;
    int solo;
  } wanted[] = {{&mJob.output, -1},
                {&mJob.transientOutput, corvane_cli::kSoloTransient},
                {&mJob.residualOutput, corvane_cli::kSoloResidual}};
  for (const auto& w : wanted) {
    if (w.path->empty()) continue;
    mLanes.push_back(std::make_unique<Lane>());
    if (!OpenLane(mLanes.back().get(), mJob, *w.path, mFormat, w.solo, &mResult->error)) return false;
  }
  if (mLanes.empty() || mJob.output.empty()) return Fail("no output file given");
  mLatency = mLanes[0]->unit.LatencySamples();
  mWriteStart = mJob.compensateLatency ? mLatency : 0;
  const size_t blockSamples = static_cast<size_t>(mJob.blockFrames * mFormat.channels);
  mFileFrames.assign(blockSamples, 0.0f);
  mOutFrames.assign(blockSamples, 0.0f);
  mInput = std::make_unique<InputBlock>(mFormat.channels, mJob.blockFrames);
  return mJob.plot.path.empty() || OpenPlot();
}

// The picture's parts come from the stems' units when those already render
// them at unity and centred (the cost of a picture is then only its
// summaries); otherwise from units of their own.
bool JobRunner::OpenPlot() {
  const PlotRequest& plot = mJob.plot;
  const long long rate = mFormat.sampleRate;
  long long first = 0, end = mFormat.frames;
  if (plot.hasRange) {
    first = std::min(end, std::llround(plot.fromSeconds * rate));
    end = std::min(end, std::llround(plot.toSeconds * rate));
  }
  const int columns = MakePlotLayout(plot.width, plot.height, plot.scale).Columns();
  mPlot = std::make_unique<PlotAccumulator>(first, end, columns, mFormat.channels, mFormat.sampleRate);
  mLanes[0]->plotLane = kPlotMix;
  const struct {
    const std::string* stem;
    PlotLane part;
  } parts[] = {{&mJob.transientOutput, kPlotTransient}, {&mJob.residualOutput, kPlotResidual}};
  size_t stemLane = 1;
  for (const auto& p : parts) {
    if (!p.stem->empty()) {
      Lane* stem = mLanes[stemLane++].get();
      if (AtUnity(*stem, p.part)) {
        stem->plotLane = p.part;
        continue;
      }
    }
    mLanes.push_back(std::make_unique<Lane>());
    if (!OpenPlotLane(mLanes.back().get(), mJob, mFormat, p.part, &mResult->error)) return false;
  }
  return true;
}

// Silence runs through the units first, so the file meets the plug-in as a
// running host's would: the separation in effect and the smoothers settled
// from its first sample (a unit starts with a quarter frame of unseparated
// output and its gains rising). One latency of it is a whole number of
// analysis frames, so the frames fall where they would without. Nothing of
// it is written or drawn.
bool JobRunner::PreRoll() {
  for (long long preRoll = mLatency; preRoll > 0;) {
    const long long frames = std::min<long long>(mJob.blockFrames, preRoll);
    mInput->Load(nullptr, 0, frames);
    if (!RenderLanes(frames)) return false;
    preRoll -= frames;
  }
  return true;
}

// The file block by block. With latency compensation the delay is absorbed
// at the start and, after the input, zeros flush the delayed tail until
// every input frame has come out; without, the output is as long as the
// input (the tail is still flushed for a picture, which is drawn on the
// input's time axis either way, but not written). Stops at the next block
// once a cancel is requested.
bool JobRunner::ProcessInput() {
  const long long block = mJob.blockFrames;
  const long long tail = mJob.compensateLatency || mPlot ? mLatency : 0;
  long long inputFrames = 0;   // read from the file
  long long fedFrames = 0;     // given to the units, flush included
  bool inputEnded = false;
  while (true) {
    if (gCancelRequested.load()) return Fail("interrupted");
    long long n = 0;
    if (!inputEnded) {
      n = mReader.Read(mFileFrames.data(), block);
      if (n < 0) return Fail("cannot read " + mJob.input + ": the file is damaged");
      inputFrames += n;
      if (n < block) {
        // A decoder can stop early without an error (a FLAC frame it cannot
        // parse): the output would be shorter than the file says it is.
        if (inputFrames < mFormat.frames)
          return Fail("cannot read " + mJob.input + ": the file is damaged (only " + std::to_string(inputFrames) +
                      " of its " + std::to_string(mFormat.frames) + " frames decode)");
        inputEnded = true;
        mWriteEnd = mWriteStart + inputFrames;
      }
      if (mProgress) mProgress->done = inputFrames;
    }
    const long long owed = inputFrames + tail - fedFrames;
    const long long frames = inputEnded ? std::min(block, owed) : n;
    if (frames <= 0) break;
    mInput->Load(mFileFrames.data(), n, frames);
    if (!RenderLanes(frames) || !Deliver(frames, fedFrames, n)) return false;
    fedFrames += frames;
  }
  return true;
}

bool JobRunner::RenderLanes(long long frames) {
  for (auto& lane : mLanes) {
    const OSStatus s = lane->unit.Render(mInput->Channels(), lane->out, static_cast<int>(frames));
    if (s != noErr) return Fail("the plug-in failed to render (status " + std::to_string(static_cast<int>(s)) + ")");
  }
  return true;
}

bool JobRunner::Deliver(long long frames, long long start, long long fileFrames) {
  const int channels = mFormat.channels;
  const long long from = std::max(start, mWriteStart), to = std::min(start + frames, mWriteEnd);
  if (mPlot && fileFrames > 0) mPlot->Add(kPlotInput, start, mInput->Channels(), fileFrames);
  for (auto& lane : mLanes) {
    // A unit's output at fed position p is the input's frame p - latency.
    if (mPlot && lane->plotLane >= 0)
      mPlot->Add(static_cast<PlotLane>(lane->plotLane), start - mLatency, lane->out, frames);
    if (!lane->writes || to <= from) continue;
    for (long long t = from; t < to; ++t)
      for (int ch = 0; ch < channels; ++ch)
        mOutFrames[static_cast<size_t>((t - from) * channels + ch)] = lane->out[ch][static_cast<size_t>(t - start)];
    if (!lane->writer.Write(mOutFrames.data(), to - from, &mResult->error)) return false;
  }
  if (to > from) mResult->frames += to - from;
  return true;
}

bool JobRunner::DrawPicture(TempFile* picture) {
  const PlotFigures figures = ComputePlotFigures(*mPlot);
  LICE_MemBitmap bitmap;
  if (!DrawPlotPicture(mJob.plot, *mPlot, figures, &bitmap, &mResult->error) ||
      !WritePlotPng(&bitmap, mJob.plot.path, picture, &mResult->error))
    return false;
  mResult->plotCaption = PlotCaption(figures);
  return true;
}

// The picture is written before the audio is committed and renamed after
// it, so a picture that cannot be written leaves no output at all.
bool JobRunner::Commit() {
  TempFile picture;
  if (mPlot && !DrawPicture(&picture)) return false;
  for (auto& lane : mLanes) {
    if (!lane->writes) continue;
    if (!lane->writer.Commit(&mResult->error)) return false;
    mResult->clipped += lane->writer.Clipped();
  }
  return !mPlot || picture.Commit(&mResult->error);
}

}  // namespace

bool CheckOutputsDistinct(const ProcessJob& job, std::string* error) {
  const std::string outputs[] = {job.output, job.transientOutput, job.residualOutput};
  for (int i = 0; i < 3; ++i) {
    if (SamePath(outputs[i], job.input)) {
      *error = "the output " + outputs[i] + " is the input file; choose another name";
      return false;
    }
    for (int j = i + 1; j < 3; ++j)
      if (SamePath(outputs[i], outputs[j])) {
        *error = "two outputs are the same file: " + outputs[i];
        return false;
      }
  }
  return true;
}

bool CheckPlotPathDistinct(const ProcessJob& job, std::string* error) {
  if (job.plot.path.empty()) return true;
  const std::string others[] = {job.input, job.output, job.transientOutput, job.residualOutput};
  for (const std::string& other : others)
    if (SamePath(job.plot.path, other)) {
      *error = "the picture " + job.plot.path + " would overwrite " + (other == job.input ? "the input " : "the output ") +
               other + "; choose another name";
      return false;
    }
  return true;
}

ProcessResult RunProcessJob(const ProcessJob& job, JobProgress* progress) {
  ProcessResult result;
  if (!CheckOutputsDistinct(job, &result.error)) return result;
  if (!CheckPlotPathDistinct(job, &result.error)) {
    result.usageError = true;
    return result;
  }
  JobRunner run(job, progress, &result);
  result.ok = run.OpenInput() && run.OpenOutputs() && run.PreRoll() && run.ProcessInput() && run.Commit();
  return result;
}
