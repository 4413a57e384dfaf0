// A session as a DAW runs it, three threads at once on one Corvane unit:
// the render thread calls the fast-dispatch render function (no lock), the
// host's thread moves parameters, selects presets, saves and restores the
// class info and adds and removes render notifications through the
// component entry, and the editor's thread applies what reached it, collects
// the dirty regions and draws. ThreadSanitizer checks the sharing; the test
// itself checks that every thread got what it asked for.
#include <gtest/gtest.h>

#include <AudioToolbox/AudioToolbox.h>
#include <AudioUnit/AudioUnit.h>
#include <CoreServices/ComponentRegistry.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include "editor/Bouton.h"
#include "plugin/Corvane.h"
#include "gui/IGraphics.h"
#include "tests/support/rtguard/RealtimeScope.h"

namespace {

constexpr UInt32 kFrames = 64;

OSStatus SineInput(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp* ts, UInt32, UInt32 nFrames,
                   AudioBufferList* list) {
  for (UInt32 c = 0; c < list->mNumberBuffers; ++c) {
    float* out = static_cast<float*>(list->mBuffers[c].mData);
    for (UInt32 t = 0; t < nFrames; ++t) out[t] = 0.5f * std::sin(0.02f * static_cast<float>(ts->mSampleTime + t));
  }
  return noErr;
}

OSStatus CountCall(void* counter, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32, AudioBufferList*) {
  static_cast<std::atomic<int>*>(counter)->fetch_add(1, std::memory_order_relaxed);
  return noErr;
}

AudioUnit OpenReadyUnit() {
  ComponentDescription cd = {kAudioUnitType_Effect, static_cast<OSType>(kCorvaneUniqueID),
                             static_cast<OSType>(kCorvaneUniqueID), 0, 0};
  static Component component = RegisterComponentEntry(&cd, Corvane_Entry, "Velmora: Corvane");
  AudioUnit unit = nullptr;
  if (OpenAComponent(component, &unit) != noErr) return nullptr;
  AudioStreamBasicDescription asbd;
  IPlugAU::MakeDefaultASBD(&asbd, 44100.0, 2, false);
  AURenderCallbackStruct input = {SineInput, nullptr};
  UInt32 maxFrames = kFrames;
  if (AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, &asbd, sizeof asbd) ||
      AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, &asbd, sizeof asbd) ||
      AudioUnitSetProperty(unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, &maxFrames,
                           sizeof maxFrames) ||
      AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &input,
                           sizeof input) ||
      AudioUnitInitialize(unit)) {
    CloseComponent(unit);
    return nullptr;
  }
  return unit;
}

TEST(CorvaneLiveSession, RenderHostAndEditorThreadsAtOnce) {
  AudioUnit unit = OpenReadyUnit();
  ASSERT_NE(unit, nullptr);
  void* storage = GetComponentInstanceStorage(unit);  // what fast dispatch is called with
  auto* plug = static_cast<Corvane*>(reinterpret_cast<IPlugBase*>(storage));
  AudioUnitRenderProc render = nullptr;
  UInt32 size = sizeof render;
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global,
                                 kAudioUnitRenderSelect, &render, &size), noErr);

  std::atomic<bool> hostDone{false};
  std::atomic<int> kept{0}, churned{0};  // calls of a lasting and of a passing render notification
  ASSERT_EQ(AudioUnitAddRenderNotify(unit, CountCall, &kept), noErr);

  int renderFailures = 0, blocks = 0;
  double energy = 0.0;
  bool finite = true;
  std::thread renderThread([&] {
    std::vector<float> left(kFrames), right(kFrames);
    AudioTimeStamp ts = {};
    ts.mFlags = kAudioTimeStampSampleTimeValid;
    for (; !hostDone.load() || blocks < 200; ++blocks) {
      struct {
        UInt32 n;
        AudioBuffer b[2];
      } list = {2, {{1, kFrames * 4, left.data()}, {1, kFrames * 4, right.data()}}};
      AudioUnitRenderActionFlags flags = 0;
      const OSStatus status = rtguard::Realtime(rtguard::kAuRender, [&] {
        return render(storage, &flags, &ts, 0, kFrames, reinterpret_cast<AudioBufferList*>(&list));
      });
      if (status != noErr) ++renderFailures;
      for (UInt32 t = 0; t < kFrames; ++t) {
        finite = finite && std::isfinite(left[t]) && std::isfinite(right[t]);
        energy += left[t] * left[t];
      }
      ts.mSampleTime += kFrames;
    }
  });

  int draws = 0;
  std::thread editorThread([&] {
    IGraphics* editor = plug->Editor();
    // Until the host is done and at least one redraw has happened (a busy
    // machine may give this thread no turn before the host's calls end).
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!hostDone.load() || (draws == 0 && std::chrono::steady_clock::now() < giveUp)) {
      editor->ApplyPlugUpdates();
      IRECT dirty;
      if (editor->IsDirty(&dirty)) {
        editor->Draw(&dirty);
        ++draws;
      }
      std::this_thread::yield();
    }
  });

  int hostFailures = 0;
  CFPropertyListRef saved = nullptr;
  for (int i = 0; i < 300; ++i) {
    hostFailures += AudioUnitSetParameter(unit, kTransient, kAudioUnitScope_Global, 0, (i % 10) / 10.0f, 0) != noErr;
    hostFailures += AudioUnitSetParameter(unit, kMode1 + i % 3, kAudioUnitScope_Global, 0, 1.0f, 0) != noErr;
    hostFailures += AudioUnitSetParameter(unit, kSoloTransient + i % 2, kAudioUnitScope_Global, 0, i % 4 < 2, 0) != noErr;
    if (i % 20 == 0) {
      AUPreset preset = {i % kCorvaneNumPresets, nullptr};
      hostFailures += AudioUnitSetProperty(unit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0,
                                           &preset, sizeof preset) != noErr;
    }
    if (i % 30 == 0) {
      if (saved) CFRelease(saved);
      size = sizeof saved;
      hostFailures += AudioUnitGetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &saved,
                                           &size) != noErr;
    }
    if (i % 30 == 15)
      hostFailures += AudioUnitSetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &saved,
                                           sizeof saved) != noErr;
    if (i % 2 == 0)
      hostFailures += AudioUnitAddRenderNotify(unit, CountCall, &churned) != noErr;
    else
      hostFailures += AudioUnitRemoveRenderNotify(unit, CountCall, &churned) != noErr;
    std::this_thread::yield();
  }
  // The last state saved restores whole while audio runs.
  hostFailures += AudioUnitSetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &saved,
                                       sizeof saved) != noErr;
  hostDone.store(true);
  renderThread.join();
  editorThread.join();

  EXPECT_EQ(hostFailures, 0);
  EXPECT_EQ(renderFailures, 0);
  EXPECT_TRUE(finite);
  EXPECT_GT(energy, 0.0);
  EXPECT_GT(draws, 0);
  // The lasting notification was heard before and after every render; the
  // passing one was removed as often as added.
  EXPECT_EQ(kept.load(), 2 * blocks);
  const int churnedBefore = churned.load();
  AudioUnitRenderActionFlags flags = 0;
  AudioTimeStamp ts = {};
  ts.mFlags = kAudioTimeStampSampleTimeValid;
  std::vector<float> left(kFrames), right(kFrames);
  struct {
    UInt32 n;
    AudioBuffer b[2];
  } list = {2, {{1, kFrames * 4, left.data()}, {1, kFrames * 4, right.data()}}};
  ASSERT_EQ(render(storage, &flags, &ts, 0, kFrames, reinterpret_cast<AudioBufferList*>(&list)), noErr);
  EXPECT_EQ(churned.load(), churnedBefore);
  // The editor, brought up to date, shows the mode the engine plays.
  plug->Editor()->ApplyPlugUpdates();
  for (int m = 1; m <= 3; ++m)
    EXPECT_EQ(plug->ModeButton(m)->GetValue(), m == plug->Engine().GetMode() ? 1.0 : 0.0) << m;

  CFRelease(saved);
  AudioUnitRemoveRenderNotify(unit, CountCall, &kept);
  EXPECT_EQ(CloseComponent(unit), noErr);
}

}  // namespace
