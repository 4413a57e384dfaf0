#pragma once
// The editor's seventeen images, drawn in memory at 1 or 2 image pixels per
// editor unit. The 2x set is drawn, not enlarged: twice the detail, text at
// twice the size and hairlines that stay one pixel wide.
#include <memory>
#include <string>
#include <vector>

#include "editor/look/EditorLook.h"
#include "lice/lice.h"
#include "tools/artwork/Paint.h"

namespace artwork {

// The images are drawn where the editor's layout puts them, in its palette.
using namespace editor_look;

constexpr const char* kModeNames[3] = {"HAAR", "DB4", "BIOR 6.8"};

struct NamedImage {
  std::string fileName;  // e.g. "backgroundNU.png" or "backgroundNU@2x.png", relative to resources/img/
  int frames;            // vertically stacked frames (128 for the knob strips)
  std::unique_ptr<LICE_MemBitmap> bitmap;
};

std::unique_ptr<LICE_MemBitmap> MakeBackground(Scale sc);
std::unique_ptr<LICE_MemBitmap> MakeKnobStrip(bool bipolar, Scale sc);
std::unique_ptr<LICE_MemBitmap> MakeFaderHandle(Scale sc);
enum class MeterLook { kNormal, kHighlighted, kDimmed };
std::unique_ptr<LICE_MemBitmap> MakeMeter(MeterLook look, Scale sc);
std::unique_ptr<LICE_MemBitmap> MakeClipOverlay(Scale sc);
std::unique_ptr<LICE_MemBitmap> MakeSoloOverlay(Scale sc);
enum class ButtonState { kOff, kOn, kPressed };
enum class ButtonKind { kSolo, kMode };
// Draws a button face with its top-left at image pixel (x, y); the off face
// is drawn onto the background.
void DrawButtonFace(LICE_IBitmap* bmp, int x, int y, ButtonKind kind, ButtonState state,
                    const char* text, Scale sc);
std::unique_ptr<LICE_MemBitmap> MakeButton(ButtonKind kind, ButtonState state, const char* text,
                                           Scale sc);

// The file name of an image at a scale: "knob.png" at 2 is "knob@2x.png",
// the name the editor looks for next to the 1x file.
std::string ScaledFileName(const std::string& fileName, int scale);

// All seventeen at the scale, in resource-id order of the editor's image table.
std::vector<NamedImage> MakeAllImages(int scale = 1);

// The application icon at size x size pixels (drawn at each size, so small
// icons stay sharp).
std::unique_ptr<LICE_MemBitmap> MakeAppIcon(int size);
constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

}  // namespace artwork
