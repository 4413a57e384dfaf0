#pragma once
// The raster graphics layer: bitmaps, blits and drawing, PNG files and
// cached fonts. Include this one header to use all of it.
#include "lice/LiceBitmap.h"
#include "lice/LiceError.h"
#include "lice/LiceFont.h"
#include "lice/LicePixel.h"
#include "lice/LicePng.h"
#include "lice/LiceRaster.h"
