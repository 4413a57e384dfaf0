// Class-info state round trips, foreign and damaged dictionaries, factory
// presets, current/present preset and the preset records.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "host/au/CFAUPreset.h"
#include "tests/au/AUHostTest.h"
#include "tests/support/AllocationCounter.h"

namespace au_test {
namespace {

using AUStateTest = AUHostTest;
using AUPresetTest = AUHostTest;

CFPropertyListRef GetClassInfo(AudioUnit unit) {
  CFPropertyListRef plist = nullptr;
  UInt32 size = sizeof(plist);
  EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ClassInfo, 0, 0, &plist, &size), noErr);
  return plist;
}

OSStatus SetClassInfo(AudioUnit unit, CFPropertyListRef plist) {
  return AudioUnitSetProperty(unit, kAudioUnitProperty_ClassInfo, 0, 0, &plist, sizeof(plist));
}

// A mutable copy of a saved dictionary with one key replaced (null value: removed).
CFMutableDictionaryRef WithKey(CFPropertyListRef saved, const char* key, CFTypeRef value) {
  CFMutableDictionaryRef copy =
      CFDictionaryCreateMutableCopy(nullptr, 0, static_cast<CFDictionaryRef>(saved));
  CFStringRef cfKey = CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8);
  if (value)
    CFDictionarySetValue(copy, cfKey, value);
  else
    CFDictionaryRemoveValue(copy, cfKey);
  CFRelease(cfKey);
  return copy;
}

CFTypeRef Number(SInt32 value) { return CFNumberCreate(nullptr, kCFNumberSInt32Type, &value); }

std::vector<double> Values(TestAUPlug* plug) {
  std::vector<double> values;
  for (int i = 0; i < plug->NParams(); ++i) values.push_back(plug->GetParam(i)->Value());
  return values;
}

TEST_F(AUStateTest, DictionaryCarriesIdentityNameAndData) {
  CFPropertyListRef plist = GetClassInfo(unit);
  ASSERT_NE(plist, nullptr);
  CFDictionaryRef dict = static_cast<CFDictionaryRef>(plist);
  auto number = [&](const char* key) {
    CFStringRef cfKey = CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8);
    SInt32 value = 0;
    CFNumberGetValue(static_cast<CFNumberRef>(CFDictionaryGetValue(dict, cfKey)), kCFNumberSInt32Type, &value);
    CFRelease(cfKey);
    return value;
  };
  EXPECT_EQ(number("version"), kTestVersion);
  EXPECT_EQ(static_cast<OSType>(number("type")), static_cast<OSType>(kAudioUnitType_Effect));
  EXPECT_EQ(static_cast<OSType>(number("subtype")), kTestSubtype);
  EXPECT_EQ(static_cast<OSType>(number("manufacturer")), kTestMfr);
  CFStringRef nameKey = CFStringCreateWithCString(nullptr, "name", kCFStringEncodingUTF8);
  EXPECT_EQ(ToStd(static_cast<CFStringRef>(CFDictionaryGetValue(dict, nameKey))), "Unity");
  CFRelease(nameKey);
  CFStringRef dataKey = CFStringCreateWithCString(nullptr, "data", kCFStringEncodingUTF8);
  EXPECT_EQ(CFDataGetLength(static_cast<CFDataRef>(CFDictionaryGetValue(dict, dataKey))), 8 * kNumTestParams);
  CFRelease(dataKey);
  CFRelease(plist);
}

TEST_F(AUStateTest, RoundTripRestoresValuesAndPreset) {
  UInt32 preset = 0;
  AUPreset select = {1, nullptr};
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_PresentPreset, 0, 0, &select, sizeof(select)), noErr);
  ASSERT_EQ(AudioUnitSetParameter(unit, kGain, 0, 0, 1.75f, 0), noErr);
  const std::vector<double> saved = Values(plug);
  CFPropertyListRef plist = GetClassInfo(unit);

  AudioUnit other = nullptr;
  ASSERT_EQ(OpenAComponent(TestComponent(), &other), noErr);
  ASSERT_EQ(SetClassInfo(other, plist), noErr);
  EXPECT_EQ(Values(PlugOf(other)), saved);
  EXPECT_EQ(PlugOf(other)->GetCurrentPresetIdx(), 1);
  CloseComponent(other);
  CFRelease(plist);
  (void)preset;
}

TEST_F(AUStateTest, UnknownNameStillRestoresTheData) {
  ASSERT_EQ(AudioUnitSetParameter(unit, kSteps, 0, 0, 9.0f, 0), noErr);
  CFPropertyListRef plist = GetClassInfo(unit);
  CFStringRef name = CFStringCreateWithCString(nullptr, "Not a preset", kCFStringEncodingUTF8);
  CFMutableDictionaryRef renamed = WithKey(plist, "name", name);
  ASSERT_EQ(AudioUnitSetParameter(unit, kSteps, 0, 0, 1.0f, 0), noErr);
  AUPreset select = {2, nullptr};
  AudioUnitSetProperty(unit, kAudioUnitProperty_CurrentPreset, 0, 0, &select, sizeof(select));
  ASSERT_EQ(AudioUnitSetParameter(unit, kSteps, 0, 0, 1.0f, 0), noErr);
  ASSERT_EQ(SetClassInfo(unit, renamed), noErr);
  EXPECT_EQ(plug->GetParam(kSteps)->Value(), 9.0);
  EXPECT_EQ(plug->GetCurrentPresetIdx(), 2);
  CFRelease(renamed);
  CFRelease(name);
  CFRelease(plist);
}

TEST_F(AUStateTest, ForeignAndDamagedDictionariesChangeNothing) {
  CFPropertyListRef plist = GetClassInfo(unit);
  ASSERT_EQ(AudioUnitSetParameter(unit, kGain, 0, 0, 0.3f, 0), noErr);
  AUPreset select = {2, nullptr};
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_CurrentPreset, 0, 0, &select, sizeof(select)), noErr);
  ASSERT_EQ(AudioUnitSetParameter(unit, kGain, 0, 0, 0.3f, 0), noErr);
  const std::vector<double> before = Values(plug);

  std::vector<CFTypeRef> owned;
  std::vector<CFMutableDictionaryRef> bad;
  CFTypeRef otherSubtype = Number(0x12345678);
  CFTypeRef wrongType = CFStringCreateWithCString(nullptr, "aufx", kCFStringEncodingUTF8);
  std::string longName(kMaxPresetNameLen, 'n');  // longer than any preset name
  CFTypeRef tooLong = CFStringCreateWithCString(nullptr, longName.c_str(), kCFStringEncodingUTF8);
  CFTypeRef unityName = CFStringCreateWithCString(nullptr, "Unity", kCFStringEncodingUTF8);
  owned = {otherSubtype, wrongType, tooLong, unityName};
  bad.push_back(WithKey(plist, "subtype", otherSubtype));
  bad.push_back(WithKey(plist, "manufacturer", otherSubtype));
  bad.push_back(WithKey(plist, "type", wrongType));
  for (const char* key : {"version", "type", "subtype", "manufacturer", "name"})
    bad.push_back(WithKey(plist, key, nullptr));
  bad.push_back(WithKey(plist, "name", tooLong));
  bad.push_back(WithKey(plist, "data", unityName));
  // A missing state must not select the named preset either.
  CFMutableDictionaryRef noData = WithKey(plist, "data", nullptr);
  bad.push_back(noData);
  for (CFMutableDictionaryRef dict : bad) {
    EXPECT_EQ(SetClassInfo(unit, dict), kAudioUnitErr_InvalidPropertyValue);
    EXPECT_EQ(Values(plug), before);
    EXPECT_EQ(plug->GetCurrentPresetIdx(), 2);
    CFRelease(dict);
  }
  // Not a dictionary at all, and a null list.
  EXPECT_EQ(SetClassInfo(unit, unityName), kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(SetClassInfo(unit, nullptr), kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_ClassInfo, 0, 0, nullptr, 8),
            kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(Values(plug), before);
  for (CFTypeRef cf : owned) CFRelease(cf);
  CFRelease(plist);
}

// A damaged state (empty, short, long, a value that is not a finite number)
// is refused whole: InvalidPropertyValue, no parameter changes, and the
// preset the dictionary names is not selected either. Catches a restore that
// applies what it could read and reports success.
TEST_F(AUStateTest, DamagedDataIsRefusedWithNothingChanged) {
  CFPropertyListRef plist = GetClassInfo(unit);  // names preset 0, "Unity"
  CFStringRef dataKey = CFStringCreateWithCString(nullptr, "data", kCFStringEncodingUTF8);
  CFDataRef full = static_cast<CFDataRef>(CFDictionaryGetValue(static_cast<CFDictionaryRef>(plist), dataKey));
  const std::vector<UInt8> whole(CFDataGetBytePtr(full), CFDataGetBytePtr(full) + CFDataGetLength(full));
  auto withValue = [&](int index, double v) {
    std::vector<UInt8> bytes = whole;
    std::memcpy(&bytes[8 * index], &v, 8);  // little-endian machine
    return bytes;
  };
  std::vector<UInt8> longer = whole;
  longer.resize(whole.size() + 8);
  const std::vector<std::vector<UInt8>> damaged = {
      {}, std::vector<UInt8>(whole.begin(), whole.begin() + 8), std::vector<UInt8>(whole.begin(), whole.end() - 3),
      longer, withValue(kMode, std::nan("")), withValue(kSteps, INFINITY)};

  ASSERT_EQ(AudioUnitSetParameter(unit, kGain, 0, 0, 1.5f, 0), noErr);
  AUPreset half = {1, nullptr};
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_PresentPreset, 0, 0, &half, sizeof(half)), noErr);
  ASSERT_EQ(AudioUnitSetParameter(unit, kSteps, 0, 0, 8.0f, 0), noErr);
  const std::vector<double> before = Values(plug);
  for (const auto& bytes : damaged) {
    CFDataRef data = CFDataCreate(nullptr, bytes.data(), static_cast<CFIndex>(bytes.size()));
    CFMutableDictionaryRef edited = WithKey(plist, "data", data);
    EXPECT_EQ(SetClassInfo(unit, edited), kAudioUnitErr_InvalidPropertyValue) << bytes.size();
    EXPECT_EQ(Values(plug), before) << bytes.size();
    EXPECT_EQ(plug->GetCurrentPresetIdx(), 1) << bytes.size();
    CFRelease(edited);
    CFRelease(data);
  }
  // A huge blob is refused by its size before it is copied (up to 2 GiB
  // was copied first).
  const std::vector<UInt8> huge(64 << 20, 0);
  CFDataRef hugeData = CFDataCreate(nullptr, huge.data(), static_cast<CFIndex>(huge.size()));
  CFMutableDictionaryRef withHuge = WithKey(plist, "data", hugeData);
  {
    corvane_test::AllocationScope scope;
    EXPECT_EQ(SetClassInfo(unit, withHuge), kAudioUnitErr_InvalidPropertyValue);
    EXPECT_LT(scope.Largest(), 1 << 20);
  }
  CFRelease(withHuge);
  CFRelease(hugeData);
  EXPECT_EQ(SetClassInfo(unit, plist), noErr);  // the whole state still restores
  EXPECT_EQ(plug->GetCurrentPresetIdx(), 0);
  CFRelease(dataKey);
  CFRelease(plist);
}

TEST_F(AUPresetTest, FactoryPresetsListEveryPresetInOrder) {
  CFArrayRef presets = nullptr;
  UInt32 size = sizeof(presets);
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_FactoryPresets, 0, 0, &presets, &size), noErr);
  ASSERT_EQ(CFArrayGetCount(presets), 3);
  const char* names[] = {"Unity", "Half", "Silent"};
  for (int i = 0; i < 3; ++i) {
    const AUPreset* preset = static_cast<const AUPreset*>(CFArrayGetValueAtIndex(presets, i));
    EXPECT_EQ(preset->presetNumber, i);
    EXPECT_EQ(ToStd(preset->presetName), names[i]);
  }
  CFStringRef description = kCFAUPresetArrayCallBacks.copyDescription(CFArrayGetValueAtIndex(presets, 1));
  if (description) {
    EXPECT_NE(ToStd(description).find("preset number = 1"), std::string::npos);
    CFRelease(description);
  }
  CFRelease(presets);
}

TEST_F(AUPresetTest, PresentPresetSelectsAndReportsAndIgnoresBadNumbers) {
  AUPreset select = {2, nullptr};
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_PresentPreset, 0, 0, &select, sizeof(select)), noErr);
  EXPECT_EQ(plug->GetParam(kGain)->Value(), 0.0);
  for (SInt32 bad : {3, 100, -1}) {
    select.presetNumber = bad;
    EXPECT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_PresentPreset, 0, 0, &select, sizeof(select)), noErr);
    EXPECT_EQ(plug->GetCurrentPresetIdx(), 2);
  }
  AUPreset current = {-1, nullptr};
  UInt32 size = sizeof(current);
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_CurrentPreset, 0, 0, &current, &size), noErr);
  EXPECT_EQ(current.presetNumber, 2);
  EXPECT_EQ(ToStd(current.presetName), "Silent");
  CFRelease(current.presetName);
}

TEST_F(AUPresetTest, RecordsCountReferencesAndCompareByNumberAndName) {
  CFStringRef name = CFStringCreateWithCString(nullptr, "Snare", kCFStringEncodingUTF8);
  CFAUPresetRef a = CFAUPresetCreate(kCFAllocatorDefault, 4, name);
  CFAUPresetRef b = CFAUPresetCreate(kCFAllocatorDefault, 4, name);
  CFAUPresetRef c = CFAUPresetCreate(kCFAllocatorDefault, 5, name);
  CFRelease(name);
  ASSERT_TRUE(a && b && c);
  EXPECT_TRUE(kCFAUPresetArrayCallBacks.equal(a, b));
  EXPECT_FALSE(kCFAUPresetArrayCallBacks.equal(a, c));
  EXPECT_EQ(CFAUPresetRetain(a), a);
  EXPECT_EQ(a->retainCount, 2);
  CFAUPresetRelease(a);
  EXPECT_EQ(a->retainCount, 1);
  CFAUPresetRelease(a);
  CFAUPresetRelease(b);
  CFAUPresetRelease(c);
  CFAUPresetRelease(nullptr);
  EXPECT_EQ(CFAUPresetRetain(nullptr), nullptr);

  CFArrayCallBacks callBacks;
  std::memset(&callBacks, 0, sizeof(callBacks));
  EXPECT_EQ(CFAUPresetArrayCallBacks_Init(&callBacks), &callBacks);
  EXPECT_EQ(callBacks.retain, kCFAUPresetArrayCallBacks.retain);
  EXPECT_EQ(callBacks.equal, kCFAUPresetArrayCallBacks.equal);
  EXPECT_EQ(CFAUPresetArrayCallBacks_Init(nullptr), nullptr);

  CFAUPresetRef unnamed = CFAUPresetCreate(kCFAllocatorDefault, 0, nullptr);
  ASSERT_NE(unnamed, nullptr);
  EXPECT_EQ(unnamed->auPreset.presetName, nullptr);
  CFAUPresetRelease(unnamed);
}

}  // namespace
}  // namespace au_test
