#pragma once
// The settings in a few words for the split's picture: the preset (or the
// preset file) and the parameters changed after it, as the command line
// names them ("preset Snare Attack+, transient +3.0 dB, mode daub4").
#include <string>

#include "tools/corvane/Settings.h"

// Applies the settings on a unit of its own to find what they change.
// False and *error when the unit cannot be opened or refuses them.
bool DescribeSettings(const Settings& settings, std::string* text, std::string* error);
