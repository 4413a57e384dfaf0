/* Registration calls of this system for hosting programs and tests: the
   original registers components from bundles on disk. */
#ifndef __COMPONENTREGISTRY__
#define __COMPONENTREGISTRY__

#include <CoreServices/Components.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Registers an entry under a description and a name (copied; NULL = ""). */
extern Component RegisterComponentEntry(const ComponentDescription *cd, ComponentRoutineUPP entry, const char *name);
/* The registered name, "" for anything that is not a registered component. */
extern const char *GetRegisteredComponentName(Component aComponent);

#ifdef __cplusplus
}
#endif

#endif /* __COMPONENTREGISTRY__ */
