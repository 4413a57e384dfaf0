#pragma once
// A Corvane unit opened and initialized as a DAW does (stereo, 44.1 kHz, a
// sine on the input through the render callback), and its fast-dispatch
// render function, for the tests that run a session.
#include <AudioToolbox/AudioToolbox.h>
#include <AudioUnit/AudioUnit.h>
#include <CoreServices/ComponentRegistry.h>

#include <cmath>
#include <vector>

#include "plugin/Corvane.h"
#include "tests/support/rtguard/RealtimeScope.h"

namespace corvane_test {

inline OSStatus SineInput(void*, AudioUnitRenderActionFlags*, const AudioTimeStamp* ts, UInt32, UInt32 nFrames,
                          AudioBufferList* list) {
  for (UInt32 c = 0; c < list->mNumberBuffers; ++c) {
    float* out = static_cast<float*>(list->mBuffers[c].mData);
    for (UInt32 t = 0; t < nFrames; ++t) out[t] = 0.5f * std::sin(0.02f * static_cast<float>(ts->mSampleTime + t));
  }
  return noErr;
}

// Null when any step fails.
inline AudioUnit OpenReadyUnit(UInt32 maxFrames, AURenderCallback input = SineInput) {
  ComponentDescription cd = {kAudioUnitType_Effect, static_cast<OSType>(kCorvaneUniqueID),
                             static_cast<OSType>(kCorvaneUniqueID), 0, 0};
  static Component component = RegisterComponentEntry(&cd, Corvane_Entry, "Velmora: Corvane");
  AudioUnit unit = nullptr;
  if (OpenAComponent(component, &unit) != noErr) return nullptr;
  AudioStreamBasicDescription asbd;
  IPlugAU::MakeDefaultASBD(&asbd, 44100.0, 2, false);
  AURenderCallbackStruct callback = {input, nullptr};
  if (AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 0, &asbd, sizeof asbd) ||
      AudioUnitSetProperty(unit, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 0, &asbd, sizeof asbd) ||
      AudioUnitSetProperty(unit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0, &maxFrames,
                           sizeof maxFrames) ||
      AudioUnitSetProperty(unit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &callback,
                           sizeof callback) ||
      AudioUnitInitialize(unit)) {
    CloseComponent(unit);
    return nullptr;
  }
  return unit;
}

inline Corvane* PlugOf(AudioUnit unit) {
  return static_cast<Corvane*>(reinterpret_cast<IPlugBase*>(GetComponentInstanceStorage(unit)));
}

// Renders through the unit's fast-dispatch render function, as a host's
// render thread does, into two channels of its own.
class FastRender {
public:
  FastRender(AudioUnit unit, UInt32 frames)
      : mStorage(GetComponentInstanceStorage(unit)), mFrames(frames), mLeft(frames), mRight(frames) {
    UInt32 size = sizeof mRender;
    if (AudioUnitGetProperty(unit, kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global, kAudioUnitRenderSelect,
                             &mRender, &size) != noErr)
      mRender = nullptr;
    mTime.mFlags = kAudioTimeStampSampleTimeValid;
  }
  bool Ok() const { return mRender != nullptr; }
  OSStatus Block() {
    struct {
      UInt32 n;
      AudioBuffer b[2];
    } list = {2, {{1, mFrames * 4, mLeft.data()}, {1, mFrames * 4, mRight.data()}}};
    AudioUnitRenderActionFlags flags = 0;
    const OSStatus s = rtguard::Realtime(rtguard::kAuRender, [&] {
      return mRender(mStorage, &flags, &mTime, 0, mFrames, reinterpret_cast<AudioBufferList*>(&list));
    });
    mTime.mSampleTime += mFrames;
    return s;
  }
  // The host's time line starts again (as after a locate).
  void Restart() { mTime.mSampleTime = 0.0; }
  const std::vector<float>& Left() const { return mLeft; }
  const std::vector<float>& Right() const { return mRight; }

private:
  void* mStorage;
  UInt32 mFrames;
  AudioUnitRenderProc mRender = nullptr;
  AudioTimeStamp mTime = {};
  std::vector<float> mLeft, mRight;
};

}  // namespace corvane_test
