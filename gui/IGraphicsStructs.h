#pragma once
// The small value records shared by all GUI code: rectangles, colours, text
// styles, bitmap handles, mouse modifiers and channel blends.
#include <algorithm>
#include <cstring>

class LICE_IBitmap;
class LICE_CachedFont;

// Editor pixels, origin top-left, y downwards. R and B are exclusive for hit
// tests. Only (0, 0, 0, 0) is empty; an inverted rectangle is not.
struct IRECT {
  int L = 0, T = 0, R = 0, B = 0;

  IRECT() = default;
  IRECT(int l, int t, int r, int b) : L(l), T(t), R(r), B(b) {}

  bool Empty() const { return L == 0 && T == 0 && R == 0 && B == 0; }
  void Clear() { L = T = R = B = 0; }
  int W() const { return R - L; }
  int H() const { return B - T; }
  int MW() const { return static_cast<int>((L + R) * 0.5); }
  int MH() const { return static_cast<int>((T + B) * 0.5); }

  bool Contains(int x, int y) const { return !Empty() && x >= L && x < R && y >= T && y < B; }

  // Touching on this rectangle's right or bottom edge counts as intersecting.
  bool Intersects(const IRECT& o) const {
    return !Empty() && !o.Empty() && R >= o.L && L < o.R && B >= o.T && T < o.B;
  }
  IRECT Intersect(const IRECT& o) const {
    if (!Intersects(o)) return IRECT();
    return IRECT(std::max(L, o.L), std::max(T, o.T), std::min(R, o.R), std::min(B, o.B));
  }
  IRECT Union(const IRECT& o) const {
    if (Empty()) return o;
    if (o.Empty()) return *this;
    return IRECT(std::min(L, o.L), std::min(T, o.T), std::max(R, o.R), std::max(B, o.B));
  }
  bool operator==(const IRECT& o) const { return L == o.L && T == o.T && R == o.R && B == o.B; }
  bool operator!=(const IRECT& o) const { return !(*this == o); }
};

// Alpha, red, green, blue, each 0..255.
struct IColor {
  int A = 255, R = 0, G = 0, B = 0;
  IColor() = default;
  IColor(int a, int r, int g, int b) : A(a), R(r), G(g), B(b) {}
  bool operator==(const IColor& o) const { return A == o.A && R == o.R && G == o.G && B == o.B; }
  bool operator!=(const IColor& o) const { return !(*this == o); }
};

const IColor COLOR_TRANSPARENT(0, 0, 0, 0);
const IColor COLOR_BLACK(255, 0, 0, 0);
const IColor COLOR_GRAY(255, 127, 127, 127);
const IColor COLOR_WHITE(255, 255, 255, 255);
const IColor COLOR_RED(255, 255, 0, 0);
const IColor COLOR_GREEN(255, 0, 255, 0);
const IColor COLOR_BLUE(255, 0, 0, 255);
const IColor COLOR_YELLOW(255, 255, 255, 0);
const IColor COLOR_ORANGE(255, 255, 127, 0);
const IColor DEFAULT_TEXT_COLOR = COLOR_BLACK;
const IColor DEFAULT_TEXT_ENTRY_BGCOLOR = COLOR_WHITE;
const IColor DEFAULT_TEXT_ENTRY_FGCOLOR = COLOR_BLACK;

constexpr int kFontNameLength = 32;
// Room for any parameter value formatted for display (a "%.6f" of a large
// double runs past 300 characters).
constexpr int kDisplayTextCapacity = 512;

struct IText {
  enum EStyle { kStyleNormal, kStyleBold, kStyleItalic };
  enum EAlign { kAlignNear, kAlignCenter, kAlignFar };
  enum EQuality { kQualityDefault, kQualityNonAntiAliased, kQualityAntiAliased, kQualityClearType };

  char mFont[kFontNameLength] = "Monaco";
  int mSize = 10;
  IColor mColor = DEFAULT_TEXT_COLOR;
  IColor mTextEntryBGColor = DEFAULT_TEXT_ENTRY_BGCOLOR;
  IColor mTextEntryFGColor = DEFAULT_TEXT_ENTRY_FGCOLOR;
  EStyle mStyle = kStyleNormal;
  EAlign mAlign = kAlignCenter;
  int mOrientation = 0;
  EQuality mQuality = kQualityDefault;
  LICE_CachedFont* mCached = nullptr;  // owned by the font cache

  IText() = default;
  IText(int size, const IColor* color = nullptr, const char* font = nullptr,
        EStyle style = kStyleNormal, EAlign align = kAlignCenter, int orientation = 0,
        EQuality quality = kQualityDefault)
      : mSize(size), mColor(color ? *color : DEFAULT_TEXT_COLOR), mStyle(style), mAlign(align),
        mOrientation(orientation), mQuality(quality) {
    SetFont(font ? font : "Monaco");
  }
  explicit IText(const IColor* color) : mColor(color ? *color : DEFAULT_TEXT_COLOR) {}

  // Cut to the field, always terminated.
  void SetFont(const char* face) {
    std::strncpy(mFont, face ? face : "", kFontNameLength - 1);
    mFont[kFontNameLength - 1] = '\0';
    mCached = nullptr;
  }
};

// A decoded image (owned by the bitmap cache, not by this handle) and how
// its frames are laid out: stacked top to bottom, or side by side.
struct IBitmap {
  LICE_IBitmap* mData = nullptr;
  int W = 0, H = 0, N = 1;
  bool mFramesAreHorizontal = false;

  IBitmap() = default;
  IBitmap(LICE_IBitmap* data, int w, int h, int n = 1, bool framesAreHorizontal = false)
      : mData(data), W(w), H(h), N(n < 1 ? 1 : n), mFramesAreHorizontal(framesAreHorizontal) {}
  // Size of one frame.
  int frameWidth() const { return mFramesAreHorizontal ? W / N : W; }
  int frameHeight() const { return mFramesAreHorizontal ? H : H / N; }
};

// Left button, right button (also set for a command-click), shift, control, alt.
struct IMouseMod {
  bool L = false, R = false, S = false, C = false, A = false;
  IMouseMod() = default;
  IMouseMod(bool l, bool r = false, bool s = false, bool c = false, bool a = false)
      : L(l), R(r), S(s), C(c), A(a) {}
};

struct IChannelBlend {
  enum EBlendMethod { kBlendNone, kBlendClobber, kBlendAdd, kBlendColorDodge };
  EBlendMethod mMethod = kBlendNone;
  float mWeight = 1.0f;
  IChannelBlend(EBlendMethod method = kBlendNone, float weight = 1.0f)
      : mMethod(method), mWeight(weight) {}
};
