#include "tests/lv2/LV2TestHost.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>

#include <cmath>
#include <cstring>
#include <random>

#include "plugin/Corvane.h"
#include "plugin/CorvaneLV2.h"
#include "tests/support/rtguard/RealtimeScope.h"
#include <memory>

namespace lv2_test {

UridMap::UridMap() {
  mMap.handle = this;
  mMap.map = MapFn;
}

LV2_URID UridMap::Map(const char* uri) {
  std::lock_guard<std::mutex> lock(mLock);
  auto it = mIds.find(uri);
  if (it != mIds.end()) return it->second;
  const LV2_URID id = static_cast<LV2_URID>(mIds.size() + 1);
  mIds[uri] = id;
  return id;
}

LV2_URID UridMap::MapFn(LV2_URID_Map_Handle handle, const char* uri) {
  return static_cast<UridMap*>(handle)->Map(uri);
}

LV2TestInstance::LV2TestInstance(const LV2_Descriptor* desc, double rate, int maxBlock, bool withMap)
    : mDesc(desc), mMaxBlock(maxBlock) {
  int32_t block = maxBlock;
  const LV2_Options_Option options[] = {
      {LV2_OPTIONS_INSTANCE, 0, mMap.Map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t),
       mMap.Map(LV2_ATOM__Int), &block},
      {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
  const LV2_Feature mapFeature = {LV2_URID__map, mMap.Feature()};
  const LV2_Feature optionsFeature = {LV2_OPTIONS__options, const_cast<LV2_Options_Option*>(options)};
  std::vector<const LV2_Feature*> features;
  if (withMap) features.push_back(&mapFeature);
  if (maxBlock > 0) features.push_back(&optionsFeature);
  features.push_back(nullptr);
  mHandle = desc ? desc->instantiate(desc, rate, "/nonexistent/", features.data()) : nullptr;
  if (!mHandle) return;

  const LV2PortLayout& l = Layout();
  mControls.resize(static_cast<size_t>(l.NControls()));
  for (int p = 0; p < l.nParams; ++p) {  // a choice's port: the position of its default
    float& control = mControls[l.Param(p)];
    if (l.ParamOfPort(l.Param(p)) >= 0) control = static_cast<float>(Plug()->GetParam(p)->GetDefault());
  }
  for (int k = 0; k < l.NControls(); ++k) {
    const int c = l.ChoiceOfPort(static_cast<uint32_t>(k));
    if (c >= 0) {
      const IPlugLV2Choice& choice = Plug()->Def()->choices[c];
      for (int j = 0; j < choice.nParams; ++j)
        if (Plug()->GetParam(choice.params[j])->GetDefault() == 1.0) mControls[k] = static_cast<float>(j);
    }
    desc->connect_port(mHandle, static_cast<uint32_t>(k), &mControls[k]);
  }
  desc->connect_port(mHandle, l.Enabled(), &mEnabled);
  desc->connect_port(mHandle, l.Latency(), &mLatency);
  const int frames = maxBlock > 0 ? maxBlock : 4096;
  mIn.assign(l.nIn, std::vector<float>(frames, 0.0f));
  mOut.assign(l.nOut, std::vector<float>(frames, 0.0f));
  for (int c = 0; c < l.nIn; ++c) desc->connect_port(mHandle, l.AudioIn(c), mIn[c].data());
  for (int c = 0; c < l.nOut; ++c) desc->connect_port(mHandle, l.AudioOut(c), mOut[c].data());
}

LV2TestInstance::~LV2TestInstance() {
  if (mHandle) mDesc->cleanup(mHandle);
}

void LV2TestInstance::Activate() { mDesc->activate(mHandle); }

void LV2TestInstance::Deactivate() { mDesc->deactivate(mHandle); }

void LV2TestInstance::Run(int n) {
  rtguard::RealtimeScope realtime(rtguard::kLv2Run);  // the audio class
  mDesc->run(mHandle, static_cast<uint32_t>(n));
}

std::vector<std::vector<float>> LV2TestInstance::Process(const std::vector<std::vector<float>>& in,
                                                         int block, bool inPlace) {
  const LV2PortLayout& l = Layout();
  const size_t total = in.empty() ? 0 : in[0].size();
  std::vector<std::vector<float>> out(l.nOut, std::vector<float>(total, 0.0f));
  std::vector<std::vector<float>> bufIn(l.nIn, std::vector<float>(block)), bufOut(l.nOut, std::vector<float>(block));
  for (int c = 0; c < l.nIn; ++c) mDesc->connect_port(mHandle, l.AudioIn(c), bufIn[c].data());
  for (int c = 0; c < l.nOut; ++c)
    mDesc->connect_port(mHandle, l.AudioOut(c), inPlace && c < l.nIn ? bufIn[c].data() : bufOut[c].data());
  for (size_t pos = 0; pos < total; pos += block) {
    const int n = static_cast<int>(std::min<size_t>(block, total - pos));
    for (int c = 0; c < l.nIn; ++c) std::memcpy(bufIn[c].data(), &in[c][pos], sizeof(float) * n);
    Run(n);
    for (int c = 0; c < l.nOut; ++c) {
      const float* src = inPlace && c < l.nIn ? bufIn[c].data() : bufOut[c].data();
      std::memcpy(&out[c][pos], src, sizeof(float) * n);
    }
  }
  for (int c = 0; c < l.nIn; ++c) mDesc->connect_port(mHandle, l.AudioIn(c), mIn[c].data());
  for (int c = 0; c < l.nOut; ++c) mDesc->connect_port(mHandle, l.AudioOut(c), mOut[c].data());
  return out;
}

LV2_State_Status LV2TestInstance::Store(LV2_State_Handle h, uint32_t key, const void* value,
                                        size_t size, uint32_t type, uint32_t flags) {
  auto* self = static_cast<LV2TestInstance*>(h);
  StoredProperty p;
  p.key = key;
  p.type = type;
  p.flags = flags;
  p.bytes.assign(static_cast<const unsigned char*>(value), static_cast<const unsigned char*>(value) + size);
  self->mSaveTo->push_back(p);
  return LV2_STATE_SUCCESS;
}

const void* LV2TestInstance::Retrieve(LV2_State_Handle h, uint32_t key, size_t* size, uint32_t* type,
                                      uint32_t* flags) {
  auto* self = static_cast<LV2TestInstance*>(h);
  for (const StoredProperty& p : *self->mRestoreFrom) {
    if (p.key != key) continue;
    *size = p.bytes.size();
    *type = p.type;
    *flags = p.flags;
    return p.bytes.data();
  }
  return nullptr;
}

LV2_State_Status LV2TestInstance::Save(std::vector<StoredProperty>* props) {
  const auto* state = static_cast<const LV2_State_Interface*>(mDesc->extension_data(LV2_STATE__interface));
  mSaveTo = props;
  return state->save(mHandle, Store, this, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, nullptr);
}

LV2_State_Status LV2TestInstance::Restore(const std::vector<StoredProperty>& props) {
  const auto* state = static_cast<const LV2_State_Interface*>(mDesc->extension_data(LV2_STATE__interface));
  mRestoreFrom = &props;
  return state->restore(mHandle, Retrieve, this, 0, nullptr);
}

// ---- The test plug-in ----

TestLV2Plug::TestLV2Plug()
    : IPlugLV2(IPlugInstanceInfo(), kNumTestParams, "1-1 2-2", 2, "TestLV2Plug", "", "TestMfr",
               0x00010203, 0x54737432, 0x4D667232, kTestLatency) {
  GetParam(kGain)->InitDouble("Gain", 0.0, -24.0, 12.0, 0.1, "dB");
  GetParam(kShape)->InitEnum("Shape", 1, 3);
  GetParam(kShape)->SetDisplayText(0, "Soft");
  GetParam(kShape)->SetDisplayText(1, "Medium");
  GetParam(kShape)->SetDisplayText(2, "Hard");
  GetParam(kActive)->InitBool("Active", true);
  GetParam(kSteps)->InitInt("Gain", 3, 0, 10, "steps");  // same name: symbol gets a suffix
  GetParam(kSteps)->SetCanAutomate(false);
  MakePreset("Loud", 6.0, 2, 1, 5);
  MakePreset("Quiet", -12.0, 0, 0, 1);
}

void TestLV2Plug::OnParamChange(int idx) {
  WDL_MutexLock lock(&mMutex);
  OnParamChangeRealtime(idx);
}

void TestLV2Plug::OnParamChangeRealtime(int idx) {
  if (idx < 0 || idx >= kNumTestParams) return;
  ++changes[idx];
  if (idx == kGain) gain.store(GetParam(kGain)->DBToAmp());
}

void TestLV2Plug::ProcessDoubleReplacing(double** in, double** out, int nFrames) {
  const double g = gain.load();
  for (int c = 0; c < 2; ++c)
    for (int t = 0; t < nFrames; ++t) out[c][t] = in[c][t] * g;
}

namespace {
IPlugLV2* MakeTestPlug() { return new TestLV2Plug; }

const IPlugLV2Variant kTestVariants[] = {
    {"urn:test:lv2plug", 2, 2, ""}, {"urn:test:lv2plug:mono", 1, 1, " (mono)"}, {"urn:test:lv2plug:bad", 2, 1, ""}};

const IPlugLV2Def kTestDef = {MakeTestPlug, kTestVariants, 2, "urn:test:lv2plug#state",
                              "urn:test:lv2plug:preset:", "urn:test:lv2plug#ui", "AmplifierPlugin",
                              "test.so", nullptr, nullptr, nullptr, 0, nullptr, 0};
const IPlugLV2Def kTestDefWithBad = {MakeTestPlug, kTestVariants, 3, "urn:test:lv2plug#state",
                                     "urn:test:lv2plug:preset:", nullptr, "AmplifierPlugin",
                                     "test.so", nullptr, nullptr, nullptr, 0, nullptr, 0};
}  // namespace

const IPlugLV2Def& TestDef() { return kTestDef; }

const LV2_Descriptor* TestDescriptor(int index) {
  static IPlugLV2Descriptor d[3];
  static std::once_flag once;
  std::call_once(once, [] {
    for (int i = 0; i < 3; ++i) IPlugLV2::FillDescriptor(&d[i], &kTestDefWithBad, i);
  });
  return index >= 0 && index < 3 ? &d[index].lv2 : nullptr;
}

const LV2_Descriptor* CorvaneDescriptor(int index) { return CorvaneLV2Descriptor(static_cast<uint32_t>(index)); }

std::vector<std::vector<float>> DirectCorvane(const std::vector<std::vector<float>>& in,
                                              const std::vector<std::pair<int, double>>& settings) {
  std::unique_ptr<IPlugLV2> plug(MakePlug());
  for (const auto& s : settings) plug->GetParam(s.first)->Set(static_cast<float>(s.second));
  plug->OnParamReset();
  const size_t n = in[0].size();
  const size_t nCh = in.size();
  std::vector<std::vector<double>> din(2, std::vector<double>(n, 0.0)), dout(2, std::vector<double>(n));
  for (size_t c = 0; c < nCh && c < 2; ++c) din[c].assign(in[c].begin(), in[c].end());
  for (size_t pos = 0; pos < n; pos += 700) {
    const int m = static_cast<int>(std::min<size_t>(700, n - pos));
    double* ins[2] = {&din[0][pos], &din[1][pos]};
    double* outs[2] = {&dout[0][pos], &dout[1][pos]};
    plug->TakeParamChanges();
    plug->ProcessDoubleReplacing(ins, outs, m);
  }
  std::vector<std::vector<float>> out;
  for (size_t c = 0; c < nCh; ++c) out.emplace_back(dout[c].begin(), dout[c].end());
  return out;
}

std::vector<std::vector<float>> DrumSignal(size_t n, int nCh) {
  std::vector<std::vector<float>> s(nCh, std::vector<float>(n));
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> noise(-1.0, 1.0);
  for (size_t i = 0; i < n; ++i) {
    const double bed = 0.3 * std::sin(2 * M_PI * 220.0 * i / 44100.0);
    const size_t sinceHit = i % 3000;
    const double hit = sinceHit < 200 ? 0.9 * std::exp(-static_cast<double>(sinceHit) / 30.0) * noise(rng) : 0.0;
    s[0][i] = static_cast<float>(bed + hit);
    if (nCh > 1) s[1][i] = static_cast<float>(0.8 * bed - hit * 0.7);
  }
  return s;
}

}  // namespace lv2_test
