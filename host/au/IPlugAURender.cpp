// IPlugAU: bus and channel negotiation, input connections and the render path.
#include <cstring>
#include <thread>

#include "framework/Log.h"
#include "host/au/IPlugAU.h"

namespace {

constexpr UInt32 kFloatFormatFlags = kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked;

// An AudioBufferList with room for every channel a bus may carry, on the stack.
struct InputBufferList {
  UInt32 mNumberBuffers;
  AudioBuffer mBuffers[IPlugAU::kMaxBusChannels];
};

int Min(int a, int b) { return a < b ? a : b; }
int Max(int a, int b) { return a > b ? a : b; }

// The render path reads 32-bit floats, one buffer per channel: any other
// layout (integers, interleaved, 64-bit) would be read as noise.
bool IsRenderableFormat(const AudioStreamBasicDescription* pASBD) {
  constexpr UInt32 kRequired = kAudioFormatFlagIsFloat | kAudioFormatFlagIsPacked | kAudioFormatFlagIsNonInterleaved;
  constexpr UInt32 kRefused = kAudioFormatFlagIsBigEndian | kAudioFormatFlagIsSignedInteger;
  const Float64 rate = pASBD->mSampleRate;
  return pASBD->mFormatID == kAudioFormatLinearPCM && (pASBD->mFormatFlags & kRequired) == kRequired &&
         (pASBD->mFormatFlags & kRefused) == 0 && pASBD->mBitsPerChannel == 32 &&
         pASBD->mBytesPerFrame == 4 && pASBD->mBytesPerPacket == 4 && pASBD->mFramesPerPacket == 1 &&
         (rate == 0.0 || (rate > 0.0 && rate <= IPlugAU::kMaxSampleRate));  // 0: the rate stays
}

}  // namespace

void IPlugAU::MakeDefaultASBD(AudioStreamBasicDescription* pASBD, double sampleRate,
                              int nChannels, bool interleaved) {
  if (!pASBD) return;
  std::memset(pASBD, 0, sizeof(*pASBD));
  pASBD->mSampleRate = sampleRate;
  pASBD->mFormatID = kAudioFormatLinearPCM;
  pASBD->mFormatFlags = kFloatFormatFlags;
  pASBD->mFramesPerPacket = 1;
  pASBD->mChannelsPerFrame = static_cast<UInt32>(nChannels > 0 ? nChannels : 0);
  pASBD->mBitsPerChannel = 32;
  if (interleaved) {
    pASBD->mBytesPerPacket = pASBD->mBytesPerFrame = 4 * pASBD->mChannelsPerFrame;
  } else {
    pASBD->mFormatFlags |= kAudioFormatFlagIsNonInterleaved;
    pASBD->mBytesPerPacket = pASBD->mBytesPerFrame = 4;
  }
}

BusChannels* IPlugAU::GetBus(AudioUnitScope scope, AudioUnitElement element) {
  const int idx = element < 0x80000000u ? static_cast<int>(element) : -1;
  if (scope == kAudioUnitScope_Input) return mInBuses.Get(idx);
  if (scope == kAudioUnitScope_Output || scope == kAudioUnitScope_Global) return mOutBuses.Get(idx);
  return nullptr;
}

int IPlugAU::NHostChannelsConnected(WDL_PtrList<BusChannels>* pBuses, int excludeIdx) {
  bool anyCount = false;
  int total = 0;
  for (int i = 0; i < pBuses->GetSize(); ++i) {
    const int n = pBuses->Get(i)->mNHostChannels;
    if (i != excludeIdx && n >= 0) {
      total += n;
      anyCount = true;
    }
  }
  return anyCount ? total : -1;
}

bool IPlugAU::CheckLegalIO(AudioUnitScope scope, int busIdx, int nChannels) {
  if (scope == kAudioUnitScope_Input) {
    const int nIn = Max(NHostChannelsConnected(&mInBuses, busIdx), 0) + nChannels;
    const int nOut = mActive ? NHostChannelsConnected(&mOutBuses) : -1;
    return LegalIO(nIn, nOut);
  }
  const int nIn = mActive ? NHostChannelsConnected(&mInBuses) : -1;
  const int nOut = Max(NHostChannelsConnected(&mOutBuses, busIdx), 0) + nChannels;
  return LegalIO(nIn, nOut);
}

void IPlugAU::GetStreamFormat(const BusChannels* pBus, AudioStreamBasicDescription* pASBD) {
  const int nChannels = pBus->mNHostChannels < 0 ? pBus->mNPlugChannels : pBus->mNHostChannels;
  MakeDefaultASBD(pASBD, GetSampleRate(), nChannels, false);
}

ComponentResult IPlugAU::SetStreamFormat(AudioUnitScope scope, AudioUnitElement element,
                                         const AudioStreamBasicDescription* pASBD) {
  BusChannels* bus = GetBus(scope, element);
  if (!bus) return kAudioUnitErr_InvalidProperty;
  const int busIdx = static_cast<int>(element);
  const UInt32 requested = pASBD->mChannelsPerFrame;
  // A format the render path cannot read is refused with nothing changed.
  if (!IsRenderableFormat(pASBD)) {
    Trace(TRACELOC, "%u:%d:notRenderable", static_cast<unsigned>(requested), bus->mNPlugChannels);
    return kAudioUnitErr_InvalidProperty;
  }
  if (RenderSetupLocked()) {
    // Setting the format a bus already has is no change.
    const bool same = static_cast<int>(requested) == bus->mNHostChannels &&
                      (pASBD->mSampleRate == 0.0 || pASBD->mSampleRate == GetSampleRate());
    if (same) return noErr;
    return kAudioUnitErr_Initialized;
  }
  // More channels than a render call can carry are never legal.
  const int n = requested > static_cast<UInt32>(kMaxBusChannels) ? -1 : static_cast<int>(requested);
  bus->mNHostChannels = 0;
  const bool legal = n > 0 && CheckLegalIO(scope, busIdx, n);
  const bool isPCM = pASBD->mFormatID == kAudioFormatLinearPCM;
  const bool isCanonical = (pASBD->mFormatFlags & kFloatFormatFlags) != 0;
  Trace(TRACELOC, "%d:%d:%s:%s:%s", n, bus->mNPlugChannels, isPCM ? "linearPCM" : "notLinearPCM",
        isCanonical ? "canonicalFormat" : "notCanonicalFormat",
        legal ? "connectionOK" : "connectionNotOK");
  ComponentResult result = kAudioUnitErr_InvalidProperty;
  if (legal && isPCM && isCanonical) {
    bus->mNHostChannels = n;
    if (pASBD->mSampleRate > 0.0) SetSampleRate(pASBD->mSampleRate);
    result = noErr;
  }
  AssessInputConnections();
  return result;
}

ComponentResult IPlugAU::MakeConnection(AudioUnitScope scope, const AudioUnitConnection* pConn) {
  if (scope != kAudioUnitScope_Global && scope != kAudioUnitScope_Input)
    return kAudioUnitErr_InvalidProperty;
  InputBusConnection* conn =
      pConn->destInputNumber < 0x80000000u
          ? mInBusConnections.Get(static_cast<int>(pConn->destInputNumber))
          : nullptr;
  if (!conn) return kAudioUnitErr_InvalidProperty;
  if (RenderSetupLocked()) return kAudioUnitErr_Initialized;
  *conn = InputBusConnection();

  ComponentResult result = noErr;
  if (pConn->sourceAudioUnit) {
    AudioStreamBasicDescription asbd;
    UInt32 size = sizeof(asbd);
    result = kAudioUnitErr_InvalidProperty;
    if (AudioUnitGetProperty(pConn->sourceAudioUnit, kAudioUnitProperty_StreamFormat,
                             kAudioUnitScope_Output, pConn->sourceOutputNumber, &asbd,
                             &size) == noErr &&
        SetProperty(kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input,
                    pConn->destInputNumber, &asbd, sizeof(asbd)) == noErr) {
      conn->mUpstreamUnit = pConn->sourceAudioUnit;
      conn->mUpstreamBusIdx = pConn->sourceOutputNumber;
      AudioUnitRenderProc proc = nullptr;
      size = sizeof(proc);
      if (AudioUnitGetProperty(pConn->sourceAudioUnit, kAudioUnitProperty_FastDispatch,
                               kAudioUnitScope_Global, kAudioUnitRenderSelect, &proc,
                               &size) == noErr &&
          proc) {
        conn->mUpstreamRenderProc = proc;
        conn->mUpstreamObj = GetComponentInstanceStorage(pConn->sourceAudioUnit);
      }
      result = noErr;
    }
  }
  AssessInputConnections();
  return result;
}

ComponentResult IPlugAU::SetRenderCallback(AudioUnitScope scope, AudioUnitElement element,
                                           const AURenderCallbackStruct* pCallback) {
  InputBusConnection* conn = element < 0x80000000u ? mInBusConnections.Get(static_cast<int>(element))
                                                   : nullptr;
  if (scope != kAudioUnitScope_Input || !conn) return kAudioUnitErr_InvalidProperty;
  if (RenderSetupLocked()) {
    const bool same = conn->mInputType == (pCallback->inputProc ? eRenderCallback : eNotConnected) &&
                      conn->mCallbackInfo.inputProc == pCallback->inputProc &&
                      conn->mCallbackInfo.inputProcRefCon == pCallback->inputProcRefCon;
    if (same) return noErr;
    return kAudioUnitErr_Initialized;
  }
  *conn = InputBusConnection();
  if (pCallback->inputProc) conn->mCallbackInfo = *pCallback;
  AssessInputConnections();
  return noErr;
}

void IPlugAU::AssessInputConnections() {
  Trace(TRACELOC, "%d", mInBuses.GetSize());
  WDL_MutexLock lock(&mMutex);
  SetInputChannelConnections(0, NInChannels(), false);

  for (int i = 0; i < mInBuses.GetSize(); ++i) {
    BusChannels* bus = mInBuses.Get(i);
    InputBusConnection* conn = mInBusConnections.Get(i);
    if (conn->mUpstreamRenderProc && conn->mUpstreamObj)
      conn->mInputType = eDirectFastProc;
    else if (conn->mUpstreamUnit)
      conn->mInputType = eDirectNoFastProc;
    else if (conn->mCallbackInfo.inputProc)
      conn->mInputType = eRenderCallback;
    else
      conn->mInputType = eNotConnected;

    bus->mConnected = conn->mInputType != eNotConnected;
    if (bus->mConnected) {
      if (bus->mNHostChannels < 0) {
        Trace(TRACELOC, "AssumeChannels:%d", bus->mNPlugChannels);
        bus->mNHostChannels = Min(bus->mNPlugChannels, kMaxBusChannels);
      }
      SetInputChannelConnections(bus->mPlugChannelStartIdx, bus->mNHostChannels, true);
      SetInputChannelConnections(bus->mPlugChannelStartIdx + bus->mNHostChannels,
                                 Max(bus->mNPlugChannels - bus->mNHostChannels, 0), false);
    }
    Trace(TRACELOC, "%d:%s:%d:%d:%d", i, AUInputTypeStr(conn->mInputType),
          bus->mPlugChannelStartIdx, bus->mNPlugChannels, bus->mNHostChannels);
  }
}

void IPlugAU::ClearConnections() {
  for (int i = 0; i < mInBuses.GetSize(); ++i) {
    BusChannels* bus = mInBuses.Get(i);
    bus->mConnected = false;
    bus->mNHostChannels = -1;
    *mInBusConnections.Get(i) = InputBusConnection();
  }
  for (int i = 0; i < mOutBuses.GetSize(); ++i) {
    BusChannels* bus = mOutBuses.Get(i);
    bus->mConnected = false;
    bus->mNHostChannels = -1;
  }
}

void IPlugAU::SetBlockSize(int blockSize) {
  Trace(TRACELOC, "%d", blockSize);
  if (blockSize < 0) blockSize = 0;
  const int inSize = NInChannels() * blockSize;
  const int outSize = NOutChannels() * blockSize;
  mInScratchBuf.Resize(inSize);
  mOutScratchBuf.Resize(outSize);
  if (inSize > 0) std::memset(mInScratchBuf.Get(), 0, sizeof(float) * static_cast<size_t>(inSize));
  if (outSize > 0) std::memset(mOutScratchBuf.Get(), 0, sizeof(float) * static_cast<size_t>(outSize));
  IPlugBase::SetBlockSize(blockSize);
}

// ---- Render ----

ComponentResult IPlugAU::RenderProc(void* pPlug, AudioUnitRenderActionFlags* pFlags,
                                    const AudioTimeStamp* pTimestamp, UInt32 outputBusIdx,
                                    UInt32 nFrames, AudioBufferList* pBufferList) {
  IPlugAU* plug = static_cast<IPlugAU*>(pPlug);
  if (!plug) return badComponentInstance;
  try {
    return plug->Render(pFlags, pTimestamp, outputBusIdx, nFrames, pBufferList);
  } catch (...) {
    return kAudioUnitErr_CannotDoInCurrentContext;
  }
}

// Render thread: the list as last published (taken at the start of each render).
void IPlugAU::SendRenderNotify(AudioUnitRenderActionFlags flags, const AudioTimeStamp* pTimestamp,
                               UInt32 outputBusIdx, UInt32 nFrames, AudioBufferList* pBufferList) {
  const RenderNotifyList& list = mRenderNotifyForRender.Front();
  for (int i = 0; i < list.mCount; ++i) {
    const RenderNotify& notify = list.mItems[i];
    AudioUnitRenderActionFlags localFlags = flags;
    if (notify.mFunc) notify.mFunc(notify.mFuncArgs, &localFlags, pTimestamp, outputBusIdx, nFrames, pBufferList);
  }
}

ComponentResult IPlugAU::PullInputs(const AudioTimeStamp* pTimestamp, UInt32 nFrames) {
  const size_t bytes = sizeof(float) * nFrames;
  for (int i = 0; i < mInBuses.GetSize(); ++i) {
    const BusChannels* bus = mInBuses.Get(i);
    const InputBusConnection* conn = mInBusConnections.Get(i);
    if (!bus->mConnected || conn->mInputType == eNotConnected) continue;

    // Only the channels the bus maps to plug-in inputs are pulled.
    const int nChannels = Max(Min(Min(bus->mNHostChannels, kMaxBusChannels),
                                  NInChannels() - bus->mPlugChannelStartIdx), 0);
    InputBufferList list;
    list.mNumberBuffers = static_cast<UInt32>(nChannels);
    for (int j = 0; j < nChannels; ++j) {
      list.mBuffers[j].mNumberChannels = 1;
      list.mBuffers[j].mDataByteSize = static_cast<UInt32>(bytes);
      list.mBuffers[j].mData = nullptr;
    }
    AudioBufferList* pList = reinterpret_cast<AudioBufferList*>(&list);
    AudioUnitRenderActionFlags flags = 0;
    ComponentResult result = noErr;
    switch (conn->mInputType) {
      case eRenderCallback:
        for (int j = 0; j < nChannels; ++j)
          list.mBuffers[j].mData =
              mInScratchBuf.Get() + static_cast<size_t>(bus->mPlugChannelStartIdx + j) * nFrames;
        result = conn->mCallbackInfo.inputProc(conn->mCallbackInfo.inputProcRefCon, &flags,
                                               pTimestamp, static_cast<UInt32>(i), nFrames, pList);
        break;
      case eDirectNoFastProc:
        result = AudioUnitRender(conn->mUpstreamUnit, &flags, pTimestamp, conn->mUpstreamBusIdx,
                                 nFrames, pList);
        break;
      case eDirectFastProc:
        result = conn->mUpstreamRenderProc(conn->mUpstreamObj, &flags, pTimestamp,
                                           conn->mUpstreamBusIdx, nFrames, pList);
        break;
      default:
        break;
    }
    if (result != noErr) return result;

    // A source that shrank the list or left buffers short is read as silence there.
    const int nFilled = Min(nChannels, static_cast<int>(list.mNumberBuffers));
    for (int j = 0; j < nChannels; ++j) {
      float* data = nullptr;
      if (j < nFilled && list.mBuffers[j].mDataByteSize >= bytes)
        data = static_cast<float*>(list.mBuffers[j].mData);
      AttachInputBuffers(bus->mPlugChannelStartIdx + j, 1, &data, static_cast<int>(nFrames));
    }
  }
  return noErr;
}

void IPlugAU::WaitForRenders() const {
  while (mRendersInFlight.load() != 0) std::this_thread::yield();
}

namespace {
// Counts a render in for its whole duration.
class RenderAdmission {
public:
  explicit RenderAdmission(std::atomic<int>& inFlight) : mInFlight(inFlight) { mInFlight.fetch_add(1); }
  ~RenderAdmission() { mInFlight.fetch_sub(1); }
  RenderAdmission(const RenderAdmission&) = delete;
  RenderAdmission& operator=(const RenderAdmission&) = delete;

private:
  std::atomic<int>& mInFlight;
};
}  // namespace

ComponentResult IPlugAU::Render(AudioUnitRenderActionFlags* pFlags,
                                const AudioTimeStamp* pTimestamp, UInt32 outputBusIdx,
                                UInt32 nFrames, AudioBufferList* pBufferList) {
  // Counted in first, then the check (both sequentially consistent): once
  // Uninitialize has cleared the flag and seen no render in, none gets past.
  RenderAdmission admission(mRendersInFlight);
  if (!mRenderable.load()) return kAudioUnitErr_Uninitialized;
  if (!pTimestamp || !(pTimestamp->mFlags & kAudioTimeStampSampleTimeValid) ||
      outputBusIdx >= static_cast<UInt32>(mOutBuses.GetSize()) ||
      nFrames > static_cast<UInt32>(GetBlockSize()) || !pBufferList)
    return kAudioUnitErr_InvalidPropertyValue;
  BusChannels* outBus = mOutBuses.Get(static_cast<int>(outputBusIdx));
  const size_t bytes = sizeof(float) * nFrames;
  const int nBuffers = static_cast<int>(pBufferList->mNumberBuffers);
  // Host buffers that could not hold the slice would be written past their end.
  for (int i = 0; i < nBuffers && i < outBus->mNPlugChannels; ++i) {
    const AudioBuffer& buffer = pBufferList->mBuffers[i];
    if (buffer.mData && buffer.mDataByteSize < bytes) return kAudioUnitErr_InvalidPropertyValue;
  }

  mRenderNotifyForRender.Take();
  SendRenderNotify(kAudioUnitRenderAction_PreRender, pTimestamp, outputBusIdx, nFrames, pBufferList);

  // Inputs are pulled once per time stamp, whatever the number of output buses.
  if (pTimestamp->mSampleTime != mLastRenderSampleTime) {
    const ComponentResult result = PullInputs(pTimestamp, nFrames);
    if (result != noErr) return result;
    mLastRenderSampleTime = pTimestamp->mSampleTime;
  }

  // Every call decides every output channel of the bus anew: the channels
  // this buffer list carries take its pointers, the others are disconnected,
  // so no host pointer outlives the call that handed it over. A bus whose
  // format was never negotiated carries what the host hands us.
  const int hostChannels = outBus->mNHostChannels < 0 ? nBuffers : outBus->mNHostChannels;
  const int nConnected = Max(Min(Min(hostChannels, nBuffers), outBus->mNPlugChannels), 0);
  SetOutputChannelConnections(outBus->mPlugChannelStartIdx, nConnected, true);
  for (int i = nConnected; i < outBus->mNPlugChannels; ++i)
    if (IsOutChannelConnected(outBus->mPlugChannelStartIdx + i))
      SetOutputChannelConnections(outBus->mPlugChannelStartIdx + i, 1, false);
  outBus->mConnected = true;

  for (int i = 0; i < nConnected; ++i) {
    AudioBuffer& buffer = pBufferList->mBuffers[i];
    if (!buffer.mData)
      buffer.mData =
          mOutScratchBuf.Get() + static_cast<size_t>(outBus->mPlugChannelStartIdx + i) * nFrames;
    float* data = static_cast<float*>(buffer.mData);
    AttachOutputBuffers(outBus->mPlugChannelStartIdx + i, 1, &data);
  }

  int lastConnected = -1;
  for (int i = 0; i < mOutBuses.GetSize() && mOutBuses.Get(i)->mConnected; ++i) lastConnected = i;
  if (lastConnected == static_cast<int>(outputBusIdx)) {
    const int nOutBuses = mOutBuses.GetSize();
    if (lastConnected + 1 < nOutBuses)
      SetOutputChannelConnections((lastConnected + 1) * 2, (nOutBuses - lastConnected - 1) * 2,
                                  false);
    // While bypassed the plug-in keeps processing into scratch so its frames
    // and delay lines stay current, and the host hears the delayed input.
    if (GetIsBypassed())
      ProcessBuffersBypassed(0.0f, static_cast<int>(nFrames));
    else
      ProcessBuffers(0.0f, static_cast<int>(nFrames));
  }

  SendRenderNotify(kAudioUnitRenderAction_PostRender, pTimestamp, outputBusIdx, nFrames, pBufferList);
  (void)pFlags;
  return noErr;
}
