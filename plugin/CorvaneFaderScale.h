#pragma once
// The gain law's view of the editor's two faders: the plug-in hands the law
// the faders' scale marks and travels, from the editor's layout.
#include "editor/look/EditorLook.h"
#include "engine/ParameterLaws.h"

// The scale of the transient fader (part 0) or the residual fader (part 1):
// both use the transient fader's 1/travel, each its own travel for the zone.
// Any thread (the audio thread's fader updates included): pure.
inline FaderScale PartFaderScale(int part) {
  using namespace editor_look;
  return FaderScale{1.0 / kTransientFaderTravel, static_cast<double>(kFaderMarks[1]),
                    static_cast<double>(kFaderMarks[2]), static_cast<double>(kFaderMarks[3]),
                    static_cast<double>(part == 0 ? kTransientFaderTravel : kResidualFaderTravel)};
}
