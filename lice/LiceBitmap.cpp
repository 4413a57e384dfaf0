#include "lice/LiceBitmap.h"

#include <cstdlib>
#include <cstring>

namespace {

bool SizeIsAcceptable(int w, int h) {
  return w >= 0 && h >= 0 && w <= LICE_MAX_BITMAP_DIM && h <= LICE_MAX_BITMAP_DIM;
}

}  // namespace

LICE_MemBitmap::LICE_MemBitmap(int w, int h) { resize(w, h); }

LICE_MemBitmap::~LICE_MemBitmap() { std::free(mBits); }

bool LICE_MemBitmap::resize(int w, int h) {
  if (!SizeIsAcceptable(w, h)) {
    std::free(mBits);
    mBits = nullptr;
    mWidth = mHeight = 0;
    mCapacity = 0;
    return false;
  }
  const size_t count = (size_t)w * (size_t)h;
  if (count == 0) {
    std::free(mBits);
    mBits = nullptr;
    mCapacity = 0;
    mWidth = w;
    mHeight = h;
    return true;
  }
  if (count > mCapacity) {
    LICE_pixel* bits = (LICE_pixel*)std::calloc(count, sizeof(LICE_pixel));
    if (!bits) {
      std::free(mBits);
      mBits = nullptr;
      mWidth = mHeight = 0;
      mCapacity = 0;
      return false;
    }
    std::free(mBits);
    mBits = bits;
    mCapacity = count;
  } else {
    std::memset(mBits, 0, count * sizeof(LICE_pixel));
  }
  mWidth = w;
  mHeight = h;
  return true;
}

LICE_SysBitmap::LICE_SysBitmap(int w, int h) { resize(w, h); }

LICE_SysBitmap::~LICE_SysBitmap() { std::free(mBits); }

bool LICE_SysBitmap::resize(int w, int h) {
  if (w == mWidth && h == mHeight && SizeIsAcceptable(w, h)) {
    if (mBits) std::memset(mBits, 0, (size_t)mSpan * (size_t)h * sizeof(LICE_pixel));
    return true;
  }
  std::free(mBits);
  mBits = nullptr;
  mWidth = mHeight = mSpan = 0;
  if (!SizeIsAcceptable(w, h)) return false;
  const int span = (w + 3) & ~3;
  const size_t bytes = (size_t)span * (size_t)h * sizeof(LICE_pixel);
  if (bytes) {
    mBits = (LICE_pixel*)std::aligned_alloc(16, bytes);  // bytes is a multiple of 16
    if (!mBits) return false;
    std::memset(mBits, 0, bytes);
  }
  mWidth = w;
  mHeight = h;
  mSpan = span;
  return true;
}
