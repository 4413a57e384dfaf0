// A fake component driven through every host-side call: the selector, the
// byte size and the packed order of the arguments (last argument in
// params[0]) are what a component entry relies on.
#include <AudioToolbox/AudioToolbox.h>
#include <CoreServices/ComponentRegistry.h>
#include <CoreServices/CoreServices.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// What the fake entry saw on its last call.
struct Seen {
  SInt16 what = 0;
  int paramSize = -1;
  std::vector<long> params;
  Handle storage = nullptr;
  int calls = 0;
};
Seen gSeen;
ComponentResult gOpenResult = noErr;
long gStorageWord = 0;

ComponentResult FakeEntry(ComponentParameters* cp, Handle storage) {
  gSeen.what = cp->what;
  gSeen.paramSize = cp->paramSize;
  gSeen.params.assign(cp->params, cp->params + cp->paramSize / sizeof(long));
  gSeen.storage = storage;
  ++gSeen.calls;
  switch (cp->what) {
    case kComponentOpenSelect:
      if (gOpenResult == noErr)
        SetComponentInstanceStorage(reinterpret_cast<ComponentInstance>(cp->params[0]), reinterpret_cast<Handle>(&gStorageWord));
      return gOpenResult;
    case kComponentCanDoSelect:
      return static_cast<SInt16>(cp->params[0]) == kAudioUnitRenderSelect ? 1 : 0;
    case kComponentVersionSelect:
      return 0x00010000;
    default:
      return noErr;
  }
}

long P(const void* pointer) { return static_cast<long>(reinterpret_cast<intptr_t>(pointer)); }
template <class F>
long Fn(F function) {
  return static_cast<long>(reinterpret_cast<intptr_t>(function));
}

OSStatus RenderNotify(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32, AudioBufferList*) { return noErr; }
void Listener(void*, AudioUnit, AudioUnitPropertyID, AudioUnitScope, AudioUnitElement) {}

class ComponentManager : public ::testing::Test {
protected:
  void SetUp() override {
    const ComponentDescription cd = {kAudioUnitType_Effect, 0x41334376, 0x41334376, 0, 0};
    mComponent = RegisterComponentEntry(&cd, FakeEntry, "Velmora: Corvane");
    ASSERT_NE(mComponent, nullptr);
    gOpenResult = noErr;
    ASSERT_EQ(OpenAComponent(mComponent, &mUnit), noErr);
  }
  void TearDown() override {
    if (mUnit) {
      EXPECT_EQ(CloseComponent(mUnit), noErr);
    }
    EXPECT_EQ(UnregisterComponent(mComponent), noErr);
  }
  // Checks the last call: selector, slot count and the slots in params order.
  void ExpectCall(SInt16 what, std::vector<long> params) {
    EXPECT_EQ(gSeen.what, what);
    EXPECT_EQ(gSeen.paramSize, static_cast<int>(params.size() * sizeof(long)));
    EXPECT_EQ(gSeen.params, params);
    EXPECT_EQ(gSeen.storage, reinterpret_cast<Handle>(&gStorageWord));
  }
  Component mComponent = nullptr;
  AudioUnit mUnit = nullptr;
};

TEST_F(ComponentManager, OpenPassesTheNewInstanceAndTheEntryStoresItsObject) {
  // SetUp opened one; open a second to look at the open call itself.
  AudioUnit second = nullptr;
  ASSERT_EQ(OpenAComponent(mComponent, &second), noErr);
  EXPECT_EQ(gSeen.what, kComponentOpenSelect);
  EXPECT_EQ(gSeen.params, std::vector<long>{P(second)});
  EXPECT_EQ(gSeen.storage, nullptr);  // no storage before open
  EXPECT_EQ(GetComponentInstanceStorage(second), reinterpret_cast<Handle>(&gStorageWord));
  EXPECT_EQ(CloseComponent(second), noErr);
  ExpectCall(kComponentCloseSelect, {P(second)});
  // A closed instance is no longer accepted.
  EXPECT_EQ(AudioUnitInitialize(second), badComponentInstance);
  EXPECT_EQ(GetComponentInstanceStorage(second), nullptr);
}

TEST_F(ComponentManager, AFailedOpenIsReportedAndLeavesNoInstance) {
  gOpenResult = -1;
  AudioUnit failed = reinterpret_cast<AudioUnit>(1);
  EXPECT_EQ(OpenAComponent(mComponent, &failed), -1);
  EXPECT_EQ(failed, nullptr);
  const AudioUnit attempted = reinterpret_cast<AudioUnit>(gSeen.params[0]);
  EXPECT_EQ(AudioUnitReset(attempted, 0, 0), badComponentInstance);
  EXPECT_EQ(OpenComponent(mComponent), nullptr);
}

TEST_F(ComponentManager, CanDoAndVersionFollowTheSamePacking) {
  EXPECT_EQ(CallComponentCanDo(mUnit, kAudioUnitRenderSelect), 1);
  ExpectCall(kComponentCanDoSelect, {kAudioUnitRenderSelect});
  EXPECT_EQ(CallComponentCanDo(mUnit, kComponentOpenSelect), 0);
  ExpectCall(kComponentCanDoSelect, {-1});  // a negative selector stays negative
  EXPECT_EQ(GetComponentVersion(mUnit), 0x00010000);
  ExpectCall(kComponentVersionSelect, {});
}

TEST_F(ComponentManager, PropertyCallsPackTheirArgumentsLastFirst) {
  UInt32 size = 0;
  Boolean writable = false;
  double data = 0;
  EXPECT_EQ(AudioUnitGetPropertyInfo(mUnit, kAudioUnitProperty_SampleRate, kAudioUnitScope_Output, 3, &size, &writable), noErr);
  ExpectCall(kAudioUnitGetPropertyInfoSelect, {P(&writable), P(&size), 3, kAudioUnitScope_Output, kAudioUnitProperty_SampleRate});
  AudioUnitGetProperty(mUnit, kAudioUnitProperty_Latency, kAudioUnitScope_Global, 0, &data, &size);
  ExpectCall(kAudioUnitGetPropertySelect, {P(&size), P(&data), 0, kAudioUnitScope_Global, kAudioUnitProperty_Latency});
  AudioUnitSetProperty(mUnit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, &data, 4);
  ExpectCall(kAudioUnitSetPropertySelect, {4, P(&data), 0, kAudioUnitScope_Global, kAudioUnitProperty_MaximumFramesPerSlice});
  // Element values above INT32_MAX stay unsigned in their slot.
  AudioUnitSetProperty(mUnit, 1, 1, 0xFFFFFFFFu, nullptr, 0);
  EXPECT_EQ(gSeen.params[2], 0xFFFFFFFFL);
}

TEST_F(ComponentManager, ListenerAndNotifyCallsPackProcAndUserData) {
  int user = 0;
  AudioUnitAddPropertyListener(mUnit, kAudioUnitProperty_PresentPreset, Listener, &user);
  ExpectCall(kAudioUnitAddPropertyListenerSelect, {P(&user), Fn(Listener), kAudioUnitProperty_PresentPreset});
  AudioUnitRemovePropertyListener(mUnit, kAudioUnitProperty_PresentPreset, Listener);
  ExpectCall(kAudioUnitRemovePropertyListenerSelect, {Fn(Listener), kAudioUnitProperty_PresentPreset});
  AudioUnitRemovePropertyListenerWithUserData(mUnit, kAudioUnitProperty_Latency, Listener, &user);
  ExpectCall(kAudioUnitRemovePropertyListenerWithUserDataSelect, {P(&user), Fn(Listener), kAudioUnitProperty_Latency});
  AudioUnitAddRenderNotify(mUnit, RenderNotify, &user);
  ExpectCall(kAudioUnitAddRenderNotifySelect, {P(&user), Fn(RenderNotify)});
  AudioUnitRemoveRenderNotify(mUnit, RenderNotify, &user);
  ExpectCall(kAudioUnitRemoveRenderNotifySelect, {P(&user), Fn(RenderNotify)});
}

TEST_F(ComponentManager, ParameterCallsCarryAFloatAsItsBitsInTheSlot) {
  AudioUnitParameterValue value = 0;
  AudioUnitGetParameter(mUnit, 10, kAudioUnitScope_Global, 0, &value);
  ExpectCall(kAudioUnitGetParameterSelect, {P(&value), 0, kAudioUnitScope_Global, 10});

  AudioUnitSetParameter(mUnit, 2, kAudioUnitScope_Global, 0, 0.75f, 64);
  ASSERT_EQ(gSeen.params.size(), 5u);
  EXPECT_EQ(gSeen.params[0], 64);
  Float32 sent;
  std::memcpy(&sent, &gSeen.params[1], sizeof sent);  // at the start of the slot
  EXPECT_EQ(sent, 0.75f);
  EXPECT_EQ(gSeen.params[2], 0);
  EXPECT_EQ(gSeen.params[3], kAudioUnitScope_Global);
  EXPECT_EQ(gSeen.params[4], 2);

  AudioUnitParameterEvent events[2] = {};
  AudioUnitScheduleParameters(mUnit, events, 2);
  ExpectCall(kAudioUnitScheduleParametersSelect, {2, P(events)});
}

TEST_F(ComponentManager, LifecycleRenderAndResetCalls) {
  AudioUnitInitialize(mUnit);
  ExpectCall(kAudioUnitInitializeSelect, {});
  AudioUnitUninitialize(mUnit);
  ExpectCall(kAudioUnitUninitializeSelect, {});
  AudioUnitReset(mUnit, kAudioUnitScope_Global, 0);
  ExpectCall(kAudioUnitResetSelect, {0, kAudioUnitScope_Global});

  AudioUnitRenderActionFlags flags = 0;
  AudioTimeStamp stamp = {};
  AudioBufferList list = {};
  AudioUnitRender(mUnit, &flags, &stamp, 1, 512, &list);
  ExpectCall(kAudioUnitRenderSelect, {P(&list), 512, 1, P(&stamp), P(&flags)});
}

TEST_F(ComponentManager, MusicDeviceAndViewCallsPackLikeTheOthers) {
  MusicDeviceMIDIEvent(mUnit, 0x90, 60, 100, 7);
  ExpectCall(kMusicDeviceMIDIEventSelect, {7, 100, 60, 0x90});
  const UInt8 sysex[3] = {0xF0, 1, 0xF7};
  MusicDeviceSysEx(mUnit, sysex, 3);
  ExpectCall(kMusicDeviceSysExSelect, {3, P(sysex)});
  NoteInstanceID note = 0;
  MusicDeviceNoteParams params = {};
  MusicDeviceStartNote(mUnit, 1, 2, &note, 3, &params);
  ExpectCall(kMusicDeviceStartNoteSelect, {P(&params), 3, P(&note), 2, 1});
  MusicDeviceStopNote(mUnit, 2, 60, 4);
  ExpectCall(kMusicDeviceStopNoteSelect, {4, 60, 2});
  ControlRef control = nullptr;
  Float32Point where = {0, 0};
  AudioUnitCarbonViewCreate(mUnit, mUnit, nullptr, nullptr, &where, &where, &control);
  ExpectCall(kAudioUnitCarbonViewCreateSelect, {P(&control), P(&where), P(&where), 0, 0, P(mUnit)});
}

TEST_F(ComponentManager, FindInfoAndCountAcceptInstancesAndWildcards) {
  ComponentDescription looking = {kAudioUnitType_Effect, 0, 0, 0, 0};
  Component found = nullptr;
  bool sawOurs = false;
  while ((found = FindNextComponent(found, &looking)))
    if (found == mComponent) sawOurs = true;
  EXPECT_TRUE(sawOurs);
  looking.componentSubType = 0x12345678;
  EXPECT_EQ(FindNextComponent(nullptr, &looking), nullptr);
  EXPECT_EQ(CountComponents(&looking), 0);

  ComponentDescription cd = {};
  EXPECT_EQ(GetComponentInfo(reinterpret_cast<Component>(mUnit), &cd, nullptr, nullptr, nullptr), noErr);
  EXPECT_EQ(cd.componentSubType, 0x41334376u);
  EXPECT_EQ(GetComponentInfo(reinterpret_cast<Component>(&cd), &cd, nullptr, nullptr, nullptr), invalidComponentID);
  EXPECT_EQ(GetComponentFromInstance(mUnit), mComponent);
  EXPECT_STREQ(GetRegisteredComponentName(mComponent), "Velmora: Corvane");
  EXPECT_EQ(UnregisterComponent(mComponent), validInstancesExist);

  CFStringRef name = nullptr;
  EXPECT_EQ(AudioComponentCopyName(mComponent, &name), noErr);
  EXPECT_EQ(CFStringCompare(name, CFSTR("Velmora: Corvane"), 0), kCFCompareEqualTo);
  CFRelease(name);
  AudioComponentDescription acd = {};
  EXPECT_EQ(AudioComponentGetDescription(mComponent, &acd), noErr);
  EXPECT_EQ(acd.componentType, static_cast<OSType>(kAudioUnitType_Effect));
}

TEST_F(ComponentManager, NullOrUnknownUnitsGetBadComponentInstance) {
  const int calls = gSeen.calls;
  EXPECT_EQ(AudioUnitInitialize(nullptr), badComponentInstance);
  long fake = 0;
  EXPECT_EQ(AudioUnitRender(reinterpret_cast<AudioUnit>(&fake), nullptr, nullptr, 0, 0, nullptr), badComponentInstance);
  EXPECT_EQ(CloseComponent(reinterpret_cast<ComponentInstance>(&fake)), static_cast<OSErr>(badComponentInstance));
  EXPECT_EQ(gSeen.calls, calls);
}

TEST(ComponentParametersLayout, MatchesTheComponentManagersRecord) {
  EXPECT_EQ(offsetof(ComponentParameters, flags), 0u);
  EXPECT_EQ(offsetof(ComponentParameters, paramSize), 1u);
  EXPECT_EQ(offsetof(ComponentParameters, what), 2u);
  EXPECT_EQ(offsetof(ComponentParameters, params), sizeof(long) == 8 ? 8u : 4u);
  EXPECT_EQ(sizeof(AudioStreamBasicDescription), 40u);
  EXPECT_EQ(sizeof(AUChannelInfo), 4u);
  // Records holding pointers: the 32-bit sizes plus the pointers' extra width.
  const size_t extra = sizeof(void*) - 4;
  EXPECT_EQ(sizeof(AudioUnitParameterInfo), sizeof(void*) == 4 ? 84u : 104u);  // LP64 pads before both pointers and at the end
  EXPECT_EQ(sizeof(HostCallbackInfo), 16u + 4 * extra);
  EXPECT_EQ(sizeof(AUPreset), 8u + 2 * extra);  // 4 bytes of padding after the number
}

}  // namespace
