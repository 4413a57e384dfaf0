#pragma once
// The editor's graphics context on X11: the view host (IGraphicsMac) on an
// Xlib window system. This is the API a host program uses to show an editor.
//
// A context needs no X server until a window is opened: plug-ins create it
// at construction and tests run it headless. The window is a child of a
// given X window (how plug-in hosts on Linux embed editors) or a top-level
// window; $DISPLAY names the server.
//
// Threads: every call runs on one user-interface thread, the same one for
// the whole life of an opened window.
//
// Usage, a host with its own loop (an LV2 UI's idle callback):
//
//   IGraphicsX11* editor = X11EditorOfPlug(plug);
//   if (editor && editor->OpenEditor(parentWindowId)) {
//     ...                              // every idle callback:
//     if (!editor->Idle()) { /* the window went away */ }
//     ...
//     editor->CloseWindow();           // when the host hides the UI
//   }
//
// A standalone program:
//
//   editor->SetScale(IGraphicsX11::PreferredScale());  // 2 on a high-density screen
//   if (editor->OpenEditor(0, "Corvane")) editor->RunEventLoop();  // until the user closes it
#include <atomic>
#include <memory>
#include <string>

#include "gui/viewhost/IGraphicsMac.h"

class X11Windowing;

class IGraphicsX11 : public IGraphicsMac {
public:
  IGraphicsX11(IPlugBase* plug, int w, int h, int fps = 0);

  // The scale that suits the X server $DISPLAY names (see X11Scale.h): 2 on
  // a high-density screen, else 1; 1 when no server can be reached.
  static int PreferredScale();

  // Opens the editor into the X window `parent`, or as a top-level window
  // with this title when parent is 0. Closes an open window first. False
  // when no X server can be reached or the window cannot be made.
  bool OpenEditor(unsigned long parent = 0, const char* title = "Corvane");
  // The X window id of the open editor (0: none).
  unsigned long XWindow() const;
  // Handles what is pending, runs a due redraw tick and puts the redrawn
  // region on screen; never blocks. Closes the window when the user or the
  // parent window asked for that. Returns whether the window is still open.
  bool Idle();
  // Blocks, handling events and redraw ticks, until the window is closed
  // (by the user, by its parent going away, or by CloseWindow from a
  // control or a message box), or until *stop becomes true (it is checked
  // at every redraw tick; a signal handler may set it).
  void RunEventLoop(const std::atomic<bool>* stop = nullptr);

  // OpenWindow (parent) takes a Window id cast to a pointer (null: top level).
  void HostPath(WDL_String* path) override;    // the running program
  void PluginPath(WDL_String* path) override;  // the folder of the binary holding this code, with "/"

  // For tests and benchmarks: the window system underneath.
  X11Windowing* X11() const { return mX11; }

private:
  X11Windowing* mX11;  // owned by IGraphicsMac
};

// The X11 editor of a plug-in (its graphics context), or null.
IGraphicsX11* X11EditorOfPlug(IPlugBase* plug);
