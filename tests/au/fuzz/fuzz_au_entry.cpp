// libFuzzer target: the input bytes script a host that opens a unit and
// makes property, parameter, render and class-info calls through the
// component entry. Every answer must be a status (no crash, no sanitizer
// report), and every CF object handed out is released again.
#include <AudioToolbox/AudioToolbox.h>
#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CFDebugCounters.h>
#include <CoreServices/ComponentRegistry.h>
#include <CoreServices/CoreServices.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "host/au/IPlugAU.h"

namespace {

constexpr OSType kSubtype = 0x467A4155;  // 'FzAU'
constexpr OSType kMfr = 0x54657374;      // 'Test'

// A little of every parameter type, a latency and presets.
class FuzzPlug : public IPlugAU {
public:
  explicit FuzzPlug(const IPlugInstanceInfo& info)
      : IPlugAU(info, 4, "1-1 2-2", 2, "FuzzPlug", "", "Test", 0x10000, static_cast<int>(kSubtype),
                static_cast<int>(kMfr), 16) {
    GetParam(0)->InitDouble("Gain", 1.0, 0.0, 2.0, 0.01, "x", "Levels");
    GetParam(1)->InitEnum("Mode", 0, 3, "", "Character");
    GetParam(1)->SetDisplayText(0, "A");
    GetParam(1)->SetDisplayText(1, "B");
    GetParam(1)->SetDisplayText(2, "C");
    GetParam(2)->InitBool("On", true);
    GetParam(3)->InitInt("Steps", 0, -5, 5, "st", "Levels");
    MakePreset("one", 0.5, 1, 1, 2);
    MakePreset("two", 1.5, 2, 0, -3);
  }
  void ProcessDoubleReplacing(double** in, double** out, int n) override {
    for (int c = 0; c < 2; ++c)
      for (int i = 0; i < n; ++i) out[c][i] = in[c][i] * 0.5;
  }
};

IPlugAU* MakeFuzzPlug() {
  IPlugInstanceInfo info;
  info.mOSXBundleID.Set("com.Test.audiounit.FuzzPlug");
  info.mCocoaViewFactoryClassName.Set("FuzzPlug_View");
  return new FuzzPlug(info);
}

extern "C" ComponentResult FuzzPlug_Entry(ComponentParameters* p, Handle storage) {
  return IPlugAU::IPlugAUEntry(p, storage, MakeFuzzPlug);
}

Component TheComponent() {
  static Component c = [] {
    ComponentDescription cd = {kAudioUnitType_Effect, kSubtype, kMfr, 0, 0};
    return RegisterComponentEntry(&cd, FuzzPlug_Entry, "Test: FuzzPlug");
  }();
  return c;
}

// Reads the script; past its end everything reads as 0.
class Script {
public:
  Script(const uint8_t* d, size_t n) : mData(d), mSize(n) {}
  bool More() const { return mPos < mSize; }
  uint8_t Byte() { return mPos < mSize ? mData[mPos++] : 0; }
  uint32_t U32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | Byte();
    return v;
  }
  float F32() {
    const uint32_t bits = U32();
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
  }
  void Bytes(void* out, size_t n) {
    for (size_t i = 0; i < n; ++i) static_cast<uint8_t*>(out)[i] = Byte();
  }

private:
  const uint8_t* mData;
  size_t mSize;
  size_t mPos = 0;
};

// Property ids whose value is plain data, so random bytes of the right size
// are a legal (if odd) request. Pointer-carrying ones get valid or null pointers.
const AudioUnitPropertyID kPlainProperties[] = {
    kAudioUnitProperty_SampleRate, kAudioUnitProperty_StreamFormat,
    kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitProperty_BypassEffect,
    kAudioUnitProperty_CurrentPreset, kAudioUnitProperty_PresentPreset,
    kAudioUnitProperty_OfflineRender, kAudioUnitProperty_Latency, kAudioUnitProperty_TailTime,
    kAudioUnitProperty_ElementCount, kAudioUnitProperty_ParameterList};

OSStatus RenderCallback(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32,
                        UInt32 frames, AudioBufferList* list) {
  for (UInt32 i = 0; i < list->mNumberBuffers; ++i)
    if (list->mBuffers[i].mData && list->mBuffers[i].mDataByteSize >= frames * 4)
      std::memset(list->mBuffers[i].mData, 0x3f, frames * 4);
  return noErr;
}

void ReleaseIfCF(AudioUnitPropertyID id, const std::vector<uint8_t>& out, OSStatus status) {
  if (status != noErr) return;
  CFTypeRef obj = nullptr;
  switch (id) {
    case kAudioUnitProperty_ClassInfo:
    case kAudioUnitProperty_FactoryPresets:
    case kAudioUnitProperty_ElementName:
      std::memcpy(&obj, out.data(), sizeof obj);
      break;
    case kAudioUnitProperty_CurrentPreset:
    case kAudioUnitProperty_PresentPreset:
      obj = reinterpret_cast<const AUPreset*>(out.data())->presetName;
      break;
    case kAudioUnitProperty_ParameterInfo: {
      const auto* info = reinterpret_cast<const AudioUnitParameterInfo*>(out.data());
      if (info->flags & kAudioUnitParameterFlag_CFNameRelease) {
        if (info->cfNameString) CFRelease(info->cfNameString);
        if (info->unitName) CFRelease(info->unitName);
      }
      return;
    }
    case kAudioUnitProperty_ParameterValueStrings:
      std::memcpy(&obj, out.data(), sizeof obj);
      break;
    default:
      return;
  }
  if (obj) CFRelease(obj);
}

CFDictionaryRef ScriptedClassInfo(Script& s, AudioUnit unit) {
  CFPropertyListRef saved = nullptr;
  UInt32 size = sizeof saved;
  AudioUnitGetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &saved, &size);
  CFMutableDictionaryRef dict =
      saved ? CFDictionaryCreateMutableCopy(nullptr, 0, static_cast<CFDictionaryRef>(saved))
            : CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                                        &kCFTypeDictionaryValueCallBacks);
  if (saved) CFRelease(saved);
  static const char* kKeys[] = {"version", "type", "subtype", "manufacturer", "name", "data"};
  const int edits = s.Byte() % 4;
  for (int e = 0; e < edits; ++e) {
    CFStringRef key = CFStringCreateWithCString(nullptr, kKeys[s.Byte() % 6], kCFStringEncodingUTF8);
    CFTypeRef value = nullptr;
    switch (s.Byte() % 4) {
      case 0: {
        SInt32 v = static_cast<SInt32>(s.U32());
        value = CFNumberCreate(nullptr, kCFNumberSInt32Type, &v);
        break;
      }
      case 1: {
        std::vector<uint8_t> bytes(s.Byte());
        s.Bytes(bytes.data(), bytes.size());
        value = CFDataCreate(nullptr, bytes.data(), static_cast<CFIndex>(bytes.size()));
        break;
      }
      case 2: {
        std::vector<char> text(s.Byte() % 100 + 1, 'a' + s.Byte() % 26);
        text.back() = '\0';
        value = CFStringCreateWithCString(nullptr, text.data(), kCFStringEncodingUTF8);
        break;
      }
      default:
        CFDictionaryRemoveValue(dict, key);
        break;
    }
    if (value) {
      CFDictionarySetValue(dict, key, value);
      CFRelease(value);
    }
    CFRelease(key);
  }
  return dict;
}

void Render(Script& s, AudioUnit unit, double& sampleTime) {
  const UInt32 frames = s.Byte() % 2 ? s.U32() % 5000 : s.Byte() * 8;
  const UInt32 nBuffers = s.Byte() % 4;
  const bool nullData = s.Byte() % 4 == 0;
  std::vector<float> memory(static_cast<size_t>(std::min<UInt32>(frames, 8192)) * 3 + 1);
  std::vector<uint8_t> listBytes(sizeof(AudioBufferList) + 4 * sizeof(AudioBuffer));
  auto* list = reinterpret_cast<AudioBufferList*>(listBytes.data());
  list->mNumberBuffers = nBuffers;
  for (UInt32 i = 0; i < nBuffers; ++i) {
    list->mBuffers[i].mNumberChannels = 1;
    list->mBuffers[i].mDataByteSize = std::min<UInt32>(frames, 8192) * 4;
    list->mBuffers[i].mData = nullData ? nullptr : memory.data() + i * std::min<UInt32>(frames, 8192);
  }
  AudioTimeStamp ts = {};
  ts.mSampleTime = sampleTime;
  ts.mFlags = s.Byte() % 8 ? kAudioTimeStampSampleTimeValid : 0;
  if (s.Byte() % 3) sampleTime += frames;
  AudioUnitRenderActionFlags flags = 0;
  AudioUnitRender(unit, &flags, &ts, s.Byte() % 2, frames, list);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const long liveAtStart = CFLiveObjectCount();
  CFSetUsageErrorReporting(false);
  Script s(data, size);
  AudioUnit unit = nullptr;
  if (OpenAComponent(TheComponent(), &unit) != noErr || !unit) return 0;
  AURenderCallbackStruct callback = {RenderCallback, nullptr};
  AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0,
                       &callback, sizeof callback);
  double sampleTime = 0.0;
  for (int step = 0; step < 64 && s.More(); ++step) {
    const AudioUnitScope scope = s.Byte() % 6;
    const AudioUnitElement element = s.Byte() % 3 ? s.Byte() % 3 : s.U32();
    switch (s.Byte() % 9) {
      case 0: {  // property info for any id
        const AudioUnitPropertyID id = s.Byte() % 2 ? s.U32() % 1001 : s.Byte() % 48;
        UInt32 sz = 0;
        Boolean writable = false;
        AudioUnitGetPropertyInfo(unit, id, scope, element, &sz, &writable);
        break;
      }
      case 1: {  // get into a buffer of scripted size
        const AudioUnitPropertyID id = s.Byte() % 48;
        std::vector<uint8_t> out(512, 0);
        UInt32 sz = s.Byte() % 2 ? 512 : s.Byte();
        if (id == kAudioUnitProperty_ParameterStringFromValue ||
            id == kAudioUnitProperty_ParameterIDName || id == kAudioUnitProperty_ParameterClumpName ||
            id == kAudioUnitProperty_ParameterValueFromString)
          break;  // these carry host pointers in their records: exercised by the unit tests
        const OSStatus st = AudioUnitGetProperty(unit, id, scope, element, out.data(), &sz);
        ReleaseIfCF(id, out, st);
        break;
      }
      case 2: {  // set a plain-data property with scripted bytes
        const AudioUnitPropertyID id = kPlainProperties[s.Byte() % (sizeof kPlainProperties / sizeof kPlainProperties[0])];
        std::vector<uint8_t> in(64);
        s.Bytes(in.data(), in.size());
        if (id == kAudioUnitProperty_MaximumFramesPerSlice && s.Byte() % 2) {
          const UInt32 frames = s.Byte() * 16;
          std::memcpy(in.data(), &frames, 4);
        }
        AudioUnitSetProperty(unit, id, scope, element, in.data(), s.Byte() % 2 ? 64 : s.Byte() % 64);
        break;
      }
      case 3:
        AudioUnitSetParameter(unit, s.Byte() % 2 ? s.Byte() % 6 : s.U32(), scope, element, s.F32(), 0);
        break;
      case 4: {
        AudioUnitParameterValue v = 0;
        AudioUnitGetParameter(unit, s.Byte() % 6, scope, element, &v);
        break;
      }
      case 5: {
        CFDictionaryRef dict = ScriptedClassInfo(s, unit);
        AudioUnitSetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &dict,
                             sizeof dict);
        CFRelease(dict);
        break;
      }
      case 6:
        if (s.Byte() % 2) AudioUnitInitialize(unit); else AudioUnitUninitialize(unit);
        break;
      case 7:
        AudioUnitReset(unit, scope, element);
        break;
      default:
        Render(s, unit, sampleTime);
        break;
    }
  }
  CloseComponent(unit);
  if (CFLiveObjectCount() != liveAtStart) {
    std::fprintf(stderr, "CF objects leaked: %ld\n", CFLiveObjectCount() - liveAtStart);
    std::abort();
  }
  return 0;
}
