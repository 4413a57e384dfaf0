#pragma once
// The editor's vertical gain fader and its unplaced horizontal twin.
//
// The fader's decibel text is computed by the plug-in (double2char), also on
// the audio thread while gains are smoothed, and drawn on the UI thread: it
// travels as one 8-byte word replaced whole (an atomic), so a redraw sees
// either the old or the new text, never a mix.
#include <atomic>
#include <cstdint>
#include <string>

#include "editor/look/EditorLook.h"
#include "gui/IControl.h"

class Fader : public IControl {
public:
  // Scale marks: pixel distances from the top of the travel of the +12 dB,
  // 0 dB, -36 dB and -96 dB marks, the editor's layout's; the plug-in hands
  // them to its gain law.
  static constexpr const int (&kMarks)[4] = editor_look::kFaderMarks;

  Fader(IPlugBase* plug, int x, int y, int paramIdx, IBitmap* handle, int top, int bottom,
        IChannelBlend::EBlendMethod blend, double defaultValue);

  bool Draw(IGraphics* graphics) override;
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  void OnMouseUp(int x, int y, IMouseMod* mod) override;
  void OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod) override;
  void OnMouseDblClick(int x, int y, IMouseMod* mod) override;
  void OnMouseOver(int x, int y, IMouseMod* mod) override { SetDirty(true); }
  void OnMouseOut() override { SetDirty(true); }

  // Any thread. Sets the value text from decibels ("+2.5", " -3.7", "-inf").
  void double2char(double dB);
  std::string GetValueText() const;
  int GetTextXOffset() const { return mTextXOffset.load(std::memory_order_relaxed); }

  // The fader value at the 0 dB mark.
  double Get0() const { return 1.0 - static_cast<double>(kMarks[1]) / (mBottom - mTop); }
  double GetValue() const { return mValue; }
  void SetValue(float v) { mValue = v; }
  double GetFaderDefault() const { return mFaderDefault; }
  void SetFaderDefault(double v) { mFaderDefault = v; }
  int GetTop() const { return mTop; }
  int GetBottom() const { return mBottom; }
  int GetMark(int i) const { return i >= 0 && i < 4 ? kMarks[i] : 0; }
  int GetHandleY() const { return mHandleY; }
  bool IsGrabbing() const { return mGrabbing; }

private:
  double mFaderDefault;
  IBitmap mHandle;
  double mTravelScale;  // 1 / (bottom - top)
  int mBoxLeft, mBoxRight;
  int mHandleXOffset = 0;
  int mBottom, mTop;
  int mHandleY = 52;
  bool mGrabbing = false;
  std::atomic<uint64_t> mValueText{0};  // up to 7 characters, zero-padded
  std::atomic<int> mTextXOffset{0};
};

// A horizontal fader the editor does not place.
class Fader90 : public IControl {
public:
  Fader90(IPlugBase* plug, int left, int right, int y, int paramIdx, IBitmap* handle);
  bool Draw(IGraphics* graphics) override;
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  void OnMouseUp(int x, int y, IMouseMod* mod) override;
  void OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod) override;
  void OnMouseDblClick(int x, int y, IMouseMod* mod) override { OnMouseDown(x, y, mod); }
  void OnMouseOver(int x, int y, IMouseMod* mod) override { SetDirty(true); }
  void OnMouseOut() override { SetDirty(true); }
  double GetValue() const { return mValue; }
  void SetValue(float v) { mValue = v; }

private:
  IBitmap mHandle;
  int mLeft, mRight;
  int mHandleX;
  bool mGrabbing = false;
};
