#include "framework/Base64.h"

#include <string>

namespace {
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int SextetOf(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}
}  // namespace

int Base64Decode(const char* text, unsigned char* out, int outSize) {
  if (!text || !out) return 0;
  // Bits accumulate six at a time; each time eight are pending the top
  // eight leave as a byte, so at most 13 bits are ever held.
  unsigned int accumulator = 0;
  int pendingBits = 0;
  int written = 0;
  for (const char* p = text; written < outSize; ++p) {
    const int sextet = SextetOf(*p);
    if (sextet < 0) break;
    accumulator = ((accumulator << 6) | static_cast<unsigned int>(sextet)) & 0x3FFFu;
    pendingBits += 6;
    if (pendingBits >= 8) {
      pendingBits -= 8;
      out[written++] = static_cast<unsigned char>(accumulator >> pendingBits);
    }
  }
  return written;
}

int Base64EncodedLength(int size) { return size > 0 ? (size + 2) / 3 * 4 : 0; }

void Base64Encode(const unsigned char* data, int size, WDL_String* out) {
  if (!out) return;
  std::string text;
  if (data && size > 0) {
    text.reserve(static_cast<size_t>(Base64EncodedLength(size)));
    for (int i = 0; i < size; i += 3) {
      const int n = size - i < 3 ? size - i : 3;
      unsigned int group = static_cast<unsigned int>(data[i]) << 16;
      if (n > 1) group |= static_cast<unsigned int>(data[i + 1]) << 8;
      if (n > 2) group |= data[i + 2];
      text += kAlphabet[(group >> 18) & 63];
      text += kAlphabet[(group >> 12) & 63];
      text += n > 1 ? kAlphabet[(group >> 6) & 63] : '=';
      text += n > 2 ? kAlphabet[group & 63] : '=';
    }
  }
  out->Set(text.c_str());
}
