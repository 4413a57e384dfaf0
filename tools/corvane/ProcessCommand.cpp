// corvane process: one file to one file, or many files into a folder in
// parallel, each with its own plug-in instance.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "tools/corvane/CommandLine.h"
#include "tools/corvane/Commands.h"
#include "tools/corvane/Help.h"
#include "tools/corvane/CorvaneUnit.h"
#include "tools/corvane/PlotSettingsText.h"
#include "tools/corvane/ProcessJob.h"
#include "tools/corvane/Progress.h"

namespace {


enum {
  kOptTransientOut = kOptFirstCommandOption, kOptResidualOut, kOptFormat, kOptNoLatency,
  kOptPlot, kOptPlotDir, kOptPlotRange, kOptPlotSize, kOptPlotScale
};

// The command line, read: what every job shares, and where each goes.
struct ProcessOptions {
  std::vector<RawSetting> settings;  // in command-line order
  ProcessJob base;                   // every job's options; the output when there is one input
  std::vector<std::string> inputs;
  std::string outDir;                // empty: one input, one output file
  std::string plotDir;               // empty: no picture per input
  bool plotShape = false;            // a picture option besides --plot and --plot-dir was given
  int nJobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  bool quiet = false;
};

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// "drums.wav" -> "drums"; a name whose only dot leads it keeps it.
std::string WithoutExtension(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void PrintSummary(const ProcessJob& job, const ProcessResult& r) {
  std::fprintf(stderr, "wrote %s (%d ch, %d Hz, %.2f s)", job.output.c_str(), r.channels, r.sampleRate,
               r.sampleRate > 0 ? static_cast<double>(r.frames) / r.sampleRate : 0.0);
  if (!job.transientOutput.empty()) std::fprintf(stderr, ", %s", job.transientOutput.c_str());
  if (!job.residualOutput.empty()) std::fprintf(stderr, ", %s", job.residualOutput.c_str());
  std::fprintf(stderr, "\n");
  if (!job.plot.path.empty()) std::fprintf(stderr, "drew %s: %s\n", job.plot.path.c_str(), r.plotCaption.c_str());
}

// Runs the jobs on up to nThreads threads; the calling thread draws the
// progress over all of them. Returns the exit status: a usage error when a
// job found one (a picture's range outside its file), else a failure when
// any job failed.
int RunJobs(const std::vector<ProcessJob>& jobs, int nThreads, bool quiet) {
  std::vector<ProcessResult> results(jobs.size());
  std::vector<JobProgress> progress(jobs.size());
  std::atomic<size_t> next{0};
  std::atomic<int> running{0};
  auto worker = [&] {
    for (size_t i; (i = next.fetch_add(1)) < jobs.size();) results[i] = RunProcessJob(jobs[i], &progress[i]);
    running.fetch_sub(1);
  };
  const int n = std::max(1, std::min<int>(nThreads, static_cast<int>(jobs.size())));
  running = n;
  std::vector<std::thread> threads;
  for (int t = 0; t < n; ++t) threads.emplace_back(worker);
  {
    ProgressBar bar(!quiet);
    while (running.load() > 0) {
      long long done = 0, total = 0;
      for (const JobProgress& p : progress) {
        done += p.done.load();
        total += p.total.load();
      }
      bar.Update(done, total);
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  for (std::thread& t : threads) t.join();

  int status = kExitOk;
  for (size_t i = 0; i < jobs.size(); ++i) {
    const ProcessResult& r = results[i];
    if (!r.ok) {
      status = r.usageError || status == kExitUsage ? kExitUsage : kExitFailure;
      if (r.error != "interrupted") PrintError(jobs[i].input + ": " + r.error);
      continue;
    }
    if (!r.warning.empty()) std::fprintf(stderr, "corvane: warning: %s\n", r.warning.c_str());
    if (quiet) continue;
    PrintSummary(jobs[i], r);
    if (r.clipped > 0)
      std::fprintf(stderr, "corvane: warning: %s: %lld samples clipped\n", jobs[i].output.c_str(), r.clipped);
  }
  return status;
}

// --plot-range, --plot-size or --scale into the request; kExitOk or the
// usage error's status.
int ParsePlotOption(int code, const char* text, PlotRequest* plot) {
  std::string error;
  const bool ok = code == kOptPlotRange  ? ParsePlotRange(text, plot, &error)
                  : code == kOptPlotSize ? ParsePlotSize(text, &plot->width, &plot->height, &error)
                                         : ParseScale(text, &plot->scale, &error);
  return ok ? kExitOk : UsageError("process", error);
}

// Reads the options and the file names. *done when the command ends here
// (help, or a usage error) with the returned status.
int ParseProcessOptions(int argc, char** argv, ProcessOptions* options, bool* done) {
  const std::vector<option> longOptions = WithSettingOptions({
      {"output-dir", required_argument, nullptr, 'o'},
      {"jobs", required_argument, nullptr, 'j'},
      {"quiet", no_argument, nullptr, 'q'},
      {"help", no_argument, nullptr, 'h'},
      {"transient-out", required_argument, nullptr, kOptTransientOut},
      {"residual-out", required_argument, nullptr, kOptResidualOut},
      {"format", required_argument, nullptr, kOptFormat},
      {"no-latency-compensation", no_argument, nullptr, kOptNoLatency},
      {"plot", required_argument, nullptr, kOptPlot},
      {"plot-dir", required_argument, nullptr, kOptPlotDir},
      {"plot-range", required_argument, nullptr, kOptPlotRange},
      {"plot-size", required_argument, nullptr, kOptPlotSize},
      {"scale", required_argument, nullptr, kOptPlotScale},
  });
  ProcessJob& base = options->base;
  *done = true;
  opterr = 0;
  optind = 1;
  int c;
  while ((c = getopt_long(argc, argv, ":o:j:qh", longOptions.data(), nullptr)) != -1) {
    double v = 0;
    switch (c) {
      case 'o': options->outDir = optarg; break;
      case 'j':
        // The range first: converting a double out of int's range is undefined.
        if (!ParseNumber(optarg, &v) || v < 1 || v > 256 || v != static_cast<int>(v))
          return UsageError("process", std::string("-j: \"") + optarg + "\" is not a job count from 1 to 256");
        options->nJobs = static_cast<int>(v);
        break;
      case 'q': options->quiet = true; break;
      case 'h': PrintCommandHelp(*FindCommandHelp("process"), stdout); return kExitOk;
      case kOptTransientOut: base.transientOutput = optarg; break;
      case kOptResidualOut: base.residualOutput = optarg; break;
      case kOptFormat:
        if (!ParseSampleFormat(optarg, &base.sampleFormat))
          return UsageError("process", std::string("--format: unknown sample format \"") + optarg +
                                           "\" (keep, pcm16, pcm24, pcm32, float, double)");
        break;
      case kOptNoLatency: base.compensateLatency = false; break;
      case kOptPlot: base.plot.path = optarg; break;
      case kOptPlotDir: options->plotDir = optarg; break;
      case kOptPlotRange:
      case kOptPlotSize:
      case kOptPlotScale:
        if (const int status = ParsePlotOption(c, optarg, &base.plot)) return status;
        options->plotShape = true;
        break;
      case ':':
      case '?': return OptionError("process", c, argv);
      default:
        if (IsSettingOption(c)) options->settings.push_back({c, optarg});
        break;
    }
  }
  options->inputs.assign(argv + optind, argv + argc);
  *done = false;
  return kExitOk;
}

// The picture's options agree with each other and its folder exists.
// kExitOk, or the status after printing the error.
int CheckPlotArguments(const ProcessOptions& options) {
  const PlotRequest& plot = options.base.plot;
  std::string error;
  if (!plot.path.empty() && !options.plotDir.empty())
    return UsageError("process", "give --plot or --plot-dir, not both");
  if (plot.path.empty() && options.plotDir.empty()) {
    if (options.plotShape) return UsageError("process", "--plot-range, --plot-size and --scale need --plot or --plot-dir");
    return kExitOk;
  }
  if (!CheckPlotSize(plot, &error)) return UsageError("process", error);
  if (!options.plotDir.empty() && !IsDirectory(options.plotDir)) {
    PrintError("the picture folder " + options.plotDir + " does not exist");
    return kExitFailure;
  }
  return kExitOk;
}

// IN OUT, or IN... -o DIR: takes OUT from the inputs. kExitOk, or the status
// after printing the error.
int CheckFileArguments(ProcessOptions* options) {
  std::vector<std::string>& inputs = options->inputs;
  if (options->outDir.empty()) {
    if (inputs.size() != 2)
      return UsageError("process", inputs.size() < 2 ? "give an input and an output file"
                                                     : "several inputs need an output folder (-o DIR)");
    options->base.output = inputs[1];
    inputs.pop_back();
    return kExitOk;
  }
  if (inputs.empty()) return UsageError("process", "no input files");
  if (!options->base.plot.path.empty())
    return UsageError("process", "--plot names one picture; with -o use --plot-dir DIR");
  if (!options->base.transientOutput.empty() || !options->base.residualOutput.empty())
    return UsageError("process", "--transient-out and --residual-out name one file; they cannot be used with -o");
  if (!IsDirectory(options->outDir)) {
    PrintError("the output folder " + options->outDir + " does not exist");
    return kExitFailure;
  }
  return kExitOk;
}

// Settings are resolved and checked once, on a unit of their own, before
// any file is touched; the preset file is saved from it, so the jobs do not
// save it again. kExitOk, or the status after printing the error.
int ResolveAndSaveSettings(const std::vector<RawSetting>& raw, Settings* settings) {
  AUHost probe;
  std::string error;
  if (!OpenCorvane(&probe, 2, 44100.0, 1024, &error)) {
    PrintError(error);
    return kExitFailure;
  }
  if (!ResolveSettings(raw, probe, settings, &error)) return UsageError("process", error);
  if (!ApplySettings(probe, *settings, &error)) {
    PrintError(error);
    return kExitFailure;
  }
  probe.Close();
  settings->savePresetFile.clear();
  return kExitOk;
}

// One job per input; refuses an output that is an input, or that two jobs
// would both write. kExitOk, or the status after printing the error.
int MakeJobs(const ProcessOptions& options, std::vector<ProcessJob>* jobs) {
  std::string error;
  for (const std::string& in : options.inputs) {
    ProcessJob job = options.base;
    job.input = in;
    if (!options.outDir.empty()) job.output = options.outDir + "/" + BaseName(in);
    if (!options.plotDir.empty()) job.plot.path = options.plotDir + "/" + WithoutExtension(BaseName(in)) + ".png";
    job.plot.title = BaseName(in);
    if (!CheckOutputsDistinct(job, &error)) {
      PrintError(error);
      return kExitFailure;
    }
    if (!CheckPlotPathDistinct(job, &error)) return UsageError("process", error);
    for (const ProcessJob& other : *jobs) {
      if (other.output == job.output) {
        PrintError("two inputs would both be written to " + job.output);
        return kExitFailure;
      }
      // A picture against the other job's picture and output, both ways.
      const bool ours = !job.plot.path.empty() && (job.plot.path == other.plot.path || job.plot.path == other.output);
      const bool theirs = !other.plot.path.empty() && other.plot.path == job.output;
      if (ours || theirs) {
        PrintError("two files would both be written to " + (ours ? job.plot.path : other.plot.path));
        return kExitFailure;
      }
    }
    jobs->push_back(job);
  }
  return kExitOk;
}

}  // namespace

int RunProcessCommand(int argc, char** argv) {
  ProcessOptions options;
  bool done = false;
  const int parsed = ParseProcessOptions(argc, argv, &options, &done);
  if (done) return parsed;
  if (const int status = CheckFileArguments(&options)) return status;
  if (const int status = CheckPlotArguments(options)) return status;
  if (const int status = ResolveAndSaveSettings(options.settings, &options.base.settings)) return status;
  if (!options.base.plot.path.empty() || !options.plotDir.empty()) {
    std::string error;
    if (!DescribeSettings(options.base.settings, &options.base.plot.settingsText, &error)) {
      PrintError(error);
      return kExitFailure;
    }
  }
  std::vector<ProcessJob> jobs;
  if (const int status = MakeJobs(options, &jobs)) return status;

  const int status = RunJobs(jobs, options.nJobs, options.quiet);
  if (const int interrupted = InterruptedStatus()) {
    PrintError("interrupted; no output was written for unfinished files");
    return interrupted;
  }
  return status;
}
