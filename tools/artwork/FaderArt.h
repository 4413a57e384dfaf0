#pragma once
// Fader scales on the background.
#include "editor/look/EditorLook.h"
#include "lice/lice.h"
#include "tools/artwork/Paint.h"

namespace artwork {

// Editor row (in units) of the scale mark for a reference distance: the row
// where the handle's indicator sits when the fader shows that value.
int MarkY(const editor_look::FaderGeometry& fader, int referenceDistance);
// Groove, ticks on both sides of the handle's path and the dB figures, with
// a font already sized for the scale.
void DrawFaderScale(LICE_IBitmap* bg, const editor_look::FaderGeometry& fader, bool figuresOnLeft,
                    Font& figures, Scale sc);

}  // namespace artwork
