// Build-time tool: instantiates Corvane and writes the bundle's Turtle files
// (manifest.ttl, corvane.ttl, presets.ttl) into a folder.
//
//   corvane_lv2_ttl OUTDIR [--no-ui]
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "plugin/CorvaneLV2.h"
#include "host/lv2/LV2Ttl.h"

namespace {

bool WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) std::fprintf(stderr, "corvane_lv2_ttl: cannot write %s\n", path.c_str());
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3 || (argc == 3 && std::strcmp(argv[2], "--no-ui") != 0)) {
    std::fprintf(stderr, "usage: corvane_lv2_ttl OUTDIR [--no-ui]\n");
    return 2;
  }
  const std::string dir = argv[1];
  const bool withUI = argc == 2;
  const IPlugLV2Def& def = CorvaneLV2Def();
  std::unique_ptr<IPlugLV2> plug(def.makePlug());
  LV2TtlFiles files;
  std::string error;
  if (!plug || !MakeLV2Ttl(*plug, def, "corvane.ttl", withUI, &files, &error)) {
    std::fprintf(stderr, "corvane_lv2_ttl: %s\n", error.c_str());
    return 1;
  }
  const bool ok = WriteFile(dir + "/manifest.ttl", files.manifest) &&
                  WriteFile(dir + "/corvane.ttl", files.plugin) &&
                  WriteFile(dir + "/presets.ttl", files.presets);
  return ok ? 0 : 1;
}
