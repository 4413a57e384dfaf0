// Retain counts and event listeners used from several threads at once.
#include <AudioToolbox/AudioToolbox.h>
#include <CoreFoundation/CFDebugCounters.h>
#include <CoreFoundation/CoreFoundation.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(PlatformThreads, ConcurrentRetainReleaseKeepsCountsExact) {
  const CFIndex live = CFLiveObjectCount();
  CFStringRef shared = CFStringCreateWithCString(nullptr, "shared", kCFStringEncodingUTF8);
  CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 2000; ++i) {
        CFRetain(shared);
        CFRelease(shared);
        // Objects created and freed on each thread.
        CFArrayRef local = CFArrayCreate(nullptr, reinterpret_cast<const void**>(&shared), 1, &kCFTypeArrayCallBacks);
        CFRelease(local);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(CFGetRetainCount(shared), 1);
  CFArrayAppendValue(array, shared);
  CFRelease(shared);
  // The last owner may be another thread: the array's release frees the string there.
  std::thread([array] { CFRelease(array); }).join();
  EXPECT_EQ(CFLiveObjectCount(), live);
}

std::atomic<int> gDelivered{0};
void Count(void*, void*, const AudioUnitEvent*, UInt64, AudioUnitParameterValue) { gDelivered.fetch_add(1); }

TEST(PlatformThreads, NotifyWhileOtherThreadsRegisterAndDispose) {
  AUEventListenerRef listener = nullptr;
  ASSERT_EQ(AUEventListenerCreate(Count, nullptr, nullptr, nullptr, 0, 0, &listener), noErr);
  AudioUnitEvent event = {};
  event.mEventType = kAudioUnitEvent_BeginParameterChangeGesture;
  event.mArgument.mParameter = {nullptr, 1, kAudioUnitScope_Global, 0};
  ASSERT_EQ(AUEventListenerAddEventType(listener, nullptr, &event), noErr);

  std::atomic<bool> stop{false};
  std::thread churn([&] {
    while (!stop.load()) {
      AUEventListenerRef temporary = nullptr;
      AUEventListenerCreate(Count, nullptr, nullptr, nullptr, 0, 0, &temporary);
      AUEventListenerAddEventType(temporary, nullptr, &event);
      AUListenerDispose(temporary);
    }
  });
  std::vector<std::thread> senders;
  for (int t = 0; t < 2; ++t)
    senders.emplace_back([&] {
      for (int i = 0; i < 500; ++i) AUEventListenerNotify(nullptr, nullptr, &event);
    });
  for (auto& sender : senders) sender.join();
  stop.store(true);
  churn.join();
  CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, false);  // the listeners' loop: this thread's
  EXPECT_GE(gDelivered.load(), 1000);  // the permanent listener saw every one
  EXPECT_EQ(AUListenerDispose(listener), noErr);
}

}  // namespace
