#pragma once
// A random .aupreset file: the bytes are a preset file's contents, loaded by
// the command-line tool's reader (LoadAUPreset) into the test plug-in, which
// AUHost has opened and set to values no preset holds. Checks that
//   - a refused file comes with a reason and changes nothing in the unit
//     (parameter values, current preset);
//   - an accepted file is a property list that CheckAUPresetDictionary
//     passes, whose "data" is one finite value per parameter, which each
//     parameter now holds clamped into its range;
//   - whatever property list the bytes are, the writer writes it and the
//     parser reads that back equal;
//   - every CF object handed out is released.
#include <cstddef>
#include <cstdint>
#include <string>

namespace au_test {

// "" when every check held, else the first that failed.
std::string RunAUPresetFileScript(const uint8_t* data, size_t size);

}  // namespace au_test
