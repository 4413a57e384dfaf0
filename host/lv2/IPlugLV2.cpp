// IPlugLV2: construction, the LV2 entry points, ports and the run cycle,
// and the editor -> host queue. State is in IPlugLV2State.cpp.
#include "host/lv2/IPlugLV2.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "framework/Log.h"

// One parameter's editor -> host record. The flags are set by the editor's
// thread (or the audio thread) and exchanged by the UI thread.
struct IPlugLV2::PendingUpdate {
  // Gestures begun and ended since the last drain: counts, not flags, so
  // that an end and a new begin between two drains both reach the host.
  std::atomic<int> begins{0};
  std::atomic<int> ends{0};
  // Whether the host was last told the port is grabbed (UI thread only).
  bool hostGrabbed = false;
  // The editor asks for `request` (real units): the latest asked wins.
  std::atomic<double> request{0.0};
  std::atomic<bool> hasRequest{false};
  // The parameter's own value changed without the host (it follows another
  // parameter, or a state was restored): the host has not heard it.
  std::atomic<bool> tellValue{false};
};

namespace {

IPlugLV2* PlugOf(LV2_Handle instance) { return static_cast<IPlugLV2*>(instance); }

// The sample rates an instance accepts (the Audio Unit adapter's highest
// too). Far outside them the meters' fall per sample is no longer a number
// a float level can take (a rate of 1e-300 Hz makes it infinite), and no
// audio interface runs there.
constexpr double kLowestSampleRate = 1.0;
constexpr double kHighestSampleRate = 1e7;

LV2_Handle Instantiate(const LV2_Descriptor* descriptor, double sampleRate, const char*,
                       const LV2_Feature* const* features) {
  try {
    const auto* desc = reinterpret_cast<const IPlugLV2Descriptor*>(descriptor);
    if (!desc || !desc->def || !desc->def->makePlug) return nullptr;
    std::unique_ptr<IPlugLV2> plug(desc->def->makePlug());
    if (!plug || !plug->InitForHost(desc->def, desc->variant, sampleRate, features)) return nullptr;
    return plug.release();
  } catch (...) {
    return nullptr;
  }
}

void ConnectPort(LV2_Handle instance, uint32_t port, void* data) {
  PlugOf(instance)->ConnectPort(port, data);
}

void Activate(LV2_Handle instance) {
  try {
    PlugOf(instance)->Activate();
  } catch (...) {
  }
}

void Run(LV2_Handle instance, uint32_t nFrames) {
  try {
    PlugOf(instance)->Run(nFrames);
  } catch (...) {
  }
}

void Deactivate(LV2_Handle instance) {
  try {
    PlugOf(instance)->Deactivate();
  } catch (...) {
  }
}

void Cleanup(LV2_Handle instance) {
  try {
    delete PlugOf(instance);
  } catch (...) {
  }
}

LV2_State_Status Save(LV2_Handle instance, LV2_State_Store_Function store, LV2_State_Handle handle,
                      uint32_t, const LV2_Feature* const*) {
  try {
    return PlugOf(instance)->SaveState(store, handle);
  } catch (...) {
    return LV2_STATE_ERR_UNKNOWN;
  }
}

LV2_State_Status Restore(LV2_Handle instance, LV2_State_Retrieve_Function retrieve,
                         LV2_State_Handle handle, uint32_t, const LV2_Feature* const*) {
  try {
    return PlugOf(instance)->RestoreState(retrieve, handle);
  } catch (...) {
    return LV2_STATE_ERR_UNKNOWN;
  }
}

const void* ExtensionData(const char* uri) {
  static const LV2_State_Interface kState = {Save, Restore};
  if (uri && std::strcmp(uri, LV2_STATE__interface) == 0) return &kState;
  return nullptr;
}

const void* FindFeature(const LV2_Feature* const* features, const char* uri) {
  for (int i = 0; features && features[i]; ++i)
    if (features[i]->URI && std::strcmp(features[i]->URI, uri) == 0) return features[i]->data;
  return nullptr;
}

// The host's maximum (else nominal) block length from the options feature, or 0.
int BlockLengthOption(const LV2_Options_Option* options, LV2_URID_Map* map) {
  if (!options || !map) return 0;
  const LV2_URID atomInt = map->map(map->handle, LV2_ATOM__Int);
  const LV2_URID maxKey = map->map(map->handle, LV2_BUF_SIZE__maxBlockLength);
  const LV2_URID nominalKey = map->map(map->handle, LV2_BUF_SIZE__nominalBlockLength);
  int maxLen = 0, nominalLen = 0;
  for (const LV2_Options_Option* o = options; o->key || o->value; ++o) {
    if (o->type != atomInt || o->size != sizeof(int32_t) || !o->value) continue;
    const int32_t v = *static_cast<const int32_t*>(o->value);
    if (o->key == maxKey) maxLen = v;
    if (o->key == nominalKey) nominalLen = v;
  }
  return maxLen > 0 ? maxLen : (nominalLen > 0 ? nominalLen : 0);
}

}  // namespace

// ---- Construction ----

IPlugLV2::IPlugLV2(const IPlugInstanceInfo&, int nParams, const char* channelIOStr, int nPresets,
                   const char* effectName, const char* productName, const char* mfrName,
                   int vendorVersion, int uniqueID, int mfrID, int latency, bool plugDoesMidi,
                   bool plugDoesChunks, bool plugIsInst)
    : IPlugBase(nParams, channelIOStr, nPresets, effectName, productName, mfrName, vendorVersion,
                uniqueID, mfrID, latency, plugDoesMidi, plugDoesChunks, plugIsInst, kAPILV2) {
  Trace(TRACELOC, "%s", effectName ? effectName : "");
}

IPlugLV2::~IPlugLV2() = default;

void IPlugLV2::FillDescriptor(IPlugLV2Descriptor* pDesc, const IPlugLV2Def* pDef, int variant) {
  pDesc->lv2.URI = pDef->variants[variant].uri;
  pDesc->lv2.instantiate = Instantiate;
  pDesc->lv2.connect_port = ::ConnectPort;
  pDesc->lv2.activate = ::Activate;
  pDesc->lv2.run = ::Run;
  pDesc->lv2.deactivate = ::Deactivate;
  pDesc->lv2.cleanup = Cleanup;
  pDesc->lv2.extension_data = ExtensionData;
  pDesc->def = pDef;
  pDesc->variant = variant;
}

bool IPlugLV2::InitForHost(const IPlugLV2Def* pDef, int variant, double sampleRate,
                           const LV2_Feature* const* features) {
  if (!pDef || variant < 0 || variant >= pDef->nVariants) return false;
  const IPlugLV2Variant& v = pDef->variants[variant];
  // The variant must be one of the plug-in's own configurations.
  if (v.nIn < 0 || v.nOut < 0 || v.nIn > NInChannels() || v.nOut > NOutChannels() ||
      !LegalIO(v.nIn, v.nOut))
    return false;
  if (!(sampleRate >= kLowestSampleRate && sampleRate <= kHighestSampleRate)) return false;

  if (!MakeLV2PortLayout(NParams(), pDef, v.nIn, v.nOut, &mLayout)) return false;
  mDef = pDef;
  mVariant = variant;

  mMap = static_cast<LV2_URID_Map*>(const_cast<void*>(FindFeature(features, LV2_URID__map)));
  if (mMap) {
    mStateKey = mMap->map(mMap->handle, pDef->stateKeyUri);
    mAtomChunk = mMap->map(mMap->handle, LV2_ATOM__Chunk);
  }

  const int nControls = mLayout.NControls();
  mControlPorts.Resize(nControls);
  mLastSeen.Resize(nControls);
  for (int k = 0; k < nControls; ++k) {
    mControlPorts.Get()[k] = nullptr;
    mLastSeen.Get()[k] = ControlValue(k);
  }
  mAudioIn.Resize(v.nIn);
  mAudioOut.Resize(v.nOut);
  mInPtrs.Resize(v.nIn);
  mOutPtrs.Resize(v.nOut);
  for (int c = 0; c < v.nIn; ++c) mAudioIn.Get()[c] = nullptr;
  for (int c = 0; c < v.nOut; ++c) mAudioOut.Get()[c] = nullptr;
  mPending.reset(new PendingUpdate[NParams() > 0 ? NParams() : 1]);

  SetSampleRate(sampleRate);
  int block = BlockLengthOption(
      static_cast<const LV2_Options_Option*>(FindFeature(features, LV2_OPTIONS__options)), mMap);
  if (block <= 0) block = kDefaultBlockSize;
  SetBlockSize(block < kMaxBlockSize ? block : kMaxBlockSize);

  SetInputChannelConnections(0, v.nIn, true);
  SetInputChannelConnections(v.nIn, NInChannels() - v.nIn, false);
  SetOutputChannelConnections(0, v.nOut, true);
  SetOutputChannelConnections(v.nOut, NOutChannels() - v.nOut, false);

  HostSpecificInit();
  PruneUninitializedPresets();
  return true;
}

void IPlugLV2::HostSpecificInit() {
  // LV2 does not tell a plug-in which host loaded it.
  if (mHost == kHostUninit) SetHost("", 0);
  OnHostIdentified();
}

// ---- Ports and the run cycle ----

void IPlugLV2::ConnectPort(uint32_t port, void* data) {
  if (port < static_cast<uint32_t>(mLayout.NControls())) {
    mControlPorts.Get()[port] = static_cast<const float*>(data);
  } else if (port == mLayout.Enabled()) {
    mEnabledPort = static_cast<const float*>(data);
  } else if (port == mLayout.Latency()) {
    mLatencyPort = static_cast<float*>(data);
  } else if (port >= mLayout.AudioIn(0) && port < mLayout.AudioOut(0)) {
    mAudioIn.Get()[port - mLayout.AudioIn(0)] = static_cast<float*>(data);
  } else if (port >= mLayout.AudioOut(0) && port < mLayout.NPorts()) {
    mAudioOut.Get()[port - mLayout.AudioOut(0)] = static_cast<float*>(data);
  }
  // Any other index is not one of our ports: ignored.
}

void IPlugLV2::Activate() {
  // As a host's initialisation: every parameter reaches the plug-in once.
  OnParamReset();
  // Hosts deactivate and activate a plug-in to flush it (around a locate):
  // the audio from before must not play again. (Before any audio was
  // processed this changes nothing.)
  RequestAudioReset();
  Reset();
  OnActivate(true);
}

void IPlugLV2::Deactivate() { OnActivate(false); }

float IPlugLV2::PortValueFor(int paramIdx, double value) const {
  const uint32_t port = mLayout.Param(paramIdx);
  if (mLayout.ParamOfPort(port) == paramIdx) return static_cast<float>(value);
  const int c = mLayout.ChoiceOfPort(port);
  if (c < 0 || value != 1.0) return std::numeric_limits<float>::quiet_NaN();
  const IPlugLV2Choice& choice = mDef->choices[c];
  for (int j = 0; j < choice.nParams; ++j)
    if (choice.params[j] == paramIdx) return static_cast<float>(j);
  return std::numeric_limits<float>::quiet_NaN();
}

float IPlugLV2::ControlValue(uint32_t port) const {
  const int param = mLayout.ParamOfPort(port);
  if (param >= 0) return static_cast<float>(GetParam(param)->Value());
  const int c = mLayout.ChoiceOfPort(port);
  if (c < 0) return 0.0f;
  const IPlugLV2Choice& choice = mDef->choices[c];
  for (int j = 0; j < choice.nParams; ++j)
    if (GetParam(choice.params[j])->Value() == 1.0) return static_cast<float>(j);
  return std::numeric_limits<float>::quiet_NaN();  // none chosen: nothing to tell
}

void IPlugLV2::ApplyHostValue(int paramIdx, double v) {
  IParam* param = GetParam(paramIdx);
  // A port that now carries the value the plug-in already holds (a state
  // just restored, a value the editor set) changes nothing; applying its
  // single-precision copy would only blur the plug-in's value.
  if (static_cast<float>(param->Value()) == static_cast<float>(v)) return;
  param->Set(v);  // clamps (an infinity too) into the range
  // The editor shows what the parameter now holds, by the same rule.
  if (mGraphics) mGraphics->SetParameterFromPlug(paramIdx, param->Value(), false);
  OnParamChangeRealtime(paramIdx);
}

void IPlugLV2::ApplyControlPorts() {
  ParamWriteSection section(this);
  for (int k = 0; k < mLayout.NControls(); ++k) {
    const float* port = mControlPorts.Get()[k];
    if (!port) continue;
    const float v = *port;
    float& last = mLastSeen.Get()[k];
    if (v == last || std::isnan(v)) continue;
    last = v;
    const int param = mLayout.ParamOfPort(static_cast<uint32_t>(k));
    if (param >= 0) {
      ApplyHostValue(param, v);
      // The host's value is now the plug-in's: nothing left to tell it.
      mPending[param].tellValue.store(false, std::memory_order_relaxed);
      continue;
    }
    // A choice: the chosen parameter goes to 1, the others to 0.
    const IPlugLV2Choice& choice = mDef->choices[mLayout.ChoiceOfPort(static_cast<uint32_t>(k))];
    // Clamped before rounding: lround of a value beyond a long (1e30, an
    // infinity) gives no defined answer, and the last choice is meant.
    const int lastChoice = choice.nParams - 1;
    const int chosen =
        v <= 0.0f ? 0 : v >= static_cast<float>(lastChoice) ? lastChoice : static_cast<int>(std::lround(v));
    ApplyHostValue(choice.params[chosen], 1.0);
    for (int j = 0; j < choice.nParams; ++j) {
      if (j != chosen) ApplyHostValue(choice.params[j], 0.0);
      mPending[choice.params[j]].tellValue.store(false, std::memory_order_relaxed);
    }
  }
}

void IPlugLV2::Run(uint32_t nFrames) {
  ApplyControlPorts();
  if (mLatencyPort) *mLatencyPort = static_cast<float>(GetLatency());
  // A value that is not a number leaves the plug-in enabled.
  SetIsBypassed(mEnabledPort && *mEnabledPort <= 0.5f);
  const bool bypassed = GetIsBypassed();

  const int block = GetBlockSize();
  if (block <= 0) return;
  const int nIn = mLayout.nIn, nOut = mLayout.nOut;
  for (uint32_t done = 0; done < nFrames;) {
    const uint32_t left = nFrames - done;
    const int n = left < static_cast<uint32_t>(block) ? static_cast<int>(left) : block;
    for (int c = 0; c < nIn; ++c) {
      float* in = mAudioIn.Get()[c];
      mInPtrs.Get()[c] = in ? in + done : nullptr;
    }
    for (int c = 0; c < nOut; ++c) {
      float* out = mAudioOut.Get()[c];
      mOutPtrs.Get()[c] = out ? out + done : nullptr;
    }
    // Inputs are converted into the base's scratch buffers first, so a host
    // that processes in place (input and output on one buffer) is served.
    AttachInputBuffers(0, nIn, mInPtrs.Get(), n);
    AttachOutputBuffers(0, nOut, mOutPtrs.Get());
    if (bypassed)
      ProcessBuffersBypassed(0.0f, n);
    else
      ProcessBuffers(0.0f, n);
    done += static_cast<uint32_t>(n);
  }
}

void IPlugLV2::GetTimeSig(int* pNum, int* pDenom) {
  if (pNum) *pNum = 4;
  if (pDenom) *pDenom = 4;
}

// ---- Editor -> host ----

void IPlugLV2::SetParameterFromGUI(int paramIdx, double normalizedValue) {
  Trace(TRACELOC, "%d:%f", paramIdx, normalizedValue);
  const IParam* param = GetParam(paramIdx);
  if (!param || !mPending) return;
  PendingUpdate& p = mPending[paramIdx];
  p.request.store(param->FromNormalized(normalizedValue), std::memory_order_relaxed);
  p.hasRequest.store(true, std::memory_order_release);
}

void IPlugLV2::BeginInformHostOfParamChange(int idx) {
  Trace(TRACELOC, "%d", idx);
  if (GetParam(idx) && mPending) mPending[idx].begins.fetch_add(1, std::memory_order_release);
}

void IPlugLV2::InformHostOfParamChange(int idx, double normalizedValue) {
  Trace(TRACELOC, "%d:%f", idx, normalizedValue);
  QueueValueForHost(idx);
}

void IPlugLV2::EndInformHostOfParamChange(int idx) {
  Trace(TRACELOC, "%d", idx);
  if (GetParam(idx) && mPending) mPending[idx].ends.fetch_add(1, std::memory_order_release);
}

void IPlugLV2::QueueValueForHost(int paramIdx) {
  // The value itself is read when the queue is drained: the host always
  // hears the parameter's latest value.
  if (GetParam(paramIdx) && mPending) mPending[paramIdx].tellValue.store(true, std::memory_order_release);
}

void IPlugLV2::QueueAllParamsForHost() {
  for (int i = 0; i < NParams(); ++i) QueueValueForHost(i);
}

// The editor's gestures alternate, begin and end, so the host's state and
// the counts since the last drain say what happened in between: from a
// grabbed port an end comes first, from a free one a begin. The host hears
// the gestures' outcome in order (an end, a begin, the value, an end),
// never a begin on a port it holds nor an end on one it does not.
void IPlugLV2::DrainHostUpdates(IPlugLV2HostWriter* writer) {
  if (!writer || !mPending) return;
  for (int i = 0; i < NParams(); ++i) {
    PendingUpdate& p = mPending[i];
    const uint32_t port = mLayout.Param(i);
    const int begins = p.begins.exchange(0, std::memory_order_acquire);
    const int ends = p.ends.exchange(0, std::memory_order_acquire);
    const bool grabbedAfter = p.hostGrabbed ? ends == begins : begins == ends + 1;
    if (p.hostGrabbed && ends > 0 && begins > 0) writer->Touch(port, false);
    if (begins > 0 && (!p.hostGrabbed || ends > 0)) writer->Touch(port, true);
    // Ports carry real units (a choice: the position of the chosen parameter).
    // What the editor asked for goes first: it comes back through run().
    const bool tell = p.tellValue.exchange(false, std::memory_order_acquire);
    float v = std::numeric_limits<float>::quiet_NaN();
    if (p.hasRequest.exchange(false, std::memory_order_acquire))
      v = PortValueFor(i, p.request.load(std::memory_order_relaxed));
    else if (tell)
      v = ControlValue(port);
    if (!std::isnan(v)) writer->Write(port, v);
    const bool grabbedNow = begins > 0 || p.hostGrabbed;  // what the host holds after the touches above
    if (grabbedNow && !grabbedAfter) writer->Touch(port, false);
    p.hostGrabbed = grabbedAfter;
  }
}

void IPlugLV2::ResizeGraphics(int w, int h) {
  if (w <= 0 || h <= 0) return;
  if (GetGUI()) OnWindowResize();
  mRequestedW.store(w);
  mRequestedH.store(h);
}

bool IPlugLV2::TakeResizeRequest(int* pW, int* pH) {
  const int w = mRequestedW.exchange(0);
  const int h = mRequestedH.exchange(0);
  if (w <= 0 || h <= 0) return false;
  if (pW) *pW = w;
  if (pH) *pH = h;
  return true;
}
