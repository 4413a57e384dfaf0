#ifndef __COREAUDIO__
#define __COREAUDIO__
#include <CoreAudio/CoreAudioTypes.h>
#endif
