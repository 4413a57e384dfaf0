#pragma once
// UTF-8 decoding for text drawing.
#include <cstdint>

namespace lice_detail {

constexpr uint32_t kReplacementChar = 0xFFFD;

// Decodes one code point from [p, end) and advances p past it. Malformed,
// overlong or truncated sequences and UTF-16 surrogates decode as U+FFFD and
// consume exactly one byte, so decoding always progresses and never reads
// past end. p must be below end.
inline uint32_t DecodeUtf8(const char*& p, const char* end) {
  const unsigned char b0 = (unsigned char)*p++;
  if (b0 < 0x80) return b0;
  int extra;
  uint32_t cp, min;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1; cp = b0 & 0x1F; min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2; cp = b0 & 0x0F; min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3; cp = b0 & 0x07; min = 0x10000;
  } else {
    return kReplacementChar;
  }
  if (end - p < extra) return kReplacementChar;
  for (int i = 0; i < extra; ++i) {
    const unsigned char b = (unsigned char)p[i];
    if ((b & 0xC0) != 0x80) return kReplacementChar;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kReplacementChar;
  p += extra;
  return cp;
}

}  // namespace lice_detail
