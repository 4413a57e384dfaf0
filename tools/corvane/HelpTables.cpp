// The documentation of every command, option, exit status and file: the one
// source of --help, the manual page and the completion (see Help.h).
#include <cstring>

#include "tools/corvane/Help.h"

namespace {

const OptionHelp kHelpOption = {'h', "help", nullptr, "print this command's help and exit"};

std::vector<CommandHelp> MakeCommands() {
  return {
      {"process",
       {"process [OPTIONS] [SETTINGS] IN OUT [--plot FILE.png]",
        "process [OPTIONS] [SETTINGS] IN... -o DIR [-j N] [--plot-dir PDIR]"},
       "process a file (or IN... -o DIR for many, in parallel)",
       "Splits each input into its transient and residual parts and mixes them back with the settings given. "
       "Inputs: any file libsndfile reads (WAV, AIFF, FLAC, Ogg, ...), mono or stereo. The output format follows "
       "OUT's extension (.wav, .aiff, .flac, .ogg, .caf, .w64, .rf64, .au); the sample format is kept unless "
       "--format says otherwise.\n\n"
       "The output is aligned with the input sample for sample and as long: the 4096-sample latency is absorbed "
       "and the tail flushed. Outputs are written to a temporary file next to the target and renamed only on "
       "success, so a failed or interrupted run leaves no partial file and never touches the inputs. An input "
       "cut short is processed as far as it goes, with a warning.\n\n"
       "--plot draws a picture of the split (PNG) from the same pass: the input with the mix over it, the "
       "transient and residual parts at unity gain, centred and unsoloed, marks at the transient part's events "
       "and a caption with three figures (the transient part's share of the two parts' energy, the number of "
       "events, and the mix's attack-over-body change against the input), which the summary line prints too.",
       {{'o', "output-dir", "DIR", "write each output as DIR/<input name>"},
        {'j', "jobs", "N", "process N files at once (default: the number of cores)"},
        {0, "transient-out", "FILE", "also write the transient part alone"},
        {0, "residual-out", "FILE", "also write the residual part alone (the two parts add up to the mix)"},
        {0, "format", "keep|pcm16|pcm24|pcm32|float|double", "the output's sample format (default: keep the input's)"},
        {0, "plot", "FILE.png", "also draw the picture of the split for the one input"},
        {0, "plot-dir", "DIR", "with several inputs: draw each one's picture as DIR/<input name>.png"},
        {0, "plot-range", "FROM:TO", "draw only the stretch from FROM to TO seconds"},
        {0, "plot-size", "WxH", "the picture's size in pixels (default 1600x900, at least 480x360)"},
        {0, "scale", "1|2", "2: the picture drawn at twice the size for high-density screens"},
        {0, "no-latency-compensation", nullptr,
         "write what a host receives: the output 4096 samples late, as long as the input (default: aligned with "
         "the input, the tail flushed)"},
        {'q', "quiet", nullptr, "no progress bar and no summary"},
        kHelpOption},
       true},
      {"info",
       {"info [SETTINGS]"},
       "parameters and factory presets",
       "Lists the plug-in's parameters and its factory presets. For each parameter: its index and its name for "
       "--set, its range, its declared default (the value a new instance starts with, whatever the settings "
       "given) and its current value as the plug-in shows it, after the settings given.",
       {kHelpOption},
       true},
      {"snapshot",
       {"snapshot [--input FILE] [--scale 1|2] [SETTINGS] OUT.png"},
       "a picture of the editor, optionally after playing a file",
       "Draws the editor into a PNG image, after the settings and, with --input, after processing the file (the "
       "meters show its last moments).",
       {{'i', "input", "FILE", "a file to play through the plug-in first"},
        {0, "scale", "1|2", "1: 365 x 574 pixels (the default), 2: 730 x 1148, drawn for high-density screens"},
        {'q', "quiet", nullptr, "no summary"},
        kHelpOption},
       true},
      {"demo",
       {"demo [DIR]"},
       "process a built-in drum loop with two presets",
       "Synthesizes an 8-second drum loop with a tonal bed, processes it with the presets \"Snare Attack+\" "
       "(attacks louder) and \"Kick Attack-\" (attacks softer), and writes each mix with its transient and "
       "residual parts, a picture of the split and one of the editor into DIR (default: corvane-demo).",
       {{'q', "quiet", nullptr, "print nothing but errors"}, kHelpOption},
       false},
      {"gui",
       {"gui [--input FILE] [--connect] [--name NAME] [--split-outputs] [--scale 1|2] [SETTINGS]"},
       "the editor in a window, processing live audio (JACK)",
       "Opens the editor and runs the plug-in live as a JACK client with two inputs (in_l, in_r) and two outputs "
       "(out_l, out_r); its latency is reported to JACK. It never starts a JACK server: with none running it says "
       "so in its window and exits with status 1, unless --input gives a file, which then plays in a loop at "
       "real-time pace, silently, so the meters still show the plug-in at work (with a server, the file replaces "
       "the inputs and is heard).\n\n"
       "The settings are kept between runs in $XDG_CONFIG_HOME/corvane/settings.aupreset (by default "
       "~/.config/corvane); settings options apply on top of them. Close the window (or press Ctrl-C) to quit; "
       "the settings are saved either way.",
       {{'i', "input", "FILE", "play a file in a loop through the plug-in"},
        {'c', "connect", nullptr, "connect to the system's first two capture and playback ports"},
        {'n', "name", "NAME", "the JACK client name (default: corvane)"},
        {0, "split-outputs", nullptr,
         "four more outputs with the two parts as they enter the mix: transient_l, transient_r, residual_l and "
         "residual_r, with the same latency, to route the parts apart"},
        {0, "scale", "1|2",
         "the editor at 365 x 574 (1) or drawn at twice the size for high-density screens (2); by default 2 when "
         "the X server reports about 168 dpi or more (Xft.dpi, else the screen's size), else 1"},
        {'q', "quiet", nullptr, "print nothing but errors"},
        kHelpOption},
       true},
      {"help",
       {"help [COMMAND]"},
       "this help, or a command's",
       "Prints the list of commands, or the help of COMMAND (the same as 'corvane COMMAND --help').",
       {{0, "man", nullptr, "print the manual page corvane(1) in roff instead"},
        {0, "complete", "commands|options COMMAND|presets|modes",
         "print words for the shell completion, one per line"}},
       false},
  };
}

}  // namespace

const char kProgramDescription[] =
    "Splits audio into its transient part (attacks, clicks, sharp events) and its residual part (everything "
    "else) with a frame-based wavelet analysis, and mixes them back rebalanced, panned or soloed. Every command "
    "hosts the plug-in through the host-side Audio Unit calls, as a DAW would; the same plug-in is installed for "
    "LV2 hosts as the bundle corvane.lv2.";

const char kSettingsIntro[] =
    "Every command but demo and help takes the settings options. They are applied in this order: the preset, "
    "then the preset file, then the others as given on the command line.";

const std::vector<CommandHelp>& CommandHelps() {
  static const std::vector<CommandHelp> commands = MakeCommands();
  return commands;
}

const CommandHelp* FindCommandHelp(const std::string& name) {
  for (const CommandHelp& c : CommandHelps())
    if (name == c.name) return &c;
  return nullptr;
}

const std::vector<OptionHelp>& SettingsHelp() {
  static const std::vector<OptionHelp> options = {
      {0, "preset", "NAME|NUMBER", "one of the factory presets ('corvane info' lists them)"},
      {0, "load-preset", "FILE", "a .aupreset file (XML property list)"},
      {0, "mode", "haar|daub4|bior68", "the wavelet: Haar, Daubechies-4 or biorthogonal 6.8"},
      {0, "amount", "0..1", "how many wavelet bands take part (default 0.7)"},
      {0, "sensitivity", "0..1", "how sharp a jump must be to count as a transient (default 0.7)"},
      {0, "transient", "DB", "the transient fader in the decibels it shows: +12 to -96, or -inf (default 0)"},
      {0, "residual", "DB", "the residual fader, likewise (default 0)"},
      {0, "pan-transient", "P", "the transient part's pan: -1 (left) .. 0 (centre) .. 1 (right), or L, C, R"},
      {0, "pan-residual", "P", "the residual part's pan, likewise"},
      {0, "solo", "transient|residual|none", "hear one part alone"},
      {0, "set", "NAME=VALUE", "any parameter by its 'corvane info' name or index, normalized 0..1"},
      {0, "save-preset", "FILE", "save the resulting settings as a .aupreset file"},
  };
  return options;
}

const std::vector<TermHelp>& ExitStatusHelp() {
  static const std::vector<TermHelp> codes = {
      {"0", "success"},
      {"1",
       "a file or processing error: a missing, unreadable or damaged input, more than two channels, a damaged or "
       "foreign preset, an unwritable output, a full disk, an output equal to an input; for gui, no JACK server "
       "and no --input, no X display, or the server shut down"},
      {"2", "a usage error: an unknown command or option, preset or parameter, a value out of range"},
      {"130, 143", "interrupted (SIGINT, SIGTERM); no partial output is left"},
  };
  return codes;
}

const std::vector<TermHelp>& FilesHelp() {
  static const std::vector<TermHelp> files = {
      {"$XDG_CONFIG_HOME/corvane/settings.aupreset",
       "the settings of corvane gui, kept between runs (by default under ~/.config); one that cannot be read is "
       "renamed to settings.aupreset.bad rather than overwritten"},
      {"PREFIX/lib/lv2/corvane.lv2",
       "the LV2 bundle (the stereo, mono and split-outputs plug-ins, their editor and presets); PREFIX is /usr for the Debian "
       "package, /usr/local for a build installed with cmake --install"},
      {"PREFIX/share/doc/corvane", "the README and the licence"},
  };
  return files;
}

const std::vector<TermHelp>& EnvironmentHelp() {
  static const std::vector<TermHelp> variables = {
      {"XDG_CONFIG_HOME, HOME", "where corvane gui keeps its settings"},
      {"DISPLAY", "the X display corvane gui opens its window on"},
      {"JACK_DEFAULT_SERVER", "the JACK server corvane gui joins (default: the default server)"},
  };
  return variables;
}
