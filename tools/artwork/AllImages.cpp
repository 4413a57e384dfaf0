#include "tools/artwork/Artwork.h"

namespace artwork {

std::string ScaledFileName(const std::string& fileName, int scale) {
  if (scale == 1) return fileName;
  const size_t dot = fileName.rfind('.');
  const std::string suffix = "@" + std::to_string(scale) + "x";
  if (dot == std::string::npos) return fileName + suffix;
  return fileName.substr(0, dot) + suffix + fileName.substr(dot);
}

std::vector<NamedImage> MakeAllImages(int scale) {
  const Scale sc{scale};
  std::vector<NamedImage> images;
  auto add = [&images, scale](const std::string& name, int frames, std::unique_ptr<LICE_MemBitmap> bmp) {
    images.push_back({ScaledFileName(name, scale), frames, std::move(bmp)});
  };
  add("backgroundNU.png", 1, MakeBackground(sc));
  add("faderhandle.png", 1, MakeFaderHandle(sc));
  add("vu.png", 1, MakeMeter(MeterLook::kNormal, sc));
  add("clipping.png", 1, MakeClipOverlay(sc));
  add("soloon.png", 1, MakeButton(ButtonKind::kSolo, ButtonState::kOn, "SOLO", sc));
  add("solopressed.png", 1, MakeButton(ButtonKind::kSolo, ButtonState::kPressed, "SOLO", sc));
  add("real_knob.png", kKnobFrames, MakeKnobStrip(false, sc));
  add("real_knob_2b2.png", kKnobFrames, MakeKnobStrip(true, sc));
  for (int i = 0; i < 3; ++i)
    add("mode" + std::to_string(i + 1) + "Pressed.png", 1,
        MakeButton(ButtonKind::kMode, ButtonState::kPressed, kModeNames[i], sc));
  for (int i = 0; i < 3; ++i)
    add("mode" + std::to_string(i + 1) + "On.png", 1,
        MakeButton(ButtonKind::kMode, ButtonState::kOn, kModeNames[i], sc));
  add("vuSoloOff.png", 1, MakeMeter(MeterLook::kDimmed, sc));
  add("vuSoloOn.png", 1, MakeMeter(MeterLook::kHighlighted, sc));
  add("clippingSolo.png", 1, MakeSoloOverlay(sc));
  return images;
}

}  // namespace artwork
