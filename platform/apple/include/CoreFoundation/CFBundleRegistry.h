/* Where bundles live on a system without a bundle database. Only hosting
   programs and tests include this: a plug-in finds its bundle through
   CFBundleGetBundleWithIdentifier as usual. */
#ifndef __COREFOUNDATION_CFBUNDLEREGISTRY__
#define __COREFOUNDATION_CFBUNDLEREGISTRY__

#include <CoreFoundation/CFBundle.h>

CF_EXTERN_C_BEGIN

/* Makes CFBundleGetBundleWithIdentifier(identifier) answer a bundle at
   bundlePath (a folder). Registering an identifier again points it at the new
   path; bundles handed out earlier stay valid and keep their old path.
   Returns false for a NULL or empty identifier or path. */
CF_EXPORT Boolean CFBundleRegisterForIdentifier(const char *identifier, const char *bundlePath);
/* Sets what CFBundleGetMainBundle answers (identifier may be NULL). Without
   it, the main bundle is the folder of the running executable, with no identifier. */
CF_EXPORT Boolean CFBundleRegisterMainBundle(const char *identifier, const char *bundlePath);
/* Forgets every registration (earlier bundles stay valid). */
CF_EXPORT void CFBundleUnregisterAll(void);

CF_EXTERN_C_END

#endif /* __COREFOUNDATION_CFBUNDLEREGISTRY__ */
