// corvane_gen_artwork <output directory>
// Draws the editor's seventeen images at 1x and at 2x and writes them as
// PNG files ("knob.png" and "knob@2x.png").
// corvane_gen_artwork --icons <output directory>
// Draws the application icon at the sizes desktops use, as
// <dir>/<size>x<size>/apps/corvane.png (the icon theme's layout).
#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/artwork/Artwork.h"

namespace {

bool Write(const std::string& path, LICE_IBitmap* bitmap) {
  if (LICE_WritePNG(path.c_str(), bitmap, true)) return true;
  std::fprintf(stderr, "corvane_gen_artwork: %s: %s\n", path.c_str(), LICE_GetLastError());
  return false;
}

int WriteIcons(const std::string& dir) {
  int failures = 0;
  for (int size : artwork::kIconSizes) {
    const std::string folder = dir + "/" + std::to_string(size) + "x" + std::to_string(size) + "/apps";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    failures += !Write(folder + "/corvane.png", artwork::MakeAppIcon(size).get());
  }
  return failures ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--icons") return WriteIcons(argv[2]);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output directory, e.g. resources/img> | --icons <directory>\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  int failures = 0;
  for (int scale : {1, 2}) {
    for (artwork::NamedImage& image : artwork::MakeAllImages(scale)) {
      const std::string path = dir + "/" + image.fileName;
      if (!Write(path, image.bitmap.get())) {
        ++failures;
        continue;
      }
      std::printf("%s %d x %d\n", path.c_str(), image.bitmap->getWidth(), image.bitmap->getHeight());
    }
  }
  return failures ? 1 : 0;
}
