#pragma once
#include <string>

#include "tools/corvane/Settings.h"

// Opens a unit with the settings, plays input through it (none when empty)
// and writes the editor to png, drawn at the scale (1 or 2).
bool SnapshotAfterPlaying(const Settings& settings, const std::string& input, const std::string& png,
                          int scale, std::string* error);
