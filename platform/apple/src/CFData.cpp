// Byte buffers, immutable or growable.
#include "platform/apple/src/CFObject.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

using corvane_cf::kTypeData;

struct __CFData : corvane_cf::Object {
  explicit __CFData(bool isMutable) : Object(kTypeData), mMutable(isMutable) {}
  std::string Describe() const override;
  bool Equals(const Object& other) const override { return mBytes == static_cast<const __CFData&>(other).mBytes; }
  CFHashCode Hash() const override;
  // Never null, so callers may pass it to memcpy even for empty data.
  const UInt8* Bytes() const {
    static const UInt8 kEmpty = 0;
    return mBytes.empty() ? &kEmpty : mBytes.data();
  }

  const bool mMutable;
  std::vector<UInt8> mBytes;
};

std::string __CFData::Describe() const {
  std::string text = "<CFData length = " + std::to_string(mBytes.size()) + ", bytes = 0x";
  char hex[3];
  const size_t shown = mBytes.size() < 24 ? mBytes.size() : 24;
  for (size_t i = 0; i < shown; ++i) {
    std::snprintf(hex, sizeof hex, "%02x", mBytes[i]);
    text += hex;
  }
  if (shown < mBytes.size()) text += "...";
  return text + ">";
}

CFHashCode __CFData::Hash() const {
  CFHashCode hash = 14695981039346656037ull;
  for (UInt8 b : mBytes) hash = (hash ^ b) * 1099511628211ull;
  return hash;
}

namespace {

__CFData* MakeData(bool isMutable, const UInt8* bytes, CFIndex length) {
  if (length < 0 || (!bytes && length > 0)) return nullptr;
  try {
    __CFData* data = new __CFData(isMutable);
    if (length > 0) data->mBytes.assign(bytes, bytes + length);
    return corvane_cf::Adopt(data);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

__CFData* AsMutableData(CFMutableDataRef theData, const char* caller) {
  __CFData* data = corvane_cf::AsMutable<__CFData>(theData, kTypeData, caller);
  if (data && !data->mMutable) {
    corvane_cf::UsageError(caller, "data is immutable");
    return nullptr;
  }
  return data;
}

// Resizes, zero-filling new bytes; false when memory runs out.
bool Resize(__CFData* data, CFIndex length) {
  try {
    data->mBytes.resize(static_cast<size_t>(length), 0);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

extern "C" {

CFTypeID CFDataGetTypeID(void) { return kTypeData; }

CFDataRef CFDataCreate(CFAllocatorRef allocator, const UInt8* bytes, CFIndex length) { return MakeData(false, bytes, length); }

CFDataRef CFDataCreateCopy(CFAllocatorRef allocator, CFDataRef theData) {
  auto* data = corvane_cf::As<__CFData>(theData, kTypeData, "CFDataCreateCopy");
  return data ? MakeData(false, data->Bytes(), static_cast<CFIndex>(data->mBytes.size())) : nullptr;
}

CFMutableDataRef CFDataCreateMutable(CFAllocatorRef allocator, CFIndex capacity) {
  return capacity < 0 ? nullptr : MakeData(true, nullptr, 0);
}

CFMutableDataRef CFDataCreateMutableCopy(CFAllocatorRef allocator, CFIndex capacity, CFDataRef theData) {
  auto* data = corvane_cf::As<__CFData>(theData, kTypeData, "CFDataCreateMutableCopy");
  if (!data || capacity < 0) return nullptr;
  return MakeData(true, data->Bytes(), static_cast<CFIndex>(data->mBytes.size()));
}

CFIndex CFDataGetLength(CFDataRef theData) {
  auto* data = corvane_cf::As<__CFData>(theData, kTypeData, "CFDataGetLength");
  return data ? static_cast<CFIndex>(data->mBytes.size()) : 0;
}

const UInt8* CFDataGetBytePtr(CFDataRef theData) {
  auto* data = corvane_cf::As<__CFData>(theData, kTypeData, "CFDataGetBytePtr");
  return data ? data->Bytes() : nullptr;
}

UInt8* CFDataGetMutableBytePtr(CFMutableDataRef theData) {
  __CFData* data = AsMutableData(theData, "CFDataGetMutableBytePtr");
  return data ? const_cast<UInt8*>(data->Bytes()) : nullptr;
}

void CFDataGetBytes(CFDataRef theData, CFRange range, UInt8* buffer) {
  auto* data = corvane_cf::As<__CFData>(theData, kTypeData, "CFDataGetBytes");
  if (!data || !buffer) return;
  const CFIndex size = static_cast<CFIndex>(data->mBytes.size());
  if (range.location < 0 || range.length < 0 || range.location > size || range.length > size - range.location) {
    corvane_cf::UsageError("CFDataGetBytes", "range outside the data");
    return;
  }
  if (range.length > 0) std::memcpy(buffer, data->Bytes() + range.location, static_cast<size_t>(range.length));
}

void CFDataSetLength(CFMutableDataRef theData, CFIndex length) {
  __CFData* data = AsMutableData(theData, "CFDataSetLength");
  if (data && length >= 0) Resize(data, length);
}

void CFDataIncreaseLength(CFMutableDataRef theData, CFIndex extraLength) {
  __CFData* data = AsMutableData(theData, "CFDataIncreaseLength");
  if (data && extraLength >= 0) Resize(data, static_cast<CFIndex>(data->mBytes.size()) + extraLength);
}

void CFDataAppendBytes(CFMutableDataRef theData, const UInt8* bytes, CFIndex length) {
  __CFData* data = AsMutableData(theData, "CFDataAppendBytes");
  if (!data || length <= 0) return;
  if (!bytes) {
    corvane_cf::UsageError("CFDataAppendBytes", "NULL bytes");
    return;
  }
  try {
    data->mBytes.insert(data->mBytes.end(), bytes, bytes + length);
  } catch (const std::exception&) {
  }
}

}  // extern "C"
