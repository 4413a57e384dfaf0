// What a live session must never see, through the unit as a DAW drives it:
// a restore that plays a factory preset's values on the way, audio from
// before a host's reset, a render that runs while the unit is being set up
// anew, and a half-written record of the host's callbacks.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "tests/plugin/ReadyUnit.h"

namespace {

using corvane_test::FastRender;
using corvane_test::OpenReadyUnit;
using corvane_test::PlugOf;

OSStatus Silence(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32 nFrames,
                 AudioBufferList* list) {
  for (UInt32 c = 0; c < list->mNumberBuffers; ++c)
    for (UInt32 t = 0; t < nFrames; ++t) static_cast<float*>(list->mBuffers[c].mData)[t] = 0.0f;
  return noErr;
}

// A loud, busy signal: a drum-like burst every 700 samples over a tone.
OSStatus Loud(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp* ts, UInt32, UInt32 nFrames,
              AudioBufferList* list) {
  for (UInt32 c = 0; c < list->mNumberBuffers; ++c)
    for (UInt32 t = 0; t < nFrames; ++t) {
      const double n = ts->mSampleTime + t;
      const double hit = std::fmod(n, 700.0) < 30.0 ? 0.9 : 0.0;
      static_cast<float*>(list->mBuffers[c].mData)[t] = static_cast<float>(0.4 * std::sin(0.05 * n) + hit);
    }
  return noErr;
}

std::atomic<AURenderCallback> gInput{Silence};
OSStatus Switched(void* refCon, AudioUnitRenderActionFlags* flags, const AudioTimeStamp* ts, UInt32 bus,
                  UInt32 nFrames, AudioBufferList* list) {
  return gInput.load()(refCon, flags, ts, bus, nFrames, list);
}

// A user's state saved under the name of a factory preset ("Kick Attack-":
// Biorthogonal 6.8, pans centred) but holding Haar and the transient part
// hard left. Restoring it while audio runs must never let the render see
// the preset's values: they were applied first, then the saved ones (a
// reader saw them in 292 043 of its looks). Catches a restore that reaches
// the audio thread in more than one piece.
TEST(CorvaneLiveMends, ARestoreNamedAfterAPresetPlaysOnlyItsOwnValues) {
  AudioUnit unit = OpenReadyUnit(64);
  ASSERT_NE(unit, nullptr);
  Corvane* plug = PlugOf(unit);
  AUPreset kickAttack = {3, nullptr};
  ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, &kickAttack,
                                 sizeof kickAttack), noErr);
  ASSERT_EQ(AudioUnitSetParameter(unit, kMode1, kAudioUnitScope_Global, 0, 1.0f, 0), noErr);
  ASSERT_EQ(AudioUnitSetParameter(unit, kPan1, kAudioUnitScope_Global, 0, 0.0f, 0), noErr);
  CFPropertyListRef saved = nullptr;
  UInt32 size = sizeof saved;
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &saved, &size), noErr);

  FastRender render(unit, 64);
  ASSERT_TRUE(render.Ok());
  ASSERT_EQ(render.Block(), noErr);
  std::atomic<bool> done{false};
  std::atomic<long> looks{0};
  long presetSeen = 0;
  std::thread audio([&] {
    while (!done.load()) {
      render.Block();
      ++looks;
      // The render thread's own view, between its blocks.
      if (plug->Engine().GetMode() != 1 || plug->Engine().TransientPanRight() != 0.0) ++presetSeen;
    }
  });
  for (int i = 0; i < 500 || looks.load() < 300; ++i)
    ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &saved,
                                   sizeof saved), noErr);
  done.store(true);
  audio.join();
  EXPECT_GE(looks.load(), 300);
  EXPECT_EQ(presetSeen, 0);
  AUPreset current = {-1, nullptr};
  size = sizeof current;
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, &current, &size),
            noErr);
  EXPECT_EQ(current.presetNumber, 3);  // the named preset is still the current one
  if (current.presetName) CFRelease(current.presetName);
  CFRelease(saved);
  CloseComponent(unit);
}

// A host resets a unit around a locate: afterwards the output is what a new
// unit gives after 4096 samples of silence, and nothing from before plays
// (a loud signal, a reset and silence gave 0.5 peak for 8 blocks of 512).
// A reset before any audio changes nothing.
TEST(CorvaneLiveMends, AHostResetLeavesNothingOfThePastToPlay) {
  gInput.store(Loud);
  AudioUnit used = OpenReadyUnit(512, Switched), fresh = OpenReadyUnit(512, Switched);
  ASSERT_TRUE(used && fresh);
  for (AudioUnit unit : {used, fresh}) {
    ASSERT_EQ(AudioUnitSetParameter(unit, kTransient, kAudioUnitScope_Global, 0, 0.9f, 0), noErr);
    ASSERT_EQ(AudioUnitSetParameter(unit, kMode2, kAudioUnitScope_Global, 0, 1.0f, 0), noErr);
  }
  FastRender usedRender(used, 512), freshRender(fresh, 512);
  for (int b = 0; b < 9; ++b) usedRender.Block();  // loud audio, into the middle of a frame
  ASSERT_EQ(AudioUnitReset(used, kAudioUnitScope_Global, 0), noErr);
  usedRender.Restart();
  gInput.store(Silence);
  for (int b = 0; b < 8; ++b) freshRender.Block();  // the pre-roll a new unit gets
  for (int b = 0; b < 8; ++b) {
    usedRender.Block();
    for (UInt32 t = 0; t < 512; ++t) ASSERT_EQ(usedRender.Left()[t], 0.0f) << "block " << b << " sample " << t;
  }
  gInput.store(Loud);
  for (int b = 0; b < 24; ++b) {
    usedRender.Block();
    freshRender.Block();
    ASSERT_EQ(usedRender.Left(), freshRender.Left()) << "block " << b;
    ASSERT_EQ(usedRender.Right(), freshRender.Right()) << "block " << b;
  }
  CloseComponent(used);
  CloseComponent(fresh);

  AudioUnit early = OpenReadyUnit(512, Switched), untouched = OpenReadyUnit(512, Switched);
  ASSERT_EQ(AudioUnitReset(early, kAudioUnitScope_Global, 0), noErr);
  FastRender earlyRender(early, 512), untouchedRender(untouched, 512);
  for (int b = 0; b < 16; ++b) {
    earlyRender.Block();
    untouchedRender.Block();
    ASSERT_EQ(earlyRender.Left(), untouchedRender.Left()) << "block " << b;
  }
  CloseComponent(early);
  CloseComponent(untouched);
  gInput.store(Silence);
}

struct Transport {
  double tempo;
  std::atomic<long>* torn;
};
OSStatus BeatAndTempo(void* userData, Float64* beat, Float64* tempo) {
  *beat = 0.0;
  *tempo = static_cast<Transport*>(userData)->tempo;
  return noErr;
}
OSStatus OtherBeatAndTempo(void* userData, Float64* beat, Float64* tempo) {
  // Paired with the first record's user data only in a half-written record.
  if (static_cast<Transport*>(userData)->tempo != 200.0) static_cast<Transport*>(userData)->torn->fetch_add(1);
  *beat = 0.0;
  *tempo = 200.0;
  return noErr;
}

// The host sets up the unit anew (uninitialize, a new maximum block, the
// callbacks, initialize) while its render thread keeps calling. A render
// must be refused while uninitialized and never run under the
// reallocation (AddressSanitizer sees a render in freed scratch memory),
// and the transport queries never see half of one callback record and half
// of the other (ThreadSanitizer sees the field-by-field copy).
TEST(CorvaneLiveMends, SetupChangesNeverRunUnderARender) {
  AudioUnit unit = OpenReadyUnit(64);
  ASSERT_NE(unit, nullptr);
  Corvane* plug = PlugOf(unit);
  std::atomic<long> torn{0};
  Transport first = {100.0, &torn}, second = {200.0, &torn};
  const HostCallbackInfo records[2] = {{&first, BeatAndTempo, nullptr, nullptr},
                                       {&second, OtherBeatAndTempo, nullptr, nullptr}};

  FastRender render(unit, 64);
  std::atomic<bool> done{false};
  std::atomic<long> rendered{0}, refused{0}, other{0};
  std::thread audio([&] {
    while (!done.load()) {
      const OSStatus s = render.Block();
      (s == noErr ? rendered : s == kAudioUnitErr_Uninitialized ? refused : other).fetch_add(1);
      const double tempo = plug->GetTempo();
      if (tempo != 100.0 && tempo != 200.0 && tempo != 120.0) other.fetch_add(1);
    }
  });
  for (int i = 0; i < 200; ++i) {
    ASSERT_EQ(AudioUnitUninitialize(unit), noErr);
    const UInt32 maxFrames = i % 2 ? 64 : 4096;
    ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0,
                                   &maxFrames, sizeof maxFrames), noErr);
    ASSERT_EQ(AudioUnitSetProperty(unit, kAudioUnitProperty_HostCallbacks, kAudioUnitScope_Global, 0, &records[i % 2],
                                   sizeof records[i % 2]), noErr);
    ASSERT_EQ(AudioUnitInitialize(unit), noErr);
    // Let a render in before the next change.
    const long before = rendered.load();
    for (int spin = 0; spin < 100000 && rendered.load() == before; ++spin) std::this_thread::yield();
  }
  ASSERT_EQ(AudioUnitUninitialize(unit), noErr);
  done.store(true);
  audio.join();
  EXPECT_EQ(render.Block(), kAudioUnitErr_Uninitialized);
  EXPECT_GT(rendered.load(), 0);
  EXPECT_EQ(other.load(), 0);
  EXPECT_EQ(torn.load(), 0);
  CloseComponent(unit);
}

}  // namespace
