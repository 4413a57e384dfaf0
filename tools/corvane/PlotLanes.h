#pragma once
// The lanes of the split's picture: the waveform envelopes, their level
// scales and the event marks (internal to PlotPicture).
#include "lice/lice.h"
#include "tools/corvane/PlotAccumulator.h"
#include "tools/corvane/PlotFigures.h"
#include "tools/corvane/PlotLayout.h"

// The lanes' wells are filled by the caller first, the time grid over them.
void DrawLanes(LICE_IBitmap* bmp, const PlotLayout& layout, const PlotAccumulator& summaries,
               LICE_CachedFont* labelFont);
void DrawEventMarks(LICE_IBitmap* bmp, const PlotLayout& layout, const PlotAccumulator& summaries,
                    const PlotFigures& figures);
