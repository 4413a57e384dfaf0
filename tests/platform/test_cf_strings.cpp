// Strings: encodings, bounded C-string output, comparison, formatting.
#include <CoreFoundation/CFDebugCounters.h>
#include <CoreFoundation/CoreFoundation.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string Text(CFStringRef s) {
  char buffer[512];
  return s && CFStringGetCString(s, buffer, sizeof buffer, kCFStringEncodingUTF8) ? buffer : "<null>";
}

// The formatted text, releasing the string.
template <class... Args>
std::string Format(const char* format, Args... args) {
  CFStringRef f = CFStringCreateWithCString(nullptr, format, kCFStringEncodingUTF8);
  CFStringRef s = CFStringCreateWithFormat(nullptr, nullptr, f, args...);
  CFRelease(f);
  const std::string text = Text(s);
  if (s) CFRelease(s);
  return text;
}

TEST(CFStrings, Utf8RoundTripsAndLengthCountsUtf16Units) {
  const char* text = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xF0\x9F\x8E\xB5";  // "Grüße € 🎵"
  CFStringRef s = CFStringCreateWithCString(nullptr, text, kCFStringEncodingUTF8);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(CFStringGetLength(s), 10);  // the note is a surrogate pair
  EXPECT_EQ(Text(s), text);
  EXPECT_STREQ(CFStringGetCStringPtr(s, kCFStringEncodingUTF8), text);
  EXPECT_EQ(CFStringGetCStringPtr(s, kCFStringEncodingASCII), nullptr);
  EXPECT_GE(CFStringGetMaximumSizeForEncoding(CFStringGetLength(s), kCFStringEncodingUTF8), CFIndex(std::strlen(text)));
  CFRelease(s);
}

TEST(CFStrings, InvalidBytesForTheEncodingGiveNull) {
  EXPECT_EQ(CFStringCreateWithCString(nullptr, "\xC3", kCFStringEncodingUTF8), nullptr);          // cut sequence
  EXPECT_EQ(CFStringCreateWithCString(nullptr, "\xC0\xAF", kCFStringEncodingUTF8), nullptr);      // overlong
  EXPECT_EQ(CFStringCreateWithCString(nullptr, "\xED\xA0\x80", kCFStringEncodingUTF8), nullptr);  // surrogate
  EXPECT_EQ(CFStringCreateWithCString(nullptr, "\xE9", kCFStringEncodingASCII), nullptr);
  EXPECT_EQ(CFStringCreateWithCString(nullptr, nullptr, kCFStringEncodingUTF8), nullptr);
  CFStringRef latin = CFStringCreateWithCString(nullptr, "caf\xE9", kCFStringEncodingISOLatin1);
  EXPECT_EQ(Text(latin), "caf\xC3\xA9");
  char buffer[8];
  EXPECT_TRUE(CFStringGetCString(latin, buffer, sizeof buffer, kCFStringEncodingISOLatin1));
  EXPECT_STREQ(buffer, "caf\xE9");
  EXPECT_FALSE(CFStringGetCString(latin, buffer, sizeof buffer, kCFStringEncodingASCII));
  CFRelease(latin);
}

// Sentinels around the buffer catch any write past bufferSize.
TEST(CFStrings, GetCStringWithATooSmallBufferReturnsFalseAndNeverOverruns) {
  CFStringRef s = CFStringCreateWithCString(nullptr, "ab\xC3\xA9" "cd", kCFStringEncodingUTF8);  // "abécd", 6 bytes
  for (CFIndex size = 0; size <= 8; ++size) {
    char guarded[16];
    std::memset(guarded, '#', sizeof guarded);
    char* buffer = guarded + 4;
    const Boolean ok = CFStringGetCString(s, buffer, size, kCFStringEncodingUTF8);
    EXPECT_EQ(ok != 0, size >= 7) << size;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(guarded[i], '#');
    for (size_t i = 4 + static_cast<size_t>(size); i < sizeof guarded; ++i) EXPECT_EQ(guarded[i], '#') << size;
    // After a failure the buffer's contents are unspecified (not even
    // terminated); after success it holds the whole string.
    if (ok) {
      EXPECT_STREQ(buffer, "ab\xC3\xA9" "cd");
    }
  }
  CFRelease(s);
}

TEST(CFStrings, NoCopyKeepsTheCallersBytesAndFreesThemOnlyWithAnAllocator) {
  const char* kept = "kept";
  CFStringRef s = CFStringCreateWithCStringNoCopy(nullptr, kept, kCFStringEncodingUTF8, kCFAllocatorNull);
  EXPECT_EQ(CFStringGetCStringPtr(s, kCFStringEncodingUTF8), kept);
  CFRelease(s);

  const CFIndex blocks = CFAllocatorLiveBlockCount();
  char* owned = static_cast<char*>(CFAllocatorAllocate(nullptr, 6, 0));
  std::strcpy(owned, "owned");
  s = CFStringCreateWithCStringNoCopy(nullptr, owned, kCFStringEncodingUTF8, kCFAllocatorDefault);
  EXPECT_EQ(Text(s), "owned");
  CFRelease(s);
  EXPECT_EQ(CFAllocatorLiveBlockCount(), blocks);  // handed to its deallocator
}

TEST(CFStrings, CompareCopyAndEquality) {
  CFStringRef a = CFStringCreateWithCString(nullptr, "Alpha", kCFStringEncodingUTF8);
  CFStringRef b = CFStringCreateCopy(nullptr, a);
  EXPECT_NE(a, b);
  EXPECT_TRUE(CFEqual(a, b));
  EXPECT_EQ(CFStringCompare(a, b, 0), kCFCompareEqualTo);
  EXPECT_EQ(CFStringCompare(a, CFSTR("alpha"), 0), kCFCompareLessThan);
  EXPECT_EQ(CFStringCompare(a, CFSTR("alpha"), kCFCompareCaseInsensitive), kCFCompareEqualTo);
  EXPECT_EQ(CFStringCompare(a, CFSTR("Alph"), 0), kCFCompareGreaterThan);
  EXPECT_EQ(CFStringCompare(CFSTR("\xC3\xA9"), CFSTR("z"), 0), kCFCompareGreaterThan);  // code point order
  EXPECT_TRUE(CFStringHasPrefix(a, CFSTR("Al")));
  EXPECT_TRUE(CFStringHasSuffix(a, CFSTR("pha")));
  EXPECT_EQ(CFStringGetIntValue(CFSTR("-42")), -42);
  EXPECT_DOUBLE_EQ(CFStringGetDoubleValue(CFSTR("0.25")), 0.25);
  CFStringRef description = CFCopyDescription(a);
  EXPECT_EQ(description, a);  // a string describes itself
  CFRelease(description);
  CFRelease(a);
  CFRelease(b);
}

TEST(CFStringFormat, EverySupportedConversion) {
  EXPECT_EQ(Format("%d|%i|%u", -3, 42, 4000000000u), "-3|42|4000000000");
  EXPECT_EQ(Format("%x|%X|%o|%#x", 255u, 255u, 8u, 16u), "ff|FF|10|0x10");
  EXPECT_EQ(Format("%5d|%-4d|%03d|%+d", 7, 7, 7, 7), "    7|7   |007|+7");
  EXPECT_EQ(Format("%*d|%.*f", 4, 1, 2, 3.14159), "   1|3.14");
  EXPECT_EQ(Format("%ld|%lld|%hhd|%hd|%zu", -5L, 1LL << 40, 300, 70000, size_t(9)), "-5|1099511627776|44|4464|9");
  EXPECT_EQ(Format("%f|%.2f|%e|%g", 1.5, 2.0, 1000.0, 0.0001), "1.500000|2.00|1.000000e+03|0.0001");
  EXPECT_EQ(Format("%s|%s|%.2s|%c", "text", static_cast<const char*>(nullptr), "abc", 'Z'), "text|(null)|ab|Z");
  EXPECT_EQ(Format("100%%"), "100%");
  EXPECT_EQ(Format("%@|%@", CFSTR("cf"), static_cast<CFTypeRef>(nullptr)), "cf|(null)");
  SInt32 n = 12;
  CFNumberRef number = CFNumberCreate(nullptr, kCFNumberSInt32Type, &n);
  EXPECT_EQ(Format("AUPreset:\npreset number = %d\npreset name = %@", 3, CFSTR("Kick Attack-")),
            "AUPreset:\npreset number = 3\npreset name = Kick Attack-");
  EXPECT_EQ(Format("[%@]", number), "[12]");
  CFRelease(number);
}

// Catches a '*' width and a '*' precision passed in the wrong order or one
// dropped, a text longer than the first buffer cut or misprinted, and an
// unsigned or long double argument read with the wrong type.
TEST(CFStringFormat, StarsTogetherLongTextsAndEveryArgumentWidth) {
  EXPECT_EQ(Format("%*.*f|%-*.*s|", 200, 3, 1.5, 4, 2, "abc"), std::string(195, ' ') + "1.500|ab  |");
  EXPECT_EQ(Format("%hhu|%hu|%lu|%llx|%jo|%Lg", 300u, 70000u, 5UL, 1ULL << 40, uintmax_t(8), 2.5L),
            "44|4464|5|10000000000|10|2.5");
}

TEST(CFStringFormat, UnsupportedConversionsGiveNullInsteadOfReadingWrongArguments) {
  const CFIndex errors = CFUsageErrorCount();
  CFSetUsageErrorReporting(false);
  int count = 0;
  EXPECT_EQ(Format("%n", &count), "<null>");
  EXPECT_EQ(Format("%1$d", 1), "<null>");
  EXPECT_EQ(Format("%S", nullptr), "<null>");
  EXPECT_EQ(Format("ends with %"), "<null>");
  CFSetUsageErrorReporting(true);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(CFUsageErrorCount() - errors, 4);
  // %s bytes that are not UTF-8 cannot make a string.
  EXPECT_EQ(Format("%s", "\xFF"), "<null>");
}

}  // namespace
