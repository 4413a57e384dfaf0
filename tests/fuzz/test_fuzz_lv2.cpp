// The LV2 and editor fuzz hosts (LV2InstanceScript.h, EditorEventScript.h):
// every input their fuzzers kept replayed, and the output bound they check
// against held to what the transforms can do.
#include <gtest/gtest.h>

#include "tests/fuzz/EditorEventScript.h"
#include "tests/fuzz/LV2InstanceScript.h"
#include "tests/fuzz/OutputBound.h"
#include "tests/support/ReplayKeptInputs.h"

namespace fuzz_test {

using test_support::ReplayKeptInputs;
namespace {

TEST(FuzzReplay, LV2InstanceScriptsKeptByTheFuzzerPass) { ReplayKeptInputs("lv2_instance", RunLV2InstanceScript); }

TEST(FuzzReplay, EditorEventScriptsKeptByTheFuzzerPass) { ReplayKeptInputs("editor_events", RunEditorEventScript); }

}  // namespace
}  // namespace fuzz_test
