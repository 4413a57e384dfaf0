#include "gui/viewhost/ViewHostRules.h"

#include <cstdio>
#include <cstdlib>
#include <strings.h>

#include "framework/IParam.h"
#include "gui/IPopupMenu.h"

namespace {

// Integer division rounding towards minus and plus infinity (d > 0).
int FloorDiv(int n, int d) { return n / d - (n % d != 0 && n < 0 ? 1 : 0); }
int CeilDiv(int n, int d) { return n / d + (n % d != 0 && n > 0 ? 1 : 0); }

}  // namespace

ViewRect ToViewRect(const IRECT& r, int editorHeight, const ViewGeometry& g) {
  const int s = g.scale;
  if (!g.originBottomLeft) return ViewRect(r.L * s, r.T * s, r.W() * s, r.H() * s);
  return ViewRect(r.L * s, (editorHeight - 1 - r.B) * s, (r.R - r.L + 1) * s, (r.B - r.T + 1) * s);
}

// The rectangle is found in view coordinates first, then widened to whole units.
IRECT FromViewRect(const ViewRect& r, int editorHeight, const ViewGeometry& g) {
  const int s = g.scale;
  const int x = static_cast<int>(r.x), y = static_cast<int>(r.y);
  const int w = static_cast<int>(r.w), h = static_cast<int>(r.h);
  IRECT v;
  if (!g.originBottomLeft)
    v = IRECT(x, y, x + w, y + h);
  else
    v = IRECT(x, editorHeight * s - (h + y), w + x, editorHeight * s - y);
  return IRECT(FloorDiv(v.L, s), FloorDiv(v.T, s), CeilDiv(v.R, s), CeilDiv(v.B, s));
}

void MapMousePosition(double viewX, double viewY, int editorHeight, const ViewGeometry& g, int* x,
                      int* y) {
  const int s = g.scale;
  const int fromLeft = static_cast<int>(viewX);
  const int fromTop = g.originBottomLeft ? editorHeight * s - static_cast<int>(viewY) : static_cast<int>(viewY);
  *x = FloorDiv(fromLeft, s) - g.mouseOffsetX;
  *y = FloorDiv(fromTop, s) - g.mouseOffsetY;
}

ViewModifiers ModifiersFromCocoaFlags(unsigned long flags) {
  ViewModifiers m;
  m.shift = (flags >> 17) & 1;
  m.control = (flags >> 18) & 1;
  m.alt = (flags >> 19) & 1;
  m.command = (flags >> 20) & 1;
  return m;
}

IMouseMod MouseModFor(ViewButton button, const ViewModifiers& mods) {
  const bool left = button == ViewButton::kLeft;
  return IMouseMod(left, left ? mods.command : true, mods.shift, mods.control, mods.alt);
}

bool KeyEventIsHandled(const std::string& chars) { return chars.size() == 1; }

int KeyValueFor(int keyCode, const std::string& chars) {
  if (!KeyEventIsHandled(chars)) return -1;
  switch (keyCode) {
    case kViewKeySpace: return 0;
    case kViewKeyUp: return 1;
    case kViewKeyDown: return 2;
    case kViewKeyLeft: return 3;
    case kViewKeyRight: return 4;
    default: break;
  }
  const char ch = chars[0];
  if (ch >= '0' && ch <= '9') return ch - 43;
  if (ch >= 'A' && ch <= 'Z') return ch - 50;
  if (ch >= 'a' && ch <= 'z') return ch - 82;
  return -1;
}

bool CocoaFormatter_vCorvane_au::IsPartialStringValid(const std::string& partial) const {
  if (mHasSet) {
    for (char c : partial)
      if (mSet.find(c) == std::string::npos) return false;
  }
  if (mMaxLength && partial.size() > mMaxLength) return false;
  if (mMaxValue && std::atoi(partial.c_str()) > mMaxValue) return false;
  return true;
}

std::string AcceptedCharacters(const IParam* param) {
  if (!param) return "";
  switch (param->Type()) {
    case IParam::kTypeDouble: return "0123456789.-+";
    case IParam::kTypeBool:
    case IParam::kTypeInt:
    case IParam::kTypeEnum: return "0123456789-+";
    default: return "";
  }
}

std::unique_ptr<CocoaFormatter_vCorvane_au> FormatterFor(const IParam* param, int textEntryLength) {
  if (!param) return nullptr;
  // A negative length from a control would wrap to a huge maximum; it means "none".
  const unsigned maxLength = textEntryLength > 0 ? static_cast<unsigned>(textEntryLength) : 0u;
  return std::make_unique<CocoaFormatter_vCorvane_au>(true, AcceptedCharacters(param), maxLength);
}

ViewTextField MakeTextField(const IRECT& r, int editorHeight, const ViewGeometry& g, const IText& style,
                            const char* initialText, const IParam* param, int textEntryLength) {
  ViewTextField f;
  f.rect = ToViewRect(r, editorHeight, g);
  f.font = style.mFont;
  f.fontSize = static_cast<float>(static_cast<int>(style.mSize * 0.9 * g.scale));
  f.align = style.mAlign;
  f.foreground = style.mTextEntryFGColor;
  f.background = style.mTextEntryBGColor;
  f.initialText = initialText ? initialText : "";
  f.formatter = FormatterFor(param, textEntryLength);
  return f;
}

namespace {

std::string NumberPrefix(int style, int number) {
  char buf[32] = "";
  switch (style) {
    case 1: std::snprintf(buf, sizeof(buf), "%1d: ", number); break;
    case 2: std::snprintf(buf, sizeof(buf), "%02d: ", number); break;
    case 3: std::snprintf(buf, sizeof(buf), "%03d: ", number); break;
    default: break;
  }
  return buf;
}

}  // namespace

std::unique_ptr<ViewMenu> BuildViewMenu(IPopupMenu* menu) {
  if (!menu) return nullptr;
  auto out = std::make_unique<ViewMenu>();
  for (int i = 0; i < menu->GetNItems(); ++i) {
    const IPopupMenuItem* item = menu->GetItem(i);
    ViewMenuItem v;
    v.title = NumberPrefix(menu->GetPrefix(), i + 1) + item->GetText();
    v.source = menu;
    v.sourceIndex = i;
    if (item->GetSubmenu()) {
      v.submenu = BuildViewMenu(item->GetSubmenu());
    } else if (item->GetIsSeparator()) {
      v.separator = true;
    } else {
      v.indentation = item->GetIsTitle() ? 1 : 0;
      v.checked = item->GetChecked();
      v.enabled = item->GetEnabled();
    }
    out->items.push_back(std::move(v));
  }
  return out;
}

IPopupMenu* ResolveMenuChoice(const ViewMenuItem* chosen) {
  if (!chosen || !chosen->source || chosen->separator || chosen->submenu || !chosen->enabled)
    return nullptr;
  chosen->source->SetChosenItemIdx(chosen->sourceIndex);
  return chosen->source;
}

ViewAlert MakeAlert(const char* text, const char* caption, int type) {
  ViewAlert a;
  a.header = caption ? caption : "";
  a.message = text ? text : "";
  switch (type) {
    // "Cancel" is the other button, so it answers 2 like every other Cancel
    // (as the alternate button it would answer 7, the code of "No").
    case 1: a.buttons = {"OK", "", "Cancel"}; break;
    case 3: a.buttons = {"Yes", "No", "Cancel"}; break;
    case 4: a.buttons = {"Yes", "No"}; break;
    default: a.buttons = {"OK"}; break;
  }
  return a;
}

int CancelButtonOf(const ViewAlert& alert) {
  for (int b = kAlertOther; b > kAlertDefault; --b)
    if (static_cast<int>(alert.buttons.size()) > b && !alert.buttons[b].empty()) return b;
  return kAlertDefault;
}

int AlertResult(int pressed) {
  switch (pressed) {
    case kAlertDefault: return 1;
    case kAlertAlternate: return 7;
    case kAlertOther: return 2;
    default: return 0;
  }
}

std::vector<std::string> SplitFileTypes(const char* extensions) {
  std::vector<std::string> types;
  if (!extensions || !*extensions) return types;
  std::string s(extensions);
  size_t start = 0;
  for (;;) {
    const size_t space = s.find(' ', start);
    types.push_back(s.substr(start, space == std::string::npos ? std::string::npos : space - start));
    if (space == std::string::npos) break;
    start = space + 1;
  }
  return types;
}

ViewFilePanel MakeFilePanel(int action, const char* fileName, const char* directory,
                            const char* extensions) {
  ViewFilePanel p;
  p.save = action == 1;
  p.directory = directory && *directory ? directory : "~/Desktop";
  p.defaultName = fileName ? fileName : "";
  p.types = SplitFileTypes(extensions);
  return p;
}

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return (slash == std::string::npos ? std::string() : path.substr(0, slash)) + "/";
}

bool ImageResourceName(const char* fileName, std::string* baseName) {
  if (!fileName) return false;
  const std::string name(fileName);
  const size_t dot = name.rfind('.');
  const std::string ext = dot == std::string::npos ? name : name.substr(dot + 1);
  if (strcasecmp(ext.c_str(), "png") != 0) return false;
  const size_t slash = name.rfind('/');
  std::string last = slash == std::string::npos ? name : name.substr(slash + 1);
  const size_t lastDot = last.rfind('.');
  if (lastDot != std::string::npos) last.erase(lastDot);
  if (baseName) *baseName = last;
  return true;
}

void MenuAnchor(const IRECT& r, int editorHeight, const ViewGeometry& g, double* x, double* y) {
  const ViewRect v = ToViewRect(r, editorHeight, g);
  *x = v.x;
  *y = g.originBottomLeft ? v.y - 4 * g.scale : v.y + v.h + 4 * g.scale;
}

int ClickCounter::Press(long long timeMs, int x, int y, ViewButton button) {
  const bool continues = mCount > 0 && button == mLastButton && timeMs >= mLastTime &&
                         timeMs - mLastTime <= kIntervalMs && std::abs(x - mLastX) <= kSlop &&
                         std::abs(y - mLastY) <= kSlop;
  mCount = continues ? mCount + 1 : 1;
  mLastTime = timeMs;
  mLastX = x;
  mLastY = y;
  mLastButton = button;
  return mCount;
}
