#pragma once
// Option parsing shared by the subcommands: the settings options are
// collected in command-line order and resolved against a unit, so names of
// parameters and presets come from the plug-in itself.
#include <getopt.h>

#include <string>
#include <vector>

#include "tools/corvane/Settings.h"

enum ExitStatus { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

// Option codes of the settings options (values above any short option).
enum SettingOption {
  kOptPreset = 1000, kOptLoadPreset, kOptSavePreset, kOptMode, kOptAmount, kOptSensitivity, kOptTransient,
  kOptResidual, kOptPanTransient, kOptPanResidual, kOptSolo, kOptSet,
  kOptFirstCommandOption  // commands number their own long-only options from here
};

// --scale, taken by the commands that draw the editor (snapshot, gui).
constexpr int kOptScale = kOptFirstCommandOption;
// The editor's scale: "1" or "2" (back-buffer pixels per editor unit).
bool ParseScale(const std::string& text, int* scale, std::string* error);

struct RawSetting {
  int option;
  std::string value;
};

// The settings options as getopt_long entries (no terminator).
extern const option kSettingOptions[];
extern const int kNumSettingOptions;

// getopt_long options: the command's own, then the settings options.
std::vector<option> WithSettingOptions(const std::vector<option>& own);
bool IsSettingOption(int code);

// Resolves the collected settings against an open unit.
bool ResolveSettings(const std::vector<RawSetting>& raw, const AUHost& unit, Settings* settings, std::string* error);

// Resolves the settings against a unit of their own, opened for the
// purpose and closed again, for a command that checks them before it
// touches anything else. kExitOk, or the status after printing the error.
int ResolveSettingsOnProbe(const char* command, const std::vector<RawSetting>& raw, Settings* settings);

// Prints "corvane: <message>" on standard error.
void PrintError(const std::string& message);
// A usage error: the message and a hint to --help; returns kExitUsage.
int UsageError(const char* command, const std::string& message);
// The usage error for getopt_long's ':' (a value is missing) or '?' (an
// unknown option), naming the option at optind - 1.
int OptionError(const char* command, int code, char** argv);
