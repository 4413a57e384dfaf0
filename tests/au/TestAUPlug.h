#pragma once
// A small plug-in on the AU adapter, registered as components, and the
// buffers and formats a host hands it. The fixture that hosts it through the
// host-side calls is in AUHostTest.h; the scripted random hosts of the
// fuzzers in AUEntryScript.h, AUStateScript.h and AUPresetFileScript.h.
//
// TestAUPlug: parameters of every type, a gain applied to the input delayed
// by its latency of 64 samples (a look-ahead effect), three presets. The gain
// the audio thread reads is an atomic copy written by OnParamChange.
// TestSource: a generator (no inputs) that writes a ramp counting from the
// sample time, used as an upstream unit.
#include <AudioToolbox/AudioToolbox.h>
#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CFDebugCounters.h>
#include <CoreServices/ComponentRegistry.h>
#include <CoreServices/CoreServices.h>

#include <atomic>
#include <vector>

#include "host/au/IPlugAU.h"

namespace au_test {

constexpr OSType kTestSubtype = 0x54734155;  // 'TsAU'
constexpr OSType kSourceSubtype = 0x54735372;  // 'TsSr'
constexpr OSType kTestMfr = 0x54657374;      // 'Test'
constexpr int kTestLatency = 64;
constexpr int kTestVersion = 0x00010203;

enum ETestParams { kGain = 0, kMode, kActive, kSteps, kTrim, kNumTestParams };

// When set before a unit is opened, the plug-in gets a recording editor.
extern bool gCreateEditor;

class RecordingEditor : public IGraphicsLink {
public:
  struct Push {
    int idx;
    double value;
    bool normalized;
  };
  void SetParameterFromPlug(int idx, double value, bool normalized) override {
    pushes.push_back({idx, value, normalized});
  }
  void PrepDraw() override {}
  void ApplyPlugUpdates() override {}
  std::vector<Push> pushes;
};

class TestAUPlug : public IPlugAU {
public:
  explicit TestAUPlug(const IPlugInstanceInfo& info);

  void OnParamChange(int idx) override;
  void Reset() override { ++resets; }
  void OnActivate(bool active) override { activations.push_back(active); }
  void ProcessDoubleReplacing(double** in, double** out, int nFrames) override;
  void ProcessMidiMsg(IMidiMsg* pMsg) override { midi.push_back(*pMsg); }
  void ProcessSysEx(ISysEx* pSysEx) override { sysExSizes.push_back(pSysEx->mSize); }

  RecordingEditor* Editor() { return static_cast<RecordingEditor*>(GetGUI()); }
  WDL_Mutex& Mutex() { return mMutex; }

  std::atomic<double> gain{1.0};
  std::vector<int> paramChanges;
  std::vector<bool> activations;
  int resets = 0;
  std::vector<IMidiMsg> midi;   // the instrument calls, as they reached the plug-in
  std::vector<int> sysExSizes;
  std::atomic<long> framesProcessed{0};

private:
  std::vector<double> mRing;  // kTestLatency samples per channel
  int mPos = 0;
};

class TestSource : public IPlugAU {
public:
  explicit TestSource(const IPlugInstanceInfo& info);
  void ProcessDoubleReplacing(double** in, double** out, int nFrames) override;
  double next = 0.0;
};

extern "C" ComponentResult TestAUPlug_Entry(ComponentParameters* params, Handle storage);
extern "C" ComponentResult TestSource_Entry(ComponentParameters* params, Handle storage);
// The same source, but it refuses to hand out its fast render function.
extern "C" ComponentResult TestSourceNoFast_Entry(ComponentParameters* params, Handle storage);

// Registered once per process.
Component TestComponent();
Component SourceComponent();
Component SourceNoFastComponent();

// The plug-in object behind an open instance.
TestAUPlug* PlugOf(AudioUnit unit);

AudioStreamBasicDescription FloatFormat(int nChannels, double sampleRate = 44100.0);
AudioTimeStamp SampleTimeStamp(double sampleTime);

// Non-interleaved float buffers the host owns, behind an AudioBufferList.
class HostBuffers {
public:
  HostBuffers(int nChannels, int nFrames, bool nullData = false);
  AudioBufferList* List() { return reinterpret_cast<AudioBufferList*>(mStorage.data()); }
  float* Channel(int ch) { return static_cast<float*>(List()->mBuffers[ch].mData); }
  void Reset(bool nullData = false);

private:
  int mChannels, mFrames;
  std::vector<unsigned char> mStorage;
  std::vector<std::vector<float>> mData;
};

}  // namespace au_test
