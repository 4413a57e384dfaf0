/* Basic Mac OS scalar types, status codes and the Memory Manager handle. */
#ifndef __MACTYPES__
#define __MACTYPES__

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint8_t UInt8;
typedef int8_t SInt8;
typedef uint16_t UInt16;
typedef int16_t SInt16;
typedef uint32_t UInt32;
typedef int32_t SInt32;
typedef uint64_t UInt64;
typedef int64_t SInt64;
typedef float Float32;
typedef double Float64;
typedef unsigned char Boolean;

typedef SInt16 OSErr;
typedef SInt32 OSStatus;
typedef UInt32 FourCharCode;
typedef FourCharCode OSType;
typedef FourCharCode ResType;
typedef UInt32 OptionBits;
typedef long Size;
typedef char *Ptr;
typedef Ptr *Handle;
typedef unsigned char Str255[256];
typedef unsigned char *StringPtr;
typedef const unsigned char *ConstStringPtr;
typedef UInt16 UniChar;

/* Fixed-point and point records used by view entries. */
typedef struct Float32Point {
  Float32 x;
  Float32 y;
} Float32Point;

/* A packed version: major, minor/bug-fix nibbles, stage, non-release revision.
   Field order follows the byte order of the UInt32 it overlays (little-endian). */
typedef struct NumVersion {
  UInt8 nonRelRev;
  UInt8 stage;
  UInt8 minorAndBugRev;
  UInt8 majorRev;
} NumVersion;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

enum {
  noErr = 0,
  unimpErr = -4,
  paramErr = -50,
  memFullErr = -108,
  nilHandleErr = -109,
  coreFoundationUnknownErr = -4960
};

#ifdef __cplusplus
}
#endif

#endif /* __MACTYPES__ */
