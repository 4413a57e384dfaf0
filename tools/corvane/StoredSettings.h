#pragma once
// The live editor's settings between runs: the unit's state as an
// .aupreset in the user's configuration folder
// ($XDG_CONFIG_HOME/corvane, by default ~/.config/corvane).
#include <string>

#include "tools/auhost/AUHost.h"

// The settings file, or "" when neither XDG_CONFIG_HOME nor HOME is set.
std::string StoredSettingsPath();

enum class RestoreResult { kRestored, kNone, kDamaged };

// Restores the file into the unit. A file that cannot be used changes
// nothing in the unit and is renamed to "<path>.bad" so that the next save
// does not overwrite what the user may want back; *message says so.
RestoreResult RestoreStoredSettings(AUHost& unit, const std::string& path, std::string* message);

// Saves the unit's state, creating the folder when needed.
bool SaveStoredSettings(const AUHost& unit, const std::string& path, std::string* error);
