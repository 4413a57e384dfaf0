/* The few Carbon types that view components name. */
#ifndef __CARBON__
#define __CARBON__

#include <CoreServices/CoreServices.h>

typedef struct OpaqueWindowPtr *WindowRef;
typedef struct OpaqueControlRef *ControlRef;

#endif /* __CARBON__ */
