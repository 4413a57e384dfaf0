#include "editor/Knob.h"

#include "editor/TextFormat.h"
#include "editor/ValueBox.h"

Knob::Knob(IPlugBase* plug, int x, int y, int paramIdx, IBitmap* bitmap, EDirection direction,
           double gearing, double defaultValue)
    : IKnobControl(plug,
                   IRECT(x, y, x + (bitmap ? bitmap->W : 0),
                         y + (bitmap && bitmap->N > 0 ? bitmap->H / bitmap->N : 0)),
                   paramIdx, direction, gearing),
      mKnobDefault(defaultValue), mBitmap(bitmap ? *bitmap : IBitmap()) {
  const int centre = (x + (x + mBitmap.W)) / 2;
  mBoxLeft = centre - 17;
  mBoxRight = centre + 17;
}

bool Knob::Draw(IGraphics* graphics) {
  graphics->DrawBitmap(&mBitmap, &mRECT, SelectFrame(mValue, mBitmap.N), &mBlend);
  if (mShowingValue) {
    DrawValueBox(graphics, IRECT(mBoxLeft, mRECT.T + 17, mBoxRight, mRECT.T + 30),
                 IRECT(mRECT.L + 3, mRECT.T + 17, mRECT.R - 1, mRECT.T + 30), mValueText);
  }
  return true;
}

void Knob::double2char(double v) {
  const double f = v - static_cast<int>(v);
  const int d1 = static_cast<int>(f * 10);
  const int d2 = static_cast<int>((f - d1 / 10.0) * 100);
  mValueText = v == 1.0 ? "1" : "0";
  mValueText += ".";
  mValueText += my_itoa(d1, mTextBuffer, 10);
  mValueText += my_itoa(d2, mTextBuffer, 10);
}

void Knob::OnMouseDown(int x, int y, IMouseMod* mod) {
  mShowingValue = true;
  double2char(mValue);
  SetDirty(true);
}

void Knob::OnMouseUp(int x, int y, IMouseMod* mod) {
  mShowingValue = false;
  SetDirty(true);
}

void Knob::OnMouseOut() {
  mShowingValue = false;
  SetDirty(true);
}

void Knob::OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod) {
  mValue -= dY / 300.0;
  if (mValue < 0.0) mValue = 0.0;
  if (mValue > 1.0) mValue = 1.0;
  double2char(mValue);
  SetDirty(true);
}

void Knob::OnMouseDblClick(int x, int y, IMouseMod* mod) {
  mValue = mKnobDefault;
  SetDirty(true);
}
