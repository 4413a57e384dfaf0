#include "tools/corvane/StoredSettings.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/auhost/AUPresetFile.h"
#include "tools/corvane/Settings.h"

namespace {

const char kFileName[] = "settings.aupreset";

// mkdir -p for the folders above path's last component.
bool MakeParentFolders(const std::string& path, std::string* error) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    const std::string folder = path.substr(0, slash);
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
      *error = "cannot create the folder " + folder + ": " + std::strerror(errno);
      return false;
    }
  }
  return true;
}

}  // namespace

std::string StoredSettingsPath() {
  // An XDG base directory must be absolute; a relative one is ignored.
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return std::string(xdg) + "/corvane/" + kFileName;
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.config/corvane/" + kFileName;
  return "";
}

RestoreResult RestoreStoredSettings(AUHost& unit, const std::string& path, std::string* message) {
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0) return RestoreResult::kNone;
  std::string error;
  if (LoadAUPreset(unit, path, &error)) return RestoreResult::kRestored;
  const std::string aside = path + ".bad";
  if (std::rename(path.c_str(), aside.c_str()) == 0)
    *message = "the saved settings could not be used (" + error + "); starting from the defaults, the file is kept as " + aside;
  else
    *message = "the saved settings could not be used (" + error + "); starting from the defaults";
  return RestoreResult::kDamaged;
}

bool SaveStoredSettings(const AUHost& unit, const std::string& path, std::string* error) {
  if (path.empty()) {
    *error = "no configuration folder (set HOME or XDG_CONFIG_HOME) to save the settings in";
    return false;
  }
  return MakeParentFolders(path, error) && SaveAUPreset(unit, path, error);
}
