#include "lice/LiceFontLocator.h"

#include <fontconfig/fontconfig.h>
#include <strings.h>

#include <mutex>

#include "lice/LiceError.h"

namespace lice_detail {

namespace {

bool NameIn(const char* name, const char* const* list) {
  for (; *list; ++list)
    if (strcasecmp(name, *list) == 0) return true;
  return false;
}

// Our own fontconfig configuration, loaded on first use and released when
// the process (or the plug-in's shared object) unloads, so the library
// leaves nothing behind and never disturbs other users of fontconfig's
// default configuration. The mutex serialises loading and matching; font
// creation is rare, so one process-wide lock costs nothing.
class FontconfigSession {
public:
  ~FontconfigSession() {
    if (mConfig) FcConfigDestroy(mConfig);
  }
  std::mutex& Mutex() { return mMutex; }
  // Call with the mutex held. Null if fontconfig cannot load at all.
  FcConfig* Config() {
    if (!mConfig) mConfig = FcInitLoadConfigAndFonts();
    return mConfig;
  }

private:
  std::mutex mMutex;
  FcConfig* mConfig = nullptr;
};

FontconfigSession& Session() {
  static FontconfigSession session;
  return session;
}

}  // namespace

const char* GenericFamilyFor(const char* faceName) {
  static const char* const kMonospace[] = {
      "Monaco", "Menlo", "Courier", "Courier New", "Consolas", "Lucida Console", "Andale Mono",
      "Lucida Sans Typewriter", "SF Mono", "Fixedsys", "Terminal", "monospace", "mono", nullptr};
  static const char* const kSerif[] = {"Times", "Times New Roman", "Georgia", "Palatino",
                                       "Book Antiqua", "Garamond", "serif", nullptr};
  if (!faceName) return "sans-serif";
  if (NameIn(faceName, kMonospace)) return "monospace";
  if (NameIn(faceName, kSerif)) return "serif";
  return "sans-serif";
}

bool LocateFont(const char* faceName, int weight, bool italic, LocatedFont& out) {
  std::lock_guard<std::mutex> lock(Session().Mutex());
  FcConfig* config = Session().Config();
  FcPattern* pattern = config ? FcPatternCreate() : nullptr;
  if (!pattern) {
    SetLastError(config ? "out of memory" : "fontconfig is not available");
    return false;
  }
  if (faceName && *faceName) FcPatternAddString(pattern, FC_FAMILY, (const FcChar8*)faceName);
  FcPatternAddString(pattern, FC_FAMILY, (const FcChar8*)GenericFamilyFor(faceName));
  FcPatternAddInteger(pattern, FC_WEIGHT, weight >= 600 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);

  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  FcPatternDestroy(pattern);
  FcChar8* file = nullptr;
  if (!match || FcPatternGetString(match, FC_FILE, 0, &file) != FcResultMatch || !file) {
    if (match) FcPatternDestroy(match);
    SetLastError("no installed font matches \"%s\"", faceName ? faceName : "");
    return false;
  }
  out.path = (const char*)file;
  int index = 0, matchedWeight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
  FcPatternGetInteger(match, FC_INDEX, 0, &index);
  FcPatternGetInteger(match, FC_WEIGHT, 0, &matchedWeight);
  FcPatternGetInteger(match, FC_SLANT, 0, &slant);
  FcChar8* family = nullptr;
  out.family = FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch && family
                   ? (const char*)family
                   : "";
  out.index = index;
  out.bold = matchedWeight >= FC_WEIGHT_DEMIBOLD;
  out.italic = slant != FC_SLANT_ROMAN;
  FcPatternDestroy(match);
  return true;
}

}  // namespace lice_detail
