// Retain counts, the live-object counter, and the collections' ownership rules.
#include <CoreFoundation/CFDebugCounters.h>
#include <CoreFoundation/CoreFoundation.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// Checks that a test leaves no CF object behind and provokes no usage error
// it did not expect.
class CFTest : public ::testing::Test {
protected:
  void SetUp() override {
    mLive = CFLiveObjectCount();
    mErrors = CFUsageErrorCount();
  }
  void TearDown() override {
    EXPECT_EQ(CFLiveObjectCount(), mLive) << "CF objects leaked";
    EXPECT_EQ(CFUsageErrorCount() - mErrors, mExpectedErrors);
  }
  CFIndex mLive = 0, mErrors = 0, mExpectedErrors = 0;
};

CFStringRef Str(const char* text) { return CFStringCreateWithCString(kCFAllocatorDefault, text, kCFStringEncodingUTF8); }

CFNumberRef Int32(SInt32 value) { return CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &value); }

std::string Text(CFStringRef s) {
  char buffer[512];
  return CFStringGetCString(s, buffer, sizeof buffer, kCFStringEncodingUTF8) ? buffer : "<not convertible>";
}

using RetainCounts = CFTest;

TEST_F(RetainCounts, BalancedCreateAndReleaseLeaveTheLiveCountUnchanged) {
  CFStringRef s = Str("x");
  CFNumberRef n = Int32(4);
  CFDataRef d = CFDataCreate(nullptr, reinterpret_cast<const UInt8*>("ab"), 2);
  EXPECT_EQ(CFLiveObjectCount(), mLive + 3);
  EXPECT_EQ(CFGetRetainCount(s), 1);
  EXPECT_EQ(CFRetain(s), s);
  EXPECT_EQ(CFGetRetainCount(s), 2);
  CFRelease(s);
  EXPECT_EQ(CFLiveObjectCount(), mLive + 3);
  CFRelease(s);
  CFRelease(n);
  CFRelease(d);
}

TEST_F(RetainCounts, ReleasingAFreedObjectIsCountedNotFollowed) {
  CFSetUsageErrorReporting(false);
  CFNumberRef n = Int32(1);
  CFRelease(n);
  CFRelease(n);  // count already 0: detected, memory untouched (ASan would object otherwise)
  EXPECT_EQ(CFGetRetainCount(n), 0);
  EXPECT_EQ(CFRetain(n), nullptr);
  EXPECT_EQ(CFGetTypeID(n), 0u);
  int notAnObject = 0;
  EXPECT_EQ(CFGetTypeID(&notAnObject), 0u);
  CFRelease(nullptr);
  CFSetUsageErrorReporting(true);
  mExpectedErrors = 5;
}

TEST_F(RetainCounts, ConstantsAreNeverFreedOrCounted) {
  CFStringRef a = CFSTR("constant");
  EXPECT_EQ(a, CFSTR("constant"));
  EXPECT_EQ(CFLiveObjectCount(), mLive);
  CFRelease(a);
  CFRelease(a);
  EXPECT_EQ(Text(CFSTR("constant")), "constant");
  EXPECT_TRUE(CFBooleanGetValue(kCFBooleanTrue));
  EXPECT_FALSE(CFBooleanGetValue(kCFBooleanFalse));
  EXPECT_EQ(CFGetTypeID(kCFBooleanTrue), CFBooleanGetTypeID());
}

TEST_F(RetainCounts, TypeIdsAreDistinctAndWrongTypesAreRefused) {
  CFStringRef s = Str("1");
  CFNumberRef n = Int32(1);
  CFMutableArrayRef a = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
  CFMutableDictionaryRef d = CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  CFDataRef data = CFDataCreate(nullptr, nullptr, 0);
  const CFTypeID ids[] = {CFGetTypeID(s), CFGetTypeID(n), CFGetTypeID(a), CFGetTypeID(d), CFGetTypeID(data)};
  const CFTypeID expected[] = {CFStringGetTypeID(), CFNumberGetTypeID(), CFArrayGetTypeID(), CFDictionaryGetTypeID(), CFDataGetTypeID()};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(ids[i], expected[i]);
    for (int j = 0; j < i; ++j) EXPECT_NE(ids[i], ids[j]);
  }
  // A value of the wrong type read from a dictionary is refused, not misread.
  CFSetUsageErrorReporting(false);
  SInt32 value = 7;
  EXPECT_FALSE(CFNumberGetValue(reinterpret_cast<CFNumberRef>(s), kCFNumberSInt32Type, &value));
  EXPECT_EQ(value, 7);
  EXPECT_EQ(CFStringGetLength(reinterpret_cast<CFStringRef>(n)), 0);
  CFSetUsageErrorReporting(true);
  mExpectedErrors = 2;
  for (CFTypeRef object : {CFTypeRef(s), CFTypeRef(n), CFTypeRef(a), CFTypeRef(d), CFTypeRef(data)}) CFRelease(object);
}

using Arrays = CFTest;

TEST_F(Arrays, TypeCallBacksRetainValuesAndReleaseThemWithTheArray) {
  CFStringRef s = Str("value");
  CFMutableArrayRef a = CFArrayCreateMutable(nullptr, 1, &kCFTypeArrayCallBacks);
  CFArrayAppendValue(a, s);
  CFArrayAppendValue(a, s);  // beyond the capacity hint
  EXPECT_EQ(CFGetRetainCount(s), 3);
  EXPECT_EQ(CFArrayGetCount(a), 2);
  EXPECT_EQ(CFArrayGetValueAtIndex(a, 1), s);
  CFArrayRemoveValueAtIndex(a, 0);
  EXPECT_EQ(CFGetRetainCount(s), 2);
  CFRelease(a);
  EXPECT_EQ(CFGetRetainCount(s), 1);
  CFRelease(s);
}

TEST_F(Arrays, NullCallBacksStorePlainPointers) {
  int x = 0, y = 0;
  const void* values[] = {&x, &y};
  CFArrayRef a = CFArrayCreate(nullptr, values, 2, nullptr);
  EXPECT_EQ(CFArrayGetValueAtIndex(a, 0), &x);
  EXPECT_TRUE(CFArrayContainsValue(a, CFRangeMake(0, 2), &y));
  EXPECT_EQ(CFArrayGetFirstIndexOfValue(a, CFRangeMake(0, 1), &y), kCFNotFound);
  CFRelease(a);
}

TEST_F(Arrays, OutOfRangeAccessAndMutatingAnImmutableArrayAreRefused) {
  CFSetUsageErrorReporting(false);
  CFStringRef s = Str("a");
  const void* values[] = {s};
  CFArrayRef a = CFArrayCreate(nullptr, values, 1, &kCFTypeArrayCallBacks);
  EXPECT_EQ(CFArrayGetValueAtIndex(a, 1), nullptr);
  EXPECT_EQ(CFArrayGetValueAtIndex(a, -1), nullptr);
  CFArrayAppendValue(const_cast<CFMutableArrayRef>(a), s);
  EXPECT_EQ(CFArrayGetCount(a), 1);
  EXPECT_FALSE(CFArrayContainsValue(a, CFRangeMake(0, 5), s));
  CFSetUsageErrorReporting(true);
  mExpectedErrors = 4;
  CFRelease(a);
  CFRelease(s);
}

// Custom callbacks, shaped like a preset record array: a struct with a count.
struct Record {
  int number;
  int retains;
  int releases;
};
int gDescriptions = 0;
const void* RetainRecord(CFAllocatorRef, const void* value) {
  ++static_cast<Record*>(const_cast<void*>(value))->retains;
  return value;
}
void ReleaseRecord(CFAllocatorRef, const void* value) { ++static_cast<Record*>(const_cast<void*>(value))->releases; }
CFStringRef DescribeRecord(const void* value) {
  ++gDescriptions;
  return CFStringCreateWithFormat(nullptr, nullptr, CFSTR("record %d"), static_cast<const Record*>(value)->number);
}
Boolean EqualRecords(const void* a, const void* b) {
  return static_cast<const Record*>(a)->number == static_cast<const Record*>(b)->number;
}
const CFArrayCallBacks kRecordCallBacks = {0, RetainRecord, ReleaseRecord, DescribeRecord, EqualRecords};

TEST_F(Arrays, CustomCallBacksAreCalledForOwnershipDescriptionAndEquality) {
  Record one{1, 0, 0}, two{2, 0, 0}, otherOne{1, 0, 0};
  CFMutableArrayRef a = CFArrayCreateMutable(nullptr, 0, &kRecordCallBacks);
  CFArrayAppendValue(a, &one);
  CFArrayAppendValue(a, &two);
  EXPECT_EQ(one.retains, 1);
  EXPECT_TRUE(CFArrayContainsValue(a, CFRangeMake(0, 2), &otherOne));  // equal, not identical

  gDescriptions = 0;
  CFStringRef description = CFCopyDescription(a);
  EXPECT_EQ(gDescriptions, 2);
  EXPECT_EQ(Text(description), "(\n    record 1,\n    record 2\n)");
  CFRelease(description);

  CFMutableArrayRef b = CFArrayCreateMutable(nullptr, 0, &kRecordCallBacks);
  CFArrayAppendValue(b, &otherOne);
  EXPECT_FALSE(CFEqual(a, b));
  CFArrayAppendValue(b, &two);
  EXPECT_TRUE(CFEqual(a, b));

  CFArraySetValueAtIndex(a, 0, &two);
  EXPECT_EQ(one.releases, 1);
  CFRelease(a);
  CFRelease(b);
  EXPECT_EQ(two.retains, two.releases);
  EXPECT_EQ(otherOne.retains, otherOne.releases);
}

using Dictionaries = CFTest;

TEST_F(Dictionaries, KeysAreFoundByValueNotByPointer) {
  CFMutableDictionaryRef d = CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  CFStringRef key = Str("version");
  CFNumberRef value = Int32(65536);
  CFDictionarySetValue(d, key, value);
  CFStringRef sameText = Str("version");
  EXPECT_EQ(CFDictionaryGetValue(d, sameText), value);
  EXPECT_EQ(CFDictionaryGetValue(d, CFSTR("version")), value);
  EXPECT_EQ(CFDictionaryGetValue(d, CFSTR("versio")), nullptr);
  EXPECT_EQ(CFHash(key), CFHash(sameText));
  CFDictionaryRemoveValue(d, sameText);
  EXPECT_EQ(CFDictionaryGetCount(d), 0);
  EXPECT_EQ(CFGetRetainCount(key), 1);
  EXPECT_EQ(CFGetRetainCount(value), 1);
  for (CFTypeRef object : {CFTypeRef(d), CFTypeRef(key), CFTypeRef(value), CFTypeRef(sameText)}) CFRelease(object);
}

TEST_F(Dictionaries, ReplacingAValueReleasesTheOldOneAndKeepsOneEntry) {
  CFMutableDictionaryRef d = CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  CFNumberRef first = Int32(1), second = Int32(2);
  CFDictionarySetValue(d, CFSTR("k"), first);
  EXPECT_EQ(CFGetRetainCount(first), 2);
  CFDictionarySetValue(d, CFSTR("k"), second);
  EXPECT_EQ(CFGetRetainCount(first), 1);
  EXPECT_EQ(CFDictionaryGetCount(d), 1);
  CFDictionarySetValue(d, CFSTR("k"), second);  // the same value again must survive
  EXPECT_EQ(CFGetRetainCount(second), 2);
  CFDictionaryAddValue(d, CFSTR("k"), first);  // add never replaces
  EXPECT_EQ(CFDictionaryGetValue(d, CFSTR("k")), second);
  CFRelease(d);
  EXPECT_EQ(CFGetRetainCount(second), 1);
  CFRelease(first);
  CFRelease(second);
}

TEST_F(Dictionaries, MutableCopyKeepsItsValuesRetainedAfterTheOriginalGoes) {
  CFMutableDictionaryRef d = CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  CFStringRef name = Str("Snare Attack+");
  CFDictionarySetValue(d, CFSTR("name"), name);
  CFDictionarySetValue(d, CFSTR("a"), kCFBooleanTrue);
  CFRelease(name);
  CFMutableDictionaryRef copy = CFDictionaryCreateMutableCopy(nullptr, 0, d);
  EXPECT_TRUE(CFEqual(d, copy));
  CFRelease(d);
  EXPECT_EQ(Text(static_cast<CFStringRef>(CFDictionaryGetValue(copy, CFSTR("name")))), "Snare Attack+");
  CFDictionarySetValue(copy, CFSTR("b"), kCFBooleanFalse);
  EXPECT_EQ(CFDictionaryGetCount(copy), 3);
  const void* keys[3];
  CFDictionaryGetKeysAndValues(copy, keys, nullptr);
  EXPECT_EQ(Text(static_cast<CFStringRef>(keys[0])), "name");  // insertion order
  CFRelease(copy);
}

TEST_F(Dictionaries, NumberKeysOfDifferentTypesButEqualValueAreOneKey) {
  CFMutableDictionaryRef d = CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  CFNumberRef intKey = Int32(3);
  const double three = 3.0;
  CFNumberRef doubleKey = CFNumberCreate(nullptr, kCFNumberFloat64Type, &three);
  CFDictionarySetValue(d, intKey, CFSTR("int"));
  CFDictionarySetValue(d, doubleKey, CFSTR("double"));
  EXPECT_EQ(CFDictionaryGetCount(d), 1);
  EXPECT_EQ(CFDictionaryGetValue(d, intKey), CFSTR("double"));
  for (CFTypeRef object : {CFTypeRef(d), CFTypeRef(intKey), CFTypeRef(doubleKey)}) CFRelease(object);
}

using Numbers = CFTest;

TEST_F(Numbers, ConversionsBetweenTypesReportLoss) {
  SInt32 i32;
  Float64 f64;
  Float32 f32;
  SInt8 i8;
  SInt64 i64;

  CFNumberRef n = Int32(-7);
  EXPECT_EQ(CFNumberGetType(n), kCFNumberSInt32Type);
  EXPECT_FALSE(CFNumberIsFloatType(n));
  EXPECT_TRUE(CFNumberGetValue(n, kCFNumberFloat64Type, &f64));
  EXPECT_EQ(f64, -7.0);
  EXPECT_TRUE(CFNumberGetValue(n, kCFNumberSInt8Type, &i8));
  EXPECT_EQ(i8, -7);
  CFRelease(n);

  const double fraction = 2.75;
  n = CFNumberCreate(nullptr, kCFNumberDoubleType, &fraction);
  EXPECT_EQ(CFNumberGetType(n), kCFNumberFloat64Type);
  EXPECT_FALSE(CFNumberGetValue(n, kCFNumberSInt32Type, &i32));
  EXPECT_EQ(i32, 2);  // truncated toward zero
  EXPECT_TRUE(CFNumberGetValue(n, kCFNumberFloat32Type, &f32));
  EXPECT_EQ(f32, 2.75f);
  CFRelease(n);

  const double huge = 1e300;
  n = CFNumberCreate(nullptr, kCFNumberFloat64Type, &huge);
  EXPECT_FALSE(CFNumberGetValue(n, kCFNumberSInt32Type, &i32));
  EXPECT_EQ(i32, INT32_MAX);
  EXPECT_FALSE(CFNumberGetValue(n, kCFNumberFloat32Type, &f32));
  EXPECT_TRUE(std::isinf(f32));
  CFRelease(n);

  const double nan = std::nan("");
  n = CFNumberCreate(nullptr, kCFNumberFloat64Type, &nan);
  EXPECT_FALSE(CFNumberGetValue(n, kCFNumberSInt64Type, &i64));
  EXPECT_EQ(i64, 0);
  CFRelease(n);

  const SInt64 big = (SInt64(1) << 53) + 1;
  n = CFNumberCreate(nullptr, kCFNumberSInt64Type, &big);
  EXPECT_FALSE(CFNumberGetValue(n, kCFNumberFloat64Type, &f64));
  EXPECT_FALSE(CFNumberGetValue(n, kCFNumberSInt32Type, &i32));
  EXPECT_EQ(i32, INT32_MAX);
  EXPECT_TRUE(CFNumberGetValue(n, kCFNumberLongLongType, &i64));
  EXPECT_EQ(i64, big);
  CFRelease(n);

  const int c = 'A';
  n = CFNumberCreate(nullptr, kCFNumberIntType, &c);
  EXPECT_EQ(CFNumberGetType(n), kCFNumberSInt32Type);
  EXPECT_EQ(CFNumberGetByteSize(n), 4);
  CFRelease(n);
  EXPECT_EQ(CFNumberCreate(nullptr, 99, &c), nullptr);
  EXPECT_EQ(CFNumberCreate(nullptr, kCFNumberIntType, nullptr), nullptr);
}

TEST_F(Numbers, CompareAndDescribe) {
  const float half = 0.5f;
  CFNumberRef a = CFNumberCreate(nullptr, kCFNumberFloat32Type, &half);
  CFNumberRef b = Int32(1);
  EXPECT_EQ(CFNumberCompare(a, b, nullptr), kCFCompareLessThan);
  EXPECT_EQ(CFNumberCompare(b, a, nullptr), kCFCompareGreaterThan);
  EXPECT_FALSE(CFEqual(a, b));
  CFStringRef text = CFCopyDescription(a);
  EXPECT_EQ(Text(text), "0.5");
  CFRelease(text);
  CFRelease(a);
  CFRelease(b);
}

using Data = CFTest;

TEST_F(Data, BytesAreCopiedAndMutableDataGrows) {
  UInt8 bytes[] = {1, 2, 3};
  CFDataRef d = CFDataCreate(nullptr, bytes, 3);
  bytes[0] = 9;
  EXPECT_EQ(CFDataGetLength(d), 3);
  EXPECT_EQ(CFDataGetBytePtr(d)[0], 1);
  CFMutableDataRef m = CFDataCreateMutableCopy(nullptr, 0, d);
  CFDataAppendBytes(m, bytes, 3);
  EXPECT_EQ(CFDataGetLength(m), 6);
  EXPECT_EQ(CFDataGetBytePtr(m)[3], 9);
  UInt8 part[2] = {0, 0};
  CFDataGetBytes(m, CFRangeMake(4, 2), part);
  EXPECT_EQ(part[0], 2);
  EXPECT_FALSE(CFEqual(d, m));
  CFDataSetLength(m, 3);
  EXPECT_TRUE(CFEqual(d, m));
  CFRelease(d);
  CFRelease(m);
}

TEST_F(Data, EmptyDataHasAUsablePointerAndBadInputIsRefused) {
  CFDataRef empty = CFDataCreate(nullptr, nullptr, 0);
  ASSERT_NE(empty, nullptr);
  EXPECT_NE(CFDataGetBytePtr(empty), nullptr);
  EXPECT_EQ(CFDataGetLength(empty), 0);
  EXPECT_EQ(CFDataCreate(nullptr, nullptr, 4), nullptr);
  EXPECT_EQ(CFDataCreate(nullptr, reinterpret_cast<const UInt8*>("x"), -1), nullptr);
  CFRelease(empty);
}

TEST(CFAllocator, AllocateAndDeallocateBalance) {
  const CFIndex before = CFAllocatorLiveBlockCount();
  void* block = CFAllocatorAllocate(kCFAllocatorDefault, 64, 0);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(CFAllocatorLiveBlockCount(), before + 1);
  CFAllocatorDeallocate(CFAllocatorGetDefault(), block);
  EXPECT_EQ(CFAllocatorLiveBlockCount(), before);
  EXPECT_EQ(CFAllocatorAllocate(kCFAllocatorNull, 64, 0), nullptr);
  EXPECT_EQ(CFAllocatorAllocate(kCFAllocatorDefault, 0, 0), nullptr);
}

}  // namespace
