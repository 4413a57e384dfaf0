#include "tools/corvane/Settings.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "engine/ParameterLaws.h"
#include "plugin/CorvaneFaderScale.h"
#include "tools/auhost/AUPresetFile.h"

using namespace corvane_cli;

namespace {

std::string Normalize(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == ' ' || c == '_' || c == '-') {
      if (!out.empty() && out.back() != '-') out += '-';
    } else {
      out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
  }
  while (!out.empty() && out.back() == '-') out.pop_back();
  return out;
}

std::string Trimmed(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return std::string();
  return s.substr(a, s.find_last_not_of(" \t") - a + 1);
}

std::string Format(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

}  // namespace

bool ParseNumber(const std::string& text, double* value) {
  const std::string t = Trimmed(text);
  if (t.empty()) return false;
  char* end = nullptr;
  *value = std::strtod(t.c_str(), &end);
  return *end == '\0' && std::isfinite(*value);
}

bool ParsePreset(const std::string& text, const std::vector<std::string>& presets, int* number, std::string* error) {
  double n = 0;
  if (ParseNumber(text, &n) && n == std::floor(n) && n >= 0 && n < static_cast<double>(presets.size())) {
    *number = static_cast<int>(n);
    return true;
  }
  for (size_t i = 0; i < presets.size(); ++i) {
    if (Normalize(presets[i]) == Normalize(text) && !Normalize(text).empty()) {
      *number = static_cast<int>(i);
      return true;
    }
  }
  std::string list;
  for (size_t i = 0; i < presets.size(); ++i) list += (i ? ", " : "") + std::to_string(i) + " \"" + presets[i] + "\"";
  *error = "unknown preset \"" + text + "\"; the presets are: " + list;
  return false;
}

bool ParseMode(const std::string& text, Settings* settings, std::string* error) {
  const std::string m = Normalize(text);
  int mode = 0;
  if (m == "haar" || m == "1") mode = 1;
  else if (m == "daub4" || m == "daubechies4" || m == "2") mode = 2;
  else if (m == "bior68" || m == "bio68" || m == "biorthogonal6-8" || m == "3") mode = 3;
  if (!mode) {
    *error = "--mode: unknown mode \"" + text + "\" (use haar, daub4 or bior68)";
    return false;
  }
  // The others go to 0 first, so a later restore of this state also ends in
  // this mode (the last mode parameter at 1 wins).
  for (int i = 1; i <= 3; ++i)
    if (i != mode) settings->values.emplace_back(kMode1 + i - 1, 0.0f);
  settings->values.emplace_back(kMode1 + mode - 1, 1.0f);
  return true;
}

bool ParseUnit(const char* option, const std::string& text, double lo, double hi, double* value, std::string* error) {
  if (!ParseNumber(text, value)) {
    *error = std::string(option) + ": \"" + text + "\" is not a number";
    return false;
  }
  if (*value < lo || *value > hi) {
    *error = std::string(option) + ": " + Trimmed(text) + " is out of range " + Format(lo) + " to " + Format(hi);
    return false;
  }
  return true;
}

bool ParseFaderDb(const char* option, const std::string& text, bool residual, float* position, std::string* error) {
  const std::string t = Normalize(text);
  if (t == "inf" || t == "-inf" || t == "off" || t == "infinity" || t == "-infinity") {
    *position = 0.0f;
    return true;
  }
  std::string number = Trimmed(text);
  if (number.size() > 2 && (number.compare(number.size() - 2, 2, "dB") == 0 || number.compare(number.size() - 2, 2, "db") == 0))
    number.resize(number.size() - 2);
  double db = 0;
  if (!ParseNumber(number, &db)) {
    *error = std::string(option) + ": \"" + text + "\" is not a level in dB (+12 down to -96, or -inf)";
    return false;
  }
  if (db > 12.0 || db < -96.0) {
    *error = std::string(option) + ": " + Trimmed(text) + " dB is out of range +12 to -96 (or -inf)";
    return false;
  }
  *position = static_cast<float>(FaderPositionForDb(db, PartFaderScale(residual ? 1 : 0)));
  return true;
}

bool ParsePan(const char* option, const std::string& text, float* position, std::string* error) {
  const std::string t = Normalize(text);
  double pan = 0;
  if (t == "l" || t == "left") pan = -1;
  else if (t == "c" || t == "center" || t == "centre") pan = 0;
  else if (t == "r" || t == "right") pan = 1;
  else if (!ParseNumber(text, &pan) || pan < -1.0 || pan > 1.0) {
    *error = std::string(option) + ": \"" + text + "\" is not a pan from -1 (left) through 0 (centre) to 1 (right)";
    return false;
  }
  *position = static_cast<float>((pan + 1.0) * 0.5);
  return true;
}

bool ParseSolo(const std::string& text, Settings* settings, std::string* error) {
  const std::string t = Normalize(text);
  if (t == "transient" || t == "t") {
    settings->values.emplace_back(kSoloResidual, 0.0f);
    settings->values.emplace_back(kSoloTransient, 1.0f);
  } else if (t == "residual" || t == "r") {
    settings->values.emplace_back(kSoloTransient, 0.0f);
    settings->values.emplace_back(kSoloResidual, 1.0f);
  } else if (t == "none" || t == "off") {
    settings->values.emplace_back(kSoloTransient, 0.0f);
    settings->values.emplace_back(kSoloResidual, 0.0f);
  } else {
    *error = "--solo: \"" + text + "\" is not transient, residual or none";
    return false;
  }
  return true;
}

std::string ParameterKey(int index, const std::string& name) {
  if (index == kSoloTransient && name.empty()) return "solo-transient";
  if (index == kSoloResidual && name.empty()) return "solo-residual";
  return name.empty() ? std::to_string(index) : Normalize(name);
}

bool ParseSet(const std::string& text, const AUHost& unit, Settings* settings, std::string* error) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos) {
    *error = "--set: \"" + text + "\" is not NAME=VALUE";
    return false;
  }
  const std::string key = Normalize(text.substr(0, eq));
  const int n = unit.NumParameters();
  int index = -1;
  double asNumber = 0;
  if (ParseNumber(text.substr(0, eq), &asNumber) && asNumber == std::floor(asNumber) && asNumber >= 0 && asNumber < n)
    index = static_cast<int>(asNumber);
  std::string known;
  for (int i = 0; i < n && index < 0; ++i) {
    AUHostParameter p;
    if (!unit.Parameter(i, &p)) continue;
    const std::string k = ParameterKey(i, p.name);
    if (k == key) index = i;
    known += (known.empty() ? "" : ", ") + k;
  }
  if (index < 0) {
    *error = "--set: unknown parameter \"" + text.substr(0, eq) + "\" (known: " + known + ")";
    return false;
  }
  AUHostParameter p;
  unit.Parameter(index, &p);
  double value = 0;
  const std::string option = "--set " + ParameterKey(index, p.name);
  if (!ParseUnit(option.c_str(), text.substr(eq + 1), p.minValue, p.maxValue, &value, error)) return false;
  settings->values.emplace_back(index, static_cast<float>(value));
  return true;
}

bool ApplySettings(AUHost& unit, const Settings& settings, std::string* error) {
  if (settings.factoryPreset >= 0 && unit.SelectPreset(settings.factoryPreset) != noErr) {
    *error = "the plug-in refused preset " + std::to_string(settings.factoryPreset);
    return false;
  }
  if (!settings.presetFile.empty() && !LoadAUPreset(unit, settings.presetFile, error)) return false;
  for (const auto& [index, value] : settings.values) {
    if (unit.SetParameter(index, value) != noErr) {
      *error = "the plug-in refused a value for parameter " + std::to_string(index);
      return false;
    }
  }
  if (!settings.savePresetFile.empty() && !SaveAUPreset(unit, settings.savePresetFile, error)) return false;
  return true;
}
