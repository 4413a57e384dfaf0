#include "editor/Fader.h"

#include <algorithm>
#include <cstring>

#include "editor/TextFormat.h"
#include "editor/ValueBox.h"

Fader::Fader(IPlugBase* plug, int x, int y, int paramIdx, IBitmap* handle, int top, int bottom,
             IChannelBlend::EBlendMethod blend, double defaultValue)
    : IControl(plug, IRECT(x, y, x + (handle ? handle->W : 0) + 8, y + 256), paramIdx, blend),
      mFaderDefault(defaultValue), mHandle(handle ? *handle : IBitmap()),
      mTravelScale(bottom != top ? 1.0 / (bottom - top) : 0.0), mBoxLeft(x + 5),
      mBoxRight(x + mHandle.W - 2), mBottom(bottom), mTop(top) {
  // The handle travels from top to bottom + its height, which may reach
  // past the rectangle that takes the mouse: the rectangle that is redrawn
  // covers the whole travel, so a moved handle leaves nothing behind.
  mRECT = IRECT(mRECT.L, std::min(mRECT.T, std::min(top, bottom)), mRECT.R,
                std::max(mRECT.B, std::max(top, bottom) + mHandle.H));
}

bool Fader::Draw(IGraphics* graphics) {
  mHandleY = static_cast<int>(mTop + (mBottom - mTop) * (1.0 - mValue));
  const int left = mRECT.L + mHandleXOffset + 8;
  IRECT handle(left, mHandleY, left + mHandle.W, mHandleY + mHandle.H);
  graphics->DrawBitmap(&mHandle, &handle, 1, &mBlend);
  if (mGrabbing) {
    DrawValueBox(graphics, IRECT(mBoxLeft, mHandleY + 17, mBoxRight, mHandleY + 30),
                 IRECT(mRECT.L + GetTextXOffset() - 2, mHandleY + 17, mRECT.R - 1, mHandleY + 30),
                 GetValueText());
  }
  return true;
}

void Fader::OnMouseDown(int x, int y, IMouseMod* mod) {
  mGrabbing = mHandleY < y && y < mHandleY + mHandle.H;
  SetDirty(true);
}

void Fader::OnMouseUp(int x, int y, IMouseMod* mod) {
  mGrabbing = false;
  SetDirty(true);
}

void Fader::OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod) {
  if (mGrabbing) {
    const double step = (dY < 0 ? -dY : dY) * mTravelScale;
    if (dY < 1)
      mValue += step;
    else
      mValue -= step;
    if (mValue < 0.0) mValue = 0.0;
    if (mValue > 1.0) mValue = 1.0;
  }
  SetDirty(true);
}

void Fader::OnMouseDblClick(int x, int y, IMouseMod* mod) {
  // Not pushed here: the mouse up that ends the click sends it.
  mValue = mFaderDefault;
}

void Fader::double2char(double dB) {
  char text[8] = {};
  if (dB == -96.0) {
    std::memcpy(text, "-inf", 4);
    mTextXOffset.store(-1, std::memory_order_relaxed);
  } else {
    // Values far outside the fader's range are limited so the integer
    // conversion stays defined; the text never exceeds 7 characters.
    const double limited = dB > 999.0 ? 999.0 : dB < -999.0 ? -999.0 : dB;
    const int i = static_cast<int>(limited);
    int d = static_cast<int>((limited - i) * 10);
    const char* sign;
    if (limited > 0) {
      sign = "+";
      mTextXOffset.store(0, std::memory_order_relaxed);
    } else {
      mTextXOffset.store(-1, std::memory_order_relaxed);
      d = -d;
      sign = (limited > -1.0 && limited < 0.0) ? "-" : " ";
    }
    // Built in place: this runs on the audio thread and must not allocate.
    char digits[34];
    size_t n = 0;
    auto append = [&](const char* part) {
      for (; *part && n < 7; ++part) text[n++] = *part;
    };
    append(sign);
    append(my_itoa(i, digits, 10));
    append(".");
    append(my_itoa(d, digits, 10));
  }
  uint64_t word = 0;
  std::memcpy(&word, text, 8);
  mValueText.store(word, std::memory_order_relaxed);
}

std::string Fader::GetValueText() const {
  const uint64_t word = mValueText.load(std::memory_order_relaxed);
  char text[9] = {};
  std::memcpy(text, &word, 8);
  return text;
}

Fader90::Fader90(IPlugBase* plug, int left, int right, int y, int paramIdx, IBitmap* handle)
    : IControl(plug, IRECT(left, y, right + (handle ? handle->W : 0), y + (handle ? handle->H : 0)),
               paramIdx),
      mHandle(handle ? *handle : IBitmap()), mLeft(left), mRight(right), mHandleX(left) {}

bool Fader90::Draw(IGraphics* graphics) {
  mHandleX = static_cast<int>(mLeft + (mRight - mLeft) * mValue);
  IRECT r(mHandleX, mRECT.T, mHandleX + mHandle.W, mRECT.T + mHandle.H);
  graphics->DrawBitmap(&mHandle, &r, 1, &mBlend);
  return true;
}

void Fader90::OnMouseDown(int x, int y, IMouseMod* mod) {
  mGrabbing = mHandleX < x && x < mHandleX + mHandle.W;
  SetDirty(true);
}

void Fader90::OnMouseUp(int x, int y, IMouseMod* mod) {
  mGrabbing = false;
  SetDirty(true);
}

void Fader90::OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod) {
  if (mGrabbing) mHandleX = std::max(mLeft, std::min(mRight, mHandleX + dX));
  if (mRight != mLeft) mValue = static_cast<double>(mHandleX - mLeft) / (mRight - mLeft);
  SetDirty(true);
}
