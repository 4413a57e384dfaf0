#pragma once
// A bitmap whose storage is fenced by guard words: kGuard words before the
// first row and after the last, and a padding of guard words at the end of
// every row (the row span is wider than the image). Any write outside the
// image changes a guard; GuardsIntact() reports it.
#include <cstdint>
#include <vector>

#include "lice/LiceBitmap.h"

namespace lice_test {

class GuardedBitmap : public LICE_IBitmap {
public:
  static constexpr int kGuard = 64;
  static constexpr int kPad = 3;
  static constexpr LICE_pixel kGuardWord = 0xDEADBEEF;

  GuardedBitmap(int w, int h, LICE_pixel fill = 0) { Allocate(w, h, fill); }

  LICE_pixel* GetBits() override { return mWidth && mHeight ? mStore.data() + kGuard : nullptr; }
  int getWidth() const override { return mWidth; }
  int getHeight() const override { return mHeight; }
  int getRowSpan() const override { return mWidth + kPad; }
  bool resize(int w, int h) override {
    Allocate(w, h, 0);
    return true;
  }

  LICE_pixel& At(int x, int y) { return mStore[kGuard + (size_t)y * getRowSpan() + x]; }

  bool GuardsIntact() const {
    const int span = mWidth + kPad;
    for (size_t i = 0; i < mStore.size(); ++i) {
      const bool guard = i < (size_t)kGuard || i >= (size_t)kGuard + (size_t)span * mHeight ||
                         (int)((i - kGuard) % span) >= mWidth;
      if (guard && mStore[i] != kGuardWord) return false;
    }
    return true;
  }

  void Fill(LICE_pixel v) {
    for (int y = 0; y < mHeight; ++y)
      for (int x = 0; x < mWidth; ++x) At(x, y) = v;
  }

private:
  void Allocate(int w, int h, LICE_pixel fill) {
    mWidth = w;
    mHeight = h;
    mStore.assign((size_t)kGuard * 2 + (size_t)(w + kPad) * h, kGuardWord);
    Fill(fill);
  }

  std::vector<LICE_pixel> mStore;
  int mWidth = 0, mHeight = 0;
};

}  // namespace lice_test
