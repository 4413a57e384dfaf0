/* Carbon view components for audio units. */
#ifndef __AUDIOUNITCARBONVIEW__
#define __AUDIOUNITCARBONVIEW__

#include <AudioUnit/AUComponent.h>
#include <Carbon/Carbon.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef ComponentInstance AudioUnitCarbonView;

enum {
  kAudioUnitCarbonViewComponentType = 0x61757677, /* 'auvw' */
  kAUCarbonViewSubType_Generic = 0x676E7263       /* 'gnrc' */
};

enum {
  kAudioUnitCarbonViewRange = 0x0300,
  kAudioUnitCarbonViewCreateSelect = 0x0301,
  kAudioUnitCarbonViewSetEventListenerSelect = 0x0302
};

extern OSStatus AudioUnitCarbonViewCreate(AudioUnitCarbonView inView, AudioUnit inAudioUnit, WindowRef inWindow,
                                          ControlRef inParentControl, const Float32Point *inLocation,
                                          const Float32Point *inSize, ControlRef *outControl);

#ifdef __cplusplus
}
#endif

#endif /* __AUDIOUNITCARBONVIEW__ */
