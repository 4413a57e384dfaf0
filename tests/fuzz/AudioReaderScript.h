#pragma once
// The corvane command's file processing on any bytes: the input is written
// as a file, processed as `corvane process IN OUT.wav` would (the reader,
// the format kept when the output can hold it, the plug-in, the writer), and
// the outcome checked: either a clear error and no output file (nor any
// temporary file) left behind, or an output as long as the audio the input
// holds, with its channels and rate.
//
// A file cut short is processed as far as it goes (with a warning); that is
// a whole result for the frames the file holds.
#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz_test {

// "" when the outcome is one of the two above; else what went wrong.
std::string RunAudioReaderScript(const uint8_t* data, size_t size);

}  // namespace fuzz_test
