#pragma once
// The rules of the view host that do not depend on any window system:
// coordinate conversions, event mapping, the key table, text-entry
// formatting, popup-menu building, message-box buttons, file-dialog
// arguments and image names. Every windowing back end uses these, so the
// editor behaves the same whichever system shows it.
#include <memory>
#include <string>
#include <vector>

#include "gui/IGraphicsStructs.h"

class IParam;
class IPopupMenu;

// A rectangle in a window system's view coordinates (points, fractional).
struct ViewRect {
  double x = 0, y = 0, w = 0, h = 0;
  ViewRect() = default;
  ViewRect(double x_, double y_, double w_, double h_) : x(x_), y(y_), w(w_), h(h_) {}
  bool operator==(const ViewRect& o) const { return x == o.x && y == o.y && w == o.w && h == o.h; }
};

// How a window system's view coordinates relate to editor units.
//
// Cocoa's view has its origin at the bottom left, and the pointer location
// it reports sits 2 pixels right of and 3 pixels below the pixel the user
// points at (the view frame is placed that far off the window's content
// origin), so the mapping subtracts those offsets. A window system whose
// view origin is the editor's own top-left pixel uses no offsets.
//
// scale is the number of view coordinates per editor unit: a window system
// whose view coordinates are its window's pixels (X11) shows an editor drawn
// at scale 2 in a view twice the editor's size. Window systems report 1; the
// view host fills in its context's scale. The offsets are in editor units.
struct ViewGeometry {
  bool originBottomLeft = true;
  int mouseOffsetX = 2;
  int mouseOffsetY = 3;
  int scale = 1;
};
constexpr ViewGeometry kCocoaGeometry{true, 2, 3};
constexpr ViewGeometry kTopLeftGeometry{false, 0, 0};

// Editor rectangle -> view rectangle (menus, text fields, redisplay).
// Bottom-left origin: x = L, y = H - 1 - B, w = R - L + 1, h = B - T + 1;
// every value times the scale. The editor height H is in units.
ViewRect ToViewRect(const IRECT& r, int editorHeight, const ViewGeometry& g = kCocoaGeometry);
// View rectangle -> editor rectangle (the region a redisplay draws).
// Bottom-left origin: L = (int) x, T = H - ((int) h + (int) y), R = (int) w + L, B = H - (int) y.
// At a scale above 1 the result covers every unit the view rectangle touches.
IRECT FromViewRect(const ViewRect& r, int editorHeight, const ViewGeometry& g = kCocoaGeometry);

// A pointer location in view coordinates -> the editor unit under it
// (rounded down, also left of and above the view).
void MapMousePosition(double viewX, double viewY, int editorHeight, const ViewGeometry& g, int* x,
                      int* y);

// Modifier keys of an event, independent of the window system.
struct ViewModifiers {
  bool shift = false, control = false, alt = false, command = false;
};
// Cocoa's modifier flags: Shift bit 17, Control bit 18, Option bit 19, Command bit 20.
ViewModifiers ModifiersFromCocoaFlags(unsigned long flags);

enum class ViewButton { kLeft, kRight };
// Left button events set L, and R when Command is held (a command-click is
// a right click); right button events set only R.
IMouseMod MouseModFor(ViewButton button, const ViewModifiers& mods);

// Virtual key codes the key table knows (Cocoa's numbering).
enum EViewKeyCode {
  kViewKeySpace = 49,
  kViewKeyUp = 126,
  kViewKeyDown = 125,
  kViewKeyLeft = 123,
  kViewKeyRight = 124
};
// The key value for the graphics context, or -1 when the key is not one the
// editor takes. Only single-character events are looked up; a caller drops
// other events (see KeyEventIsHandled).
int KeyValueFor(int keyCode, const std::string& charactersIgnoringModifiers);
// Whether an event is looked up at all (its characters have length 1).
bool KeyEventIsHandled(const std::string& charactersIgnoringModifiers);

// Acceptance rules of a value text field.
class CocoaFormatter_vCorvane_au {
public:
  CocoaFormatter_vCorvane_au() = default;
  // hasSet false: every character is acceptable.
  CocoaFormatter_vCorvane_au(bool hasSet, std::string set, unsigned maxLength, int maxValue = 0)
      : mHasSet(hasSet), mSet(std::move(set)), mMaxLength(maxLength), mMaxValue(maxValue) {}

  // False when a character lies outside the set, the string is longer than
  // the maximum length or its integer value exceeds the maximum value.
  bool IsPartialStringValid(const std::string& partial) const;

  bool HasSet() const { return mHasSet; }
  const std::string& Set() const { return mSet; }
  unsigned MaxLength() const { return mMaxLength; }
  int MaxValue() const { return mMaxValue; }

private:
  bool mHasSet = false;
  std::string mSet;
  unsigned mMaxLength = 0;  // 0: none
  int mMaxValue = 0;        // 0: none
};

// The characters a parameter's text field accepts: digits, signs and '.'
// for floating point, digits and signs for bool/int/enum, none for a
// parameter of no type.
std::string AcceptedCharacters(const IParam* param);
// The formatter of a text field for the parameter (null: no formatter).
std::unique_ptr<CocoaFormatter_vCorvane_au> FormatterFor(const IParam* param, int textEntryLength);

// What a text field looks like and starts with.
struct ViewTextField {
  ViewRect rect;
  std::string font;
  float fontSize = 0;  // (float)(int)(style size x 0.9 x scale)
  IText::EAlign align = IText::kAlignCenter;
  IColor foreground = DEFAULT_TEXT_ENTRY_FGCOLOR;
  IColor background = DEFAULT_TEXT_ENTRY_BGCOLOR;
  std::string initialText;
  std::unique_ptr<CocoaFormatter_vCorvane_au> formatter;  // null: anything goes
};
ViewTextField MakeTextField(const IRECT& r, int editorHeight, const ViewGeometry& g, const IText& style,
                            const char* initialText, const IParam* param, int textEntryLength);

// A popup menu as a window system shows it, built from an IPopupMenu.
struct ViewMenu;
struct ViewMenuItem {
  std::string title;  // with the number prefix
  bool separator = false;
  bool enabled = true;
  bool checked = false;
  int indentation = 0;
  std::unique_ptr<ViewMenu> submenu;  // an item with a submenu has no action
  IPopupMenu* source = nullptr;       // the menu the item came from
  int sourceIndex = -1;               // its index there
};
struct ViewMenu {
  std::vector<ViewMenuItem> items;
};
// Item titles are prefixed by the menu's numbering: 1 "%1d: ", 2 "%02d: ",
// 3 "%03d: " with the one-based item number; submenus are built the same way.
std::unique_ptr<ViewMenu> BuildViewMenu(IPopupMenu* menu);
// The menu holding the chosen item with its chosen index set, or null when
// nothing was chosen (or the item is a separator, disabled or a submenu).
IPopupMenu* ResolveMenuChoice(const ViewMenuItem* chosen);

// Message box: buttons by type and the result of the pressed button.
enum EAlertButton { kAlertNone = -1, kAlertDefault = 0, kAlertAlternate = 1, kAlertOther = 2 };
struct ViewAlert {
  std::string header, message;
  // Indexed by EAlertButton: default, alternate, other; "" = no such button.
  std::vector<std::string> buttons;
};
// Type 1: OK and "Cancel"; 3: "Yes", "No", "Cancel"; 4: "Yes", "No"; other types: OK.
ViewAlert MakeAlert(const char* text, const char* caption, int type);
// The button Escape presses: "Cancel" or "No" when there is one, else the default.
int CancelButtonOf(const ViewAlert& alert);
// Default 1, alternate 7, other 2, anything else 0.
int AlertResult(int pressed);

// File dialog arguments.
struct ViewFilePanel {
  bool save = false;
  std::string directory;
  std::string defaultName;
  std::vector<std::string> types;
};
// Splits the extensions at single spaces ("wav aif" -> {"wav", "aif"}).
std::vector<std::string> SplitFileTypes(const char* extensions);
// An empty directory becomes "~/Desktop".
ViewFilePanel MakeFilePanel(int action, const char* fileName, const char* directory, const char* extensions);
// The directory of a chosen path followed by "/".
std::string DirectoryOf(const std::string& path);

// The resource an image file name is looked up as: its last path component
// without extension, of type "png". False (no image) unless the extension
// is "png" in any case.
bool ImageResourceName(const char* fileName, std::string* baseName);

// Where a popup menu for an editor rectangle opens: the rectangle's view
// origin moved 4 units down (below the rectangle's bottom edge).
void MenuAnchor(const IRECT& r, int editorHeight, const ViewGeometry& g, double* x, double* y);

// Click counting for window systems that report only single presses: a
// press of the same button within kIntervalMs of the previous one and
// within kSlop pixels of it continues the sequence.
class ClickCounter {
public:
  static constexpr long long kIntervalMs = 400;
  static constexpr int kSlop = 4;
  // Returns the click count of this press (1, 2, 3, ...).
  int Press(long long timeMs, int x, int y, ViewButton button);
  void Reset() { mCount = 0; }

private:
  int mCount = 0;
  long long mLastTime = 0;
  int mLastX = 0, mLastY = 0;
  ViewButton mLastButton = ViewButton::kLeft;
};
