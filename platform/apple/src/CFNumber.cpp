// Numbers keep either a 64-bit integer or a 64-bit float, with the
// fixed-size type they were created as; booleans are two immortal objects.
#include "platform/apple/src/CFObject.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

using corvane_cf::kTypeBoolean;
using corvane_cf::kTypeNumber;

struct __CFBoolean : corvane_cf::Object {
  explicit __CFBoolean(bool value) : Object(kTypeBoolean), mValue(value) {}
  std::string Describe() const override { return mValue ? "true" : "false"; }
  const bool mValue;
};

struct __CFNumber : corvane_cf::Object {
  __CFNumber(CFNumberType type, bool isFloat, int64_t integer, double real)
      : Object(kTypeNumber), mType(type), mIsFloat(isFloat), mInteger(integer), mReal(real) {}
  std::string Describe() const override;
  bool Equals(const Object& other) const override;
  CFHashCode Hash() const override;

  const CFNumberType mType;  // always one of the fixed-size types
  const bool mIsFloat;
  const int64_t mInteger;
  const double mReal;
};

namespace {

// Maps the C-type names onto the fixed-size types (LP64).
CFNumberType Canonical(CFNumberType type) {
  switch (type) {
    case kCFNumberSInt8Type:
    case kCFNumberCharType: return kCFNumberSInt8Type;
    case kCFNumberSInt16Type:
    case kCFNumberShortType: return kCFNumberSInt16Type;
    case kCFNumberSInt32Type:
    case kCFNumberIntType: return kCFNumberSInt32Type;
    case kCFNumberSInt64Type:
    case kCFNumberLongType:
    case kCFNumberLongLongType:
    case kCFNumberCFIndexType:
    case kCFNumberNSIntegerType: return sizeof(long) == 8 || type == kCFNumberLongLongType || type == kCFNumberSInt64Type
                                           ? kCFNumberSInt64Type
                                           : kCFNumberSInt32Type;
    case kCFNumberFloat32Type:
    case kCFNumberFloatType: return kCFNumberFloat32Type;
    case kCFNumberFloat64Type:
    case kCFNumberDoubleType:
    case kCFNumberCGFloatType: return kCFNumberFloat64Type;
    default: return 0;
  }
}

// An integer into an integer type of `bits` bits: saturated, exact when it fits.
template <class T>
bool StoreInteger(int64_t value, void* out) {
  T result;
  bool exact = true;
  if (value > static_cast<int64_t>(std::numeric_limits<T>::max())) {
    result = std::numeric_limits<T>::max();
    exact = false;
  } else if (value < static_cast<int64_t>(std::numeric_limits<T>::min())) {
    result = std::numeric_limits<T>::min();
    exact = false;
  } else {
    result = static_cast<T>(value);
  }
  std::memcpy(out, &result, sizeof result);
  return exact;
}

// A float into an integer type: truncated toward zero, saturated, NaN gives 0.
template <class T>
bool StoreFloatAsInteger(double value, void* out) {
  if (std::isnan(value)) {
    const T zero = 0;
    std::memcpy(out, &zero, sizeof zero);
    return false;
  }
  const double truncated = std::trunc(value);
  // The range test runs in long double, where the limits of 64-bit types are exact.
  const long double maximum = static_cast<long double>(std::numeric_limits<T>::max());
  const long double minimum = static_cast<long double>(std::numeric_limits<T>::min());
  T result;
  bool exact = truncated == value;
  if (static_cast<long double>(truncated) > maximum) {
    result = std::numeric_limits<T>::max();
    exact = false;
  } else if (static_cast<long double>(truncated) < minimum) {
    result = std::numeric_limits<T>::min();
    exact = false;
  } else {
    result = static_cast<T>(truncated);
  }
  std::memcpy(out, &result, sizeof result);
  return exact;
}

bool StoreFloat32(double value, void* out) {
  float result;
  if (std::isnan(value) || std::isinf(value)) {
    result = static_cast<float>(value);
  } else if (value > FLT_MAX || value < -FLT_MAX) {
    result = value > 0 ? HUGE_VALF : -HUGE_VALF;
  } else {
    result = static_cast<float>(value);
  }
  std::memcpy(out, &result, sizeof result);
  return std::isnan(value) || static_cast<double>(result) == value;
}

bool StoreFloat64(double value, void* out) {
  std::memcpy(out, &value, sizeof value);
  return true;
}

// Integers as floats are exact when they survive the round trip.
bool IntegerFitsDouble(int64_t value) {
  const double d = static_cast<double>(value);
  return d < 9223372036854775808.0 && static_cast<int64_t>(d) == value;
}

const __CFNumber* AsNumber(CFNumberRef number, const char* caller) {
  return corvane_cf::As<__CFNumber>(number, kTypeNumber, caller);
}

// The value as a long double, exact for every stored integer and double.
long double Value(const __CFNumber& n) { return n.mIsFloat ? n.mReal : static_cast<long double>(n.mInteger); }

}  // namespace

std::string __CFNumber::Describe() const {
  char text[64];
  if (!mIsFloat) {
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(mInteger));
    return text;
  }
  // The shortest text that reads back as the same value.
  for (int precision = 1; precision <= 17; ++precision) {
    std::snprintf(text, sizeof text, "%.*g", precision, mReal);
    if (std::strtod(text, nullptr) == mReal) break;
  }
  return text;
}

bool __CFNumber::Equals(const Object& other) const {
  const auto& o = static_cast<const __CFNumber&>(other);
  if (std::isnan(Value(*this)) && std::isnan(Value(o))) return true;
  return Value(*this) == Value(o);
}

// Equal numbers hash equally: an integral float hashes as the integer.
CFHashCode __CFNumber::Hash() const {
  if (!mIsFloat) return static_cast<CFHashCode>(mInteger);
  const double t = std::trunc(mReal);
  if (t == mReal && t >= -9223372036854775808.0 && t < 9223372036854775808.0) return static_cast<CFHashCode>(static_cast<int64_t>(t));
  uint64_t bits;
  std::memcpy(&bits, &mReal, sizeof bits);
  return static_cast<CFHashCode>(bits * 0x9E3779B97F4A7C15ull);
}

extern "C" {

const CFBooleanRef kCFBooleanTrue = [] {
  __CFBoolean* b = new __CFBoolean(true);
  corvane_cf::MakeImmortal(b);
  return b;
}();
const CFBooleanRef kCFBooleanFalse = [] {
  __CFBoolean* b = new __CFBoolean(false);
  corvane_cf::MakeImmortal(b);
  return b;
}();

CFTypeID CFBooleanGetTypeID(void) { return kTypeBoolean; }

Boolean CFBooleanGetValue(CFBooleanRef boolean) {
  auto* b = corvane_cf::As<__CFBoolean>(boolean, kTypeBoolean, "CFBooleanGetValue");
  return b && b->mValue;
}

CFTypeID CFNumberGetTypeID(void) { return kTypeNumber; }

CFNumberRef CFNumberCreate(CFAllocatorRef allocator, CFNumberType theType, const void* valuePtr) {
  const CFNumberType type = Canonical(theType);
  if (!valuePtr || type == 0) return nullptr;
  int64_t integer = 0;
  double real = 0.0;
  bool isFloat = false;
  switch (type) {
    case kCFNumberSInt8Type: { int8_t v; std::memcpy(&v, valuePtr, sizeof v); integer = v; break; }
    case kCFNumberSInt16Type: { int16_t v; std::memcpy(&v, valuePtr, sizeof v); integer = v; break; }
    case kCFNumberSInt32Type: { int32_t v; std::memcpy(&v, valuePtr, sizeof v); integer = v; break; }
    case kCFNumberSInt64Type: { int64_t v; std::memcpy(&v, valuePtr, sizeof v); integer = v; break; }
    case kCFNumberFloat32Type: { float v; std::memcpy(&v, valuePtr, sizeof v); real = v; isFloat = true; break; }
    default: { double v; std::memcpy(&v, valuePtr, sizeof v); real = v; isFloat = true; break; }
  }
  try {
    return corvane_cf::Adopt(new __CFNumber(type, isFloat, integer, real));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

CFNumberType CFNumberGetType(CFNumberRef number) {
  const __CFNumber* n = AsNumber(number, "CFNumberGetType");
  return n ? n->mType : 0;
}

CFIndex CFNumberGetByteSize(CFNumberRef number) {
  switch (CFNumberGetType(number)) {
    case kCFNumberSInt8Type: return 1;
    case kCFNumberSInt16Type: return 2;
    case kCFNumberSInt32Type:
    case kCFNumberFloat32Type: return 4;
    case kCFNumberSInt64Type:
    case kCFNumberFloat64Type: return 8;
    default: return 0;
  }
}

Boolean CFNumberIsFloatType(CFNumberRef number) {
  const __CFNumber* n = AsNumber(number, "CFNumberIsFloatType");
  return n && n->mIsFloat;
}

Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr) {
  const __CFNumber* n = AsNumber(number, "CFNumberGetValue");
  const CFNumberType type = Canonical(theType);
  if (!n || !valuePtr || type == 0) return false;
  if (n->mIsFloat) {
    switch (type) {
      case kCFNumberSInt8Type: return StoreFloatAsInteger<int8_t>(n->mReal, valuePtr);
      case kCFNumberSInt16Type: return StoreFloatAsInteger<int16_t>(n->mReal, valuePtr);
      case kCFNumberSInt32Type: return StoreFloatAsInteger<int32_t>(n->mReal, valuePtr);
      case kCFNumberSInt64Type: return StoreFloatAsInteger<int64_t>(n->mReal, valuePtr);
      case kCFNumberFloat32Type: return StoreFloat32(n->mReal, valuePtr);
      default: return StoreFloat64(n->mReal, valuePtr);
    }
  }
  switch (type) {
    case kCFNumberSInt8Type: return StoreInteger<int8_t>(n->mInteger, valuePtr);
    case kCFNumberSInt16Type: return StoreInteger<int16_t>(n->mInteger, valuePtr);
    case kCFNumberSInt32Type: return StoreInteger<int32_t>(n->mInteger, valuePtr);
    case kCFNumberSInt64Type: return StoreInteger<int64_t>(n->mInteger, valuePtr);
    case kCFNumberFloat32Type: {
      const float f = static_cast<float>(n->mInteger);
      std::memcpy(valuePtr, &f, sizeof f);
      return IntegerFitsDouble(n->mInteger) && static_cast<double>(f) == static_cast<double>(n->mInteger);
    }
    default: {
      const double d = static_cast<double>(n->mInteger);
      std::memcpy(valuePtr, &d, sizeof d);
      return IntegerFitsDouble(n->mInteger);
    }
  }
}

CFComparisonResult CFNumberCompare(CFNumberRef number, CFNumberRef otherNumber, void* context) {
  const __CFNumber* a = AsNumber(number, "CFNumberCompare");
  const __CFNumber* b = AsNumber(otherNumber, "CFNumberCompare");
  if (!a || !b) return kCFCompareEqualTo;
  // NaN sorts below every other value, as in the original.
  const long double x = Value(*a), y = Value(*b);
  if (std::isnan(x) || std::isnan(y)) {
    if (std::isnan(x) && std::isnan(y)) return kCFCompareEqualTo;
    return std::isnan(x) ? kCFCompareLessThan : kCFCompareGreaterThan;
  }
  if (x == y) return kCFCompareEqualTo;
  return x < y ? kCFCompareLessThan : kCFCompareGreaterThan;
}

}  // extern "C"
