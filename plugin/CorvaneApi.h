#pragma once
// The host adapter the plug-in class derives from, chosen by the build
// target: the Audio Unit build uses IPlugAU, the LV2 build (compiled with
// CORVANE_API_LV2) uses IPlugLV2. The plug-in's own code is the same in both.
#if defined(CORVANE_API_LV2)
#include "host/lv2/IPlugLV2.h"
using CorvanePlugBase = IPlugLV2;
#else
#include "host/au/IPlugAU.h"
using CorvanePlugBase = IPlugAU;
#endif
