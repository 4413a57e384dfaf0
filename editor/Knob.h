#pragma once
// The editor's film-strip knob: 300 pixels of vertical drag cover the whole
// range, a double click restores the default, and while the button is held
// a small black box shows the value as "0.00".
#include <string>

#include "gui/IControls.h"

class Knob : public IKnobControl {
public:
  Knob(IPlugBase* plug, int x, int y, int paramIdx, IBitmap* bitmap, EDirection direction,
       double gearing, double defaultValue);

  bool Draw(IGraphics* graphics) override;
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  void OnMouseUp(int x, int y, IMouseMod* mod) override;
  void OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod) override;
  void OnMouseDblClick(int x, int y, IMouseMod* mod) override;
  void OnMouseOver(int x, int y, IMouseMod* mod) override {}
  void OnMouseOut() override;

  // The value text for v in 0..1: both decimals truncated (0.57 shows 0.56).
  void double2char(double v);
  const char* GetValueText() const { return mValueText.c_str(); }
  bool IsShowingValue() const { return mShowingValue; }
  double GetKnobDefault() const { return mKnobDefault; }

private:
  int mBoxLeft, mBoxRight;
  double mKnobDefault;
  bool mShowingValue = false;
  std::string mValueText;
  IBitmap mBitmap;
  char mTextBuffer[10] = {};
};
