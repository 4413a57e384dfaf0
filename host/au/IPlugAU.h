#pragma once
// IPlugAU: the Audio Unit host adapter. It turns the plug-in base into an
// Audio Unit effect component: a static component entry creates and
// destroys the plug-in object and dispatches the Component Manager and Audio
// Unit selectors to the member functions below (properties, parameters,
// listeners, render, state and presets).
//
// Threads: the host's main thread calls the entry; every selector except
// open and close runs with the plug-in's lock held. The render thread calls
// RenderProc (through the entry or fast dispatch; the fast path takes no
// lock). GetParamProc/SetParamProc may come from any thread and lock.
// What the render path reads belongs to it while the unit is initialized:
// changes to the formats, the maximum frames per slice, the sample rate and
// the input connections are refused then (kAudioUnitErr_Initialized), and
// the render notifications reach it as a list replaced whole.
//
// Each plug-in exports its own C entry that forwards to IPlugAUEntry with its
// factory, so one process can host several plug-ins:
//   extern "C" ComponentResult MyPlug_Entry(ComponentParameters* p, Handle s) {
//     return IPlugAU::IPlugAUEntry(p, s, MakePlug);
//   }
#include <atomic>

#include <AudioToolbox/AudioToolbox.h>
#include <AudioUnit/AudioUnit.h>
#include <CoreServices/CoreServices.h>

#include "framework/IPlugBase.h"
#include "framework/TripleBuffer.h"

// What MakePlug hands to the adapter's constructor.
struct IPlugInstanceInfo {
  WDL_String mOSXBundleID;
  WDL_String mCocoaViewFactoryClassName;
};

// One bus. mNHostChannels is what the host negotiated (-1: nothing yet).
struct BusChannels {
  bool mConnected = false;
  int mNHostChannels = -1;
  int mNPlugChannels = 0;
  int mPlugChannelStartIdx = 0;
};

enum EAUInputType {
  eNotConnected = 0,
  eDirectFastProc = 1,
  eDirectNoFastProc = 2,
  eRenderCallback = 3
};
// "NotConnected", "DirectFastProc", ...; "NotConnected" for other values.
const char* AUInputTypeStr(int type);

// What feeds one input bus. All zero: nothing connected.
struct InputBusConnection {
  void* mUpstreamObj = nullptr;
  AudioUnit mUpstreamUnit = nullptr;
  UInt32 mUpstreamBusIdx = 0;
  AudioUnitRenderProc mUpstreamRenderProc = nullptr;
  AURenderCallbackStruct mCallbackInfo = {nullptr, nullptr};
  EAUInputType mInputType = eNotConnected;
};

struct PropertyListener {
  AudioUnitPropertyID mPropID = 0;
  AudioUnitPropertyListenerProc mListenerProc = nullptr;
  void* mProcArgs = nullptr;
};

struct RenderNotify {
  AURenderCallback mFunc = nullptr;
  void* mFuncArgs = nullptr;
};

// The render notifications as the render thread sees them: a fixed list,
// replaced whole whenever the host adds or removes one.
struct RenderNotifyList {
  static constexpr int kCapacity = 64;
  int mCount = 0;
  RenderNotify mItems[kCapacity];
};

// A factory each plug-in provides (MakePlug for the product itself).
using IPlugAUFactory = class IPlugAU* (*)();

class IPlugAU : public IPlugBase {
public:
  // Largest number of channels one bus may carry (the render call's stack
  // buffer list has this many entries).
  static constexpr int kMaxBusChannels = 128;
  // Largest maximum-frames-per-slice a host may set.
  static constexpr int kMaxFramesPerSliceLimit = 1 << 20;
  static constexpr int kDefaultBlockSize = 1024;
  // Highest sample rate a host may set (the sample-rate property and the
  // stream formats).
  static constexpr double kMaxSampleRate = 1e7;

  // Main thread, from the plug-in's constructor (inside MakePlug).
  IPlugAU(const IPlugInstanceInfo& instanceInfo, int nParams, const char* channelIOStr,
          int nPresets, const char* effectName, const char* productName, const char* mfrName,
          int vendorVersion, int uniqueID, int mfrID, int latency, bool plugDoesMidi = false,
          bool plugDoesChunks = false, bool plugIsInst = false, int plugScChans = 0);
  ~IPlugAU() override;

  // The component entry. storage is the instance storage (the plug-in object
  // after open). No exception leaves it.
  static ComponentResult IPlugAUEntry(ComponentParameters* params, void* storage,
                                      IPlugAUFactory makePlug);

  // ---- IPlugBase overrides (slot order) ----
  void BeginInformHostOfParamChange(int idx) override;
  void InformHostOfParamChange(int idx, double normalizedValue) override;
  void EndInformHostOfParamChange(int idx) override;
  void InformHostOfProgramChange() override;
  bool IsRenderingOffline() override { return mIsOffline; }
  int GetSamplePos() override;
  double GetTempo() override;
  void GetTimeSig(int* pNum, int* pDenom) override;
  void GetTime(ITimeInfo* pTimeInfo) override;
  EHost GetHost() override;
  void ResizeGraphics(int w, int h) override;
  void HostSpecificInit() override;
  void SetLatency(int samples) override;
  bool SendMidiMsg(IMidiMsg*) override { return false; }
  void SetBlockSize(int blockSize) override;

  // ---- Properties (main thread, lock held) ----

  // With data null: a property-info query (size and writability only).
  // Otherwise *pDataSize is the room at data on entry and the size written on
  // return; a value that does not fit is refused.
  ComponentResult GetProperty(AudioUnitPropertyID propID, AudioUnitScope scope,
                              AudioUnitElement element, UInt32* pDataSize, Boolean* pWriteable,
                              void* pData);
  ComponentResult SetProperty(AudioUnitPropertyID propID, AudioUnitScope scope,
                              AudioUnitElement element, const void* pData, UInt32 dataSize);

  // ---- Fast-dispatch functions (any thread) ----
  static ComponentResult GetParamProc(void* pPlug, AudioUnitParameterID paramID,
                                      AudioUnitScope scope, AudioUnitElement element,
                                      AudioUnitParameterValue* pValue);
  static ComponentResult SetParamProc(void* pPlug, AudioUnitParameterID paramID,
                                      AudioUnitScope scope, AudioUnitElement element,
                                      AudioUnitParameterValue value, UInt32 offsetFrames);
  // Render thread.
  static ComponentResult RenderProc(void* pPlug, AudioUnitRenderActionFlags* pFlags,
                                    const AudioTimeStamp* pTimestamp, UInt32 outputBusIdx,
                                    UInt32 nFrames, AudioBufferList* pBufferList);

  // ---- State (Part of the class-info property; main thread, lock held) ----
  ComponentResult GetState(CFPropertyListRef* ppPropList);
  ComponentResult SetState(CFPropertyListRef pPropList);

  // Fills a non-interleaved or interleaved 32-bit float description.
  static void MakeDefaultASBD(AudioStreamBasicDescription* pASBD, double sampleRate, int nChannels,
                              bool interleaved);

  // For tests and the view host.
  bool IsActive() const { return mActive; }
  const BusChannels* GetInBus(int idx) const { return mInBuses.Get(idx); }
  const BusChannels* GetOutBus(int idx) const { return mOutBuses.Get(idx); }
  const InputBusConnection* GetInBusConnection(int idx) const { return mInBusConnections.Get(idx); }
  const char* GetOSXBundleID() const { return mOSXBundleID.Get(); }
  const char* GetCocoaViewFactoryClassName() const { return mCocoaViewFactoryClassName.Get(); }

protected:
  // Calls each listener of propID with (user data, mCI, propID, scope, element 0).
  void InformListeners(AudioUnitPropertyID propID, AudioUnitScope scope);
  void AssessInputConnections();
  void ClearConnections();

private:
  // Entry helpers. The parameter block holds every argument the selector
  // reads (checked before dispatch); each group of selectors reads its own.
  ComponentResult DispatchSelector(int select, ComponentParameters* params);
  ComponentResult DispatchPropertySelector(int select, const ComponentParameters* params);
  ComponentResult DispatchParameterSelector(int select, const ComponentParameters* params);
  ComponentResult DispatchListenerSelector(int select, const ComponentParameters* params);
  ComponentResult DispatchMusicDeviceSelector(int select, const ComponentParameters* params);
  ComponentResult ScheduleParameters(const AudioUnitParameterEvent* events, UInt32 nEvents);
  bool AddPropertyListener(const PropertyListener& listener);
  OSStatus AddRenderNotify(AURenderCallback proc, void* userData);
  void RemoveRenderNotify(AURenderCallback proc, void* userData);
  // Main thread: hands the current notification list to the render thread.
  void PublishRenderNotify();
  // Whether a change of what the render path reads may happen now.
  bool RenderSetupLocked() const { return mActive; }
  void RemovePropertyListener(AudioUnitPropertyID propID, AudioUnitPropertyListenerProc proc,
                              bool matchUserData, void* userData);
  bool IsInitializeLegal();

  // Property helpers (IPlugAUProperties.cpp).
  struct PropertyRow;  // a row of the table DescribeProperty answers from
  ComponentResult DescribeProperty(AudioUnitPropertyID propID, AudioUnitScope scope,
                                   AudioUnitElement element, UInt32* pSize, int* pWritable);
  ComponentResult WriteProperty(AudioUnitPropertyID propID, AudioUnitScope scope,
                                AudioUnitElement element, void* pData);
  // What WriteProperty writes, one helper per value that takes more than a line.
  ComponentResult GetParameterList(AudioUnitScope scope, AudioUnitParameterID* pIDs);
  UInt32 ElementCount(AudioUnitScope scope) const;
  double LatencySeconds();
  ComponentResult GetChannelIOList(AUChannelInfo* pInfos);
  ComponentResult GetParamValueStrings(AudioUnitElement paramIdx, CFArrayRef* ppArray);
  ComponentResult GetUIComponent(ComponentDescription* pDesc);
  ComponentResult GetCurrentPreset(AUPreset* pPreset);
  ComponentResult GetParamInfo(AudioUnitElement paramIdx, AudioUnitParameterInfo* pInfo);
  ComponentResult GetParamText(AudioUnitPropertyID propID, void* pData);
  ComponentResult ParamValueFromString(AudioUnitParameterValueFromString* pRecord);
  ComponentResult GetElementName(AudioUnitScope scope, AudioUnitElement element, CFStringRef* pName);
  ComponentResult GetCocoaUI(AudioUnitCocoaViewInfo* pInfo);
  ComponentResult GetFactoryPresets(CFArrayRef* ppArray);
  int ClumpIDForGroup(const char* group);
  // What SetProperty sets, once the value's size is checked.
  ComponentResult ChangeSampleRate(Float64 rate);
  ComponentResult ChangeMaxFramesPerSlice(UInt32 frames);
  ComponentResult SetBypass(bool bypassed);
  ComponentResult SetHostCallbacks(const void* pData, UInt32 dataSize);
  ComponentResult SetHostIdentifier(const AUHostIdentifier& host);

  // Render-side helpers (IPlugAURender.cpp).
  BusChannels* GetBus(AudioUnitScope scope, AudioUnitElement element);
  int NHostChannelsConnected(WDL_PtrList<BusChannels>* pBuses, int excludeIdx = -1);
  bool CheckLegalIO(AudioUnitScope scope, int busIdx, int nChannels);
  void GetStreamFormat(const BusChannels* pBus, AudioStreamBasicDescription* pASBD);
  ComponentResult SetStreamFormat(AudioUnitScope scope, AudioUnitElement element,
                                  const AudioStreamBasicDescription* pASBD);
  ComponentResult MakeConnection(AudioUnitScope scope, const AudioUnitConnection* pConn);
  ComponentResult SetRenderCallback(AudioUnitScope scope, AudioUnitElement element,
                                    const AURenderCallbackStruct* pCallback);
  ComponentResult Render(AudioUnitRenderActionFlags* pFlags, const AudioTimeStamp* pTimestamp,
                         UInt32 outputBusIdx, UInt32 nFrames, AudioBufferList* pBufferList);
  ComponentResult PullInputs(const AudioTimeStamp* pTimestamp, UInt32 nFrames);
  // Main thread, at Uninitialize: returns once no render is in.
  void WaitForRenders() const;
  // Any thread: the host's callbacks as last set, whole.
  HostCallbackInfo HostCallbacks() const;
  void SendRenderNotify(AudioUnitRenderActionFlags flags, const AudioTimeStamp* pTimestamp,
                        UInt32 outputBusIdx, UInt32 nFrames, AudioBufferList* pBufferList);

  WDL_String mOSXBundleID;
  WDL_String mCocoaViewFactoryClassName;
  ComponentInstance mCI = nullptr;  // the host's instance of this unit, set at open
  bool mActive = false;             // between Initialize and Uninitialize
  // Render admission: a render counts itself in before it checks that the
  // unit is initialized, and Uninitialize clears the flag and then waits
  // until no render is in, so nothing it hands to setup changes (scratch
  // buffers, delay lines) is ever resized under a render.
  std::atomic<bool> mRenderable{false};
  std::atomic<int> mRendersInFlight{0};
  bool mIsOffline = false;          // the host's offline-render flag
  double mLastRenderSampleTime = -1.0;  // sample time whose inputs are attached
  double mTempo = 120.0;                // last tempo the host reported
  // The host's callbacks, written by the main thread while renders may ask
  // for the transport: a sequence-checked record, so any thread reads it
  // whole, never half of an old record and half of a new one.
  struct HostCallbackSlots {
    std::atomic<unsigned> generation{0};  // odd while written
    std::atomic<void*> words[sizeof(HostCallbackInfo) / sizeof(void*)] = {};
  };
  HostCallbackSlots mHostCallbacks;
  WDL_PtrList<BusChannels> mInBuses, mOutBuses;
  WDL_PtrList<InputBusConnection> mInBusConnections;  // one per input bus
  WDL_PtrList<PropertyListener> mPropertyListeners;
  WDL_PtrList<RenderNotify> mRenderNotify;  // main thread; published below
  TripleBuffer<RenderNotifyList> mRenderNotifyForRender;
  WDL_TypedBuf<float> mInScratchBuf, mOutScratchBuf;  // channels x max frames
  WDL_PtrList<const char> mParamGroups;  // borrowed group names; position + 1 = clump ID
  char mParamDisplayStr[kMaxParamDisplayLen] = "";
};
