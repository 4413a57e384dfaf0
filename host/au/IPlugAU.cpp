// IPlugAU: construction, the component entry and its selector dispatch,
// parameter callbacks, host notifications and host transport queries.
#include "host/au/IPlugAU.h"

#include <cmath>
#include <cstring>
#include <new>
#include <type_traits>

#include "framework/Log.h"

namespace {

// Reads argument i of n from the Component Manager's parameter block. The
// last declared argument sits in params[0], so argument i is params[n-1-i].
// Integers and pointers are the slot's value; floats are the slot's first bytes.
template <class T>
T Arg(const ComponentParameters* params, int n, int i) {
  const long slot = params->params[n - 1 - i];
  if constexpr (std::is_pointer<T>::value) {
    return reinterpret_cast<T>(slot);
  } else if constexpr (std::is_floating_point<T>::value) {
    T value;
    std::memcpy(&value, &params->params[n - 1 - i], sizeof(T));
    return value;
  } else {
    return static_cast<T>(slot);
  }
}

// True when the block carries at least n argument slots.
bool HasArgs(const ComponentParameters* params, int n) {
  return static_cast<size_t>(params->paramSize) >= static_cast<size_t>(n) * sizeof(long);
}

bool CanDo(int select) {
  switch (select) {
    case kAudioUnitInitializeSelect:
    case kAudioUnitUninitializeSelect:
    case kAudioUnitGetPropertyInfoSelect:
    case kAudioUnitGetPropertySelect:
    case kAudioUnitSetPropertySelect:
    case kAudioUnitGetParameterSelect:
    case kAudioUnitSetParameterSelect:
    case kAudioUnitResetSelect:
    case kAudioUnitAddPropertyListenerSelect:
    case kAudioUnitRemovePropertyListenerSelect:
    case kAudioUnitRenderSelect:
    case kAudioUnitAddRenderNotifySelect:
    case kAudioUnitRemoveRenderNotifySelect:
    case kAudioUnitScheduleParametersSelect:
      return true;
    default:
      return false;
  }
}

// Number of argument slots each dispatched selector reads.
int ArgCount(int select) {
  switch (select) {
    case kAudioUnitGetPropertyInfoSelect:
    case kAudioUnitGetPropertySelect:
    case kAudioUnitSetPropertySelect:
    case kAudioUnitSetParameterSelect:
    case kAudioUnitRenderSelect:
    case kMusicDeviceStartNoteSelect:
      return 5;
    case kAudioUnitGetParameterSelect:
    case kMusicDeviceMIDIEventSelect:
      return 4;
    case kAudioUnitAddPropertyListenerSelect:
    case kAudioUnitRemovePropertyListenerWithUserDataSelect:
    case kMusicDeviceStopNoteSelect:
      return 3;
    case kAudioUnitResetSelect:
    case kAudioUnitRemovePropertyListenerSelect:
    case kAudioUnitAddRenderNotifySelect:
    case kAudioUnitRemoveRenderNotifySelect:
    case kAudioUnitScheduleParametersSelect:
    case kMusicDeviceSysExSelect:
      return 2;
    case kMusicDevicePrepareInstrumentSelect:
    case kMusicDeviceReleaseInstrumentSelect:
      return 1;
    default:
      return 0;
  }
}

// A failure inside the adapter or the plug-in answered at the boundary.
ComponentResult StatusForException(bool outOfMemory) {
  return outOfMemory ? static_cast<ComponentResult>(memFullErr)
                     : static_cast<ComponentResult>(kAudioUnitErr_CannotDoInCurrentContext);
}

void PostParamEvent(ComponentInstance ci, AudioUnitEventType type, int paramIdx) {
  AudioUnitEvent event;
  std::memset(&event, 0, sizeof(event));
  event.mEventType = type;
  event.mArgument.mParameter.mAudioUnit = ci;
  event.mArgument.mParameter.mParameterID = static_cast<AudioUnitParameterID>(paramIdx);
  event.mArgument.mParameter.mScope = kAudioUnitScope_Global;
  event.mArgument.mParameter.mElement = 0;
  AUEventListenerNotify(nullptr, nullptr, &event);
}

}  // namespace

const char* AUInputTypeStr(int type) {
  switch (type) {
    case eDirectFastProc: return "DirectFastProc";
    case eDirectNoFastProc: return "DirectNoFastProc";
    case eRenderCallback: return "RenderCallback";
    default: return "NotConnected";
  }
}

// ---- Construction ----

IPlugAU::IPlugAU(const IPlugInstanceInfo& instanceInfo, int nParams, const char* channelIOStr,
                 int nPresets, const char* effectName, const char* productName,
                 const char* mfrName, int vendorVersion, int uniqueID, int mfrID, int latency,
                 bool plugDoesMidi, bool plugDoesChunks, bool plugIsInst, int plugScChans)
    : IPlugBase(nParams, channelIOStr, nPresets, effectName, productName, mfrName, vendorVersion,
                uniqueID, mfrID, latency, plugDoesMidi, plugDoesChunks, plugIsInst, kAPIAU) {
  Trace(TRACELOC, "%s", effectName ? effectName : "");
  mOSXBundleID.Set(instanceInfo.mOSXBundleID.Get());
  mCocoaViewFactoryClassName.Set(instanceInfo.mCocoaViewFactoryClassName.Get());

  const int nInputs = NInChannels();
  const int nOutputs = NOutChannels();
  if (nInputs > 0) {
    if (plugScChans > 0 && plugScChans < nInputs) {
      BusChannels* mainBus = mInBuses.Add(new BusChannels);
      mainBus->mNPlugChannels = nInputs - plugScChans;
      mainBus->mPlugChannelStartIdx = 0;
      BusChannels* auxBus = mInBuses.Add(new BusChannels);
      auxBus->mNPlugChannels = plugScChans;
      auxBus->mPlugChannelStartIdx = nInputs - plugScChans;
      SetInputBusLabel(0, "main input");
      SetInputBusLabel(1, "aux input");
    } else {
      BusChannels* bus = mInBuses.Add(new BusChannels);
      bus->mNPlugChannels = nInputs;
      bus->mPlugChannelStartIdx = 0;
      SetInputBusLabel(0, "input");
      SetInputBusLabel(1, "aux input");
    }
  }
  for (int i = 0; i < mInBuses.GetSize(); ++i) mInBusConnections.Add(new InputBusConnection);

  if (plugIsInst) {
    const int nOutBuses = (nOutputs + 1) / 2;
    for (int i = 0; i < nOutBuses; ++i) {
      BusChannels* bus = mOutBuses.Add(new BusChannels);
      bus->mPlugChannelStartIdx = 2 * i;
      bus->mNPlugChannels = nOutputs - 2 * i < 2 ? nOutputs - 2 * i : 2;
      WDL_String label;
      label.SetFormatted(kMaxEffectNameLen, "output %i", i + 1);
      SetOutputBusLabel(i, label.Get());
    }
  } else if (nOutputs > 0) {
    BusChannels* bus = mOutBuses.Add(new BusChannels);
    bus->mNPlugChannels = nOutputs;
    bus->mPlugChannelStartIdx = 0;
    SetOutputBusLabel(0, "output");
  }

  AssessInputConnections();
  SetBlockSize(kDefaultBlockSize);
}

IPlugAU::~IPlugAU() {
  mInBuses.Empty(true);
  mOutBuses.Empty(true);
  mInBusConnections.Empty(true);
  mPropertyListeners.Empty(true);
  mRenderNotify.Empty(true);
}

// ---- Component entry ----

ComponentResult IPlugAU::IPlugAUEntry(ComponentParameters* params, void* storage,
                                      IPlugAUFactory makePlug) {
  if (!params) return paramErr;
  const int select = params->what;
  Trace(TRACELOC, "(%d:%s)", select, AUSelectStr(select));
  try {
    if (select == kComponentOpenSelect) {
      if (!makePlug || !HasArgs(params, 1)) return paramErr;
      ComponentInstance ci = Arg<ComponentInstance>(params, 1, 0);
      IPlugAU* plug = makePlug();
      if (!plug) return memFullErr;
      try {
        plug->HostSpecificInit();
        plug->PruneUninitializedPresets();
      } catch (...) {
        delete plug;
        throw;
      }
      plug->mCI = ci;
      SetComponentInstanceStorage(ci, reinterpret_cast<Handle>(plug));
      return noErr;
    }

    IPlugAU* plug = static_cast<IPlugAU*>(storage);
    if (!plug) return badComponentInstance;

    if (select == kComponentCloseSelect) {
      plug->ClearConnections();
      delete plug;
      return noErr;
    }

    WDL_MutexLock lock(&plug->mMutex);
    return plug->DispatchSelector(select, params);
  } catch (const std::bad_alloc&) {
    return StatusForException(true);
  } catch (...) {
    return StatusForException(false);
  }
}

// The component, life-cycle and render selectors are answered here; the
// property, parameter, listener and instrument selectors by a helper per group.
ComponentResult IPlugAU::DispatchSelector(int select, ComponentParameters* params) {
  if (!HasArgs(params, ArgCount(select))) return paramErr;

  switch (select) {
    case kComponentCanDoSelect:
      if (!HasArgs(params, 1)) return paramErr;
      return CanDo(static_cast<SInt16>(Arg<long>(params, 1, 0))) ? 1 : 0;
    case kComponentVersionSelect:
      return GetEffectVersion(false);
    case kAudioUnitInitializeSelect:
      if (!IsInitializeLegal()) return badComponentSelector;
      mActive = true;
      OnParamReset();
      OnActivate(true);
      mRenderable.store(true);
      return noErr;
    case kAudioUnitUninitializeSelect:
      mRenderable.store(false);
      WaitForRenders();
      mActive = false;
      OnActivate(false);
      return noErr;
    case kAudioUnitResetSelect:
      // A host resets around a locate: the audio thread drops what it holds.
      RequestAudioReset();
      Reset();
      return noErr;
    case kAudioUnitRenderSelect:
      return RenderProc(this, Arg<AudioUnitRenderActionFlags*>(params, 5, 0),
                        Arg<const AudioTimeStamp*>(params, 5, 1), Arg<UInt32>(params, 5, 2),
                        Arg<UInt32>(params, 5, 3), Arg<AudioBufferList*>(params, 5, 4));
    case kAudioUnitGetPropertyInfoSelect:
    case kAudioUnitGetPropertySelect:
    case kAudioUnitSetPropertySelect:
      return DispatchPropertySelector(select, params);
    case kAudioUnitGetParameterSelect:
    case kAudioUnitSetParameterSelect:
    case kAudioUnitScheduleParametersSelect:
      return DispatchParameterSelector(select, params);
    case kAudioUnitAddPropertyListenerSelect:
    case kAudioUnitRemovePropertyListenerSelect:
    case kAudioUnitRemovePropertyListenerWithUserDataSelect:
    case kAudioUnitAddRenderNotifySelect:
    case kAudioUnitRemoveRenderNotifySelect:
      return DispatchListenerSelector(select, params);
    case kMusicDeviceMIDIEventSelect:
    case kMusicDeviceSysExSelect:
    case kMusicDevicePrepareInstrumentSelect:
    case kMusicDeviceReleaseInstrumentSelect:
    case kMusicDeviceStartNoteSelect:
    case kMusicDeviceStopNoteSelect:
      return DispatchMusicDeviceSelector(select, params);
    default:
      return badComponentSelector;
  }
}

ComponentResult IPlugAU::DispatchPropertySelector(int select, const ComponentParameters* params) {
  const AudioUnitPropertyID propID = Arg<AudioUnitPropertyID>(params, 5, 0);
  const AudioUnitScope scope = Arg<AudioUnitScope>(params, 5, 1);
  const AudioUnitElement element = Arg<AudioUnitElement>(params, 5, 2);
  switch (select) {
    case kAudioUnitGetPropertyInfoSelect: {
      UInt32 localSize = 0;
      Boolean localWriteable = false;
      UInt32* pSize = Arg<UInt32*>(params, 5, 3);
      Boolean* pWriteable = Arg<Boolean*>(params, 5, 4);
      if (!pSize) pSize = &localSize;
      if (!pWriteable) pWriteable = &localWriteable;
      *pWriteable = false;
      return GetProperty(propID, scope, element, pSize, pWriteable, nullptr);
    }
    case kAudioUnitGetPropertySelect: {
      void* pData = Arg<void*>(params, 5, 3);
      UInt32* pSize = Arg<UInt32*>(params, 5, 4);
      // A value needs a size to check the room against.
      if (pData && !pSize) return kAudioUnitErr_InvalidPropertyValue;
      UInt32 localSize = 0;
      Boolean writeable = false;
      return GetProperty(propID, scope, element, pSize ? pSize : &localSize, &writeable, pData);
    }
    case kAudioUnitSetPropertySelect:
      return SetProperty(propID, scope, element, Arg<const void*>(params, 5, 3),
                         Arg<UInt32>(params, 5, 4));
    default:
      return badComponentSelector;
  }
}

ComponentResult IPlugAU::DispatchParameterSelector(int select, const ComponentParameters* params) {
  switch (select) {
    case kAudioUnitGetParameterSelect:
      return GetParamProc(this, Arg<AudioUnitParameterID>(params, 4, 0),
                          Arg<AudioUnitScope>(params, 4, 1), Arg<AudioUnitElement>(params, 4, 2),
                          Arg<AudioUnitParameterValue*>(params, 4, 3));
    case kAudioUnitSetParameterSelect:
      return SetParamProc(this, Arg<AudioUnitParameterID>(params, 5, 0),
                          Arg<AudioUnitScope>(params, 5, 1), Arg<AudioUnitElement>(params, 5, 2),
                          Arg<AudioUnitParameterValue>(params, 5, 3), Arg<UInt32>(params, 5, 4));
    case kAudioUnitScheduleParametersSelect:
      return ScheduleParameters(Arg<const AudioUnitParameterEvent*>(params, 2, 0),
                                Arg<UInt32>(params, 2, 1));
    default:
      return badComponentSelector;
  }
}

// Immediate events are set in order; the first refused one stops the rest.
ComponentResult IPlugAU::ScheduleParameters(const AudioUnitParameterEvent* events, UInt32 nEvents) {
  if (!events && nEvents > 0) return kAudioUnitErr_InvalidPropertyValue;
  for (UInt32 i = 0; i < nEvents; ++i) {
    const AudioUnitParameterEvent& event = events[i];
    if (event.eventType != kParameterEvent_Immediate) continue;  // ramps are not supported
    const ComponentResult result =
        SetParamProc(this, event.parameter, event.scope, event.element,
                     event.eventValues.immediate.value, event.eventValues.immediate.bufferOffset);
    if (result != noErr) return result;
  }
  return noErr;
}

// Property listeners and render notifications.
ComponentResult IPlugAU::DispatchListenerSelector(int select, const ComponentParameters* params) {
  switch (select) {
    case kAudioUnitAddPropertyListenerSelect: {
      PropertyListener listener;
      listener.mPropID = Arg<AudioUnitPropertyID>(params, 3, 0);
      listener.mListenerProc = Arg<AudioUnitPropertyListenerProc>(params, 3, 1);
      listener.mProcArgs = Arg<void*>(params, 3, 2);
      AddPropertyListener(listener);
      return noErr;
    }
    case kAudioUnitRemovePropertyListenerSelect:
      RemovePropertyListener(Arg<AudioUnitPropertyID>(params, 2, 0),
                             Arg<AudioUnitPropertyListenerProc>(params, 2, 1), false, nullptr);
      return noErr;
    case kAudioUnitRemovePropertyListenerWithUserDataSelect:
      RemovePropertyListener(Arg<AudioUnitPropertyID>(params, 3, 0),
                             Arg<AudioUnitPropertyListenerProc>(params, 3, 1), true,
                             Arg<void*>(params, 3, 2));
      return noErr;
    case kAudioUnitAddRenderNotifySelect:
      return AddRenderNotify(Arg<AURenderCallback>(params, 2, 0), Arg<void*>(params, 2, 1));
    case kAudioUnitRemoveRenderNotifySelect:
      RemoveRenderNotify(Arg<AURenderCallback>(params, 2, 0), Arg<void*>(params, 2, 1));
      return noErr;
    default:
      return badComponentSelector;
  }
}

// The instrument calls, turned into MIDI messages for the plug-in.
ComponentResult IPlugAU::DispatchMusicDeviceSelector(int select, const ComponentParameters* params) {
  switch (select) {
    case kMusicDeviceMIDIEventSelect: {
      IMidiMsg msg(static_cast<int>(Arg<UInt32>(params, 4, 3)),
                   static_cast<unsigned char>(Arg<UInt32>(params, 4, 0)),
                   static_cast<unsigned char>(Arg<UInt32>(params, 4, 1)),
                   static_cast<unsigned char>(Arg<UInt32>(params, 4, 2)));
      ProcessMidiMsg(&msg);
      return noErr;
    }
    case kMusicDeviceSysExSelect: {
      const UInt8* data = Arg<const UInt8*>(params, 2, 0);
      const UInt32 size = Arg<UInt32>(params, 2, 1);
      ISysEx sysex(0, data, data ? static_cast<int>(size & 0x7FFFFFFF) : 0);
      ProcessSysEx(&sysex);
      return noErr;
    }
    case kMusicDevicePrepareInstrumentSelect:
    case kMusicDeviceReleaseInstrumentSelect:
      return noErr;
    case kMusicDeviceStartNoteSelect: {
      NoteInstanceID* pNoteID = Arg<NoteInstanceID*>(params, 5, 2);
      const UInt32 offset = Arg<UInt32>(params, 5, 3);
      const MusicDeviceNoteParams* note = Arg<const MusicDeviceNoteParams*>(params, 5, 4);
      if (!note) return kAudioUnitErr_InvalidPropertyValue;
      const int pitch = static_cast<int>(note->mPitch);
      if (pNoteID) *pNoteID = static_cast<NoteInstanceID>(pitch);
      IMidiMsg msg;
      msg.MakeNoteOnMsg(pitch, static_cast<int>(note->mVelocity), static_cast<int>(offset));
      ProcessMidiMsg(&msg);
      return noErr;
    }
    case kMusicDeviceStopNoteSelect: {
      IMidiMsg msg;
      msg.MakeNoteOffMsg(static_cast<int>(Arg<UInt32>(params, 3, 1)),
                         static_cast<int>(Arg<UInt32>(params, 3, 2)));
      ProcessMidiMsg(&msg);
      return noErr;
    }
    default:
      return badComponentSelector;
  }
}

bool IPlugAU::IsInitializeLegal() {
  const int nIn = NHostChannelsConnected(&mInBuses);
  const int nOut = NHostChannelsConnected(&mOutBuses);
  return (nIn == 0 && nOut == 0) || LegalIO(nIn, nOut);
}

// A listener is the property, the proc and the host's user data: one proc
// registered with two user data values is two listeners.
bool IPlugAU::AddPropertyListener(const PropertyListener& listener) {
  for (int i = 0; i < mPropertyListeners.GetSize(); ++i) {
    const PropertyListener* existing = mPropertyListeners.Get(i);
    if (existing->mPropID == listener.mPropID && existing->mListenerProc == listener.mListenerProc &&
        existing->mProcArgs == listener.mProcArgs)
      return false;
  }
  mPropertyListeners.Add(new PropertyListener(listener));
  return true;
}

void IPlugAU::RemovePropertyListener(AudioUnitPropertyID propID,
                                     AudioUnitPropertyListenerProc proc, bool matchUserData,
                                     void* userData) {
  for (int i = 0; i < mPropertyListeners.GetSize(); ++i) {
    const PropertyListener* listener = mPropertyListeners.Get(i);
    if (listener->mPropID == propID && listener->mListenerProc == proc &&
        (!matchUserData || listener->mProcArgs == userData)) {
      mPropertyListeners.Delete(i, true);
      return;
    }
  }
}

// Duplicates are allowed; the list the render thread sees has a fixed
// capacity, beyond which a registration is refused.
OSStatus IPlugAU::AddRenderNotify(AURenderCallback proc, void* userData) {
  if (mRenderNotify.GetSize() >= RenderNotifyList::kCapacity) return memFullErr;
  RenderNotify* notify = new RenderNotify;
  notify->mFunc = proc;
  notify->mFuncArgs = userData;
  mRenderNotify.Add(notify);
  PublishRenderNotify();
  return noErr;
}

// The first registration of this proc with this user data: a host that
// registered one proc twice with different data removes the one it means.
void IPlugAU::RemoveRenderNotify(AURenderCallback proc, void* userData) {
  for (int i = 0; i < mRenderNotify.GetSize(); ++i) {
    const RenderNotify* notify = mRenderNotify.Get(i);
    if (notify->mFunc == proc && notify->mFuncArgs == userData) {
      mRenderNotify.Delete(i, true);
      PublishRenderNotify();
      return;
    }
  }
}

void IPlugAU::PublishRenderNotify() {
  RenderNotifyList& list = mRenderNotifyForRender.Back();
  list.mCount = mRenderNotify.GetSize();
  for (int i = 0; i < list.mCount; ++i) list.mItems[i] = *mRenderNotify.Get(i);
  mRenderNotifyForRender.Publish();
}

void IPlugAU::InformListeners(AudioUnitPropertyID propID, AudioUnitScope scope) {
  Trace(TRACELOC, "%d:%s", static_cast<int>(propID), AUPropertyStr(static_cast<int>(propID)));
  // A listener may add or remove listeners from inside its call: copy what
  // is needed first and re-read the list's size on every step.
  for (int i = 0; i < mPropertyListeners.GetSize(); ++i) {
    const PropertyListener listener = *mPropertyListeners.Get(i);
    if (listener.mPropID == propID && listener.mListenerProc)
      listener.mListenerProc(listener.mProcArgs, mCI, propID, scope, 0);
  }
}

// ---- Parameter callbacks ----

ComponentResult IPlugAU::GetParamProc(void* pPlug, AudioUnitParameterID paramID,
                                      AudioUnitScope scope, AudioUnitElement element,
                                      AudioUnitParameterValue* pValue) {
  Trace(TRACELOC, "%d:(%d:%s):%d", static_cast<int>(paramID), static_cast<int>(scope),
        AUScopeStr(static_cast<int>(scope)), static_cast<int>(element));
  IPlugAU* plug = static_cast<IPlugAU*>(pPlug);
  if (!plug) return badComponentInstance;
  if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidProperty;
  if (!pValue) return kAudioUnitErr_InvalidParameter;
  try {
    WDL_MutexLock lock(&plug->mMutex);
    const IParam* param = plug->GetParam(static_cast<int>(paramID));
    if (!param || paramID > 0x7FFFFFFF) return kAudioUnitErr_InvalidParameter;
    *pValue = static_cast<AudioUnitParameterValue>(param->Value());
    return noErr;
  } catch (...) {
    return StatusForException(false);
  }
}

ComponentResult IPlugAU::SetParamProc(void* pPlug, AudioUnitParameterID paramID,
                                      AudioUnitScope scope, AudioUnitElement element,
                                      AudioUnitParameterValue value, UInt32 offsetFrames) {
  Trace(TRACELOC, "%d:(%d:%s):%d", static_cast<int>(paramID), static_cast<int>(scope),
        AUScopeStr(static_cast<int>(scope)), static_cast<int>(element));
  IPlugAU* plug = static_cast<IPlugAU*>(pPlug);
  if (!plug) return badComponentInstance;
  if (scope != kAudioUnitScope_Global) return kAudioUnitErr_InvalidProperty;
  // NaN or infinity would reach the editor and the plug-in's copies unclamped.
  if (!std::isfinite(value)) return kAudioUnitErr_InvalidParameter;
  try {
    WDL_MutexLock lock(&plug->mMutex);
    const int idx = static_cast<int>(paramID);
    IParam* param = paramID > 0x7FFFFFFF ? nullptr : plug->GetParam(idx);
    if (!param) return kAudioUnitErr_InvalidParameter;
    // With the parameters that follow it (an exclusive mode or solo).
    ParamWriteSection section(plug);
    param->Set(value);
    if (IGraphicsLink* gui = plug->GetGUI()) gui->SetParameterFromPlug(idx, value, false);
    plug->OnParamChange(idx);
    return noErr;
  } catch (...) {
    return StatusForException(false);
  }
}

// ---- Notifications to the host ----

void IPlugAU::BeginInformHostOfParamChange(int idx) {
  Trace(TRACELOC, "%d", idx);
  PostParamEvent(mCI, kAudioUnitEvent_BeginParameterChangeGesture, idx);
}

void IPlugAU::InformHostOfParamChange(int idx, double normalizedValue) {
  Trace(TRACELOC, "%d:%f", idx, normalizedValue);
  // The host reads the value back through the get-parameter call.
  PostParamEvent(mCI, kAudioUnitEvent_ParameterValueChange, idx);
}

void IPlugAU::EndInformHostOfParamChange(int idx) {
  Trace(TRACELOC, "%d", idx);
  PostParamEvent(mCI, kAudioUnitEvent_EndParameterChangeGesture, idx);
}

void IPlugAU::InformHostOfProgramChange() {
  InformListeners(kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global);
}

void IPlugAU::SetLatency(int samples) {
  Trace(TRACELOC, "%d", samples);
  InformListeners(kAudioUnitProperty_Latency, kAudioUnitScope_Global);
  IPlugBase::SetLatency(samples);
}

// ---- Host identity and editor ----

EHost IPlugAU::GetHost() {
  if (mHost == kHostUninit) {
    // The host application's bundle identifier names it until the host
    // identifies itself through kAudioUnitProperty_AUHostIdentifier.
    char name[kMaxHostNameLen] = "";
    if (CFBundleRef bundle = CFBundleGetMainBundle()) {
      CFStringRef id = CFBundleGetIdentifier(bundle);
      if (!id || !CFStringGetCString(id, name, sizeof(name), kCFStringEncodingUTF8)) name[0] = '\0';
    }
    SetHost(name, 0);
  }
  return mHost;
}

void IPlugAU::HostSpecificInit() {
  GetHost();
  OnHostIdentified();
}

void IPlugAU::ResizeGraphics(int w, int h) {
  if (GetGUI()) OnWindowResize();
}

// ---- Host transport ----

// A writer is a few stores long, so a reader that meets one retries at once.
HostCallbackInfo IPlugAU::HostCallbacks() const {
  void* words[sizeof(HostCallbackInfo) / sizeof(void*)];
  for (;;) {
    const unsigned generation = mHostCallbacks.generation.load(std::memory_order_acquire);
    for (size_t i = 0; i < sizeof words / sizeof words[0]; ++i)
      words[i] = mHostCallbacks.words[i].load(std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    if (!(generation & 1u) && mHostCallbacks.generation.load(std::memory_order_relaxed) == generation) break;
  }
  HostCallbackInfo record;
  std::memcpy(&record, words, sizeof record);
  return record;
}

double IPlugAU::GetTempo() {
  const HostCallbackInfo cb = HostCallbacks();
  if (cb.beatAndTempoProc) {
    Float64 currentBeat = 0.0, tempo = 0.0;
    cb.beatAndTempoProc(cb.hostUserData, &currentBeat, &tempo);
    if (tempo > 0.0) mTempo = tempo;
  }
  return mTempo;
}

void IPlugAU::GetTimeSig(int* pNum, int* pDenom) {
  const HostCallbackInfo cb = HostCallbacks();
  if (!cb.musicalTimeLocationProc) return;
  UInt32 deltaSampleOffset = 0, denominator = 0;
  Float32 numerator = 0.0f;
  Float64 downBeat = 0.0;
  cb.musicalTimeLocationProc(cb.hostUserData, &deltaSampleOffset, &numerator, &denominator, &downBeat);
  if (pNum) *pNum = static_cast<int>(numerator);
  if (pDenom) *pDenom = static_cast<int>(denominator);
}

int IPlugAU::GetSamplePos() {
  const HostCallbackInfo cb = HostCallbacks();
  if (!cb.transportStateProc) return 0;
  Boolean playing = false, changed = false, cycling = false;
  Float64 currentSample = 0.0, cycleStart = 0.0, cycleEnd = 0.0;
  cb.transportStateProc(cb.hostUserData, &playing, &changed, &currentSample, &cycling, &cycleStart, &cycleEnd);
  return static_cast<int>(currentSample + 0.5);
}

void IPlugAU::GetTime(ITimeInfo* pTimeInfo) {
  if (!pTimeInfo) return;
  const HostCallbackInfo cb = HostCallbacks();
  if (cb.beatAndTempoProc) {
    Float64 currentBeat = 0.0, tempo = 0.0;
    cb.beatAndTempoProc(cb.hostUserData, &currentBeat, &tempo);
    if (tempo > 0.0) pTimeInfo->mTempo = tempo;
    if (currentBeat > 0.0) pTimeInfo->mPPQPos = currentBeat;
  }
  if (cb.transportStateProc) {
    Boolean playing = false, changed = false, cycling = false;
    Float64 currentSample = 0.0, cycleStart = 0.0, cycleEnd = 0.0;
    cb.transportStateProc(cb.hostUserData, &playing, &changed, &currentSample, &cycling, &cycleStart, &cycleEnd);
    if (currentSample > 0.0) pTimeInfo->mSamplePos = currentSample;
    if (cycleStart > 0.0) pTimeInfo->mCycleStart = cycleStart;
    if (cycleEnd > 0.0) pTimeInfo->mCycleEnd = cycleEnd;
    pTimeInfo->mTransportIsRunning = playing;
    pTimeInfo->mTransportLoopEnabled = cycling;
  }
  if (cb.musicalTimeLocationProc) {
    UInt32 deltaSampleOffset = 0, denominator = 0;
    Float32 numerator = 0.0f;
    Float64 downBeat = 0.0;
    cb.musicalTimeLocationProc(cb.hostUserData, &deltaSampleOffset, &numerator, &denominator, &downBeat);
    pTimeInfo->mNumerator = static_cast<int>(numerator);
    pTimeInfo->mDenominator = static_cast<int>(denominator);
    if (downBeat > 0.0) pTimeInfo->mLastBar = downBeat;
  }
}
