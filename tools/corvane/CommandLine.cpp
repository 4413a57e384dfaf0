#include "tools/corvane/CommandLine.h"

#include <cstdio>

#include "tools/corvane/CorvaneUnit.h"

const option kSettingOptions[] = {
    {"preset", required_argument, nullptr, kOptPreset},
    {"load-preset", required_argument, nullptr, kOptLoadPreset},
    {"save-preset", required_argument, nullptr, kOptSavePreset},
    {"mode", required_argument, nullptr, kOptMode},
    {"amount", required_argument, nullptr, kOptAmount},
    {"sensitivity", required_argument, nullptr, kOptSensitivity},
    {"transient", required_argument, nullptr, kOptTransient},
    {"residual", required_argument, nullptr, kOptResidual},
    {"pan-transient", required_argument, nullptr, kOptPanTransient},
    {"pan-residual", required_argument, nullptr, kOptPanResidual},
    {"solo", required_argument, nullptr, kOptSolo},
    {"set", required_argument, nullptr, kOptSet},
};
const int kNumSettingOptions = static_cast<int>(sizeof kSettingOptions / sizeof kSettingOptions[0]);

std::vector<option> WithSettingOptions(const std::vector<option>& own) {
  std::vector<option> all(own);
  all.insert(all.end(), kSettingOptions, kSettingOptions + kNumSettingOptions);
  all.push_back({nullptr, 0, nullptr, 0});
  return all;
}

bool ParseScale(const std::string& text, int* scale, std::string* error) {
  double v = 0;
  if (!ParseNumber(text, &v) || (v != 1.0 && v != 2.0)) {
    *error = "--scale: \"" + text + "\" is not a scale (use 1 or 2)";
    return false;
  }
  *scale = static_cast<int>(v);
  return true;
}

bool IsSettingOption(int code) { return code >= kOptPreset && code < kOptFirstCommandOption; }

bool ResolveSettings(const std::vector<RawSetting>& raw, const AUHost& unit, Settings* settings, std::string* error) {
  using namespace corvane_cli;
  for (const RawSetting& r : raw) {
    double v = 0;
    float position = 0;
    switch (r.option) {
      case kOptPreset:
        if (!ParsePreset(r.value, unit.FactoryPresets(), &settings->factoryPreset, error)) return false;
        break;
      case kOptLoadPreset: settings->presetFile = r.value; break;
      case kOptSavePreset: settings->savePresetFile = r.value; break;
      case kOptMode:
        if (!ParseMode(r.value, settings, error)) return false;
        break;
      case kOptAmount:
      case kOptSensitivity:
        if (!ParseUnit(r.option == kOptAmount ? "--amount" : "--sensitivity", r.value, 0.0, 1.0, &v, error))
          return false;
        settings->values.emplace_back(r.option == kOptAmount ? kAmount : kSensitivity, static_cast<float>(v));
        break;
      case kOptTransient:
      case kOptResidual: {
        const bool residual = r.option == kOptResidual;
        if (!ParseFaderDb(residual ? "--residual" : "--transient", r.value, residual, &position, error)) return false;
        settings->values.emplace_back(residual ? kResidual : kTransient, position);
        break;
      }
      case kOptPanTransient:
      case kOptPanResidual: {
        const bool residual = r.option == kOptPanResidual;
        if (!ParsePan(residual ? "--pan-residual" : "--pan-transient", r.value, &position, error)) return false;
        settings->values.emplace_back(residual ? kPanResidual : kPanTransient, position);
        break;
      }
      case kOptSolo:
        if (!ParseSolo(r.value, settings, error)) return false;
        break;
      case kOptSet:
        if (!ParseSet(r.value, unit, settings, error)) return false;
        break;
      default: break;
    }
  }
  return true;
}

void PrintError(const std::string& message) { std::fprintf(stderr, "corvane: %s\n", message.c_str()); }

int UsageError(const char* command, const std::string& message) {
  std::fprintf(stderr, "corvane: %s (see 'corvane %s --help')\n", message.c_str(), command);
  return kExitUsage;
}

int OptionError(const char* command, int code, char** argv) {
  const std::string name = argv[optind - 1];
  return UsageError(command, code == ':' ? "option " + name + " needs a value" : "unknown option " + name);
}

int ResolveSettingsOnProbe(const char* command, const std::vector<RawSetting>& raw, Settings* settings) {
  AUHost probe;
  std::string error;
  if (!OpenCorvane(&probe, 2, 44100.0, 1024, &error)) {
    PrintError(error);
    return kExitFailure;
  }
  if (!ResolveSettings(raw, probe, settings, &error)) return UsageError(command, error);
  return kExitOk;
}
