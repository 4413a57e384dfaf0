#pragma once
// The split's picture drawn from the summaries and written as a PNG.
#include <string>

#include "tools/auhost/AtomicFile.h"
#include "tools/corvane/PlotAccumulator.h"
#include "tools/corvane/PlotFigures.h"
#include "tools/corvane/PlotRequest.h"

class LICE_IBitmap;

// The caption's three figures in words, as the picture and the command's
// summary give them.
std::string PlotCaption(const PlotFigures& figures);

// Draws the picture the request describes into bmp (resized to it). False
// and *error when it cannot (no font, no memory).
bool DrawPlotPicture(const PlotRequest& request, const PlotAccumulator& summaries, const PlotFigures& figures,
                     LICE_IBitmap* bmp, std::string* error);

// Writes bmp as a PNG into a temporary file beside path; the caller commits
// it with the job's other outputs, so all appear or none.
bool WritePlotPng(LICE_IBitmap* bmp, const std::string& path, TempFile* file, std::string* error);
