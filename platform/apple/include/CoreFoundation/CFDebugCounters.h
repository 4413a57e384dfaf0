/* Counters that let tests see leaks and misuse of CF objects.

   CFLiveObjectCount: CF objects created and not yet freed (constant strings,
   booleans, allocators, run loops and bundles are never freed and never counted).
   CFUsageErrorCount: calls that were refused because of a caller's mistake:
   releasing or retaining an object that is no longer alive (a double release),
   passing something that is not a CF object or one of the wrong type, an index
   outside an array, mutating an immutable collection. Each is also reported on
   stderr with "CF usage error: ..."; none aborts, so the host keeps running and
   a test can assert on the count. */
#ifndef __COREFOUNDATION_CFDEBUGCOUNTERS__
#define __COREFOUNDATION_CFDEBUGCOUNTERS__

#include <CoreFoundation/CFBase.h>

CF_EXTERN_C_BEGIN

CF_EXPORT CFIndex CFLiveObjectCount(void);
CF_EXPORT CFIndex CFUsageErrorCount(void);
/* Blocks from CFAllocatorAllocate not yet deallocated. */
CF_EXPORT CFIndex CFAllocatorLiveBlockCount(void);
/* Silences the stderr report (tests that provoke errors on purpose); returns the previous setting. */
CF_EXPORT Boolean CFSetUsageErrorReporting(Boolean enabled);

CF_EXTERN_C_END

#endif /* __COREFOUNDATION_CFDEBUGCOUNTERS__ */
