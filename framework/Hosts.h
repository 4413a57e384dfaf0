#pragma once
// Host identification: turns the host application's name (a bundle
// identifier or product name) into an EHost, and names each identity.

// 32-bit identity of the host application. -1: not identified yet;
// 0: a host the table does not know.
enum EHost : int {
  kHostUninit = -1,
  kHostUnknown = 0,
  kHostReaper = 1,
  kHostProTools = 2,
  kHostCubase = 3,
  kHostNuendo = 4,
  kHostSonar = 5,
  kHostVegas = 6,
  kHostFL = 7,
  kHostSamplitude = 8,
  kHostAbletonLive = 9,
  kHostReserved10 = 10,
  kHostReserved11 = 11,
  kHostMelodyne = 12,
  kHostVSTScanner = 13,
  kHostAULab = 14,
  kHostForte = 15,
  kHostChainer = 16,
  kHostAudition = 17,
  kHostOrion = 18,
  kHostReserved19 = 19,
  kHostSAWStudio = 20,
  kHostLogic = 21,
  kHostGarageBand = 22,
  kHostDigitalPerformer = 23,
  kHostStandalone = 24,
  kHostAudioMulch = 25,
  kHostStudioOne = 26,
  kHostVST3TestHost = 27,
  kHostArdour = 28,
};

// Length of the lower-cased copy LookUpHost searches; longer names are cut.
constexpr int kMaxHostNameLen = 256;
// Room GetHostNameStr needs, terminator included.
constexpr int kMaxHostDisplayNameLen = 19;

// Any thread (pure). The first table text found anywhere in the lower-cased
// name decides; a null or empty name gives kHostUnknown.
EHost LookUpHost(const char* hostName);

// Any thread (pure). Writes the display name ("Unknown" for 0, -1 and any
// value without one); out must hold kMaxHostDisplayNameLen characters.
void GetHostNameStr(EHost host, char* out);

// Writes src lower-cased into dst followed by a zero; dst must hold
// strlen(src) + 1 characters. A null src writes "".
void ToLower(char* dst, const char* src);
