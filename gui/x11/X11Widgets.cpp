#include "gui/x11/X11Widgets.h"

#include <algorithm>

#include "lice/LiceRaster.h"

namespace {

LICE_pixel Pixel(const IColor& c) { return LICE_RGBA(c.R, c.G, c.B, c.A); }

const LICE_pixel kPanel = LICE_RGBA(240, 240, 240, 255);
const LICE_pixel kFrame = LICE_RGBA(120, 120, 120, 255);
const LICE_pixel kText = LICE_RGBA(20, 20, 20, 255);
const LICE_pixel kGrayText = LICE_RGBA(150, 150, 150, 255);
const LICE_pixel kHighlight = LICE_RGBA(50, 100, 200, 255);
const LICE_pixel kHighlightText = LICE_RGBA(255, 255, 255, 255);

int TextWidth(LICE_CachedFont* font, const std::string& s) {
  if (!font || s.empty()) return 0;
  LICE_RECT r = {0, 0, 0, 0};
  font->DrawText(nullptr, s.c_str(), -1, &r, LICE_DT_CALCRECT | LICE_DT_SINGLELINE);
  return r.right - r.left;
}

void DrawLabel(LICE_IBitmap* bmp, LICE_CachedFont* font, const std::string& s, LICE_RECT r,
               LICE_pixel color, unsigned align) {
  if (!font || s.empty()) return;
  font->SetTextColor(color);
  font->DrawText(bmp, s.c_str(), -1, &r, align | LICE_DT_VCENTER | LICE_DT_SINGLELINE);
}

void Frame(LICE_IBitmap* bmp, int w, int h, LICE_pixel color) {
  LICE_Line(bmp, 0, 0, w - 1, 0, color);
  LICE_Line(bmp, 0, h - 1, w - 1, h - 1, color);
  LICE_Line(bmp, 0, 0, 0, h - 1, color);
  LICE_Line(bmp, w - 1, 0, w - 1, h - 1, color);
}

}  // namespace

// ---- text field ---------------------------------------------------------------

X11TextField::X11TextField(const ViewTextField& spec)
    : mText(spec.initialText), mInitial(spec.initialText), mAlign(spec.align), mFg(spec.foreground),
      mBg(spec.background) {
  // The field covers the view rectangle (top-left view coordinates are window pixels).
  mRect = IRECT(static_cast<int>(spec.rect.x), static_cast<int>(spec.rect.y),
                static_cast<int>(spec.rect.x + spec.rect.w), static_cast<int>(spec.rect.y + spec.rect.h));
  if (spec.formatter) mFormatter = std::make_unique<CocoaFormatter_vCorvane_au>(*spec.formatter);
  const int size = std::max(2, static_cast<int>(spec.fontSize));
  mFontOk = mFont.Create(spec.font.empty() ? kX11WidgetFace : spec.font.c_str(), size);
  mBitmap.resize(std::max(1, mRect.W()), std::max(1, mRect.H()));
}

bool X11TextField::Type(const std::string& chars) {
  const std::string candidate = mText + chars;
  if (mFormatter && !mFormatter->IsPartialStringValid(candidate)) return false;
  mText = candidate;
  return true;
}

void X11TextField::Backspace() {
  if (mText.empty()) return;
  // Remove one UTF-8 character: continuation bytes first, then the lead byte.
  size_t n = mText.size();
  while (n > 0 && (static_cast<unsigned char>(mText[n - 1]) & 0xC0) == 0x80) --n;
  mText.erase(n > 0 ? n - 1 : 0);
}

LICE_IBitmap* X11TextField::Render() {
  const int w = mBitmap.getWidth(), h = mBitmap.getHeight();
  LICE_Clear(&mBitmap, Pixel(mBg) | 0xff000000u);
  const unsigned align = mAlign == IText::kAlignNear ? LICE_DT_LEFT
                         : mAlign == IText::kAlignFar ? LICE_DT_RIGHT : LICE_DT_CENTER;
  LICE_RECT r = {2, 0, w - 2, h};
  if (mFontOk) DrawLabel(&mBitmap, &mFont, mText, r, Pixel(mFg), align);
  // Caret after the text.
  const int tw = mFontOk ? TextWidth(&mFont, mText) : 0;
  int cx = align == LICE_DT_LEFT ? 2 + tw : align == LICE_DT_RIGHT ? w - 3 : (w + tw) / 2;
  cx = std::min(std::max(cx, 1), w - 2);
  LICE_Line(&mBitmap, cx, 2, cx, h - 3, Pixel(mFg) | 0xff000000u);
  return &mBitmap;
}

// ---- popup menu pane ------------------------------------------------------------

X11MenuPane::X11MenuPane(const ViewMenu* menu, LICE_CachedFont* font, int scale)
    : mMenu(menu), mFont(font), mScale(scale > 1 ? scale : 1) {
  mWidth = px(kMinWidth);
  int y = px(2);
  for (const ViewMenuItem& item : menu->items) {
    mTops.push_back(y);
    y += px(item.separator ? kSeparatorHeight : kRowHeight);
    const int textWidth = TextWidth(font, item.title) + px(2 * kPadX + item.indentation * 12);
    mWidth = std::max(mWidth, textWidth);
  }
  mTops.push_back(y);
  mHeight = y + px(2);
  mBitmap.resize(mWidth, mHeight);
}

int X11MenuPane::ItemAt(int y) const {
  for (size_t i = 0; i + 1 < mTops.size(); ++i)
    if (y >= mTops[i] && y < mTops[i + 1]) return static_cast<int>(i);
  return -1;
}

int X11MenuPane::ItemTop(int index) const {
  return index >= 0 && index + 1 < static_cast<int>(mTops.size()) ? mTops[index] : 0;
}

bool X11MenuPane::Selectable(int index) const {
  if (index < 0 || index >= static_cast<int>(mMenu->items.size())) return false;
  const ViewMenuItem& item = mMenu->items[index];
  return !item.separator && item.enabled;
}

LICE_IBitmap* X11MenuPane::Render(int highlight) {
  LICE_Clear(&mBitmap, kPanel);
  for (size_t i = 0; i < mMenu->items.size(); ++i) {
    const ViewMenuItem& item = mMenu->items[i];
    const int top = mTops[i], bottom = mTops[i + 1];
    if (item.separator) {
      const int mid = (top + bottom) / 2;
      LICE_Line(&mBitmap, px(4), mid, mWidth - px(4) - 1, mid, kFrame);
      continue;
    }
    const bool lit = static_cast<int>(i) == highlight && Selectable(static_cast<int>(i));
    if (lit) LICE_FillRect(&mBitmap, px(2), top, mWidth - px(4), bottom - top, kHighlight);
    const LICE_pixel color = !item.enabled ? kGrayText : lit ? kHighlightText : kText;
    const int indent = px(item.indentation * 12);
    LICE_RECT r = {px(kPadX) + indent, top, mWidth - px(kPadX), bottom};
    DrawLabel(&mBitmap, mFont, item.title, r, color, LICE_DT_LEFT);
    if (item.checked) {  // a tick left of the text
      const int my = (top + bottom) / 2;
      for (int w = 0; w < mScale; ++w) {
        LICE_Line(&mBitmap, px(7), my + w, px(10), my + px(3) + w, color, 1.0f, LICE_BLIT_MODE_COPY, true);
        LICE_Line(&mBitmap, px(10), my + px(3) + w, px(16), my - px(4) + w, color, 1.0f, LICE_BLIT_MODE_COPY,
                  true);
      }
    }
    if (item.submenu) {  // an arrow at the right edge
      const int my = (top + bottom) / 2, x = mWidth - px(14);
      LICE_FillTriangle(&mBitmap, x, my - px(4), x, my + px(4), x + px(5), my, color);
    }
  }
  Frame(&mBitmap, mWidth, mHeight, kFrame);
  return &mBitmap;
}

// ---- message box -----------------------------------------------------------------

X11AlertPane::X11AlertPane(const ViewAlert& alert, LICE_CachedFont* font, LICE_CachedFont* bold, int scale)
    : mAlert(alert), mFont(font), mBold(bold), mScale(scale > 1 ? scale : 1) {
  const int buttonW = px(80), buttonH = px(26), gap = px(10), margin = px(16);
  // A message may hold several lines; the pane is as wide as the longest.
  for (size_t from = 0;;) {
    const size_t end = alert.message.find('\n', from);
    mLines.push_back(alert.message.substr(from, end == std::string::npos ? std::string::npos : end - from));
    if (end == std::string::npos) break;
    from = end + 1;
  }
  int textW = TextWidth(bold, alert.header);
  for (const std::string& line : mLines) textW = std::max(textW, TextWidth(font, line));
  int shown = 0;
  for (const std::string& b : alert.buttons) shown += b.empty() ? 0 : 1;
  const int buttonsW = shown * (buttonW + gap) - gap;
  mWidth = std::min(px(900), std::max({px(260), textW + 2 * margin, buttonsW + 2 * margin}));
  mHeight = margin + px(22) + px(22) * static_cast<int>(mLines.size()) + margin + buttonH + margin;
  // Buttons from the right: default rightmost, then alternate, then other.
  int x = mWidth - margin - buttonW;
  const int y = mHeight - margin - buttonH;
  for (size_t i = 0; i < alert.buttons.size(); ++i) {
    if (alert.buttons[i].empty()) {
      mButtons.push_back(IRECT());  // never hit: empty rectangles contain nothing
      continue;
    }
    mButtons.push_back(IRECT(x, y, x + buttonW, y + buttonH));
    x -= buttonW + gap;
  }
  mBitmap.resize(mWidth, mHeight);
}

int X11AlertPane::ButtonAt(int x, int y) const {
  for (size_t i = 0; i < mButtons.size(); ++i)
    if (mButtons[i].Contains(x, y)) return static_cast<int>(i);
  return kAlertNone;
}

LICE_IBitmap* X11AlertPane::Render(int pressed) {
  LICE_Clear(&mBitmap, kPanel);
  LICE_RECT header = {px(16), px(16), mWidth - px(16), px(38)};
  DrawLabel(&mBitmap, mBold, mAlert.header, header, kText, LICE_DT_LEFT);
  for (size_t k = 0; k < mLines.size(); ++k) {
    const int top = px(38 + 22 * static_cast<int>(k));
    LICE_RECT line = {px(16), top, mWidth - px(16), top + px(22)};
    DrawLabel(&mBitmap, mFont, mLines[k], line, kText, LICE_DT_LEFT);
  }
  for (size_t i = 0; i < mButtons.size(); ++i) {
    const IRECT& b = mButtons[i];
    if (b.Empty()) continue;
    const bool lit = static_cast<int>(i) == pressed;
    LICE_FillRect(&mBitmap, b.L, b.T, b.W(), b.H(), lit ? kHighlight : LICE_RGBA(225, 225, 225, 255));
    LICE_Line(&mBitmap, b.L, b.T, b.R - 1, b.T, kFrame);
    LICE_Line(&mBitmap, b.L, b.B - 1, b.R - 1, b.B - 1, kFrame);
    LICE_Line(&mBitmap, b.L, b.T, b.L, b.B - 1, kFrame);
    LICE_Line(&mBitmap, b.R - 1, b.T, b.R - 1, b.B - 1, i == 0 ? kHighlight : kFrame);
    LICE_RECT r = {b.L, b.T, b.R, b.B};
    DrawLabel(&mBitmap, i == 0 ? mBold : mFont, mAlert.buttons[i], r, lit ? kHighlightText : kText,
              LICE_DT_CENTER);
  }
  Frame(&mBitmap, mWidth, mHeight, kFrame);
  return &mBitmap;
}
