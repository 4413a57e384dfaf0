/* Bundles: a folder of code and resources known by an identifier. Here a
   hosting program tells the system where its bundles are, through
   <CoreFoundation/CFBundleRegistry.h>. */
#ifndef __COREFOUNDATION_CFBUNDLE__
#define __COREFOUNDATION_CFBUNDLE__

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFURL.h>

CF_EXTERN_C_BEGIN

typedef struct __CFBundle *CFBundleRef;

CF_EXPORT CFTypeID CFBundleGetTypeID(void);
/* Bundles returned by these two are not owned by the caller and live as long as the process. */
CF_EXPORT CFBundleRef CFBundleGetMainBundle(void);
CF_EXPORT CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef bundleID);
CF_EXPORT CFStringRef CFBundleGetIdentifier(CFBundleRef bundle);
CF_EXPORT CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle);
/* <bundle>/Contents/Resources, else <bundle>/Resources, else the bundle folder itself. */
CF_EXPORT CFURLRef CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle);
/* An existing file <resources>/[subDirName/]resourceName[.resourceType], else NULL. */
CF_EXPORT CFURLRef CFBundleCopyResourceURL(CFBundleRef bundle, CFStringRef resourceName, CFStringRef resourceType, CFStringRef subDirName);

CF_EXTERN_C_END

#endif /* __COREFOUNDATION_CFBUNDLE__ */
