#pragma once
// The raster layer's pixel, rectangle and blend-mode vocabulary.
//
// A pixel is one 32-bit word 0xAARRGGBB. On a little-endian machine its bytes
// lie in memory as B, G, R, A, which is what a 32-bit X11 ZPixmap expects, so
// a system bitmap can be put on screen without conversion.
#include <cstdint>

typedef uint32_t LICE_pixel;

#define LICE_RGBA(r, g, b, a)                                                 \
  ((LICE_pixel)(((uint32_t)((a) & 0xff) << 24) | ((uint32_t)((r) & 0xff) << 16) | \
                ((uint32_t)((g) & 0xff) << 8) | (uint32_t)((b) & 0xff)))
#define LICE_GETB(v) ((int)((v) & 0xff))
#define LICE_GETG(v) ((int)(((v) >> 8) & 0xff))
#define LICE_GETR(v) ((int)(((v) >> 16) & 0xff))
#define LICE_GETA(v) ((int)(((v) >> 24) & 0xff))

// Byte offsets of the channels inside a pixel as stored in memory.
enum { LICE_PIXEL_B = 0, LICE_PIXEL_G = 1, LICE_PIXEL_R = 2, LICE_PIXEL_A = 3 };

// Integer rectangle {left, top, right, bottom}; right and bottom are
// exclusive, so the width is right - left and the height bottom - top.
// A rectangle with right <= left or bottom <= top covers no pixel.
struct LICE_RECT {
  int left, top, right, bottom;
};

// Blend modes. The low byte selects how source and destination combine; the
// flags above it modify the source. "Plain copy ignoring alpha" is
// LICE_BLIT_MODE_COPY without LICE_BLIT_USE_ALPHA.
enum {
  LICE_BLIT_MODE_COPY = 0x00,   // dst = lerp(dst, src, weight)
  LICE_BLIT_MODE_ADD = 0x01,    // dst = min(255, dst + src * weight)
  LICE_BLIT_MODE_DODGE = 0x02,  // dst = lerp(dst, dst / (1 - src), weight)
  LICE_BLIT_MODE_MASK = 0xff,

  LICE_BLIT_USE_ALPHA = 0x10000,       // weight also scales by the source alpha
  LICE_BLIT_FILTER_BILINEAR = 0x20000  // scaled and rotated blits interpolate
};
