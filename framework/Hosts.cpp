#include "framework/Hosts.h"

#include <cctype>
#include <cstring>

namespace {
struct HostMatch {
  const char* text;
  EHost host;
};

// Search order matters: a name with both "live" and "logic" is Live.
constexpr HostMatch kHostMatches[] = {
    {"cubase", kHostCubase},         {"reaper", kHostReaper},
    {"nuendo", kHostNuendo},         {"cakewalk", kHostSonar},
    {"samplitude", kHostSamplitude}, {"fruity", kHostFL},
    {"live", kHostAbletonLive},      {"melodyne", kHostMelodyne},
    {"vstmanlib", kHostVSTScanner},  {"aulab", kHostAULab},
    {"garageband", kHostGarageBand}, {"forte", kHostForte},
    {"chainer", kHostChainer},       {"audition", kHostAudition},
    {"orion", kHostOrion},           {"sawstudio", kHostSAWStudio},
    {"logic", kHostLogic},           {"digital", kHostDigitalPerformer},
    {"audiomulch", kHostAudioMulch}, {"presonus", kHostStudioOne},
    {"vst3plugintesthost", kHostVST3TestHost},
    {"protools", kHostProTools},     {"ardour", kHostArdour},
    {"standalone", kHostStandalone},
};

const char* DisplayName(EHost host) {
  switch (host) {
    case kHostReaper: return "Reaper";
    case kHostProTools: return "ProTools";
    case kHostCubase: return "Cubase";
    case kHostNuendo: return "Nuendo";
    case kHostSonar: return "Sonar";
    case kHostVegas: return "Vegas";
    case kHostFL: return "FLStudio";
    case kHostSamplitude: return "Samplitude";
    case kHostAbletonLive: return "Live";
    case kHostVSTScanner: return "VSTScanner";
    case kHostAULab: return "AULab";
    case kHostForte: return "Forte";
    case kHostChainer: return "Chainer";
    case kHostAudition: return "Audition";
    case kHostOrion: return "Orion";
    case kHostSAWStudio: return "SAWStudio";
    case kHostLogic: return "Logic";
    case kHostGarageBand: return "GarageBand";
    case kHostDigitalPerformer: return "DigitalPerformer";
    case kHostStandalone: return "Standalone";
    case kHostAudioMulch: return "AudioMulch";
    case kHostStudioOne: return "StudioOne";
    case kHostVST3TestHost: return "VST3PluginTestHost";
    case kHostArdour: return "Ardour";
    default: return "Unknown";
  }
}
}  // namespace

void ToLower(char* dst, const char* src) {
  if (!dst) return;
  if (!src) src = "";
  while (*src) *dst++ = static_cast<char>(std::tolower(static_cast<unsigned char>(*src++)));
  *dst = '\0';
}

EHost LookUpHost(const char* hostName) {
  if (!hostName) return kHostUnknown;
  char cut[kMaxHostNameLen];
  std::strncpy(cut, hostName, sizeof(cut) - 1);
  cut[sizeof(cut) - 1] = '\0';
  char lower[kMaxHostNameLen];
  ToLower(lower, cut);
  for (const HostMatch& m : kHostMatches)
    if (std::strstr(lower, m.text)) return m.host;
  return kHostUnknown;
}

void GetHostNameStr(EHost host, char* out) {
  if (!out) return;
  std::strcpy(out, DisplayName(host));  // every name fits kMaxHostDisplayNameLen
}
