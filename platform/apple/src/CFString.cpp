// Strings: UTF-8 storage, encodings, C-string conversions, comparison and the
// interned constant strings behind CFSTR.
#include "platform/apple/src/CFObject.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>

using corvane_cf::kTypeString;

namespace {

// Decodes one UTF-8 sequence at text[i]; returns its length, 0 when invalid
// (overlong forms, surrogates and values above U+10FFFF are invalid).
size_t DecodeUTF8(std::string_view text, size_t i, uint32_t* codePoint) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  size_t length;
  uint32_t value;
  if (lead < 0x80) {
    *codePoint = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2;
    value = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    value = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    value = lead & 0x07;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (byte(i + k) & 0x3F);
  }
  static const uint32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kMinimum[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *codePoint = value;
  return length;
}

// UTF-16 length of valid UTF-8, or -1 when the bytes are not valid UTF-8.
CFIndex UTF16Length(std::string_view text) {
  CFIndex units = 0;
  for (size_t i = 0; i < text.size();) {
    uint32_t codePoint;
    const size_t length = DecodeUTF8(text, i, &codePoint);
    if (length == 0) return -1;
    units += codePoint >= 0x10000 ? 2 : 1;
    i += length;
  }
  return units;
}

void AppendUTF8(std::string* out, uint32_t codePoint) {
  if (codePoint < 0x80) {
    out->push_back(static_cast<char>(codePoint));
  } else if (codePoint < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
    out->push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
    out->push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  }
}

// Bytes in `encoding` to UTF-8; false when they are not valid there.
bool ToUTF8(std::string_view bytes, CFStringEncoding encoding, std::string* out) {
  switch (encoding) {
    case kCFStringEncodingUTF8:
      if (UTF16Length(bytes) < 0) return false;
      out->assign(bytes);
      return true;
    case kCFStringEncodingASCII:
    case kCFStringEncodingMacRoman:  // only its ASCII half is supported
      for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
      out->assign(bytes);
      return true;
    case kCFStringEncodingISOLatin1:
      out->clear();
      for (char c : bytes) AppendUTF8(out, static_cast<unsigned char>(c));
      return true;
    default:
      return false;
  }
}

// The largest code point the encoding can represent.
uint32_t EncodingLimit(CFStringEncoding encoding) {
  switch (encoding) {
    case kCFStringEncodingUTF8: return 0x10FFFF;
    case kCFStringEncodingASCII:
    case kCFStringEncodingMacRoman: return 0x7F;
    case kCFStringEncodingISOLatin1: return 0xFF;
    default: return 0;
  }
}

// Converts UTF-8 to `encoding`, stopping before the first character that has
// no equivalent or would not fit in `capacity` bytes. Returns true when the
// whole string was converted.
bool FromUTF8(std::string_view text, CFStringEncoding encoding, size_t capacity, std::string* out) {
  const uint32_t limit = EncodingLimit(encoding);
  out->clear();
  for (size_t i = 0; i < text.size();) {
    uint32_t codePoint;
    const size_t length = DecodeUTF8(text, i, &codePoint);
    if (length == 0 || codePoint > limit) return false;
    const size_t size = encoding == kCFStringEncodingUTF8 ? length : 1;
    if (out->size() + size > capacity) return false;
    if (encoding == kCFStringEncodingUTF8)
      out->append(text.substr(i, length));
    else
      out->push_back(static_cast<char>(codePoint));
    i += length;
  }
  return true;
}

CFStringRef Create(std::string&& utf8) {
  try {
    return corvane_cf::Adopt(new __CFString(std::move(utf8)));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

int FoldASCII(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

}  // namespace

__CFString::__CFString(std::string utf8) : Object(kTypeString), mOwned(std::move(utf8)) {
  mUTF16Length = UTF16Length(mOwned);
}

__CFString::__CFString(const char* external, size_t size, CFAllocatorRef deallocator)
    : Object(kTypeString), mExternal(external), mExternalSize(size), mDeallocator(deallocator) {
  mUTF16Length = UTF16Length(Bytes());
}

__CFString::~__CFString() {
  if (mExternal) CFAllocatorDeallocate(mDeallocator, const_cast<char*>(mExternal));
}

bool __CFString::Equals(const Object& other) const {
  return Bytes() == static_cast<const __CFString&>(other).Bytes();
}

// FNV-1a over the UTF-8 bytes.
CFHashCode __CFString::Hash() const {
  CFHashCode hash = 14695981039346656037ull;
  for (char c : Bytes()) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  return hash;
}

namespace corvane_cf {

CFStringRef MakeString(std::string_view utf8) { return Create(std::string(utf8)); }

bool StringBytes(CFStringRef string, const char* caller, std::string_view* bytes) {
  auto* s = As<__CFString>(string, kTypeString, caller);
  if (!s) return false;
  *bytes = s->Bytes();
  return true;
}

}  // namespace corvane_cf

extern "C" {

CFTypeID CFStringGetTypeID(void) { return kTypeString; }

// Interned by content; the table and its strings live until the process ends.
CFStringRef __CFStringMakeConstantString(const char* cStr) {
  static std::mutex* mutex = new std::mutex;
  static auto* table = new std::unordered_map<std::string, __CFString*>;
  if (!cStr) return nullptr;
  std::lock_guard<std::mutex> lock(*mutex);
  __CFString*& entry = (*table)[cStr];
  if (!entry) {
    entry = new __CFString(std::string(cStr));
    corvane_cf::MakeImmortal(entry);
  }
  return entry;
}

CFStringRef CFStringCreateWithBytes(CFAllocatorRef alloc, const UInt8* bytes, CFIndex numBytes, CFStringEncoding encoding,
                                    Boolean isExternalRepresentation) {
  if (numBytes < 0 || (!bytes && numBytes > 0)) return nullptr;
  try {
    std::string utf8;
    const std::string_view input(reinterpret_cast<const char*>(bytes), static_cast<size_t>(numBytes));
    if (!ToUTF8(numBytes ? input : std::string_view(), encoding, &utf8)) return nullptr;
    // A byte-order mark is part of an external representation, not of the text.
    if (isExternalRepresentation && utf8.compare(0, 3, "\xEF\xBB\xBF") == 0) utf8.erase(0, 3);
    return Create(std::move(utf8));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

CFStringRef CFStringCreateWithCString(CFAllocatorRef alloc, const char* cStr, CFStringEncoding encoding) {
  if (!cStr) return nullptr;
  return CFStringCreateWithBytes(alloc, reinterpret_cast<const UInt8*>(cStr), static_cast<CFIndex>(std::strlen(cStr)),
                                 encoding, false);
}

// Keeps the caller's bytes when they are already UTF-8; other encodings are
// converted into a copy and the caller's buffer is handed to its deallocator
// at once. On failure the buffer is not freed (the caller still owns it).
CFStringRef CFStringCreateWithCStringNoCopy(CFAllocatorRef alloc, const char* cStr, CFStringEncoding encoding,
                                            CFAllocatorRef contentsDeallocator) {
  if (!cStr) return nullptr;
  const size_t size = std::strlen(cStr);
  const std::string_view bytes(cStr, size);
  if (encoding == kCFStringEncodingUTF8 || encoding == kCFStringEncodingASCII || encoding == kCFStringEncodingMacRoman) {
    std::string check;
    if (!ToUTF8(bytes, encoding, &check)) return nullptr;
    try {
      return corvane_cf::Adopt(new __CFString(cStr, size, contentsDeallocator));
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
  }
  CFStringRef copy = CFStringCreateWithCString(alloc, cStr, encoding);
  if (copy) CFAllocatorDeallocate(contentsDeallocator, const_cast<char*>(cStr));
  return copy;
}

CFStringRef CFStringCreateCopy(CFAllocatorRef alloc, CFStringRef theString) {
  std::string_view bytes;
  if (!corvane_cf::StringBytes(theString, "CFStringCreateCopy", &bytes)) return nullptr;
  return corvane_cf::MakeString(bytes);
}

CFIndex CFStringGetLength(CFStringRef theString) {
  auto* s = corvane_cf::As<__CFString>(theString, kTypeString, "CFStringGetLength");
  return s ? s->mUTF16Length : 0;
}

// Worst case per UTF-16 unit: 3 UTF-8 bytes (a surrogate pair, 2 units, needs 4).
CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding) {
  if (length < 0) return kCFNotFound;
  const CFIndex perUnit = encoding == kCFStringEncodingUTF8 ? 3 : 1;
  if (EncodingLimit(encoding) == 0) return kCFNotFound;
  if (length > LONG_MAX / perUnit) return kCFNotFound;
  return length * perUnit;
}

// As documented: false when the string cannot be converted or the buffer is
// too small, and then the buffer's contents are unspecified. This version
// fills a too-small buffer to its last byte without a terminator, so a
// caller that reads it after a failure is caught rather than served.
Boolean CFStringGetCString(CFStringRef theString, char* buffer, CFIndex bufferSize, CFStringEncoding encoding) {
  std::string_view bytes;
  if (!corvane_cf::StringBytes(theString, "CFStringGetCString", &bytes)) return false;
  if (!buffer || bufferSize <= 0) return false;
  try {
    std::string converted;
    const bool complete = FromUTF8(bytes, encoding, static_cast<size_t>(bufferSize) - 1, &converted);
    std::memcpy(buffer, converted.data(), converted.size());
    if (complete) {
      buffer[converted.size()] = '\0';
    } else {
      std::memset(buffer + converted.size(), '?', static_cast<size_t>(bufferSize) - converted.size());
    }
    return complete;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

const char* CFStringGetCStringPtr(CFStringRef theString, CFStringEncoding encoding) {
  auto* s = corvane_cf::As<__CFString>(theString, kTypeString, "CFStringGetCStringPtr");
  if (!s) return nullptr;
  const std::string_view bytes = s->Bytes();
  const bool ascii = static_cast<size_t>(s->mUTF16Length) == bytes.size();
  if (encoding == kCFStringEncodingUTF8 || (ascii && EncodingLimit(encoding) != 0)) return bytes.data();
  return nullptr;
}

CFComparisonResult CFStringCompare(CFStringRef theString1, CFStringRef theString2, CFStringCompareFlags compareOptions) {
  std::string_view a, b;
  const bool haveA = corvane_cf::StringBytes(theString1, "CFStringCompare", &a);
  const bool haveB = corvane_cf::StringBytes(theString2, "CFStringCompare", &b);
  if (!haveA || !haveB) return haveA ? kCFCompareGreaterThan : (haveB ? kCFCompareLessThan : kCFCompareEqualTo);
  const bool fold = (compareOptions & kCFCompareCaseInsensitive) != 0;
  // Byte order of UTF-8 is code point order.
  const size_t common = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < common; ++i) {
    int x = static_cast<unsigned char>(a[i]);
    int y = static_cast<unsigned char>(b[i]);
    if (fold) {
      x = FoldASCII(static_cast<unsigned char>(x));
      y = FoldASCII(static_cast<unsigned char>(y));
    }
    if (x != y) return x < y ? kCFCompareLessThan : kCFCompareGreaterThan;
  }
  if (a.size() == b.size()) return kCFCompareEqualTo;
  return a.size() < b.size() ? kCFCompareLessThan : kCFCompareGreaterThan;
}

Boolean CFStringHasPrefix(CFStringRef theString, CFStringRef prefix) {
  std::string_view s, p;
  if (!corvane_cf::StringBytes(theString, "CFStringHasPrefix", &s) || !corvane_cf::StringBytes(prefix, "CFStringHasPrefix", &p))
    return false;
  return s.substr(0, p.size()) == p;
}

Boolean CFStringHasSuffix(CFStringRef theString, CFStringRef suffix) {
  std::string_view s, p;
  if (!corvane_cf::StringBytes(theString, "CFStringHasSuffix", &s) || !corvane_cf::StringBytes(suffix, "CFStringHasSuffix", &p))
    return false;
  return s.size() >= p.size() && s.substr(s.size() - p.size()) == p;
}

SInt32 CFStringGetIntValue(CFStringRef str) {
  std::string_view s;
  if (!corvane_cf::StringBytes(str, "CFStringGetIntValue", &s)) return 0;
  const long long value = std::strtoll(std::string(s).c_str(), nullptr, 10);
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<SInt32>(value);
}

double CFStringGetDoubleValue(CFStringRef str) {
  std::string_view s;
  if (!corvane_cf::StringBytes(str, "CFStringGetDoubleValue", &s)) return 0.0;
  return std::strtod(std::string(s).c_str(), nullptr);
}

}  // extern "C"
