// Bundles and URLs, alerts, Gestalt, run loop handles.
#include <CoreFoundation/CFBundleRegistry.h>
#include <CoreFoundation/CFDebugCounters.h>
#include <CoreFoundation/CFUserNotificationHook.h>
#include <CoreFoundation/CoreFoundation.h>
#include <CoreServices/CoreServices.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Text(CFStringRef s) {
  char buffer[1024];
  return s && CFStringGetCString(s, buffer, sizeof buffer, kCFStringEncodingUTF8) ? buffer : "<null>";
}

std::string PathOf(CFURLRef url) {
  UInt8 buffer[1024];
  return CFURLGetFileSystemRepresentation(url, true, buffer, sizeof buffer) ? reinterpret_cast<char*>(buffer) : "<none>";
}

// A bundle folder with Contents/Resources/resources/img/knob.png.
class Bundles : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/corvane_bundle_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    mRoot = pattern;
    for (const char* sub : {"/Contents", "/Contents/Resources", "/Contents/Resources/resources", "/Contents/Resources/resources/img"})
      ASSERT_EQ(mkdir((mRoot + sub).c_str(), 0755), 0);
    std::FILE* file = std::fopen((mRoot + "/Contents/Resources/resources/img/knob.png").c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
  }
  void TearDown() override {
    CFBundleUnregisterAll();
    std::remove((mRoot + "/Contents/Resources/resources/img/knob.png").c_str());
    for (const char* sub : {"/Contents/Resources/resources/img", "/Contents/Resources/resources", "/Contents/Resources", "/Contents", ""})
      rmdir((mRoot + sub).c_str());
  }
  std::string mRoot;
};

TEST_F(Bundles, RegisteredIdentifierFindsTheBundleAndItsFolders) {
  const CFIndex live = CFLiveObjectCount();
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("com.Velmora.audiounit.Corvane")), nullptr);
  ASSERT_TRUE(CFBundleRegisterForIdentifier("com.Velmora.audiounit.Corvane", mRoot.c_str()));
  CFBundleRef bundle = CFBundleGetBundleWithIdentifier(CFSTR("com.Velmora.audiounit.Corvane"));
  ASSERT_NE(bundle, nullptr);
  EXPECT_EQ(Text(CFBundleGetIdentifier(bundle)), "com.Velmora.audiounit.Corvane");

  CFURLRef url = CFBundleCopyBundleURL(bundle);
  EXPECT_EQ(PathOf(url), mRoot);
  EXPECT_TRUE(CFURLHasDirectoryPath(url));
  EXPECT_EQ(Text(CFURLGetString(url)), "file://" + mRoot + "/");
  CFStringRef path = CFURLCopyFileSystemPath(url, kCFURLPOSIXPathStyle);
  EXPECT_EQ(Text(path), mRoot);
  CFRelease(path);
  CFRelease(url);

  CFURLRef resources = CFBundleCopyResourcesDirectoryURL(bundle);
  EXPECT_EQ(PathOf(resources), mRoot + "/Contents/Resources");
  CFRelease(resources);

  CFURLRef knob = CFBundleCopyResourceURL(bundle, CFSTR("knob"), CFSTR("png"), CFSTR("resources/img"));
  EXPECT_EQ(PathOf(knob), mRoot + "/Contents/Resources/resources/img/knob.png");
  CFRelease(knob);
  EXPECT_EQ(CFBundleCopyResourceURL(bundle, CFSTR("knob"), CFSTR("jpg"), CFSTR("resources/img")), nullptr);

  // Retaining and releasing a bundle one does not own is harmless.
  CFRetain(bundle);
  CFRelease(bundle);
  CFRelease(bundle);
  EXPECT_EQ(CFLiveObjectCount(), live);
}

TEST_F(Bundles, MainBundleIsTheRegisteredOneOrTheExecutablesFolder) {
  CFBundleRef fallback = CFBundleGetMainBundle();
  ASSERT_NE(fallback, nullptr);
  EXPECT_EQ(CFBundleGetIdentifier(fallback), nullptr);
  ASSERT_TRUE(CFBundleRegisterMainBundle("org.example.host", mRoot.c_str()));
  CFBundleRef main = CFBundleGetMainBundle();
  EXPECT_EQ(Text(CFBundleGetIdentifier(main)), "org.example.host");
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("org.example.host")), main);
  EXPECT_FALSE(CFBundleRegisterForIdentifier("", mRoot.c_str()));
  EXPECT_FALSE(CFBundleRegisterForIdentifier("x", nullptr));
}

TEST(CFURLs, PathsAreNormalizedAndBufferLimitsHold) {
  CFURLRef url = CFURLCreateWithFileSystemPath(nullptr, CFSTR("/tmp/a b/"), kCFURLPOSIXPathStyle, true);
  EXPECT_EQ(Text(CFURLGetString(url)), "file:///tmp/a%20b/");
  EXPECT_EQ(PathOf(url), "/tmp/a b");
  UInt8 small[8];
  EXPECT_FALSE(CFURLGetFileSystemRepresentation(url, true, small, sizeof small));
  CFStringRef last = CFURLCopyLastPathComponent(url);
  EXPECT_EQ(Text(last), "a b");
  CFRelease(last);
  CFURLRef child = CFURLCreateCopyAppendingPathComponent(nullptr, url, CFSTR("c.png"), false);
  EXPECT_EQ(PathOf(child), "/tmp/a b/c.png");
  CFRelease(child);
  CFRelease(url);

  CFURLRef web = CFURLCreateWithString(nullptr, CFSTR("http://example.org/x"), nullptr);
  EXPECT_EQ(Text(CFURLGetString(web)), "http://example.org/x");
  EXPECT_EQ(PathOf(web), "<none>");
  CFRelease(web);
}

struct AlertSeen {
  std::string header, message, buttons;
  CFOptionFlags flags = 0;
} gAlert;

SInt32 RecordAlert(CFOptionFlags flags, CFStringRef header, CFStringRef message, CFStringRef defaultButton, CFStringRef alternate,
                   CFStringRef other, CFOptionFlags* response) {
  gAlert = {Text(header), Text(message), Text(defaultButton) + "/" + Text(alternate) + "/" + Text(other), flags};
  *response = kCFUserNotificationAlternateResponse;
  return 0;
}

TEST(CFUserNotification, AlertGoesToTheHookOrAnswersTheDefault) {
  CFOptionFlags response = 99;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(CFUserNotificationDisplayAlert(0, kCFUserNotificationNoteAlertLevel, nullptr, nullptr, nullptr, CFSTR("Caption"),
                                           CFSTR("Text"), nullptr, CFSTR("Cancel"), nullptr, &response),
            0);
  const std::string printed = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(printed.find("Caption"), std::string::npos);
  EXPECT_NE(printed.find("[Cancel]"), std::string::npos);
  EXPECT_EQ(response, CFOptionFlags(kCFUserNotificationDefaultResponse));

  EXPECT_EQ(CFUserNotificationSetAlertHook(RecordAlert), nullptr);
  CFUserNotificationDisplayAlert(0, kCFUserNotificationNoteAlertLevel, nullptr, nullptr, nullptr, CFSTR("Caption"), CFSTR("Text"),
                                 CFSTR("Yes"), CFSTR("No"), CFSTR("Cancel"), &response);
  EXPECT_EQ(gAlert.header, "Caption");
  EXPECT_EQ(gAlert.buttons, "Yes/No/Cancel");
  EXPECT_EQ(gAlert.flags, CFOptionFlags(kCFUserNotificationNoteAlertLevel));
  EXPECT_EQ(response, CFOptionFlags(kCFUserNotificationAlternateResponse));
  EXPECT_EQ(CFUserNotificationSetAlertHook(nullptr), RecordAlert);
}

TEST(Gestalt, ReportsAFixedSystemVersion) {
  SInt32 version = 0;
  EXPECT_EQ(Gestalt(gestaltSystemVersion, &version), noErr);
  EXPECT_EQ(version, 0x1068);
  EXPECT_GE(version, 0x1050);
  EXPECT_EQ(Gestalt(gestaltSystemVersionMinor, &version), noErr);
  EXPECT_EQ(version, 6);
  EXPECT_EQ(Gestalt(0x6E6F6E65 /* 'none' */, &version), gestaltUndefSelectorErr);
  EXPECT_EQ(Gestalt(gestaltSystemVersion, nullptr), paramErr);
}

TEST(CFRunLoop, HandlesAndModesExist) {
  EXPECT_NE(CFRunLoopGetCurrent(), nullptr);
  EXPECT_EQ(CFRunLoopGetMain(), CFRunLoopGetCurrent());
  EXPECT_EQ(Text(kCFRunLoopCommonModes), "kCFRunLoopCommonModes");
  EXPECT_EQ(CFGetTypeID(CFRunLoopGetMain()), CFRunLoopGetTypeID());
}

}  // namespace
