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
#include <cstdio>
#include <thread>
#include <vector>

#include "editor/Bouton.h"
#include "plugin/Corvane.h"
#include "gui/IGraphics.h"
#include "tests/plugin/ReadyUnit.h"
#include "tests/support/rtguard/RealtimeScope.h"

namespace {

constexpr UInt32 kFrames = 64;

OSStatus CountCall(void* counter, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32, AudioBufferList*) {
  static_cast<std::atomic<int>*>(counter)->fetch_add(1, std::memory_order_relaxed);
  return noErr;
}

TEST(CorvaneLiveSession, RenderHostAndEditorThreadsAtOnce) {
  AudioUnit unit = corvane_test::OpenReadyUnit(kFrames);
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

  // The host's automation on the render thread, through the fast-dispatch
  // set-parameter function, which takes the plug-in's lock: how long it
  // waits at worst (printed; the lock is held only for short work now that
  // no host listener runs under it).
  AudioUnitSetParameterProc setParam = nullptr;
  size = sizeof setParam;
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global,
                                 kAudioUnitSetParameterSelect, &setParam, &size), noErr);
  double longestSetParam = 0.0;

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
      const auto before = std::chrono::steady_clock::now();
      if (setParam(storage, kSensitivity, kAudioUnitScope_Global, 0, (blocks % 10) / 10.0f, 0) != noErr) ++renderFailures;
      const std::chrono::duration<double> waited = std::chrono::steady_clock::now() - before;
      if (waited.count() > longestSetParam) longestSetParam = waited.count();
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

  std::printf("longest fast-dispatch set-parameter call on the render thread: %.1f us\n", longestSetParam * 1e6);
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
