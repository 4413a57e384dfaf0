#pragma once
// .aupreset files: the unit's class-info dictionary (version, type,
// subtype, manufacturer, name, data) as an XML property list.
#include <string>

#include "tools/auhost/AUHost.h"

// Writes the unit's current state to path: into a temporary file next to
// it, renamed over path only once complete. False and *error on failure;
// an existing file at path is then left as it was.
bool SaveAUPreset(const AUHost& host, const std::string& path, std::string* error);

// Reads a preset file and restores it into the unit. The file is checked
// first (well-formed property list, every key present with its type, this
// unit's type, subtype and manufacturer), and the unit checks its state
// whole: a damaged or foreign file gives false and *error and changes nothing.
bool LoadAUPreset(AUHost& host, const std::string& path, std::string* error);

// The file's checks on a property list already in memory (null is refused).
bool CheckAUPresetDictionary(CFPropertyListRef plist, const ComponentDescription& unit, std::string* error);
