// IPlugAU: the property interface. DescribeProperty answers the size and
// writability of each property (and whether it applies at that scope and
// element) from a table; WriteProperty writes its value. A get is a
// describe, a check that the caller's room holds the value, then a write.
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

// What a description says of writability.
constexpr int kReadOnly = 0, kWritable = 1;
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

// Writes a value of the property's type at pData, whose room the get checked.
template <class T>
ComponentResult Put(void* pData, T value) {
  *static_cast<T*>(pData) = value;
  return noErr;
}

// The function a host may call directly instead of dispatching the selector
// named by the element (the describe rule accepts only these three).
ComponentResult PutFastDispatchProc(AudioUnitElement selector, void* pData) {
  void* proc = nullptr;
  if (selector == kAudioUnitGetParameterSelect)
    proc = reinterpret_cast<void*>(&IPlugAU::GetParamProc);
  else if (selector == kAudioUnitSetParameterSelect)
    proc = reinterpret_cast<void*>(&IPlugAU::SetParamProc);
  else
    proc = reinterpret_cast<void*>(&IPlugAU::RenderProc);
  std::memcpy(pData, &proc, sizeof(proc));
  return noErr;
}

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

// ---- Describe: the property table ----

// One row per property the unit answers: the scopes it is answered on, the
// size of its value, whether a host may set it, and for the properties whose
// answer depends on the unit or the element, a rule. A property without a row
// is refused with kAudioUnitErr_InvalidProperty; so is
// SupportedChannelLayoutTags: only an instrument with several output buses
// would report layouts.
struct IPlugAU::PropertyRow {
  enum Scopes {
    kAny,
    kGlobal,         // other scopes: kAudioUnitErr_InvalidProperty
    kGlobalOrInput,  // other scopes: kAudioUnitErr_InvalidProperty
    kInputOrOutput,  // other scopes: kAudioUnitErr_InvalidScope
  };
  // Runs once the scope is accepted, with *pSize holding the row's size:
  // refuses with the status the host sees, or computes the size from it.
  using Rule = ComponentResult (*)(IPlugAU* plug, AudioUnitScope scope, AudioUnitElement element,
                                   UInt32* pSize);

  AudioUnitPropertyID id;
  Scopes scopes;
  UInt32 size;   // of one entry for the lists (ParameterList, SupportedNumChannels): their rules multiply
  int writable;  // kWritable, kReadOnly or kWritableUnchanged
  Rule rule;     // null: the row says it all

  static const PropertyRow kTable[];
  // The row of a property, null when the unit does not answer it.
  static const PropertyRow* Find(AudioUnitPropertyID propID);

  ComponentResult CheckScope(AudioUnitScope scope) const {
    switch (scopes) {
      case kAny:
        return noErr;
      case kGlobal:
        if (!IsGlobal(scope)) return kAudioUnitErr_InvalidProperty;
        return noErr;
      case kGlobalOrInput:
        if (!IsGlobal(scope) && scope != kAudioUnitScope_Input) return kAudioUnitErr_InvalidProperty;
        return noErr;
      case kInputOrOutput:
        if (scope != kAudioUnitScope_Input && scope != kAudioUnitScope_Output)
          return kAudioUnitErr_InvalidScope;
        return noErr;
    }
    return kAudioUnitErr_InvalidProperty;
  }

  // ---- Rules ----

  // One ID per parameter on the global scope, an empty list on the others.
  static ComponentResult ParameterListSize(IPlugAU* plug, AudioUnitScope scope, AudioUnitElement,
                                           UInt32* pSize) {
    *pSize = IsGlobal(scope) ? *pSize * static_cast<UInt32>(plug->NParams()) : 0;
    return noErr;
  }
  static ComponentResult ParameterExists(IPlugAU* plug, AudioUnitScope, AudioUnitElement element, UInt32*) {
    if (element >= static_cast<UInt32>(plug->NParams())) return kAudioUnitErr_InvalidElement;
    return noErr;
  }
  // The element is the selector whose function is asked for.
  static ComponentResult DispatchedSelector(IPlugAU*, AudioUnitScope, AudioUnitElement element, UInt32*) {
    if (element != kAudioUnitGetParameterSelect && element != kAudioUnitSetParameterSelect &&
        element != kAudioUnitRenderSelect)
      return kAudioUnitErr_InvalidElement;
    return noErr;
  }
  static ComponentResult BusExists(IPlugAU* plug, AudioUnitScope scope, AudioUnitElement element, UInt32*) {
    if (!plug->GetBus(scope, element)) return kAudioUnitErr_InvalidProperty;
    return noErr;
  }
  static ComponentResult ChannelIOListSize(IPlugAU* plug, AudioUnitScope, AudioUnitElement, UInt32* pSize) {
    *pSize *= static_cast<UInt32>(plug->NChannelIO());
    return noErr;
  }
  // Only parameters with display texts have value strings.
  static ComponentResult HasValueStrings(IPlugAU* plug, AudioUnitScope, AudioUnitElement element,
                                             UInt32*) {
    const IParam* param = element < 0x80000000u ? plug->GetParam(static_cast<int>(element)) : nullptr;
    if (!param) return kAudioUnitErr_InvalidElement;
    if (param->GetNDisplayTexts() == 0) return kAudioUnitErr_InvalidProperty;
    return noErr;
  }
  static ComponentResult HasEditor(IPlugAU* plug, AudioUnitScope, AudioUnitElement, UInt32*) {
    if (!plug->GetGUI()) return kAudioUnitErr_InvalidProperty;
    return noErr;
  }
  static ComponentResult NoChannelLayout(IPlugAU*, AudioUnitScope, AudioUnitElement, UInt32*) {
    return kAudioUnitErr_InvalidPropertyValue;
  }
  static ComponentResult InputBusExists(IPlugAU* plug, AudioUnitScope, AudioUnitElement element, UInt32*) {
    if (element >= static_cast<UInt32>(plug->mInBuses.GetSize())) return kAudioUnitErr_InvalidProperty;
    return noErr;
  }
  static ComponentResult InputElementInRange(IPlugAU*, AudioUnitScope scope, AudioUnitElement element,
                                            UInt32*) {
    if (scope == kAudioUnitScope_Input && element > 1) return kAudioUnitErr_InvalidElement;
    return noErr;
  }
  // The Cocoa view needs an editor and Mac OS X 10.5 or later.
  static ComponentResult HasCocoaView(IPlugAU* plug, AudioUnitScope, AudioUnitElement, UInt32*) {
    if (!plug->GetGUI() || GetUserOSVersion() < 0x1050) return kAudioUnitErr_InvalidProperty;
    return noErr;
  }
  static ComponentResult IsInstrument(IPlugAU* plug, AudioUnitScope, AudioUnitElement, UInt32*) {
    if (!plug->IsInst()) return kAudioUnitErr_InvalidProperty;
    return noErr;
  }
};

const IPlugAU::PropertyRow IPlugAU::PropertyRow::kTable[] = {
    // id, scopes, size, writable, rule
    {kAudioUnitProperty_ClassInfo, kAny, sizeof(CFPropertyListRef), kWritable, nullptr},
    {kAudioUnitProperty_MakeConnection, kGlobalOrInput, sizeof(AudioUnitConnection), kWritable, nullptr},
    {kAudioUnitProperty_SampleRate, kAny, sizeof(Float64), kWritable, nullptr},
    {kAudioUnitProperty_ParameterList, kAny, sizeof(AudioUnitParameterID), kWritableUnchanged,
     ParameterListSize},
    {kAudioUnitProperty_ParameterInfo, kGlobal, sizeof(AudioUnitParameterInfo), kWritableUnchanged,
     ParameterExists},
    {kAudioUnitProperty_FastDispatch, kAny, sizeof(void*), kWritableUnchanged, DispatchedSelector},
    {kAudioUnitProperty_StreamFormat, kAny, sizeof(AudioStreamBasicDescription), kWritable, BusExists},
    {kAudioUnitProperty_ElementCount, kAny, sizeof(UInt32), kWritableUnchanged, nullptr},
    {kAudioUnitProperty_Latency, kGlobal, sizeof(Float64), kWritableUnchanged, nullptr},
    {kAudioUnitProperty_TailTime, kGlobal, sizeof(Float64), kWritableUnchanged, nullptr},
    {kAudioUnitProperty_SupportedNumChannels, kGlobal, sizeof(AUChannelInfo), kWritableUnchanged,
     ChannelIOListSize},
    {kAudioUnitProperty_MaximumFramesPerSlice, kGlobal, sizeof(UInt32), kWritable, nullptr},
    {kAudioUnitProperty_ParameterValueStrings, kGlobal, sizeof(CFArrayRef), kWritableUnchanged,
     HasValueStrings},
    {kAudioUnitProperty_GetUIComponentList, kAny, sizeof(ComponentDescription), kWritableUnchanged,
     HasEditor},
    {kAudioUnitProperty_AudioChannelLayout, kAny, 0, kWritableUnchanged, NoChannelLayout},
    {kAudioUnitProperty_BypassEffect, kGlobal, sizeof(UInt32), kWritable, nullptr},
    {kAudioUnitProperty_LastRenderError, kGlobal, sizeof(OSStatus), kWritableUnchanged, nullptr},
    {kAudioUnitProperty_SetRenderCallback, kGlobalOrInput, sizeof(AURenderCallbackStruct), kWritable,
     InputBusExists},
    {kAudioUnitProperty_FactoryPresets, kAny, sizeof(CFArrayRef), kWritableUnchanged, nullptr},
    {kAudioUnitProperty_HostCallbacks, kGlobal, sizeof(HostCallbackInfo), kWritable, nullptr},
    {kAudioUnitProperty_CurrentPreset, kAny, sizeof(AUPreset), kWritable, nullptr},
    {kAudioUnitProperty_PresentPreset, kAny, sizeof(AUPreset), kWritable, nullptr},
    {kAudioUnitProperty_ElementName, kInputOrOutput, sizeof(CFStringRef), kReadOnly, InputElementInRange},
    {kAudioUnitProperty_CocoaUI, kAny, sizeof(AudioUnitCocoaViewInfo), kWritableUnchanged, HasCocoaView},
    {kAudioUnitProperty_ParameterStringFromValue, kAny, sizeof(AudioUnitParameterStringFromValue),
     kWritableUnchanged, nullptr},
    {kAudioUnitProperty_ParameterIDName, kAny, sizeof(AudioUnitParameterNameInfo), kWritableUnchanged,
     nullptr},
    {kAudioUnitProperty_ParameterClumpName, kAny, sizeof(AudioUnitParameterNameInfo), kWritableUnchanged,
     nullptr},
    {kAudioUnitProperty_ParameterValueFromString, kAny, sizeof(AudioUnitParameterValueFromString),
     kWritableUnchanged, nullptr},
    {kMusicDeviceProperty_InstrumentCount, kGlobal, sizeof(UInt32), kWritableUnchanged, IsInstrument},
};

const IPlugAU::PropertyRow* IPlugAU::PropertyRow::Find(AudioUnitPropertyID propID) {
  for (const PropertyRow& row : kTable)
    if (row.id == propID) return &row;
  return nullptr;
}

ComponentResult IPlugAU::DescribeProperty(AudioUnitPropertyID propID, AudioUnitScope scope,
                                          AudioUnitElement element, UInt32* pSize, int* pWritable) {
  const PropertyRow* row = PropertyRow::Find(propID);
  if (!row) return kAudioUnitErr_InvalidProperty;
  ComponentResult status = row->CheckScope(scope);
  if (status != noErr) return status;
  UInt32 size = row->size;
  if (row->rule) {
    status = row->rule(this, scope, element, &size);
    if (status != noErr) return status;
  }
  *pSize = size;
  if (row->writable != kWritableUnchanged) *pWritable = row->writable;
  return noErr;
}

// One case per property with a value to read; the describe step has checked
// the scope, the element and the room.
ComponentResult IPlugAU::WriteProperty(AudioUnitPropertyID propID, AudioUnitScope scope,
                                       AudioUnitElement element, void* pData) {
  switch (propID) {
    case kAudioUnitProperty_ClassInfo:
      return GetState(static_cast<CFPropertyListRef*>(pData));
    case kAudioUnitProperty_SampleRate:
      return Put<Float64>(pData, GetSampleRate());
    case kAudioUnitProperty_ParameterList:
      return GetParameterList(scope, static_cast<AudioUnitParameterID*>(pData));
    case kAudioUnitProperty_ParameterInfo:
      return GetParamInfo(element, static_cast<AudioUnitParameterInfo*>(pData));
    case kAudioUnitProperty_FastDispatch:
      return PutFastDispatchProc(element, pData);
    case kAudioUnitProperty_StreamFormat:
      GetStreamFormat(GetBus(scope, element), static_cast<AudioStreamBasicDescription*>(pData));
      return noErr;
    case kAudioUnitProperty_ElementCount:
      return Put<UInt32>(pData, ElementCount(scope));
    case kAudioUnitProperty_Latency:
    case kAudioUnitProperty_TailTime:
      if (propID == kAudioUnitProperty_TailTime)
        Trace(TRACELOC, "%d", static_cast<int>(kAudioUnitProperty_Latency));
      return Put<Float64>(pData, LatencySeconds());
    case kAudioUnitProperty_SupportedNumChannels:
      return GetChannelIOList(static_cast<AUChannelInfo*>(pData));
    case kAudioUnitProperty_MaximumFramesPerSlice:
      return Put<UInt32>(pData, static_cast<UInt32>(GetBlockSize()));
    case kAudioUnitProperty_ParameterValueStrings:
      return GetParamValueStrings(element, static_cast<CFArrayRef*>(pData));
    case kAudioUnitProperty_GetUIComponentList:
      return GetUIComponent(static_cast<ComponentDescription*>(pData));
    case kAudioUnitProperty_BypassEffect:
      return Put<UInt32>(pData, GetIsBypassed() ? 1 : 0);
    case kAudioUnitProperty_LastRenderError:
      return Put<OSStatus>(pData, noErr);
    case kAudioUnitProperty_FactoryPresets:
      return GetFactoryPresets(static_cast<CFArrayRef*>(pData));
    case kAudioUnitProperty_CurrentPreset:
    case kAudioUnitProperty_PresentPreset:
      return GetCurrentPreset(static_cast<AUPreset*>(pData));
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
      return Put<UInt32>(pData, 1);
    default:
      // MakeConnection, SetRenderCallback and HostCallbacks are set-only.
      return noErr;
  }
}

// One ID per parameter on the global scope; the list is empty on the others.
ComponentResult IPlugAU::GetParameterList(AudioUnitScope scope, AudioUnitParameterID* pIDs) {
  if (IsGlobal(scope))
    for (int i = 0; i < NParams(); ++i) pIDs[i] = static_cast<AudioUnitParameterID>(i);
  return noErr;
}

UInt32 IPlugAU::ElementCount(AudioUnitScope scope) const {
  if (scope == kAudioUnitScope_Global) return 1;
  if (scope == kAudioUnitScope_Input) return static_cast<UInt32>(mInBuses.GetSize());
  if (scope == kAudioUnitScope_Output) return static_cast<UInt32>(mOutBuses.GetSize());
  return 0;
}

// The latency, and the tail time, in seconds.
double IPlugAU::LatencySeconds() {
  return GetSampleRate() > 0.0 ? static_cast<double>(GetLatency()) / GetSampleRate() : 0.0;
}

ComponentResult IPlugAU::GetChannelIOList(AUChannelInfo* pInfos) {
  for (int i = 0; i < NChannelIO(); ++i) {
    const ChannelIO* io = GetChannelIO(i);
    pInfos[i].inChannels = static_cast<SInt16>(io->mIn);
    pInfos[i].outChannels = static_cast<SInt16>(io->mOut);
    Trace(TRACELOC, "IO:%d:%d", io->mIn, io->mOut);
  }
  return noErr;
}

// A new array of the parameter's display texts (the describe rule has
// checked that it has some).
ComponentResult IPlugAU::GetParamValueStrings(AudioUnitElement paramIdx, CFArrayRef* ppArray) {
  const IParam* param = GetParam(static_cast<int>(paramIdx));
  const int n = param->GetNDisplayTexts();
  CFMutableArrayRef array = CFArrayCreateMutable(kCFAllocatorDefault, n, &kCFTypeArrayCallBacks);
  if (!array) return coreFoundationUnknownErr;
  for (int i = 0; i < n; ++i) {
    CFStringRef text = MakeCFString(param->GetDisplayTextAtIdx(i));
    if (!text) continue;
    CFArrayAppendValue(array, text);
    CFRelease(text);
  }
  *ppArray = array;
  return noErr;
}

// The editor's view component: type 'auvw', the unit's own subtype and maker.
ComponentResult IPlugAU::GetUIComponent(ComponentDescription* pDesc) {
  pDesc->componentType = 0x61757677;  // 'auvw'
  pDesc->componentSubType = static_cast<OSType>(GetUniqueID());
  pDesc->componentManufacturer = static_cast<OSType>(GetMfrID());
  pDesc->componentFlags = 0;
  pDesc->componentFlagsMask = 0;
  return noErr;
}

// The preset's name is a new string the host releases.
ComponentResult IPlugAU::GetCurrentPreset(AUPreset* pPreset) {
  const int idx = GetCurrentPresetIdx();
  pPreset->presetNumber = idx;
  pPreset->presetName = MakeCFString(GetPresetName(idx));
  return noErr;
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
  // A text too long for the buffer matches no display text and is no number
  // a parameter takes: refused rather than read unterminated.
  char text[kMaxParamDisplayLen * 4] = "";
  if (!CFStringGetCString(pRecord->inString, text, sizeof(text), kCFStringEncodingUTF8))
    return kAudioUnitErr_InvalidPropertyValue;
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

// Listeners hear of every set, refused or not. Each settable property but
// the host callbacks carries a value of a fixed size; a shorter one is refused.
ComponentResult IPlugAU::SetProperty(AudioUnitPropertyID propID, AudioUnitScope scope,
                                     AudioUnitElement element, const void* pData,
                                     UInt32 dataSize) {
  InformListeners(propID, scope);
  Trace(TRACELOC, "(%d:%s):(%d:%s):%d", static_cast<int>(propID),
        AUPropertyStr(static_cast<int>(propID)), static_cast<int>(scope),
        AUScopeStr(static_cast<int>(scope)), static_cast<int>(element));

  auto valueOK = [&](size_t size) { return pData && dataSize >= size; };

  switch (propID) {
    case kAudioUnitProperty_ClassInfo:
      if (!valueOK(sizeof(CFPropertyListRef))) return kAudioUnitErr_InvalidPropertyValue;
      return SetState(*static_cast<const CFPropertyListRef*>(pData));
    case kAudioUnitProperty_MakeConnection:
      if (!valueOK(sizeof(AudioUnitConnection))) return kAudioUnitErr_InvalidPropertyValue;
      return MakeConnection(scope, static_cast<const AudioUnitConnection*>(pData));
    case kAudioUnitProperty_SampleRate:
      if (!valueOK(sizeof(Float64))) return kAudioUnitErr_InvalidPropertyValue;
      return ChangeSampleRate(*static_cast<const Float64*>(pData));
    case kAudioUnitProperty_StreamFormat:
      if (!valueOK(sizeof(AudioStreamBasicDescription))) return kAudioUnitErr_InvalidPropertyValue;
      return SetStreamFormat(scope, element, static_cast<const AudioStreamBasicDescription*>(pData));
    case kAudioUnitProperty_MaximumFramesPerSlice:
      if (!valueOK(sizeof(UInt32))) return kAudioUnitErr_InvalidPropertyValue;
      return ChangeMaxFramesPerSlice(*static_cast<const UInt32*>(pData));
    case kAudioUnitProperty_BypassEffect:
      if (!valueOK(sizeof(UInt32))) return kAudioUnitErr_InvalidPropertyValue;
      return SetBypass(*static_cast<const UInt32*>(pData) != 0);
    case kAudioUnitProperty_SetRenderCallback:
      if (!valueOK(sizeof(AURenderCallbackStruct))) return kAudioUnitErr_InvalidPropertyValue;
      return SetRenderCallback(scope, element, static_cast<const AURenderCallbackStruct*>(pData));
    case kAudioUnitProperty_HostCallbacks:
      if (!IsGlobal(scope)) return kAudioUnitErr_InvalidProperty;
      if (!pData) return kAudioUnitErr_InvalidPropertyValue;
      return SetHostCallbacks(pData, dataSize);
    case kAudioUnitProperty_CurrentPreset:
    case kAudioUnitProperty_PresentPreset:
      if (!valueOK(sizeof(AUPreset))) return kAudioUnitErr_InvalidPropertyValue;
      RestorePreset(static_cast<int>(static_cast<const AUPreset*>(pData)->presetNumber));
      return noErr;
    case kAudioUnitProperty_OfflineRender:
      if (!valueOK(sizeof(UInt32))) return kAudioUnitErr_InvalidPropertyValue;
      mIsOffline = *static_cast<const UInt32*>(pData) != 0;
      return noErr;
    case kAudioUnitProperty_AUHostIdentifier:
      if (!valueOK(sizeof(AUHostIdentifier))) return kAudioUnitErr_InvalidPropertyValue;
      return SetHostIdentifier(*static_cast<const AUHostIdentifier*>(pData));
    default:
      return kAudioUnitErr_InvalidProperty;
  }
}

// The render path reads the rate: it changes only while uninitialized.
ComponentResult IPlugAU::ChangeSampleRate(Float64 rate) {
  if (!(rate > 0.0) || rate > kMaxSampleRate) return kAudioUnitErr_InvalidPropertyValue;
  if (RenderSetupLocked()) {
    if (rate == GetSampleRate()) return noErr;
    return kAudioUnitErr_Initialized;
  }
  SetSampleRate(rate);
  // Audio held at another rate is noise at this one.
  RequestAudioReset();
  Reset();
  return noErr;
}

// The scratch buffers the render path uses are resized only while uninitialized.
ComponentResult IPlugAU::ChangeMaxFramesPerSlice(UInt32 frames) {
  if (frames == 0 || frames > static_cast<UInt32>(kMaxFramesPerSliceLimit))
    return kAudioUnitErr_InvalidPropertyValue;
  if (RenderSetupLocked()) {
    if (static_cast<int>(frames) == GetBlockSize()) return noErr;
    return kAudioUnitErr_Initialized;
  }
  SetBlockSize(static_cast<int>(frames));
  Reset();
  return noErr;
}

ComponentResult IPlugAU::SetBypass(bool bypassed) {
  SetIsBypassed(bypassed);
  OnActivate(!bypassed);
  Reset();
  return noErr;
}

// Older hosts send a shorter record: the entries they leave out stay null,
// and only whole entries are copied (half a function pointer would be
// called as a whole one).
ComponentResult IPlugAU::SetHostCallbacks(const void* pData, UInt32 dataSize) {
  HostCallbackInfo record = {nullptr, nullptr, nullptr, nullptr};
  const size_t whole = (dataSize < sizeof(HostCallbackInfo) ? dataSize : sizeof(HostCallbackInfo)) /
                       sizeof(void*) * sizeof(void*);
  std::memcpy(&record, pData, whole);
  // Sequence-checked hand-over: readers retry while the counter is odd or moved.
  void* words[sizeof(HostCallbackInfo) / sizeof(void*)];
  std::memcpy(words, &record, sizeof record);
  HostCallbackSlots& slots = mHostCallbacks;
  const unsigned generation = slots.generation.load(std::memory_order_relaxed);
  slots.generation.store(generation + 1, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_release);
  for (size_t i = 0; i < sizeof words / sizeof words[0]; ++i) slots.words[i].store(words[i], std::memory_order_relaxed);
  slots.generation.store(generation + 2, std::memory_order_release);
  return noErr;
}

// The host's name and its version as 0xMMMMmmbb (major, minor, bug fix).
ComponentResult IPlugAU::SetHostIdentifier(const AUHostIdentifier& host) {
  char name[kMaxHostNameLen] = "";
  if (!host.hostName || CFGetTypeID(host.hostName) != CFStringGetTypeID() ||
      !CFStringGetCString(host.hostName, name, sizeof(name), kCFStringEncodingUTF8))
    name[0] = '\0';  // an unreadable or overlong name identifies no host
  const int minorAndBug = host.hostVersion.minorAndBugRev;
  const int version = (host.hostVersion.majorRev << 16) + (((minorAndBug & 0xF0) >> 4) << 8) +
                      (minorAndBug & 0x0F);
  SetHost(name, version);
  OnHostIdentified();
  return noErr;
}
