#include "tests/au/AUHostTest.h"

#include <cmath>

namespace au_test {

std::string ToStd(CFStringRef str) {
  char buffer[512] = "";
  return str && CFStringGetCString(str, buffer, sizeof(buffer), kCFStringEncodingUTF8) ? buffer : "";
}

void AUHostTest::SetUp() {
  CFSetUsageErrorReporting(true);
  liveAtStart = CFLiveObjectCount();
  blocksAtStart = CFAllocatorLiveBlockCount();
  usageErrorsAtStart = CFUsageErrorCount();
  ASSERT_EQ(OpenAComponent(TestComponent(), &unit), noErr);
  plug = PlugOf(unit);
  ASSERT_NE(plug, nullptr);
}

void AUHostTest::TearDown() {
  if (unit) {
    EXPECT_EQ(CloseComponent(unit), noErr);
  }
  EXPECT_EQ(CFLiveObjectCount(), liveAtStart) << "a CF object was leaked";
  EXPECT_EQ(CFAllocatorLiveBlockCount(), blocksAtStart) << "a CF allocation was leaked";
  EXPECT_EQ(CFUsageErrorCount(), usageErrorsAtStart);
  gCreateEditor = false;
}

OSStatus AUHostTest::SetUInt32(AudioUnitPropertyID id, UInt32 value, AudioUnitScope scope) {
  return AudioUnitSetProperty(unit, id, scope, 0, &value, sizeof(value));
}

OSStatus AUHostTest::SetFormat(AudioUnitScope scope, int nChannels, UInt32 element) {
  const AudioStreamBasicDescription asbd = FloatFormat(nChannels);
  return AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, scope, element, &asbd,
                              sizeof(asbd));
}

OSStatus AUHostTest::Render(double sampleTime, int nFrames, AudioBufferList* list, UInt32 bus) {
  AudioUnitRenderActionFlags flags = 0;
  const AudioTimeStamp ts = SampleTimeStamp(sampleTime);
  return AudioUnitRender(unit, &flags, &ts, bus, static_cast<UInt32>(nFrames), list);
}

float AUHostTest::InputSample(int ch, double sampleIdx) {
  return static_cast<float>(0.5 * std::sin(0.013 * sampleIdx + ch));
}

OSStatus AUHostTest::InputCallback(void* refCon, AudioUnitRenderActionFlags*,
                                   const AudioTimeStamp* ts, UInt32, UInt32 nFrames,
                                   AudioBufferList* list) {
  static_cast<AUHostTest*>(refCon)->inputCalls++;
  for (UInt32 b = 0; b < list->mNumberBuffers; ++b) {
    float* data = static_cast<float*>(list->mBuffers[b].mData);
    for (UInt32 t = 0; t < nFrames; ++t) data[t] = InputSample(static_cast<int>(b), ts->mSampleTime + t);
  }
  return noErr;
}

void AUHostTest::UseInputCallback() {
  AURenderCallbackStruct cb = {&AUHostTest::InputCallback, this};
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input,
                                 0, &cb, sizeof(cb)),
            noErr);
}

void AUHostTest::MakeStereoReady(int maxFrames) {
  ASSERT_EQ(SetUInt32(kAudioUnitProperty_MaximumFramesPerSlice, static_cast<UInt32>(maxFrames)), noErr);
  ASSERT_EQ(SetFormat(kAudioUnitScope_Input, 2), noErr);
  ASSERT_EQ(SetFormat(kAudioUnitScope_Output, 2), noErr);
  UseInputCallback();
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
}

}  // namespace au_test
