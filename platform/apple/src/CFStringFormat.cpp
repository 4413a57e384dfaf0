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

// printf-formats one value with the conversion text `conversionText` (already complete).
template <class T>
bool AppendPrintf(std::string* out, const std::string& conversionText, int width, int precision, bool hasWidth, bool hasPrecision, T value) {
  char small[128];
  int needed;
  if (hasWidth && hasPrecision)
    needed = std::snprintf(small, sizeof small, conversionText.c_str(), width, precision, value);
  else if (hasWidth)
    needed = std::snprintf(small, sizeof small, conversionText.c_str(), width, value);
  else if (hasPrecision)
    needed = std::snprintf(small, sizeof small, conversionText.c_str(), precision, value);
  else
    needed = std::snprintf(small, sizeof small, conversionText.c_str(), value);
  if (needed < 0) return false;
  if (static_cast<size_t>(needed) < sizeof small) {
    out->append(small, static_cast<size_t>(needed));
    return true;
  }
  std::string large(static_cast<size_t>(needed) + 1, '\0');
  if (hasWidth && hasPrecision)
    std::snprintf(&large[0], large.size(), conversionText.c_str(), width, precision, value);
  else if (hasWidth)
    std::snprintf(&large[0], large.size(), conversionText.c_str(), width, value);
  else if (hasPrecision)
    std::snprintf(&large[0], large.size(), conversionText.c_str(), precision, value);
  else
    std::snprintf(&large[0], large.size(), conversionText.c_str(), value);
  out->append(large.data(), static_cast<size_t>(needed));
  return true;
}

bool Format(std::string_view format, va_list args, std::string* out) {
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      out->push_back(format[i]);
      continue;
    }
    // Width and precision given as digits stay in the conversion text; '*'
    // is written as '*' and its value passed to snprintf.
    std::string conversionText = "%";
    size_t k = i + 1;
    while (k < format.size() && std::strchr("-+ #0", format[k])) conversionText.push_back(format[k++]);
    bool hasWidth = false, hasPrecision = false;
    int width = 0, precision = 0;
    if (k < format.size() && format[k] == '*') {
      hasWidth = true;
      width = va_arg(args, int);
      conversionText.push_back(format[k++]);
    } else {
      while (k < format.size() && format[k] >= '0' && format[k] <= '9') conversionText.push_back(format[k++]);
    }
    if (k < format.size() && format[k] == '$') return false;  // positional arguments
    if (k < format.size() && format[k] == '.') {
      conversionText.push_back(format[k++]);
      if (k < format.size() && format[k] == '*') {
        hasPrecision = true;
        precision = va_arg(args, int);
        conversionText.push_back(format[k++]);
      } else {
        while (k < format.size() && format[k] >= '0' && format[k] <= '9') conversionText.push_back(format[k++]);
      }
    }
    std::string length;
    while (k < format.size() && std::strchr("hlqLzjt", format[k])) length.push_back(format[k++]);
    if (k >= format.size()) return false;
    const char conversion = format[k];
    i = k;
    if (length.size() > 2) return false;

    switch (conversion) {
      case '%':
        out->push_back('%');
        break;
      case 'd':
      case 'i': {
        long long value;
        if (length.empty()) value = va_arg(args, int);
        else if (length == "hh") value = static_cast<signed char>(va_arg(args, int));
        else if (length == "h") value = static_cast<short>(va_arg(args, int));
        else if (length == "l") value = va_arg(args, long);
        else if (length == "ll" || length == "q") value = va_arg(args, long long);
        else if (length == "z" || length == "t") value = va_arg(args, ptrdiff_t);
        else if (length == "j") value = va_arg(args, intmax_t);
        else return false;
        if (!AppendPrintf(out, conversionText + "ll" + conversion, width, precision, hasWidth, hasPrecision, value)) return false;
        break;
      }
      case 'u':
      case 'x':
      case 'X':
      case 'o': {
        unsigned long long value;
        if (length.empty()) value = va_arg(args, unsigned int);
        else if (length == "hh") value = static_cast<unsigned char>(va_arg(args, unsigned int));
        else if (length == "h") value = static_cast<unsigned short>(va_arg(args, unsigned int));
        else if (length == "l") value = va_arg(args, unsigned long);
        else if (length == "ll" || length == "q") value = va_arg(args, unsigned long long);
        else if (length == "z" || length == "t") value = va_arg(args, size_t);
        else if (length == "j") value = va_arg(args, uintmax_t);
        else return false;
        if (!AppendPrintf(out, conversionText + "ll" + conversion, width, precision, hasWidth, hasPrecision, value)) return false;
        break;
      }
      case 'f':
      case 'F':
      case 'e':
      case 'E':
      case 'g':
      case 'G':
      case 'a':
      case 'A':
        if (length == "L") {
          const long double value = va_arg(args, long double);
          if (!AppendPrintf(out, conversionText + "L" + conversion, width, precision, hasWidth, hasPrecision, value)) return false;
        } else if (length.empty() || length == "l") {
          const double value = va_arg(args, double);
          if (!AppendPrintf(out, conversionText + conversion, width, precision, hasWidth, hasPrecision, value)) return false;
        } else {
          return false;
        }
        break;
      case 'c':
        if (!length.empty()) return false;
        if (!AppendPrintf(out, conversionText + 'c', width, precision, hasWidth, hasPrecision, va_arg(args, int))) return false;
        break;
      case 'p':
        if (!AppendPrintf(out, conversionText + 'p', width, precision, hasWidth, hasPrecision, va_arg(args, void*))) return false;
        break;
      case 's':
      case '@': {
        if (!length.empty()) return false;
        std::string text;
        if (conversion == 's') {
          const char* value = va_arg(args, const char*);
          text = value ? value : "(null)";
        } else {
          text = corvane_cf::DescribeValue(va_arg(args, CFTypeRef));
        }
        if (!AppendPrintf(out, conversionText + 's', width, precision, hasWidth, hasPrecision, text.c_str())) return false;
        break;
      }
      default:
        return false;
    }
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
    const bool ok = Format(pattern, args, &text);
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
