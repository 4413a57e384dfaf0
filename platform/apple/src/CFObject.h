// Internal object model behind the CoreFoundation calls.
//
// Every CF object derives from corvane_cf::Object, as the first and only base,
// so a CFTypeRef and the Object it points to share one address. Ordinary
// objects are entered in a live set when created and removed when their
// retain count drops to 0; immortal ones (constant strings, booleans,
// allocators, run loops, bundles) sit in a second set and ignore retain and
// release. Every call that receives a CFTypeRef looks it up in these sets
// first, so a stale or foreign pointer is reported and never dereferenced.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include <atomic>
#include <string>
#include <string_view>

namespace corvane_cf {

enum TypeID : CFTypeID {
  kTypeAllocator = 1,
  kTypeNull,
  kTypeBoolean,
  kTypeString,
  kTypeNumber,
  kTypeData,
  kTypeArray,
  kTypeDictionary,
  kTypeURL,
  kTypeBundle,
  kTypeRunLoop,
  kTypeError
};

class Object {
public:
  explicit Object(CFTypeID typeID) : mTypeID(typeID) {}
  virtual ~Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  // The text that %@ and CFCopyDescription produce, as UTF-8.
  virtual std::string Describe() const;
  // Called only for another object of the same type id.
  virtual bool Equals(const Object& other) const { return this == &other; }
  virtual CFHashCode Hash() const;

  const CFTypeID mTypeID;
  std::atomic<CFIndex> mRetainCount{1};
};

// Enters a newly made object in the live set (count 1) and returns it.
template <class T>
T* Adopt(T* object);
void AdoptObject(Object* object);
void MakeImmortal(Object* object);

// The object behind cf when it is alive (or immortal) and of the given type
// (0 = any type); otherwise reports a usage error naming `caller` and
// returns null.
const Object* Lookup(CFTypeRef cf, CFTypeID typeID, const char* caller);

template <class T>
const T* As(CFTypeRef cf, CFTypeID typeID, const char* caller) {
  return static_cast<const T*>(Lookup(cf, typeID, caller));
}
template <class T>
T* AsMutable(CFTypeRef cf, CFTypeID typeID, const char* caller) {
  return const_cast<T*>(As<T>(cf, typeID, caller));
}

// Counts and (unless silenced) prints "CF usage error: <caller>: <what>".
void UsageError(const char* caller, const char* what);

// UTF-8 description of any CF value; "(null)" for null.
std::string DescribeValue(CFTypeRef cf);

// A new CFString from UTF-8 bytes already known to be valid; null on failure.
CFStringRef MakeString(std::string_view utf8);
// The UTF-8 bytes of a live string; false (and a usage error) otherwise.
bool StringBytes(CFStringRef string, const char* caller, std::string_view* bytes);

template <class T>
T* Adopt(T* object) {
  if (object) AdoptObject(object);
  return object;
}

}  // namespace corvane_cf

// The opaque types of the public headers.

// UTF-8 text, owned or borrowed (CFStringCreateWithCStringNoCopy), always
// followed by a terminating zero.
struct __CFString : corvane_cf::Object {
  explicit __CFString(std::string utf8);
  __CFString(const char* external, size_t size, CFAllocatorRef deallocator);
  ~__CFString() override;
  std::string Describe() const override { return std::string(Bytes()); }
  bool Equals(const Object& other) const override;
  CFHashCode Hash() const override;
  std::string_view Bytes() const { return mExternal ? std::string_view(mExternal, mExternalSize) : std::string_view(mOwned); }

  std::string mOwned;
  const char* mExternal = nullptr;
  size_t mExternalSize = 0;
  CFAllocatorRef mDeallocator = nullptr;
  CFIndex mUTF16Length = 0;
};

struct __CFNull : corvane_cf::Object {
  __CFNull() : Object(corvane_cf::kTypeNull) {}
  std::string Describe() const override { return "<CFNull>"; }
};
