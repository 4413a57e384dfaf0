#pragma once
// PNG files into and out of bitmaps.
//
// Any PNG (palette, grey, grey + alpha, RGB, RGBA; 1 to 16 bits; interlaced
// or not) decodes to 8-bit ARGB: palette and grey expand to RGB, a
// transparency chunk becomes alpha, images without alpha get alpha 255 and
// 16-bit channels keep their high byte. Colour values are taken as stored
// (no gamma conversion).
//
// On failure the functions return null / false and LICE_GetLastError()
// says why ("cannot open ...", "truncated data", libpng's own message, ...).
#include <cstddef>

#include "lice/LiceBitmap.h"
#include "lice/LiceError.h"

// Decodes the file into bmp (resized to fit) and returns bmp, or, with bmp
// null, into a new LICE_MemBitmap the caller deletes. When decoding fails
// part-way a given bmp keeps its new size with partly decoded contents.
LICE_IBitmap* LICE_LoadPNG(const char* filename, LICE_IBitmap* bmp = nullptr);
LICE_IBitmap* LICE_LoadPNGFromMemory(const void* data, size_t size, LICE_IBitmap* bmp = nullptr);

// How hard the encoder works: the smallest file (libpng's defaults), or a
// file about half as large again written in about half the time (one
// simple row filter, light compression) for large pictures made on demand.
enum class LICE_PngEffort { kSmallest, kFast };

// Writes bmp as an 8-bit RGBA PNG (RGB when wantAlpha is false).
bool LICE_WritePNG(const char* filename, LICE_IBitmap* bmp, bool wantAlpha = true,
                   LICE_PngEffort effort = LICE_PngEffort::kSmallest);
