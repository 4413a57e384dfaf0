// Alerts: printed to stderr and answered with the default response, unless a
// hook is installed.
#include "platform/apple/src/CFObject.h"

#include <CoreFoundation/CFUserNotificationHook.h>

#include <atomic>
#include <cstdio>

namespace {

std::atomic<CFUserNotificationAlertHook> gHook{nullptr};

std::string Text(CFStringRef string) {
  std::string_view bytes;
  return string && corvane_cf::StringBytes(string, "CFUserNotificationDisplayAlert", &bytes) ? std::string(bytes) : std::string();
}

}  // namespace

extern "C" {

CFUserNotificationAlertHook CFUserNotificationSetAlertHook(CFUserNotificationAlertHook hook) { return gHook.exchange(hook); }

SInt32 CFUserNotificationDisplayAlert(CFTimeInterval timeout, CFOptionFlags flags, CFURLRef iconURL, CFURLRef soundURL,
                                      CFURLRef localizationURL, CFStringRef alertHeader, CFStringRef alertMessage,
                                      CFStringRef defaultButtonTitle, CFStringRef alternateButtonTitle,
                                      CFStringRef otherButtonTitle, CFOptionFlags* responseFlags) {
  if (CFUserNotificationAlertHook hook = gHook.load())
    return hook(flags, alertHeader, alertMessage, defaultButtonTitle, alternateButtonTitle, otherButtonTitle, responseFlags);
  try {
    std::string buttons = "[" + (defaultButtonTitle ? Text(defaultButtonTitle) : std::string("OK")) + "]";
    if (alternateButtonTitle) buttons += " [" + Text(alternateButtonTitle) + "]";
    if (otherButtonTitle) buttons += " [" + Text(otherButtonTitle) + "]";
    std::fprintf(stderr, "Alert: %s\n%s\n%s\n", Text(alertHeader).c_str(), Text(alertMessage).c_str(), buttons.c_str());
  } catch (const std::exception&) {
  }
  if (responseFlags) *responseFlags = kCFUserNotificationDefaultResponse;
  return 0;
}

}  // extern "C"
