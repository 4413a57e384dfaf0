#pragma once
// ByteChunk: the growable byte buffer in which state and presets travel, and
// IPreset, one named preset slot.
//
// Values are appended at the end and read from a position the caller holds.
// Multi-byte values are little-endian on every build (ints as 32-bit two's
// complement, doubles as IEEE 754 64-bit), written byte by byte so the
// layout never depends on the machine. A read that would pass the end
// returns -1 and leaves its target untouched; reads at -1 fail again, so a
// caller can chain reads and check once.
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "framework/Containers.h"

class ByteChunk {
public:
  ByteChunk() = default;
  ByteChunk(const ByteChunk&) = delete;
  ByteChunk& operator=(const ByteChunk&) = delete;

  // Appends the value's bytes (4 for an int, 8 for a double); returns the new size.
  template <class T>
  int Put(const T* pValue) {
    static_assert(std::is_arithmetic<T>::value && !std::is_same<T, bool>::value,
                  "Put takes numbers; use PutBool for bools");
    const uint64_t bits = ToBits(*pValue);
    unsigned char bytes[sizeof(T)];
    for (size_t i = 0; i < sizeof(T); ++i) bytes[i] = static_cast<unsigned char>(bits >> (8 * i));
    return PutBytes(bytes, static_cast<int>(sizeof(T)));
  }

  // Reads a value at pos; returns pos + its width, or -1 (value untouched).
  template <class T>
  int Get(T* pValue, int pos) const {
    static_assert(std::is_arithmetic<T>::value && !std::is_same<T, bool>::value,
                  "Get takes numbers; use GetBool for bools");
    const int width = static_cast<int>(sizeof(T));
    if (!pValue || !HasBytes(pos, width)) return -1;
    const unsigned char* bytes = static_cast<const unsigned char*>(mBytes.Get()) + pos;
    uint64_t bits = 0;
    for (int i = 0; i < width; ++i) bits |= static_cast<uint64_t>(bytes[i]) << (8 * i);
    *pValue = FromBits<T>(bits);
    return pos + width;
  }

  int PutBool(bool b);
  int GetBool(bool* pValue, int pos) const;

  // Length (int, no terminator) then the characters; null is "".
  int PutStr(const char* str);
  // Reads a length L and, when L >= 1 and all L bytes are there, up to L
  // characters (stopping at a zero byte) into *pStr; otherwise *pStr keeps
  // its text. Returns pos + 4 + L once the length is read, -1 when the
  // length itself is missing, negative, or the end would overflow an int.
  int GetStr(WDL_String* pStr, int pos) const;

  // Appends every byte of another chunk, without a length.
  int PutChunk(const ByteChunk* pRHS);
  int PutBytes(const void* pData, int nBytes);

  void Clear() { mBytes.Resize(0); }
  int Size() const { return mBytes.GetSize(); }
  // Sets the size; new bytes are zero. Returns the new size.
  int Resize(int newSize) {
    mBytes.Resize(newSize);
    return Size();
  }
  // Null while the chunk is empty.
  unsigned char* GetBytes() { return static_cast<unsigned char*>(mBytes.Get()); }
  const unsigned char* GetBytes() const { return static_cast<const unsigned char*>(mBytes.Get()); }
  bool IsEqual(const ByteChunk* pRHS) const;

private:
  bool HasBytes(int pos, int width) const {
    return pos >= 0 && width >= 0 && pos <= Size() - width;
  }

  template <class T>
  static uint64_t ToBits(T value) {
    if constexpr (std::is_floating_point<T>::value) {
      using Bits = typename std::conditional<sizeof(T) == 8, uint64_t, uint32_t>::type;
      static_assert(sizeof(T) == sizeof(Bits), "float types of 4 or 8 bytes");
      Bits bits;
      std::memcpy(&bits, &value, sizeof(bits));
      return bits;
    } else {
      return static_cast<uint64_t>(value);  // two's complement, cut to the width by Put
    }
  }

  template <class T>
  static T FromBits(uint64_t bits) {
    if constexpr (std::is_floating_point<T>::value) {
      using Bits = typename std::conditional<sizeof(T) == 8, uint64_t, uint32_t>::type;
      const Bits narrow = static_cast<Bits>(bits);
      T value;
      std::memcpy(&value, &narrow, sizeof(value));
      return value;
    } else {
      using U = typename std::make_unsigned<T>::type;
      return static_cast<T>(static_cast<U>(bits));
    }
  }

  WDL_HeapBuf mBytes;
};

// Length of a preset name field, terminator included.
constexpr int kMaxPresetNameLen = 256;

// One preset slot: uninitialised slots are named "empty" and hold no state;
// an initialised one holds a state chunk (one double per parameter).
struct IPreset {
  bool mInitialized = false;
  char mName[kMaxPresetNameLen] = "empty";
  ByteChunk mChunk;
};

// The first slot not yet initialised, or null (also for a null list).
IPreset* GetNextUninitializedPreset(WDL_PtrList<IPreset>* pPresets);
// "user preset N" into out (kMaxPresetNameLen bytes), N being one more than
// the number of slot names containing "user preset".
void MakeDefaultUserPresetName(WDL_PtrList<IPreset>* pPresets, char* out);
