#pragma once
// What every fuzz host shares: a reader of the bytes that script them. Past the end everything reads as 0, so every input is a
// whole script. No two values are read in the arguments of one call, whose
// order the compiler chooses.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace test_support {

class FuzzBytes {
public:
  FuzzBytes(const uint8_t* data, size_t size) : mData(data), mSize(size) {}
  bool More() const { return mPos < mSize; }
  size_t Left() const { return mPos < mSize ? mSize - mPos : 0; }
  uint8_t Byte() { return mPos < mSize ? mData[mPos++] : 0; }
  uint32_t U16() {
    const uint32_t high = Byte();
    return high << 8 | Byte();
  }
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
  // One of n choices (n > 0).
  int Pick(int n) { return static_cast<int>(Byte() % static_cast<unsigned>(n)); }
  // Copies up to n bytes (fewer at the end); returns how many.
  size_t Take(void* out, size_t n) {
    const size_t k = n < Left() ? n : Left();
    if (k) std::memcpy(out, mData + mPos, k);
    mPos += k;
    return k;
  }

private:
  const uint8_t* mData;
  size_t mSize;
  size_t mPos = 0;
};

}  // namespace test_support
