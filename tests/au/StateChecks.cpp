#include "tests/au/StateChecks.h"

#include <cmath>
#include <cstring>

namespace au_test {

bool WholeStateIn(CFTypeRef plist, int nParams, std::vector<double>* values) {
  if (!plist || CFGetTypeID(plist) != CFDictionaryGetTypeID()) return false;
  CFStringRef key = CFStringCreateWithCString(nullptr, "data", kCFStringEncodingUTF8);
  CFTypeRef data = CFDictionaryGetValue(static_cast<CFDictionaryRef>(plist), key);
  CFRelease(key);
  if (!data || CFGetTypeID(data) != CFDataGetTypeID()) return false;
  const size_t size = static_cast<size_t>(CFDataGetLength(static_cast<CFDataRef>(data)));
  return size == 8u * nParams &&
         ReadStateValues(CFDataGetBytePtr(static_cast<CFDataRef>(data)), size, 0, nParams, values);
}

bool ReadStateValues(const uint8_t* bytes, size_t size, long long pos, int nParams, std::vector<double>* values) {
  values->clear();
  if (pos < 0 || pos + 8LL * nParams > static_cast<long long>(size)) return false;
  for (int i = 0; i < nParams; ++i) {
    uint64_t bits = 0;
    for (int b = 0; b < 8; ++b) bits |= static_cast<uint64_t>(bytes[pos + 8 * i + b]) << (8 * b);
    double value;
    std::memcpy(&value, &bits, 8);
    if (!std::isfinite(value)) return false;
    values->push_back(value);
  }
  return true;
}

std::vector<uint64_t> ValueBits(const IPlugBase& plug) {
  std::vector<uint64_t> bits(static_cast<size_t>(plug.NParams()));
  for (int i = 0; i < plug.NParams(); ++i) {
    const double value = plug.GetParam(i)->Value();
    std::memcpy(&bits[static_cast<size_t>(i)], &value, 8);
  }
  return bits;
}

std::string HoldsClamped(const IPlugBase& plug, const std::vector<double>& values) {
  for (int i = 0; i < plug.NParams(); ++i) {
    const IParam* param = plug.GetParam(i);
    const double wanted = std::fmin(std::fmax(values[static_cast<size_t>(i)], param->GetMin()), param->GetMax());
    if (!(param->Value() == wanted))
      return "parameter " + std::to_string(i) + " holds " + std::to_string(param->Value()) + ", not " +
             std::to_string(wanted);
  }
  return "";
}

std::string ValuesInRange(const IPlugBase& plug) {
  for (int i = 0; i < plug.NParams(); ++i) {
    const IParam* param = plug.GetParam(i);
    const double value = param->Value();
    if (!(std::isfinite(value) && value >= param->GetMin() && value <= param->GetMax()))
      return "parameter " + std::to_string(i) + " holds " + std::to_string(value) + ", outside its range";
  }
  return "";
}

}  // namespace au_test
