// Error objects, as returned by the property-list calls.
#include "platform/apple/src/CFObject.h"

#include <new>

using corvane_cf::kTypeError;

struct __CFError : corvane_cf::Object {
  __CFError(CFStringRef domain, CFIndex code, std::string description)
      : Object(kTypeError), mDomain(domain), mCode(code), mDescription(std::move(description)) {}
  ~__CFError() override { CFRelease(mDomain); }
  std::string Describe() const override {
    return "Error Domain=" + corvane_cf::DescribeValue(mDomain) + " Code=" + std::to_string(mCode) + " \"" +
           mDescription + "\"";
  }

  CFStringRef mDomain;  // retained
  CFIndex mCode;
  std::string mDescription;
};

extern "C" {

const CFErrorDomain kCFErrorDomainCocoa = CFSTR("NSCocoaErrorDomain");
const CFStringRef kCFErrorDescriptionKey = CFSTR("NSLocalizedDescription");

CFTypeID CFErrorGetTypeID(void) { return kTypeError; }

CFErrorRef CFErrorCreate(CFAllocatorRef, CFErrorDomain domain, CFIndex code, CFDictionaryRef userInfo) {
  static const char kCaller[] = "CFErrorCreate";
  if (!corvane_cf::Lookup(domain, CFStringGetTypeID(), kCaller)) return nullptr;
  std::string description;
  if (userInfo && corvane_cf::Lookup(userInfo, CFDictionaryGetTypeID(), kCaller)) {
    const void* text = CFDictionaryGetValue(userInfo, kCFErrorDescriptionKey);
    std::string_view bytes;
    if (text && CFGetTypeID(text) == CFStringGetTypeID() &&
        corvane_cf::StringBytes(static_cast<CFStringRef>(text), kCaller, &bytes))
      description.assign(bytes);
  }
  if (description.empty()) description = "The operation couldn't be completed. (error " + std::to_string(code) + ")";
  try {
    CFRetain(domain);
    return corvane_cf::Adopt(new __CFError(domain, code, std::move(description)));
  } catch (const std::bad_alloc&) {
    CFRelease(domain);
    return nullptr;
  }
}

CFErrorDomain CFErrorGetDomain(CFErrorRef err) {
  const __CFError* e = corvane_cf::As<__CFError>(err, kTypeError, "CFErrorGetDomain");
  return e ? e->mDomain : nullptr;
}

CFIndex CFErrorGetCode(CFErrorRef err) {
  const __CFError* e = corvane_cf::As<__CFError>(err, kTypeError, "CFErrorGetCode");
  return e ? e->mCode : 0;
}

CFStringRef CFErrorCopyDescription(CFErrorRef err) {
  const __CFError* e = corvane_cf::As<__CFError>(err, kTypeError, "CFErrorCopyDescription");
  return e ? corvane_cf::MakeString(e->mDescription) : nullptr;
}

}  // extern "C"
