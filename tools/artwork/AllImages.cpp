#include "tools/artwork/Artwork.h"
#include "tools/artwork/Layout.h"

namespace artwork {

std::vector<NamedImage> MakeAllImages() {
  std::vector<NamedImage> images;
  auto add = [&images](const char* name, int frames, std::unique_ptr<LICE_MemBitmap> bmp) {
    images.push_back({name, frames, std::move(bmp)});
  };
  add("backgroundNU.png", 1, MakeBackground());
  add("faderhandle.png", 1, MakeFaderHandle());
  add("vu.png", 1, MakeMeter(MeterLook::kNormal));
  add("clipping.png", 1, MakeClipOverlay());
  add("soloon.png", 1, MakeButton(ButtonKind::kSolo, ButtonState::kOn, "SOLO"));
  add("solopressed.png", 1, MakeButton(ButtonKind::kSolo, ButtonState::kPressed, "SOLO"));
  add("real_knob.png", kKnobFrames, MakeKnobStrip(false));
  add("real_knob_2b2.png", kKnobFrames, MakeKnobStrip(true));
  for (int i = 0; i < 3; ++i)
    add(("mode" + std::to_string(i + 1) + "Pressed.png").c_str(), 1,
        MakeButton(ButtonKind::kMode, ButtonState::kPressed, kModeNames[i]));
  for (int i = 0; i < 3; ++i)
    add(("mode" + std::to_string(i + 1) + "On.png").c_str(), 1,
        MakeButton(ButtonKind::kMode, ButtonState::kOn, kModeNames[i]));
  add("vuSoloOff.png", 1, MakeMeter(MeterLook::kDimmed));
  add("vuSoloOn.png", 1, MakeMeter(MeterLook::kHighlighted));
  add("clippingSolo.png", 1, MakeSoloOverlay());
  return images;
}

}  // namespace artwork
