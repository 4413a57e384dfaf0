#pragma once
// Hosts one Audio Unit effect the way a DAW does, through the host-side
// Audio Unit calls only: open the component, negotiate mono or stereo
// stream formats, set the maximum frames, feed input through a render
// callback, initialize, render with advancing time stamps, and read or set
// parameters, presets and state.
//
// Not thread-safe: one thread configures and renders an instance (several
// instances may run on several threads at once).
#include <AudioUnit/AudioUnit.h>
#include <CoreFoundation/CoreFoundation.h>
#include <CoreServices/CoreServices.h>

#include <string>
#include <vector>

struct AUHostParameter {
  int index = 0;
  std::string name;  // "" for a parameter without a name
  float minValue = 0, maxValue = 0, defaultValue = 0;
  AudioUnitParameterOptions flags = 0;
};

class AUHost {
public:
  AUHost() = default;
  ~AUHost();
  AUHost(const AUHost&) = delete;
  AUHost& operator=(const AUHost&) = delete;

  // Opens an instance of the component; false (and *error) on failure.
  bool Open(Component component, std::string* error);
  // Stream formats (1 or 2 channels in and out, 32-bit float), maximum
  // frames per render call, the input callback, then initialize.
  bool Configure(int nChannels, double sampleRate, int maxFrames, std::string* error);
  void Close();

  // Latency reported by the unit, in samples at the configured rate.
  int LatencySamples() const;
  int NumParameters() const;
  bool Parameter(int index, AUHostParameter* info) const;
  float GetParameter(int index) const;
  OSStatus SetParameter(int index, float value);
  // The unit's display text for the parameter's current value.
  std::string DisplayText(int index) const;

  std::vector<std::string> FactoryPresets() const;
  // Selects a factory preset by number (the present preset).
  OSStatus SelectPreset(int number);
  // Number of the current preset; *name (optional) gets its name.
  int CurrentPreset(std::string* name = nullptr) const;

  // The class-info dictionary (the caller releases it), or null and *status.
  CFPropertyListRef CopyState(OSStatus* status) const;
  OSStatus RestoreState(CFPropertyListRef state);
  // The unit's own component description (type, subtype, manufacturer).
  ComponentDescription Description() const { return mDescription; }

  // Renders nFrames (at most the configured maximum) of in into out, one
  // pointer per channel; out may alias in. Allocates nothing.
  OSStatus Render(const float* const* in, float* const* out, int nFrames);
  // Starts the time stamps again at sample 0 and resets the unit.
  void Reset();

  AudioUnit Unit() const { return mUnit; }
  int Channels() const { return mChannels; }
  int MaxFrames() const { return mMaxFrames; }
  double SampleRate() const { return mSampleRate; }

private:
  static OSStatus InputProc(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32 bus,
                            UInt32 nFrames, AudioBufferList* ioData);
  AudioBufferList* OutputList() { return reinterpret_cast<AudioBufferList*>(mListStorage.data()); }

  AudioUnit mUnit = nullptr;
  ComponentDescription mDescription = {};
  int mChannels = 0, mMaxFrames = 0;
  double mSampleRate = 44100.0;
  double mSampleTime = 0.0;
  const float* const* mInput = nullptr;  // valid during Render only
  AudioUnitRenderProc mRenderProc = nullptr;  // the unit's fast-dispatch render, when it has one
  void* mRenderStorage = nullptr;             // what it is called with
  std::vector<unsigned char> mListStorage;
};
