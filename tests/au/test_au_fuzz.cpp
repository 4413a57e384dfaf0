// A seeded random host: a few thousand property, parameter, render and
// class-info calls through the entry. Every answer must be a known status,
// nothing may crash or trip a sanitizer, and every CF object is released.
#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "tests/au/TestAUPlug.h"

namespace au_test {
namespace {

class AUFuzzTest : public AUHostTest {
protected:
  std::mt19937 rng{20260508};
  int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
  bool Coin() { return Uniform(0, 1) == 1; }

  float RandomValue() {
    switch (Uniform(0, 5)) {
      case 0: return std::nanf("");
      case 1: return INFINITY;
      case 2: return -1e9f;
      default: return std::uniform_real_distribution<float>(-3.0f, 12.0f)(rng);
    }
  }

  CFTypeRef RandomValueObject() {
    switch (Uniform(0, 4)) {
      case 0: {
        SInt32 v = Coin() ? static_cast<SInt32>(rng()) : static_cast<SInt32>(kTestSubtype);
        return CFNumberCreate(nullptr, kCFNumberSInt32Type, &v);
      }
      case 1: {
        std::string text(static_cast<size_t>(Uniform(0, 80)), static_cast<char>('a' + Uniform(0, 25)));
        if (Coin()) text = "Half";
        return CFStringCreateWithCString(nullptr, text.c_str(), kCFStringEncodingUTF8);
      }
      case 2: {
        std::vector<UInt8> bytes(static_cast<size_t>(Uniform(0, 100)));
        for (UInt8& b : bytes) b = static_cast<UInt8>(rng());
        return CFDataCreate(nullptr, bytes.empty() ? nullptr : bytes.data(), static_cast<CFIndex>(bytes.size()));
      }
      case 3: {
        double d = std::uniform_real_distribution<double>(-1e6, 1e6)(rng);
        return CFNumberCreate(nullptr, kCFNumberFloat64Type, &d);
      }
      default:
        return CFArrayCreate(nullptr, nullptr, 0, &kCFTypeArrayCallBacks);
    }
  }

  // A saved dictionary with some keys replaced or removed, or a random one.
  CFMutableDictionaryRef RandomClassInfo() {
    CFMutableDictionaryRef dict;
    if (Coin()) {
      CFPropertyListRef saved = nullptr;
      UInt32 size = sizeof(saved);
      EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ClassInfo, 0, 0, &saved, &size), noErr);
      dict = CFDictionaryCreateMutableCopy(nullptr, 0, static_cast<CFDictionaryRef>(saved));
      CFRelease(saved);
    } else {
      dict = CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                                       &kCFTypeDictionaryValueCallBacks);
    }
    const char* keys[] = {"version", "type", "subtype", "manufacturer", "name", "data", "other"};
    for (int n = Uniform(0, 3); n > 0; --n) {
      CFStringRef key = CFStringCreateWithCString(nullptr, keys[Uniform(0, 6)], kCFStringEncodingUTF8);
      if (Uniform(0, 3) == 0) {
        CFDictionaryRemoveValue(dict, key);
      } else {
        CFTypeRef value = RandomValueObject();
        CFDictionarySetValue(dict, key, value);
        CFRelease(value);
      }
      CFRelease(key);
    }
    return dict;
  }

  void ReleaseGotten(AudioUnitPropertyID id, void* data) {
    switch (id) {
      case kAudioUnitProperty_ClassInfo:
      case kAudioUnitProperty_ElementName:
      case kAudioUnitProperty_FactoryPresets:
      case kAudioUnitProperty_ParameterValueStrings:
        if (*static_cast<CFTypeRef*>(data)) CFRelease(*static_cast<CFTypeRef*>(data));
        break;
      case kAudioUnitProperty_CurrentPreset:
      case kAudioUnitProperty_PresentPreset:
        if (static_cast<AUPreset*>(data)->presetName) CFRelease(static_cast<AUPreset*>(data)->presetName);
        break;
      case kAudioUnitProperty_ParameterInfo: {
        AudioUnitParameterInfo* info = static_cast<AudioUnitParameterInfo*>(data);
        if (info->cfNameString) CFRelease(info->cfNameString);
        if (info->unitName) CFRelease(info->unitName);
        break;
      }
      case kAudioUnitProperty_ParameterStringFromValue:
        if (static_cast<AudioUnitParameterStringFromValue*>(data)->outString)
          CFRelease(static_cast<AudioUnitParameterStringFromValue*>(data)->outString);
        break;
      case kAudioUnitProperty_ParameterIDName:
      case kAudioUnitProperty_ParameterClumpName:
        if (static_cast<AudioUnitParameterNameInfo*>(data)->outName)
          CFRelease(static_cast<AudioUnitParameterNameInfo*>(data)->outName);
        break;
      default:
        break;
    }
  }
};

bool Known(OSStatus status) {
  switch (status) {
    case noErr:
    case kAudioUnitErr_InvalidProperty:
    case kAudioUnitErr_InvalidParameter:
    case kAudioUnitErr_InvalidElement:
    case kAudioUnitErr_InvalidScope:
    case kAudioUnitErr_InvalidPropertyValue:
    case kAudioUnitErr_PropertyNotInUse:
    case badComponentSelector:
      return true;
    default:
      return false;
  }
}

TEST_F(AUFuzzTest, RandomHostCallsAreAnsweredSafely) {
  CFSetUsageErrorReporting(true);
  AudioUnit source = nullptr;
  ASSERT_EQ(OpenAComponent(SourceComponent(), &source), noErr);
  ASSERT_EQ(AudioUnitInitialize(source), noErr);
  std::vector<float> buffers(2 * 5000);
  double sampleTime = 0;
  const float someValue = 0.5f;
  CFStringRef someText = CFStringCreateWithCString(nullptr, "Medium", kCFStringEncodingUTF8);

  for (int call = 0; call < 4000; ++call) {
    OSStatus status = noErr;
    const AudioUnitScope scope = static_cast<AudioUnitScope>(Uniform(0, 4));
    const AudioUnitElement element = static_cast<AudioUnitElement>(Coin() ? Uniform(0, 3) : rng());
    switch (Uniform(0, 11)) {
      case 0: {  // info on anything
        UInt32 size = 0;
        Boolean writable = false;
        status = AudioUnitGetPropertyInfo(unit, static_cast<UInt32>(Uniform(0, 60)), scope, element, &size, &writable);
        break;
      }
      case 1: {  // a get with properly formed input records
        const AudioUnitPropertyID id = static_cast<AudioUnitPropertyID>(Uniform(0, 40));
        alignas(8) unsigned char data[256] = {};
        if (id == kAudioUnitProperty_ParameterStringFromValue) {
          auto* r = reinterpret_cast<AudioUnitParameterStringFromValue*>(data);
          r->inParamID = static_cast<UInt32>(Uniform(-1, 6));
          r->inValue = Coin() ? &someValue : nullptr;
        } else if (id == kAudioUnitProperty_ParameterValueFromString) {
          auto* r = reinterpret_cast<AudioUnitParameterValueFromString*>(data);
          r->inParamID = static_cast<UInt32>(Uniform(-1, 6));
          r->inString = Coin() ? someText : nullptr;
        } else if (id == kAudioUnitProperty_ParameterIDName || id == kAudioUnitProperty_ParameterClumpName) {
          auto* r = reinterpret_cast<AudioUnitParameterNameInfo*>(data);
          r->inID = static_cast<UInt32>(Uniform(-1, 6));
          r->inDesiredLength = Uniform(-5, 40);
        }
        UInt32 size = Coin() ? sizeof(data) : static_cast<UInt32>(Uniform(0, 16));
        status = AudioUnitGetProperty(unit, id, scope, element, data, &size);
        if (status == noErr) ReleaseGotten(id, data);
        break;
      }
      case 2: {  // scalar sets
        const AudioUnitPropertyID ids[] = {kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitProperty_BypassEffect,
                                           kAudioUnitProperty_OfflineRender, kAudioUnitProperty_CurrentPreset,
                                           kAudioUnitProperty_PresentPreset, 7, 999};
        const AudioUnitPropertyID id = ids[Uniform(0, 6)];
        UInt32 values[4] = {static_cast<UInt32>(Coin() ? Uniform(0, 5000) : rng()), 0, 0, 0};
        status = AudioUnitSetProperty(unit, id, scope, element, Uniform(0, 9) ? values : nullptr,
                                      static_cast<UInt32>(Uniform(0, 16)));
        break;
      }
      case 3: {  // sample rates
        Float64 rate = Coin() ? 48000.0 : std::uniform_real_distribution<double>(-1e8, 1e8)(rng);
        status = AudioUnitSetProperty(unit, kAudioUnitProperty_SampleRate, scope, element, &rate, sizeof(rate));
        break;
      }
      case 4: {  // stream formats
        AudioStreamBasicDescription asbd = FloatFormat(Coin() ? Uniform(0, 3) : static_cast<int>(rng() % 100000));
        if (Uniform(0, 4) == 0) asbd.mFormatID = rng();
        if (Uniform(0, 4) == 0) asbd.mFormatFlags = rng();
        if (Uniform(0, 4) == 0) asbd.mSampleRate = -1.0;
        status = AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, scope, element, &asbd, sizeof(asbd));
        break;
      }
      case 5: {  // input sources
        if (Coin()) {
          AudioUnitConnection conn = {Coin() ? source : nullptr, static_cast<UInt32>(Uniform(0, 1)),
                                      static_cast<UInt32>(Uniform(0, 1))};
          status = AudioUnitSetProperty(unit, kAudioUnitProperty_MakeConnection, scope, element, &conn, sizeof(conn));
        } else {
          AURenderCallbackStruct cb = {Coin() ? &AUHostTest::InputCallback : nullptr, this};
          status = AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, scope, element, &cb, sizeof(cb));
        }
        break;
      }
      case 6:
      case 7: {  // renders
        const int nBuffers = Uniform(0, 3);
        HostBuffers list(nBuffers > 0 ? nBuffers : 1, 1, false);
        const UInt32 frames = static_cast<UInt32>(Coin() ? Uniform(0, 2048) : Uniform(0, 5000));
        AudioBufferList* abl = list.List();
        abl->mNumberBuffers = static_cast<UInt32>(nBuffers);
        for (int b = 0; b < nBuffers; ++b) {
          abl->mBuffers[b].mDataByteSize = static_cast<UInt32>(sizeof(float) * (Coin() ? frames : Uniform(0, 5000)));
          abl->mBuffers[b].mData = Coin() ? buffers.data() + b * 5000 : nullptr;
          if (abl->mBuffers[b].mDataByteSize > sizeof(float) * 5000) abl->mBuffers[b].mDataByteSize = sizeof(float) * 5000;
        }
        if (Uniform(0, 3)) sampleTime += frames;
        status = Render(sampleTime, static_cast<int>(frames), Uniform(0, 9) ? abl : nullptr,
                        static_cast<UInt32>(Uniform(0, 9) ? 0 : Uniform(1, 3)));
        break;
      }
      case 8: {  // parameters
        const UInt32 id = static_cast<UInt32>(Coin() ? Uniform(0, 6) : rng());
        if (Coin()) {
          status = AudioUnitSetParameter(unit, id, scope == 4 ? 0 : 0, 0, RandomValue(), 0);
        } else {
          AudioUnitParameterValue value = 0;
          status = AudioUnitGetParameter(unit, id, Coin() ? 0 : scope, element, Coin() ? &value : nullptr);
        }
        break;
      }
      case 9: {  // class info
        CFMutableDictionaryRef dict = RandomClassInfo();
        CFPropertyListRef plist = dict;
        status = AudioUnitSetProperty(unit, kAudioUnitProperty_ClassInfo, scope, element, &plist, sizeof(plist));
        CFRelease(dict);
        break;
      }
      case 10:
        status = Coin() ? AudioUnitInitialize(unit) : AudioUnitUninitialize(unit);
        break;
      default:
        status = AudioUnitReset(unit, scope, element);
        break;
    }
    ASSERT_TRUE(Known(status) || status == -1234) << "call " << call << " -> " << status;
  }
  // Disconnect before the source goes away.
  AudioUnitConnection none = {nullptr, 0, 0};
  AudioUnitSetProperty(unit, kAudioUnitProperty_MakeConnection, 1, 0, &none, sizeof(none));
  CloseComponent(source);
  CFRelease(someText);
}

}  // namespace
}  // namespace au_test
