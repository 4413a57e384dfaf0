#pragma once
// A random restorer of saved state: bytes script a host that opens the test
// plug-in and, between parameter changes and preset selections, hands it
// class-info dictionaries (its own, damaged, or made up key by key), state
// chunks and preset banks, through the class-info property and the plug-in
// base's UnserializeState, UnserializePresets and IsWholeState. After every
// step it checks that
//   - a refused dictionary, chunk or bank changed nothing: parameter values,
//     current preset and preset bank are as before;
//   - an accepted state was one finite value per parameter, which each
//     parameter now holds clamped into its range;
//   - IsWholeState says yes exactly to one finite value per parameter;
//   - every parameter is finite and in range, and the unit takes back its
//     own class info with no value changed;
// and at the end that every CF object handed out was released.
#include <cstddef>
#include <cstdint>
#include <string>

namespace au_test {

// "" when every check held, else the first that failed. Past the end every
// byte reads as 0; at most 32 steps.
std::string RunAUStateScript(const uint8_t* data, size_t size);

}  // namespace au_test
