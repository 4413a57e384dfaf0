// Bundles: a registry from identifier to folder, filled by the hosting
// program. Bundle objects are immortal, as bundles are in the original once
// loaded, so a CFBundleRef handed out stays valid after re-registration.
#include "platform/apple/src/CFObject.h"

#include <CoreFoundation/CFBundleRegistry.h>

#include <climits>
#include <map>
#include <mutex>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

using corvane_cf::kTypeBundle;

struct __CFBundle : corvane_cf::Object {
  __CFBundle() : Object(kTypeBundle) {}
  std::string Describe() const override { return "<CFBundle " + mPath + ">"; }
  CFStringRef mIdentifier = nullptr;  // immortal with the bundle; may be null
  std::string mPath;
};

namespace {

struct BundleRegistry {
  std::mutex mutex;
  std::map<std::string, __CFBundle*> byIdentifier;
  __CFBundle* main = nullptr;
};

BundleRegistry& Registry() {
  static BundleRegistry* registry = new BundleRegistry;
  return *registry;
}

bool IsDirectory(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

__CFBundle* MakeBundle(const char* identifier, const std::string& path) {
  __CFBundle* bundle = new __CFBundle;
  bundle->mPath = path;
  if (identifier) {
    __CFString* id = new __CFString(std::string(identifier));
    corvane_cf::MakeImmortal(id);
    bundle->mIdentifier = id;
  }
  corvane_cf::MakeImmortal(bundle);
  return bundle;
}

const __CFBundle* AsBundle(CFBundleRef bundle, const char* caller) {
  return corvane_cf::As<__CFBundle>(bundle, kTypeBundle, caller);
}

std::string ResourcesPath(const __CFBundle& bundle) {
  for (const char* sub : {"/Contents/Resources", "/Resources"})
    if (IsDirectory(bundle.mPath + sub)) return bundle.mPath + sub;
  return bundle.mPath;
}

CFURLRef DirectoryURL(const std::string& path) {
  CFStringRef text = corvane_cf::MakeString(path);
  if (!text) return nullptr;
  CFURLRef url = CFURLCreateWithFileSystemPath(nullptr, text, kCFURLPOSIXPathStyle, true);
  CFRelease(text);
  return url;
}

}  // namespace

extern "C" {

CFTypeID CFBundleGetTypeID(void) { return kTypeBundle; }

Boolean CFBundleRegisterForIdentifier(const char* identifier, const char* bundlePath) {
  if (!identifier || !*identifier || !bundlePath || !*bundlePath) return false;
  try {
    BundleRegistry& registry = Registry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    registry.byIdentifier[identifier] = MakeBundle(identifier, bundlePath);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

Boolean CFBundleRegisterMainBundle(const char* identifier, const char* bundlePath) {
  if (!bundlePath || !*bundlePath) return false;
  try {
    BundleRegistry& registry = Registry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    registry.main = MakeBundle(identifier && *identifier ? identifier : nullptr, bundlePath);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

void CFBundleUnregisterAll(void) {
  BundleRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.byIdentifier.clear();
  registry.main = nullptr;
}

CFBundleRef CFBundleGetMainBundle(void) {
  BundleRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  if (!registry.main) {
    char exe[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string folder = length > 0 ? std::string(exe, static_cast<size_t>(length)) : std::string(".");
    const size_t slash = folder.rfind('/');
    if (slash != std::string::npos) folder.erase(slash == 0 ? 1 : slash);
    try {
      registry.main = MakeBundle(nullptr, folder);
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
  }
  return registry.main;
}

CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef bundleID) {
  std::string_view id;
  if (!corvane_cf::StringBytes(bundleID, "CFBundleGetBundleWithIdentifier", &id)) return nullptr;
  BundleRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  const auto found = registry.byIdentifier.find(std::string(id));
  if (found != registry.byIdentifier.end()) return found->second;
  if (registry.main && registry.main->mIdentifier && CFEqual(registry.main->mIdentifier, bundleID)) return registry.main;
  return nullptr;
}

CFStringRef CFBundleGetIdentifier(CFBundleRef bundle) {
  const __CFBundle* b = AsBundle(bundle, "CFBundleGetIdentifier");
  return b ? b->mIdentifier : nullptr;
}

CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle) {
  const __CFBundle* b = AsBundle(bundle, "CFBundleCopyBundleURL");
  return b ? DirectoryURL(b->mPath) : nullptr;
}

CFURLRef CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle) {
  const __CFBundle* b = AsBundle(bundle, "CFBundleCopyResourcesDirectoryURL");
  return b ? DirectoryURL(ResourcesPath(*b)) : nullptr;
}

CFURLRef CFBundleCopyResourceURL(CFBundleRef bundle, CFStringRef resourceName, CFStringRef resourceType, CFStringRef subDirName) {
  const __CFBundle* b = AsBundle(bundle, "CFBundleCopyResourceURL");
  std::string_view name, type, sub;
  if (!b || !corvane_cf::StringBytes(resourceName, "CFBundleCopyResourceURL", &name)) return nullptr;
  if (resourceType && !corvane_cf::StringBytes(resourceType, "CFBundleCopyResourceURL", &type)) return nullptr;
  if (subDirName && !corvane_cf::StringBytes(subDirName, "CFBundleCopyResourceURL", &sub)) return nullptr;
  try {
    std::string path = ResourcesPath(*b) + "/";
    if (!sub.empty()) path += std::string(sub) + "/";
    path += std::string(name);
    if (!type.empty()) path += "." + std::string(type);
    if (!IsFile(path)) return nullptr;
    CFStringRef text = corvane_cf::MakeString(path);
    if (!text) return nullptr;
    CFURLRef url = CFURLCreateWithFileSystemPath(nullptr, text, kCFURLPOSIXPathStyle, false);
    CFRelease(text);
    return url;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // extern "C"
