#include "tests/au/AUEntryScript.h"

#include <AudioToolbox/AudioToolbox.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "tests/au/ScriptBytes.h"
#include "tests/au/TestAUPlug.h"

namespace au_test {

namespace {

// The statuses the entry documents; anything else is a fault.
bool Known(OSStatus status) {
  switch (status) {
    case noErr:
    case kAudioUnitErr_InvalidProperty:
    case kAudioUnitErr_InvalidParameter:
    case kAudioUnitErr_InvalidElement:
    case kAudioUnitErr_InvalidScope:
    case kAudioUnitErr_InvalidPropertyValue:
    case kAudioUnitErr_PropertyNotInUse:
    case kAudioUnitErr_Initialized:  // a change of the render setup while initialized
    case kAudioUnitErr_Uninitialized:  // a render before Initialize or after Uninitialize
    case badComponentSelector:
      return true;
    default:
      return false;
  }
}

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
    case kAudioUnitProperty_ParameterValueStrings:
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
    default:
      return;
  }
  if (obj) CFRelease(obj);
}

class Host {
public:
  Host(ScriptBytes& s, AudioUnit unit, AUEntryScriptResult& result) : s(s), mUnit(unit), mResult(result) {}

  void Check(OSStatus status) {
    if (!Known(status) && mResult.unknownStatusStep < 0) {
      mResult.unknownStatusStep = mResult.steps;
      mResult.unknownStatus = status;
    }
  }

  void Step() {
    const AudioUnitScope scope = s.Byte() % 6;
    const AudioUnitElement element = s.Byte() % 3 ? s.Byte() % 3 : s.U32();
    switch (s.Byte() % 9) {
      case 0: {  // property info for any id
        const AudioUnitPropertyID id = s.Byte() % 2 ? s.U32() % 1001 : s.Byte() % 48;
        UInt32 sz = 0;
        Boolean writable = false;
        Check(AudioUnitGetPropertyInfo(mUnit, id, scope, element, &sz, &writable));
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
        const OSStatus st = AudioUnitGetProperty(mUnit, id, scope, element, out.data(), &sz);
        Check(st);
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
        const UInt32 size = s.Byte() % 2 ? 64 : s.Byte() % 64;
        Check(AudioUnitSetProperty(mUnit, id, scope, element, in.data(), size));
        break;
      }
      case 3: {
        const AudioUnitParameterID id = s.Byte() % 2 ? s.Byte() % 6 : s.U32();
        const AudioUnitParameterValue value = s.F32();
        Check(AudioUnitSetParameter(mUnit, id, scope, element, value, 0));
        break;
      }
      case 4: {
        AudioUnitParameterValue v = 0;
        Check(AudioUnitGetParameter(mUnit, s.Byte() % 6, scope, element, &v));
        break;
      }
      case 5: {
        CFDictionaryRef dict = ClassInfo();
        Check(AudioUnitSetProperty(mUnit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &dict,
                                   sizeof dict));
        CFRelease(dict);
        break;
      }
      case 6:
        Check(s.Byte() % 2 ? AudioUnitInitialize(mUnit) : AudioUnitUninitialize(mUnit));
        break;
      case 7:
        Check(AudioUnitReset(mUnit, scope, element));
        break;
      default:
        Render();
        break;
    }
  }

private:
  // The unit's saved state with a few keys replaced or removed.
  CFDictionaryRef ClassInfo() {
    CFPropertyListRef saved = nullptr;
    UInt32 size = sizeof saved;
    Check(AudioUnitGetProperty(mUnit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &saved, &size));
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
          const size_t length = s.Byte() % 100 + 1;
          std::vector<char> text(length, static_cast<char>('a' + s.Byte() % 26));
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

  // Output memory of the script's size, null or short; freed after the call.
  void Render() {
    const UInt32 frames = s.Byte() % 2 ? s.U32() % 5000 : s.Byte() * 8;
    const UInt32 nBuffers = s.Byte() % 4;
    const bool nullData = s.Byte() % 4 == 0;
    const UInt32 perBuffer = std::min<UInt32>(frames, 8192);
    std::vector<float> memory(static_cast<size_t>(perBuffer) * 3 + 1);
    std::vector<uint8_t> listBytes(sizeof(AudioBufferList) + 4 * sizeof(AudioBuffer));
    auto* list = reinterpret_cast<AudioBufferList*>(listBytes.data());
    list->mNumberBuffers = nBuffers;
    for (UInt32 i = 0; i < nBuffers; ++i) {
      list->mBuffers[i].mNumberChannels = 1;
      list->mBuffers[i].mDataByteSize = perBuffer * 4;
      list->mBuffers[i].mData = nullData ? nullptr : memory.data() + i * perBuffer;
    }
    AudioTimeStamp ts = {};
    ts.mSampleTime = mSampleTime;
    ts.mFlags = s.Byte() % 8 ? kAudioTimeStampSampleTimeValid : 0;
    if (s.Byte() % 3) mSampleTime += frames;
    AudioUnitRenderActionFlags flags = 0;
    Check(AudioUnitRender(mUnit, &flags, &ts, s.Byte() % 2, frames, list));
  }

  ScriptBytes& s;
  AudioUnit mUnit;
  AUEntryScriptResult& mResult;
  double mSampleTime = 0.0;
};

}  // namespace

bool AUEntryScriptResult::Passed() const {
  return opened && unknownStatusStep < 0 && leakedObjects == 0 && leakedBlocks == 0 && usageErrors == 0;
}

std::string AUEntryScriptResult::Describe() const {
  if (!opened) return "the test unit did not open";
  std::string text = std::to_string(steps) + " steps";
  if (unknownStatusStep >= 0)
    text += "; step " + std::to_string(unknownStatusStep) + " answered " + std::to_string(unknownStatus);
  if (leakedObjects) text += "; CF objects leaked: " + std::to_string(leakedObjects);
  if (leakedBlocks) text += "; CF allocations leaked: " + std::to_string(leakedBlocks);
  if (usageErrors) text += "; CF usage errors: " + std::to_string(usageErrors);
  return text;
}

AUEntryScriptResult RunAUEntryScript(const uint8_t* data, size_t size) {
  AUEntryScriptResult result;
  const Component component = TestComponent();
  const CFCounts atStart = CFCounts::Now();
  AudioUnit unit = nullptr;
  if (OpenAComponent(component, &unit) != noErr || !unit) return result;
  result.opened = true;
  ScriptBytes s(data, size);
  Host host(s, unit, result);
  AURenderCallbackStruct callback = {RenderCallback, nullptr};
  host.Check(AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0,
                                  &callback, sizeof callback));
  for (; result.steps < 64 && s.More(); ++result.steps) host.Step();
  host.Check(CloseComponent(unit));
  const CFCounts atEnd = CFCounts::Now();
  result.leakedObjects = atEnd.objects - atStart.objects;
  result.leakedBlocks = atEnd.blocks - atStart.blocks;
  result.usageErrors = atEnd.usageErrors - atStart.usageErrors;
  return result;
}

}  // namespace au_test
