#include "gui/IControls.h"

#include <cmath>
#include <cstring>

#include "framework/IPlugBase.h"
#include "gui/IGraphics.h"

namespace {

void CopyField(char* dst, const char* src, size_t capacity) {
  std::strncpy(dst, src ? src : "", capacity - 1);
  dst[capacity - 1] = '\0';
}

}  // namespace

int SelectFrame(double value, int nFrames) {
  if (nFrames < 2) return 1;
  const int rounded = static_cast<int>((nFrames - 1) * value + 0.5);
  if (rounded < 0) return 1;
  return std::min(nFrames, rounded + 1);
}

IPanelControl::IPanelControl(IPlugBase* plug, IRECT rect, const IColor* color)
    : IControl(plug, rect), mColor(color ? *color : COLOR_BLACK) {}

bool IPanelControl::Draw(IGraphics* graphics) {
  graphics->FillIRect(&mColor, &mRECT, &mBlend);
  return true;
}

IBitmapControl::IBitmapControl(IPlugBase* plug, int x, int y, int paramIdx, IBitmap* bitmap,
                               IChannelBlend::EBlendMethod blend)
    : IControl(plug, IRECT(x, y, x + (bitmap ? bitmap->frameWidth() : 0),
                           y + (bitmap ? bitmap->frameHeight() : 0)),
               paramIdx, blend),
      mBitmap(bitmap ? *bitmap : IBitmap()) {}

bool IBitmapControl::Draw(IGraphics* graphics) {
  return graphics->DrawBitmap(&mBitmap, &mRECT, SelectFrame(mValue, mBitmap.N), &mBlend);
}

void ISwitchControl::OnMouseDown(int x, int y, IMouseMod* mod) {
  mValue += mBitmap.N > 1 ? 1.0 / (mBitmap.N - 1) : 1.0;
  if (mValue > 1.001) mValue = 0.0;
  SetDirty(true);
}

void IContactControl::OnMouseUp(int x, int y, IMouseMod* mod) {
  mValue = 0.0;
  SetDirty(true);
}

IBitmapOverlayControl::IBitmapOverlayControl(IPlugBase* plug, int x, int y, int paramIdx,
                                             IBitmap* bitmap, IRECT targetArea)
    : ISwitchControl(plug, x, y, paramIdx, bitmap), mTargetArea(targetArea) {}

bool IBitmapOverlayControl::Draw(IGraphics* graphics) {
  if (mValue < 0.5) {
    mTargetRECT = mTargetArea;
    return true;
  }
  mTargetRECT = mRECT;
  return IBitmapControl::Draw(graphics);
}

IInvisibleSwitchControl::IInvisibleSwitchControl(IPlugBase* plug, IRECT rect, int paramIdx)
    : IControl(plug, rect, paramIdx, IChannelBlend::kBlendClobber) {}

void IInvisibleSwitchControl::OnMouseDown(int x, int y, IMouseMod* mod) {
  mValue = mValue < 0.5 ? 1.0 : 0.0;
  SetDirty(true);
}

IRadioButtonsControl::IRadioButtonsControl(IPlugBase* plug, IRECT rect, int paramIdx,
                                           int nButtons, IBitmap* bitmap, EDirection direction,
                                           bool reverse)
    : IControl(plug, rect, paramIdx), mBitmap(bitmap ? *bitmap : IBitmap()) {
  if (nButtons < 1) nButtons = 1;
  const int w = mBitmap.W, h = mBitmap.N > 0 ? mBitmap.H / mBitmap.N : 0;
  const bool horizontal = direction == kHorizontal;
  const int length = horizontal ? rect.W() : rect.H();
  const int buttonLength = horizontal ? w : h;
  const int gap = nButtons > 1 ? (length - nButtons * buttonLength) / (nButtons - 1) : 0;
  for (int i = 0; i < nButtons; ++i) {
    const int offset = i * (buttonLength + gap);
    IRECT r;
    if (horizontal) {
      const int x = reverse ? rect.R - w - offset : rect.L + offset;
      r = IRECT(x, rect.T, x + w, rect.T + h);
    } else {
      const int y = reverse ? rect.B - h - offset : rect.T + offset;
      r = IRECT(rect.L, y, rect.L + w, y + h);
    }
    mRECTs.push_back(r);
  }
}

void IRadioButtonsControl::OnMouseDown(int x, int y, IMouseMod* mod) {
  if (mod && mod->R) {
    PromptUserInput();
    return;
  }
  const int n = static_cast<int>(mRECTs.size());
  for (int i = 0; i < n; ++i) {
    if (mRECTs[i].Contains(x, y)) {
      mValue = n > 1 ? static_cast<double>(i) / (n - 1) : 0.0;
      SetDirty(true);
      return;
    }
  }
}

bool IRadioButtonsControl::Draw(IGraphics* graphics) {
  const int n = static_cast<int>(mRECTs.size());
  int selected = static_cast<int>(mValue * (n - 1) + 0.5);
  selected = std::max(0, std::min(n - 1, selected));
  for (int i = 0; i < n; ++i) graphics->DrawBitmap(&mBitmap, &mRECTs[i], i == selected ? 2 : 1, &mBlend);
  return true;
}

IFaderControl::IFaderControl(IPlugBase* plug, int x, int y, int len, int paramIdx,
                             IBitmap* bitmap, EDirection direction, bool onlyHandle)
    : IControl(plug, IRECT(), paramIdx), mLen(len), mBitmap(bitmap ? *bitmap : IBitmap()),
      mDirection(direction), mOnlyHandle(onlyHandle) {
  const int w = mBitmap.frameWidth(), h = mBitmap.frameHeight();
  if (direction == kVertical) {
    mHandleHeadroom = h;
    mRECT = mTargetRECT = IRECT(x, y, x + w, y + len);
  } else {
    mHandleHeadroom = w;
    mRECT = mTargetRECT = IRECT(x, y, x + len, y + h);
  }
}

IRECT IFaderControl::GetHandleRECT(double value) const {
  if (value < 0.0) value = mValue;
  const int travel = mLen - mHandleHeadroom;
  IRECT r(mRECT.L, mRECT.T, mRECT.L + mBitmap.frameWidth(), mRECT.T + mBitmap.frameHeight());
  if (mDirection == kVertical) {
    const int offset = static_cast<int>((1.0 - value) * travel);
    r.T += offset;
    r.B += offset;
  } else {
    const int offset = static_cast<int>(value * travel);
    r.L += offset;
    r.R += offset;
  }
  return r;
}

void IFaderControl::snapToMouse(int x, int y) {
  const double travel = mLen - mHandleHeadroom;
  if (travel <= 0.0) return;  // a handle as long as the fader has no travel
  if (mDirection == kVertical)
    mValue = 1.0 - (y - mRECT.T - mHandleHeadroom / 2) / travel;
  else
    mValue = (x - mRECT.L - mHandleHeadroom / 2) / travel;
  SetDirty(true);
}

void IFaderControl::OnMouseDown(int x, int y, IMouseMod* mod) {
  if (mod && mod->R) {
    PromptUserInput();
    return;
  }
  snapToMouse(x, y);
}

void IFaderControl::OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod) { snapToMouse(x, y); }

bool IFaderControl::Draw(IGraphics* graphics) {
  IRECT r = GetHandleRECT();
  return graphics->DrawBitmap(&mBitmap, &r, 1, &mBlend);
}

bool IFaderControl::IsHit(int x, int y) {
  if (mOnlyHandle) return GetHandleRECT().Contains(x, y);
  return mTargetRECT.Contains(x, y);
}

void IKnobControl::OnMouseDrag(int x, int y, int dX, int dY, IMouseMod* mod) {
  double gearing = mGearing;
  if (mod && (mod->C || mod->S)) gearing *= 10.0;
  if (gearing == 0.0) return;
  if (mDirection == kVertical) {
    if (mRECT.T != mRECT.B) mValue += static_cast<double>(dY) / (mRECT.T - mRECT.B) / gearing;
  } else {
    if (mRECT.R != mRECT.L) mValue += static_cast<double>(dX) / (mRECT.R - mRECT.L) / gearing;
  }
  SetDirty(true);
}

IKnobLineControl::IKnobLineControl(IPlugBase* plug, IRECT rect, int paramIdx, const IColor* color,
                                   double innerRadius, double outerRadius, double minAngle,
                                   double maxAngle, EDirection direction, double gearing)
    : IKnobControl(plug, rect, paramIdx, direction, gearing),
      mColor(color ? *color : COLOR_BLACK),
      mMinAngle(static_cast<float>(minAngle)),
      mMaxAngle(static_cast<float>(maxAngle)),
      mInnerRadius(static_cast<float>(innerRadius)),
      mOuterRadius(static_cast<float>(outerRadius)) {
  if (mOuterRadius == 0.0f) mOuterRadius = 0.5f * static_cast<float>(rect.W());
  mBlend = IChannelBlend(IChannelBlend::kBlendClobber);
}

bool IKnobLineControl::Draw(IGraphics* graphics) {
  const float cx = (mRECT.L + mRECT.R) * 0.5f;
  const float cy = (mRECT.T + mRECT.B) * 0.5f;
  const float angle = mMinAngle + static_cast<float>(mValue) * (mMaxAngle - mMinAngle);
  graphics->DrawRadialLine(&mColor, cx, cy, angle, mInnerRadius, mOuterRadius, &mBlend, true);
  return true;
}

IKnobRotaterControl::IKnobRotaterControl(IPlugBase* plug, int x, int y, int paramIdx,
                                         IBitmap* bitmap, double minAngle, double maxAngle,
                                         int yOffsetZeroDeg, EDirection direction, double gearing)
    : IKnobControl(plug, IRECT(x, y, x + (bitmap ? bitmap->W : 0), y + (bitmap ? bitmap->H : 0)),
                   paramIdx, direction, gearing),
      mBitmap(bitmap ? *bitmap : IBitmap()), mMinAngle(minAngle), mMaxAngle(maxAngle),
      mYOffset(yOffsetZeroDeg) {}

bool IKnobRotaterControl::Draw(IGraphics* graphics) {
  const int cx = (mRECT.L + mRECT.R) / 2;
  const int cy = (mRECT.T + mRECT.B) / 2;
  const double angle = mMinAngle + mValue * (mMaxAngle - mMinAngle);
  return graphics->DrawRotatedBitmap(&mBitmap, cx, cy, angle, mYOffset, &mBlend);
}

IKnobMultiControl::IKnobMultiControl(IPlugBase* plug, int x, int y, int paramIdx, IBitmap* bitmap,
                                     EDirection direction, double gearing)
    : IKnobControl(plug,
                   IRECT(x, y, x + (bitmap ? bitmap->frameWidth() : 0),
                         y + (bitmap ? bitmap->frameHeight() : 0)),
                   paramIdx, direction, gearing),
      mBitmap(bitmap ? *bitmap : IBitmap()) {}

bool IKnobMultiControl::Draw(IGraphics* graphics) {
  return graphics->DrawBitmap(&mBitmap, &mRECT, SelectFrame(mValue, mBitmap.N), &mBlend);
}

IKnobRotatingMaskControl::IKnobRotatingMaskControl(IPlugBase* plug, int x, int y, int paramIdx,
                                                   IBitmap* base, IBitmap* mask, IBitmap* top,
                                                   double minAngle, double maxAngle,
                                                   EDirection direction, double gearing)
    : IKnobControl(plug, IRECT(x, y, x + (base ? base->W : 0), y + (base ? base->H : 0)), paramIdx,
                   direction, gearing),
      mBase(base ? *base : IBitmap()), mMask(mask ? *mask : IBitmap()), mTop(top ? *top : IBitmap()),
      mMinAngle(minAngle), mMaxAngle(maxAngle) {}

bool IKnobRotatingMaskControl::Draw(IGraphics* graphics) {
  const double angle = mMinAngle + mValue * (mMaxAngle - mMinAngle);
  return graphics->DrawRotatedMask(&mBase, &mMask, &mTop, mRECT.L, mRECT.T, angle, &mBlend);
}

ITextControl::ITextControl(IPlugBase* plug, IRECT rect, IText* text, const char* str)
    : IControl(plug, rect), mStr(str ? str : "") {
  if (text) mText = *text;
}

void ITextControl::SetTextFromPlug(const char* str) {
  const char* s = str ? str : "";
  if (mStr != s) {
    SetDirty(false);
    mStr = s;
  }
}

bool ITextControl::Draw(IGraphics* graphics) {
  if (mStr.empty()) return true;
  return graphics->DrawIText(&mText, const_cast<char*>(mStr.c_str()), &mRECT);
}

ICaptionControl::ICaptionControl(IPlugBase* plug, IRECT rect, int paramIdx, IText* text,
                                 bool showParamLabel)
    : ITextControl(plug, rect, text), mShowParamLabel(showParamLabel) {
  mParamIdx = paramIdx;
}

void ICaptionControl::OnMouseDown(int x, int y, IMouseMod* mod) {
  if (mod && (mod->L || mod->R)) PromptUserInput();
}

void ICaptionControl::OnMouseDblClick(int x, int y, IMouseMod* mod) { PromptUserInput(); }

bool ICaptionControl::Draw(IGraphics* graphics) {
  IParam* param = boundParam();
  if (param) {
    char text[kDisplayTextCapacity];
    param->GetDisplayForHost(param->Value(), false, text, true, kDisplayTextCapacity);
    mStr = text;
    if (mShowParamLabel) {
      mStr += " ";
      mStr += param->GetLabelForHost();
    }
  }
  return ITextControl::Draw(graphics);
}

IURLControl::IURLControl(IPlugBase* plug, IRECT rect, const char* url, const char* backupURL,
                         const char* errMsgOnFailure)
    : IControl(plug, rect) {
  CopyField(mURL, url, sizeof mURL);
  CopyField(mBackupURL, backupURL, sizeof mBackupURL);
  CopyField(mErrMsg, errMsgOnFailure, sizeof mErrMsg);
}

void IURLControl::OnMouseDown(int x, int y, IMouseMod* mod) {
  IGraphics* graphics = GetGUI();
  if (!graphics) return;
  const bool opened = graphics->OpenURL(mURL, mErrMsg, nullptr, nullptr);
  if (!opened && mBackupURL[0]) graphics->OpenURL(mBackupURL, mErrMsg, nullptr, nullptr);
}

IFileSelectorControl::IFileSelectorControl(IPlugBase* plug, IRECT rect, int paramIdx,
                                           IBitmap* bitmap, EFileAction action, const char* dir,
                                           const char* extensions)
    : IControl(plug, rect, paramIdx), mBitmap(bitmap ? *bitmap : IBitmap()),
      mDir(dir ? dir : ""), mExtensions(extensions ? extensions : ""), mFileAction(action) {}

void IFileSelectorControl::OnMouseDown(int x, int y, IMouseMod* mod) {
  IGraphics* graphics = GetGUI();
  if (!graphics) return;
  mState = kFSSelecting;
  SetDirty(false);
  WDL_String file(mFile.c_str()), dir(mDir.c_str());
  std::vector<char> extensions(mExtensions.begin(), mExtensions.end());
  extensions.push_back('\0');
  graphics->PromptForFile(&file, mFileAction, &dir, extensions.data());
  mFile = file.Get();
  mDir = dir.Get();
  mValue = mValue > 0.5 ? 0.0 : 1.0;
  mState = kFSDone;
  SetDirty(true);
}

bool IFileSelectorControl::Draw(IGraphics* graphics) {
  if (mState == kFSSelecting) return graphics->DrawBitmap(&mBitmap, &mRECT, 1, &mBlend);
  return true;
}

void IFileSelectorControl::SetLastSelectedFileFromPlug(const char* file) { mFile = file ? file : ""; }

IBitmapTextControl::IBitmapTextControl(IPlugBase* plug, IRECT rect, IBitmap* fontBitmap,
                                       const char* str, IText* text, int charWidth, int charHeight)
    : IControl(plug, rect), mStr(str ? str : ""), mCharWidth(charWidth), mCharHeight(charHeight),
      mTextBitmap(fontBitmap ? *fontBitmap : IBitmap()) {
  if (text) mText = *text;
}

void IBitmapTextControl::SetTextFromPlug(const char* str) {
  const char* s = str ? str : "";
  if (mStr != s) {
    SetDirty(false);
    mStr = s;
  }
}

bool IBitmapTextControl::Draw(IGraphics* graphics) {
  const int n = static_cast<int>(mStr.size());
  if (n == 0 || mCharWidth <= 0) return true;
  int x = mRECT.L;
  if (mText.mAlign == IText::kAlignCenter) x += (mRECT.W() - n * mCharWidth) / 2;
  const int y = mRECT.T + (mRECT.H() - mCharHeight) / 2;
  for (int i = 0; i < n; ++i) {
    const int code = static_cast<unsigned char>(mStr[i]);
    IRECT cell(x + i * mCharWidth, y, x + (i + 1) * mCharWidth, y + mCharHeight);
    graphics->DrawBitmap(&mTextBitmap, &cell, code - 31, &mBlend);
  }
  return true;
}
