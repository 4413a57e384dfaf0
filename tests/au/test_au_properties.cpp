// The component entry, the property table, parameter info and text
// conversions, listeners and host notifications, driven through host calls.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include <CoreFoundation/CFBundleRegistry.h>

#include "tests/au/AUHostTest.h"

namespace au_test {
namespace {

using AUEntryTest = AUHostTest;
using AUPropertyTest = AUHostTest;
using AUParamTest = AUHostTest;
using AUListenerTest = AUHostTest;

TEST_F(AUEntryTest, CanDoAnswersOnlyTheDispatchedAudioUnitSelectors) {
  for (int select : {1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 14, 15, 16, 17})
    EXPECT_EQ(CallComponentCanDo(unit, static_cast<SInt16>(select)), 1) << select;
  // 18 is dispatched but not announced; the music-device selectors neither.
  for (int select : {0, 8, 12, 13, 18, 19, 0x101, 0x105, -1, -2, -3, -4, 1000})
    EXPECT_EQ(CallComponentCanDo(unit, static_cast<SInt16>(select)), 0) << select;
  EXPECT_EQ(GetComponentVersion(unit), kTestVersion);
}

TEST_F(AUEntryTest, OpenPrunesEmptyPresetsAndIdentifiesTheHost) {
  EXPECT_EQ(plug->NPresets(), 3);
  EXPECT_NE(plug->GetHost(), kHostUninit);
  EXPECT_TRUE(plug->Mutex().IsHeldByCaller() == false);
}

TEST_F(AUEntryTest, InitializeReappliesParametersAndActivates) {
  plug->paramChanges.clear();
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);  // nothing negotiated: 0 and 0 are legal
  EXPECT_TRUE(plug->IsActive());
  EXPECT_EQ(plug->paramChanges, (std::vector<int>{0, 1, 2, 3, 4}));
  ASSERT_EQ(AudioUnitUninitialize(unit), noErr);
  EXPECT_FALSE(plug->IsActive());
  EXPECT_EQ(plug->activations, (std::vector<bool>{true, false}));
  EXPECT_EQ(AudioUnitReset(unit, kAudioUnitScope_Global, 0), noErr);
  EXPECT_EQ(plug->resets, 1);
}

// Catches an instrument selector that no longer reaches the plug-in (it
// would answer badComponentSelector) or reads an argument from the wrong slot.
TEST_F(AUEntryTest, InstrumentCallsReachThePlugInAsMidi) {
  ASSERT_EQ(MusicDeviceMIDIEvent(unit, 0x91, 60, 100, 7), noErr);
  MusicDeviceNoteParams note = {};
  note.argCount = 2;
  note.mPitch = 64;
  note.mVelocity = 90;
  NoteInstanceID noteID = 0;
  ASSERT_EQ(MusicDeviceStartNote(unit, 0, 0, &noteID, 5, &note), noErr);
  EXPECT_EQ(noteID, 64u);
  ASSERT_EQ(MusicDeviceStopNote(unit, 0, noteID, 9), noErr);
  const UInt8 sysex[] = {0xF0, 0x7E, 0x01, 0xF7};
  ASSERT_EQ(MusicDeviceSysEx(unit, sysex, sizeof sysex), noErr);
  EXPECT_EQ(MusicDevicePrepareInstrument(unit, 1), noErr);
  EXPECT_EQ(MusicDeviceReleaseInstrument(unit, 1), noErr);

  ASSERT_EQ(plug->midi.size(), 3u);
  const IMidiMsg& event = plug->midi[0];
  EXPECT_EQ((std::vector<int>{event.mOffset, event.mStatus, event.mData1, event.mData2}),
            (std::vector<int>{7, 0x91, 60, 100}));
  const IMidiMsg& on = plug->midi[1];
  EXPECT_EQ((std::vector<int>{on.StatusMsg(), on.NoteNumber(), on.Velocity(), on.mOffset}),
            (std::vector<int>{IMidiMsg::kNoteOn, 64, 90, 5}));
  const IMidiMsg& off = plug->midi[2];
  EXPECT_EQ((std::vector<int>{off.StatusMsg(), off.NoteNumber(), off.mOffset}),
            (std::vector<int>{IMidiMsg::kNoteOff, 64, 9}));
  EXPECT_EQ(plug->sysExSizes, std::vector<int>{4});
}

TEST_F(AUEntryTest, UnknownSelectorsAndShortParameterBlocksAreRefused) {
  ComponentParameters params;
  std::memset(&params, 0, sizeof(params));
  params.what = 0x55;
  EXPECT_EQ(TestAUPlug_Entry(&params, reinterpret_cast<Handle>(plug)), badComponentSelector);
  params.what = kAudioUnitGetPropertySelect;  // five arguments expected, none given
  EXPECT_NE(TestAUPlug_Entry(&params, reinterpret_cast<Handle>(plug)), noErr);
  EXPECT_EQ(TestAUPlug_Entry(nullptr, reinterpret_cast<Handle>(plug)), paramErr);
  params.what = kAudioUnitResetSelect;
  EXPECT_EQ(TestAUPlug_Entry(&params, nullptr), badComponentInstance);
}

// Every property id in every scope: info and get never crash, every answer is
// a known status, and a property that answers info answers a get of that size.
TEST_F(AUPropertyTest, InfoSweepOverEveryIdAndScope) {
  const OSStatus known[] = {noErr,
                            kAudioUnitErr_InvalidProperty,
                            kAudioUnitErr_InvalidElement,
                            kAudioUnitErr_InvalidScope,
                            kAudioUnitErr_InvalidPropertyValue,
                            kAudioUnitErr_PropertyNotInUse};
  for (UInt32 id = 0; id <= 1000; ++id) {
    for (UInt32 scope = 0; scope <= 7; ++scope) {
      UInt32 size = 0xDEAD;
      Boolean writable = true;
      const OSStatus status = AudioUnitGetPropertyInfo(unit, id, scope, 0, &size, &writable);
      EXPECT_NE(std::find(std::begin(known), std::end(known), status), std::end(known))
          << id << ":" << scope << " -> " << status;
      if (status == noErr && size > 0 && size <= 128 && id != kAudioUnitProperty_ClassInfo &&
          id != kAudioUnitProperty_FactoryPresets) {
        // Any property that answers info also answers a get of that size.
        alignas(8) unsigned char buffer[128] = {};
        UInt32 room = size;
        const OSStatus got = AudioUnitGetProperty(unit, id, scope, 0, buffer, &room);
        EXPECT_NE(std::find(std::begin(known), std::end(known), got), std::end(known)) << id;
        if (got != noErr) continue;
        CFTypeRef owned[2] = {nullptr, nullptr};
        if (id == kAudioUnitProperty_ElementName) owned[0] = *reinterpret_cast<CFTypeRef*>(buffer);
        if (id == kAudioUnitProperty_CurrentPreset || id == kAudioUnitProperty_PresentPreset)
          owned[0] = reinterpret_cast<AUPreset*>(buffer)->presetName;
        if (id == kAudioUnitProperty_ParameterIDName)
          owned[0] = reinterpret_cast<AudioUnitParameterNameInfo*>(buffer)->outName;
        if (id == kAudioUnitProperty_ParameterInfo) {
          owned[0] = reinterpret_cast<AudioUnitParameterInfo*>(buffer)->cfNameString;
          owned[1] = reinterpret_cast<AudioUnitParameterInfo*>(buffer)->unitName;
        }
        for (CFTypeRef cf : owned)
          if (cf) CFRelease(cf);
      }
    }
  }
  // Null size and writable pointers are replaced by locals.
  EXPECT_EQ(AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_SampleRate, 0, 0, nullptr, nullptr), noErr);
}

// The table's rules as a host meets them: list sizes that follow the unit,
// and the status each refusal carries.
TEST_F(AUPropertyTest, ListSizesFollowTheUnitAndRefusalsCarryTheirStatus) {
  UInt32 size = 0;
  EXPECT_EQ(AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_ParameterList, 0, 0, &size, nullptr), noErr);
  EXPECT_EQ(size, 4u * kNumTestParams);
  EXPECT_EQ(AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_ParameterList, 1, 0, &size, nullptr), noErr);
  EXPECT_EQ(size, 0u);  // no parameters outside the global scope
  EXPECT_EQ(AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_SupportedNumChannels, 0, 0, &size, nullptr), noErr);
  EXPECT_EQ(size, 8u);  // the two channel configurations
  for (AudioUnitPropertyID id : {6u, 7u, 9u, 10u, 15u, 17u, 25u, 26u, 29u, 37u, 999u})
    EXPECT_EQ(AudioUnitGetPropertyInfo(unit, id, 0, 0, nullptr, nullptr), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_AudioChannelLayout, 0, 0, nullptr, nullptr),
            kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_Latency, 1, 0, nullptr, nullptr),
            kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_FastDispatch, 0, 8, nullptr, nullptr),
            kAudioUnitErr_InvalidElement);
  EXPECT_EQ(AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_StreamFormat, 1, 1, nullptr, nullptr),
            kAudioUnitErr_InvalidProperty);
  // No editor: no view list and no Cocoa view.
  EXPECT_EQ(AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_GetUIComponentList, 0, 0, nullptr, nullptr),
            kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_CocoaUI, 0, 0, nullptr, nullptr),
            kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(AudioUnitGetPropertyInfo(unit, kMusicDeviceProperty_InstrumentCount, 0, 0, nullptr, nullptr),
            kAudioUnitErr_InvalidProperty);
}

TEST_F(AUPropertyTest, ValuesOfTheSimpleProperties) {
  Float64 latency = 0, tail = 0;
  UInt32 size = sizeof(latency);
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_Latency, 0, 0, &latency, &size), noErr);
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_TailTime, 0, 0, &tail, &size), noErr);
  EXPECT_DOUBLE_EQ(latency, kTestLatency / 44100.0);
  EXPECT_DOUBLE_EQ(tail, latency);

  AUChannelInfo infos[2];
  size = sizeof(infos);
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_SupportedNumChannels, 0, 0, infos, &size), noErr);
  EXPECT_EQ(infos[0].inChannels, 1);
  EXPECT_EQ(infos[0].outChannels, 1);
  EXPECT_EQ(infos[1].inChannels, 2);
  EXPECT_EQ(infos[1].outChannels, 2);

  UInt32 count = 0;
  size = sizeof(count);
  for (UInt32 scope : {0u, 1u, 2u, 3u}) {
    ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ElementCount, scope, 0, &count, &size), noErr);
    EXPECT_EQ(count, scope <= 2 ? 1u : 0u);
  }

  AudioUnitParameterID ids[kNumTestParams];
  size = sizeof(ids);
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterList, 0, 0, ids, &size), noErr);
  for (int i = 0; i < kNumTestParams; ++i) EXPECT_EQ(ids[i], static_cast<UInt32>(i));

  AudioStreamBasicDescription asbd;
  size = sizeof(asbd);
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_StreamFormat, 2, 0, &asbd, &size), noErr);
  EXPECT_EQ(asbd.mFormatID, kAudioFormatLinearPCM);
  EXPECT_EQ(asbd.mFormatFlags, 41u);
  EXPECT_EQ(asbd.mChannelsPerFrame, 2u);  // plug-in channels while nothing is negotiated
  EXPECT_EQ(asbd.mBytesPerFrame, 4u);

  UInt32 maxFrames = 0;
  size = sizeof(maxFrames);
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_MaximumFramesPerSlice, 0, 0, &maxFrames, &size), noErr);
  EXPECT_EQ(maxFrames, 1024u);
}

TEST_F(AUPropertyTest, GetRefusesRoomTooSmallForTheValue) {
  Float64 rate = 0;
  UInt32 size = 4;
  EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_SampleRate, 0, 0, &rate, &size),
            kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(rate, 0.0);
  EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_SampleRate, 0, 0, &rate, nullptr),
            kAudioUnitErr_InvalidPropertyValue);
}

TEST_F(AUPropertyTest, ElementNameAnswersGetsButNotInfo) {
  EXPECT_EQ(AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_ElementName, 1, 0, nullptr, nullptr),
            kAudioUnitErr_InvalidProperty);
  CFStringRef name = nullptr;
  UInt32 size = sizeof(name);
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ElementName, 1, 0, &name, &size), noErr);
  EXPECT_EQ(ToStd(name), "input");
  CFRelease(name);
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ElementName, 1, 1, &name, &size), noErr);
  EXPECT_EQ(ToStd(name), "aux input");
  CFRelease(name);
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ElementName, 2, 0, &name, &size), noErr);
  EXPECT_EQ(ToStd(name), "output");
  CFRelease(name);
  EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ElementName, 1, 2, &name, &size),
            kAudioUnitErr_InvalidElement);
  // An output element the unit does not have carries no label.
  EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ElementName, 2, 1, &name, &size),
            kAudioUnitErr_InvalidElement);
  EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ElementName, 2, 0xFFFFFFFF, &name, &size),
            kAudioUnitErr_InvalidElement);
  EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ElementName, 0, 0, &name, &size),
            kAudioUnitErr_InvalidScope);
}

TEST_F(AUPropertyTest, MaximumFramesRefusesAbsurdValuesAndKeepsTheOldOne) {
  for (UInt32 bad : {0u, 0xFFFFFFFFu, 0x80000000u, (1u << 20) + 1})
    EXPECT_EQ(SetUInt32(kAudioUnitProperty_MaximumFramesPerSlice, bad), kAudioUnitErr_InvalidPropertyValue) << bad;
  EXPECT_EQ(plug->GetBlockSize(), 1024);
  EXPECT_EQ(SetUInt32(kAudioUnitProperty_MaximumFramesPerSlice, 4096), noErr);
  EXPECT_EQ(plug->GetBlockSize(), 4096);
  EXPECT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_MaximumFramesPerSlice, 0, 0, nullptr, 4),
            kAudioUnitErr_InvalidPropertyValue);
  UInt16 tooShort = 512;
  EXPECT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_MaximumFramesPerSlice, 0, 0, &tooShort, 2),
            kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(plug->GetBlockSize(), 4096);
}

TEST_F(AUPropertyTest, SampleRateSetResetsAndRejectsNonsense) {
  const Float64 rate = 96000.0;
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_SampleRate, 0, 0, &rate, sizeof(rate)), noErr);
  EXPECT_EQ(plug->GetSampleRate(), 96000.0);
  EXPECT_EQ(plug->resets, 1);
  for (Float64 bad : {0.0, -44100.0, std::nan("")})
    EXPECT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_SampleRate, 0, 0, &bad, sizeof(bad)),
              kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(plug->GetSampleRate(), 96000.0);
}

TEST_F(AUPropertyTest, HostIdentifierAndOfflineRender) {
  AUHostIdentifier id;
  id.hostName = CFStringCreateWithCString(nullptr, "Reaper", kCFStringEncodingUTF8);
  id.hostVersion.majorRev = 4;
  id.hostVersion.minorAndBugRev = 0x52;
  id.hostVersion.stage = 0;
  id.hostVersion.nonRelRev = 0;
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_AUHostIdentifier, 0, 0, &id, sizeof(id)), noErr);
  CFRelease(id.hostName);
  EXPECT_EQ(plug->GetHost(), kHostReaper);
  EXPECT_EQ(plug->GetHostVersion(false), (4 << 16) + (5 << 8) + 2);
  EXPECT_FALSE(plug->IsRenderingOffline());
  EXPECT_EQ(SetUInt32(kAudioUnitProperty_OfflineRender, 1), noErr);
  EXPECT_TRUE(plug->IsRenderingOffline());
  EXPECT_EQ(SetUInt32(999, 1), kAudioUnitErr_InvalidProperty);
}

TEST_F(AUPropertyTest, HostCallbacksFeedTheTransportQueries) {
  struct Host {
    static OSStatus Beat(void*, Float64* beat, Float64* tempo) {
      *beat = 8.5;
      *tempo = 140.0;
      return noErr;
    }
    static OSStatus Musical(void*, UInt32*, Float32* num, UInt32* den, Float64* downBeat) {
      *num = 7.0f;
      *den = 8;
      *downBeat = 4.0;
      return noErr;
    }
    static OSStatus Transport(void*, Boolean* playing, Boolean*, Float64* sample, Boolean* cycling,
                              Float64* start, Float64* end) {
      *playing = true;
      *sample = 1000.4;
      *cycling = true;
      *start = 2.0;
      *end = 6.0;
      return noErr;
    }
  };
  EXPECT_EQ(plug->GetTempo(), 120.0);
  EXPECT_EQ(plug->GetSamplePos(), 0);
  HostCallbackInfo info = {nullptr, &Host::Beat, &Host::Musical, &Host::Transport};
  // A record that ends inside an entry gives only its whole entries: here
  // the user data, no callback. Catches half a function pointer being kept
  // (the transport query would then jump through it).
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_HostCallbacks, 0, 0, &info, sizeof(void*) + 4), noErr);
  EXPECT_EQ(plug->GetTempo(), 120.0);
  EXPECT_EQ(plug->GetSamplePos(), 0);
  EXPECT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_HostCallbacks, 1, 0, &info, sizeof(info)),
            kAudioUnitErr_InvalidProperty);
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_HostCallbacks, 0, 0, &info, sizeof(info)), noErr);
  EXPECT_EQ(plug->GetTempo(), 140.0);
  EXPECT_EQ(plug->GetSamplePos(), 1000);
  int num = 0, den = 0;
  plug->GetTimeSig(&num, &den);
  EXPECT_EQ(num, 7);
  EXPECT_EQ(den, 8);
  ITimeInfo time;
  plug->GetTime(&time);
  EXPECT_EQ(time.mTempo, 140.0);
  EXPECT_EQ(time.mPPQPos, 8.5);
  EXPECT_EQ(time.mSamplePos, 1000.4);
  EXPECT_EQ(time.mCycleStart, 2.0);
  EXPECT_EQ(time.mCycleEnd, 6.0);
  EXPECT_EQ(time.mLastBar, 4.0);
  EXPECT_TRUE(time.mTransportIsRunning);
  EXPECT_TRUE(time.mTransportLoopEnabled);
}

// ---- Parameters ----

AudioUnitParameterInfo ParamInfo(AudioUnit unit, UInt32 idx) {
  AudioUnitParameterInfo info;
  UInt32 size = sizeof(info);
  EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterInfo, 0, idx, &info, &size), noErr);
  return info;
}

void ReleaseInfo(AudioUnitParameterInfo& info) {
  if (info.cfNameString) CFRelease(info.cfNameString);
  if (info.unitName) CFRelease(info.unitName);
}

TEST_F(AUParamTest, InfoDescribesEachTypeAndGroupsIntoStableClumps) {
  ASSERT_EQ(AudioUnitSetParameter(unit, kGain, 0, 0, 1.5f, 0), noErr);
  AudioUnitParameterInfo gain = ParamInfo(unit, kGain);
  EXPECT_EQ(gain.flags, 0xC8000010u | kAudioUnitParameterFlag_HasClump);
  EXPECT_STREQ(gain.name, "Gain");
  EXPECT_EQ(ToStd(gain.cfNameString), "Gain");
  EXPECT_EQ(gain.unit, kAudioUnitParameterUnit_CustomUnit);
  EXPECT_EQ(ToStd(gain.unitName), "x");
  EXPECT_EQ(gain.minValue, 0.0f);
  EXPECT_EQ(gain.maxValue, 2.0f);
  EXPECT_EQ(gain.defaultValue, 1.5f);  // the current value, not the declared default
  EXPECT_EQ(gain.clumpID, 1u);

  AudioUnitParameterInfo mode = ParamInfo(unit, kMode);
  EXPECT_EQ(mode.unit, kAudioUnitParameterUnit_Indexed);
  EXPECT_EQ(mode.clumpID, 2u);  // a new group gets the next id
  AudioUnitParameterInfo active = ParamInfo(unit, kActive);
  EXPECT_EQ(active.unit, kAudioUnitParameterUnit_Boolean);
  EXPECT_EQ(active.clumpID, 1u);  // same group, same id
  AudioUnitParameterInfo steps = ParamInfo(unit, kSteps);
  EXPECT_EQ(steps.flags & kAudioUnitParameterFlag_HasClump, 0u);
  AudioUnitParameterInfo trim = ParamInfo(unit, kTrim);
  EXPECT_EQ(trim.flags, 0x48000010u);  // not automatable: not writable
  // Asking again never renumbers.
  AudioUnitParameterInfo gainAgain = ParamInfo(unit, kGain);
  EXPECT_EQ(gainAgain.clumpID, 1u);
  for (auto* info : {&gain, &mode, &active, &steps, &trim, &gainAgain}) ReleaseInfo(*info);

  AudioUnitParameterInfo none;
  UInt32 size = sizeof(none);
  EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterInfo, 0, kNumTestParams, &none, &size),
            kAudioUnitErr_InvalidElement);
  EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterInfo, 1, 0, &none, &size),
            kAudioUnitErr_InvalidProperty);

  AudioUnitParameterNameInfo clump = {2, 0, nullptr};
  size = sizeof(clump);
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterClumpName, 0, 0, &clump, &size), noErr);
  EXPECT_EQ(ToStd(clump.outName), "Character");
  CFRelease(clump.outName);
  clump.inID = 0;
  EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterClumpName, 0, 0, &clump, &size),
            kAudioUnitErr_PropertyNotInUse);
  clump.inID = 3;
  EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterClumpName, 0, 0, &clump, &size),
            kAudioUnitErr_InvalidPropertyValue);
}

TEST_F(AUParamTest, GetAndSetThroughTheEntryClampAndCheckIds) {
  AudioUnitParameterValue value = -1;
  ASSERT_EQ(AudioUnitGetParameter(unit, kGain, 0, 0, &value), noErr);
  EXPECT_EQ(value, 1.0f);
  ASSERT_EQ(AudioUnitSetParameter(unit, kGain, 0, 0, 5.0f, 0), noErr);
  ASSERT_EQ(AudioUnitGetParameter(unit, kGain, 0, 0, &value), noErr);
  EXPECT_EQ(value, 2.0f);
  EXPECT_EQ(plug->gain.load(), 2.0);
  EXPECT_EQ(AudioUnitSetParameter(unit, kGain, 1, 0, 1.0f, 0), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(AudioUnitGetParameter(unit, kGain, 2, 0, &value), kAudioUnitErr_InvalidProperty);
  for (UInt32 bad : {static_cast<UInt32>(kNumTestParams), 0x80000000u, 0xFFFFFFFFu}) {
    EXPECT_EQ(AudioUnitSetParameter(unit, bad, 0, 0, 1.0f, 0), kAudioUnitErr_InvalidParameter);
    EXPECT_EQ(AudioUnitGetParameter(unit, bad, 0, 0, &value), kAudioUnitErr_InvalidParameter);
  }
  EXPECT_EQ(AudioUnitGetParameter(unit, kGain, 0, 0, nullptr), kAudioUnitErr_InvalidParameter);
  EXPECT_EQ(AudioUnitSetParameter(unit, kGain, 0, 0, std::nanf(""), 0), kAudioUnitErr_InvalidParameter);
  ASSERT_EQ(AudioUnitGetParameter(unit, kGain, 0, 0, &value), noErr);
  EXPECT_EQ(value, 2.0f);
}

TEST_F(AUParamTest, ScheduledImmediateEventsApplyInOrderAndStopAtTheFirstError) {
  AudioUnitParameterEvent events[3];
  std::memset(events, 0, sizeof(events));
  events[0].parameter = kGain;
  events[0].eventType = kParameterEvent_Immediate;
  events[0].eventValues.immediate.value = 0.25f;
  events[1].parameter = kSteps;
  events[1].eventType = kParameterEvent_Ramped;  // ignored
  events[1].eventValues.ramp.endValue = 9.0f;
  events[2].parameter = 77;
  events[2].eventType = kParameterEvent_Immediate;
  EXPECT_EQ(AudioUnitScheduleParameters(unit, events, 3), kAudioUnitErr_InvalidParameter);
  EXPECT_EQ(plug->GetParam(kGain)->Value(), 0.25);
  EXPECT_EQ(plug->GetParam(kSteps)->Value(), 3.0);
}

TEST_F(AUParamTest, HostSetsReachTheEditorUnclampedInRealUnits) {
  CloseComponent(unit);
  gCreateEditor = true;
  ASSERT_EQ(OpenAComponent(TestComponent(), &unit), noErr);
  plug = PlugOf(unit);
  ASSERT_NE(plug->Editor(), nullptr);
  plug->Editor()->pushes.clear();
  ASSERT_EQ(AudioUnitSetParameter(unit, kGain, 0, 0, 3.0f, 0), noErr);
  ASSERT_EQ(plug->Editor()->pushes.size(), 1u);
  EXPECT_EQ(plug->Editor()->pushes[0].value, 3.0);
  EXPECT_FALSE(plug->Editor()->pushes[0].normalized);

  ComponentDescription cd;
  UInt32 size = sizeof(cd);
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_GetUIComponentList, 0, 0, &cd, &size), noErr);
  EXPECT_EQ(cd.componentType, 0x61757677u);
  EXPECT_EQ(cd.componentSubType, kTestSubtype);
  EXPECT_EQ(cd.componentManufacturer, kTestMfr);
  // The editor exists but the bundle was never registered: no view to hand out.
  AudioUnitCocoaViewInfo view;
  size = sizeof(view);
  EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_CocoaUI, 0, 0, &view, &size),
            kAudioUnitErr_InvalidProperty);

  // Once the bundle is known: its location and the view factory's class name.
  ASSERT_TRUE(CFBundleRegisterForIdentifier("com.Test.audiounit.TestAUPlug", "/tmp/TestAUPlug.component"));
  size = sizeof(view);
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_CocoaUI, 0, 0, &view, &size), noErr);
  char path[256] = {};
  ASSERT_TRUE(CFURLGetFileSystemRepresentation(view.mCocoaAUViewBundleLocation, true,
                                               reinterpret_cast<UInt8*>(path), sizeof(path)));
  EXPECT_STREQ(path, "/tmp/TestAUPlug.component");
  EXPECT_EQ(ToStd(view.mCocoaAUViewClass[0]), "TestAUPlug_View");
  CFRelease(view.mCocoaAUViewBundleLocation);
  CFRelease(view.mCocoaAUViewClass[0]);
  CFBundleUnregisterAll();
}

TEST_F(AUParamTest, TextConversions) {
  const AudioUnitParameterValue half = 0.5f;
  AudioUnitParameterStringFromValue fromValue = {kGain, &half, nullptr};
  UInt32 size = sizeof(fromValue);
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterStringFromValue, 0, 0, &fromValue, &size), noErr);
  EXPECT_FALSE(ToStd(fromValue.outString).empty());
  CFRelease(fromValue.outString);
  const AudioUnitParameterValue two = 2.0f;
  AudioUnitParameterStringFromValue modeText = {kMode, &two, nullptr};
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterStringFromValue, 0, 0, &modeText, &size), noErr);
  EXPECT_EQ(ToStd(modeText.outString), "Hard");
  CFRelease(modeText.outString);
  AudioUnitParameterStringFromValue bad = {99, &two, nullptr};
  EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterStringFromValue, 0, 0, &bad, &size),
            kAudioUnitErr_InvalidParameter);
  bad = {kGain, nullptr, nullptr};
  EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterStringFromValue, 0, 0, &bad, &size),
            kAudioUnitErr_InvalidPropertyValue);
  // Other scopes: nothing written.
  EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterStringFromValue, 1, 0, &bad, &size), noErr);
  EXPECT_EQ(bad.outString, nullptr);

  const char* trimName = "Output Trim Level In Decibels";
  struct Case {
    SInt32 desired;
    std::string expected;
  };
  for (const Case& c : {Case{5, "Outpu"}, Case{0, ""}, Case{-1, trimName}, Case{-7, trimName},
                        Case{1000, trimName}}) {
    AudioUnitParameterNameInfo nameInfo = {kTrim, c.desired, nullptr};
    size = sizeof(nameInfo);
    ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterIDName, 0, 0, &nameInfo, &size), noErr);
    EXPECT_EQ(ToStd(nameInfo.outName), c.expected) << c.desired;
    CFRelease(nameInfo.outName);
  }
  AudioUnitParameterNameInfo badName = {kNumTestParams, -1, nullptr};
  EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterIDName, 0, 0, &badName, &size),
            kAudioUnitErr_InvalidParameter);

  CFStringRef medium = CFStringCreateWithCString(nullptr, "Medium", kCFStringEncodingUTF8);
  AudioUnitParameterValueFromString fromString = {kMode, medium, -5.0f};
  size = sizeof(fromString);
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterValueFromString, 0, 0, &fromString, &size), noErr);
  EXPECT_EQ(fromString.outValue, 1.0f);
  CFRelease(medium);
  CFStringRef unknown = CFStringCreateWithCString(nullptr, "Loud", kCFStringEncodingUTF8);
  fromString = {kMode, unknown, -5.0f};
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterValueFromString, 0, 0, &fromString, &size), noErr);
  EXPECT_EQ(fromString.outValue, -5.0f);  // untouched
  CFRelease(unknown);
  CFStringRef number = CFStringCreateWithCString(nullptr, "1.25", kCFStringEncodingUTF8);
  fromString = {kGain, number, 0.0f};
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterValueFromString, 0, 0, &fromString, &size), noErr);
  EXPECT_EQ(fromString.outValue, 1.25f);
  fromString = {42, number, 0.0f};
  EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterValueFromString, 0, 0, &fromString, &size),
            kAudioUnitErr_InvalidParameter);
  CFRelease(number);
  fromString = {kGain, nullptr, 0.0f};
  EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterValueFromString, 0, 0, &fromString, &size),
            kAudioUnitErr_InvalidPropertyValue);
  // A text longer than the conversion buffer is refused, never read past its
  // end (ASan sees an unterminated read).
  CFStringRef longText = CFStringCreateWithCString(nullptr, std::string(300, '7').c_str(), kCFStringEncodingUTF8);
  fromString = {kGain, longText, 0.5f};
  EXPECT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterValueFromString, 0, 0, &fromString, &size),
            kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(fromString.outValue, 0.5f);
  CFRelease(longText);

  CFArrayRef strings = nullptr;
  size = sizeof(strings);
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ParameterValueStrings, 0, kMode, &strings, &size), noErr);
  ASSERT_EQ(CFArrayGetCount(strings), 3);
  EXPECT_EQ(ToStd(static_cast<CFStringRef>(CFArrayGetValueAtIndex(strings, 2))), "Hard");
  CFRelease(strings);
  size = 99;
  EXPECT_EQ(AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_ParameterValueStrings, 0, kGain, &size, nullptr),
            kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(AudioUnitGetPropertyInfo(unit, kAudioUnitProperty_ParameterValueStrings, 0, 50, &size, nullptr),
            kAudioUnitErr_InvalidElement);
}

// ---- Listeners and notifications ----

struct ListenerLog {
  std::vector<AudioUnitPropertyID> calls;
  static void Proc(void* refCon, AudioUnit, AudioUnitPropertyID id, AudioUnitScope, AudioUnitElement element) {
    static_cast<ListenerLog*>(refCon)->calls.push_back(id);
    EXPECT_EQ(element, 0u);
  }
  static void Other(void* refCon, AudioUnit, AudioUnitPropertyID id, AudioUnitScope, AudioUnitElement) {
    static_cast<ListenerLog*>(refCon)->calls.push_back(id + 10000);
  }
};

TEST_F(AUListenerTest, SetsNotifyFirstEvenWhenRefusedAndDuplicatesCollapse) {
  ListenerLog log;
  ASSERT_EQ(AudioUnitAddPropertyListener(unit, 999, &ListenerLog::Proc, &log), noErr);
  ASSERT_EQ(AudioUnitAddPropertyListener(unit, 999, &ListenerLog::Proc, &log), noErr);
  ASSERT_EQ(AudioUnitAddPropertyListener(unit, kAudioUnitProperty_Latency, &ListenerLog::Proc, &log), noErr);
  EXPECT_EQ(SetUInt32(999, 1), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(log.calls, (std::vector<AudioUnitPropertyID>{999}));
  plug->SetLatency(128);
  EXPECT_EQ(log.calls.back(), static_cast<AudioUnitPropertyID>(kAudioUnitProperty_Latency));
  EXPECT_EQ(plug->GetLatency(), 128);
  ASSERT_EQ(AudioUnitRemovePropertyListener(unit, 999, &ListenerLog::Proc), noErr);
  log.calls.clear();
  SetUInt32(999, 1);
  EXPECT_TRUE(log.calls.empty());
  // With user data, only the matching record goes.
  ListenerLog other;
  AudioUnitAddPropertyListener(unit, 999, &ListenerLog::Other, &other);
  AudioUnitRemovePropertyListenerWithUserData(unit, 999, &ListenerLog::Other, &log);
  SetUInt32(999, 1);
  EXPECT_EQ(other.calls.size(), 1u);
  AudioUnitRemovePropertyListenerWithUserData(unit, 999, &ListenerLog::Other, &other);
  SetUInt32(999, 1);
  EXPECT_EQ(other.calls.size(), 1u);
  // One proc with two user data values is two listeners; both hear a set.
  ListenerLog first, second;
  AudioUnitAddPropertyListener(unit, 998, &ListenerLog::Proc, &first);
  AudioUnitAddPropertyListener(unit, 998, &ListenerLog::Proc, &second);
  SetUInt32(998, 1);
  EXPECT_EQ(first.calls.size(), 1u);
  EXPECT_EQ(second.calls.size(), 1u);
}

TEST_F(AUListenerTest, PresetChangesNotifyThePresentPresetListeners) {
  ListenerLog log;
  AudioUnitAddPropertyListener(unit, kAudioUnitProperty_PresentPreset, &ListenerLog::Proc, &log);
  plug->InformHostOfProgramChange();
  EXPECT_EQ(log.calls, (std::vector<AudioUnitPropertyID>{kAudioUnitProperty_PresentPreset}));
}

struct EventLog {
  struct Event {
    AudioUnitEventType type;
    AudioUnitParameterID id;
    AudioUnitParameterValue value;
  };
  std::vector<Event> events;
  static void Proc(void* refCon, void*, const AudioUnitEvent* event, UInt64, AudioUnitParameterValue value) {
    static_cast<EventLog*>(refCon)->events.push_back(
        {event->mEventType, event->mArgument.mParameter.mParameterID, value});
  }
};

TEST_F(AUListenerTest, EditorGesturesReachTheHostsEventListeners) {
  EventLog log;
  AUEventListenerRef listener = nullptr;
  ASSERT_EQ(AUEventListenerCreate(&EventLog::Proc, &log, nullptr, nullptr, 0, 0, &listener), noErr);
  for (AudioUnitEventType type : {kAudioUnitEvent_ParameterValueChange, kAudioUnitEvent_BeginParameterChangeGesture,
                                  kAudioUnitEvent_EndParameterChangeGesture}) {
    AudioUnitEvent event;
    std::memset(&event, 0, sizeof(event));
    event.mEventType = type;
    event.mArgument.mParameter = {unit, kGain, kAudioUnitScope_Global, 0};
    ASSERT_EQ(AUEventListenerAddEventType(listener, nullptr, &event), noErr);
  }
  plug->BeginInformHostOfParamChange(kGain);
  plug->SetParameterFromGUI(kGain, 0.75);  // normalized: 1.5 in real units
  plug->EndInformHostOfParamChange(kGain);
  EXPECT_TRUE(log.events.empty());  // delivered on the listener's run loop, not in the call
  CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, false);
  ASSERT_EQ(log.events.size(), 3u);
  EXPECT_EQ(log.events[0].type, static_cast<AudioUnitEventType>(kAudioUnitEvent_BeginParameterChangeGesture));
  EXPECT_EQ(log.events[1].type, static_cast<AudioUnitEventType>(kAudioUnitEvent_ParameterValueChange));
  EXPECT_NEAR(log.events[1].value, 1.5f, 1e-6);  // read back from the unit
  EXPECT_EQ(log.events[2].type, static_cast<AudioUnitEventType>(kAudioUnitEvent_EndParameterChangeGesture));
  AUListenerDispose(listener);
}

}  // namespace
}  // namespace au_test
