// corvane gui: the editor in a window, the plug-in processing live audio as
// a JACK client, or a file played in a loop when there is no server.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "gui/x11/IGraphicsX11.h"
#include "host/au/view/AUViewFactory.h"
#include "plugin/Corvane.h"
#include "tools/corvane/CommandLine.h"
#include "tools/corvane/Commands.h"
#include "tools/corvane/Help.h"
#include "tools/corvane/CorvaneUnit.h"
#include "tools/corvane/JackSession.h"
#include "tools/corvane/LoopingFile.h"
#include "tools/corvane/PacedPlayer.h"
#include "tools/corvane/ProcessJob.h"
#include "tools/corvane/StoredSettings.h"

namespace {


const char kNoServerHint[] =
    "no JACK server is running; start one (for example 'jackd -d alsa' or a\n"
    "session manager), or play a file without one: corvane gui --input FILE";
// The same, for a user who started the editor from the desktop and never
// sees standard error: shown in a message over the editor's window.
const char kNoServerMessage[] =
    "No JACK server is running, so Corvane has no audio to process.\n"
    "Start one (for example 'jackd -d alsa', or from your session\n"
    "manager) and open Corvane again.";
// Any rate will do for an editor that only shows that message.
constexpr int kNoServerRate = 48000;

// Long-only options of this command.
constexpr int kOptSplitOutputs = kOptScale + 1;

struct GuiOptions {
  std::string input, clientName = "corvane";
  bool connect = false, quiet = false, splitOutputs = false;
  int scale = 0;  // 0: chosen from the X server's resolution
  std::vector<RawSetting> settings;
};

// Where the audio comes from and goes to while the window is open.
struct LiveAudio {
  JackSession jack;
  bool withJack = false;
  bool noServer = false;  // no server and no file: the window only says so
  LoopingFile file;
  std::unique_ptr<PacedPlayer> player;

  void Stop() {
    if (player) player->Stop();
    jack.Close();
  }
};

int ParseGuiOptions(int argc, char** argv, GuiOptions* options, bool* done) {
  const std::vector<option> longOptions = WithSettingOptions({{"input", required_argument, nullptr, 'i'},
                                                               {"connect", no_argument, nullptr, 'c'},
                                                               {"name", required_argument, nullptr, 'n'},
                                                               {"scale", required_argument, nullptr, kOptScale},
                                                               {"split-outputs", no_argument, nullptr, kOptSplitOutputs},
                                                               {"quiet", no_argument, nullptr, 'q'},
                                                               {"help", no_argument, nullptr, 'h'}});
  opterr = 0;
  optind = 1;
  int c;
  while ((c = getopt_long(argc, argv, ":i:cn:qh", longOptions.data(), nullptr)) != -1) {
    switch (c) {
      case 'i': options->input = optarg; break;
      case 'c': options->connect = true; break;
      case 'n': options->clientName = optarg; break;
      case kOptScale: {
        std::string error;
        if (!ParseScale(optarg, &options->scale, &error)) {
          *done = true;
          return UsageError("gui", error);
        }
        break;
      }
      case kOptSplitOutputs: options->splitOutputs = true; break;
      case 'q': options->quiet = true; break;
      case 'h':
        PrintCommandHelp(*FindCommandHelp("gui"), stdout);
        *done = true;
        return kExitOk;
      case ':':
      case '?': *done = true; return OptionError("gui", c, argv);
      default: options->settings.push_back({c, optarg}); break;
    }
  }
  if (optind != argc) {
    *done = true;
    return UsageError("gui", std::string("unexpected argument \"") + argv[optind] + "\"");
  }
  if (options->clientName.empty()) {
    *done = true;
    return UsageError("gui", "the JACK client name is empty");
  }
  return kExitOk;
}

// Joins the JACK server, or falls back to playing the file alone. Returns
// the sample rate to run at, or 0 after printing why it cannot run.
int ConnectAudio(const GuiOptions& options, LiveAudio* audio) {
  std::string error;
  if (!options.input.empty() && !audio->file.Load(options.input, &error)) {
    PrintError(error);
    return 0;
  }
  switch (audio->jack.Open(options.clientName, &error)) {
    case JackSession::OpenResult::kOk: audio->withJack = true; break;
    case JackSession::OpenResult::kNoServer:
      if (options.input.empty()) {
        PrintError(kNoServerHint);
        audio->noServer = true;
        return kNoServerRate;
      }
      if (!options.quiet)
        std::fprintf(stderr, "corvane: no JACK server is running; playing %s silently at real-time pace\n",
                     options.input.c_str());
      return audio->file.SampleRate();
    case JackSession::OpenResult::kFailed: PrintError(error); return 0;
  }
  const int rate = audio->jack.SampleRate();
  if (!options.input.empty() && audio->file.SampleRate() != rate && !options.quiet)
    std::fprintf(stderr, "corvane: %s is at %d Hz and the JACK server at %d Hz; it will play at the wrong speed\n",
                 options.input.c_str(), audio->file.SampleRate(), rate);
  return rate;
}

bool StartAudio(const GuiOptions& options, AUHost& unit, LiveAudio* audio) {
  std::string error;
  if (!audio->withJack) {
    audio->player = std::make_unique<PacedPlayer>(unit, audio->file);
    audio->player->Start();
    return true;
  }
  LoopingFile* file = options.input.empty() ? nullptr : &audio->file;
  // The parts are kept before the server runs the unit.
  Corvane* parts = options.splitOutputs ? dynamic_cast<Corvane*>(PlugOfUnit(unit.Unit())) : nullptr;
  if (parts) parts->KeepParts(true);
  if (!audio->jack.Start(&unit, file, &gCancelRequested, &error, parts)) {
    PrintError(error);
    return false;
  }
  const std::string name = audio->jack.ClientName();
  if (!options.quiet)
    std::fprintf(stderr, "corvane: running as JACK client \"%s\" at %d Hz (latency %d samples)%s%s\n", name.c_str(),
                 audio->jack.SampleRate(), unit.LatencySamples(), parts ? ", with the parts on their own outputs" : "",
                 file ? ", playing the file in a loop" : "");
  if (options.connect) {
    std::string report;
    if (!audio->jack.ConnectToSystem(&report, &error)) PrintError(error);
    else if (!options.quiet) std::fputs(report.c_str(), stderr);
  }
  return true;
}

}  // namespace

int RunGuiCommand(int argc, char** argv) {
  GuiOptions options;
  bool done = false;
  const int parsed = ParseGuiOptions(argc, argv, &options, &done);
  if (done) return parsed;

  // Settings are checked before anything connects to the server.
  Settings settings;
  if (const int status = ResolveSettingsOnProbe("gui", options.settings, &settings)) return status;

  LiveAudio audio;
  const int rate = ConnectAudio(options, &audio);
  if (rate <= 0) return kExitFailure;
  constexpr int kMaxBlock = 4096;  // longer server periods are rendered in pieces
  AUHost unit;
  std::string error;
  if (!OpenCorvane(&unit, 2, rate, kMaxBlock, &error)) {
    PrintError(error);
    return kExitFailure;
  }

  // The last run's settings first, then what this command line asks for.
  const std::string storePath = StoredSettingsPath();
  std::string message;
  if (RestoreStoredSettings(unit, storePath, &message) == RestoreResult::kDamaged) PrintError(message);
  if (!ApplySettings(unit, settings, &error)) {
    PrintError(error);
    return kExitFailure;
  }

  auto* editor = dynamic_cast<IGraphicsX11*>(EditorOf(unit));
  if (!editor) {
    PrintError("the plug-in has no editor");
    return kExitFailure;
  }
  editor->SetScale(options.scale ? options.scale : IGraphicsX11::PreferredScale());
  if (!editor->OpenEditor(0, "Corvane")) {
    PrintError("cannot open the editor window: no X display could be reached (is DISPLAY set?)");
    return kExitFailure;
  }
  if (audio.noServer) {
    editor->ShowMessageBox(kNoServerMessage, "Corvane: no JACK server", 0);
    editor->CloseWindow();
    return kExitFailure;
  }
  if (!StartAudio(options, unit, &audio)) {
    editor->CloseWindow();
    return kExitFailure;
  }
  editor->RunEventLoop(&gCancelRequested);
  editor->CloseWindow();
  audio.Stop();

  int status = InterruptedStatus();
  if (audio.jack.ServerGone()) {
    PrintError("the JACK server shut down");
    status = kExitFailure;
  }
  if (!SaveStoredSettings(unit, storePath, &error)) {
    PrintError("the settings were not saved: " + error);
    status = kExitFailure;
  }
  return status;
}
