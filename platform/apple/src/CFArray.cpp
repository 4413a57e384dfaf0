// Arrays: a vector of values plus the callbacks that own them.
#include "platform/apple/src/CFObject.h"

#include <cstdio>
#include <new>
#include <vector>

using corvane_cf::kTypeArray;

namespace {

const void* RetainCFType(CFAllocatorRef, const void* value) { return CFRetain(value); }
void ReleaseCFType(CFAllocatorRef, const void* value) { CFRelease(value); }

}  // namespace

extern "C" const CFArrayCallBacks kCFTypeArrayCallBacks = {0, RetainCFType, ReleaseCFType, CFCopyDescription, CFEqual};

struct __CFArray : corvane_cf::Object {
  __CFArray(bool isMutable, const CFArrayCallBacks* callBacks) : Object(kTypeArray), mMutable(isMutable) {
    if (callBacks) mCallBacks = *callBacks;
  }
  ~__CFArray() override {
    for (const void* value : mValues) Release(value);
  }
  std::string Describe() const override;
  bool Equals(const Object& other) const override;
  CFHashCode Hash() const override { return mValues.size(); }

  const void* Retain(const void* value) const { return mCallBacks.retain ? mCallBacks.retain(nullptr, value) : value; }
  void Release(const void* value) const {
    if (mCallBacks.release) mCallBacks.release(nullptr, value);
  }
  bool Same(const void* a, const void* b) const { return a == b || (mCallBacks.equal && mCallBacks.equal(a, b)); }

  const bool mMutable;
  CFArrayCallBacks mCallBacks = {0, nullptr, nullptr, nullptr, nullptr};
  std::vector<const void*> mValues;
};

std::string __CFArray::Describe() const {
  std::string text = "(\n";
  for (size_t i = 0; i < mValues.size(); ++i) {
    std::string item;
    CFStringRef description = mCallBacks.copyDescription ? mCallBacks.copyDescription(mValues[i]) : nullptr;
    if (description) {
      item = corvane_cf::DescribeValue(description);
      CFRelease(description);
    } else {
      char pointer[32];
      std::snprintf(pointer, sizeof pointer, "<%p>", mValues[i]);
      item = pointer;
    }
    text += "    " + item + (i + 1 < mValues.size() ? ",\n" : "\n");
  }
  return text + ")";
}

bool __CFArray::Equals(const Object& other) const {
  const auto& o = static_cast<const __CFArray&>(other);
  if (mValues.size() != o.mValues.size()) return false;
  for (size_t i = 0; i < mValues.size(); ++i)
    if (!Same(mValues[i], o.mValues[i])) return false;
  return true;
}

namespace {

const __CFArray* AsArray(CFArrayRef array, const char* caller) { return corvane_cf::As<__CFArray>(array, kTypeArray, caller); }

__CFArray* AsMutableArray(CFMutableArrayRef array, const char* caller) {
  __CFArray* a = corvane_cf::AsMutable<__CFArray>(array, kTypeArray, caller);
  if (a && !a->mMutable) {
    corvane_cf::UsageError(caller, "array is immutable");
    return nullptr;
  }
  return a;
}

bool RangeInside(const __CFArray& array, CFRange range, const char* caller) {
  const CFIndex count = static_cast<CFIndex>(array.mValues.size());
  if (range.location < 0 || range.length < 0 || range.location > count || range.length > count - range.location) {
    corvane_cf::UsageError(caller, "range outside the array");
    return false;
  }
  return true;
}

__CFArray* MakeArray(bool isMutable, const CFArrayCallBacks* callBacks, const void* const* values, CFIndex count) {
  if (count < 0 || (!values && count > 0)) return nullptr;
  __CFArray* array;
  try {
    array = new __CFArray(isMutable, callBacks);
    array->mValues.reserve(static_cast<size_t>(count));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  for (CFIndex i = 0; i < count; ++i) array->mValues.push_back(array->Retain(values[i]));
  return corvane_cf::Adopt(array);
}

// Inserts with the retain callback; the value is released again when there is no room.
void InsertValue(__CFArray* array, size_t index, const void* value) {
  const void* retained = array->Retain(value);
  try {
    array->mValues.insert(array->mValues.begin() + static_cast<std::ptrdiff_t>(index), retained);
  } catch (const std::exception&) {
    array->Release(retained);
  }
}

}  // namespace

extern "C" {

CFTypeID CFArrayGetTypeID(void) { return kTypeArray; }

CFArrayRef CFArrayCreate(CFAllocatorRef allocator, const void** values, CFIndex numValues, const CFArrayCallBacks* callBacks) {
  return MakeArray(false, callBacks, values, numValues);
}

CFArrayRef CFArrayCreateCopy(CFAllocatorRef allocator, CFArrayRef theArray) {
  const __CFArray* a = AsArray(theArray, "CFArrayCreateCopy");
  return a ? MakeArray(false, &a->mCallBacks, a->mValues.data(), static_cast<CFIndex>(a->mValues.size())) : nullptr;
}

CFMutableArrayRef CFArrayCreateMutable(CFAllocatorRef allocator, CFIndex capacity, const CFArrayCallBacks* callBacks) {
  return capacity < 0 ? nullptr : MakeArray(true, callBacks, nullptr, 0);
}

CFMutableArrayRef CFArrayCreateMutableCopy(CFAllocatorRef allocator, CFIndex capacity, CFArrayRef theArray) {
  const __CFArray* a = AsArray(theArray, "CFArrayCreateMutableCopy");
  if (!a || capacity < 0) return nullptr;
  return MakeArray(true, &a->mCallBacks, a->mValues.data(), static_cast<CFIndex>(a->mValues.size()));
}

CFIndex CFArrayGetCount(CFArrayRef theArray) {
  const __CFArray* a = AsArray(theArray, "CFArrayGetCount");
  return a ? static_cast<CFIndex>(a->mValues.size()) : 0;
}

const void* CFArrayGetValueAtIndex(CFArrayRef theArray, CFIndex idx) {
  const __CFArray* a = AsArray(theArray, "CFArrayGetValueAtIndex");
  if (!a) return nullptr;
  if (idx < 0 || idx >= static_cast<CFIndex>(a->mValues.size())) {
    corvane_cf::UsageError("CFArrayGetValueAtIndex", "index outside the array");
    return nullptr;
  }
  return a->mValues[static_cast<size_t>(idx)];
}

void CFArrayGetValues(CFArrayRef theArray, CFRange range, const void** values) {
  const __CFArray* a = AsArray(theArray, "CFArrayGetValues");
  if (!a || !values || !RangeInside(*a, range, "CFArrayGetValues")) return;
  for (CFIndex i = 0; i < range.length; ++i) values[i] = a->mValues[static_cast<size_t>(range.location + i)];
}

CFIndex CFArrayGetFirstIndexOfValue(CFArrayRef theArray, CFRange range, const void* value) {
  const __CFArray* a = AsArray(theArray, "CFArrayGetFirstIndexOfValue");
  if (!a || !RangeInside(*a, range, "CFArrayGetFirstIndexOfValue")) return kCFNotFound;
  for (CFIndex i = range.location; i < range.location + range.length; ++i)
    if (a->Same(a->mValues[static_cast<size_t>(i)], value)) return i;
  return kCFNotFound;
}

Boolean CFArrayContainsValue(CFArrayRef theArray, CFRange range, const void* value) {
  return CFArrayGetFirstIndexOfValue(theArray, range, value) != kCFNotFound;
}

CFIndex CFArrayGetCountOfValue(CFArrayRef theArray, CFRange range, const void* value) {
  const __CFArray* a = AsArray(theArray, "CFArrayGetCountOfValue");
  if (!a || !RangeInside(*a, range, "CFArrayGetCountOfValue")) return 0;
  CFIndex count = 0;
  for (CFIndex i = range.location; i < range.location + range.length; ++i)
    if (a->Same(a->mValues[static_cast<size_t>(i)], value)) ++count;
  return count;
}

void CFArrayApplyFunction(CFArrayRef theArray, CFRange range, CFArrayApplierFunction applier, void* context) {
  const __CFArray* a = AsArray(theArray, "CFArrayApplyFunction");
  if (!a || !applier || !RangeInside(*a, range, "CFArrayApplyFunction")) return;
  for (CFIndex i = range.location; i < range.location + range.length; ++i) applier(a->mValues[static_cast<size_t>(i)], context);
}

void CFArrayAppendValue(CFMutableArrayRef theArray, const void* value) {
  __CFArray* a = AsMutableArray(theArray, "CFArrayAppendValue");
  if (a) InsertValue(a, a->mValues.size(), value);
}

void CFArrayInsertValueAtIndex(CFMutableArrayRef theArray, CFIndex idx, const void* value) {
  __CFArray* a = AsMutableArray(theArray, "CFArrayInsertValueAtIndex");
  if (!a) return;
  if (idx < 0 || idx > static_cast<CFIndex>(a->mValues.size())) {
    corvane_cf::UsageError("CFArrayInsertValueAtIndex", "index outside the array");
    return;
  }
  InsertValue(a, static_cast<size_t>(idx), value);
}

// Setting at the count appends, as in the original.
void CFArraySetValueAtIndex(CFMutableArrayRef theArray, CFIndex idx, const void* value) {
  __CFArray* a = AsMutableArray(theArray, "CFArraySetValueAtIndex");
  if (!a) return;
  const CFIndex count = static_cast<CFIndex>(a->mValues.size());
  if (idx < 0 || idx > count) {
    corvane_cf::UsageError("CFArraySetValueAtIndex", "index outside the array");
    return;
  }
  if (idx == count) {
    InsertValue(a, static_cast<size_t>(idx), value);
    return;
  }
  const void* old = a->mValues[static_cast<size_t>(idx)];
  a->mValues[static_cast<size_t>(idx)] = a->Retain(value);
  a->Release(old);
}

void CFArrayRemoveValueAtIndex(CFMutableArrayRef theArray, CFIndex idx) {
  __CFArray* a = AsMutableArray(theArray, "CFArrayRemoveValueAtIndex");
  if (!a) return;
  if (idx < 0 || idx >= static_cast<CFIndex>(a->mValues.size())) {
    corvane_cf::UsageError("CFArrayRemoveValueAtIndex", "index outside the array");
    return;
  }
  const void* old = a->mValues[static_cast<size_t>(idx)];
  a->mValues.erase(a->mValues.begin() + idx);
  a->Release(old);
}

void CFArrayRemoveAllValues(CFMutableArrayRef theArray) {
  __CFArray* a = AsMutableArray(theArray, "CFArrayRemoveAllValues");
  if (!a) return;
  std::vector<const void*> old;
  old.swap(a->mValues);
  for (const void* value : old) a->Release(value);
}

}  // extern "C"
