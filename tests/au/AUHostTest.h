#pragma once
// A fixture that opens the test plug-in and hosts it only through the
// host-side calls, the way a DAW would.
#include <gtest/gtest.h>

#include <string>

#include "tests/au/TestAUPlug.h"

namespace au_test {

// Opens the test unit; checks at the end that every CF object handed out
// was released and that no CF usage error happened.
class AUHostTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;
  // Stereo in and out, a render callback as input, initialized.
  void MakeStereoReady(int maxFrames = 1024);
  OSStatus SetUInt32(AudioUnitPropertyID id, UInt32 value, AudioUnitScope scope = kAudioUnitScope_Global);
  OSStatus SetFormat(AudioUnitScope scope, int nChannels, UInt32 element = 0);
  OSStatus Render(double sampleTime, int nFrames, AudioBufferList* list, UInt32 bus = 0);
  void UseInputCallback();

  AudioUnit unit = nullptr;
  TestAUPlug* plug = nullptr;
  long liveAtStart = 0, blocksAtStart = 0, usageErrorsAtStart = 0;

  // Input the render callback delivers: channel c, frame t of sample time s
  // reads InputSample(c, s + t).
  static float InputSample(int ch, double sampleIdx);
  static OSStatus InputCallback(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp* ts,
                                UInt32 bus, UInt32 nFrames, AudioBufferList* list);
  int inputCalls = 0;
};

// The text of a CF string handed out by the unit ("" for none).
std::string ToStd(CFStringRef str);

}  // namespace au_test
