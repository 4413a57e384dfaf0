/* Alerts shown to the user. Without a window system the alert is printed to
   stderr and answered with the default response; a test can install a hook
   (<CoreFoundation/CFUserNotificationHook.h>). */
#ifndef __COREFOUNDATION_CFUSERNOTIFICATION__
#define __COREFOUNDATION_CFUSERNOTIFICATION__

#include <CoreFoundation/CFBase.h>
#include <CoreFoundation/CFURL.h>

CF_EXTERN_C_BEGIN

enum {
  kCFUserNotificationStopAlertLevel = 0,
  kCFUserNotificationNoteAlertLevel = 1,
  kCFUserNotificationCautionAlertLevel = 2,
  kCFUserNotificationPlainAlertLevel = 3
};

enum {
  kCFUserNotificationDefaultResponse = 0,
  kCFUserNotificationAlternateResponse = 1,
  kCFUserNotificationOtherResponse = 2,
  kCFUserNotificationCancelResponse = 3
};

CF_EXPORT SInt32 CFUserNotificationDisplayAlert(CFTimeInterval timeout, CFOptionFlags flags, CFURLRef iconURL, CFURLRef soundURL,
                                                CFURLRef localizationURL, CFStringRef alertHeader, CFStringRef alertMessage,
                                                CFStringRef defaultButtonTitle, CFStringRef alternateButtonTitle,
                                                CFStringRef otherButtonTitle, CFOptionFlags *responseFlags);

CF_EXTERN_C_END

#endif /* __COREFOUNDATION_CFUSERNOTIFICATION__ */
