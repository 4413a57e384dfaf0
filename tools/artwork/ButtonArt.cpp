// Solo and mode button faces. Off is a dark raised key (drawn on the
// background), on is lit in the button's colour, pressed is the lit colour
// sunk and darker with the caption one unit lower.
#include "tools/artwork/Artwork.h"
#include "tools/artwork/Paint.h"

namespace artwork {

void DrawButtonFace(LICE_IBitmap* bmp, int x, int y, ButtonKind kind, ButtonState state,
                    const char* text, Scale sc) {
  const int w = sc.px(kind == ButtonKind::kSolo ? kSoloWidth : kModeWidth);
  const int h = sc.px(kind == ButtonKind::kSolo ? kSoloHeight : kModeHeight);
  const LICE_pixel lit = kind == ButtonKind::kSolo ? kSolo : kAccent;
  const LICE_pixel deep = kind == ButtonKind::kSolo ? kSoloDeep : kAccentDeep;
  const LICE_pixel white = LICE_RGBA(0xff, 0xff, 0xff, 0xff);

  LICE_pixel top = kButtonOffTop, bottom = kButtonOffBottom, caption = kLabel;
  int captionShift = 0;
  if (state == ButtonState::kOn) {
    top = Mix(lit, white, 0.3f);
    bottom = lit;
    caption = LICE_RGBA(0x10, 0x12, 0x14, 0xff);
  } else if (state == ButtonState::kPressed) {
    top = Mix(deep, LICE_RGBA(0, 0, 0, 0xff), 0.25f);
    bottom = deep;
    caption = LICE_RGBA(0xf0, 0xf2, 0xf4, 0xff);
    captionShift = 1;
  }
  const int radius = sc.px(4);
  FillRoundRect(bmp, x, y, w, h, radius, kButtonEdge);
  FillRoundRectGradient(bmp, x + kHairline, y + kHairline, w - 2 * kHairline, h - 2 * kHairline,
                        radius - kHairline, top, bottom);
  if (state != ButtonState::kPressed)
    LICE_FillRect(bmp, x + sc.px(3), y + kHairline, w - sc.px(6), kHairline, white, 0.18f);

  Font font("DejaVu Sans", sc.px(9), 700);
  font.DrawInBox(bmp, text, x, y + sc.px(captionShift), w, h, caption);
}

std::unique_ptr<LICE_MemBitmap> MakeButton(ButtonKind kind, ButtonState state, const char* text,
                                           Scale sc) {
  const int w = sc.px(kind == ButtonKind::kSolo ? kSoloWidth : kModeWidth);
  const int h = sc.px(kind == ButtonKind::kSolo ? kSoloHeight : kModeHeight);
  auto bmp = std::make_unique<LICE_MemBitmap>(w, h);
  LICE_Clear(bmp.get(), kButtonEdge & 0x00ffffff);
  DrawButtonFace(bmp.get(), 0, 0, kind, state, text, sc);
  return bmp;
}

}  // namespace artwork
