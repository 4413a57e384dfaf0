/* System queries. */
#ifndef __GESTALT__
#define __GESTALT__

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
  gestaltSystemVersion = 0x73797376,      /* 'sysv': 0x1068 stands for 10.6.8 */
  gestaltSystemVersionMajor = 0x73797331, /* 'sys1' */
  gestaltSystemVersionMinor = 0x73797332, /* 'sys2' */
  gestaltSystemVersionBugFix = 0x73797333 /* 'sys3' */
};

enum { gestaltUndefSelectorErr = -5551 };

/* This system reports a fixed system version, 10.6.8. */
extern OSErr Gestalt(OSType selector, SInt32 *response);

#ifdef __cplusplus
}
#endif

#endif /* __GESTALT__ */
