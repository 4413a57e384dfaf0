/* Error objects: a domain, a code and a description. */
#ifndef __COREFOUNDATION_CFERROR__
#define __COREFOUNDATION_CFERROR__

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFDictionary.h>

CF_EXTERN_C_BEGIN

typedef struct __CFError *CFErrorRef;
typedef CFStringRef CFErrorDomain;

CF_EXPORT const CFErrorDomain kCFErrorDomainCocoa;
/* The user-info key whose string value is the description. */
CF_EXPORT const CFStringRef kCFErrorDescriptionKey;

CF_EXPORT CFTypeID CFErrorGetTypeID(void);
/* userInfo may be null; its kCFErrorDescriptionKey string, if any, becomes
   the description. */
CF_EXPORT CFErrorRef CFErrorCreate(CFAllocatorRef allocator, CFErrorDomain domain, CFIndex code, CFDictionaryRef userInfo);
CF_EXPORT CFErrorDomain CFErrorGetDomain(CFErrorRef err);
CF_EXPORT CFIndex CFErrorGetCode(CFErrorRef err);
CF_EXPORT CFStringRef CFErrorCopyDescription(CFErrorRef err);

CF_EXTERN_C_END

#endif /* __COREFOUNDATION_CFERROR__ */
