#pragma once
// The editor's seventeen images, drawn in memory.
#include <memory>
#include <string>
#include <vector>

#include "lice/lice.h"

namespace artwork {

struct NamedImage {
  std::string fileName;  // e.g. "backgroundNU.png", relative to resources/img/
  int frames;            // vertically stacked frames (128 for the knob strips)
  std::unique_ptr<LICE_MemBitmap> bitmap;
};

std::unique_ptr<LICE_MemBitmap> MakeBackground();
std::unique_ptr<LICE_MemBitmap> MakeKnobStrip(bool bipolar);
std::unique_ptr<LICE_MemBitmap> MakeFaderHandle();
enum class MeterLook { kNormal, kHighlighted, kDimmed };
std::unique_ptr<LICE_MemBitmap> MakeMeter(MeterLook look);
std::unique_ptr<LICE_MemBitmap> MakeClipOverlay();
std::unique_ptr<LICE_MemBitmap> MakeSoloOverlay();
enum class ButtonState { kOff, kOn, kPressed };
enum class ButtonKind { kSolo, kMode };
// Draws a button face at (x, y); the off face is drawn onto the background.
void DrawButtonFace(LICE_IBitmap* bmp, int x, int y, ButtonKind kind, ButtonState state,
                    const char* text);
std::unique_ptr<LICE_MemBitmap> MakeButton(ButtonKind kind, ButtonState state, const char* text);

// All seventeen, in resource-id order of the editor's image table.
std::vector<NamedImage> MakeAllImages();

}  // namespace artwork
