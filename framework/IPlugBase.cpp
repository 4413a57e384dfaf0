#include "framework/IPlugBase.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/DenormalGuard.h"
#include "framework/Log.h"
#include "framework/SampleConversion.h"

namespace {
// Channel counts beyond this are not a configuration but a typo.
constexpr long kMaxChannelCount = 1024;

const char* const kAPINames[] = {"VST2", "VST3", "AU", "RTAS", "AAX", "Standalone", "LV2"};
constexpr int kNumAPINames = static_cast<int>(sizeof(kAPINames) / sizeof(kAPINames[0]));

// Reads an int like "%d"; leaves *pValue alone when no digits follow.
const char* ReadInt(const char* p, int* pValue) {
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(p, &end, 10);
  if (end == p) return nullptr;
  if (v > kMaxChannelCount) v = kMaxChannelCount;
  if (v < -kMaxChannelCount) v = -kMaxChannelCount;
  *pValue = static_cast<int>(v);
  return end;
}

void ZeroFill(WDL_TypedBuf<double>& buf) {
  if (buf.GetSize() > 0) std::memset(buf.Get(), 0, sizeof(double) * static_cast<size_t>(buf.GetSize()));
}

// The channels idx..idx+n-1 that exist, without int overflow.
void ClipRange(int idx, int n, int count, int* pFirst, int* pEnd) {
  const long long first = idx < 0 ? 0 : idx;
  long long end = static_cast<long long>(idx) + (n > 0 ? n : 0);
  if (end > count) end = count;
  *pFirst = static_cast<int>(first);
  *pEnd = static_cast<int>(end < first ? first : end);
}

void SetBusLabel(WDL_PtrList<WDL_String>& labels, int idx, const char* label) {
  while (labels.GetSize() <= idx) labels.Add(new WDL_String);
  labels.Get(idx)->Set(label);
}
}  // namespace

void GetVersionParts(int version, int* pMajor, int* pMinor, int* pPatch) {
  if (pMajor) *pMajor = (version & 0xFFFF0000) >> 16;
  if (pMinor) *pMinor = (version & 0x0000FF00) >> 8;
  if (pPatch) *pPatch = version & 0x000000FF;
}

int GetDecimalVersion(int version) {
  int major, minor, patch;
  GetVersionParts(version, &major, &minor, &patch);
  return major * 10000 + minor * 100 + patch;
}

void GetVersionStr(int version, char* out) {
  if (!out) return;
  int major, minor, patch;
  GetVersionParts(version, &major, &minor, &patch);
  std::snprintf(out, kMaxVersionStrLen, "v%d.%d.%d", major, minor, patch);
}

IPlugBase::IPlugBase(int nParams, const char* channelIOStr, int nPresets, const char* effectName,
                     const char* productName, const char* mfrName, int vendorVersion, int uniqueID,
                     int mfrID, int latency, bool plugDoesMidi, bool plugDoesChunks,
                     bool plugIsInst, EAPI api)
    : mUniqueID(uniqueID),
      mMfrID(mfrID),
      mVersion(vendorVersion),
      mAPI(api),
      mStateChunks(plugDoesChunks),
      mIsInst(plugIsInst),
      mLatency(latency > 0 ? latency : 0) {
  (void)plugDoesMidi;
  Trace(TRACELOC, "%s:%s", effectName ? effectName : "", CurrentTime());

  for (int i = 0; i < nParams; ++i) mParams.Add(new IParam);
  for (int i = 0; i < nPresets; ++i) mPresets.Add(new IPreset);

  CopyCutString(mEffectName, kMaxEffectNameLen, effectName);
  CopyCutString(mProductName, kMaxEffectNameLen, productName);
  CopyCutString(mMfrName, kMaxEffectNameLen, mfrName);

  ParseChannelIO(channelIOStr);
  mLatencyDelay = new LatencyDelay(NInChannels(), mLatency);
  mParamHandover = std::make_unique<ParamHandover>(nParams);
}

void IPlugBase::ParseChannelIO(const char* channelIOStr) {
  int maxIn = 0, maxOut = 0;
  for (const char* p = channelIOStr; p;) {
    int nIn = 0, nOut = 0;
    // "%d-%d": each count that does not parse stays 0.
    const char* rest = ReadInt(p, &nIn);
    if (rest && *rest == '-') ReadInt(rest + 1, &nOut);
    mChannelIO.Add(new ChannelIO(nIn, nOut));
    if (nIn > maxIn) maxIn = nIn;
    if (nOut > maxOut) maxOut = nOut;
    p = std::strchr(p, ' ');
    if (p) ++p;
  }

  mInData.Resize(maxIn);
  mOutData.Resize(maxOut);
  for (int i = 0; i < maxIn; ++i) {
    InChannel* ch = mInChannels.Add(new InChannel);
    ch->mSrc = mInData.Get() + i;
    *ch->mSrc = nullptr;
  }
  for (int i = 0; i < maxOut; ++i) {
    OutChannel* ch = mOutChannels.Add(new OutChannel);
    ch->mDest = mOutData.Get() + i;
    *ch->mDest = nullptr;
  }
}

IPlugBase::~IPlugBase() {
  delete mGraphics;
  mGraphics = nullptr;
  mParams.Empty(true);
  mPresets.Empty(true);
  mInChannels.Empty(true);
  mOutChannels.Empty(true);
  mChannelIO.Empty(true);
  mInputBusLabels.Empty(true);
  mOutputBusLabels.Empty(true);
  delete mLatencyDelay;
}

// ---- Default hooks ----

void IPlugBase::Reset() { WDL_MutexLock lock(&mMutex); }
void IPlugBase::OnParamChange(int) { WDL_MutexLock lock(&mMutex); }
void IPlugBase::OnActivate(bool) { WDL_MutexLock lock(&mMutex); }

namespace {
// Output i gets a copy of input i where one exists, silence otherwise.
template <class T>
void CopyInputsToOutputs(T** inputs, T** outputs, int nIn, int nOut, int nFrames) {
  if (!outputs || nFrames <= 0) return;
  for (int i = 0; i < nOut; ++i) {
    T* out = outputs[i];
    if (!out) continue;
    const T* in = inputs && i < nIn ? inputs[i] : nullptr;
    if (in)
      std::memmove(out, in, sizeof(T) * static_cast<size_t>(nFrames));
    else
      std::memset(out, 0, sizeof(T) * static_cast<size_t>(nFrames));
  }
}
}  // namespace

void IPlugBase::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) {
  CopyInputsToOutputs(inputs, outputs, NInChannels(), NOutChannels(), nFrames);
}

void IPlugBase::ProcessSingleReplacing(float** inputs, float** outputs, int nFrames) {
  CopyInputsToOutputs(inputs, outputs, NInChannels(), NOutChannels(), nFrames);
}

void IPlugBase::ProcessMidiMsg(IMidiMsg* pMsg) { SendMidiMsg(pMsg); }

bool IPlugBase::MidiNoteName(int, char* rName) {
  if (rName) rName[0] = '\0';
  return false;
}

// ---- Parameters ----

void IPlugBase::SetParameterFromGUI(int paramIdx, double normalizedValue) {
  Trace(TRACELOC, "%d:%f", paramIdx, normalizedValue);
  WDL_MutexLock lock(&mMutex);
  IParam* param = GetParam(paramIdx);
  if (!param) return;
  ParamWriteSection section(this);
  param->SetNormalized(normalizedValue);
  // The host hears the position the editor asked for, not the snapped one.
  InformHostOfParamChange(paramIdx, normalizedValue);
  OnParamChange(paramIdx);
}

void IPlugBase::OnParamReset() {
  ParamWriteSection section(this);
  for (int i = 0; i < NParams(); ++i) OnParamChange(i);
}

void IPlugBase::DirtyParameters() {
  WDL_MutexLock lock(&mMutex);
  for (int i = 0; i < NParams(); ++i) InformHostOfParamChange(i, GetParam(i)->GetNormalized());
}

void IPlugBase::AttachGraphics(IGraphicsLink* pGraphics) {
  if (!pGraphics) return;
  WDL_MutexLock lock(&mMutex);
  for (int i = 0; i < NParams(); ++i)
    pGraphics->SetParameterFromPlug(i, GetParam(i)->GetNormalized(), true);
  pGraphics->PrepDraw();
  if (mGraphics != pGraphics) delete mGraphics;  // the base owns its editor
  mGraphics = pGraphics;
  // Attached on the thread that will run the editor: it shows the values now.
  pGraphics->ApplyPlugUpdates();
}

void IPlugBase::RedrawParamControls() {
  if (!mGraphics) return;
  // Values are written under the lock; read them the same way.
  WDL_MutexLock lock(&mMutex);
  for (int i = 0; i < NParams(); ++i)
    mGraphics->SetParameterFromPlug(i, GetParam(i)->Value(), false);
}

// ---- Identity ----

int IPlugBase::GetEffectVersion(bool decimal) const {
  return decimal ? GetDecimalVersion(mVersion) : mVersion;
}

void IPlugBase::GetEffectVersionStr(char* out) const { GetVersionStr(mVersion, out); }

int IPlugBase::GetHostVersion(bool decimal) {
  GetHost();
  return decimal ? GetDecimalVersion(mHostVersion) : mHostVersion;
}

void IPlugBase::GetHostVersionStr(char* out) {
  GetHost();
  GetVersionStr(mHostVersion, out);
}

const char* IPlugBase::GetAPIString() {
  const int api = GetAPI();
  return api >= 0 && api < kNumAPINames ? kAPINames[api] : "";
}

void IPlugBase::SetHost(const char* hostName, int version) {
  mHost = LookUpHost(hostName);
  mHostVersion = version;
  char versionStr[kMaxVersionStrLen];
  GetVersionStr(version, versionStr);
  Trace(TRACELOC, "host_%sknown:%s:%s", mHost == kHostUnknown ? "un" : "",
        hostName ? hostName : "", versionStr);
}

// ---- Audio setup ----

void IPlugBase::SetLatency(int samples) {
  mLatency = samples > 0 ? samples : 0;
  if (mLatencyDelay->Latency() != mLatency) {
    delete mLatencyDelay;
    mLatencyDelay = new LatencyDelay(NInChannels(), mLatency);
    mLatencyDelay->SetMaxBlock(mBlockSize);
  }
}

void IPlugBase::SetBlockSize(int blockSize) {
  if (blockSize < 0) blockSize = 0;
  if (blockSize == mBlockSize) return;
  // Channels that point at their scratch buffer follow it to its new storage.
  for (int i = 0; i < NInChannels(); ++i) {
    InChannel* ch = mInChannels.Get(i);
    const double* old = ch->mScratchBuf.Get();
    ch->mScratchBuf.Resize(blockSize);
    ZeroFill(ch->mScratchBuf);
    if (!ch->mConnected || *ch->mSrc == old) *ch->mSrc = ch->mScratchBuf.Get();
  }
  for (int i = 0; i < NOutChannels(); ++i) {
    OutChannel* ch = mOutChannels.Get(i);
    const double* old = ch->mScratchBuf.Get();
    ch->mScratchBuf.Resize(blockSize);
    ZeroFill(ch->mScratchBuf);
    if (!ch->mConnected || *ch->mDest == old) *ch->mDest = ch->mScratchBuf.Get();
  }
  mLatencyDelay->SetMaxBlock(blockSize);
  mDelayedScratch.Resize(blockSize);
  mBlockSize = blockSize;
}

double IPlugBase::GetSamplesPerBeat() {
  const double tempo = GetTempo();
  return tempo > 0.0 ? mSampleRate * 60.0 / tempo : 0.0;
}

// ---- Channels ----

bool IPlugBase::LegalIO(int nIn, int nOut) const {
  bool legal = false;
  for (int i = 0; i < NChannelIO() && !legal; ++i) {
    const ChannelIO* io = mChannelIO.Get(i);
    legal = (nIn < 0 || nIn == io->mIn) && (nOut < 0 || nOut == io->mOut);
  }
  Trace(TRACELOC, "%d:%d:%s", nIn, nOut, legal ? "legal" : "illegal");
  return legal;
}

void IPlugBase::SetInputChannelConnections(int idx, int n, bool connected) {
  int first, end;
  ClipRange(idx, n, NInChannels(), &first, &end);
  for (int i = first; i < end; ++i) {
    InChannel* ch = mInChannels.Get(i);
    ch->mConnected = connected;
    if (!connected) {
      ZeroFill(ch->mScratchBuf);
      *ch->mSrc = ch->mScratchBuf.Get();
    }
  }
}

void IPlugBase::SetOutputChannelConnections(int idx, int n, bool connected) {
  int first, end;
  ClipRange(idx, n, NOutChannels(), &first, &end);
  for (int i = first; i < end; ++i) {
    OutChannel* ch = mOutChannels.Get(i);
    ch->mConnected = connected;
    if (!connected) {
      ZeroFill(ch->mScratchBuf);
      *ch->mDest = ch->mScratchBuf.Get();
      ch->mFDest = nullptr;
    }
  }
}

bool IPlugBase::IsInChannelConnected(int chIdx) const {
  const InChannel* ch = mInChannels.Get(chIdx);
  return ch && ch->mConnected;
}

bool IPlugBase::IsOutChannelConnected(int chIdx) const {
  const OutChannel* ch = mOutChannels.Get(chIdx);
  return ch && ch->mConnected;
}

void IPlugBase::AttachInputBuffers(int idx, int n, double** ppData, int nFrames) {
  if (!ppData) return;
  int first, end;
  ClipRange(idx, n, NInChannels(), &first, &end);
  int next = 0;
  for (int i = first; i < end; ++i) {
    InChannel* ch = mInChannels.Get(i);
    if (!ch->mConnected) continue;
    double* buffer = ppData[next++];
    if (!buffer) {
      ZeroFill(ch->mScratchBuf);
      buffer = ch->mScratchBuf.Get();
    }
    *ch->mSrc = buffer;
  }
}

void IPlugBase::AttachInputBuffers(int idx, int n, float** ppData, int nFrames) {
  if (!ppData) return;
  const int frames = CutFrames(nFrames);
  int first, end;
  ClipRange(idx, n, NInChannels(), &first, &end);
  int next = 0;
  for (int i = first; i < end; ++i) {
    InChannel* ch = mInChannels.Get(i);
    if (!ch->mConnected) continue;
    const float* src = ppData[next++];
    double* scratch = ch->mScratchBuf.Get();
    if (scratch && src)
      ConvertToDouble(src, scratch, frames);
    else if (scratch)
      for (int t = 0; t < frames; ++t) scratch[t] = 0.0;
    *ch->mSrc = scratch;
  }
}

void IPlugBase::AttachOutputBuffers(int idx, int n, double** ppData) {
  if (!ppData) return;
  int first, end;
  ClipRange(idx, n, NOutChannels(), &first, &end);
  int next = 0;
  for (int i = first; i < end; ++i) {
    OutChannel* ch = mOutChannels.Get(i);
    if (!ch->mConnected) continue;
    double* buffer = ppData[next++];
    *ch->mDest = buffer ? buffer : ch->mScratchBuf.Get();
    ch->mFDest = nullptr;  // a double destination replaces any float one
  }
}

void IPlugBase::AttachOutputBuffers(int idx, int n, float** ppData) {
  if (!ppData) return;
  int first, end;
  ClipRange(idx, n, NOutChannels(), &first, &end);
  int next = 0;
  for (int i = first; i < end; ++i) {
    OutChannel* ch = mOutChannels.Get(i);
    if (!ch->mConnected) continue;
    *ch->mDest = ch->mScratchBuf.Get();
    ch->mFDest = ppData[next++];
  }
}

void IPlugBase::SetInputLabel(int idx, const char* label) {
  if (InChannel* ch = mInChannels.Get(idx)) ch->mLabel.Set(label);
}

void IPlugBase::SetOutputLabel(int idx, const char* label) {
  if (OutChannel* ch = mOutChannels.Get(idx)) ch->mLabel.Set(label);
}

const char* IPlugBase::GetInputLabel(int idx) const {
  const InChannel* ch = mInChannels.Get(idx);
  return ch ? ch->mLabel.Get() : "";
}

const char* IPlugBase::GetOutputLabel(int idx) const {
  const OutChannel* ch = mOutChannels.Get(idx);
  return ch ? ch->mLabel.Get() : "";
}

void IPlugBase::SetInputBusLabel(int idx, const char* label) {
  if (idx == 0 || idx == 1) SetBusLabel(mInputBusLabels, idx, label);
}

void IPlugBase::SetOutputBusLabel(int idx, const char* label) {
  // Bus numbers come from the plug-in's own layout; a bound keeps a typo
  // from allocating millions of labels.
  if (idx >= 0 && idx < kMaxChannelCount) SetBusLabel(mOutputBusLabels, idx, label);
}

// ---- Processing entry ----

int IPlugBase::CutFrames(int nFrames) const {
  if (nFrames <= 0) return 0;
  return nFrames < mBlockSize ? nFrames : mBlockSize;
}

void IPlugBase::RunProcessing(int nFrames) {
  // Store the input first: the plug-in may process in place.
  mLatencyDelay->Push(mInData.Get(), NInChannels(), nFrames);
  ProcessDoubleReplacing(mInData.Get(), mOutData.Get(), nFrames);
}

void IPlugBase::DeliverDelayedInput(int nFrames) {
  const int nIn = NInChannels();
  for (int i = 0; i < NOutChannels(); ++i) {
    double* out = *mOutChannels.Get(i)->mDest;
    if (!out || nFrames <= 0) continue;
    if (i < nIn)
      mLatencyDelay->ReadDelayed(i, out, nFrames);
    else
      std::memset(out, 0, sizeof(double) * static_cast<size_t>(nFrames));
  }
}

bool IPlugBase::TakeFloatOutputs(int first, int n, float** dests) {
  if (!mFloatBlock || mTakenEnd > mTakenFirst || mBypassFade.Fading(false)) return false;
  if (n <= 0 || first < 0 || first > NOutChannels() - n) return false;
  for (int i = first; i < first + n; ++i) {
    const OutChannel* ch = mOutChannels.Get(i);
    if (!ch->mConnected || !ch->mFDest || SharesFloatBuffer(i)) return false;
    dests[i - first] = ch->mFDest;
  }
  mTakenFirst = first;
  mTakenEnd = first + n;
  return true;
}

// A host may hand two outputs one buffer; then the framework's order of
// conversion decides what it holds, as it did before any output was taken.
bool IPlugBase::SharesFloatBuffer(int chIdx) const {
  const float* dest = mOutChannels.Get(chIdx)->mFDest;
  for (int i = 0; i < NOutChannels(); ++i) {
    const OutChannel* ch = mOutChannels.Get(i);
    if (i != chIdx && ch->mConnected && ch->mFDest == dest) return true;
  }
  return false;
}

void IPlugBase::ConvertOutputsToFloat(int nFrames, bool accumulate, int framesRequested) {
  for (int i = 0; i < NOutChannels(); ++i) {
    OutChannel* ch = mOutChannels.Get(i);
    float* dest = ch->mFDest;
    const double* src = *ch->mDest;
    if (!ch->mConnected || !dest) continue;
    if (accumulate) {
      if (src) AccumulateAsFloat(src, dest, nFrames);
    } else {
      // An output the plug-in took holds its samples already.
      const bool taken = i >= mTakenFirst && i < mTakenEnd;
      if (taken) {
        // nothing to convert
      } else if (src) {
        ConvertToFloat(src, dest, nFrames);
      } else {
        for (int t = 0; t < nFrames; ++t) dest[t] = 0.0f;
      }
      // Frames past the announced block size were not processed: silence.
      for (int t = nFrames; t < framesRequested; ++t) dest[t] = 0.0f;
    }
  }
}

void IPlugBase::TakeParamChanges() {
  mParamHandover->Take(mParams, [this](int idx, double value) { OnParamChangeAudio(idx, value); });
}

void IPlugBase::BeginBlock(bool bypassed) {
  TakeParamChanges();
  if (mAudioResetRequested.exchange(false, std::memory_order_acq_rel)) {
    mLatencyDelay->Clear();
    mBypassFade.Snap(bypassed);
    OnAudioReset();
  }
  // The first block starts where the host wants it, without a fade.
  if (!mBypassFade.Snapped()) mBypassFade.Snap(bypassed);
}

void IPlugBase::MixBypassFade(bool bypassed, int nFrames) {
  const int nIn = NInChannels();
  double* delayed = mDelayedScratch.Get();
  if (!delayed || nFrames <= 0) return;
  for (int i = 0; i < NOutChannels(); ++i) {
    double* out = *mOutChannels.Get(i)->mDest;
    if (!out) continue;
    if (i < nIn)
      mLatencyDelay->ReadDelayed(i, delayed, nFrames);
    else
      std::memset(delayed, 0, sizeof(double) * static_cast<size_t>(nFrames));
    mBypassFade.Mix(bypassed, mSampleRate, out, delayed, out, nFrames);
  }
  mBypassFade.Advance(bypassed, mSampleRate, nFrames);
}

void IPlugBase::ProcessBuffers(double, int nFrames) {
  DenormalGuard guard;
  BeginBlock(false);
  const int frames = CutFrames(nFrames);
  RunProcessing(frames);
  if (mBypassFade.Fading(false)) MixBypassFade(false, frames);
}

void IPlugBase::ProcessBuffers(float, int nFrames) {
  mFloatBlock = true;
  ProcessBuffers(0.0, nFrames);
  mFloatBlock = false;
  DenormalGuard guard;
  ConvertOutputsToFloat(CutFrames(nFrames), false, nFrames);
  mTakenFirst = mTakenEnd = 0;
}

void IPlugBase::ProcessBuffersAccumulating(float, int nFrames) {
  ProcessBuffers(0.0, nFrames);
  DenormalGuard guard;
  ConvertOutputsToFloat(CutFrames(nFrames), true, nFrames);
}

void IPlugBase::PassThroughBuffers(double, int nFrames) {
  DenormalGuard guard;
  BeginBlock(true);
  const int frames = CutFrames(nFrames);
  mLatencyDelay->Push(mInData.Get(), NInChannels(), frames);
  DeliverDelayedInput(frames);
  // Nothing was processed to fade from: the switch is immediate.
  mBypassFade.Snap(true);
}

void IPlugBase::PassThroughBuffers(float, int nFrames) {
  PassThroughBuffers(0.0, nFrames);
  DenormalGuard guard;
  ConvertOutputsToFloat(CutFrames(nFrames), false, nFrames);
}

void IPlugBase::ProcessBuffersBypassed(double, int nFrames) {
  DenormalGuard guard;
  BeginBlock(true);
  const int frames = CutFrames(nFrames);
  RunProcessing(frames);
  if (mBypassFade.Fading(true))
    MixBypassFade(true, frames);
  else
    DeliverDelayedInput(frames);
}

void IPlugBase::ProcessBuffersBypassed(float, int nFrames) {
  ProcessBuffersBypassed(0.0, nFrames);
  DenormalGuard guard;
  ConvertOutputsToFloat(CutFrames(nFrames), false, nFrames);
}

void IPlugBase::ZeroScratchBuffers() {
  for (int i = 0; i < NInChannels(); ++i) ZeroFill(mInChannels.Get(i)->mScratchBuf);
  for (int i = 0; i < NOutChannels(); ++i) ZeroFill(mOutChannels.Get(i)->mScratchBuf);
}

// ---- MIDI ----

bool IPlugBase::SendMidiMsgs(WDL_TypedBuf<IMidiMsg>* pMsgs) {
  if (!pMsgs) return false;
  bool allSent = true;
  IMidiMsg* msgs = pMsgs->Get();
  for (int i = 0; i < pMsgs->GetSize(); ++i) allSent &= SendMidiMsg(&msgs[i]);
  return allSent;
}
