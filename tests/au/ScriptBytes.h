#pragma once
// What the random hosts share: the reader of the bytes that script them
// (the one every fuzz host uses), and the CF counters a run compares at its
// end with its start.
#include <CoreFoundation/CFDebugCounters.h>

#include "tests/support/FuzzBytes.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace au_test {

// Reads a script; past its end everything reads as 0.
using ScriptBytes = test_support::FuzzBytes;

// CF objects, allocator blocks and usage errors of the process.
struct CFCounts {
  long objects = 0, blocks = 0, usageErrors = 0;

  static CFCounts Now() { return {CFLiveObjectCount(), CFAllocatorLiveBlockCount(), CFUsageErrorCount()}; }
  // "" when a run that started at `start` left nothing behind, else what it left.
  std::string LeftSince(const CFCounts& start) const {
    std::string text;
    auto add = [&text](long n, const char* what) {
      if (n) text += (text.empty() ? "" : "; ") + std::string(what) + ": " + std::to_string(n);
    };
    add(objects - start.objects, "CF objects leaked");
    add(blocks - start.blocks, "CF allocations leaked");
    add(usageErrors - start.usageErrors, "CF usage errors");
    return text;
  }
};

}  // namespace au_test
