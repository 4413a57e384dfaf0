// The guard covers the AU fast-dispatch render: a `new` and a lock planted
// in the host's input callback, which the render calls, are caught and
// reported with the path's name and the planted function. The render is
// marked by the same scope the live tests use.
#include <gtest/gtest.h>

#include "tests/au/TestAUPlug.h"
#include "tests/support/rtguard/PlantedFaults.h"
#include "tests/support/rtguard/RealtimeScope.h"

namespace {

using rtguard_test::ExpectedReport;
using rtguard_test::Fault;
using rtguard_test::PlantFault;
using rtguard_test::RealtimeGuardHosts;
using rtguard_test::SetFault;

// The host's input callback: the render pulls it.
OSStatus PlantingInput(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32 nFrames,
                       AudioBufferList* list) {
  PlantFault();
  for (UInt32 b = 0; b < list->mNumberBuffers; ++b)
    for (UInt32 t = 0; t < nFrames; ++t) static_cast<float*>(list->mBuffers[b].mData)[t] = 0.0f;
  return noErr;
}

TEST_F(RealtimeGuardHosts, AUFastDispatchRenderIsGuarded) {
  AudioUnit unit = nullptr;
  ASSERT_EQ(OpenAComponent(au_test::TestComponent(), &unit), noErr);
  const AudioStreamBasicDescription format = au_test::FloatFormat(2);
  const AURenderCallbackStruct input = {PlantingInput, nullptr};
  UInt32 maxFrames = 256;
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0,
                                 &maxFrames, sizeof maxFrames), noErr);
  for (AudioUnitScope scope : {kAudioUnitScope_Input, kAudioUnitScope_Output})
    ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, scope, 0, &format, sizeof format), noErr);
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &input,
                                 sizeof input), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  AudioUnitRenderProc render = nullptr;
  UInt32 size = sizeof render;
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global,
                                 kAudioUnitRenderSelect, &render, &size), noErr);
  void* storage = GetComponentInstanceStorage(unit);
  au_test::HostBuffers out(2, 256);
  const AudioTimeStamp ts = au_test::SampleTimeStamp(0);
  AudioUnitRenderActionFlags flags = 0;
  auto renderMarked = [&] {
    return rtguard::Realtime(rtguard::kAuRender, [&] { return render(storage, &flags, &ts, 0, 256, out.List()); });
  };
  for (Fault fault : {Fault::kNew, Fault::kLock}) {
    SetFault(fault);
    EXPECT_DEATH(renderMarked(), ExpectedReport(fault, rtguard::kAuRender));
  }
  SetFault(Fault::kNone);
  EXPECT_EQ(CloseComponent(unit), noErr);
}

}  // namespace
