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
  AudioReader reader;
  if (!reader.Open(job.input, &result.error)) return result;
  const AudioFormat in = reader.Format();
  if (!CheckMonoOrStereo(in, job.input, &result.error)) return result;
  result.channels = in.channels;
  result.sampleRate = in.sampleRate;
  // A file cut short is processed as far as it goes, and the user is told.
  if (reader.Promised() > 0)
    result.warning = job.input + " is truncated: its header promises " + std::to_string(reader.Promised()) +
                     (reader.PromisedInFrames() ? " frames" : " bytes of audio") + " but it holds " +
                     std::to_string(in.frames) + " frames; the output has the " + std::to_string(in.frames) +
                     " that are there";
  if (progress) progress->total = in.frames;

  std::vector<std::unique_ptr<Lane>> lanes;
  const struct {
    const std::string* path;
    int solo;
  } wanted[] = {{&job.output, -1},
                {&job.transientOutput, corvane_cli::kSoloTransient},
                {&job.residualOutput, corvane_cli::kSoloResidual}};
  for (const auto& w : wanted) {
    if (w.path->empty()) continue;
    lanes.push_back(std::make_unique<Lane>());
    if (!OpenLane(lanes.back().get(), job, *w.path, in, w.solo, &result.error)) return result;
  }
  if (lanes.empty()) {
    result.error = "no output file given";
    return result;
  }

  const int channels = in.channels;
  const int block = job.blockFrames;
  const long long latency = job.compensateLatency ? lanes[0]->unit.LatencySamples() : 0;
  std::vector<float> interleaved(static_cast<size_t>(block * channels));
  std::vector<float> planarIn[2];
  const float* inPtr[2] = {nullptr, nullptr};
  for (int ch = 0; ch < channels; ++ch) {
    planarIn[ch].assign(static_cast<size_t>(block), 0.0f);
    inPtr[ch] = planarIn[ch].data();
  }

  // Silence runs through the units first, so the file meets the plug-in as
  // a running host's would: the separation in effect and the smoothers
  // settled from its first sample (a unit starts with a quarter frame of
  // unseparated output and its gains rising). One latency of it is a whole
  // number of analysis frames, so the frames fall where they would without.
  for (long long preRoll = lanes[0]->unit.LatencySamples(); preRoll > 0;) {
    const int frames = static_cast<int>(std::min<long long>(block, preRoll));
    for (int ch = 0; ch < channels; ++ch) std::fill(planarIn[ch].begin(), planarIn[ch].end(), 0.0f);
    for (auto& lane : lanes) {
      const OSStatus s = lane->unit.Render(inPtr, lane->out, frames);
      if (s != noErr) {
        result.error = "the plug-in failed to render (status " + std::to_string(static_cast<int>(s)) + ")";
        return result;
      }
    }
    preRoll -= frames;
  }

  long long inputFrames = 0;   // read from the file
  long long fedFrames = 0;     // given to the units, flush included
  long long toSkip = latency;  // the delay absorbed at the start
  bool inputEnded = false;
  while (true) {
    if (gCancelRequested.load()) {
      result.error = "interrupted";
      return result;
    }
    long long n = 0;
    if (!inputEnded) {
      n = reader.Read(interleaved.data(), block);
      if (n < 0) {
        result.error = "cannot read " + job.input + ": the file is damaged";
        return result;
      }
      if (n < block) inputEnded = true;
      inputFrames += n;
      if (progress) progress->done = inputFrames;
    }
    // After the input, zeros flush the delayed tail until every input frame
    // has come out (only with latency compensation).
    const long long owed = inputFrames + latency - fedFrames;
    const long long frames = inputEnded ? std::min<long long>(block, owed) : n;
    if (frames <= 0) break;
    for (long long t = 0; t < frames; ++t)
      for (int ch = 0; ch < channels; ++ch)
        planarIn[ch][static_cast<size_t>(t)] = t < n ? interleaved[static_cast<size_t>(t * channels + ch)] : 0.0f;
    fedFrames += frames;
    const long long skip = std::min(toSkip, frames);
    toSkip -= skip;
    for (auto& lane : lanes) {
      const OSStatus s = lane->unit.Render(inPtr, lane->out, static_cast<int>(frames));
      if (s != noErr) {
        result.error = "the plug-in failed to render (status " + std::to_string(static_cast<int>(s)) + ")";
        return result;
      }
      for (long long t = skip; t < frames; ++t)
        for (int ch = 0; ch < channels; ++ch)
          interleaved[static_cast<size_t>((t - skip) * channels + ch)] = lane->out[ch][static_cast<size_t>(t)];
      if (frames > skip && !lane->writer.Write(interleaved.data(), frames - skip, &result.error)) return result;
    }
    result.frames += frames - skip;
    if (inputEnded && !job.compensateLatency) break;
  }
  for (auto& lane : lanes) {
    if (!lane->writer.Commit(&result.error)) return result;
    result.clipped += lane->writer.Clipped();
  }
  result.ok = true;
  return result;
}
