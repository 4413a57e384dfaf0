/* Replaces what CFUserNotificationDisplayAlert does, for tests and hosts that
   show alerts their own way. */
#ifndef __COREFOUNDATION_CFUSERNOTIFICATIONHOOK__
#define __COREFOUNDATION_CFUSERNOTIFICATIONHOOK__

#include <CoreFoundation/CFUserNotification.h>

CF_EXTERN_C_BEGIN

typedef SInt32 (*CFUserNotificationAlertHook)(CFOptionFlags flags, CFStringRef alertHeader, CFStringRef alertMessage,
                                              CFStringRef defaultButtonTitle, CFStringRef alternateButtonTitle,
                                              CFStringRef otherButtonTitle, CFOptionFlags *responseFlags);

/* NULL restores the default (print to stderr, default response). Returns the previous hook. */
CF_EXPORT CFUserNotificationAlertHook CFUserNotificationSetAlertHook(CFUserNotificationAlertHook hook);

CF_EXTERN_C_END

#endif /* __COREFOUNDATION_CFUSERNOTIFICATIONHOOK__ */
