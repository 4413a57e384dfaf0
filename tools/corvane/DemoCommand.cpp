// corvane demo: a drum loop over a tonal bed, processed with two presets of
// opposite intent, written with its stems and editor snapshots.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tools/corvane/AudioFiles.h"
#include "tools/corvane/CommandLine.h"
#include "tools/corvane/Commands.h"
#include "tools/corvane/Help.h"
#include "tools/corvane/DrumLoop.h"
#include "tools/corvane/PlotSettingsText.h"
#include "tools/corvane/ProcessJob.h"
#include "tools/corvane/Snapshot.h"

namespace {


struct DemoPreset {
  int number;
  const char* name;
  const char* folder;
};
const DemoPreset kDemoPresets[] = {{0, "Snare Attack+", "snare-attack-plus"}, {3, "Kick Attack-", "kick-attack-minus"}};

bool MakeFolder(const std::string& path, std::string* error) {
  if (mkdir(path.c_str(), 0777) == 0 || errno == EEXIST) {
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return true;
  }
  *error = "cannot make the folder " + path + ": " + std::strerror(errno ? errno : ENOTDIR);
  return false;
}

bool WriteDemoInput(const std::string& path, std::string* error) {
  constexpr int kRate = 44100;
  const std::vector<float> loop = SynthesizeDrumLoop(kRate, 8.0);
  AudioWriter writer;
  return writer.Open(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, kRate, error) &&
         writer.Write(loop.data(), static_cast<long long>(loop.size() / 2), error) && writer.Commit(error);
}

}  // namespace

int RunDemoCommand(int argc, char** argv) {
  static const option longOptions[] = {
      {"quiet", no_argument, nullptr, 'q'}, {"help", no_argument, nullptr, 'h'}, {nullptr, 0, nullptr, 0}};
  bool quiet = false;
  opterr = 0;
  optind = 1;
  int c;
  while ((c = getopt_long(argc, argv, "qh", longOptions, nullptr)) != -1) {
    if (c == 'q') quiet = true;
    else if (c == 'h') return PrintCommandHelp(*FindCommandHelp("demo"), stdout), kExitOk;
    else return UsageError("demo", std::string("unknown option ") + argv[optind - 1]);
  }
  if (argc - optind > 1) return UsageError("demo", "give at most one folder");
  const std::string dir = optind < argc ? argv[optind] : "corvane-demo";

  std::string error;
  const std::string input = dir + "/input.wav";
  if (!MakeFolder(dir, &error) || !WriteDemoInput(input, &error)) {
    PrintError(error);
    return kExitFailure;
  }
  if (!quiet) std::printf("Corvane demo: an 8 s drum loop over a tonal bed, 44100 Hz stereo\n  input: %s\n", input.c_str());
  for (const DemoPreset& preset : kDemoPresets) {
    const std::string folder = dir + "/" + preset.folder;
    ProcessJob job;
    job.input = input;
    job.output = folder + "/mix.wav";
    job.transientOutput = folder + "/transient.wav";
    job.residualOutput = folder + "/residual.wav";
    job.settings.factoryPreset = preset.number;
    job.plot.path = folder + "/split.png";
    job.plot.title = "input.wav";
    if (!MakeFolder(folder, &error) || !DescribeSettings(job.settings, &job.plot.settingsText, &error)) {
      PrintError(error);
      return kExitFailure;
    }
    const ProcessResult result = RunProcessJob(job, nullptr);
    if (!result.ok) {
      if (const int status = InterruptedStatus()) return status;
      PrintError(result.error);
      return kExitFailure;
    }
    const std::string png = folder + "/editor.png";
    if (!SnapshotAfterPlaying(job.settings, input, png, 1, &error)) {
      if (const int status = InterruptedStatus()) return status;
      PrintError(error);
      return kExitFailure;
    }
    if (!quiet)
      std::printf("  \"%s\": %s\n      parts: %s, %s\n      split: %s\n        %s\n      editor: %s\n",
                  preset.name, job.output.c_str(), job.transientOutput.c_str(), job.residualOutput.c_str(),
                  job.plot.path.c_str(), result.plotCaption.c_str(), png.c_str());
  }
  if (!quiet)
    std::printf("Each preset's two parts add up to its mix: transient.wav holds the attacks,\n"
                "residual.wav everything else. split.png shows them at unity gain under the\n"
                "input and its mix, with the events found in the transient part.\n");
  return kExitOk;
}
