// corvane info: the plug-in's identity, parameters and factory presets.
#include <cstdio>

#include "plugin/CorvaneIdentity.h"
#include "tools/corvane/CommandLine.h"
#include "tools/corvane/Commands.h"
#include "tools/corvane/Help.h"
#include "tools/corvane/CorvaneUnit.h"

int RunInfoCommand(int argc, char** argv) {
  const std::vector<option> longOptions = WithSettingOptions({{"help", no_argument, nullptr, 'h'}});
  std::vector<RawSetting> raw;
  opterr = 0;
  optind = 1;
  int c;
  while ((c = getopt_long(argc, argv, ":h", longOptions.data(), nullptr)) != -1) {
    if (c == 'h') {
      PrintCommandHelp(*FindCommandHelp("info"), stdout);
      return kExitOk;
    }
    if (c == ':' || c == '?') return OptionError("info", c, argv);
    raw.push_back({c, optarg});
  }
  if (optind < argc) return UsageError("info", std::string("unexpected argument \"") + argv[optind] + "\"");

  AUHost unit;
  Settings settings;
  std::string error;
  if (!OpenCorvane(&unit, 2, 44100.0, 1024, &error)) {
    PrintError(error);
    return kExitFailure;
  }
  // The declared defaults, read before any setting: the unit's parameter
  // info reports a parameter's current value as its default.
  std::vector<double> defaults;
  for (int i = 0; i < unit.NumParameters(); ++i) {
    AUHostParameter p;
    defaults.push_back(unit.Parameter(i, &p) ? p.defaultValue : 0.0);
  }
  if (!ResolveSettings(raw, unit, &settings, &error)) return UsageError("info", error);
  if (!ApplySettings(unit, settings, &error)) {
    PrintError(error);
    return kExitFailure;
  }

  std::printf("%s %s by %s: transient/residual splitter, latency %d samples, mono or stereo\n\n", kCorvaneName,
              kCorvaneVersionText, kCorvaneMaker, unit.LatencySamples());
  std::printf("%-5s %-16s %-8s %-10s %s\n", "index", "name", "range", "default", "current");
  for (int i = 0; i < unit.NumParameters(); ++i) {
    AUHostParameter p;
    if (!unit.Parameter(i, &p)) continue;
    char range[32];
    std::snprintf(range, sizeof range, "%g..%g", p.minValue, p.maxValue);
    std::printf("%-5d %-16s %-8s %-10g %s\n", i, ParameterKey(i, p.name).c_str(), range, defaults[i],
                unit.DisplayText(i).c_str());
  }
  // A preset is only "current" when one was asked for: a fresh unit reports
  // preset 0 without having applied it.
  const int currentPreset = settings.factoryPreset >= 0 ? unit.CurrentPreset() : -1;
  std::printf("\nFactory presets (--preset NAME or NUMBER):\n");
  const std::vector<std::string> presets = unit.FactoryPresets();
  for (size_t i = 0; i < presets.size(); ++i)
    std::printf("  %2zu  %s%s\n", i, presets[i].c_str(), static_cast<int>(i) == currentPreset ? "  (current)" : "");
  return kExitOk;
}
