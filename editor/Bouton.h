#pragma once
// The editor's buttons. Bouton2 (solo) toggles on release; Bouton3 (mode)
// can only be switched on by the user (the plug-in switches the other mode
// buttons off). Both draw their pressed image while held, their on image
// at exactly 1.0, and nothing otherwise (the background shows through).
// A press acts only when released over the button: dragging off it cancels
// (back on, it is pressed again). The wheel does nothing on a button: its
// value is 0 or 1, never in between.
// Bouton is a plain toggle with a two-state image, not placed by the editor.
#include "gui/IControl.h"

class BoutonBase : public IControl {
public:
  BoutonBase(IPlugBase* plug, int x, int y, int paramIdx, IBitmap* on, IBitmap* pressed);
  bool Draw(IGraphics* graphics) override;
  void OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod) override;
  void OnMouseOver(int x, int y, IMouseMod* mod) override { SetDirty(true); }
  void OnMouseOut() override;
  void OnMouseDblClick(int x, int y, IMouseMod* mod) override { OnMouseDown(x, y, mod); }
  void OnMouseWheel(int x, int y, IMouseMod* mod, int d) override {}
  bool IsPressed() const { return mPressed; }

protected:
  // Starts a press that acts on release; ends it, true when it acts (the
  // mouse came up over the button).
  void arm();
  bool release(int x, int y);

  IBitmap mOn, mPressedBitmap;
  IPlugBase* mOwner;
  int mHeight;
  bool mPressed = false;
  bool mArmed = false;  // a press began here and has not been cancelled
};

class Bouton2 : public BoutonBase {
public:
  using BoutonBase::BoutonBase;
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  void OnMouseUp(int x, int y, IMouseMod* mod) override;
};

class Bouton3 : public BoutonBase {
public:
  using BoutonBase::BoutonBase;
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  void OnMouseUp(int x, int y, IMouseMod* mod) override;
};

class Bouton : public IControl {
public:
  // bitmap holds the up image above the down image.
  Bouton(IPlugBase* plug, int x, int y, int paramIdx, IBitmap* bitmap);
  bool Draw(IGraphics* graphics) override;
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  void OnMouseUp(int x, int y, IMouseMod* mod) override { SetDirty(true); }
  void OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod) override { SetDirty(true); }
  void OnMouseDblClick(int x, int y, IMouseMod* mod) override { OnMouseDown(x, y, mod); }
  void OnMouseOver(int x, int y, IMouseMod* mod) override { SetDirty(true); }
  void OnMouseOut() override { SetDirty(true); }
  void OnMouseWheel(int x, int y, IMouseMod* mod, int d) override {}
  bool IsToggled() const { return mToggled; }

private:
  IBitmap mBitmap;
  int mHalfHeight;
  bool mToggled = false;
};
