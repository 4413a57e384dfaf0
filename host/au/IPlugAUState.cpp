// IPlugAU: the class-info dictionary (the unit's saved state) and the
// factory-preset list.
#include <cstring>

#include "framework/Log.h"
#include "host/au/CFAUPreset.h"
#include "host/au/IPlugAU.h"

namespace {

// Room for the "name" value, terminator included: as long as the longest
// preset name, so the unit always takes back the class info it wrote. A
// longer name can be no preset's and is refused.
constexpr int kMaxClassInfoNameLen = kMaxPresetNameLen;

// Status of a Component Manager call, sign-extended from its low 16 bits.
ComponentResult Status16(OSErr err) { return static_cast<SInt16>(err); }

void AddNumber(CFMutableDictionaryRef dict, const char* key, SInt32 value) {
  CFStringRef cfKey = CFStringCreateWithCString(kCFAllocatorDefault, key, kCFStringEncodingUTF8);
  CFNumberRef number = CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &value);
  if (cfKey && number) CFDictionarySetValue(dict, cfKey, number);
  if (number) CFRelease(number);
  if (cfKey) CFRelease(cfKey);
}

// The value under key when it is of the given type, else null. Not owned.
const void* GetTyped(CFDictionaryRef dict, const char* key, CFTypeID type) {
  CFStringRef cfKey = CFStringCreateWithCString(kCFAllocatorDefault, key, kCFStringEncodingUTF8);
  if (!cfKey) return nullptr;
  const void* value = CFDictionaryGetValue(dict, cfKey);
  CFRelease(cfKey);
  return value && CFGetTypeID(value) == type ? value : nullptr;
}

bool GetNumber(CFDictionaryRef dict, const char* key, SInt32* pValue) {
  const void* number = GetTyped(dict, key, CFNumberGetTypeID());
  if (!number) return false;
  CFNumberGetValue(static_cast<CFNumberRef>(number), kCFNumberSInt32Type, pValue);
  return true;
}

}  // namespace

ComponentResult IPlugAU::GetState(CFPropertyListRef* ppPropList) {
  ComponentDescription cd;
  std::memset(&cd, 0, sizeof(cd));
  const ComponentResult infoStatus =
      Status16(GetComponentInfo(reinterpret_cast<Component>(mCI), &cd, nullptr, nullptr, nullptr));
  if (infoStatus != noErr) return infoStatus;

  CFMutableDictionaryRef dict = CFDictionaryCreateMutable(
      kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
  if (!dict) return coreFoundationUnknownErr;
  AddNumber(dict, "version", GetEffectVersion(false));
  AddNumber(dict, "type", static_cast<SInt32>(cd.componentType));
  AddNumber(dict, "subtype", static_cast<SInt32>(cd.componentSubType));
  AddNumber(dict, "manufacturer", static_cast<SInt32>(cd.componentManufacturer));

  CFStringRef nameKey = CFStringCreateWithCString(kCFAllocatorDefault, "name", kCFStringEncodingUTF8);
  CFStringRef name = CFStringCreateWithCString(
      kCFAllocatorDefault, GetPresetName(GetCurrentPresetIdx()), kCFStringEncodingUTF8);
  if (!name) name = CFStringCreateWithCString(kCFAllocatorDefault, "", kCFStringEncodingUTF8);
  if (nameKey && name) CFDictionarySetValue(dict, nameKey, name);
  if (name) CFRelease(name);
  if (nameKey) CFRelease(nameKey);

  ByteChunk chunk;
  if (SerializeState(&chunk)) {
    CFStringRef dataKey = CFStringCreateWithCString(kCFAllocatorDefault, "data", kCFStringEncodingUTF8);
    CFDataRef data = CFDataCreate(kCFAllocatorDefault, chunk.GetBytes(), chunk.Size());
    if (dataKey && data) CFDictionarySetValue(dict, dataKey, data);
    if (data) CFRelease(data);
    if (dataKey) CFRelease(dataKey);
  }
  *ppPropList = dict;
  return noErr;
}

ComponentResult IPlugAU::SetState(CFPropertyListRef pPropList) {
  ComponentDescription cd;
  std::memset(&cd, 0, sizeof(cd));
  const ComponentResult infoStatus =
      Status16(GetComponentInfo(reinterpret_cast<Component>(mCI), &cd, nullptr, nullptr, nullptr));
  if (infoStatus != noErr) return infoStatus;

  if (!pPropList || CFGetTypeID(pPropList) != CFDictionaryGetTypeID())
    return kAudioUnitErr_InvalidPropertyValue;
  CFDictionaryRef dict = static_cast<CFDictionaryRef>(pPropList);

  SInt32 version = 0, type = 0, subtype = 0, mfr = 0;
  if (!GetNumber(dict, "version", &version) || !GetNumber(dict, "type", &type) ||
      !GetNumber(dict, "subtype", &subtype) || !GetNumber(dict, "manufacturer", &mfr))
    return kAudioUnitErr_InvalidPropertyValue;

  const void* nameValue = GetTyped(dict, "name", CFStringGetTypeID());
  if (!nameValue) return kAudioUnitErr_InvalidPropertyValue;
  char name[kMaxClassInfoNameLen];
  if (!CFStringGetCString(static_cast<CFStringRef>(nameValue), name, sizeof(name),
                          kCFStringEncodingUTF8))
    return kAudioUnitErr_InvalidPropertyValue;  // longer than any preset name

  if (static_cast<OSType>(type) != cd.componentType ||
      static_cast<OSType>(subtype) != cd.componentSubType ||
      static_cast<OSType>(mfr) != cd.componentManufacturer)
    return kAudioUnitErr_InvalidPropertyValue;

  // The state is read and checked whole before the preset is selected, so a
  // refused dictionary (no data, or data that is not exactly one state)
  // changes nothing.
  const void* dataValue = GetTyped(dict, "data", CFDataGetTypeID());
  if (!dataValue) return kAudioUnitErr_InvalidPropertyValue;
  CFDataRef data = static_cast<CFDataRef>(dataValue);
  ByteChunk chunk;
  const CFIndex length = CFDataGetLength(data);
  // A size no state of this plug-in has is refused before anything is copied.
  if (length < 0 || length > MaxStateSize()) return kAudioUnitErr_InvalidPropertyValue;
  chunk.Resize(static_cast<int>(length));
  if (length > 0) std::memcpy(chunk.GetBytes(), CFDataGetBytePtr(data), static_cast<size_t>(length));
  if (!IsWholeState(&chunk)) return kAudioUnitErr_InvalidPropertyValue;

  // One write section: the named preset becomes the current one, but only
  // the saved values, all at once, ever reach the audio thread.
  ParamWriteSection section(this);
  RestorePreset(name);
  if (UnserializeState(&chunk, 0) < 0) return kAudioUnitErr_InvalidPropertyValue;
  RedrawParamControls();
  return noErr;
}

ComponentResult IPlugAU::GetFactoryPresets(CFArrayRef* ppArray) {
  const int n = NPresets();
  CFMutableArrayRef array = CFArrayCreateMutable(kCFAllocatorDefault, n, &kCFAUPresetArrayCallBacks);
  if (!array) return coreFoundationUnknownErr;
  for (int i = 0; i < n; ++i) {
    CFStringRef name =
        CFStringCreateWithCString(kCFAllocatorDefault, GetPresetName(i), kCFStringEncodingUTF8);
    CFAUPresetRef preset = CFAUPresetCreate(kCFAllocatorDefault, i, name);
    if (preset) {
      CFArrayAppendValue(array, preset);
      CFAUPresetRelease(preset);
    }
    if (name) CFRelease(name);
  }
  *ppArray = array;
  return noErr;
}
