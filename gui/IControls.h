#pragma once
// The framework's standard controls. Each overrides only what it needs of
// IControl. "Frame selection" for a value v and N frames picks
// min(N, trunc((N - 1) v + 0.5) + 1), or frame 1 when N < 2 or the rounding
// is negative.
#include <string>
#include <vector>

#include "gui/IControl.h"

enum EDirection { kVertical = 0, kHorizontal = 1 };
enum EFileAction { kFileOpen = 0, kFileSave = 1 };

constexpr double DEFAULT_GEARING = 4.0;
constexpr float PI_F = 3.14159265358979f;

// The frame of an N-frame bitmap a normalised value shows.
int SelectFrame(double value, int nFrames);

class IPanelControl : public IControl {
public:
  IPanelControl(IPlugBase* plug, IRECT rect, const IColor* color);
  bool Draw(IGraphics* graphics) override;

private:
  IColor mColor;
};

class IBitmapControl : public IControl {
public:
  IBitmapControl(IPlugBase* plug, int x, int y, int paramIdx, IBitmap* bitmap,
                 IChannelBlend::EBlendMethod blend = IChannelBlend::kBlendNone);
  IBitmapControl(IPlugBase* plug, int x, int y, IBitmap* bitmap,
                 IChannelBlend::EBlendMethod blend = IChannelBlend::kBlendNone)
      : IBitmapControl(plug, x, y, -1, bitmap, blend) {}
  bool Draw(IGraphics* graphics) override;
  const IBitmap& GetBitmap() const { return mBitmap; }

protected:
  IBitmap mBitmap;
};

// Steps through its frames on every click, wrapping to 0 after 1.
class ISwitchControl : public IBitmapControl {
public:
  using IBitmapControl::IBitmapControl;
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  void OnMouseDblClick(int x, int y, IMouseMod* mod) override { OnMouseDown(x, y, mod); }
};

// A momentary switch: back to 0 on release.
class IContactControl : public ISwitchControl {
public:
  using ISwitchControl::ISwitchControl;
  void OnMouseUp(int x, int y, IMouseMod* mod) override;
};

// Draws its frame over a target area only while its value is at least 0.5.
class IBitmapOverlayControl : public ISwitchControl {
public:
  IBitmapOverlayControl(IPlugBase* plug, int x, int y, int paramIdx, IBitmap* bitmap,
                        IRECT targetArea);
  bool Draw(IGraphics* graphics) override;

private:
  IRECT mTargetArea;
};

class IInvisibleSwitchControl : public IControl {
public:
  IInvisibleSwitchControl(IPlugBase* plug, IRECT rect, int paramIdx);
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  bool Draw(IGraphics* graphics) override { return true; }
};

class IRadioButtonsControl : public IControl {
public:
  IRadioButtonsControl(IPlugBase* plug, IRECT rect, int paramIdx, int nButtons, IBitmap* bitmap,
                       EDirection direction = kVertical, bool reverse = false);
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  bool Draw(IGraphics* graphics) override;
  const std::vector<IRECT>& GetButtonRects() const { return mRECTs; }

private:
  std::vector<IRECT> mRECTs;
  IBitmap mBitmap;
};

class IFaderControl : public IControl {
public:
  IFaderControl(IPlugBase* plug, int x, int y, int len, int paramIdx, IBitmap* bitmap,
                EDirection direction = kVertical, bool onlyHandle = false);
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  void OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod) override;
  bool Draw(IGraphics* graphics) override;
  bool IsHit(int x, int y) override;
  IRECT GetHandleRECT(double value = -1.0) const;
  int GetLength() const { return mLen; }
  int GetHandleHeadroom() const { return mHandleHeadroom; }

protected:
  void snapToMouse(int x, int y);

  int mLen;
  int mHandleHeadroom;  // the handle's size along the fader
  IBitmap mBitmap;
  EDirection mDirection;
  bool mOnlyHandle;
};

// A control turned by dragging; subclasses draw it.
class IKnobControl : public IControl {
public:
  IKnobControl(IPlugBase* plug, IRECT rect, int paramIdx, EDirection direction = kVertical,
               double gearing = DEFAULT_GEARING)
      : IControl(plug, rect, paramIdx), mDirection(direction), mGearing(gearing) {}
  void OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod) override;
  void SetGearing(double gearing) { mGearing = gearing; }

protected:
  EDirection mDirection;
  double mGearing;
};

class IKnobLineControl : public IKnobControl {
public:
  IKnobLineControl(IPlugBase* plug, IRECT rect, int paramIdx, const IColor* color,
                   double innerRadius = 0.0, double outerRadius = 0.0,
                   double minAngle = -0.75 * PI_F, double maxAngle = 0.75 * PI_F,
                   EDirection direction = kVertical, double gearing = DEFAULT_GEARING);
  bool Draw(IGraphics* graphics) override;

private:
  IColor mColor;
  float mMinAngle, mMaxAngle, mInnerRadius, mOuterRadius;
};

class IKnobRotaterControl : public IKnobControl {
public:
  IKnobRotaterControl(IPlugBase* plug, int x, int y, int paramIdx, IBitmap* bitmap,
                      double minAngle = -0.75 * PI_F, double maxAngle = 0.75 * PI_F,
                      int yOffsetZeroDeg = 0, EDirection direction = kVertical,
                      double gearing = DEFAULT_GEARING);
  bool Draw(IGraphics* graphics) override;

private:
  IBitmap mBitmap;
  double mMinAngle, mMaxAngle;
  int mYOffset;
};

// A film strip of frames, one per position.
class IKnobMultiControl : public IKnobControl {
public:
  IKnobMultiControl(IPlugBase* plug, int x, int y, int paramIdx, IBitmap* bitmap,
                    EDirection direction = kVertical, double gearing = DEFAULT_GEARING);
  bool Draw(IGraphics* graphics) override;

protected:
  IBitmap mBitmap;
};

// Base image, a mask turned by the value (angles in degrees), and a top image.
class IKnobRotatingMaskControl : public IKnobControl {
public:
  IKnobRotatingMaskControl(IPlugBase* plug, int x, int y, int paramIdx, IBitmap* base,
                           IBitmap* mask, IBitmap* top, double minAngle = -151.0,
                           double maxAngle = 151.0, EDirection direction = kVertical,
                           double gearing = DEFAULT_GEARING);
  bool Draw(IGraphics* graphics) override;

private:
  IBitmap mBase, mMask, mTop;
  double mMinAngle, mMaxAngle;
};

class ITextControl : public IControl {
public:
  ITextControl(IPlugBase* plug, IRECT rect, IText* text, const char* str = "");
  // If the text differs: marks the control dirty and stores it.
  void SetTextFromPlug(const char* str);
  void ClearTextFromPlug() { SetTextFromPlug(""); }
  bool Draw(IGraphics* graphics) override;
  const char* GetTextString() const { return mStr.c_str(); }
  void SetTextString(const char* str) { mStr = str ? str : ""; }

protected:
  std::string mStr;
};

// Shows its parameter's value (and optionally its label) and prompts on click.
class ICaptionControl : public ITextControl {
public:
  ICaptionControl(IPlugBase* plug, IRECT rect, int paramIdx, IText* text, bool showParamLabel = true);
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  void OnMouseDblClick(int x, int y, IMouseMod* mod) override;
  bool Draw(IGraphics* graphics) override;

private:
  bool mShowParamLabel;
};

class IURLControl : public IControl {
public:
  IURLControl(IPlugBase* plug, IRECT rect, const char* url, const char* backupURL = nullptr,
              const char* errMsgOnFailure = nullptr);
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  bool Draw(IGraphics* graphics) override { return true; }

private:
  char mURL[256], mBackupURL[256], mErrMsg[256];
};

class IFileSelectorControl : public IControl {
public:
  enum EFileSelectorState { kFSNone, kFSSelecting, kFSDone };
  IFileSelectorControl(IPlugBase* plug, IRECT rect, int paramIdx, IBitmap* bitmap,
                       EFileAction action, const char* dir = "", const char* extensions = "");
  void OnMouseDown(int x, int y, IMouseMod* mod) override;
  bool Draw(IGraphics* graphics) override;
  const char* GetLastSelectedFileForPlug() const { return mFile.c_str(); }
  void SetLastSelectedFileFromPlug(const char* file);
  EFileSelectorState GetState() const { return mState; }

private:
  IBitmap mBitmap;
  std::string mFile, mDir, mExtensions;
  EFileAction mFileAction;
  EFileSelectorState mState = kFSNone;
};

// A monospaced bitmap font: character code k is frame k - 31 of the font bitmap.
class IBitmapTextControl : public IControl {
public:
  IBitmapTextControl(IPlugBase* plug, IRECT rect, IBitmap* fontBitmap, const char* str = "",
                     IText* text = nullptr, int charWidth = 6, int charHeight = 12);
  void SetTextFromPlug(const char* str);
  bool Draw(IGraphics* graphics) override;

private:
  std::string mStr;
  int mCharWidth, mCharHeight;
  IBitmap mTextBitmap;
};
