#include "gui/IGraphics.h"

#include <cstdlib>
#include <cstring>

#include "framework/IPlugBase.h"
#include "gui/GraphicsCaches.h"
#include "lice/LiceBitmap.h"
#include "lice/LiceRaster.h"

IGraphics::IGraphics(IPlugBase* plug, int w, int h, int fps)
    : mPlug(plug), mFromPlug(plug ? plug->NParams() : 0), mWidth(w), mHeight(h), mFPS(fps > 0 ? fps : 25) {}

IGraphics::~IGraphics() {
  delete mKeyCatcher;
  for (auto it = mControls.rbegin(); it != mControls.rend(); ++it) delete *it;
  mControls.clear();
}

IParam* IGraphics::paramOf(int paramIdx) { return mPlug ? mPlug->GetParam(paramIdx) : nullptr; }

bool IGraphics::SetScale(int scale) {
  if (scale != 1 && scale != 2) return false;
  if (WindowIsOpen()) return false;
  if (scale == mScale) return true;
  mScale = scale;
  loadTwins();
  if (mDrawBitmap) PrepDraw();
  SetAllControlsDirty();
  return true;
}

void IGraphics::loadTwins() {
  mScaledImages.Load(mScale, [this](int id, const char* name) { return OSLoadBitmap(id, name); });
}

void IGraphics::PrepDraw() {
  mDrawBitmap = std::make_unique<LICE_SysBitmap>(mWidth * mScale, mHeight * mScale);
  mTmpBitmap = std::make_unique<LICE_MemBitmap>();
}

void IGraphics::Resize(int w, int h) {
  mWidth = w;
  mHeight = h;
  ReleaseMouseCapture();
  for (auto it = mControls.rbegin(); it != mControls.rend(); ++it) delete *it;
  mControls.clear();
  PrepDraw();
  if (mPlug) mPlug->ResizeGraphics(w, h);
}

IBitmap IGraphics::LoadIBitmap(int id, const char* name, int nStates, bool framesAreHoriz) {
  BitmapStorage& cache = GetBitmapCache();
  LICE_IBitmap* bitmap = cache.Find(id);
  if (!bitmap) {
    bitmap = OSLoadBitmap(id, name);
    // A missing image gives an empty bitmap: controls then draw nothing.
    if (!bitmap) bitmap = new LICE_MemBitmap(0, 0);
    cache.Add(bitmap, id);
  }
  mScaledImages.Remember(bitmap, id, name);
  if (mScale > 1) loadTwins();
  return IBitmap(bitmap, bitmap->getWidth(), bitmap->getHeight(), nStates, framesAreHoriz);
}

void IGraphics::AttachBackground(int id, const char* name) {
  IBitmap bg = LoadIBitmap(id, name);
  mControls.insert(mControls.begin(),
                   new IBitmapControl(mPlug, 0, 0, -1, &bg, IChannelBlend::kBlendClobber));
}

void IGraphics::AttachPanelBackground(const IColor* color) {
  mControls.insert(mControls.begin(), new IPanelControl(mPlug, IRECT(0, 0, mWidth, mHeight), color));
}

int IGraphics::AttachControl(IControl* control) {
  mControls.push_back(control);
  return GetNControls() - 1;
}

void IGraphics::AttachKeyCatcher(IControl* control) {
  delete mKeyCatcher;
  mKeyCatcher = control;
}

void IGraphics::RetainBitmap(IBitmap* bitmap) {
  if (bitmap && bitmap->mData) GetBitmapCache().Add(bitmap->mData, -1);
}

void IGraphics::ReleaseBitmap(IBitmap* bitmap) {
  if (bitmap && bitmap->mData) {
    mScaledImages.Forget(bitmap->mData);
    GetBitmapCache().Remove(bitmap->mData);
    bitmap->mData = nullptr;
  }
}

IBitmap IGraphics::ScaleBitmap(IBitmap* bitmap, int w, int h) {
  auto* scaled = new LICE_MemBitmap(std::max(0, w), std::max(0, h));
  if (bitmap && bitmap->mData)
    LICE_ScaledBlit(scaled, bitmap->mData, 0, 0, w, h, 0.0f, 0.0f, static_cast<float>(bitmap->W),
                    static_cast<float>(bitmap->H), 1.0f,
                    LICE_BLIT_MODE_COPY | LICE_BLIT_FILTER_BILINEAR);
  GetBitmapCache().Add(scaled, -1);
  return IBitmap(scaled, scaled->getWidth(), scaled->getHeight(), bitmap ? bitmap->N : 1, false);
}

IBitmap IGraphics::CropBitmap(IBitmap* bitmap, IRECT* rect) {
  const int w = rect ? std::max(0, rect->W()) : 0, h = rect ? std::max(0, rect->H()) : 0;
  auto* cropped = new LICE_MemBitmap(w, h);
  if (bitmap && bitmap->mData && rect)
    LICE_Blit(cropped, bitmap->mData, 0, 0, rect->L, rect->T, w, h, 1.0f, LICE_BLIT_MODE_COPY);
  GetBitmapCache().Add(cropped, -1);
  return IBitmap(cropped, w, h, bitmap ? bitmap->N : 1, false);
}

void IGraphics::SetParameterFromPlug(int paramIdx, double value, bool normalized) {
  if (!normalized) {
    // Reads only the parameter's range, fixed since the plug-in was built.
    IParam* param = paramOf(paramIdx);
    if (!param) return;
    value = param->GetNormalized(value);
  }
  mFromPlug.Post(paramIdx, value);
}

void IGraphics::ApplyPlugUpdates() {
  for (int paramIdx = 0; paramIdx < mFromPlug.Size(); ++paramIdx) {
    double value;
    if (!mFromPlug.Take(paramIdx, &value)) continue;
    if (paramIdx != mGestureParam) applyFromPlug(paramIdx, value);
  }
  if (mPlug) mPlug->OnEditorRefresh();
}

void IGraphics::applyFromPlug(int paramIdx, double value) {
  for (IControl* c : mControls) {
    if (c->ParamIdx() == paramIdx) c->SetValueFromPlug(value);
    const int aux = c->AuxParamIdx(paramIdx);
    if (aux >= 0) c->SetAuxParamValueFromPlug(aux, value);
  }
}

void IGraphics::SetControlFromPlug(int controlIdx, double normalizedValue) {
  if (IControl* c = GetControl(controlIdx)) c->SetValueFromPlug(normalizedValue);
}

void IGraphics::HideControl(int paramIdx, bool hide) {
  for (IControl* c : mControls)
    if (c->ParamIdx() == paramIdx) c->Hide(hide);
}

void IGraphics::GrayOutControl(int paramIdx, bool gray) {
  for (IControl* c : mControls)
    if (c->ParamIdx() == paramIdx) c->GrayOut(gray);
}

void IGraphics::ClampControl(int paramIdx, double lo, double hi, bool normalized) {
  if (!normalized) {
    IParam* param = paramOf(paramIdx);
    if (!param) return;
    lo = param->GetNormalized(lo);
    hi = param->GetNormalized(hi);
  }
  for (IControl* c : mControls)
    if (c->ParamIdx() == paramIdx) c->Clamp(lo, hi);
}

void IGraphics::SetAllControlsDirty() {
  for (IControl* c : mControls) c->SetDirty(false);
}

void IGraphics::SetStrictDrawing(bool strict) {
  mStrict = strict;
  SetAllControlsDirty();
}

void IGraphics::OnGUIIdle() {
  for (IControl* c : mControls) c->OnGUIIdle();
}

bool IGraphics::IsDirty(IRECT* rect) {
  bool dirty = false;
  for (IControl* c : mControls) {
    if (c->IsDirty()) {
      *rect = rect->Union(*c->GetRECT());
      dirty = true;
    }
  }
  return dirty;
}

bool IGraphics::Draw(IRECT* rect) {
  if (mControls.empty()) return true;
  if (!mDrawBitmap) PrepDraw();
  const int n = GetNControls();
  if (mStrict) {
    mDrawRECT = *rect;
    for (IControl* c : mControls)
      if (!c->IsHidden() && rect->Intersects(*c->GetRECT())) c->Draw(this);
    for (IControl* c : mControls) c->SetClean();
  } else {
    IControl* bg = mControls[0];
    if (bg->IsDirty()) {
      mDrawRECT = *bg->GetRECT();
      for (int i = 0; i < n; ++i) {
        IControl* c = mControls[i];
        if (i == 0 || !c->IsHidden()) {
          c->Draw(this);
          c->SetClean();
        }
      }
    } else if (n > 1) {
      for (int i = 1; i < n; ++i) {
        IControl* dirty = mControls[i];
        if (!dirty->IsDirty()) continue;
        mDrawRECT = *dirty->GetRECT();
        for (int j = 0; j < n; ++j) {
          IControl* c = mControls[j];
          if (!c->IsHidden() && (j == i || c->GetRECT()->Intersects(mDrawRECT))) c->Draw(this);
        }
        dirty->SetClean();
      }
    }
  }
  return DrawScreen(rect);
}

int IGraphics::GetMouseControlIdx(int x, int y, bool mouseOver) {
  if (mMouseCapture >= 0) return mMouseCapture;
  for (int i = GetNControls() - 1; i >= 0; --i) {
    IControl* c = mControls[i];
    if (c->IsHidden()) continue;
    const bool eligible = !c->IsGrayed() || (mouseOver && c->GetMOWhenGrayed());
    if (eligible && c->IsHit(x, y)) return i;
  }
  return -1;
}

void IGraphics::ReleaseMouseCapture() {
  mMouseCapture = -1;
  mMouseX = mMouseY = -1;
}

// A gesture opens when the mouse goes down (or double-clicks) on a bound
// control and closes with the mouse up that follows, whichever control is
// under the pointer then: the host always gets begin and end in pairs.
void IGraphics::BeginGesture(int paramIdx) {
  EndGesture();
  if (paramIdx < 0 || !mPlug) return;
  mGestureParam = paramIdx;
  mPlug->BeginInformHostOfParamChange(paramIdx);
}

void IGraphics::EndGesture() {
  if (mGestureParam < 0) return;
  const int paramIdx = mGestureParam;
  mGestureParam = -1;
  if (mPlug) mPlug->EndInformHostOfParamChange(paramIdx);
}

void IGraphics::OnMouseDown(int x, int y, IMouseMod* mod) {
  ReleaseMouseCapture();
  const int idx = GetMouseControlIdx(x, y);
  if (idx < 0) return;
  mMouseCapture = idx;
  mMouseX = x;
  mMouseY = y;
  IControl* c = mControls[idx];
  const int paramIdx = c->ParamIdx();
  c->OnMouseDown(x, y, mod);
  BeginGesture(paramIdx);
}

void IGraphics::OnMouseUp(int x, int y, IMouseMod* mod) {
  const int idx = GetMouseControlIdx(x, y);
  ReleaseMouseCapture();
  if (idx >= 0) mControls[idx]->OnMouseUp(x, y, mod);
  EndGesture();
}

void IGraphics::OnMouseDrag(int x, int y, IMouseMod* mod) {
  const int idx = mMouseCapture;
  if (idx < 0 || idx >= GetNControls()) return;
  if (x == mMouseX && y == mMouseY) return;
  const int dX = x - mMouseX, dY = y - mMouseY;
  mMouseX = x;
  mMouseY = y;
  mControls[idx]->OnMouseDrag(x, y, dX, dY, mod);
}

bool IGraphics::OnMouseDblClick(int x, int y, IMouseMod* mod) {
  ReleaseMouseCapture();
  const int idx = GetMouseControlIdx(x, y);
  if (idx < 0) return false;
  IControl* c = mControls[idx];
  if (c->MouseDblAsSingleClick()) {
    mMouseCapture = idx;
    mMouseX = x;
    mMouseY = y;
    c->OnMouseDown(x, y, mod);
    BeginGesture(c->ParamIdx());
    return true;
  }
  c->OnMouseDblClick(x, y, mod);
  // A double click may change the value (a reset to the default, sent by
  // the mouse up that ends the click): it opens a gesture like a press.
  BeginGesture(c->ParamIdx());
  return false;
}

bool IGraphics::OnMouseOver(int x, int y, IMouseMod* mod) {
  if (mHandleMouseOver) {
    const int idx = GetMouseControlIdx(x, y, true);
    if (idx >= 0) {
      mMouseX = x;
      mMouseY = y;
      mControls[idx]->OnMouseOver(x, y, mod);
      if (mMouseOver >= 0 && mMouseOver != idx && mMouseOver < GetNControls())
        mControls[mMouseOver]->OnMouseOut();
      mMouseOver = idx;
    }
  }
  return mHandleMouseOver;
}

void IGraphics::OnMouseOut() {
  for (IControl* c : mControls) c->OnMouseOut();
  mMouseOver = -1;
}

void IGraphics::OnMouseWheel(int x, int y, IMouseMod* mod, int d) {
  const int idx = GetMouseControlIdx(x, y);
  if (idx >= 0) mControls[idx]->OnMouseWheel(x, y, mod, d);
}

bool IGraphics::OnKeyDown(int x, int y, int key) {
  const int idx = GetMouseControlIdx(x, y);
  if (idx > 0) return mControls[idx]->OnKeyDown(x, y, key);  // never the background
  return mKeyCatcher ? mKeyCatcher->OnKeyDown(x, y, key) : false;
}

void IGraphics::PromptUserInput(IControl* control, IParam* param, IRECT* rect) {
  if (!control || !param || !rect) return;
  char current[kDisplayTextCapacity];
  const IParam::EParamType type = param->Type();
  const int nTexts = param->GetNDisplayTexts();
  if (type == IParam::kTypeEnum || (type == IParam::kTypeBool && nTexts)) {
    param->GetDisplayForHost(param->Value(), false, current, true, kDisplayTextCapacity);
    IPopupMenu menu;
    for (int i = 0; i < nTexts; ++i) {
      const char* text = param->GetDisplayTextAtIdx(i);
      menu.AddItem(text, -1, std::strcmp(text, current) == 0 ? IPopupMenuItem::kChecked : 0);
    }
    IPopupMenu* chosen = CreateIPopupMenu(&menu, rect);
    if (chosen && chosen->GetChosenItemIdx() >= 0)
      control->SetValueFromUserInput(param->GetNormalized(chosen->GetChosenItemIdx()));
  } else {
    param->GetDisplayForHost(param->Value(), false, current, false, kDisplayTextCapacity);
    CreateTextEntry(control, control->GetText(), rect, current, param);
  }
}

void IGraphics::SetFromStringAfterPrompt(IControl* control, IParam* param, char* text) {
  if (!control || !param || !text) return;
  double value = 0.0;
  const IParam::EParamType type = param->Type();
  if (type == IParam::kTypeEnum || type == IParam::kTypeBool) {
    int mapped = 0;
    if (param->MapDisplayText(text, &mapped)) value = mapped;
  } else {
    value = std::atof(text);
    if (param->GetNegateDisplay()) value = -value;
  }
  control->SetValueFromUserInput(param->GetNormalized(value));
}
