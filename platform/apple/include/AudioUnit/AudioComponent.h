/* The newer component calls, over the same registry as the Component Manager:
   an AudioComponent is a Component, an AudioComponentInstance a ComponentInstance. */
#ifndef __AUDIOCOMPONENT__
#define __AUDIOCOMPONENT__

#include <CoreFoundation/CoreFoundation.h>
#include <CoreServices/Components.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct AudioComponentDescription {
  OSType componentType;
  OSType componentSubType;
  OSType componentManufacturer;
  UInt32 componentFlags;
  UInt32 componentFlagsMask;
} AudioComponentDescription;

typedef Component AudioComponent;
typedef ComponentInstance AudioComponentInstance;

extern AudioComponent AudioComponentFindNext(AudioComponent inComponent, const AudioComponentDescription *inDesc);
extern UInt32 AudioComponentCount(const AudioComponentDescription *inDesc);
extern OSStatus AudioComponentCopyName(AudioComponent inComponent, CFStringRef *outName);
extern OSStatus AudioComponentGetDescription(AudioComponent inComponent, AudioComponentDescription *outDesc);
extern OSStatus AudioComponentInstanceNew(AudioComponent inComponent, AudioComponentInstance *outInstance);
extern OSStatus AudioComponentInstanceDispose(AudioComponentInstance inInstance);
extern AudioComponent AudioComponentInstanceGetComponent(AudioComponentInstance inInstance);

#ifdef __cplusplus
}
#endif

#endif /* __AUDIOCOMPONENT__ */
