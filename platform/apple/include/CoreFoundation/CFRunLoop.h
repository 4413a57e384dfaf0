/* Run loops: one per thread. Work other subsystems post to a run loop (the
   Audio Unit event listeners' notifications) is done only while its own
   thread runs it, with CFRunLoopRunInMode. */
#ifndef __COREFOUNDATION_CFRUNLOOP__
#define __COREFOUNDATION_CFRUNLOOP__

#include <CoreFoundation/CFBase.h>

CF_EXTERN_C_BEGIN

typedef struct __CFRunLoop *CFRunLoopRef;

typedef SInt32 CFRunLoopRunResult;
enum {
  kCFRunLoopRunFinished = 1,
  kCFRunLoopRunStopped = 2,
  kCFRunLoopRunTimedOut = 3,
  kCFRunLoopRunHandledSource = 4
};

CF_EXPORT const CFStringRef kCFRunLoopDefaultMode;
CF_EXPORT const CFStringRef kCFRunLoopCommonModes;

CF_EXPORT CFTypeID CFRunLoopGetTypeID(void);
/* The calling thread's run loop. */
CF_EXPORT CFRunLoopRef CFRunLoopGetCurrent(void);
/* The run loop of the process's main thread. */
CF_EXPORT CFRunLoopRef CFRunLoopGetMain(void);
/* Runs the calling thread's run loop: does the work posted to it, waiting
   up to seconds for some (0: only what is there). With
   returnAfterSourceHandled it returns once some work was done. Modes are
   not told apart. */
CF_EXPORT CFRunLoopRunResult CFRunLoopRunInMode(CFStringRef mode, CFTimeInterval seconds,
                                               Boolean returnAfterSourceHandled);
/* Ends a wait of the run loop's thread in CFRunLoopRunInMode. */
CF_EXPORT void CFRunLoopWakeUp(CFRunLoopRef rl);

CF_EXTERN_C_END

#endif /* __COREFOUNDATION_CFRUNLOOP__ */
