// CFStringCreateWithFormat: printf conversions plus %@ for CF objects.
//
// Each conversion is parsed (flags, width, precision, length modifier) and the
// numeric ones are handed to snprintf with the same conversion text, so their
// output is exactly printf's. A conversion this parser does not know, such
// as %n or a positional %1$d, makes the whole call fail: after an unknown
// conversion the types of the remaining arguments cannot be known.
#include "platform/apple/src/CFObject.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

// One conversion as the format writes it. `text` is what snprintf gets
// before the length modifier and the conversion character: '%', the flags,
// the width and the precision, a '*' kept as '*' with its value read into
// width or precision.
struct Conversion {
  std::string text = "%";
  bool hasWidth = false, hasPrecision = false;
  int width = 0, precision = 0;
  std::string length;  // h, hh, l, ll, q, L, z, j, t
  char type = 0;       // the conversion character
};

// Appends the digits at format[*k] to text.
void TakeDigits(std::string_view format, size_t* k, std::string* text) {
  while (*k < format.size() && format[*k] >= '0' && format[*k] <= '9') text->push_back(format[(*k)++]);
}

// Reads the conversion that starts at the '%' at format[*pos], and the
// values of its '*'s, in the order the format gives them; leaves *pos on the
// conversion character. False for what this parser cannot read: a
// positional argument, a length modifier of more than two characters, a
// format that ends inside the conversion.
bool ParseConversion(std::string_view format, size_t* pos, va_list* args, Conversion* c) {
  size_t k = *pos + 1;
  while (k < format.size() && std::strchr("-+ #0", format[k])) c->text.push_back(format[k++]);
  if (k < format.size() && format[k] == '*') {
    c->hasWidth = true;
    c->width = va_arg(*args, int);
    c->text.push_back(format[k++]);
  } else {
    TakeDigits(format, &k, &c->text);
  }
  if (k < format.size() && format[k] == '$') return false;  // positional arguments
  if (k < format.size() && format[k] == '.') {
    c->text.push_back(format[k++]);
    if (k < format.size() && format[k] == '*') {
      c->hasPrecision = true;
      c->precision = va_arg(*args, int);
      c->text.push_back(format[k++]);
    } else {
      TakeDigits(format, &k, &c->text);
    }
  }
  while (k < format.size() && std::strchr("hlqLzjt", format[k])) c->length.push_back(format[k++]);
  if (k >= format.size()) return false;
  c->type = format[k];
  *pos = k;
  return c->length.size() <= 2;
}

// printf-formats one value with the conversion's text followed by `suffix`
// (the length modifier and conversion character snprintf is to see).
template <class T>
bool AppendPrintf(std::string* out, const Conversion& c, const std::string& suffix, T value) {
  const std::string conversionText = c.text + suffix;
  auto print = [&](char* buffer, size_t size) {
    if (c.hasWidth && c.hasPrecision)
      return std::snprintf(buffer, size, conversionText.c_str(), c.width, c.precision, value);
    if (c.hasWidth) return std::snprintf(buffer, size, conversionText.c_str(), c.width, value);
    if (c.hasPrecision) return std::snprintf(buffer, size, conversionText.c_str(), c.precision, value);
    return std::snprintf(buffer, size, conversionText.c_str(), value);
  };
  char small[128];
  const int needed = print(small, sizeof small);
  if (needed < 0) return false;
  if (static_cast<size_t>(needed) < sizeof small) {
    out->append(small, static_cast<size_t>(needed));
    return true;
  }
  std::string large(static_cast<size_t>(needed) + 1, '\0');
  print(&large[0], large.size());
  out->append(large.data(), static_cast<size_t>(needed));
  return true;
}

// The argument of a signed integer conversion, widened; false for a length
// modifier the conversion does not take.
bool ReadSigned(const std::string& length, va_list* args, long long* value) {
  if (length.empty()) *value = va_arg(*args, int);
  else if (length == "hh") *value = static_cast<signed char>(va_arg(*args, int));
  else if (length == "h") *value = static_cast<short>(va_arg(*args, int));
  else if (length == "l") *value = va_arg(*args, long);
  else if (length == "ll" || length == "q") *value = va_arg(*args, long long);
  else if (length == "z" || length == "t") *value = va_arg(*args, ptrdiff_t);
  else if (length == "j") *value = va_arg(*args, intmax_t);
  else return false;
  return true;
}

bool ReadUnsigned(const std::string& length, va_list* args, unsigned long long* value) {
  if (length.empty()) *value = va_arg(*args, unsigned int);
  else if (length == "hh") *value = static_cast<unsigned char>(va_arg(*args, unsigned int));
  else if (length == "h") *value = static_cast<unsigned short>(va_arg(*args, unsigned int));
  else if (length == "l") *value = va_arg(*args, unsigned long);
  else if (length == "ll" || length == "q") *value = va_arg(*args, unsigned long long);
  else if (length == "z" || length == "t") *value = va_arg(*args, size_t);
  else if (length == "j") *value = va_arg(*args, uintmax_t);
  else return false;
  return true;
}

// Integers are printed as long long whatever their length modifier: the
// value was read with its own type and widened.
bool AppendSigned(const Conversion& c, va_list* args, std::string* out) {
  long long value = 0;
  return ReadSigned(c.length, args, &value) && AppendPrintf(out, c, std::string("ll") + c.type, value);
}

bool AppendUnsigned(const Conversion& c, va_list* args, std::string* out) {
  unsigned long long value = 0;
  return ReadUnsigned(c.length, args, &value) && AppendPrintf(out, c, std::string("ll") + c.type, value);
}

// %f, %e, %g, %a and their capitals: a double, or a long double with L.
bool AppendFloating(const Conversion& c, va_list* args, std::string* out) {
  if (c.length == "L") return AppendPrintf(out, c, std::string("L") + c.type, va_arg(*args, long double));
  if (c.length.empty() || c.length == "l") return AppendPrintf(out, c, std::string(1, c.type), va_arg(*args, double));
  return false;
}

// %s (a C string, "(null)" for none) and %@ (a CF object's description),
// both printed as %s so flags, width and precision apply to the text.
bool AppendText(const Conversion& c, va_list* args, std::string* out) {
  if (!c.length.empty()) return false;
  std::string text;
  if (c.type == 's') {
    const char* value = va_arg(*args, const char*);
    text = value ? value : "(null)";
  } else {
    text = corvane_cf::DescribeValue(va_arg(*args, CFTypeRef));
  }
  return AppendPrintf(out, c, "s", text.c_str());
}

// Reads the conversion's value and appends its text; false for a
// conversion character or length modifier this formatter does not know.
bool AppendConversion(const Conversion& c, va_list* args, std::string* out) {
  switch (c.type) {
    case '%':
      out->push_back('%');
      return true;
    case 'd':
    case 'i':
      return AppendSigned(c, args, out);
    case 'u':
    case 'x':
    case 'X':
    case 'o':
      return AppendUnsigned(c, args, out);
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
      return AppendFloating(c, args, out);
    case 'c':
      return c.length.empty() && AppendPrintf(out, c, "c", va_arg(*args, int));
    case 'p':
      return AppendPrintf(out, c, "p", va_arg(*args, void*));
    case 's':
    case '@':
      return AppendText(c, args, out);
    default:
      return false;
  }
}

// args points to a va_list of the caller's, so each helper that reads an
// argument leaves it at the next one.
bool Format(std::string_view format, va_list* args, std::string* out) {
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      out->push_back(format[i]);
      continue;
    }
    Conversion conversion;
    if (!ParseConversion(format, &i, args, &conversion)) return false;
    if (!AppendConversion(conversion, args, out)) return false;
  }
  return true;
}

}  // namespace

extern "C" {

CFStringRef CFStringCreateWithFormatAndArguments(CFAllocatorRef alloc, CFDictionaryRef formatOptions, CFStringRef format,
                                                 va_list arguments) {
  std::string_view pattern;
  if (!corvane_cf::StringBytes(format, "CFStringCreateWithFormat", &pattern)) return nullptr;
  try {
    std::string text;
    va_list args;
    va_copy(args, arguments);
    const bool ok = Format(pattern, &args, &text);
    va_end(args);
    if (!ok) {
      corvane_cf::UsageError("CFStringCreateWithFormat", "unsupported conversion in the format");
      return nullptr;
    }
    // A %s or %c argument may have added bytes that are not UTF-8.
    return CFStringCreateWithBytes(alloc, reinterpret_cast<const UInt8*>(text.data()), static_cast<CFIndex>(text.size()),
                                   kCFStringEncodingUTF8, false);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

CFStringRef CFStringCreateWithFormat(CFAllocatorRef alloc, CFDictionaryRef formatOptions, CFStringRef format, ...) {
  va_list args;
  va_start(args, format);
  CFStringRef result = CFStringCreateWithFormatAndArguments(alloc, formatOptions, format, args);
  va_end(args);
  return result;
}

}  // extern "C"
