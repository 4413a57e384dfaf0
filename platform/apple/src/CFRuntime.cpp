// Retain counts, the live-object registry, usage errors and CFType calls.
#include "platform/apple/src/CFObject.h"

#include <CoreFoundation/CFDebugCounters.h>

#include <climits>
#include <cstdio>
#include <mutex>
#include <unordered_set>

namespace corvane_cf {
namespace {

struct Registry {
  std::mutex mutex;
  std::unordered_set<const Object*> live;
  std::unordered_set<const Object*> immortal;
};

// Built on first use, so constants initialized in other translation units
// may already register objects during static initialization.
Registry& TheRegistry() {
  static Registry* registry = new Registry;  // never destroyed: used until exit
  return *registry;
}

std::atomic<CFIndex> gUsageErrors{0};
std::atomic<bool> gReportUsageErrors{true};

}  // namespace

std::string Object::Describe() const {
  char text[64];
  std::snprintf(text, sizeof text, "<CFType %p>", static_cast<const void*>(this));
  return text;
}

CFHashCode Object::Hash() const { return reinterpret_cast<CFHashCode>(this) >> 4; }

void AdoptObject(Object* object) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.live.insert(object);
}

void MakeImmortal(Object* object) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.immortal.insert(object);
}

void UsageError(const char* caller, const char* what) {
  gUsageErrors.fetch_add(1);
  if (gReportUsageErrors.load()) std::fprintf(stderr, "CF usage error: %s: %s\n", caller, what);
}

const Object* Lookup(CFTypeRef cf, CFTypeID typeID, const char* caller) {
  if (!cf) {
    UsageError(caller, "NULL object");
    return nullptr;
  }
  const Object* object = static_cast<const Object*>(cf);
  Registry& registry = TheRegistry();
  {
    std::lock_guard<std::mutex> lock(registry.mutex);
    if (!registry.live.count(object) && !registry.immortal.count(object)) object = nullptr;
  }
  if (!object) {
    UsageError(caller, "not a live CF object (already released?)");
    return nullptr;
  }
  if (typeID != 0 && object->mTypeID != typeID) {
    UsageError(caller, "object of the wrong type");
    return nullptr;
  }
  return object;
}

std::string DescribeValue(CFTypeRef cf) {
  if (!cf) return "(null)";
  const Object* object = Lookup(cf, 0, "CFCopyDescription");
  return object ? object->Describe() : "(invalid)";
}

}  // namespace corvane_cf

using namespace corvane_cf;

extern "C" {

CFTypeID CFGetTypeID(CFTypeRef cf) {
  const Object* object = Lookup(cf, 0, "CFGetTypeID");
  return object ? object->mTypeID : 0;
}

CFTypeRef CFRetain(CFTypeRef cf) {
  if (!cf) {
    UsageError("CFRetain", "NULL object");
    return nullptr;
  }
  const Object* object = static_cast<const Object*>(cf);
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  if (registry.live.count(object)) {
    const_cast<Object*>(object)->mRetainCount.fetch_add(1);
    return cf;
  }
  if (registry.immortal.count(object)) return cf;
  UsageError("CFRetain", "not a live CF object (already released?)");
  return nullptr;
}

// The count is decremented under the registry lock so that the object leaves
// the live set in the same step; it is destroyed after the lock is dropped,
// because a collection releases its values from its destructor.
void CFRelease(CFTypeRef cf) {
  if (!cf) {
    UsageError("CFRelease", "NULL object");
    return;
  }
  const Object* object = static_cast<const Object*>(cf);
  bool destroy = false;
  {
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    if (registry.live.count(object)) {
      if (const_cast<Object*>(object)->mRetainCount.fetch_sub(1) == 1) {
        registry.live.erase(object);
        destroy = true;
      }
    } else if (!registry.immortal.count(object)) {
      UsageError("CFRelease", "not a live CF object (released more often than retained)");
    }
  }
  if (destroy) delete object;
}

CFIndex CFGetRetainCount(CFTypeRef cf) {
  if (!cf) return 0;
  const Object* object = static_cast<const Object*>(cf);
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  if (registry.live.count(object)) return object->mRetainCount.load();
  if (registry.immortal.count(object)) return LONG_MAX;
  return 0;
}

Boolean CFEqual(CFTypeRef cf1, CFTypeRef cf2) {
  const Object* a = Lookup(cf1, 0, "CFEqual");
  const Object* b = Lookup(cf2, 0, "CFEqual");
  if (!a || !b) return false;
  if (a == b) return true;
  return a->mTypeID == b->mTypeID && a->Equals(*b);
}

CFHashCode CFHash(CFTypeRef cf) {
  const Object* object = Lookup(cf, 0, "CFHash");
  return object ? object->Hash() : 0;
}

CFStringRef CFCopyDescription(CFTypeRef cf) {
  const Object* object = Lookup(cf, 0, "CFCopyDescription");
  if (!object) return nullptr;
  if (object->mTypeID == kTypeString) return static_cast<CFStringRef>(CFRetain(cf));
  return MakeString(object->Describe());
}

CFAllocatorRef CFGetAllocator(CFTypeRef cf) {
  Lookup(cf, 0, "CFGetAllocator");
  return kCFAllocatorSystemDefault;
}

void CFShow(CFTypeRef obj) { std::fprintf(stderr, "%s\n", DescribeValue(obj).c_str()); }

CFTypeID CFNullGetTypeID(void) { return kTypeNull; }

const CFNullRef kCFNull = [] {
  __CFNull* null = new __CFNull;
  MakeImmortal(null);
  return null;
}();

CFIndex CFLiveObjectCount(void) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  return static_cast<CFIndex>(registry.live.size());
}

CFIndex CFUsageErrorCount(void) { return gUsageErrors.load(); }

Boolean CFSetUsageErrorReporting(Boolean enabled) { return gReportUsageErrors.exchange(enabled != 0); }

}  // extern "C"
