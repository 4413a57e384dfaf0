#pragma once
// The base of every element of an editor: a rectangle, a normalised value,
// an optional binding to one plug-in parameter, dirty and visibility state,
// and the default reactions to mouse input.
//
// Threads: controls live on the user-interface thread. SetValueFromPlug may
// also be called from the host's parameter callback (under the plug-in's
// lock); it only stores the value and flags, which the next redraw collects.
#include <vector>

#include "gui/IGraphicsStructs.h"

class IGraphics;
class IParam;
class IPlugBase;
class ITextControl;

class IControl {
public:
  // The constructor of every control: rectangle, parameter (-1 = unbound), blend.
  IControl(IPlugBase* plug, IRECT rect, int paramIdx = -1,
           IChannelBlend::EBlendMethod blendMethod = IChannelBlend::kBlendNone);
  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  virtual ~IControl();
  virtual void OnMouseDown(int x, int y, IMouseMod* mod);
  virtual void OnMouseUp(int x, int y, IMouseMod* mod) {}
  virtual void OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod) {}
  virtual void OnMouseDblClick(int x, int y, IMouseMod* mod);
  virtual void OnMouseWheel(int x, int y, IMouseMod* mod, int d);
  virtual bool OnKeyDown(int x, int y, int key) { return false; }
  virtual void OnMouseOver(int x, int y, IMouseMod* mod) {}
  virtual void OnMouseOut() {}
  virtual bool Draw(IGraphics* graphics) = 0;
  virtual void SetValueFromPlug(double value);
  virtual void TextFromTextEntry(const char* text) {}
  virtual void Hide(bool hide);
  virtual void GrayOut(bool gray);
  virtual bool IsHit(int x, int y);
  virtual void SetDirty(bool pushParamToPlug = true);
  virtual void SetClean();
  virtual bool IsDirty() { return mDirty; }
  virtual void OnGUIIdle() {}
  virtual void SetAuxParamValueFromPlug(int auxParamIdx, double value);

  void SetValueFromUserInput(double value);
  void PromptUserInput();
  void PromptUserInput(IRECT* rect);

  // Further parameters the control shows (the value starts at 0).
  struct AuxParam {
    double mValue = 0.0;
    int mParamIdx = -1;
  };
  void AddAuxParam(int paramIdx);
  int AuxParamIdx(int paramIdx) const;
  AuxParam* GetAuxParam(int index);
  int NAuxParams() const { return static_cast<int>(mAuxParams.size()); }
  void SetAllAuxParamsFromGUI();

  IRECT* GetRECT() { return &mRECT; }
  IRECT* GetTargetRECT() { return &mTargetRECT; }
  void SetTargetArea(IRECT rect) { mTargetRECT = rect; }
  int ParamIdx() const { return mParamIdx; }
  double GetValue() const { return mValue; }
  double GetDefaultValue() const { return mDefaultValue; }
  void SetDefaultValue(double v) { mDefaultValue = v; }
  IText* GetText() { return &mText; }
  void SetTextEntryLength(int length) { mTextEntryLength = length; }
  int GetTextEntryLength() const { return mTextEntryLength; }
  void Clamp(double lo, double hi) { mClampLo = lo; mClampHi = hi; }
  bool IsHidden() const { return mHide; }
  bool IsGrayed() const { return mGrayed; }
  bool GetMOWhenGrayed() const { return mMOWhenGrayed; }
  void SetMOWhenGrayed(bool allow) { mMOWhenGrayed = allow; }
  bool MouseDblAsSingleClick() const { return mDblAsSingleClick; }
  void SetDblAsSingleClick(bool on) { mDblAsSingleClick = on; }
  void DisablePrompt(bool disable) { mDisablePrompt = disable; }
  IChannelBlend* GetBlend() { return &mBlend; }
  void SetValDisplayControl(IControl* control) { mValDisplayControl = control; }
  void SetNameDisplayControl(IControl* control) { mNameDisplayControl = control; }
  IPlugBase* GetPlug() { return mPlug; }
  // The editor the control lives in, once the plug-in has attached it.
  IGraphics* GetGUI();

protected:
  // The bound parameter, or null.
  IParam* boundParam();

  int mTextEntryLength = 7;
  IText mText;
  IPlugBase* mPlug;
  IRECT mRECT;
  IRECT mTargetRECT;
  int mParamIdx;
  std::vector<AuxParam> mAuxParams;
  double mValue = 0.0;
  double mDefaultValue = -1.0;  // negative: not yet known
  double mClampLo = 0.0, mClampHi = 1.0;
  bool mDirty = true;
  bool mHide = false;
  bool mGrayed = false;
  bool mRedraw = false;  // stays dirty for one more redraw after SetClean
  bool mDisablePrompt = true;
  bool mDblAsSingleClick = false;
  bool mMOWhenGrayed = false;
  IChannelBlend mBlend;
  IControl* mValDisplayControl = nullptr;   // not owned
  IControl* mNameDisplayControl = nullptr;  // not owned
};
