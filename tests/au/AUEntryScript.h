#pragma once
// A random host for the Audio Unit entry: bytes script a host that opens the
// test plug-in and makes property, parameter, render and class-info calls
// through the component entry, then closes it. Every answer must be one of
// the documented statuses, and every CF object handed out is released again.
// The libFuzzer target feeds it its input; the seeded test feeds it bytes
// from a generator; a committed crash input can be replayed through it.
#include <AudioUnit/AudioUnit.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace au_test {

struct AUEntryScriptResult {
  bool opened = false;
  int steps = 0;                // steps the script ran (one or two host calls each)
  int unknownStatusStep = -1;   // the first step answered with an undocumented status, or -1
  OSStatus unknownStatus = noErr;
  long leakedObjects = 0;       // CF objects, allocator blocks and usage errors
  long leakedBlocks = 0;        //   the run left behind (counted from its start)
  long usageErrors = 0;

  bool Passed() const;
  std::string Describe() const;
};

// Reads the bytes as a script (past their end every byte reads as 0; at most
// 64 steps). A crash or sanitizer report is the caller's to see.
AUEntryScriptResult RunAUEntryScript(const uint8_t* data, size_t size);

}  // namespace au_test
