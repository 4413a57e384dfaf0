#include "tests/au/TestAUPlug.h"

#include <cstring>

namespace au_test {

bool gCreateEditor = false;

namespace {

IPlugInstanceInfo MakeInfo() {
  IPlugInstanceInfo info;
  info.mOSXBundleID.Set("com.Test.audiounit.TestAUPlug");
  info.mCocoaViewFactoryClassName.Set("TestAUPlug_View");
  return info;
}

IPlugAU* MakeTestPlug() { return new TestAUPlug(MakeInfo()); }
IPlugAU* MakeSource() { return new TestSource(MakeInfo()); }

Component Register(OSType subtype, ComponentRoutineUPP entry, const char* name) {
  ComponentDescription cd = {kAudioUnitType_Effect, subtype, kTestMfr, 0, 0};
  return RegisterComponentEntry(&cd, entry, name);
}

}  // namespace

TestAUPlug::TestAUPlug(const IPlugInstanceInfo& info)
    : IPlugAU(info, kNumTestParams, "1-1 2-2", 3, "TestAUPlug", "", "TestMfr", kTestVersion,
              static_cast<int>(kTestSubtype), static_cast<int>(kTestMfr), kTestLatency),
      mRing(2 * kTestLatency, 0.0) {
  GetParam(kGain)->InitDouble("Gain", 1.0, 0.0, 2.0, 0.01, "x", "Levels");
  GetParam(kMode)->InitEnum("Mode", 0, 3, "", "Character");
  GetParam(kMode)->SetDisplayText(0, "Soft");
  GetParam(kMode)->SetDisplayText(1, "Medium");
  GetParam(kMode)->SetDisplayText(2, "Hard");
  GetParam(kActive)->InitBool("Active", true, "", "Levels");
  GetParam(kSteps)->InitInt("Steps", 3, 0, 10);
  GetParam(kTrim)->InitDouble("Output Trim Level In Decibels", 0.0, -12.0, 12.0, 0.1, "dB");
  GetParam(kTrim)->SetCanAutomate(false);
  MakePreset("Unity", 1.0, 0, 1, 3, 0.0);
  MakePreset("Half", 0.5, 1, 1, 5, -6.0);
  MakePreset("Silent", 0.0, 2, 0, 0, 0.0);
  if (gCreateEditor) AttachGraphics(new RecordingEditor);
}

void TestAUPlug::OnParamChange(int idx) {
  WDL_MutexLock lock(&mMutex);
  paramChanges.push_back(idx);
  if (idx == kGain) gain.store(GetParam(kGain)->Value());
}

void TestAUPlug::ProcessDoubleReplacing(double** in, double** out, int nFrames) {
  const double g = gain.load();
  int pos = mPos;
  for (int ch = 0; ch < 2; ++ch) {
    double* ring = mRing.data() + ch * kTestLatency;
    pos = mPos;
    for (int t = 0; t < nFrames; ++t) {
      const double x = in[ch][t];
      out[ch][t] = g * ring[pos];
      ring[pos] = x;
      if (++pos == kTestLatency) pos = 0;
    }
  }
  mPos = pos;
  framesProcessed.fetch_add(nFrames);
}

TestSource::TestSource(const IPlugInstanceInfo& info)
    : IPlugAU(info, 0, "0-1 0-2", 0, "TestSource", "", "TestMfr", kTestVersion,
              static_cast<int>(kSourceSubtype), static_cast<int>(kTestMfr), 0) {}

void TestSource::ProcessDoubleReplacing(double**, double** out, int nFrames) {
  for (int t = 0; t < nFrames; ++t) {
    out[0][t] = next;
    out[1][t] = -next;
    next += 1.0;
  }
}

extern "C" ComponentResult TestAUPlug_Entry(ComponentParameters* params, Handle storage) {
  return IPlugAU::IPlugAUEntry(params, storage, MakeTestPlug);
}

extern "C" ComponentResult TestSource_Entry(ComponentParameters* params, Handle storage) {
  return IPlugAU::IPlugAUEntry(params, storage, MakeSource);
}

extern "C" ComponentResult TestSourceNoFast_Entry(ComponentParameters* params, Handle storage) {
  if (params && params->what == kAudioUnitGetPropertySelect &&
      params->params[4] == kAudioUnitProperty_FastDispatch)
    return kAudioUnitErr_InvalidProperty;
  return IPlugAU::IPlugAUEntry(params, storage, MakeSource);
}

Component TestComponent() {
  static Component c = Register(kTestSubtype, TestAUPlug_Entry, "Test: TestAUPlug");
  return c;
}
Component SourceComponent() {
  static Component c = Register(kSourceSubtype, TestSource_Entry, "Test: TestSource");
  return c;
}
Component SourceNoFastComponent() {
  static Component c = Register(0x54734e46 /* 'TsNF' */, TestSourceNoFast_Entry, "Test: NoFast");
  return c;
}

TestAUPlug* PlugOf(AudioUnit unit) {
  return reinterpret_cast<TestAUPlug*>(GetComponentInstanceStorage(unit));
}

AudioStreamBasicDescription FloatFormat(int nChannels, double sampleRate) {
  AudioStreamBasicDescription asbd;
  IPlugAU::MakeDefaultASBD(&asbd, sampleRate, nChannels, false);
  return asbd;
}

AudioTimeStamp SampleTimeStamp(double sampleTime) {
  AudioTimeStamp ts;
  std::memset(&ts, 0, sizeof(ts));
  ts.mSampleTime = sampleTime;
  ts.mFlags = kAudioTimeStampSampleTimeValid;
  return ts;
}

HostBuffers::HostBuffers(int nChannels, int nFrames, bool nullData)
    : mChannels(nChannels),
      mFrames(nFrames),
      mStorage(sizeof(AudioBufferList) + sizeof(AudioBuffer) * (nChannels > 1 ? nChannels - 1 : 0)),
      mData(nChannels, std::vector<float>(nFrames > 0 ? nFrames : 1, 0.0f)) {
  Reset(nullData);
}

void HostBuffers::Reset(bool nullData) {
  AudioBufferList* list = List();
  list->mNumberBuffers = static_cast<UInt32>(mChannels);
  for (int i = 0; i < mChannels; ++i) {
    list->mBuffers[i].mNumberChannels = 1;
    list->mBuffers[i].mDataByteSize = static_cast<UInt32>(sizeof(float) * mFrames);
    list->mBuffers[i].mData = nullData ? nullptr : mData[i].data();
  }
}

}  // namespace au_test
