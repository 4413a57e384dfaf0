// Event listeners: matching, the sender's own registrations, values read back
// from the unit, disposal during delivery, and delivery on the listener's own
// run loop, never inside the sender's call.
#include <AudioToolbox/AudioToolbox.h>
#include <CoreServices/ComponentRegistry.h>
#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <thread>
#include <vector>

namespace {

float gParameterValue = 0.25f;

ComponentResult ParameterEntry(ComponentParameters* cp, Handle) {
  if (cp->what == kAudioUnitGetParameterSelect) {
    *reinterpret_cast<AudioUnitParameterValue*>(cp->params[0]) = gParameterValue;
    return noErr;
  }
  if (cp->what == kAudioUnitSetParameterSelect) {
    std::memcpy(&gParameterValue, &cp->params[1], sizeof gParameterValue);
    return noErr;
  }
  return noErr;
}

struct Delivery {
  void* object;
  AudioUnitEventType type;
  AudioUnitParameterID id;
  AudioUnitParameterValue value;
};

struct Recorder {
  std::vector<Delivery> seen;
  AUEventListenerRef disposeOnDelivery = nullptr;
};

void Record(void* refCon, void* object, const AudioUnitEvent* event, UInt64, AudioUnitParameterValue value) {
  auto* recorder = static_cast<Recorder*>(refCon);
  recorder->seen.push_back({object, event->mEventType, event->mArgument.mParameter.mParameterID, value});
  if (recorder->disposeOnDelivery) {
    AUListenerDispose(recorder->disposeOnDelivery);
    recorder->disposeOnDelivery = nullptr;
  }
}

// What this thread's run loop holds for its listeners, delivered.
void Deliver() { CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, false); }

AudioUnitEvent ParameterEvent(AudioUnitEventType type, AudioUnit unit, AudioUnitParameterID id) {
  AudioUnitEvent event = {};
  event.mEventType = type;
  event.mArgument.mParameter = {unit, id, kAudioUnitScope_Global, 0};
  return event;
}

class AUEvents : public ::testing::Test {
protected:
  void SetUp() override {
    const ComponentDescription cd = {kAudioUnitType_Effect, 0x65766E74, 0x74657374, 0, 0};
    mComponent = RegisterComponentEntry(&cd, ParameterEntry, "events");
    ASSERT_EQ(OpenAComponent(mComponent, &mUnit), noErr);
    ASSERT_EQ(AUEventListenerCreate(Record, &mRecorder, CFRunLoopGetCurrent(), kCFRunLoopDefaultMode, 0.05f, 0.05f, &mListener), noErr);
  }
  void TearDown() override {
    if (mListener) {
      EXPECT_EQ(AUListenerDispose(mListener), noErr);
    }
    CloseComponent(mUnit);
    UnregisterComponent(mComponent);
  }
  Component mComponent = nullptr;
  AudioUnit mUnit = nullptr;
  AUEventListenerRef mListener = nullptr;
  Recorder mRecorder;
};

TEST_F(AUEvents, OnlyMatchingParameterEventsAreDelivered) {
  int object = 0;
  AudioUnitEvent begin = ParameterEvent(kAudioUnitEvent_BeginParameterChangeGesture, mUnit, 3);
  ASSERT_EQ(AUEventListenerAddEventType(mListener, &object, &begin), noErr);
  AudioUnitEvent change = ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnit, 3);
  ASSERT_EQ(AUEventListenerAddEventType(mListener, &object, &change), noErr);

  AUEventListenerNotify(nullptr, nullptr, &begin);
  AudioUnitEvent otherParameter = ParameterEvent(kAudioUnitEvent_BeginParameterChangeGesture, mUnit, 4);
  AUEventListenerNotify(nullptr, nullptr, &otherParameter);
  AudioUnitEvent end = ParameterEvent(kAudioUnitEvent_EndParameterChangeGesture, mUnit, 3);
  AUEventListenerNotify(nullptr, nullptr, &end);
  AudioUnitEvent otherUnit = ParameterEvent(kAudioUnitEvent_BeginParameterChangeGesture, nullptr, 3);
  AUEventListenerNotify(nullptr, nullptr, &otherUnit);
  AUEventListenerNotify(nullptr, nullptr, &change);
  gParameterValue = 0.5f;
  Deliver();

  ASSERT_EQ(mRecorder.seen.size(), 2u);
  EXPECT_EQ(mRecorder.seen[0].type, kAudioUnitEvent_BeginParameterChangeGesture);
  EXPECT_EQ(mRecorder.seen[0].object, &object);
  EXPECT_EQ(mRecorder.seen[0].id, 3u);
  EXPECT_EQ(mRecorder.seen[1].type, kAudioUnitEvent_ParameterValueChange);
  EXPECT_EQ(mRecorder.seen[1].value, 0.5f);  // read back from the unit at delivery

  ASSERT_EQ(AUEventListenerRemoveEventType(mListener, &object, &begin), noErr);
  AUEventListenerNotify(nullptr, nullptr, &begin);
  Deliver();
  EXPECT_EQ(mRecorder.seen.size(), 2u);
}

TEST_F(AUEvents, AnyParameterMatchesEveryIdAndPropertyEventsMatchTheirProperty) {
  AudioUnitEvent any = ParameterEvent(kAudioUnitEvent_EndParameterChangeGesture, mUnit, kAUParameterListener_AnyParameter);
  AUEventListenerAddEventType(mListener, nullptr, &any);
  AudioUnitEvent property = {};
  property.mEventType = kAudioUnitEvent_PropertyChange;
  property.mArgument.mProperty = {mUnit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0};
  AUEventListenerAddEventType(mListener, nullptr, &property);

  for (AudioUnitParameterID id : {0u, 7u, 10u}) {
    AudioUnitEvent end = ParameterEvent(kAudioUnitEvent_EndParameterChangeGesture, mUnit, id);
    AUEventListenerNotify(nullptr, nullptr, &end);
  }
  AUEventListenerNotify(nullptr, nullptr, &property);
  property.mArgument.mProperty.mPropertyID = kAudioUnitProperty_Latency;
  AUEventListenerNotify(nullptr, nullptr, &property);
  Deliver();
  EXPECT_EQ(mRecorder.seen.size(), 4u);
}

TEST_F(AUEvents, TheSendersOwnRegistrationIsSkipped) {
  int mine = 0, theirs = 0;
  AudioUnitEvent change = ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnit, 1);
  AUEventListenerAddEventType(mListener, &mine, &change);
  AUEventListenerAddEventType(mListener, &theirs, &change);
  AUEventListenerNotify(mListener, &mine, &change);
  Deliver();
  ASSERT_EQ(mRecorder.seen.size(), 1u);
  EXPECT_EQ(mRecorder.seen[0].object, &theirs);
  AUEventListenerNotify(mListener, nullptr, &change);  // no object: all of the sender's are skipped
  Deliver();
  EXPECT_EQ(mRecorder.seen.size(), 1u);
}

TEST_F(AUEvents, ParameterSetChangesTheUnitAndNotifies) {
  AudioUnitEvent change = ParameterEvent(kAudioUnitEvent_ParameterValueChange, mUnit, 2);
  AUEventListenerAddEventType(mListener, nullptr, &change);
  const AudioUnitParameter parameter = change.mArgument.mParameter;
  EXPECT_EQ(AUParameterSet(nullptr, nullptr, &parameter, 0.125f, 0), noErr);
  Deliver();
  ASSERT_EQ(mRecorder.seen.size(), 1u);
  EXPECT_EQ(mRecorder.seen[0].value, 0.125f);
}

TEST_F(AUEvents, AListenerDisposedDuringDeliveryGetsNothingMore) {
  Recorder second;
  AUEventListenerRef other = nullptr;
  ASSERT_EQ(AUEventListenerCreate(Record, &second, nullptr, nullptr, 0, 0, &other), noErr);
  AudioUnitEvent begin = ParameterEvent(kAudioUnitEvent_BeginParameterChangeGesture, mUnit, 0);
  AUEventListenerAddEventType(mListener, nullptr, &begin);
  AUEventListenerAddEventType(other, nullptr, &begin);
  mRecorder.disposeOnDelivery = other;  // the first delivery disposes of the second listener
  AUEventListenerNotify(nullptr, nullptr, &begin);
  Deliver();
  EXPECT_EQ(mRecorder.seen.size(), 1u);
  EXPECT_TRUE(second.seen.empty());
  EXPECT_EQ(AUListenerDispose(other), kAudio_ParamError);  // already gone
  EXPECT_EQ(AUEventListenerAddEventType(other, nullptr, &begin), kAudio_ParamError);
  EXPECT_EQ(AUEventListenerNotify(nullptr, nullptr, nullptr), kAudio_ParamError);
}

// A listener created for another thread's run loop hears nothing inside the
// sender's call, and everything, in order, once that thread runs its loop.
// Catches delivery on the sender's thread (a slow host listener then held
// up whoever sent: the editor under the plug-in's lock, and so the render).
TEST_F(AUEvents, DeliveryWaitsForTheListenersOwnRunLoop) {
  Recorder remote;
  std::promise<CFRunLoopRef> loopOf;
  std::promise<void> sent;
  std::thread listenerThread([&] {
    loopOf.set_value(CFRunLoopGetCurrent());
    sent.get_future().wait();
    while (remote.seen.size() < 2) CFRunLoopRunInMode(kCFRunLoopDefaultMode, 1.0, true);
  });
  AUEventListenerRef other = nullptr;
  ASSERT_EQ(AUEventListenerCreate(Record, &remote, loopOf.get_future().get(), kCFRunLoopDefaultMode, 0, 0, &other),
            noErr);
  AudioUnitEvent begin = ParameterEvent(kAudioUnitEvent_BeginParameterChangeGesture, mUnit, 5);
  AudioUnitEvent end = ParameterEvent(kAudioUnitEvent_EndParameterChangeGesture, mUnit, 5);
  AUEventListenerAddEventType(other, nullptr, &begin);
  AUEventListenerAddEventType(other, nullptr, &end);
  AUEventListenerNotify(nullptr, nullptr, &begin);
  AUEventListenerNotify(nullptr, nullptr, &end);
  Deliver();  // this thread's loop holds nothing for it
  EXPECT_TRUE(remote.seen.empty());
  sent.set_value();
  listenerThread.join();
  ASSERT_EQ(remote.seen.size(), 2u);
  EXPECT_EQ(remote.seen[0].type, kAudioUnitEvent_BeginParameterChangeGesture);
  EXPECT_EQ(remote.seen[1].type, kAudioUnitEvent_EndParameterChangeGesture);
  AUListenerDispose(other);
}

}  // namespace
