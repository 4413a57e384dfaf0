/* AudioUnit umbrella header. */
#ifndef __AUDIOUNIT__
#define __AUDIOUNIT__

#include <AudioUnit/AudioComponent.h>
#include <AudioUnit/AUComponent.h>
#include <AudioUnit/AudioUnitProperties.h>
#include <AudioUnit/MusicDevice.h>
#include <AudioUnit/AudioUnitCarbonView.h>

#endif /* __AUDIOUNIT__ */
