/* The Component Manager: components registered with a description and an
   entry function, opened into instances that keep one storage word.

   Every call into a component goes through its entry with a
   ComponentParameters block: `what` is the selector, params[] holds one long
   slot per argument with the LAST declared argument in params[0], and
   paramSize is the byte size of those slots (count x sizeof(long)). An
   argument is written at the start of its zeroed slot in its own type;
   integers and pointers are also the slot's value as a long (sign-extended
   for signed types), so both `(T) params[i]` and `*(T *) &params[i]` read it. */
#ifndef __COMPONENTS__
#define __COMPONENTS__

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
  kAnyComponentType = 0,
  kAnyComponentSubType = 0,
  kAnyComponentManufacturer = 0,
  kAnyComponentFlagsMask = 0
};

enum {
  kComponentOpenSelect = -1,
  kComponentCloseSelect = -2,
  kComponentCanDoSelect = -3,
  kComponentVersionSelect = -4,
  kComponentRegisterSelect = -5,
  kComponentTargetSelect = -6,
  kComponentUnregisterSelect = -7
};

enum {
  invalidComponentID = -3000,
  validInstancesExist = -3001,
  componentNotCaptured = -3002,
  componentDontRegister = -3003,
  unresolvedComponentDLLErr = -3004
};

#define badComponentInstance ((OSStatus)0x80008001)
#define badComponentSelector ((OSStatus)0x80008002)

typedef struct ComponentDescription {
  OSType componentType;
  OSType componentSubType;
  OSType componentManufacturer;
  UInt32 componentFlags;
  UInt32 componentFlagsMask;
} ComponentDescription;

typedef struct ComponentRecord *Component;
typedef struct ComponentInstanceRecord *ComponentInstance;
typedef SInt32 ComponentResult;

typedef struct ComponentParameters {
  UInt8 flags;
  UInt8 paramSize;
  SInt16 what;
#if defined(__LP64__) || defined(_LP64)
  UInt32 padding;
#endif
  long params[1];
} ComponentParameters;

typedef ComponentResult (*ComponentRoutineProcPtr)(ComponentParameters *cp, Handle componentStorage);
typedef ComponentRoutineProcPtr ComponentRoutineUPP;

/* Registers an entry. componentName, componentInfo and componentIcon are
   accepted and ignored (no Memory Manager here); global is ignored too. */
extern Component RegisterComponent(ComponentDescription *cd, ComponentRoutineUPP componentEntryPoint, SInt16 global,
                                   Handle componentName, Handle componentInfo, Handle componentIcon);
/* validInstancesExist while instances are open. */
extern OSErr UnregisterComponent(Component aComponent);

/* Zero type, subtype or manufacturer in `looking` match anything; the flags
   are compared where componentFlagsMask has bits set. looking NULL matches all. */
extern Component FindNextComponent(Component aComponent, ComponentDescription *looking);
extern long CountComponents(ComponentDescription *looking);
/* Accepts a Component or a ComponentInstance (cast to Component), as the
   original does. componentName, componentInfo and componentIcon are not written. */
extern OSErr GetComponentInfo(Component aComponent, ComponentDescription *cd, Handle componentName, Handle componentInfo,
                              Handle componentIcon);

/* Opens an instance: calls the entry with kComponentOpenSelect and the new
   instance as the only argument. A non-zero result closes nothing further,
   disposes of the instance and is returned. */
extern OSErr OpenAComponent(Component aComponent, ComponentInstance *ci);
extern ComponentInstance OpenComponent(Component aComponent);
/* Calls the entry with kComponentCloseSelect and the instance as the only
   argument, then disposes of the instance whatever the entry returns. */
extern OSErr CloseComponent(ComponentInstance aComponentInstance);

extern Handle GetComponentInstanceStorage(ComponentInstance aComponentInstance);
extern void SetComponentInstanceStorage(ComponentInstance aComponentInstance, Handle theStorage);
/* The component an instance was opened from, NULL for anything else. */
extern Component GetComponentFromInstance(ComponentInstance aComponentInstance);

/* kComponentCanDoSelect with the selector (one argument). */
extern ComponentResult CallComponentCanDo(ComponentInstance ci, SInt16 ftnNumber);
/* kComponentVersionSelect, no arguments. */
extern ComponentResult GetComponentVersion(ComponentInstance ci);

#ifdef __cplusplus
}
#endif

#endif /* __COMPONENTS__ */
