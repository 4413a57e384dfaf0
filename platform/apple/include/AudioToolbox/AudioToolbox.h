/* AudioToolbox umbrella header. */
#ifndef __AUDIOTOOLBOX__
#define __AUDIOTOOLBOX__

#include <AudioUnit/AudioUnit.h>
#include <AudioToolbox/AudioUnitUtilities.h>
#include <CoreAudio/CoreAudioTypes.h>

#endif /* __AUDIOTOOLBOX__ */
