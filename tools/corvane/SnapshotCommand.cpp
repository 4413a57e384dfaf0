// corvane snapshot: the editor as it looks after the settings and,
// optionally, after playing a file through the plug-in (meters included).
#include <cstdio>
#include <vector>

#include "tools/corvane/AudioFiles.h"
#include "tools/corvane/CommandLine.h"
#include "tools/corvane/Commands.h"
#include "tools/corvane/Help.h"
#include "tools/corvane/CorvaneUnit.h"
#include "tools/corvane/ProcessJob.h"
#include "tools/corvane/Snapshot.h"

namespace {


}  // namespace

bool SnapshotAfterPlaying(const Settings& settings, const std::string& input, const std::string& png,
                          int scale, std::string* error) {
  AudioReader reader;
  int channels = 2, rate = 44100;
  if (!input.empty()) {
    if (!reader.Open(input, error) || !CheckMonoOrStereo(reader.Format(), input, error)) return false;
    channels = reader.Format().channels;
    rate = reader.Format().sampleRate;
  }
  AUHost unit;
  constexpr int kBlock = 1024;
  if (!OpenCorvane(&unit, channels, rate, kBlock, error) || !ApplySettings(unit, settings, error)) return false;
  if (!input.empty()) {
    std::vector<float> interleaved(kBlock * channels), planar[2], out[2];
    const float* in[2] = {};
    float* outs[2] = {};
    for (int ch = 0; ch < channels; ++ch) {
      planar[ch].resize(kBlock);
      out[ch].resize(kBlock);
      in[ch] = planar[ch].data();
      outs[ch] = out[ch].data();
    }
    long long n;
    while ((n = reader.Read(interleaved.data(), kBlock)) > 0) {
      if (gCancelRequested.load()) {
        *error = "interrupted";
        return false;
      }
      for (long long t = 0; t < n; ++t)
        for (int ch = 0; ch < channels; ++ch) planar[ch][t] = interleaved[t * channels + ch];
      if (unit.Render(in, outs, static_cast<int>(n)) != noErr) {
        *error = "the plug-in failed to render";
        return false;
      }
    }
    if (n < 0) {
      *error = "cannot read " + input + ": the file is damaged";
      return false;
    }
  }
  return WriteEditorSnapshot(unit, png, scale, error);
}

int RunSnapshotCommand(int argc, char** argv) {
  const std::vector<option> longOptions = WithSettingOptions({{"input", required_argument, nullptr, 'i'},
                                                               {"scale", required_argument, nullptr, kOptScale},
                                                               {"quiet", no_argument, nullptr, 'q'},
                                                               {"help", no_argument, nullptr, 'h'}});
  std::vector<RawSetting> raw;
  std::string input, error;
  bool quiet = false;
  int scale = 1;
  opterr = 0;
  optind = 1;
  int c;
  while ((c = getopt_long(argc, argv, ":i:qh", longOptions.data(), nullptr)) != -1) {
    switch (c) {
      case 'i': input = optarg; break;
      case 'q': quiet = true; break;
      case kOptScale:
        if (!ParseScale(optarg, &scale, &error)) return UsageError("snapshot", error);
        break;
      case 'h': PrintCommandHelp(*FindCommandHelp("snapshot"), stdout); return kExitOk;
      case ':':
      case '?': return OptionError("snapshot", c, argv);
      default: raw.push_back({c, optarg}); break;
    }
  }
  if (argc - optind != 1) return UsageError("snapshot", "give one output image");
  const std::string png = argv[optind];
  Settings settings;
  if (const int status = ResolveSettingsOnProbe("snapshot", raw, &settings)) return status;
  if (!SnapshotAfterPlaying(settings, input, png, scale, &error)) {
    if (const int status = InterruptedStatus()) return status;
    PrintError(error);
    return kExitFailure;
  }
  if (!quiet) std::fprintf(stderr, "wrote %s\n", png.c_str());
  return kExitOk;
}
