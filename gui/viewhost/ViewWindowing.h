#pragma once
// The window system underneath the view host.
//
// IGraphicsMac (the editor's graphics context with a view) keeps every rule
// of the view host itself and asks a ViewWindowing only for what a window
// system does: a window, a repeating timer, redisplay requests, putting
// back-buffer pixels on screen, a text field, a popup menu, an alert, the
// cursor, a file panel and URL opening. The window system calls back into
// the view through ViewEvents, in its own view coordinates (see
// ViewGeometry), with Cocoa's key codes for the keys the key table knows.
//
// Threads: everything here runs on the one user-interface thread.
#include <string>

#include "gui/viewhost/ViewHostRules.h"

class LICE_IBitmap;

// What a window system reports to the view.
class ViewEvents {
public:
  virtual ~ViewEvents() = default;
  // A tick of the timer started with StartTimer (which returned timerId).
  virtual void OnTimer(int timerId) = 0;
  // The window system wants this part of the view drawn now.
  virtual void DrawRect(const ViewRect& rect) = 0;
  virtual void MouseDown(double x, double y, ViewButton button, const ViewModifiers& mods, int clickCount) = 0;
  virtual void MouseUp(double x, double y, ViewButton button, const ViewModifiers& mods) = 0;
  virtual void MouseDragged(double x, double y, ViewButton button, const ViewModifiers& mods) = 0;
  virtual void MouseMoved(double x, double y, const ViewModifiers& mods) = 0;
  virtual void ScrollWheel(double x, double y, const ViewModifiers& mods, double deltaY) = 0;
  // False: the view did not take the key and it goes to the next responder.
  virtual bool KeyDown(int keyCode, const std::string& charactersIgnoringModifiers) = 0;
  // The open text field finished editing with this text.
  virtual void TextEditingEnded(const std::string& text) = 0;
  // The open text field was dismissed without taking its text.
  virtual void TextEditingCancelled() = 0;
};

class ViewWindowing {
public:
  virtual ~ViewWindowing() = default;

  virtual ViewGeometry Geometry() const = 0;
  // The graphics API name the context reports.
  virtual const char* Name() const = 0;

  // Image pixels per editor unit of the widgets the window system draws
  // itself (menus, alerts): they match an editor drawn at that scale.
  virtual void SetWidgetScale(int scale) {}
  // Creates the view (w x h view coordinates: the editor's size times its
  // scale), inside parent when given, and reports its events to `events`.
  // False when no window can be made.
  virtual bool CreateView(void* parent, int w, int h, ViewEvents* events) = 0;
  // Removes the view and everything made for it. Safe without a view.
  virtual void DestroyView() = 0;
  // The view as the host sees it (null when none).
  virtual void* ViewHandle() = 0;
  virtual void SetViewSize(int w, int h) = 0;

  // A repeating timer; returns its id (> 0) or 0 on failure.
  virtual int StartTimer(double intervalSeconds) = 0;
  virtual void StopTimer(int timerId) = 0;

  // Asks for DrawRect on this part of the view soon; requests may coalesce.
  virtual void SetNeedsDisplay(const ViewRect& rect) = 0;
  // Copies the back buffer's region (back-buffer pixels, which are view
  // coordinates for a window system that counts in pixels) to the screen.
  virtual bool DrawBackBuffer(LICE_IBitmap* backBuffer, const IRECT& region) = 0;

  // A text field over the view; its end is reported by TextEditingEnded.
  virtual bool OpenTextField(const ViewTextField& field) = 0;
  virtual void CloseTextField() = 0;

  // Shows the menu with its top-left at the anchor and blocks until it
  // closes. Returns the chosen item, null when nothing was chosen.
  virtual const ViewMenuItem* PopUpMenu(const ViewMenu& menu, double anchorX, double anchorY) = 0;

  // A modal alert; returns the EAlertButton pressed.
  virtual int RunAlert(const ViewAlert& alert) = 0;

  // Cursor on the screen; positions with y measured from the top.
  virtual bool HideCursor() = 0;
  virtual bool ShowCursor() = 0;
  virtual bool CursorPosition(int* x, int* y) = 0;
  virtual void MoveCursor(int x, int y) = 0;

  // A modal file panel; true and the chosen path when the user confirms.
  virtual bool RunFilePanel(const ViewFilePanel& panel, std::string* chosenPath) = 0;
  // Opens a web URL (isWeb) or a file path with the desktop's handler.
  virtual bool OpenURL(const std::string& url, bool isWeb) = 0;
};
