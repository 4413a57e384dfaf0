#include "gui/viewhost/IGraphicsMac.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "framework/IParam.h"
#include "lice/LicePng.h"

// ---- the view ---------------------------------------------------------------

IGraphicsCocoa_vCorvane_au::IGraphicsCocoa_vCorvane_au(IGraphicsMac* graphics, ViewWindowing* windowing)
    : mGraphics(graphics), mWindowing(windowing) {}

IGraphicsCocoa_vCorvane_au::~IGraphicsCocoa_vCorvane_au() { KillTimer(); }

bool IGraphicsCocoa_vCorvane_au::Open(void* parent) {
  const int s = mGraphics->Scale();
  mWindowing->SetWidgetScale(s);
  if (!mWindowing->CreateView(parent, mGraphics->Width() * s, mGraphics->Height() * s, this)) return false;
  const int fps = mGraphics->FPS() > 0 ? mGraphics->FPS() : 25;
  mTimer = mWindowing->StartTimer(1.0 / fps);
  return true;
}

int IGraphicsCocoa_vCorvane_au::height() const { return mGraphics ? mGraphics->Height() : 0; }

ViewGeometry IGraphicsCocoa_vCorvane_au::geometry() const {
  ViewGeometry g = mWindowing->Geometry();
  g.scale = mGraphics ? mGraphics->Scale() : 1;
  return g;
}

void IGraphicsCocoa_vCorvane_au::OnTimer(int timerId) {
  // Only the view's own timer counts: a late tick of a stopped one does nothing.
  if (!mGraphics || timerId == 0 || timerId != mTimer) return;
  mGraphics->ApplyPlugUpdates();
  IRECT dirty;
  if (mGraphics->IsDirty(&dirty))
    mWindowing->SetNeedsDisplay(ToViewRect(dirty, height(), geometry()));
}

void IGraphicsCocoa_vCorvane_au::DrawRect(const ViewRect& rect) {
  if (!mGraphics) return;
  IRECT r = FromViewRect(rect, height(), geometry());
  mGraphics->Draw(&r);
}

void IGraphicsCocoa_vCorvane_au::mouseXY(double vx, double vy, int* x, int* y) {
  MapMousePosition(vx, vy, height(), geometry(), x, y);
  mPrevX = *x;
  mPrevY = *y;
}

void IGraphicsCocoa_vCorvane_au::MouseDown(double vx, double vy, ViewButton button,
                                           const ViewModifiers& mods, int clickCount) {
  if (!mGraphics) return;
  if (mButtonHeld && button != mHeldButton) return;
  mButtonHeld = true;
  mHeldButton = button;
  int x, y;
  mouseXY(vx, vy, &x, &y);
  IMouseMod mod = MouseModFor(button, mods);
  // The right button has no double click: each press is a mouse down.
  if (button == ViewButton::kLeft && IsDoubleClick(clickCount))
    mGraphics->OnMouseDblClick(x, y, &mod);
  else
    mGraphics->OnMouseDown(x, y, &mod);
}

void IGraphicsCocoa_vCorvane_au::MouseUp(double vx, double vy, ViewButton button, const ViewModifiers& mods) {
  if (!mGraphics) return;
  if (mButtonHeld && button != mHeldButton) return;
  mButtonHeld = false;
  int x, y;
  mouseXY(vx, vy, &x, &y);
  IMouseMod mod = MouseModFor(button, mods);
  mGraphics->OnMouseUp(x, y, &mod);
}

void IGraphicsCocoa_vCorvane_au::MouseDragged(double vx, double vy, ViewButton button,
                                              const ViewModifiers& mods) {
  if (!mGraphics) return;
  int x, y;
  mouseXY(vx, vy, &x, &y);
  if (mTextFieldOpen) return;
  IMouseMod mod = MouseModFor(button, mods);
  mGraphics->OnMouseDrag(x, y, &mod);
}

void IGraphicsCocoa_vCorvane_au::MouseMoved(double vx, double vy, const ViewModifiers& mods) {
  if (!mGraphics) return;
  int x, y;
  mouseXY(vx, vy, &x, &y);
  IMouseMod mod = MouseModFor(ViewButton::kLeft, mods);
  mGraphics->OnMouseOver(x, y, &mod);
}

void IGraphicsCocoa_vCorvane_au::ScrollWheel(double vx, double vy, const ViewModifiers& mods, double deltaY) {
  if (!mGraphics) return;
  int x, y;
  mouseXY(vx, vy, &x, &y);
  if (mTextFieldOpen) EndUserInput();
  IMouseMod mod = MouseModFor(ViewButton::kLeft, mods);
  // A wheel turns a few steps per event; a delta no int holds (a broken
  // device, a synthetic event) counts as the most one event may turn.
  constexpr double kMostSteps = 1000.0;
  const double steps = std::isnan(deltaY) ? 0.0 : std::max(-kMostSteps, std::min(kMostSteps, deltaY));
  mGraphics->OnMouseWheel(x, y, &mod, static_cast<int>(steps));
}

bool IGraphicsCocoa_vCorvane_au::KeyDown(int keyCode, const std::string& chars) {
  if (!mGraphics) return false;
  if (!KeyEventIsHandled(chars)) return true;  // dropped, not passed on
  const int key = KeyValueFor(keyCode, chars);
  if (key < 0) return false;
  return mGraphics->OnKeyDown(mPrevX, mPrevY, key);
}

void IGraphicsCocoa_vCorvane_au::TextEditingEnded(const std::string& text) {
  if (!mTextFieldOpen) return;
  IControl* control = mEdControl;
  IParam* param = mEdParam;
  // The field closes before the value lands, so a control that prompts
  // again from its value change finds no field open.
  EndUserInput();
  if (mGraphics && control) {
    std::string copy = text;
    if (param)
      mGraphics->SetFromStringAfterPrompt(control, param, &copy[0]);
    else
      control->TextFromTextEntry(copy.c_str());
  }
  if (mGraphics) {
    IRECT all(0, 0, mGraphics->Width(), mGraphics->Height());
    mWindowing->SetNeedsDisplay(ToViewRect(all, height(), geometry()));
  }
}

void IGraphicsCocoa_vCorvane_au::TextEditingCancelled() {
  if (!mTextFieldOpen) return;
  EndUserInput();
  if (mGraphics) {
    IRECT all(0, 0, mGraphics->Width(), mGraphics->Height());
    mWindowing->SetNeedsDisplay(ToViewRect(all, height(), geometry()));
  }
}

void IGraphicsCocoa_vCorvane_au::CreateTextEntry(IControl* control, IParam* param, IText* style,
                                                 const char* text, IRECT* rect) {
  if (!control || mTextFieldOpen || !mGraphics || !rect) return;
  IText defaults;
  ViewTextField field = MakeTextField(*rect, height(), geometry(), style ? *style : defaults,
                                      text, param, control->GetTextEntryLength());
  if (!mWindowing->OpenTextField(field)) return;
  mTextFieldOpen = true;
  mEdControl = control;
  mEdParam = param;
}

IPopupMenu* IGraphicsCocoa_vCorvane_au::CreateIPopupMenu(IPopupMenu* menu, IRECT* rect) {
  if (!menu || !rect || !mGraphics) return nullptr;
  std::unique_ptr<ViewMenu> built = BuildViewMenu(menu);
  double x, y;
  MenuAnchor(*rect, height(), geometry(), &x, &y);
  return ResolveMenuChoice(mWindowing->PopUpMenu(*built, x, y));
}

void IGraphicsCocoa_vCorvane_au::EndUserInput() {
  if (mTextFieldOpen) mWindowing->CloseTextField();
  mTextFieldOpen = false;
  mEdControl = nullptr;
  mEdParam = nullptr;
}

void IGraphicsCocoa_vCorvane_au::KillTimer() {
  if (mTimer) mWindowing->StopTimer(mTimer);
  mTimer = 0;
}

void IGraphicsCocoa_vCorvane_au::RemoveFromSuperview() {
  if (mTextFieldOpen) EndUserInput();
  if (IGraphicsMac* g = mGraphics) {
    mGraphics = nullptr;
    g->CloseWindow();  // destroys this view
  }
}

// ---- the context ------------------------------------------------------------

IGraphicsMac::IGraphicsMac(IPlugBase* plug, int w, int h, int fps, std::unique_ptr<ViewWindowing> windowing)
    : IGraphics(plug, w, h, fps), mWindowing(std::move(windowing)) {}

IGraphicsMac::~IGraphicsMac() { CloseWindow(); }

void* IGraphicsMac::OpenWindow(void* parent) {
  CloseWindow();
  if (!mWindowing) return nullptr;
  auto view = std::make_unique<IGraphicsCocoa_vCorvane_au>(this, mWindowing.get());
  mView = std::move(view);
  if (!mView->Open(parent)) {
    mView->mGraphics = nullptr;
    mView.reset();
    mWindowing->DestroyView();
    return nullptr;
  }
  // A new view shows everything once, as it stands now.
  ApplyPlugUpdates();
  SetAllControlsDirty();
  return mWindowing->ViewHandle();
}

void IGraphicsMac::CloseWindow() {
  if (!mView) return;
  std::unique_ptr<IGraphicsCocoa_vCorvane_au> view = std::move(mView);
  view->KillTimer();
  if (view->mGraphics == this) {
    view->mGraphics = nullptr;
    view->RemoveFromSuperview();  // ends a text entry; the context is already unlinked
  }
  mWindowing->DestroyView();
}

void* IGraphicsMac::GetWindow() { return mView ? mWindowing->ViewHandle() : nullptr; }

bool IGraphicsMac::DrawScreen(IRECT* rect) {
  if (!mView || !rect || !GetDrawBitmap()) return false;
  const int s = Scale();
  return mWindowing->DrawBackBuffer(GetDrawBitmap(), IRECT(rect->L * s, rect->T * s, rect->R * s, rect->B * s));
}

void IGraphicsMac::ForceEndUserEdit() {
  if (mView) mView->EndUserInput();
}

void IGraphicsMac::Resize(int w, int h) {
  if (w == Width() && h == Height()) return;
  if (mView) mView->EndUserInput();  // the edited control is about to be deleted
  IGraphics::Resize(w, h);
  if (mView) mWindowing->SetViewSize(w * Scale(), h * Scale());
}

const char* IGraphicsMac::GetGUIAPI() { return mWindowing ? mWindowing->Name() : ""; }

int IGraphicsMac::ShowMessageBox(const char* text, const char* caption, int type) {
  if (!mWindowing) return 0;
  mWindowing->SetWidgetScale(Scale());
  return AlertResult(mWindowing->RunAlert(MakeAlert(text, caption, type)));
}

IPopupMenu* IGraphicsMac::CreateIPopupMenu(IPopupMenu* menu, IRECT* rect) {
  ReleaseMouseCapture();
  if (!mView) return nullptr;
  return mView->CreateIPopupMenu(menu, rect);
}

void IGraphicsMac::CreateTextEntry(IControl* control, IText* text, IRECT* rect, const char* str,
                                   IParam* param) {
  if (mView) mView->CreateTextEntry(control, param, text, str, rect);
}

void IGraphicsMac::DesktopPath(WDL_String* path) {
  if (!path) return;
  const char* home = std::getenv("HOME");
  if (!home) return;  // no home: the path stays as it was
  path->Set(home);
  path->Append("/Desktop/");
}

void IGraphicsMac::PromptForFile(WDL_String* fileName, EFileAction action, WDL_String* dir,
                                 char* extensions) {
  if (!fileName) return;
  if (!mView) {
    fileName->Set("");
    return;
  }
  ViewFilePanel panel = MakeFilePanel(action, fileName->Get(), dir ? dir->Get() : "", extensions);
  if (dir && !*dir->Get()) dir->Set(panel.directory.c_str());
  fileName->Set("");
  std::string chosen;
  if (mWindowing->RunFilePanel(panel, &chosen)) {
    fileName->Set(chosen.c_str());
    if (dir) dir->Set(DirectoryOf(chosen).c_str());
  }
}

bool IGraphicsMac::OpenURL(const char* url, const char*, const char*, const char*) {
  if (!url || !*url || !mWindowing) return true;  // no URL object: nothing to open
  return mWindowing->OpenURL(url, std::strstr(url, "http") != nullptr);
}

void IGraphicsMac::HideMouseCursor() {
  if (mCursorHidden || !mWindowing) return;
  int x = -1, y = -1;
  const bool havePosition = mWindowing->CursorPosition(&x, &y);
  if (!mWindowing->HideCursor()) return;
  mCursorHidden = true;
  if (havePosition) {
    mHiddenMousePointX = x;
    mHiddenMousePointY = y;
  }
}

void IGraphicsMac::ShowMouseCursor() {
  if (!mCursorHidden || !mWindowing) return;
  if (mHiddenMousePointX >= 0 && mHiddenMousePointY >= 0)
    mWindowing->MoveCursor(mHiddenMousePointX, mHiddenMousePointY);
  if (mWindowing->ShowCursor()) mCursorHidden = false;
}

LICE_IBitmap* IGraphicsMac::OSLoadBitmap(int, const char* name) {
  std::string base;
  if (!ImageResourceName(name, &base) || mResourceFolder.empty()) return nullptr;
  const std::string path = mResourceFolder + "/" + base + ".png";
  return LICE_LoadPNG(path.c_str());
}
