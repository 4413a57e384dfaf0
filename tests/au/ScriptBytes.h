#pragma once
// What the random hosts share: a reader of the bytes that script them, and
// the CF counters a run compares at its end with its start.
#include <CoreFoundation/CFDebugCounters.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace au_test {

// Reads a script; past its end everything reads as 0. No two values are
// read in the arguments of one call, whose order the compiler chooses.
class ScriptBytes {
public:
  ScriptBytes(const uint8_t* d, size_t n) : mData(d), mSize(n) {}
  bool More() const { return mPos < mSize; }
  uint8_t Byte() { return mPos < mSize ? mData[mPos++] : 0; }
  uint32_t U16() { return static_cast<uint32_t>(Byte()) << 8 | Byte(); }
  uint32_t U32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | Byte();
    return v;
  }
  uint64_t U64() {
    const uint64_t high = U32();
    return high << 32 | U32();
  }
  float F32() {
    const uint32_t bits = U32();
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
  }
  double F64() {
    const uint64_t bits = U64();
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
  }
  void Bytes(void* out, size_t n) {
    for (size_t i = 0; i < n; ++i) static_cast<uint8_t*>(out)[i] = Byte();
  }
  std::vector<uint8_t> Bytes(size_t n) {
    std::vector<uint8_t> bytes(n);
    Bytes(bytes.data(), n);
    return bytes;
  }

private:
  const uint8_t* mData;
  size_t mSize;
  size_t mPos = 0;
};

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
