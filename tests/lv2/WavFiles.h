#pragma once
// 32-bit float WAV files for the tests that hand audio to an outside program
// (lv2apply, Ardour, the corvane command) and read its output back.
#include <string>
#include <vector>

namespace lv2_test {

// One vector of samples per channel.
using Audio = std::vector<std::vector<float>>;

// Writes `audio` (every channel as long as the first) as a float WAV at `rate`.
bool WriteWav(const std::string& path, const Audio& audio, int rate = 44100);

// Reads any file libsndfile reads; empty when it cannot.
Audio ReadWav(const std::string& path);

}  // namespace lv2_test
