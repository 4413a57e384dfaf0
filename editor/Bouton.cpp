#include "editor/Bouton.h"

#include "gui/IGraphics.h"

BoutonBase::BoutonBase(IPlugBase* plug, int x, int y, int paramIdx, IBitmap* on, IBitmap* pressed)
    : IControl(plug, IRECT(x, y, x + (on ? on->W : 0), y + (on ? on->H : 0)), paramIdx),
      mOn(on ? *on : IBitmap()), mPressedBitmap(pressed ? *pressed : IBitmap()), mOwner(plug),
      mHeight(mOn.H) {}

bool BoutonBase::Draw(IGraphics* graphics) {
  IRECT r(mRECT.L, mRECT.T, mRECT.L + mOn.W, mRECT.T + mHeight);
  if (mPressed) return graphics->DrawBitmap(&mPressedBitmap, &r, 1, &mBlend);
  if (mValue == 1.0) return graphics->DrawBitmap(&mOn, &r, 1, &mBlend);
  return true;
}

void BoutonBase::arm() { mArmed = mPressed = true; }

bool BoutonBase::release(int x, int y) {
  const bool acts = mArmed && IsHit(x, y);
  mArmed = mPressed = false;
  return acts;
}

// The pressed image follows the pointer while the button is held.
void BoutonBase::OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod) {
  if (mArmed) mPressed = IsHit(x, y);
  SetDirty(true);
}

void BoutonBase::OnMouseOut() {
  mArmed = mPressed = false;
  SetDirty(true);
}

void Bouton2::OnMouseDown(int x, int y, IMouseMod* mod) {
  arm();
  SetDirty(true);
}

void Bouton2::OnMouseUp(int x, int y, IMouseMod* mod) {
  if (release(x, y)) mValue = mValue == 0.0 ? 1.0 : 0.0;
  SetDirty(true);
}

void Bouton3::OnMouseDown(int x, int y, IMouseMod* mod) {
  if (mValue == 0.0) arm();
  SetDirty(true);
}

void Bouton3::OnMouseUp(int x, int y, IMouseMod* mod) {
  if (release(x, y) && mValue == 0.0) mValue = 1.0;
  SetDirty(true);
}

Bouton::Bouton(IPlugBase* plug, int x, int y, int paramIdx, IBitmap* bitmap)
    : IControl(plug, IRECT(x, y, x + (bitmap ? bitmap->W : 0), y + (bitmap ? bitmap->H / 2 : 0)),
               paramIdx),
      mBitmap(bitmap ? *bitmap : IBitmap()), mHalfHeight(mBitmap.H / 2) {}

bool Bouton::Draw(IGraphics* graphics) {
  if (mToggled) {
    IRECT r(mRECT.L, mRECT.T, mRECT.L + mBitmap.W, mRECT.T + mHalfHeight);
    return graphics->DrawBitmap(&mBitmap, &r, 0, mHalfHeight, &mBlend);
  }
  IRECT r(mRECT.L, mRECT.T + 1, mRECT.L + mBitmap.W, mRECT.T + mHalfHeight);
  return graphics->DrawBitmap(&mBitmap, &r, 0, 0, &mBlend);
}

void Bouton::OnMouseDown(int x, int y, IMouseMod* mod) {
  mToggled = !mToggled;
  SetDirty(true);
}
