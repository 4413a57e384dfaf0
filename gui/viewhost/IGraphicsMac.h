#pragma once
// The editor's graphics context with a view: IGraphics plus the view host.
//
// The context exists from the plug-in's construction on; OpenWindow gives it
// a view (IGraphicsCocoa_vCorvane_au) on the window system supplied as a
// ViewWindowing, CloseWindow takes it away, any number of times. While a
// view is open a timer at the context's frame rate asks which controls are
// dirty and has exactly that region redrawn and put on screen; the view maps
// the window system's mouse, wheel and key events onto the context and
// shows text fields and popup menus for controls. The view is the editor's
// size times the context's scale; it converts the window system's
// coordinates to editor units and back.
//
// Threads: all of it runs on the user-interface thread.
#include <memory>
#include <string>

#include "gui/IGraphics.h"
#include "gui/viewhost/ViewWindowing.h"

class IGraphicsMac;

// The open view: the state of one opening of the editor.
class IGraphicsCocoa_vCorvane_au : public ViewEvents {
public:
  IGraphicsCocoa_vCorvane_au(IGraphicsMac* graphics, ViewWindowing* windowing);
  ~IGraphicsCocoa_vCorvane_au() override;
  IGraphicsCocoa_vCorvane_au(const IGraphicsCocoa_vCorvane_au&) = delete;
  IGraphicsCocoa_vCorvane_au& operator=(const IGraphicsCocoa_vCorvane_au&) = delete;

  // Creates the platform view and starts the redraw timer.
  bool Open(void* parent);

  void OnTimer(int timerId) override;
  void DrawRect(const ViewRect& rect) override;
  void MouseDown(double x, double y, ViewButton button, const ViewModifiers& mods, int clickCount) override;
  void MouseUp(double x, double y, ViewButton button, const ViewModifiers& mods) override;
  void MouseDragged(double x, double y, ViewButton button, const ViewModifiers& mods) override;
  void MouseMoved(double x, double y, const ViewModifiers& mods) override;
  void ScrollWheel(double x, double y, const ViewModifiers& mods, double deltaY) override;
  bool KeyDown(int keyCode, const std::string& charactersIgnoringModifiers) override;
  void TextEditingEnded(const std::string& text) override;
  void TextEditingCancelled() override;

  void CreateTextEntry(IControl* control, IParam* param, IText* style, const char* text, IRECT* rect);
  IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, IRECT* rect);
  void EndUserInput();
  void KillTimer();
  // The host takes the view away: ends a text entry and closes the context's window.
  void RemoveFromSuperview();

  IGraphicsMac* mGraphics;  // not owned; null once unlinked
  bool HasTextField() const { return mTextFieldOpen; }

private:
  void mouseXY(double vx, double vy, int* x, int* y);
  int height() const;  // in editor units
  // The window system's geometry at the context's scale.
  ViewGeometry geometry() const;

  ViewWindowing* mWindowing;  // not owned
  int mTimer = 0;             // 0: no timer
  bool mTextFieldOpen = false;
  IControl* mEdControl = nullptr;
  IParam* mEdParam = nullptr;
  int mPrevX = 0, mPrevY = 0;
  // The button whose press the context is following, until its release.
  // Another button pressed meanwhile goes nowhere, nor does its release:
  // the control that took the first press keeps the mouse, and its
  // gesture stays one gesture.
  bool mButtonHeld = false;
  ViewButton mHeldButton = ViewButton::kLeft;
};

class IGraphicsMac : public IGraphics {
public:
  // Takes ownership of the window system.
  IGraphicsMac(IPlugBase* plug, int w, int h, int fps, std::unique_ptr<ViewWindowing> windowing);
  ~IGraphicsMac() override;

  void SetBundleID(const char* id) { mBundleID = id ? id : ""; }
  const char* GetBundleID() const { return mBundleID.c_str(); }
  // Where images are found for OSLoadBitmap ("<folder>/<base name>.png").
  void SetResourceFolder(const char* dir) { mResourceFolder = dir ? dir : ""; }

  bool DrawScreen(IRECT* rect) override;
  void ForceEndUserEdit() override;
  void Resize(int w, int h) override;
  bool WindowIsOpen() override { return mView != nullptr; }
  const char* GetGUIAPI() override;
  int ShowMessageBox(const char* text, const char* caption, int type) override;
  IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, IRECT* rect) override;
  void CreateTextEntry(IControl* control, IText* text, IRECT* rect, const char* str, IParam* param) override;
  void HostPath(WDL_String* path) override {}
  void PluginPath(WDL_String* path) override {}
  void DesktopPath(WDL_String* path) override;
  void PromptForFile(WDL_String* fileName, EFileAction action, WDL_String* dir, char* extensions) override;
  bool PromptForColor(IColor* color, char* prompt) override { return false; }
  bool OpenURL(const char* url, const char* windowTitle, const char* confirmMsg, const char* errMsg) override;
  void* OpenWindow(void* parent) override;
  using IGraphics::OpenWindow;
  void CloseWindow() override;
  void* GetWindow() override;
  void HideMouseCursor() override;
  void ShowMouseCursor() override;
  LICE_IBitmap* OSLoadBitmap(int id, const char* name) override;

  IGraphicsCocoa_vCorvane_au* GetView() { return mView.get(); }
  ViewWindowing* Windowing() { return mWindowing.get(); }

private:
  friend class IGraphicsCocoa_vCorvane_au;
  std::unique_ptr<ViewWindowing> mWindowing;
  std::unique_ptr<IGraphicsCocoa_vCorvane_au> mView;  // null while no window is open
  std::string mBundleID;
  std::string mResourceFolder;
};

// Whether a click count makes a double click (2 or more).
inline bool IsDoubleClick(int clickCount) { return clickCount >= 2; }
