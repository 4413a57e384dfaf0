#pragma once
// What the user asked the plug-in to be set to, gathered from the command
// line and applied to a unit through the host-side calls.
#include <string>
#include <utility>
#include <vector>

#include "tools/auhost/AUHost.h"

struct Settings {
  int factoryPreset = -1;            // applied first
  std::string presetFile;            // then a .aupreset file
  std::vector<std::pair<int, float>> values;  // then these, in order
  std::string savePresetFile;        // the resulting state, saved after setting up
};

// Corvane's parameter indexes as the command line knows them.
namespace corvane_cli {
enum {
  kTransient = 0, kResidual, kAmount, kSensitivity, kPanTransient, kPanResidual,
  kSoloTransient, kSoloResidual, kMode1, kMode2, kMode3, kNumParams
};
}  // namespace corvane_cli

// Parsers for the settings options. Each returns false with *error naming
// the option and the accepted values.
bool ParsePreset(const std::string& text, const std::vector<std::string>& presets, int* number, std::string* error);
bool ParseMode(const std::string& text, Settings* settings, std::string* error);
bool ParseUnit(const char* option, const std::string& text, double lo, double hi, double* value, std::string* error);
// Fader decibels as the editor shows them (+12 down to -96, or -inf) to the
// fader's normalized position; residual = the residual fader's travel.
bool ParseFaderDb(const char* option, const std::string& text, bool residual, float* position, std::string* error);
bool ParsePan(const char* option, const std::string& text, float* position, std::string* error);
bool ParseSolo(const std::string& text, Settings* settings, std::string* error);
// NAME=VALUE with NAME a parameter name (case and '-'/'_'/' ' ignored), an
// alias or an index, VALUE the normalized value 0..1.
bool ParseSet(const std::string& text, const AUHost& unit, Settings* settings, std::string* error);

// The command-line name of a parameter: its own name made lowercase with
// dashes, or an alias for the unnamed solo parameters.
std::string ParameterKey(int index, const std::string& name);

// Applies the settings in their order (preset, preset file, values), then
// saves the preset file when asked. False and *error on the first failure.
bool ApplySettings(AUHost& unit, const Settings& settings, std::string* error);

// Parses a number that must be the whole text.
bool ParseNumber(const std::string& text, double* value);
