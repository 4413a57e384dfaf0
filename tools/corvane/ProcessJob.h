#pragma once
// One file through the plug-in: the mix, and optionally the transient and
// residual parts, each rendered by its own unit with the same settings.
#include <atomic>
#include <string>

#include "tools/corvane/AudioFiles.h"
#include "tools/corvane/PlotRequest.h"
#include "tools/corvane/Settings.h"

struct ProcessJob {
  std::string input, output;
  std::string transientOutput, residualOutput;  // empty: not written
  Settings settings;
  SampleFormat sampleFormat = SampleFormat::kKeep;
  bool compensateLatency = true;  // align the output with the input, same length
  int blockFrames = 1024;
  PlotRequest plot;  // plot.path empty: no picture
};

struct ProcessResult {
  bool ok = false;
  std::string error;
  long long frames = 0;    // frames written per output
  long long clipped = 0;   // samples clipped in integer outputs, all outputs together
  int channels = 0, sampleRate = 0;
  std::string warning;     // processed, but the user should know (a truncated input)
  bool usageError = false; // failed on an argument only the file could check (the plot's range)
  std::string plotCaption; // the picture's figures in words, when one was drawn
};

// Progress for a caller on another thread: frames of input consumed, and
// the total once the input is open.
struct JobProgress {
  std::atomic<long long> done{0};
  std::atomic<long long> total{0};
};

// Set by a signal handler: the job stops at the next block, removes its
// temporary files and reports "interrupted".
extern std::atomic<bool> gCancelRequested;

ProcessResult RunProcessJob(const ProcessJob& job, JobProgress* progress);

// Refuses an output that is an input or another output of the same job.
bool CheckOutputsDistinct(const ProcessJob& job, std::string* error);
// Refuses a picture path that is the input or one of the job's outputs.
bool CheckPlotPathDistinct(const ProcessJob& job, std::string* error);
