// corvane_gen_artwork <output directory>
// Draws the editor's seventeen images at 1x and at 2x and writes them as
// PNG files ("knob.png" and "knob@2x.png").
#include <cstdio>
#include <string>

#include "tools/artwork/Artwork.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output directory, e.g. resources/img>\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  int failures = 0;
  for (int scale : {1, 2}) {
    for (artwork::NamedImage& image : artwork::MakeAllImages(scale)) {
      const std::string path = dir + "/" + image.fileName;
      if (!LICE_WritePNG(path.c_str(), image.bitmap.get(), true)) {
        std::fprintf(stderr, "corvane_gen_artwork: %s: %s\n", path.c_str(), LICE_GetLastError());
        ++failures;
        continue;
      }
      std::printf("%s %d x %d\n", path.c_str(), image.bitmap->getWidth(), image.bitmap->getHeight());
    }
  }
  return failures ? 1 : 0;
}
