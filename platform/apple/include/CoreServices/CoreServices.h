/* CoreServices umbrella header: CoreFoundation, the Component Manager, Gestalt. */
#ifndef __CORESERVICES__
#define __CORESERVICES__

#include <CoreFoundation/CoreFoundation.h>
#include <CoreServices/Components.h>
#include <CoreServices/Gestalt.h>

#endif /* __CORESERVICES__ */
