// Stream-format and connection negotiation, the initialize check and the
// render path: input sources, pulls per time stamp, output memory, bypass.
#include <cmath>
#include <cstring>
#include <vector>

#include "tests/support/AllocationCounter.h"
#include "tests/au/AUHostTest.h"

namespace au_test {
namespace {

using AUFormatTest = AUHostTest;
using AURenderTest = AUHostTest;

TEST_F(AUFormatTest, LegalAndIllegalFormats) {
  EXPECT_EQ(SetFormat(kAudioUnitScope_Input, 2), noErr);
  EXPECT_EQ(plug->GetInBus(0)->mNHostChannels, 2);
  EXPECT_EQ(SetFormat(kAudioUnitScope_Output, 1), noErr);  // inactive: inputs count as any
  ASSERT_EQ(AudioUnitInitialize(unit), badComponentSelector);  // 2 in, 1 out is not in "1-1 2-2"
  EXPECT_EQ(SetFormat(kAudioUnitScope_Output, 2), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  // Initialized, the render path owns the formats: a change is refused until
  // the host uninitializes; the format a bus already has is no change.
  EXPECT_EQ(SetFormat(kAudioUnitScope_Input, 1), kAudioUnitErr_Initialized);
  EXPECT_EQ(plug->GetInBus(0)->mNHostChannels, 2);
  EXPECT_EQ(SetFormat(kAudioUnitScope_Input, 2), noErr);
  AudioUnitUninitialize(unit);

  for (int n : {0, 3, 129, 100000}) {
    EXPECT_EQ(SetFormat(kAudioUnitScope_Output, n), kAudioUnitErr_InvalidProperty) << n;
    EXPECT_EQ(plug->GetOutBus(0)->mNHostChannels, 0);
  }
  EXPECT_EQ(SetFormat(kAudioUnitScope_Output, 2), noErr);
  // Layouts the render path cannot read (it reads 32-bit float buffers, one
  // per channel) and rates that are no rates: refused, nothing changed.
  // Catches a format accepted and then read as noise.
  std::vector<AudioStreamBasicDescription> unreadable(7, FloatFormat(2));
  unreadable[0].mFormatID = kAudioFormatMPEG4AAC;
  unreadable[1].mFormatFlags = kAudioFormatFlagIsNonInterleaved;
  unreadable[2].mFormatFlags = kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked | kAudioFormatFlagIsNonInterleaved;
  unreadable[2].mBitsPerChannel = 16;
  unreadable[2].mBytesPerFrame = unreadable[2].mBytesPerPacket = 2;
  unreadable[3].mFormatFlags = kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked;  // interleaved
  unreadable[3].mBytesPerFrame = unreadable[3].mBytesPerPacket = 8;
  unreadable[4].mBitsPerChannel = 64;
  unreadable[4].mBytesPerFrame = unreadable[4].mBytesPerPacket = 8;
  unreadable[5].mSampleRate = INFINITY;
  unreadable[6].mSampleRate = -48000.0;
  for (size_t i = 0; i < unreadable.size(); ++i) {
    EXPECT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, 2, 0, &unreadable[i], sizeof(unreadable[i])),
              kAudioUnitErr_InvalidProperty) << i;
    EXPECT_EQ(plug->GetOutBus(0)->mNHostChannels, 2) << i;
    EXPECT_EQ(plug->GetSampleRate(), 44100.0) << i;
  }
  EXPECT_EQ(SetFormat(kAudioUnitScope_Output, 2, 1), kAudioUnitErr_InvalidProperty);  // no bus 1
  EXPECT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, 2, 0, &unreadable[0], 20),
            kAudioUnitErr_InvalidPropertyValue);  // short record
  // An illegal channel count leaves 0 host channels: the unit cannot initialize.
  EXPECT_EQ(SetFormat(kAudioUnitScope_Output, 3), kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(AudioUnitInitialize(unit), badComponentSelector);
  EXPECT_EQ(SetFormat(kAudioUnitScope_Output, 2), noErr);
  EXPECT_EQ(AudioUnitInitialize(unit), noErr);
}

TEST_F(AUFormatTest, FormatSampleRateIsTakenAndReportedBack) {
  AudioStreamBasicDescription asbd = FloatFormat(1, 48000.0);
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, 1, 0, &asbd, sizeof(asbd)), noErr);
  EXPECT_EQ(plug->GetSampleRate(), 48000.0);
  AudioStreamBasicDescription out;
  UInt32 size = sizeof(out);
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_StreamFormat, 1, 0, &out, &size), noErr);
  EXPECT_EQ(out.mChannelsPerFrame, 1u);
  EXPECT_EQ(out.mSampleRate, 48000.0);
}

TEST_F(AUFormatTest, ConnectionsChooseTheInputKind) {
  EXPECT_EQ(plug->GetInBusConnection(0)->mInputType, eNotConnected);
  UseInputCallback();
  EXPECT_EQ(plug->GetInBusConnection(0)->mInputType, eRenderCallback);
  EXPECT_TRUE(plug->GetInBus(0)->mConnected);
  EXPECT_EQ(plug->GetInBus(0)->mNHostChannels, 2);  // assumed from the plug-in's channels

  AURenderCallbackStruct none = {nullptr, nullptr};
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, 1, 0, &none, sizeof(none)), noErr);
  EXPECT_EQ(plug->GetInBusConnection(0)->mInputType, eNotConnected);
  EXPECT_FALSE(plug->GetInBus(0)->mConnected);
  EXPECT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, 0, 0, &none, sizeof(none)),
            kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, 1, 1, &none, sizeof(none)),
            kAudioUnitErr_InvalidProperty);

  AudioUnit source = nullptr, slow = nullptr;
  ASSERT_EQ(OpenAComponent(SourceComponent(), &source), noErr);
  ASSERT_EQ(OpenAComponent(SourceNoFastComponent(), &slow), noErr);
  AudioUnitConnection conn = {source, 0, 0};
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_MakeConnection, 1, 0, &conn, sizeof(conn)), noErr);
  EXPECT_EQ(plug->GetInBusConnection(0)->mInputType, eDirectFastProc);
  conn.sourceAudioUnit = slow;
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_MakeConnection, 1, 0, &conn, sizeof(conn)), noErr);
  EXPECT_EQ(plug->GetInBusConnection(0)->mInputType, eDirectNoFastProc);
  conn.destInputNumber = 1;
  EXPECT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_MakeConnection, 1, 0, &conn, sizeof(conn)),
            kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_MakeConnection, 2, 0, &conn, sizeof(conn)),
            kAudioUnitErr_InvalidProperty);
  EXPECT_EQ(plug->GetInBusConnection(0)->mInputType, eDirectNoFastProc);
  conn = {nullptr, 0, 0};
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_MakeConnection, 1, 0, &conn, sizeof(conn)), noErr);
  EXPECT_EQ(plug->GetInBusConnection(0)->mInputType, eNotConnected);
  CloseComponent(source);
  CloseComponent(slow);
}

// Expected output of the test plug-in at unity gain: the input 64 samples late.
float Expected(int ch, double sampleIdx) {
  return sampleIdx < kTestLatency ? 0.0f : static_cast<float>(0.5 * std::sin(0.013 * (sampleIdx - kTestLatency) + ch));
}

TEST_F(AURenderTest, RenderCallbackInputIsDelayedByTheLatency) {
  MakeStereoReady();
  HostBuffers out(2, 256);
  for (int block = 0; block < 4; ++block) {
    ASSERT_EQ(Render(block * 256.0, 256, out.List()), noErr);
    for (int ch = 0; ch < 2; ++ch)
      for (int t = 0; t < 256; ++t)
        ASSERT_NEAR(out.Channel(ch)[t], Expected(ch, block * 256.0 + t), 1e-6) << block << ":" << t;
  }
  EXPECT_EQ(inputCalls, 4);
}

TEST_F(AURenderTest, PreconditionsFailBeforeAnyNotification) {
  MakeStereoReady();
  struct Notes {
    std::vector<AudioUnitRenderActionFlags> flags;
    static OSStatus Proc(void* refCon, AudioUnitRenderActionFlags* flags, const AudioTimeStamp*, UInt32,
                         UInt32, AudioBufferList*) {
      static_cast<Notes*>(refCon)->flags.push_back(*flags);
      return noErr;
    }
  } notes;
  ASSERT_EQ(AudioUnitAddRenderNotify(unit, &Notes::Proc, &notes), noErr);
  HostBuffers out(2, 4096);
  AudioUnitRenderActionFlags flags = 0;
  AudioTimeStamp noSampleTime = SampleTimeStamp(0);
  noSampleTime.mFlags = kAudioTimeStampHostTimeValid;
  EXPECT_EQ(AudioUnitRender(unit, &flags, &noSampleTime, 0, 256, out.List()), kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(AudioUnitRender(unit, &flags, nullptr, 0, 256, out.List()), kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(Render(0, 1025, out.List()), kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(Render(0, 256, out.List(), 1), kAudioUnitErr_InvalidPropertyValue);
  EXPECT_EQ(Render(0, 256, nullptr), kAudioUnitErr_InvalidPropertyValue);
  HostBuffers tooSmall(2, 16);
  EXPECT_EQ(Render(0, 256, tooSmall.List()), kAudioUnitErr_InvalidPropertyValue);
  EXPECT_TRUE(notes.flags.empty());
  EXPECT_EQ(inputCalls, 0);

  ASSERT_EQ(AudioUnitUninitialize(unit), noErr);
  ASSERT_EQ(SetUInt32(kAudioUnitProperty_MaximumFramesPerSlice, 4096), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  EXPECT_EQ(Render(0, 1025, out.List()), noErr);
  EXPECT_EQ(notes.flags, (std::vector<AudioUnitRenderActionFlags>{kAudioUnitRenderAction_PreRender,
                                                                 kAudioUnitRenderAction_PostRender}));
  // The same proc twice is two records; one remove takes out one.
  AudioUnitAddRenderNotify(unit, &Notes::Proc, &notes);
  AudioUnitRemoveRenderNotify(unit, &Notes::Proc, &notes);
  notes.flags.clear();
  EXPECT_EQ(Render(1025, 16, out.List()), noErr);
  EXPECT_EQ(notes.flags.size(), 2u);
  // A remove names the proc and its user data: the other registration of the
  // same proc stays. Catches matching on the proc alone, which would keep
  // calling the removed one (whose data the host may have freed).
  Notes other;
  AudioUnitAddRenderNotify(unit, &Notes::Proc, &other);
  AudioUnitRemoveRenderNotify(unit, &Notes::Proc, &other);
  notes.flags.clear();
  EXPECT_EQ(Render(1041, 16, out.List()), noErr);
  EXPECT_EQ(notes.flags.size(), 2u);
  EXPECT_TRUE(other.flags.empty());
}

TEST_F(AURenderTest, InputsArePulledOncePerTimeStamp) {
  MakeStereoReady();
  HostBuffers out(2, 128);
  ASSERT_EQ(Render(0, 128, out.List()), noErr);
  ASSERT_EQ(Render(0, 128, out.List()), noErr);
  EXPECT_EQ(inputCalls, 1);
  ASSERT_EQ(Render(128, 128, out.List()), noErr);
  EXPECT_EQ(inputCalls, 2);
}

TEST_F(AURenderTest, FailedPullReturnsItsStatusWithoutProcessing) {
  ASSERT_EQ(SetFormat(kAudioUnitScope_Input, 2), noErr);
  ASSERT_EQ(SetFormat(kAudioUnitScope_Output, 2), noErr);
  struct Failing {
    static OSStatus Proc(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32,
                         AudioBufferList*) {
      return -1234;
    }
  };
  AURenderCallbackStruct cb = {&Failing::Proc, nullptr};
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, 1, 0, &cb, sizeof(cb)), noErr);
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  HostBuffers out(2, 64);
  EXPECT_EQ(Render(0, 64, out.List()), -1234);
  EXPECT_EQ(plug->framesProcessed.load(), 0);
}

TEST_F(AURenderTest, NullHostBuffersGetTheAdaptersScratchMemory) {
  MakeStereoReady();
  HostBuffers out(2, 512, true);
  for (int block = 0; block < 2; ++block) {
    out.Reset(true);
    ASSERT_EQ(Render(block * 512.0, 512, out.List()), noErr);
    ASSERT_NE(out.Channel(0), nullptr);
    ASSERT_NE(out.Channel(1), nullptr);
    EXPECT_NE(out.Channel(0), out.Channel(1));
    for (int t = 0; t < 512; ++t) ASSERT_NEAR(out.Channel(1)[t], Expected(1, block * 512.0 + t), 1e-6);
  }
}

TEST_F(AURenderTest, UpstreamUnitsFeedTheInputWithAndWithoutFastDispatch) {
  for (bool fast : {true, false}) {
    AudioUnit source = nullptr;
    ASSERT_EQ(OpenAComponent(fast ? SourceComponent() : SourceNoFastComponent(), &source), noErr);
    ASSERT_EQ(AudioUnitInitialize(source), noErr);
    AudioUnitConnection conn = {source, 0, 0};
    ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_MakeConnection, 1, 0, &conn, sizeof(conn)), noErr);
    EXPECT_EQ(plug->GetInBusConnection(0)->mInputType, fast ? eDirectFastProc : eDirectNoFastProc);
    ASSERT_EQ(SetFormat(kAudioUnitScope_Output, 2), noErr);
    ASSERT_EQ(AudioUnitInitialize(unit), noErr);
    HostBuffers out(2, 100);
    for (int block = 0; block < 3; ++block) ASSERT_EQ(Render(block * 100.0, 100, out.List()), noErr);
    // The source ramps 0, 1, 2, ... on the left and its negative on the right;
    // the plug-in delays it by 64 samples.
    for (int t = 0; t < 100; ++t) {
      ASSERT_EQ(out.Channel(0)[t], static_cast<float>(200 + t - kTestLatency)) << fast;
      ASSERT_EQ(out.Channel(1)[t], -static_cast<float>(200 + t - kTestLatency)) << fast;
    }
    ASSERT_EQ(AudioUnitUninitialize(unit), noErr);
    conn.sourceAudioUnit = nullptr;
    ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_MakeConnection, 1, 0, &conn, sizeof(conn)), noErr);
    ASSERT_EQ(CloseComponent(source), noErr);
    CloseComponent(unit);
    ASSERT_EQ(OpenAComponent(TestComponent(), &unit), noErr);
    plug = PlugOf(unit);
  }
}

TEST_F(AURenderTest, MonoConfigurationRendersTheOneChannel) {
  ASSERT_EQ(SetFormat(kAudioUnitScope_Input, 1), noErr);
  ASSERT_EQ(SetFormat(kAudioUnitScope_Output, 1), noErr);
  UseInputCallback();
  ASSERT_EQ(AudioUnitInitialize(unit), noErr);
  HostBuffers out(1, 256);
  ASSERT_EQ(Render(0, 256, out.List()), noErr);
  ASSERT_EQ(Render(256, 256, out.List()), noErr);
  for (int t = 0; t < 256; ++t) ASSERT_NEAR(out.Channel(0)[t], Expected(0, 256.0 + t), 1e-6);
}

// Toggling bypass at unity gain gives the same output as never bypassing:
// bypass delivers the input delayed by the reported latency, and the
// plug-in's own delay line keeps running underneath.
TEST_F(AURenderTest, BypassToggleMatchesNeverBypassingAtUnity) {
  const int kBlock = 48;  // not a divisor of the latency
  const int kBlocks = 40;
  std::vector<float> reference, toggled;
  for (bool toggle : {false, true}) {
    CloseComponent(unit);
    ASSERT_EQ(OpenAComponent(TestComponent(), &unit), noErr);
    plug = PlugOf(unit);
    MakeStereoReady();
    HostBuffers out(2, kBlock);
    std::vector<float>& result = toggle ? toggled : reference;
    for (int block = 0; block < kBlocks; ++block) {
      if (toggle && (block == 3 || block == 11 || block == 25)) {
        ASSERT_EQ(SetUInt32(kAudioUnitProperty_BypassEffect, 1), noErr);
      }
      if (toggle && (block == 7 || block == 12 || block == 31)) {
        ASSERT_EQ(SetUInt32(kAudioUnitProperty_BypassEffect, 0), noErr);
      }
      ASSERT_EQ(Render(block * static_cast<double>(kBlock), kBlock, out.List()), noErr);
      for (int ch = 0; ch < 2; ++ch) result.insert(result.end(), out.Channel(ch), out.Channel(ch) + kBlock);
    }
  }
  ASSERT_EQ(reference.size(), toggled.size());
  for (size_t i = 0; i < reference.size(); ++i) ASSERT_NEAR(reference[i], toggled[i], 1e-6) << i;
  // The plug-in processed every frame, bypassed or not.
  EXPECT_EQ(plug->framesProcessed.load(), kBlock * kBlocks);
  UInt32 bypassed = 7;
  UInt32 size = sizeof(bypassed);
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_BypassEffect, 0, 0, &bypassed, &size), noErr);
  EXPECT_EQ(bypassed, 0u);
}

TEST_F(AURenderTest, BypassedOutputIsTheDelayedInputEvenWithGain) {
  MakeStereoReady();
  ASSERT_EQ(AudioUnitSetParameter(unit, kGain, 0, 0, 0.0f, 0), noErr);
  ASSERT_EQ(SetUInt32(kAudioUnitProperty_BypassEffect, 1), noErr);
  HostBuffers out(2, 256);
  ASSERT_EQ(Render(0, 256, out.List()), noErr);
  for (int t = 0; t < 256; ++t) ASSERT_NEAR(out.Channel(0)[t], Expected(0, t), 1e-6);
}

TEST_F(AURenderTest, RenderingDoesNotAllocate) {
  MakeStereoReady(512);
  HostBuffers out(2, 512), nullOut(2, 512, true);
  ASSERT_EQ(Render(0, 512, out.List()), noErr);  // warm up
  AudioUnitRenderProc renderProc = nullptr;
  UInt32 size = sizeof(renderProc);
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_FastDispatch, 0, kAudioUnitRenderSelect, &renderProc, &size), noErr);
  void* storage = GetComponentInstanceStorage(unit);
  {
    corvane_test::AllocationScope scope;
    for (int block = 1; block < 50; ++block) {
      AudioUnitRenderActionFlags flags = 0;
      const AudioTimeStamp ts = SampleTimeStamp(block * 512.0);
      nullOut.Reset(true);
      ASSERT_EQ(renderProc(storage, &flags, &ts, 0, 512, block % 2 ? out.List() : nullOut.List()), noErr);
      if (block == 20) SetUInt32(kAudioUnitProperty_BypassEffect, 1);
      if (block == 30) SetUInt32(kAudioUnitProperty_BypassEffect, 0);
    }
    EXPECT_EQ(scope.Count(), 0);
  }
}

}  // namespace
}  // namespace au_test
