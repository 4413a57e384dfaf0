#include "tools/auhost/AUHost.h"

#include <cmath>
#include <cstring>

namespace {

std::string StatusText(const char* what, OSStatus status) {
  return std::string(what) + " failed (status " + std::to_string(static_cast<int>(status)) + ")";
}

std::string Utf8(CFStringRef s) {
  if (!s) return std::string();
  char buf[256] = {};
  return CFStringGetCString(s, buf, sizeof buf, kCFStringEncodingUTF8) ? std::string(buf) : std::string();
}

AudioStreamBasicDescription FloatFormat(int nChannels, double sampleRate) {
  AudioStreamBasicDescription asbd = {};
  asbd.mSampleRate = sampleRate;
  asbd.mFormatID = kAudioFormatLinearPCM;
  asbd.mFormatFlags = kAudioFormatFlagsNativeFloatPacked | kAudioFormatFlagIsNonInterleaved;
  asbd.mBytesPerPacket = 4;
  asbd.mFramesPerPacket = 1;
  asbd.mBytesPerFrame = 4;
  asbd.mChannelsPerFrame = static_cast<UInt32>(nChannels);
  asbd.mBitsPerChannel = 32;
  return asbd;
}

}  // namespace

AUHost::~AUHost() { Close(); }

bool AUHost::Open(Component component, std::string* error) {
  Close();
  OSErr err = OpenAComponent(component, &mUnit);
  if (err != noErr || !mUnit) {
    mUnit = nullptr;
    *error = StatusText("opening the audio unit", err);
    return false;
  }
  GetComponentInfo(reinterpret_cast<Component>(mUnit), &mDescription, nullptr, nullptr, nullptr);
  return true;
}

bool AUHost::Configure(int nChannels, double sampleRate, int maxFrames, std::string* error) {
  if (!mUnit) {
    *error = "no audio unit is open";
    return false;
  }
  if (nChannels < 1 || nChannels > 2 || maxFrames < 1 || !(sampleRate > 0.0)) {
    *error = "unsupported configuration";
    return false;
  }
  AudioUnitUninitialize(mUnit);
  const AudioStreamBasicDescription asbd = FloatFormat(nChannels, sampleRate);
  for (AudioUnitScope scope : {kAudioUnitScope_Input, kAudioUnitScope_Output}) {
    OSStatus s = AudioUnitSetProperty(mUnit, kAudioUnitProperty_StreamFormat, scope, 0, &asbd, sizeof asbd);
    if (s != noErr) {
      *error = "the unit refuses " + std::to_string(nChannels) + "-channel audio at " +
               std::to_string(static_cast<int>(sampleRate)) + " Hz (status " + std::to_string(static_cast<int>(s)) + ")";
      return false;
    }
  }
  const UInt32 frames = static_cast<UInt32>(maxFrames);
  OSStatus s = AudioUnitSetProperty(mUnit, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0,
                                    &frames, sizeof frames);
  if (s != noErr) {
    *error = StatusText("setting the maximum frames", s);
    return false;
  }
  AURenderCallbackStruct cb = {&AUHost::InputProc, this};
  s = AudioUnitSetProperty(mUnit, kAudioUnitProperty_SetRenderCallback, kAudioUnitScope_Input, 0, &cb, sizeof cb);
  if (s != noErr) {
    *error = StatusText("setting the input callback", s);
    return false;
  }
  s = AudioUnitInitialize(mUnit);
  if (s != noErr) {
    *error = StatusText("initializing the audio unit", s);
    return false;
  }
  // Renders go through the unit's fast-dispatch render function, as hosts
  // do: the component entry would take the plug-in's lock for every block.
  UInt32 procSize = sizeof mRenderProc;
  if (AudioUnitGetProperty(mUnit, kAudioUnitProperty_FastDispatch, kAudioUnitScope_Global, kAudioUnitRenderSelect,
                           &mRenderProc, &procSize) != noErr)
    mRenderProc = nullptr;
  mRenderStorage = GetComponentInstanceStorage(mUnit);
  mChannels = nChannels;
  mMaxFrames = maxFrames;
  mSampleRate = sampleRate;
  mSampleTime = 0.0;
  mListStorage.assign(offsetof(AudioBufferList, mBuffers) + sizeof(AudioBuffer) * 2, 0);
  return true;
}

void AUHost::Close() {
  if (!mUnit) return;
  AudioUnitUninitialize(mUnit);
  CloseComponent(mUnit);
  mUnit = nullptr;
  mChannels = 0;
}

int AUHost::LatencySamples() const {
  Float64 seconds = 0.0;
  UInt32 size = sizeof seconds;
  if (!mUnit ||
      AudioUnitGetProperty(mUnit, kAudioUnitProperty_Latency, kAudioUnitScope_Global, 0, &seconds, &size) != noErr)
    return 0;
  return static_cast<int>(std::lround(seconds * mSampleRate));
}

int AUHost::NumParameters() const {
  UInt32 size = 0;
  Boolean writable = false;
  if (!mUnit || AudioUnitGetPropertyInfo(mUnit, kAudioUnitProperty_ParameterList, kAudioUnitScope_Global, 0, &size,
                                         &writable) != noErr)
    return 0;
  return static_cast<int>(size / sizeof(AudioUnitParameterID));
}

bool AUHost::Parameter(int index, AUHostParameter* info) const {
  AudioUnitParameterInfo p = {};
  UInt32 size = sizeof p;
  if (!mUnit || index < 0 ||
      AudioUnitGetProperty(mUnit, kAudioUnitProperty_ParameterInfo, kAudioUnitScope_Global,
                           static_cast<AudioUnitElement>(index), &p, &size) != noErr)
    return false;
  info->index = index;
  info->name = (p.flags & kAudioUnitParameterFlag_HasCFNameString) ? Utf8(p.cfNameString)
                                                                     : std::string(p.name, strnlen(p.name, sizeof p.name));
  if ((p.flags & kAudioUnitParameterFlag_HasCFNameString) && (p.flags & kAudioUnitParameterFlag_CFNameRelease) &&
      p.cfNameString)
    CFRelease(p.cfNameString);
  info->minValue = p.minValue;
  info->maxValue = p.maxValue;
  info->defaultValue = p.defaultValue;
  info->flags = p.flags;
  return true;
}

float AUHost::GetParameter(int index) const {
  AudioUnitParameterValue v = 0.0f;
  if (mUnit) AudioUnitGetParameter(mUnit, static_cast<AudioUnitParameterID>(index), kAudioUnitScope_Global, 0, &v);
  return v;
}

OSStatus AUHost::SetParameter(int index, float value) {
  if (!mUnit) return kAudioUnitErr_Uninitialized;
  return AudioUnitSetParameter(mUnit, static_cast<AudioUnitParameterID>(index), kAudioUnitScope_Global, 0, value, 0);
}

std::string AUHost::DisplayText(int index) const {
  AudioUnitParameterValue v = GetParameter(index);
  AudioUnitParameterStringFromValue record = {static_cast<AudioUnitParameterID>(index), &v, nullptr};
  UInt32 size = sizeof record;
  if (!mUnit || AudioUnitGetProperty(mUnit, kAudioUnitProperty_ParameterStringFromValue, kAudioUnitScope_Global, 0,
                                     &record, &size) != noErr)
    return std::string();
  std::string text = Utf8(record.outString);
  if (record.outString) CFRelease(record.outString);
  return text;
}

std::vector<std::string> AUHost::FactoryPresets() const {
  std::vector<std::string> names;
  CFArrayRef presets = nullptr;
  UInt32 size = sizeof presets;
  if (!mUnit || AudioUnitGetProperty(mUnit, kAudioUnitProperty_FactoryPresets, kAudioUnitScope_Global, 0, &presets,
                                     &size) != noErr || !presets)
    return names;
  for (CFIndex i = 0; i < CFArrayGetCount(presets); ++i) {
    const AUPreset* preset = static_cast<const AUPreset*>(CFArrayGetValueAtIndex(presets, i));
    names.push_back(preset ? Utf8(preset->presetName) : std::string());
  }
  CFRelease(presets);
  return names;
}

OSStatus AUHost::SelectPreset(int number) {
  if (!mUnit) return kAudioUnitErr_Uninitialized;
  AUPreset preset = {number, nullptr};
  return AudioUnitSetProperty(mUnit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, &preset,
                              sizeof preset);
}

int AUHost::CurrentPreset(std::string* name) const {
  AUPreset preset = {-1, nullptr};
  UInt32 size = sizeof preset;
  if (!mUnit || AudioUnitGetProperty(mUnit, kAudioUnitProperty_PresentPreset, kAudioUnitScope_Global, 0, &preset,
                                     &size) != noErr)
    return -1;
  if (name) *name = Utf8(preset.presetName);
  if (preset.presetName) CFRelease(preset.presetName);
  return static_cast<int>(preset.presetNumber);
}

CFPropertyListRef AUHost::CopyState(OSStatus* status) const {
  CFPropertyListRef state = nullptr;
  UInt32 size = sizeof state;
  *status = mUnit ? AudioUnitGetProperty(mUnit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &state, &size)
                  : kAudioUnitErr_Uninitialized;
  return *status == noErr ? state : nullptr;
}

OSStatus AUHost::RestoreState(CFPropertyListRef state) {
  if (!mUnit) return kAudioUnitErr_Uninitialized;
  return AudioUnitSetProperty(mUnit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &state, sizeof state);
}

OSStatus AUHost::InputProc(void* refCon, AudioUnitRenderActionFlags*, const AudioTimeStamp*, UInt32, UInt32 nFrames,
                           AudioBufferList* ioData) {
  AUHost* self = static_cast<AUHost*>(refCon);
  if (!self->mInput || !ioData) return kAudioUnitErr_InvalidPropertyValue;
  for (UInt32 ch = 0; ch < ioData->mNumberBuffers && ch < static_cast<UInt32>(self->mChannels); ++ch) {
    AudioBuffer& b = ioData->mBuffers[ch];
    if (b.mData)
      std::memcpy(b.mData, self->mInput[ch], nFrames * sizeof(float));
    else
      b.mData = const_cast<float*>(self->mInput[ch]);
    b.mDataByteSize = nFrames * sizeof(float);
  }
  return noErr;
}

OSStatus AUHost::Render(const float* const* in, float* const* out, int nFrames) {
  if (!mUnit || mChannels == 0) return kAudioUnitErr_Uninitialized;
  if (nFrames < 0 || nFrames > mMaxFrames) return kAudioUnitErr_TooManyFramesToProcess;
  if (nFrames == 0) return noErr;
  AudioBufferList* list = OutputList();
  list->mNumberBuffers = static_cast<UInt32>(mChannels);
  for (int ch = 0; ch < mChannels; ++ch) {
    list->mBuffers[ch].mNumberChannels = 1;
    list->mBuffers[ch].mDataByteSize = static_cast<UInt32>(nFrames) * sizeof(float);
    list->mBuffers[ch].mData = out[ch];
  }
  AudioTimeStamp ts = {};
  ts.mSampleTime = mSampleTime;
  ts.mFlags = kAudioTimeStampSampleTimeValid;
  AudioUnitRenderActionFlags flags = 0;
  mInput = in;
  OSStatus s = mRenderProc ? mRenderProc(mRenderStorage, &flags, &ts, 0, static_cast<UInt32>(nFrames), list)
                          : AudioUnitRender(mUnit, &flags, &ts, 0, static_cast<UInt32>(nFrames), list);
  mInput = nullptr;
  mSampleTime += nFrames;
  // The unit may have pointed the buffers at its own memory.
  for (int ch = 0; ch < mChannels && s == noErr; ++ch)
    if (list->mBuffers[ch].mData != out[ch])
      std::memmove(out[ch], list->mBuffers[ch].mData, static_cast<size_t>(nFrames) * sizeof(float));
  return s;
}

void AUHost::Reset() {
  if (mUnit) AudioUnitReset(mUnit, kAudioUnitScope_Global, 0);
  mSampleTime = 0.0;
}
