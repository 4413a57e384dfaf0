// Dictionaries: entries kept in insertion order, found by hash then equality.
// A linear scan over cached hashes: the dictionaries of audio units hold a
// handful of keys, where this beats a hash table and keeps the order stable.
#include "platform/apple/src/CFObject.h"

#include <new>
#include <vector>

using corvane_cf::kTypeDictionary;

namespace {

const void* RetainCFType(CFAllocatorRef, const void* value) { return CFRetain(value); }
void ReleaseCFType(CFAllocatorRef, const void* value) { CFRelease(value); }
CFHashCode HashCFType(const void* value) { return CFHash(value); }
// Copies string keys so that a later change to a mutable key cannot move it.
const void* CopyStringKey(CFAllocatorRef allocator, const void* value) {
  if (CFGetTypeID(value) == CFStringGetTypeID()) return CFStringCreateCopy(allocator, static_cast<CFStringRef>(value));
  return CFRetain(value);
}

}  // namespace

extern "C" {
const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks = {0, RetainCFType, ReleaseCFType, CFCopyDescription, CFEqual, HashCFType};
const CFDictionaryKeyCallBacks kCFCopyStringDictionaryKeyCallBacks = {0, CopyStringKey, ReleaseCFType, CFCopyDescription, CFEqual,
                                                                      HashCFType};
const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks = {0, RetainCFType, ReleaseCFType, CFCopyDescription, CFEqual};
}

struct __CFDictionary : corvane_cf::Object {
  struct Entry {
    CFHashCode hash;
    const void* key;
    const void* value;
  };

  __CFDictionary(bool isMutable, const CFDictionaryKeyCallBacks* keys, const CFDictionaryValueCallBacks* values)
      : Object(kTypeDictionary), mMutable(isMutable) {
    if (keys) mKeys = *keys;
    if (values) mValueCallBacks = *values;
  }
  ~__CFDictionary() override {
    for (const Entry& entry : mEntries) {
      ReleaseKey(entry.key);
      ReleaseValue(entry.value);
    }
  }
  std::string Describe() const override;
  bool Equals(const Object& other) const override;
  CFHashCode Hash() const override { return mEntries.size(); }

  CFHashCode HashKey(const void* key) const { return mKeys.hash ? mKeys.hash(key) : reinterpret_cast<CFHashCode>(key); }
  const void* RetainKey(const void* key) const { return mKeys.retain ? mKeys.retain(nullptr, key) : key; }
  void ReleaseKey(const void* key) const {
    if (mKeys.release) mKeys.release(nullptr, key);
  }
  const void* RetainValue(const void* value) const {
    return mValueCallBacks.retain ? mValueCallBacks.retain(nullptr, value) : value;
  }
  void ReleaseValue(const void* value) const {
    if (mValueCallBacks.release) mValueCallBacks.release(nullptr, value);
  }
  bool SameValue(const void* a, const void* b) const { return a == b || (mValueCallBacks.equal && mValueCallBacks.equal(a, b)); }

  long Find(const void* key) const {
    const CFHashCode hash = HashKey(key);
    for (size_t i = 0; i < mEntries.size(); ++i) {
      const Entry& entry = mEntries[i];
      if (entry.key == key || (entry.hash == hash && mKeys.equal && mKeys.equal(entry.key, key))) return static_cast<long>(i);
    }
    return -1;
  }

  bool mMutable;
  CFDictionaryKeyCallBacks mKeys = {0, nullptr, nullptr, nullptr, nullptr, nullptr};
  CFDictionaryValueCallBacks mValueCallBacks = {0, nullptr, nullptr, nullptr, nullptr};
  std::vector<Entry> mEntries;
};

namespace {

std::string DescribeWith(CFDictionaryCopyDescriptionCallBack copy, const void* value) {
  if (!copy) return "<pointer>";
  CFStringRef description = copy(value);
  if (!description) return "(null)";
  std::string text = corvane_cf::DescribeValue(description);
  CFRelease(description);
  return text;
}

}  // namespace

std::string __CFDictionary::Describe() const {
  std::string text = "{\n";
  for (const Entry& entry : mEntries)
    text += "    " + DescribeWith(mKeys.copyDescription, entry.key) + " = " + DescribeWith(mValueCallBacks.copyDescription, entry.value) + ";\n";
  return text + "}";
}

bool __CFDictionary::Equals(const Object& other) const {
  const auto& o = static_cast<const __CFDictionary&>(other);
  if (mEntries.size() != o.mEntries.size()) return false;
  for (const Entry& entry : mEntries) {
    const long i = o.Find(entry.key);
    if (i < 0 || !SameValue(entry.value, o.mEntries[static_cast<size_t>(i)].value)) return false;
  }
  return true;
}

namespace {

const __CFDictionary* AsDictionary(CFDictionaryRef dict, const char* caller) {
  return corvane_cf::As<__CFDictionary>(dict, kTypeDictionary, caller);
}

__CFDictionary* AsMutableDictionary(CFMutableDictionaryRef dict, const char* caller) {
  __CFDictionary* d = corvane_cf::AsMutable<__CFDictionary>(dict, kTypeDictionary, caller);
  if (d && !d->mMutable) {
    corvane_cf::UsageError(caller, "dictionary is immutable");
    return nullptr;
  }
  return d;
}

enum class Mode { kAdd, kSet, kReplace };

// The new value is retained before the old one is released, so setting the
// value a key already has is safe.
void Store(__CFDictionary* d, const void* key, const void* value, Mode mode) {
  const long i = d->Find(key);
  if (i >= 0) {
    if (mode == Mode::kAdd) return;
    __CFDictionary::Entry& entry = d->mEntries[static_cast<size_t>(i)];
    const void* old = entry.value;
    entry.value = d->RetainValue(value);
    d->ReleaseValue(old);
    return;
  }
  if (mode == Mode::kReplace) return;
  try {
    d->mEntries.reserve(d->mEntries.size() + 1);
  } catch (const std::exception&) {
    return;
  }
  d->mEntries.push_back({d->HashKey(key), d->RetainKey(key), d->RetainValue(value)});
}

__CFDictionary* MakeDictionary(bool isMutable, const CFDictionaryKeyCallBacks* keyCallBacks,
                               const CFDictionaryValueCallBacks* valueCallBacks) {
  try {
    return corvane_cf::Adopt(new __CFDictionary(isMutable, keyCallBacks, valueCallBacks));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

__CFDictionary* Copy(const __CFDictionary& source, bool isMutable) {
  __CFDictionary* copy = MakeDictionary(true, &source.mKeys, &source.mValueCallBacks);
  if (!copy) return nullptr;
  for (const auto& entry : source.mEntries) Store(copy, entry.key, entry.value, Mode::kSet);
  copy->mMutable = isMutable;
  return copy;
}

}  // namespace

extern "C" {

CFTypeID CFDictionaryGetTypeID(void) { return kTypeDictionary; }

CFDictionaryRef CFDictionaryCreate(CFAllocatorRef allocator, const void** keys, const void** values, CFIndex numValues,
                                   const CFDictionaryKeyCallBacks* keyCallBacks, const CFDictionaryValueCallBacks* valueCallBacks) {
  if (numValues < 0 || (numValues > 0 && (!keys || !values))) return nullptr;
  __CFDictionary* d = MakeDictionary(true, keyCallBacks, valueCallBacks);
  if (!d) return nullptr;
  for (CFIndex i = 0; i < numValues; ++i) Store(d, keys[i], values[i], Mode::kSet);
  d->mMutable = false;
  return d;
}

CFDictionaryRef CFDictionaryCreateCopy(CFAllocatorRef allocator, CFDictionaryRef theDict) {
  const __CFDictionary* d = AsDictionary(theDict, "CFDictionaryCreateCopy");
  return d ? Copy(*d, false) : nullptr;
}

CFMutableDictionaryRef CFDictionaryCreateMutable(CFAllocatorRef allocator, CFIndex capacity,
                                                 const CFDictionaryKeyCallBacks* keyCallBacks,
                                                 const CFDictionaryValueCallBacks* valueCallBacks) {
  return capacity < 0 ? nullptr : MakeDictionary(true, keyCallBacks, valueCallBacks);
}

CFMutableDictionaryRef CFDictionaryCreateMutableCopy(CFAllocatorRef allocator, CFIndex capacity, CFDictionaryRef theDict) {
  const __CFDictionary* d = AsDictionary(theDict, "CFDictionaryCreateMutableCopy");
  return d && capacity >= 0 ? Copy(*d, true) : nullptr;
}

CFIndex CFDictionaryGetCount(CFDictionaryRef theDict) {
  const __CFDictionary* d = AsDictionary(theDict, "CFDictionaryGetCount");
  return d ? static_cast<CFIndex>(d->mEntries.size()) : 0;
}

Boolean CFDictionaryGetValueIfPresent(CFDictionaryRef theDict, const void* key, const void** value) {
  const __CFDictionary* d = AsDictionary(theDict, "CFDictionaryGetValue");
  if (!d) return false;
  const long i = d->Find(key);
  if (i < 0) return false;
  if (value) *value = d->mEntries[static_cast<size_t>(i)].value;
  return true;
}

const void* CFDictionaryGetValue(CFDictionaryRef theDict, const void* key) {
  const void* value = nullptr;
  return CFDictionaryGetValueIfPresent(theDict, key, &value) ? value : nullptr;
}

Boolean CFDictionaryContainsKey(CFDictionaryRef theDict, const void* key) {
  return CFDictionaryGetValueIfPresent(theDict, key, nullptr);
}

void CFDictionaryGetKeysAndValues(CFDictionaryRef theDict, const void** keys, const void** values) {
  const __CFDictionary* d = AsDictionary(theDict, "CFDictionaryGetKeysAndValues");
  if (!d) return;
  for (size_t i = 0; i < d->mEntries.size(); ++i) {
    if (keys) keys[i] = d->mEntries[i].key;
    if (values) values[i] = d->mEntries[i].value;
  }
}

void CFDictionaryApplyFunction(CFDictionaryRef theDict, CFDictionaryApplierFunction applier, void* context) {
  const __CFDictionary* d = AsDictionary(theDict, "CFDictionaryApplyFunction");
  if (!d || !applier) return;
  for (const auto& entry : d->mEntries) applier(entry.key, entry.value, context);
}

void CFDictionaryAddValue(CFMutableDictionaryRef theDict, const void* key, const void* value) {
  if (__CFDictionary* d = AsMutableDictionary(theDict, "CFDictionaryAddValue")) Store(d, key, value, Mode::kAdd);
}

void CFDictionarySetValue(CFMutableDictionaryRef theDict, const void* key, const void* value) {
  if (__CFDictionary* d = AsMutableDictionary(theDict, "CFDictionarySetValue")) Store(d, key, value, Mode::kSet);
}

void CFDictionaryReplaceValue(CFMutableDictionaryRef theDict, const void* key, const void* value) {
  if (__CFDictionary* d = AsMutableDictionary(theDict, "CFDictionaryReplaceValue")) Store(d, key, value, Mode::kReplace);
}

void CFDictionaryRemoveValue(CFMutableDictionaryRef theDict, const void* key) {
  __CFDictionary* d = AsMutableDictionary(theDict, "CFDictionaryRemoveValue");
  if (!d) return;
  const long i = d->Find(key);
  if (i < 0) return;
  const __CFDictionary::Entry entry = d->mEntries[static_cast<size_t>(i)];
  d->mEntries.erase(d->mEntries.begin() + i);
  d->ReleaseKey(entry.key);
  d->ReleaseValue(entry.value);
}

void CFDictionaryRemoveAllValues(CFMutableDictionaryRef theDict) {
  __CFDictionary* d = AsMutableDictionary(theDict, "CFDictionaryRemoveAllValues");
  if (!d) return;
  std::vector<__CFDictionary::Entry> old;
  old.swap(d->mEntries);
  for (const auto& entry : old) {
    d->ReleaseKey(entry.key);
    d->ReleaseValue(entry.value);
  }
}

}  // extern "C"
