#pragma once
// Raster operations on LICE bitmaps.
//
// Every function clips once, at its entry, to the destination bitmap (and,
// for blits, to the source bitmap): any coordinates are accepted (negative,
// huge, zero or negative sizes, null or empty bitmaps) and nothing outside a
// bitmap is ever read or written. None of them allocates or throws.
//
// alpha is the opacity 0..1 (values outside are clamped, NaN draws nothing);
// mode is LICE_BLIT_MODE_COPY / _ADD / _DODGE, optionally with
// LICE_BLIT_USE_ALPHA and, for scaled and rotated blits,
// LICE_BLIT_FILTER_BILINEAR. The exact arithmetic is in lice/LiceCombine.h.
//
// Coordinates of the vector primitives (lines, arcs, circles, polygons) name
// pixel centres: the point (3, 4) is the centre of pixel column 3, row 4.
// Blits address pixels by their top-left corner, as usual.
#include "lice/LiceBitmap.h"

// Copies the source region (srcx, srcy, srcw, srch) to (dstx, dsty). Parts of
// the region outside the source bitmap are not drawn. src may be dest, with
// overlapping regions, as for a scroll.
void LICE_Blit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int srcx, int srcy,
               int srcw, int srch, float alpha, int mode);
// Same with the source region as a rectangle; null means the whole source.
void LICE_Blit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, const LICE_RECT* srcrect,
               float alpha, int mode);

// Stretches the source region (floating-point, in source pixels) onto the
// destination rectangle. Destination pixels whose centre maps outside the
// source bitmap are not drawn; bilinear samples are clamped to the source
// region. Non-positive sizes draw nothing.
void LICE_ScaledBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int dstw, int dsth,
                     float srcx, float srcy, float srcw, float srch, float alpha, int mode);

// Maps the source region onto the destination rectangle as LICE_ScaledBlit
// does, turned by angle radians (clockwise on screen) about the rectangle's
// centre moved by (rotxcent, rotycent). Only the destination rectangle is
// painted. With cliptosourcerect the samples come from the source region only,
// otherwise from the whole source bitmap; samples beyond that area are
// transparent, so a bilinear edge fades out instead of smearing.
void LICE_RotatedBlit(LICE_IBitmap* dest, LICE_IBitmap* src, int dstx, int dsty, int dstw,
                      int dsth, float srcx, float srcy, float srcw, float srch, float angle,
                      bool cliptosourcerect, float alpha, int mode, float rotxcent = 0.0f,
                      float rotycent = 0.0f);

// Makes dest an exact copy of src (size and pixels). A null src empties dest.
void LICE_Copy(LICE_IBitmap* dest, LICE_IBitmap* src);

// Sets every pixel to color.
void LICE_Clear(LICE_IBitmap* dest, LICE_pixel color);
// pixel = (pixel & keepMask) | setBits over the rectangle. Clearing the alpha
// channel: LICE_ClearRect(bmp, x, y, w, h, LICE_RGBA(255, 255, 255, 0)).
void LICE_ClearRect(LICE_IBitmap* dest, int x, int y, int w, int h, LICE_pixel keepMask = 0,
                    LICE_pixel setBits = 0);
// Blends color over the rectangle as if it were a source bitmap of that colour.
void LICE_FillRect(LICE_IBitmap* dest, int x, int y, int w, int h, LICE_pixel color,
                   float alpha = 1.0f, int mode = LICE_BLIT_MODE_COPY);

void LICE_PutPixel(LICE_IBitmap* dest, int x, int y, LICE_pixel color, float alpha = 1.0f,
                   int mode = LICE_BLIT_MODE_COPY);
// 0 outside the bitmap.
LICE_pixel LICE_GetPixel(LICE_IBitmap* src, int x, int y);

// Lines include both end points. Antialiased lines spread each step over the
// two pixels nearest the exact line.
void LICE_Line(LICE_IBitmap* dest, int x1, int y1, int x2, int y2, LICE_pixel color,
               float alpha = 1.0f, int mode = LICE_BLIT_MODE_COPY, bool aa = false);
void LICE_FLine(LICE_IBitmap* dest, float x1, float y1, float x2, float y2, LICE_pixel color,
                float alpha = 1.0f, int mode = LICE_BLIT_MODE_COPY, bool aa = false);

// Angles are radians, clockwise from straight up (0 = 12 o'clock). An arc runs
// clockwise from minAngle to maxAngle; a span of 2*pi or more is a circle.
void LICE_Arc(LICE_IBitmap* dest, float cx, float cy, float r, float minAngle, float maxAngle,
              LICE_pixel color, float alpha = 1.0f, int mode = LICE_BLIT_MODE_COPY,
              bool aa = false);
void LICE_Circle(LICE_IBitmap* dest, float cx, float cy, float r, LICE_pixel color,
                 float alpha = 1.0f, int mode = LICE_BLIT_MODE_COPY, bool aa = false);
// Covers the pixels whose centres lie within r of (cx, cy); antialiased, the
// edge pixels get partial coverage.
void LICE_FillCircle(LICE_IBitmap* dest, float cx, float cy, float r, LICE_pixel color,
                     float alpha = 1.0f, int mode = LICE_BLIT_MODE_COPY, bool aa = false);
// Outline through the pixel centres x..x+w and y..y+h with quarter-circle
// corners of radius cornerradius (limited to half the shorter side).
void LICE_RoundRect(LICE_IBitmap* dest, float x, float y, float w, float h, int cornerradius,
                    LICE_pixel color, float alpha = 1.0f, int mode = LICE_BLIT_MODE_COPY,
                    bool aa = false);

// Fill the pixels whose centres lie inside the polygon (edges on the left and
// top included, on the right and bottom excluded, so adjacent polygons never
// paint a pixel twice). The polygon must be convex; vertices in either order.
void LICE_FillTriangle(LICE_IBitmap* dest, int x1, int y1, int x2, int y2, int x3, int y3,
                       LICE_pixel color, float alpha = 1.0f, int mode = LICE_BLIT_MODE_COPY);
void LICE_FillConvexPolygon(LICE_IBitmap* dest, const int* x, const int* y, int npoints,
                            LICE_pixel color, float alpha = 1.0f,
                            int mode = LICE_BLIT_MODE_COPY);
