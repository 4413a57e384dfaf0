#pragma once
// What the state fuzzers check a plug-in against, worked out without the
// plug-in base's own reading code: the state chunk read independently
// (one little-endian double per parameter), and the plug-in's values.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <CoreFoundation/CoreFoundation.h>

#include "framework/IPlugBase.h"

namespace au_test {

// The nParams values of a state chunk from pos, when all of them are there
// and finite (bytes past them are not looked at).
bool ReadStateValues(const uint8_t* bytes, size_t size, long long pos, int nParams, std::vector<double>* values);

// The values of a dictionary's "data" when it is exactly one state.
bool WholeStateIn(CFTypeRef plist, int nParams, std::vector<double>* values);

// Every parameter's value, bit for bit.
std::vector<uint64_t> ValueBits(const IPlugBase& plug);

// "" when every parameter holds its value of `values` clamped into its
// range, else the first that does not.
std::string HoldsClamped(const IPlugBase& plug, const std::vector<double>& values);

// "" when every parameter is finite and within its range, else the first that is not.
std::string ValuesInRange(const IPlugBase& plug);

}  // namespace au_test
