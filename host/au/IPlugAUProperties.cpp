// IPlugAU: the property interface. DescribeProperty answers the size and
// writability of each property (and whether it applies at that scope and
// element); WriteProperty writes its value. A get is a describe, a check that
// the caller's room holds the value, then a write.
//
// Sizes of records that hold pointers are sizeof of the record on the build
// target (the 32-bit figures quoted for them grow on LP64).
#include <CoreServices/Gestalt.h>

#include <cstdlib>
#include <cstring>

#include "framework/Log.h"
#include "host/au/CFAUPreset.h"
#include "host/au/IPlugAU.h"

namespace {

constexpr int kWritableUnchanged = -1;  // the flag keeps the caller's value

// The system version from Gestalt ('sysv', e.g. 0x1068), 0 when it fails.
SInt32 GetUserOSVersion() {
  SInt32 version = 0;
  if (Gestalt(gestaltSystemVersion, &version) != noErr) return 0;
  Trace(TRACELOC, "%x", static_cast<unsigned>(version));
  return version;
}

// A new CFString of UTF-8 text; text that is not valid UTF-8 gives "".
CFStringRef MakeCFString(const char* text) {
  CFStringRef str = CFStringCreateWithCString(kCFAllocatorDefault, text ? text : "",
                                              kCFStringEncodingUTF8);
  if (!str) str = CFStringCreateWithCString(kCFAllocatorDefault, "", kCFStringEncodingUTF8);
  return str;
}

bool IsGlobal(AudioUnitScope scope) { return scope == kAudioUnitScope_Global; }

}  // namespace

// ---- Get ----

ComponentResult IPlugAU::GetProperty(AudioUnitPropertyID propID, AudioUnitScope scope,
                                     AudioUnitElement element, UInt32* pDataSize,
                                     Boolean* pWriteable, void* pData) {
  Trace(TRACELOC, "%s(%d:%s):(%d:%s):%d", pData ? "" : "info:", static_cast<int>(propID),
        AUPropertyStr(static_cast<int>(propID)), static_cast<int>(scope),
        AUScopeStr(static_cast<int>(scope)), static_cast<int>(element));
  UInt32 size = 0;
  int writable = kWritableUnchanged;
  const ComponentResult described = DescribeProperty(propID, scope, element, &size, &writable);
  if (described != noErr) {
    // A parameter without value strings reports an empty value as well.
    if (propID == kAudioUnitProperty_ParameterValueStrings && pDataSize &&
        described == kAudioUnitErr_InvalidProperty && IsGlobal(scope))
      *pDataSize = 0;
    return described;
  }

  const UInt32 room = pDataSize ? *pDataSize : 0;
  if (pDataSize) *pDataSize = size;
  if (pWriteable && writable != kWritableUnchanged) *pWriteable = writable ? true : false;

  if (!pData) {
    // The element name answers its size but refuses an info query.
    if (propID == kAudioUnitProperty_ElementName) return kAudioUnitErr_InvalidProperty;
    return noErr;
  }
  if (room < size) {
    if (pDataSize) *pDataSize = room;
    return kAudioUnitErr_InvalidPropertyValue;
  }
  return WriteProperty(propID, scope, element, pData);
}

ComponentResult IPlugAU::DescribeProperty(AudioUnitPropertyID propID, AudioUnitScope scope,
                                          AudioUnitElement element, UInt32* pSize,
                                          int* pWritable) {
  switch (propID) {
    case kAudioUnitProperty_ClassInfo:
      *pSize = sizeof(CFPropertyListRef);
      *pWritable = true;
      return noErr;
    case kAudioUnitProperty_MakeConnection:
      if (scope != kAudioUnitScope_Global && scope != kAudioUnitScope_Input)
        return kAudioUnitErr_InvalidProperty;
      *pSize = sizeof(AudioUnitConnection);
      *pWritable = true;
      return noErr;
    case kAudioUnitProperty_SampleRate:
      *pSize = sizeof(Float64);
      *pWritable = true;
      return noErr;
    case kAudioUnitProperty_ParameterList:
      *pSize = IsGlobal(scope) ? static_cast<UInt32>(sizeof(AudioUnitParameterID) * NParams()) : 0;
      return noErr;
    case kAudioUnitProperty_ParameterInfo:
      if (!IsGlobal(scope)) return kAudioUnitErr_InvalidProperty;
      if (element >= static_cast<UInt32>(NParams())) return kAudioUnitErr_InvalidElement;
      *pSize = sizeof(AudioUnitParameterInfo);
      return noErr;
    case kAudioUnitProperty_FastDispatch:
      if (element != kAudioUnitGetParameterSelect && element != kAudioUnitSetParameterSelect &&
          element != kAudioUnitRenderSelect)
        return kAudioUnitErr_InvalidElement;
      *pSize = sizeof(void*);
      return noErr;
    case kAudioUnitProperty_StreamFormat:
      if (!GetBus(scope, element)) return kAudioUnitErr_InvalidProperty;
      *pSize = sizeof(AudioStreamBasicDescription);
      *pWritable = true;
      return noErr;
    case kAudioUnitProperty_ElementCount:
      *pSize = sizeof(UInt32);
      return noErr;
    case kAudioUnitProperty_Latency:
    case kAudioUnitProperty_TailTime:
      if (!IsGlobal(scope)) return kAudioUnitErr_InvalidProperty;
      *pSize = sizeof(Float64);
      return noErr;
    case kAudioUnitProperty_SupportedNumChannels:
      if (!IsGlobal(scope)) return kAudioUnitErr_InvalidProperty;
      *pSize = static_cast<UInt32>(sizeof(AUChannelInfo) * NChannelIO());
      return noErr;
    case kAudioUnitProperty_MaximumFramesPerSlice:
      if (!IsGlobal(scope)) return kAudioUnitErr_InvalidProperty;
      *pSize = sizeof(UInt32);
      *pWritable = true;
      return noErr;
    case kAudioUnitProperty_ParameterValueStrings: {
      if (!IsGlobal(scope)) return kAudioUnitErr_InvalidProperty;
      const IParam* param = element < 0x80000000u ? GetParam(static_cast<int>(element)) : nullptr;
      if (!param) return kAudioUnitErr_InvalidElement;
      if (param->GetNDisplayTexts() == 0) {
        *pSize = 0;
        return kAudioUnitErr_InvalidProperty;
      }
      *pSize = sizeof(CFArrayRef);
      return noErr;
    }
    case kAudioUnitProperty_GetUIComponentList:
      if (!GetGUI()) return kAudioUnitErr_InvalidProperty;
      *pSize = sizeof(ComponentDescription);
      return noErr;
    case kAudioUnitProperty_AudioChannelLayout:
      return kAudioUnitErr_InvalidPropertyValue;
    case kAudioUnitProperty_BypassEffect:
      if (!IsGlobal(scope)) return kAudioUnitErr_InvalidProperty;
      *pSize = sizeof(UInt32);
      *pWritable = true;
      return noErr;
    case kAudioUnitProperty_LastRenderError:
      if (!IsGlobal(scope)) return kAudioUnitErr_InvalidProperty;
      *pSize = sizeof(OSStatus);
      return noErr;
    case kAudioUnitProperty_SetRenderCallback:
      if (scope != kAudioUnitScope_Global && scope != kAudioUnitScope_Input)
        return kAudioUnitErr_InvalidProperty;
      if (element >= static_cast<UInt32>(mInBuses.GetSize())) return kAudioUnitErr_InvalidProperty;
      *pSize = sizeof(AURenderCallbackStruct);
      *pWritable = true;
      return noErr;
    case kAudioUnitProperty_FactoryPresets:
      *pSize = sizeof(CFArrayRef);
      return noErr;
    case kAudioUnitProperty_HostCallbacks:
      if (!IsGlobal(scope)) return kAudioUnitErr_InvalidProperty;
      *pSize = sizeof(HostCallbackInfo);
      *pWritable = true;
      return noErr;
    case kAudioUnitProperty_CurrentPreset:
    case kAudioUnitProperty_PresentPreset:
      *pSize = sizeof(AUPreset);
      *pWritable = true;
      return noErr;
    case kAudioUnitProperty_ElementName:
      if (scope == kAudioUnitScope_Input) {
        if (element > 1) return kAudioUnitErr_InvalidElement;
      } else if (scope != kAudioUnitScope_Output) {
        return kAudioUnitErr_InvalidScope;
      }
      *pSize = sizeof(CFStringRef);
      *pWritable = false;
      return noErr;
    case kAudioUnitProperty_CocoaUI:
      if (!GetGUI() || GetUserOSVersion() < 0x1050) return kAudioUnitErr_InvalidProperty;
      *pSize = sizeof(AudioUnitCocoaViewInfo);
      return noErr;
    case kAudioUnitProperty_SupportedChannelLayoutTags:
      // Only an instrument with several output buses would report layouts.
      return kAudioUnitErr_InvalidProperty;
    case kAudioUnitProperty_ParameterStringFromValue:
      *pSize = sizeof(AudioUnitParameterStringFromValue);
      return noErr;
    case kAudioUnitProperty_ParameterIDName:
    case kAudioUnitProperty_ParameterClumpName:
      *pSize = sizeof(AudioUnitParameterNameInfo);
      return noErr;
    case kAudioUnitProperty_ParameterValueFromString:
      *pSize = sizeof(AudioUnitParameterValueFromString);
      return noErr;
    case kMusicDeviceProperty_InstrumentCount:
      if (!IsGlobal(scope) || !IsInst()) return kAudioUnitErr_InvalidProperty;
      *pSize = sizeof(UInt32);
      return noErr;
    default:
      return kAudioUnitErr_InvalidProperty;
  }
}

ComponentResult IPlugAU::WriteProperty(AudioUnitPropertyID propID, AudioUnitScope scope,
                                       AudioUnitElement element, void* pData) {
  switch (propID) {
    case kAudioUnitProperty_ClassInfo:
      return GetState(static_cast<CFPropertyListRef*>(pData));
    case kAudioUnitProperty_SampleRate:
      *static_cast<Float64*>(pData) = GetSampleRate();
      return noErr;
    case kAudioUnitProperty_ParameterList:
      if (IsGlobal(scope)) {
        AudioUnitParameterID* ids = static_cast<AudioUnitParameterID*>(pData);
        for (int i = 0; i < NParams(); ++i) ids[i] = static_cast<AudioUnitParameterID>(i);
      }
      return noErr;
    case kAudioUnitProperty_ParameterInfo:
      return GetParamInfo(element, static_cast<AudioUnitParameterInfo*>(pData));
    case kAudioUnitProperty_FastDispatch: {
      void* proc = nullptr;
      if (element == kAudioUnitGetParameterSelect)
        proc = reinterpret_cast<void*>(&IPlugAU::GetParamProc);
      else if (element == kAudioUnitSetParameterSelect)
        proc = reinterpret_cast<void*>(&IPlugAU::SetParamProc);
      else
        proc = reinterpret_cast<void*>(&IPlugAU::RenderProc);
      std::memcpy(pData, &proc, sizeof(proc));
      return noErr;
    }
    case kAudioUnitProperty_StreamFormat:
      GetStreamFormat(GetBus(scope, element), static_cast<AudioStreamBasicDescription*>(pData));
      return noErr;
    case kAudioUnitProperty_ElementCount: {
      UInt32 count = 0;
      if (scope == kAudioUnitScope_Global) count = 1;
      else if (scope == kAudioUnitScope_Input) count = static_cast<UInt32>(mInBuses.GetSize());
      else if (scope == kAudioUnitScope_Output) count = static_cast<UInt32>(mOutBuses.GetSize());
      *static_cast<UInt32*>(pData) = count;
      return noErr;
    }
    case kAudioUnitProperty_Latency:
    case kAudioUnitProperty_TailTime:
      if (propID == kAudioUnitProperty_TailTime)
        Trace(TRACELOC, "%d", static_cast<int>(kAudioUnitProperty_Latency));
      *static_cast<Float64*>(pData) =
          GetSampleRate() > 0.0 ? static_cast<double>(GetLatency()) / GetSampleRate() : 0.0;
      return noErr;
    case kAudioUnitProperty_SupportedNumChannels: {
      AUChannelInfo* infos = static_cast<AUChannelInfo*>(pData);
      for (int i = 0; i < NChannelIO(); ++i) {
        const ChannelIO* io = GetChannelIO(i);
        infos[i].inChannels = static_cast<SInt16>(io->mIn);
        infos[i].outChannels = static_cast<SInt16>(io->mOut);
        Trace(TRACELOC, "IO:%d:%d", io->mIn, io->mOut);
      }
      return noErr;
    }
    case kAudioUnitProperty_MaximumFramesPerSlice:
      *static_cast<UInt32*>(pData) = static_cast<UInt32>(GetBlockSize());
      return noErr;
    case kAudioUnitProperty_ParameterValueStrings: {
      const IParam* param = GetParam(static_cast<int>(element));
      const int n = param->GetNDisplayTexts();
      CFMutableArrayRef array = CFArrayCreateMutable(kCFAllocatorDefault, n, &kCFTypeArrayCallBacks);
      if (!array) return coreFoundationUnknownErr;
      for (int i = 0; i < n; ++i) {
        CFStringRef text = MakeCFString(param->GetDisplayTextAtIdx(i));
        if (!text) continue;
        CFArrayAppendValue(array, text);
        CFRelease(text);
      }
      *static_cast<CFArrayRef*>(pData) = array;
      return noErr;
    }
    case kAudioUnitProperty_GetUIComponentList: {
      ComponentDescription* cd = static_cast<ComponentDescription*>(pData);
      cd->componentType = 0x61757677;  // 'auvw'
      cd->componentSubType = static_cast<OSType>(GetUniqueID());
      cd->componentManufacturer = static_cast<OSType>(GetMfrID());
      cd->componentFlags = 0;
      cd->componentFlagsMask = 0;
      return noErr;
    }
    case kAudioUnitProperty_BypassEffect:
      *static_cast<UInt32*>(pData) = GetIsBypassed() ? 1 : 0;
      return noErr;
    case kAudioUnitProperty_LastRenderError:
      *static_cast<OSStatus*>(pData) = noErr;
      return noErr;
    case kAudioUnitProperty_FactoryPresets:
      return GetFactoryPresets(static_cast<CFArrayRef*>(pData));
    case kAudioUnitProperty_CurrentPreset:
    case kAudioUnitProperty_PresentPreset: {
      AUPreset* preset = static_cast<AUPreset*>(pData);
      const int idx = GetCurrentPresetIdx();
      preset->presetNumber = idx;
      preset->presetName = MakeCFString(GetPresetName(idx));
      return noErr;
    }
    case kAudioUnitProperty_ElementName:
      return GetElementName(scope, element, static_cast<CFStringRef*>(pData));
    case kAudioUnitProperty_CocoaUI:
      return GetCocoaUI(static_cast<AudioUnitCocoaViewInfo*>(pData));
    case kAudioUnitProperty_ParameterStringFromValue:
    case kAudioUnitProperty_ParameterIDName:
    case kAudioUnitProperty_ParameterClumpName:
    case kAudioUnitProperty_ParameterValueFromString:
      if (!IsGlobal(scope)) return noErr;
      return GetParamText(propID, pData);
    case kMusicDeviceProperty_InstrumentCount:
      *static_cast<UInt32*>(pData) = 1;
      return noErr;
    default:
      // MakeConnection, SetRenderCallback and HostCallbacks are set-only.
      return noErr;
  }
}

ComponentResult IPlugAU::GetParamInfo(AudioUnitElement paramIdx, AudioUnitParameterInfo* pInfo) {
  const IParam* param = GetParam(static_cast<int>(paramIdx));
  std::memset(pInfo, 0, sizeof(*pInfo));
  pInfo->flags = kAudioUnitParameterFlag_IsReadable | kAudioUnitParameterFlag_HasCFNameString |
                 kAudioUnitParameterFlag_CFNameRelease;
  if (param->GetCanAutomate()) pInfo->flags |= kAudioUnitParameterFlag_IsWritable;

  const char* name = param->GetNameForHost();
  pInfo->cfNameString = MakeCFString(name);
  CopyCutString(pInfo->name, sizeof(pInfo->name), name);

  switch (param->Type()) {
    case IParam::kTypeInt:
    case IParam::kTypeEnum:
      pInfo->unit = kAudioUnitParameterUnit_Indexed;
      break;
    case IParam::kTypeBool:
      pInfo->unit = kAudioUnitParameterUnit_Boolean;
      break;
    default: {
      const char* label = param->GetLabelForHost();
      if (label && label[0]) {
        pInfo->unit = kAudioUnitParameterUnit_CustomUnit;
        pInfo->unitName = MakeCFString(label);
      } else {
        pInfo->unit = kAudioUnitParameterUnit_Generic;
      }
      break;
    }
  }

  double minValue = 0.0, maxValue = 0.0;
  param->GetBounds(&minValue, &maxValue);
  pInfo->minValue = static_cast<AudioUnitParameterValue>(minValue);
  pInfo->maxValue = static_cast<AudioUnitParameterValue>(maxValue);
  pInfo->defaultValue = static_cast<AudioUnitParameterValue>(param->Value());

  const int clumpID = ClumpIDForGroup(param->GetParamGroupForHost());
  if (clumpID > 0) {
    pInfo->flags |= kAudioUnitParameterFlag_HasClump;
    pInfo->clumpID = static_cast<UInt32>(clumpID);
  }
  return noErr;
}

int IPlugAU::ClumpIDForGroup(const char* group) {
  if (!group || !group[0]) return 0;
  int clumpID = 0;
  for (int i = 0; i < mParamGroups.GetSize(); ++i)
    if (std::strcmp(group, mParamGroups.Get(i)) == 0) clumpID = i + 1;
  if (clumpID == 0) {
    mParamGroups.Add(group);
    clumpID = mParamGroups.GetSize();
  }
  return clumpID;
}

ComponentResult IPlugAU::GetParamText(AudioUnitPropertyID propID, void* pData) {
  switch (propID) {
    case kAudioUnitProperty_ParameterStringFromValue: {
      AudioUnitParameterStringFromValue* record =
          static_cast<AudioUnitParameterStringFromValue*>(pData);
      const IParam* param =
          record->inParamID < 0x80000000u ? GetParam(static_cast<int>(record->inParamID)) : nullptr;
      if (!param) return kAudioUnitErr_InvalidParameter;
      if (!record->inValue) return kAudioUnitErr_InvalidPropertyValue;
      param->GetDisplayForHost(*record->inValue, false, mParamDisplayStr, true,
                               sizeof(mParamDisplayStr));
      record->outString = MakeCFString(mParamDisplayStr);
      return noErr;
    }
    case kAudioUnitProperty_ParameterIDName: {
      AudioUnitParameterNameInfo* record = static_cast<AudioUnitParameterNameInfo*>(pData);
      const IParam* param =
          record->inID < 0x80000000u ? GetParam(static_cast<int>(record->inID)) : nullptr;
      if (!param) return kAudioUnitErr_InvalidParameter;
      char name[kMaxParamNameLen];
      CopyCutString(name, sizeof(name), param->GetNameForHost());
      // -1 asks for the whole name; other negative lengths are read the same way.
      const int desired = record->inDesiredLength;
      if (desired >= 0 && desired < kMaxParamNameLen - 1) name[desired] = '\0';
      record->outName = MakeCFString(name);
      return noErr;
    }
    case kAudioUnitProperty_ParameterClumpName: {
      AudioUnitParameterNameInfo* record = static_cast<AudioUnitParameterNameInfo*>(pData);
      if (record->inID < 1) return kAudioUnitErr_PropertyNotInUse;
      if (record->inID > static_cast<UInt32>(mParamGroups.GetSize()))
        return kAudioUnitErr_InvalidPropertyValue;
      record->outName = MakeCFString(mParamGroups.Get(static_cast<int>(record->inID) - 1));
      return noErr;
    }
    case kAudioUnitProperty_ParameterValueFromString:
      return ParamValueFromString(static_cast<AudioUnitParameterValueFromString*>(pData));
    default:
      return kAudioUnitErr_InvalidProperty;
  }
}

ComponentResult IPlugAU::ParamValueFromString(AudioUnitParameterValueFromString* pRecord) {
  const IParam* param =
      pRecord->inParamID < 0x80000000u ? GetParam(static_cast<int>(pRecord->inParamID)) : nullptr;
  if (!param) return kAudioUnitErr_InvalidParameter;
  if (!pRecord->inString || CFGetTypeID(pRecord->inString) != CFStringGetTypeID())
    return kAudioUnitErr_InvalidPropertyValue;
  char text[kMaxParamDisplayLen * 4];
  CFStringGetCString(pRecord->inString, text, sizeof(text), kCFStringEncodingUTF8);
  if (param->GetNDisplayTexts() > 0) {
    int value = 0;
    if (param->MapDisplayText(text, &value))
      pRecord->outValue = static_cast<AudioUnitParameterValue>(value);
    return noErr;
  }
  double value = std::atof(text);
  if (param->GetNegateDisplay()) value = -value;
  pRecord->outValue = static_cast<AudioUnitParameterValue>(value);
  return noErr;
}

ComponentResult IPlugAU::GetElementName(AudioUnitScope scope, AudioUnitElement element,
                                        CFStringRef* pName) {
  const int idx = element < 0x80000000u ? static_cast<int>(element) : -1;
  const WDL_String* label =
      scope == kAudioUnitScope_Input ? GetInputBusLabel(idx) : GetOutputBusLabel(idx);
  // Elements the unit does not have carry no label.
  if (!label) return kAudioUnitErr_InvalidElement;
  *pName = MakeCFString(label->Get());
  return noErr;
}

ComponentResult IPlugAU::GetCocoaUI(AudioUnitCocoaViewInfo* pInfo) {
  CFStringRef bundleID = MakeCFString(mOSXBundleID.Get());
  CFBundleRef bundle = bundleID ? CFBundleGetBundleWithIdentifier(bundleID) : nullptr;
  if (bundleID) CFRelease(bundleID);
  CFURLRef url = bundle ? CFBundleCopyBundleURL(bundle) : nullptr;
  // Without the bundle there is no view to load: say so rather than hand out null.
  if (!url) return kAudioUnitErr_InvalidProperty;
  pInfo->mCocoaAUViewBundleLocation = url;
  pInfo->mCocoaAUViewClass[0] = MakeCFString(mCocoaViewFactoryClassName.Get());
  return noErr;
}

// ---- Set ----

ComponentResult IPlugAU::SetProperty(AudioUnitPropertyID propID, AudioUnitScope scope,
                                     AudioUnitElement element, const void* pData,
                                     UInt32 dataSize) {
  InformListeners(propID, scope);
  Trace(TRACELOC, "(%d:%s):(%d:%s):%d", static_cast<int>(propID),
        AUPropertyStr(static_cast<int>(propID)), static_cast<int>(scope),
        AUScopeStr(static_cast<int>(scope)), static_cast<int>(element));

  // Every settable property carries a value of a fixed size.
  auto valueOK = [&](size_t size) { return pData && dataSize >= size; };

  switch (propID) {
    case kAudioUnitProperty_ClassInfo:
      if (!valueOK(sizeof(CFPropertyListRef))) return kAudioUnitErr_InvalidPropertyValue;
      return SetState(*static_cast<const CFPropertyListRef*>(pData));
    case kAudioUnitProperty_MakeConnection:
      if (!valueOK(sizeof(AudioUnitConnection))) return kAudioUnitErr_InvalidPropertyValue;
      return MakeConnection(scope, static_cast<const AudioUnitConnection*>(pData));
    case kAudioUnitProperty_SampleRate: {
      if (!valueOK(sizeof(Float64))) return kAudioUnitErr_InvalidPropertyValue;
      const Float64 rate = *static_cast<const Float64*>(pData);
      if (!(rate > 0.0) || rate > 1e7) return kAudioUnitErr_InvalidPropertyValue;
      SetSampleRate(rate);
      Reset();
      return noErr;
    }
    case kAudioUnitProperty_StreamFormat:
      if (!valueOK(sizeof(AudioStreamBasicDescription))) return kAudioUnitErr_InvalidPropertyValue;
      return SetStreamFormat(scope, element, static_cast<const AudioStreamBasicDescription*>(pData));
    case kAudioUnitProperty_MaximumFramesPerSlice: {
      if (!valueOK(sizeof(UInt32))) return kAudioUnitErr_InvalidPropertyValue;
      const UInt32 frames = *static_cast<const UInt32*>(pData);
      if (frames == 0 || frames > static_cast<UInt32>(kMaxFramesPerSliceLimit))
        return kAudioUnitErr_InvalidPropertyValue;
      SetBlockSize(static_cast<int>(frames));
      Reset();
      return noErr;
    }
    case kAudioUnitProperty_BypassEffect: {
      if (!valueOK(sizeof(UInt32))) return kAudioUnitErr_InvalidPropertyValue;
      const UInt32 value = *static_cast<const UInt32*>(pData);
      SetIsBypassed(value != 0);
      OnActivate(value == 0);
      Reset();
      return noErr;
    }
    case kAudioUnitProperty_SetRenderCallback:
      if (!valueOK(sizeof(AURenderCallbackStruct))) return kAudioUnitErr_InvalidPropertyValue;
      return SetRenderCallback(scope, element, static_cast<const AURenderCallbackStruct*>(pData));
    case kAudioUnitProperty_HostCallbacks:
      if (!IsGlobal(scope)) return kAudioUnitErr_InvalidProperty;
      if (!pData) return kAudioUnitErr_InvalidPropertyValue;
      // Older hosts send a shorter record: the entries they leave out stay null.
      mHostCallbacks = HostCallbackInfo{nullptr, nullptr, nullptr, nullptr};
      std::memcpy(&mHostCallbacks, pData,
                  dataSize < sizeof(HostCallbackInfo) ? dataSize : sizeof(HostCallbackInfo));
      return noErr;
    case kAudioUnitProperty_CurrentPreset:
    case kAudioUnitProperty_PresentPreset:
      if (!valueOK(sizeof(AUPreset))) return kAudioUnitErr_InvalidPropertyValue;
      RestorePreset(static_cast<int>(static_cast<const AUPreset*>(pData)->presetNumber));
      return noErr;
    case kAudioUnitProperty_OfflineRender:
      if (!valueOK(sizeof(UInt32))) return kAudioUnitErr_InvalidPropertyValue;
      mIsOffline = *static_cast<const UInt32*>(pData) != 0;
      return noErr;
    case kAudioUnitProperty_AUHostIdentifier: {
      if (!valueOK(sizeof(AUHostIdentifier))) return kAudioUnitErr_InvalidPropertyValue;
      const AUHostIdentifier* host = static_cast<const AUHostIdentifier*>(pData);
      char name[kMaxHostNameLen] = "";
      if (host->hostName && CFGetTypeID(host->hostName) == CFStringGetTypeID())
        CFStringGetCString(host->hostName, name, sizeof(name), kCFStringEncodingUTF8);
      const int minorAndBug = host->hostVersion.minorAndBugRev;
      const int version = (host->hostVersion.majorRev << 16) + (((minorAndBug & 0xF0) >> 4) << 8) +
                          (minorAndBug & 0x0F);
      SetHost(name, version);
      OnHostIdentified();
      return noErr;
    }
    default:
      return kAudioUnitErr_InvalidProperty;
  }
}
