#pragma once
// The small black box with a white outline and white 12 px text that knobs
// and faders show while they are held.
#include <string>

#include "gui/IGraphics.h"

inline void DrawValueBox(IGraphics* graphics, IRECT box, IRECT textRect, const std::string& text) {
  graphics->FillIRect(&COLOR_BLACK, &box);
  graphics->DrawRect(&COLOR_WHITE, &box);
  IText style(12, &COLOR_WHITE, "Monaco", IText::kStyleNormal, IText::kAlignCenter);
  graphics->DrawIText(&style, const_cast<char*>(text.c_str()), &textRect);
}
