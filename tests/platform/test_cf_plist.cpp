// The XML property-list form: round trips of every value type, the layout
// preset files rely on, and damaged or hostile documents refused cleanly.
#include <CoreFoundation/CFDebugCounters.h>
#include <CoreFoundation/CoreFoundation.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

class PropertyListTest : public ::testing::Test {
protected:
  void SetUp() override { mLive = CFLiveObjectCount(); }
  void TearDown() override { EXPECT_EQ(CFLiveObjectCount(), mLive) << "CF objects leaked"; }
  CFIndex mLive = 0;
};

CFStringRef Str(const char* s) { return CFStringCreateWithCString(nullptr, s, kCFStringEncodingUTF8); }

std::string Text(CFStringRef s) {
  char buf[1024];
  return s && CFStringGetCString(s, buf, sizeof buf, kCFStringEncodingUTF8) ? buf : "<none>";
}

std::string Bytes(CFDataRef d) {
  return std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(d)), static_cast<size_t>(CFDataGetLength(d)));
}

CFDataRef Data(const std::string& s) {
  return CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(s.data()), static_cast<CFIndex>(s.size()));
}

void Set(CFMutableDictionaryRef d, const char* key, CFTypeRef value) {
  CFStringRef k = Str(key);
  CFDictionarySetValue(d, k, value);
  CFRelease(k);
  CFRelease(value);
}

// A dictionary like the class-info one, with one of each other type too.
CFMutableDictionaryRef Sample() {
  CFMutableDictionaryRef d =
      CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  SInt32 version = 65536, type = 0x61756678;
  Set(d, "version", CFNumberCreate(nullptr, kCFNumberSInt32Type, &version));
  Set(d, "type", CFNumberCreate(nullptr, kCFNumberSInt32Type, &type));
  Set(d, "name", Str("Snare <Attack> & \"more\" \xC3\xA9"));
  const UInt8 bytes[] = {0, 1, 2, 0xfe, 0xff, 0x80, 0x7f};
  Set(d, "data", CFDataCreate(nullptr, bytes, sizeof bytes));
  Set(d, "empty", CFDataCreate(nullptr, nullptr, 0));
  double real = -0.1;
  Set(d, "real", CFNumberCreate(nullptr, kCFNumberFloat64Type, &real));
  Set(d, "yes", CFRetain(kCFBooleanTrue));
  CFMutableArrayRef a = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
  CFStringRef inner = Str("inner");
  CFArrayAppendValue(a, inner);
  CFRelease(inner);
  CFArrayAppendValue(a, kCFBooleanFalse);
  Set(d, "list", a);
  return d;
}

CFPropertyListRef Parse(const std::string& xml, CFErrorRef* error) {
  CFDataRef data = Data(xml);
  CFPropertyListRef plist = CFPropertyListCreateWithData(nullptr, data, kCFPropertyListImmutable, nullptr, error);
  CFRelease(data);
  return plist;
}

std::string Wrap(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + body + "</plist>\n";
}

// Expects the document to be refused with a read error, and returns its text.
std::string Refused(const std::string& xml) {
  CFErrorRef error = nullptr;
  CFPropertyListRef plist = Parse(xml, &error);
  EXPECT_EQ(plist, nullptr) << xml;
  if (plist) CFRelease(plist);
  EXPECT_NE(error, nullptr);
  if (!error) return "";
  EXPECT_EQ(CFErrorGetCode(error), kCFPropertyListReadCorruptError);
  CFStringRef text = CFErrorCopyDescription(error);
  const std::string s = Text(text);
  CFRelease(text);
  CFRelease(error);
  return s;
}

TEST_F(PropertyListTest, EveryTypeSurvivesARoundTrip) {
  CFMutableDictionaryRef d = Sample();
  CFErrorRef error = nullptr;
  CFDataRef xml = CFPropertyListCreateData(nullptr, d, kCFPropertyListXMLFormat_v1_0, 0, &error);
  ASSERT_NE(xml, nullptr);
  EXPECT_EQ(error, nullptr);
  CFPropertyListFormat format = 0;
  CFPropertyListRef back = CFPropertyListCreateWithData(nullptr, xml, 0, &format, &error);
  ASSERT_NE(back, nullptr) << Bytes(xml);
  EXPECT_EQ(format, kCFPropertyListXMLFormat_v1_0);
  EXPECT_TRUE(CFEqual(back, d)) << Bytes(xml);
  // The real keeps every bit.
  CFStringRef key = Str("real");
  double real = 0;
  CFNumberGetValue(static_cast<CFNumberRef>(CFDictionaryGetValue(static_cast<CFDictionaryRef>(back), key)),
                   kCFNumberFloat64Type, &real);
  EXPECT_EQ(real, -0.1);
  CFRelease(key);
  CFRelease(back);
  CFRelease(xml);
  CFRelease(d);
}

TEST_F(PropertyListTest, WrittenFormIsTheStandardXmlLayoutWithSortedKeys) {
  CFMutableDictionaryRef d = Sample();
  CFDataRef xml = CFPropertyListCreateData(nullptr, d, kCFPropertyListXMLFormat_v1_0, 0, nullptr);
  ASSERT_NE(xml, nullptr);
  const std::string text = Bytes(xml);
  EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u) << text;
  EXPECT_NE(text.find("<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\""), std::string::npos);
  EXPECT_NE(text.find("<plist version=\"1.0\">"), std::string::npos);
  EXPECT_NE(text.find("<key>version</key>"), std::string::npos);
  EXPECT_NE(text.find("<integer>65536</integer>"), std::string::npos);
  EXPECT_NE(text.find("<data>AAEC/v+Afw==</data>"), std::string::npos) << text;
  EXPECT_NE(text.find("&lt;Attack&gt; &amp;"), std::string::npos);
  EXPECT_NE(text.find("<true/>"), std::string::npos);
  EXPECT_LT(text.find("<key>data</key>"), text.find("<key>name</key>"));
  EXPECT_LT(text.find("<key>type</key>"), text.find("<key>version</key>"));
  // Equal dictionaries give equal bytes.
  CFMutableDictionaryRef d2 = Sample();
  CFDataRef xml2 = CFPropertyListCreateData(nullptr, d2, kCFPropertyListXMLFormat_v1_0, 0, nullptr);
  EXPECT_EQ(Bytes(xml2), text);
  CFRelease(xml2);
  CFRelease(d2);
  CFRelease(xml);
  CFRelease(d);
}

TEST_F(PropertyListTest, UnsupportedFormatsAndValuesAreWriteErrors) {
  CFMutableDictionaryRef d = Sample();
  CFErrorRef error = nullptr;
  EXPECT_EQ(CFPropertyListCreateData(nullptr, d, kCFPropertyListBinaryFormat_v1_0, 0, &error), nullptr);
  ASSERT_NE(error, nullptr);
  EXPECT_EQ(CFErrorGetCode(error), kCFPropertyListWriteInvalidError);
  CFRelease(error);
  // A dictionary with a non-string key, and a value that is not a plist type.
  CFMutableDictionaryRef bad =
      CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  SInt32 one = 1;
  CFNumberRef n = CFNumberCreate(nullptr, kCFNumberSInt32Type, &one);
  CFDictionarySetValue(bad, n, n);
  CFRelease(n);
  EXPECT_EQ(CFPropertyListCreateData(nullptr, bad, kCFPropertyListXMLFormat_v1_0, 0, &error), nullptr);
  CFRelease(error);
  EXPECT_EQ(CFPropertyListCreateData(nullptr, nullptr, kCFPropertyListXMLFormat_v1_0, 0, nullptr), nullptr);
  CFRelease(bad);
  CFRelease(d);
}

TEST_F(PropertyListTest, EveryTruncationOfAValidDocumentIsRefused) {
  CFMutableDictionaryRef d = Sample();
  CFDataRef xml = CFPropertyListCreateData(nullptr, d, kCFPropertyListXMLFormat_v1_0, 0, nullptr);
  const std::string text = Bytes(xml);
  for (size_t n = 0; n + 2 < text.size(); n += 3) {
    CFErrorRef error = nullptr;
    CFPropertyListRef plist = Parse(text.substr(0, n), &error);
    EXPECT_EQ(plist, nullptr) << n;
    if (plist) CFRelease(plist);
    if (error) CFRelease(error);
  }
  CFRelease(xml);
  CFRelease(d);
}

TEST_F(PropertyListTest, MalformedContentIsRefusedWithAReason) {
  EXPECT_NE(Refused("not xml at all").find("not well-formed"), std::string::npos);
  EXPECT_NE(Refused("<?xml version=\"1.0\"?><dict/>").find("not a property list"), std::string::npos);
  Refused(Wrap("<dict/><dict/>"));
  Refused(Wrap("<dict><key>a</key></dict>"));
  Refused(Wrap("<dict><string>a</string><string>b</string></dict>"));
  EXPECT_NE(Refused(Wrap("<data>AB$C</data>")).find("base64"), std::string::npos);
  Refused(Wrap("<data>A===</data>"));
  Refused(Wrap("<data>AAE</data>x"));
  Refused(Wrap("<integer>12x</integer>"));
  Refused(Wrap("<integer>99999999999999999999999</integer>"));
  Refused(Wrap("<integer></integer>"));
  Refused(Wrap("<real>abc</real>"));
  Refused(Wrap("<date>2026-01-01T00:00:00Z</date>"));
  Refused(Wrap("<true>x</true>"));
  Refused(Wrap("<string>a<b/></string>"));
  Refused(Wrap("<array>stray<string>a</string></array>"));
}

TEST_F(PropertyListTest, HostileDocumentsAreRefusedWithoutExpansionOrDeepRecursion) {
  const std::string laughs =
      "<?xml version=\"1.0\"?><!DOCTYPE plist [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;\">]>"
      "<plist version=\"1.0\"><string>&b;&b;&b;</string></plist>";
  EXPECT_NE(Refused(laughs).find("entity"), std::string::npos);
  const std::string external =
      "<?xml version=\"1.0\"?><!DOCTYPE plist [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
      "<plist version=\"1.0\"><string>&x;</string></plist>";
  Refused(external);
  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += "<array>";
  for (int i = 0; i < 5000; ++i) deep += "</array>";
  Refused(Wrap(deep));
  // Nesting within the limit is fine.
  std::string nested;
  for (int i = 0; i < 50; ++i) nested += "<array>";
  for (int i = 0; i < 50; ++i) nested += "</array>";
  CFPropertyListRef ok = Parse(Wrap(nested), nullptr);
  EXPECT_NE(ok, nullptr);
  if (ok) CFRelease(ok);
}

TEST_F(PropertyListTest, CommentsWhitespaceAndPaddingVariantsAreAccepted) {
  CFPropertyListRef p = Parse(Wrap("\n  <!-- saved by hand -->\n  <dict>\n\t<key>k</key>\n\t<data>\n\tAAEC\n\t/v8=\n\t</data>\n"
                                   "  <key>n</key><integer> -42 </integer></dict>\n"),
                              nullptr);
  ASSERT_NE(p, nullptr);
  CFStringRef k = Str("k"), nKey = Str("n");
  CFDataRef d = static_cast<CFDataRef>(CFDictionaryGetValue(static_cast<CFDictionaryRef>(p), k));
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(Bytes(d), std::string("\x00\x01\x02\xfe\xff", 5));
  SInt32 n = 0;
  CFNumberGetValue(static_cast<CFNumberRef>(CFDictionaryGetValue(static_cast<CFDictionaryRef>(p), nKey)),
                   kCFNumberSInt32Type, &n);
  EXPECT_EQ(n, -42);
  CFRelease(k);
  CFRelease(nKey);
  CFRelease(p);
}

TEST_F(PropertyListTest, ErrorsCarryDomainCodeAndDescription) {
  CFStringRef description = Str("it broke");
  const void* keys[] = {kCFErrorDescriptionKey};
  const void* values[] = {description};
  CFDictionaryRef info =
      CFDictionaryCreate(nullptr, keys, values, 1, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  CFErrorRef e = CFErrorCreate(nullptr, kCFErrorDomainCocoa, 7, info);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(CFGetTypeID(e), CFErrorGetTypeID());
  EXPECT_EQ(CFErrorGetCode(e), 7);
  EXPECT_TRUE(CFEqual(CFErrorGetDomain(e), kCFErrorDomainCocoa));
  CFStringRef text = CFErrorCopyDescription(e);
  EXPECT_EQ(Text(text), "it broke");
  CFRelease(text);
  CFRelease(e);
  CFRelease(info);
  CFRelease(description);
}

}  // namespace
