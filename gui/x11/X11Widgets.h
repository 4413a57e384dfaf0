#pragma once
// The widgets the X11 view host draws itself with the raster layer: the
// value text field, popup menus and message boxes. This file holds their
// models and drawing; X11Windowing puts them on screen and feeds them input.
#include <memory>
#include <string>
#include <vector>

#include "gui/viewhost/ViewHostRules.h"
#include "lice/LiceBitmap.h"
#include "lice/LiceFont.h"

// A one-line text field: typing appends, Backspace removes the last
// character; every edit is checked against the field's formatter first.
class X11TextField {
public:
  explicit X11TextField(const ViewTextField& spec);

  // Appends typed characters; false (and no change) when the formatter refuses the result.
  bool Type(const std::string& chars);
  void Backspace();
  const std::string& Text() const { return mText; }
  const std::string& InitialText() const { return mInitial; }
  // Window pixels the field covers.
  IRECT Rect() const { return mRect; }
  // Draws the field (background, text, caret) into its own bitmap.
  LICE_IBitmap* Render();

private:
  std::string mText, mInitial;
  IRECT mRect;
  IText::EAlign mAlign;
  IColor mFg, mBg;
  std::unique_ptr<CocoaFormatter_vCorvane_au> mFormatter;
  LICE_CachedFont mFont;
  bool mFontOk = false;
  LICE_MemBitmap mBitmap;
};

// The rows of one level of a popup menu and their drawing; sizes in pixels
// at scale 1, times the scale (the font comes sized for it).
class X11MenuPane {
public:
  static constexpr int kRowHeight = 20, kSeparatorHeight = 9, kPadX = 22, kMinWidth = 80;

  X11MenuPane(const ViewMenu* menu, LICE_CachedFont* font, int scale = 1);
  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  // The item row at a pane-local y, -1 outside any row.
  int ItemAt(int y) const;
  int ItemTop(int index) const;
  // Whether the item can be highlighted (not a separator, enabled).
  bool Selectable(int index) const;
  // Draws the pane with `highlight` (-1: none) into its bitmap.
  LICE_IBitmap* Render(int highlight);
  const ViewMenu* Menu() const { return mMenu; }

private:
  int px(int size) const { return size * mScale; }

  const ViewMenu* mMenu;
  LICE_CachedFont* mFont;
  int mScale;
  std::vector<int> mTops;  // top of each row, then the total height
  int mWidth = kMinWidth, mHeight = 0;
  LICE_MemBitmap mBitmap;
};

// A message box: header, message and up to three buttons; sizes times the
// scale as for menus.
class X11AlertPane {
public:
  X11AlertPane(const ViewAlert& alert, LICE_CachedFont* font, LICE_CachedFont* bold, int scale = 1);
  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  // The EAlertButton at a pane-local point, kAlertNone elsewhere.
  int ButtonAt(int x, int y) const;
  LICE_IBitmap* Render(int pressed);

private:
  int px(int size) const { return size * mScale; }

  ViewAlert mAlert;
  std::vector<std::string> mLines;  // the message, one entry per line
  LICE_CachedFont* mFont;
  LICE_CachedFont* mBold;
  int mScale;
  std::vector<IRECT> mButtons;
  int mWidth = 0, mHeight = 0;
  LICE_MemBitmap mBitmap;
};

// The face the host-drawn widgets use.
constexpr const char* kX11WidgetFace = "DejaVu Sans";
constexpr int kX11WidgetFontSize = 12;
