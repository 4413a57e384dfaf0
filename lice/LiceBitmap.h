#pragma once
// Bitmaps: 32-bit ARGB pixel grids addressed row by row.
//
// GetBits() points at the top row; row y starts at GetBits() + y * GetRowSpan()
// (the span is counted in pixels and is at least the width). Bitmaps own their
// memory and are not copyable; LICE_Copy copies pixels between bitmaps.
#include <cstddef>

#include "lice/LicePixel.h"

class LICE_IBitmap {
public:
  virtual ~LICE_IBitmap() {}
  virtual LICE_pixel* GetBits() = 0;
  virtual int getWidth() const = 0;
  virtual int getHeight() const = 0;
  virtual int getRowSpan() const = 0;
  // Changes the size; the pixel contents afterwards are unspecified (the
  // implementations here clear them to 0). Returns false and leaves the
  // bitmap empty (0 x 0) if the memory cannot be had or a size is negative.
  virtual bool resize(int w, int h) = 0;

  // Null when the bitmap is empty.
  const LICE_pixel* GetBits() const { return const_cast<LICE_IBitmap*>(this)->GetBits(); }
};

// Pixels in ordinary heap memory. Sizes up to LICE_MAX_BITMAP_DIM per side.
class LICE_MemBitmap : public LICE_IBitmap {
public:
  explicit LICE_MemBitmap(int w = 0, int h = 0);
  ~LICE_MemBitmap() override;
  LICE_MemBitmap(const LICE_MemBitmap&) = delete;
  LICE_MemBitmap& operator=(const LICE_MemBitmap&) = delete;

  LICE_pixel* GetBits() override { return mBits; }
  int getWidth() const override { return mWidth; }
  int getHeight() const override { return mHeight; }
  int getRowSpan() const override { return mWidth; }
  bool resize(int w, int h) override;

protected:
  LICE_pixel* mBits = nullptr;  // mWidth * mHeight pixels, null when empty
  int mWidth = 0;
  int mHeight = 0;
  size_t mCapacity = 0;  // pixels allocated; shrinking keeps the block
};

// A bitmap whose pixels a window can copy to the screen as they are. On
// Linux this is plain memory in the 32-bit ZPixmap layout (rows padded to a
// multiple of 4 pixels so that every row starts 16-byte aligned); the view
// host wraps GetBits() in an XImage with bytes_per_line = 4 * getRowSpan().
class LICE_SysBitmap : public LICE_IBitmap {
public:
  explicit LICE_SysBitmap(int w = 0, int h = 0);
  ~LICE_SysBitmap() override;
  LICE_SysBitmap(const LICE_SysBitmap&) = delete;
  LICE_SysBitmap& operator=(const LICE_SysBitmap&) = delete;

  LICE_pixel* GetBits() override { return mBits; }
  int getWidth() const override { return mWidth; }
  int getHeight() const override { return mHeight; }
  int getRowSpan() const override { return mSpan; }
  bool resize(int w, int h) override;

private:
  LICE_pixel* mBits = nullptr;
  int mWidth = 0;
  int mHeight = 0;
  int mSpan = 0;
};

// Largest width or height a bitmap accepts (keeps w * h * 4 far below 2^63
// and rejects sizes that can only come from corrupt input).
constexpr int LICE_MAX_BITMAP_DIM = 1 << 15;
