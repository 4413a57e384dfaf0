#include "tools/corvane/PlotSettingsText.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "engine/ParameterLaws.h"
#include "plugin/CorvaneFaderScale.h"
#include "tools/corvane/CorvaneUnit.h"

namespace {

using namespace corvane_cli;

std::vector<float> Values(const AUHost& unit) {
  std::vector<float> v(kNumParams);
  for (int i = 0; i < kNumParams; ++i) v[static_cast<size_t>(i)] = unit.GetParameter(i);
  return v;
}

std::string Number(const char* format, double value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string FaderText(int part, float position) {
  const double db = FaderShownDb(position, PartFaderScale(part));
  return db <= -96.0 || !std::isfinite(db) ? "-inf" : Number("%+.1f dB", db);
}

std::string PanText(float position) {
  if (position == 0.5f) return "C";
  return Number("%+.2f", 2.0 * position - 1.0);
}

// What the values change from base, in command-line words.
std::string Changes(const std::vector<float>& base, const std::vector<float>& now) {
  std::string text;
  auto add = [&text](const std::string& item) { text += (text.empty() ? "" : ", ") + item; };
  auto changed = [&](int i) { return base[static_cast<size_t>(i)] != now[static_cast<size_t>(i)]; };
  if (changed(kTransient)) add("transient " + FaderText(0, now[kTransient]));
  if (changed(kResidual)) add("residual " + FaderText(1, now[kResidual]));
  if (changed(kAmount)) add("amount " + Number("%.2f", now[kAmount]));
  if (changed(kSensitivity)) add("sensitivity " + Number("%.2f", now[kSensitivity]));
  if (changed(kPanTransient)) add("transient pan " + PanText(now[kPanTransient]));
  if (changed(kPanResidual)) add("residual pan " + PanText(now[kPanResidual]));
  if (changed(kSoloTransient) || changed(kSoloResidual))
    add(now[kSoloTransient] >= 0.5f ? "solo transient" : now[kSoloResidual] >= 0.5f ? "solo residual" : "no solo");
  if (changed(kMode1) || changed(kMode2) || changed(kMode3))
    add(now[kMode2] == 1.0f ? "mode daub4" : now[kMode3] == 1.0f ? "mode bior68" : "mode haar");
  return text;
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool DescribeSettings(const Settings& settings, std::string* text, std::string* error) {
  AUHost unit;
  if (!OpenCorvane(&unit, 2, 44100.0, 1024, error)) return false;
  Settings base;  // the preset and the preset file alone
  base.factoryPreset = settings.factoryPreset;
  base.presetFile = settings.presetFile;
  Settings values;
  values.values = settings.values;
  if (!ApplySettings(unit, base, error)) return false;
  const std::vector<float> before = Values(unit);
  if (!ApplySettings(unit, values, error)) return false;
  std::string head;
  if (settings.factoryPreset >= 0) {
    const std::vector<std::string> presets = unit.FactoryPresets();
    if (static_cast<size_t>(settings.factoryPreset) < presets.size())
      head = "preset " + presets[static_cast<size_t>(settings.factoryPreset)];
  }
  if (!settings.presetFile.empty()) head += (head.empty() ? "" : ", ") + std::string("preset file ") + BaseName(settings.presetFile);
  const std::string changes = Changes(before, Values(unit));
  *text = head.empty() && changes.empty() ? "defaults" : head + (head.empty() || changes.empty() ? "" : ", ") + changes;
  return true;
}
