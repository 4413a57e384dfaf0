#include "tools/corvane/ProcessJob.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "tools/corvane/CorvaneUnit.h"

std::atomic<bool> gCancelRequested{false};

namespace {

// One rendering unit and the file it feeds.
struct Lane {
  AUHost unit;
  AudioWriter writer;
  std::vector<float> planar[2];
  float* out[2] = {nullptr, nullptr};
};

bool OpenLane(Lane* lane, const ProcessJob& job, const std::string& path, const AudioFormat& in, int soloParam,
              std::string* error) {
  if (!OpenCorvane(&lane->unit, in.channels, in.sampleRate, job.blockFrames, error)) return false;
  if (!ApplySettings(lane->unit, job.settings, error)) return false;
  if (soloParam >= 0) {  // the other solo first: the solos exclude each other
    const int other = soloParam == corvane_cli::kSoloTransient ? corvane_cli::kSoloResidual : corvane_cli::kSoloTransient;
    lane->unit.SetParameter(other, 0.0f);
    lane->unit.SetParameter(soloParam, 1.0f);
  }
  int format = 0;
  if (!OutputFormatFor(path, in.format, job.sampleFormat, in.channels, in.sampleRate, &format, error)) return false;
  if (!lane->writer.Open(path, format, in.channels, in.sampleRate, error)) return false;
  for (int ch = 0; ch < in.channels; ++ch) {
    lane->planar[ch].assign(static_cast<size_t>(job.blockFrames), 0.0f);
    lane->out[ch] = lane->planar[ch].data();
  }
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
  // Renders `frames` of mInput through every lane and writes each lane's
  // output from frame `skip` on.
  bool RenderBlock(long long frames, long long skip);

  const ProcessJob& mJob;
  JobProgress* mProgress;
  ProcessResult* mResult;
  AudioReader mReader;
  AudioFormat mFormat;
  std::vector<std::unique_ptr<Lane>> mLanes;  // the mix, then the parts asked for
  std::unique_ptr<InputBlock> mInput;
  std::vector<float> mFileFrames, mOutFrames;  // one block, interleaved
  long long mLatency = 0;                      // of the plug-in, in samples
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
  if (mProgress) mProgress->total = mFormat.frames;
  return true;
}

// A lane per output file, each unit with the same settings; a part is its
// unit with that part soloed.
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
  if (mLanes.empty()) return Fail("no output file given");
  mLatency = mLanes[0]->unit.LatencySamples();
  const size_t blockSamples = static_cast<size_t>(mJob.blockFrames * mFormat.channels);
  mFileFrames.assign(blockSamples, 0.0f);
  mOutFrames.assign(blockSamples, 0.0f);
  mInput = std::make_unique<InputBlock>(mFormat.channels, mJob.blockFrames);
  return true;
}

// Silence runs through the units first, so the file meets the plug-in as a
// running host's would: the separation in effect and the smoothers settled
// from its first sample (a unit starts with a quarter frame of unseparated
// output and its gains rising). One latency of it is a whole number of
// analysis frames, so the frames fall where they would without. Nothing of
// it is written.
bool JobRunner::PreRoll() {
  for (long long preRoll = mLatency; preRoll > 0;) {
    const long long frames = std::min<long long>(mJob.blockFrames, preRoll);
    mInput->Load(nullptr, 0, frames);
    if (!RenderBlock(frames, frames)) return false;
    preRoll -= frames;
  }
  return true;
}

// The file block by block. With latency compensation the delay is absorbed
// at the start and, after the input, zeros flush the delayed tail until
// every input frame has come out; without, the output is as long as the
// input. Stops at the next block once a cancel is requested.
bool JobRunner::ProcessInput() {
  const long long block = mJob.blockFrames;
  const long long latency = mJob.compensateLatency ? mLatency : 0;
  long long inputFrames = 0;   // read from the file
  long long fedFrames = 0;     // given to the units, flush included
  long long toSkip = latency;  // the delay not absorbed yet
  bool inputEnded = false;
  while (true) {
    if (gCancelRequested.load()) return Fail("interrupted");
    long long n = 0;
    if (!inputEnded) {
      n = mReader.Read(mFileFrames.data(), block);
      if (n < 0) return Fail("cannot read " + mJob.input + ": the file is damaged");
      if (n < block) inputEnded = true;
      inputFrames += n;
      if (mProgress) mProgress->done = inputFrames;
    }
    const long long owed = inputFrames + latency - fedFrames;
    const long long frames = inputEnded ? std::min(block, owed) : n;
    if (frames <= 0) break;
    mInput->Load(mFileFrames.data(), n, frames);
    fedFrames += frames;
    const long long skip = std::min(toSkip, frames);
    toSkip -= skip;
    if (!RenderBlock(frames, skip)) return false;
    mResult->frames += frames - skip;
    if (inputEnded && !mJob.compensateLatency) break;
  }
  return true;
}

bool JobRunner::RenderBlock(long long frames, long long skip) {
  const int channels = mFormat.channels;
  for (auto& lane : mLanes) {
    const OSStatus s = lane->unit.Render(mInput->Channels(), lane->out, static_cast<int>(frames));
    if (s != noErr) return Fail("the plug-in failed to render (status " + std::to_string(static_cast<int>(s)) + ")");
    for (long long t = skip; t < frames; ++t)
      for (int ch = 0; ch < channels; ++ch)
        mOutFrames[static_cast<size_t>((t - skip) * channels + ch)] = lane->out[ch][static_cast<size_t>(t)];
    if (frames > skip && !lane->writer.Write(mOutFrames.data(), frames - skip, &mResult->error)) return false;
  }
  return true;
}

bool JobRunner::Commit() {
  for (auto& lane : mLanes) {
    if (!lane->writer.Commit(&mResult->error)) return false;
    mResult->clipped += lane->writer.Clipped();
  }
  return true;
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

ProcessResult RunProcessJob(const ProcessJob& job, JobProgress* progress) {
  ProcessResult result;
  if (!CheckOutputsDistinct(job, &result.error)) return result;
  JobRunner run(job, progress, &result);
  result.ok = run.OpenInput() && run.OpenOutputs() && run.PreRoll() && run.ProcessInput() && run.Commit();
  return result;
}
