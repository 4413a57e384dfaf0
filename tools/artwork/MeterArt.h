#pragma once
// Meter housings on the background.
#include "lice/lice.h"
#include "tools/artwork/Paint.h"

namespace artwork {

// The dark housing of a stereo meter whose left column starts at editor
// column x, with the unlit segments and the solo marker's off look.
void DrawMeterHousing(LICE_IBitmap* bg, int x, Scale sc);

}  // namespace artwork
