// The reader's fuzz host (AudioReaderScript.h): every input its fuzzer kept
// replayed.
#include <gtest/gtest.h>

#include "tests/fuzz/AudioReaderScript.h"
#include "tests/support/ReplayKeptInputs.h"

namespace fuzz_test {

using test_support::ReplayKeptInputs;
namespace {

TEST(FuzzReplay, AudioFilesKeptByTheFuzzerPass) { ReplayKeptInputs("audio_reader", RunAudioReaderScript); }

}  // namespace
}  // namespace fuzz_test
