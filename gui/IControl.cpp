#include "gui/IControl.h"

#include <cstring>

#include "framework/IPlugBase.h"
#include "gui/IControls.h"
#include "gui/IGraphics.h"

IControl::IControl(IPlugBase* plug, IRECT rect, int paramIdx,
                   IChannelBlend::EBlendMethod blendMethod)
    : mPlug(plug), mRECT(rect), mTargetRECT(rect), mParamIdx(paramIdx), mBlend(blendMethod) {}

IControl::~IControl() = default;

IGraphics* IControl::GetGUI() {
  return mPlug ? static_cast<IGraphics*>(mPlug->GetGUI()) : nullptr;
}

IParam* IControl::boundParam() {
  return mPlug && mParamIdx >= 0 ? mPlug->GetParam(mParamIdx) : nullptr;
}

void IControl::OnMouseDown(int x, int y, IMouseMod* mod) {
  if (mod && mod->R) PromptUserInput();
}

void IControl::OnMouseDblClick(int x, int y, IMouseMod* mod) {
  if (mDefaultValue >= 0.0) {
    mValue = mDefaultValue;
    SetDirty(true);
  }
}

void IControl::OnMouseWheel(int x, int y, IMouseMod* mod, int d) {
  const bool fine = mod && (mod->C || mod->S);
  mValue += d * (fine ? 0.001 : 0.01);
  SetDirty(true);
}

void IControl::SetValueFromPlug(double value) {
  if (mDefaultValue < 0.0) {
    // The first value from the plug-in also becomes the double-click default.
    mValue = mDefaultValue = value;
    return;
  }
  if (value != mValue) {
    mValue = value;
    SetDirty(false);
    mRedraw = true;
  }
}

void IControl::SetValueFromUserInput(double value) {
  if (value != mValue) {
    mValue = value;
    SetDirty(true);
    mRedraw = true;
  }
}

void IControl::Hide(bool hide) {
  mHide = hide;
  mRedraw = true;
  SetDirty(false);
}

void IControl::GrayOut(bool gray) {
  mGrayed = gray;
  mBlend.mWeight = gray ? 0.25f : 1.0f;
  SetDirty(false);
}

bool IControl::IsHit(int x, int y) { return mTargetRECT.Contains(x, y); }

void IControl::SetDirty(bool pushParamToPlug) {
  mValue = mValue < mClampLo ? mClampLo : std::min(mClampHi, mValue);
  mDirty = true;
  if (!pushParamToPlug || !mPlug || mParamIdx < 0) return;
  // Only a real change reaches the plug-in and the host: hovering, pressing
  // and releasing without moving the value write no automation.
  IParam* param = mPlug->GetParam(mParamIdx);
  if (param && param->GetNormalized() == mValue) return;

  mPlug->SetParameterFromGUI(mParamIdx, mValue);
  if (!param) return;
  if (auto* display = dynamic_cast<ITextControl*>(mValDisplayControl)) {
    char text[kDisplayTextCapacity];
    param->GetDisplayForHost(param->Value(), false, text, true, kDisplayTextCapacity);
    if (std::strcmp(display->GetTextString(), text) != 0) {
      display->SetDirty(false);
      display->SetTextString(text);
    }
  }
  if (auto* name = dynamic_cast<ITextControl*>(mNameDisplayControl)) {
    const char* paramName = param->GetNameForHost();
    if (std::strcmp(name->GetTextString(), paramName) != 0) {
      name->SetDirty(false);
      name->SetTextString(paramName);
    }
  }
}

void IControl::SetClean() {
  mDirty = mRedraw;
  mRedraw = false;
}

void IControl::SetAuxParamValueFromPlug(int auxParamIdx, double value) {
  AuxParam* aux = GetAuxParam(auxParamIdx);
  if (aux && aux->mValue != value) {
    aux->mValue = value;
    SetDirty(false);
    mRedraw = true;
  }
}

void IControl::PromptUserInput() {
  if (mParamIdx < 0 || mDisablePrompt) return;
  IParam* param = boundParam();
  IGraphics* graphics = GetGUI();
  if (param && graphics) {
    if (param->GetNDisplayTexts()) {
      graphics->PromptUserInput(this, param, &mRECT);
    } else {
      const int cX = static_cast<int>(static_cast<float>(mRECT.L + mRECT.R) * 0.5f);
      const int cY = static_cast<int>(static_cast<float>(mRECT.T + mRECT.B) * 0.5f);
      IRECT box(cX - 15, cY - 8, cX + 15, cY + 8);
      graphics->PromptUserInput(this, param, &box);
    }
  }
  mRedraw = true;
}

void IControl::PromptUserInput(IRECT* rect) {
  if (mParamIdx < 0 || mDisablePrompt || !rect) return;
  IParam* param = boundParam();
  IGraphics* graphics = GetGUI();
  if (param && graphics) graphics->PromptUserInput(this, param, rect);
  mRedraw = true;
}

void IControl::AddAuxParam(int paramIdx) {
  AuxParam aux;
  aux.mParamIdx = paramIdx;
  mAuxParams.push_back(aux);
}

int IControl::AuxParamIdx(int paramIdx) const {
  for (int i = 0; i < NAuxParams(); ++i)
    if (mAuxParams[i].mParamIdx == paramIdx) return i;
  return -1;
}

IControl::AuxParam* IControl::GetAuxParam(int index) {
  return index >= 0 && index < NAuxParams() ? &mAuxParams[index] : nullptr;
}

void IControl::SetAllAuxParamsFromGUI() {
  if (!mPlug) return;
  for (const AuxParam& aux : mAuxParams) mPlug->SetParameterFromGUI(aux.mParamIdx, aux.mValue);
}
