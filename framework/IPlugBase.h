#pragma once
// IPlugBase: the host-independent base of every plug-in.
//
// It owns the parameters, the preset slots and the channel records, parses
// the channel configuration string, keeps sample rate, block size and
// latency, routes the host's buffers into the plug-in's block processing,
// and offers the hooks through which a plug-in reacts to parameter changes
// and reports its own changes to the host. A host adapter derives from it and
// implements the pure virtuals; the plug-in derives from the adapter.
//
// Threads: the host's render thread calls the processing entry (it takes no
// lock); the host's main thread and the editor call everything else. mMutex
// is the plug-in's recursive lock: parameter writes, state serialization,
// the default Reset/OnParamChange/OnActivate and AttachGraphics take it.
// Parameter values reach the audio thread whole, at the start of a block:
// every write of them is inside a ParamWriteSection, and each processing
// entry first hands the changed values to OnParamChangeAudio. What the audio
// path reads is derived there, on the audio thread alone.
#include "framework/ByteChunk.h"
#include "framework/Containers.h"
#include "framework/Hosts.h"
#include "framework/IGraphicsLink.h"
#include "framework/IParam.h"
#include "framework/IPlugStructs.h"
#include "framework/BypassCrossfade.h"
#include "framework/LatencyDelay.h"
#include "framework/Mutex.h"
#include "framework/ParamHandover.h"

#include <atomic>
#include <memory>

// Length of the effect, product and manufacturer names, terminator included.
constexpr int kMaxEffectNameLen = 128;
// Room the version and API string functions need, terminator included.
constexpr int kMaxVersionStrLen = 32;

// Packed versions: major * 65536 + minor * 256 + patch level.
void GetVersionParts(int version, int* pMajor, int* pMinor, int* pPatch);
// major * 10000 + minor * 100 + patch level.
int GetDecimalVersion(int version);
// "v%d.%d.%d" into out (kMaxVersionStrLen bytes).
void GetVersionStr(int version, char* out);

class IPlugBase {
public:
  // Main thread. channelIOStr lists the legal configurations as "in-out"
  // tokens separated by spaces ("1-1 2-2"); -1 matches any count.
  IPlugBase(int nParams, const char* channelIOStr, int nPresets, const char* effectName,
            const char* productName, const char* mfrName, int vendorVersion, int uniqueID,
            int mfrID, int latency, bool plugDoesMidi, bool plugDoesChunks, bool plugIsInst,
            EAPI api);
  IPlugBase(const IPlugBase&) = delete;
  IPlugBase& operator=(const IPlugBase&) = delete;

  // ---- Virtual operations, in slot order ----

  // Main thread. Deletes the editor first, then parameters, presets, channels.
  virtual ~IPlugBase();
  // Main thread, when the host resets the unit. Default: lock and return.
  virtual void Reset();
  // Thread of whoever stored the value, with the lock held. Default: lock and return.
  virtual void OnParamChange(int paramIdx);
  // Any thread, the audio thread included, inside the writer's
  // ParamWriteSection: what follows from a stored value beyond the audio
  // path (other parameters that follow it, the editor's texts), without
  // locking or allocating. A host adapter that applies the host's values on
  // the audio thread (LV2's run) calls this instead of OnParamChange; a
  // plug-in's OnParamChange usually calls it under the lock. Default: nothing.
  virtual void OnParamChangeRealtime(int paramIdx) {}
  // Audio thread, at the start of a block: parameter paramIdx now holds
  // value for the audio path (each change of a write section arrives in the
  // same block; the first block reports every parameter). Default: nothing.
  virtual void OnParamChangeAudio(int paramIdx, double value) {}
  // Audio thread, at the start of the first block after RequestAudioReset:
  // drop every sample of audio from before the reset. Default: nothing.
  virtual void OnAudioReset() {}
  // Render thread. Default: output i copies input i, outputs without input are silent.
  virtual void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames);
  // Render thread. Default: the same in 32-bit samples.
  virtual void ProcessSingleReplacing(float** inputs, float** outputs, int nFrames);
  // Main thread, editor window opened / closed; idle tick.
  virtual void OnGUIOpen() {}
  virtual void OnGUIClose() {}
  virtual void OnIdle() {}
  // User-interface thread, whenever the editor takes the values sent to it
  // (timer tick, window opening, an LV2 UI's idle): what the editor shows
  // beyond its controls' own parameters (lit buttons that follow the state
  // of other parameters, for example) is brought up to date here, from
  // state the plug-in keeps thread-safe.
  virtual void OnEditorRefresh() {}
  // Main thread, at initialize / uninitialize and bypass changes. Default: lock and return.
  virtual void OnActivate(bool active);
  // Render or main thread. Default: forwards to SendMidiMsg.
  virtual void ProcessMidiMsg(IMidiMsg* pMsg);
  virtual void ProcessSysEx(ISysEx* pSysEx) {}
  // Main thread. Default: writes "" and answers false.
  virtual bool MidiNoteName(int noteNumber, char* rName);
  // Main thread. The state chunk: one double per parameter (see IPlugPresets.cpp).
  virtual bool SerializeState(ByteChunk* pChunk);
  virtual int UnserializeState(ByteChunk* pChunk, int startPos);
  virtual bool CompareState(const unsigned char* incomingState, int startPos);
  // Main thread.
  virtual void OnWindowResize() {}
  virtual bool HostRequestingAboutBox() { return false; }
  virtual void OnHostIdentified() {}
  virtual void PopupHostContextMenuForParam(int paramIdx, int x, int y) {}
  // Main (editor) thread. Stores the value, informs the host, calls OnParamChange.
  virtual void SetParameterFromGUI(int paramIdx, double normalizedValue);
  // Main thread: gesture begin, value, gesture end, preset change.
  virtual void BeginInformHostOfParamChange(int paramIdx) = 0;
  virtual void InformHostOfParamChange(int paramIdx, double normalizedValue) = 0;
  virtual void EndInformHostOfParamChange(int paramIdx) = 0;
  virtual void InformHostOfProgramChange() = 0;
  // Any thread.
  virtual bool IsRenderingOffline() { return false; }
  // Render thread: the host's transport.
  virtual int GetSamplePos() = 0;
  virtual double GetTempo() = 0;
  virtual void GetTimeSig(int* pNum, int* pDenom) = 0;
  virtual void GetTime(ITimeInfo* pTimeInfo) = 0;
  // Any thread.
  virtual EHost GetHost() { return mHost; }
  virtual EAPI GetAPI() { return mAPI; }
  // Main thread.
  virtual void ResizeGraphics(int w, int h) = 0;
  virtual void HostSpecificInit() {}
  // Main thread. Takes ownership; null is ignored.
  virtual void AttachGraphics(IGraphicsLink* pGraphics);
  // Main thread, not while rendering: stores the latency and resizes the
  // bypass delay line to it.
  virtual void SetLatency(int samples);
  virtual bool SendMidiMsg(IMidiMsg* pMsg) = 0;
  virtual bool SendSysEx(ISysEx* pSysEx) { return false; }
  // Main thread. Pushes every parameter's real value into the editor.
  virtual void RedrawParamControls();
  virtual void DirtyPTCompareState() {}
  virtual void PresetsChangedByHost() {}
  // Main thread, not while rendering. Sizes the scratch buffers (and the
  // bypass delay line) for blocks of up to blockSize frames.
  virtual void SetBlockSize(int blockSize);

  // ---- Parameters ----

  // Brackets a write of parameter values (one or many): the audio thread
  // takes the values only between sections. Writer thread (under the
  // plug-in's lock, or in LV2's run); sections nest.
  class ParamWriteSection {
  public:
    explicit ParamWriteSection(IPlugBase* plug) : mPlug(plug) { mPlug->mParamHandover->BeginWrite(); }
    ~ParamWriteSection() { mPlug->mParamHandover->EndWrite(); }
    ParamWriteSection(const ParamWriteSection&) = delete;
    ParamWriteSection& operator=(const ParamWriteSection&) = delete;

  private:
    IPlugBase* mPlug;
  };

  // Audio thread: hands the parameters' changes to OnParamChangeAudio (see
  // ParamHandover.h). Every processing entry calls it first; a caller that
  // runs ProcessDoubleReplacing itself calls it before.
  void TakeParamChanges();

  // Any thread; null outside 0..NParams()-1.
  IParam* GetParam(int paramIdx) const { return mParams.Get(paramIdx); }
  int NParams() const { return mParams.GetSize(); }
  IGraphicsLink* GetGUI() const { return mGraphics; }
  // Main thread. OnParamChange for every index in order.
  void OnParamReset();
  // Main thread. Under the lock, informs the host of every parameter's value.
  void DirtyParameters();

  // ---- Identity and versions (main thread; the getters any thread) ----

  const char* GetEffectName() const { return mEffectName; }
  const char* GetProductName() const { return mProductName; }
  const char* GetMfrName() const { return mMfrName; }
  int GetUniqueID() const { return mUniqueID; }
  int GetMfrID() const { return mMfrID; }
  int GetEffectVersion(bool decimal) const;
  void GetEffectVersionStr(char* out) const;
  int GetHostVersion(bool decimal);
  void GetHostVersionStr(char* out);
  // "VST2", "VST3", "AU", "RTAS", "AAX", "Standalone", "LV2"; "" for other values.
  const char* GetAPIString();
  const char* GetArchString() const { return "x86"; }
  bool DoesStateChunks() const { return mStateChunks; }
  bool IsInst() const { return mIsInst; }
  // Main thread. Identifies the host from its application name.
  void SetHost(const char* hostName, int version);

  // ---- Audio setup (main thread, while the host is not rendering) ----

  double GetSampleRate() const { return mSampleRate; }
  void SetSampleRate(double sampleRate) { mSampleRate = sampleRate; }
  int GetBlockSize() const { return mBlockSize; }
  int GetLatency() const { return mLatency; }
  double GetSamplesPerBeat();
  // Main thread sets, render thread reads: atomic, no lock on the render path.
  bool GetIsBypassed() const { return mIsBypassed.load(std::memory_order_relaxed); }
  void SetIsBypassed(bool bypassed) { mIsBypassed.store(bypassed, std::memory_order_relaxed); }
  // Any thread (a host's reset, a locate): the audio thread drops the audio
  // it holds (the bypass delay line, and the plug-in's own through
  // OnAudioReset) at the start of its next block. Whatever the host's thread,
  // nothing is cleared under a render that may be running.
  void RequestAudioReset() { mAudioResetRequested.store(true, std::memory_order_release); }

  // ---- Channels ----
  // Called by the adapter on the render thread before each render, and on
  // the main thread when it reassesses connections (under the lock).

  int NInChannels() const { return mInChannels.GetSize(); }
  int NOutChannels() const { return mOutChannels.GetSize(); }
  int NChannelIO() const { return mChannelIO.GetSize(); }
  // The configuration at index, or null.
  const ChannelIO* GetChannelIO(int index) const { return mChannelIO.Get(index); }
  // Any thread. True when an entry matches both counts (negative = any).
  bool LegalIO(int nIn, int nOut) const;
  void SetInputChannelConnections(int idx, int n, bool connected);
  void SetOutputChannelConnections(int idx, int n, bool connected);
  bool IsInChannelConnected(int chIdx) const;
  bool IsOutChannelConnected(int chIdx) const;
  // Each connected channel in idx..idx+n-1 takes the next buffer; the float
  // overloads convert into the channel's scratch buffer (inputs) or remember
  // the host's destination (outputs). Null buffer lists are ignored; a null
  // float input buffer reads as silence.
  void AttachInputBuffers(int idx, int n, double** ppData, int nFrames);
  void AttachInputBuffers(int idx, int n, float** ppData, int nFrames);
  void AttachOutputBuffers(int idx, int n, double** ppData);
  void AttachOutputBuffers(int idx, int n, float** ppData);
  void SetInputLabel(int idx, const char* label);
  void SetOutputLabel(int idx, const char* label);
  // Buses 0 and 1 only for inputs, any bus >= 0 for outputs.
  void SetInputBusLabel(int idx, const char* label);
  void SetOutputBusLabel(int idx, const char* label);
  const char* GetInputLabel(int idx) const;
  const char* GetOutputLabel(int idx) const;
  // The label of a bus, or null.
  const WDL_String* GetInputBusLabel(int idx) const { return mInputBusLabels.Get(idx); }
  const WDL_String* GetOutputBusLabel(int idx) const { return mOutputBusLabels.Get(idx); }

  // ---- Processing entry (render thread; never allocates or locks) ----
  //
  // The first argument selects the sample type. nFrames is cut to the block
  // size announced with SetBlockSize (a host that exceeds it gets silence
  // for the extra frames of its float outputs). Every entry first takes the
  // parameters' changes and a requested reset, pushes the block's input into
  // the bypass delay line and runs with flush-to-zero. Switching between
  // ProcessBuffers and ProcessBuffersBypassed crossfades (BypassCrossfade.h).

  void ProcessBuffers(double sampleType, int nFrames);
  void ProcessBuffers(float sampleType, int nFrames);
  void ProcessBuffersAccumulating(float sampleType, int nFrames);
  // While bypassed: output i is input i delayed by the latency, outputs
  // without input are silent.
  void PassThroughBuffers(double sampleType, int nFrames);
  void PassThroughBuffers(float sampleType, int nFrames);
  // While bypassed, for plug-ins whose state must keep running: processes as
  // ProcessBuffers, then delivers the latency-delayed input instead.
  void ProcessBuffersBypassed(double sampleType, int nFrames);
  void ProcessBuffersBypassed(float sampleType, int nFrames);
  // Zero-fills every scratch buffer.
  void ZeroScratchBuffers();

  // ---- MIDI ----

  bool SendMidiMsgs(WDL_TypedBuf<IMidiMsg>* pMsgs);

  // ---- State and presets (IPlugPresets.cpp) ----

  int NPresets() const { return mPresets.GetSize(); }
  int GetCurrentPresetIdx() const { return mCurrentPresetIdx; }
  // Main thread.
  bool SerializeParams(ByteChunk* pChunk);
  // Reads one value per parameter from startPos and applies them all; a
  // chunk that is short or holds a value that is not a finite number is
  // refused (-1) before anything changes. Returns the position after the
  // last value.
  int UnserializeParams(ByteChunk* pChunk, int startPos);
  // Reads only: where the parameters' values from startPos end, or -1 when
  // one is missing or not a finite number.
  int CheckParams(const ByteChunk* pChunk, int startPos) const;
  // Main thread, reads only. Where the state UnserializeState would read
  // from startPos ends, when all of it is there and sound; -1 otherwise.
  // Plug-ins that override UnserializeState override this too.
  virtual int CheckState(const ByteChunk* pChunk, int startPos) const;
  // Whether a chunk handed over whole (a host's saved state, a preset file,
  // a preset slot) is exactly one state this plug-in can restore. Hosts
  // check this before applying anything.
  bool IsWholeState(const ByteChunk* pChunk) const;
  // The most bytes a state of this plug-in takes, so a host's data can be
  // refused by its size before it is copied. Plug-ins that override
  // UnserializeState override this too.
  virtual int MaxStateSize() const { return NParams() * static_cast<int>(sizeof(double)); }
  // One value per parameter: int for bool/int/enum parameters, else double.
  void MakePreset(const char* name, ...);
  // nParamsNamed pairs of (int index, value typed as for MakePreset).
  void MakePresetFromNamedParams(const char* name, int nParamsNamed, ...);
  void MakePresetFromChunk(const char* name, ByteChunk* pChunk);
  void MakePresetFromBlob(const char* name, const char* blob, int sizeOfChunk);
  void MakeDefaultPreset(const char* name = nullptr, int nPresets = 1);
  void EnsureDefaultPreset();
  void PruneUninitializedPresets();
  bool RestorePreset(int idx);
  bool RestorePreset(const char* name);
  const char* GetPresetName(int idx) const;
  void ModifyCurrentPreset(const char* name = nullptr);
  bool SerializePresets(ByteChunk* pChunk);
  int UnserializePresets(ByteChunk* pChunk, int startPos);
  // Developer aids: write the current values as a preset declaration.
  void DumpPresetSrcCode(const char* filename, const char* paramEnumNames[]);
  void DumpPresetBlob(const char* filename);
  // The text DumpPresetBlob writes; false (and "") without a current preset.
  bool GetPresetBlobText(WDL_String* out) const;

protected:
  // Audio thread, inside ProcessDoubleReplacing: the plug-in writes outputs
  // first..first+n-1 of this block itself, as floats, straight into the
  // host's buffers, which it finds in dests[0..n-1]; the framework then
  // leaves those outputs alone (their double buffers are neither read nor
  // written). This saves a pass over outputs that a plug-in computes only
  // to hand them on. False, and nothing taken, unless the block reaches the
  // host as floats unchanged: ProcessBuffers' float entry, no bypass fade
  // under way, every output of the range connected to a host buffer that no
  // other output shares. One range per block.
  bool TakeFloatOutputs(int first, int n, float** dests);

  WDL_PtrList<ChannelIO> mChannelIO;  // legal configurations, in string order
  WDL_Mutex mMutex;                   // the plug-in's recursive lock
  char mEffectName[kMaxEffectNameLen] = "";
  char mProductName[kMaxEffectNameLen] = "";
  char mMfrName[kMaxEffectNameLen] = "";
  int mUniqueID;
  int mMfrID;
  int mVersion;
  EAPI mAPI;
  EHost mHost = kHostUninit;
  int mHostVersion = 0;
  bool mStateChunks;
  bool mIsInst;
  std::atomic<bool> mIsBypassed{false};  // host bypass
  int mCurrentPresetIdx = 0;
  double mSampleRate = 44100.0;
  int mBlockSize = 0;
  int mLatency;
  // The attached editor or null; owned. The base holds it through
  // IGraphicsLink (not the GUI toolkit's context) so the framework builds
  // without the GUI.
  IGraphicsLink* mGraphics = nullptr;
  WDL_PtrList<IParam> mParams;
  WDL_PtrList<IPreset> mPresets;
  WDL_TypedBuf<double*> mInData;   // sample pointer of each input, as processed
  WDL_TypedBuf<double*> mOutData;  // sample pointer of each output
  WDL_PtrList<InChannel> mInChannels;
  WDL_PtrList<OutChannel> mOutChannels;
  WDL_PtrList<WDL_String> mInputBusLabels;
  WDL_PtrList<WDL_String> mOutputBusLabels;
  // Input delayed by mLatency for bypass, one ring per input channel.
  LatencyDelay* mLatencyDelay = nullptr;

private:
  // Audio thread, first in every processing entry.
  void BeginBlock(bool bypassed);
  // Audio thread: the processed outputs mixed with the delayed input while
  // the bypass crossfade moves toward `bypassed`.
  void MixBypassFade(bool bypassed, int nFrames);

  void ParseChannelIO(const char* channelIOStr);
  int CutFrames(int nFrames) const;
  void RunProcessing(int nFrames);
  void DeliverDelayedInput(int nFrames);
  void ConvertOutputsToFloat(int nFrames, bool accumulate, int framesRequested);
  bool SharesFloatBuffer(int chIdx) const;

  std::unique_ptr<ParamHandover> mParamHandover;
  std::atomic<bool> mAudioResetRequested{false};
  BypassCrossfade mBypassFade;          // audio thread
  // Audio thread: true while ProcessBuffers' float entry runs the block;
  // the outputs the plug-in took (TakeFloatOutputs), none when first == end.
  bool mFloatBlock = false;
  int mTakenFirst = 0;
  int mTakenEnd = 0;
  WDL_TypedBuf<double> mDelayedScratch;  // one channel's delayed input, mBlockSize frames
};
