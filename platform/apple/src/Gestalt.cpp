// System queries: a fixed system version, 10.6.8.
#include <CoreServices/Gestalt.h>

extern "C" OSErr Gestalt(OSType selector, SInt32* response) {
  if (!response) return paramErr;
  switch (selector) {
    case gestaltSystemVersion: *response = 0x1068; return noErr;
    case gestaltSystemVersionMajor: *response = 10; return noErr;
    case gestaltSystemVersionMinor: *response = 6; return noErr;
    case gestaltSystemVersionBugFix: *response = 8; return noErr;
    default: return gestaltUndefSelectorErr;
  }
}
