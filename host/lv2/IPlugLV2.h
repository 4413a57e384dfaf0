#pragma once
// IPlugLV2: the LV2 host adapter. It turns the plug-in base into an LV2
// plug-in: one LV2 plug-in (one URI) per channel configuration the plug-in
// declares a variant for, with this port layout (LV2PortLayout.h):
//
//   control inputs   one per parameter, in real units, except that the
//                    parameters of a choice share one enumeration port
//   then             "enabled" (lv2:enabled): 0 bypasses, latency kept
//   then             "latency" output (lv2:reportsLatency)
//   then             nIn audio inputs, then nOut audio outputs
//
// Parameters: the host's control ports are the parameters' one source, and
// run() their one writer. It compares every control port with the value it
// saw last and hands only the ports that changed to the parameter model, the
// editor's mailbox and OnParamChangeRealtime, inside one write section (the
// audio path takes them whole at the block's start); it takes no lock, so
// the editor holding the plug-in's lock never delays the audio thread. The
// editor does not set parameters itself: its changes travel to the host
// through a queue the UI drains on its thread and writes to the host's ports
// (DrainHostUpdates), and come back through run() like any host change, so
// no change of the host's is ever mistaken for the editor's, and a group of
// parameters (a choice, the two pans of a control) is only ever written by
// one thread.
//
// State: the LV2 state extension stores the plug-in's state chunk (what
// SerializeState writes) as one atom:Chunk property; restore refuses, with
// nothing changed, a chunk that is not exactly one state (IsWholeState).
//
// Threads, in LV2's threading classes: instantiation class (instantiate,
// activate, deactivate, cleanup, state save/restore) on the host's main
// thread; audio class (connect_port, run) on the audio thread; the UI
// (IPlugLV2UI.h) calls DrainHostUpdates, TakeResizeRequest and the editor on
// the UI thread.
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include "framework/IPlugBase.h"
#include "host/lv2/LV2PortLayout.h"

// What the plug-in's factory hands to the adapter's constructor. The two
// strings keep the plug-in's identity for the other host adapters; LV2 finds
// the plug-in by the URIs of its IPlugLV2Def instead.
struct IPlugInstanceInfo {
  WDL_String mOSXBundleID;
  WDL_String mCocoaViewFactoryClassName;
};

class IPlugLV2;
using IPlugLV2Factory = IPlugLV2* (*)();

// A stereo pair of a variant's outputs that hosts show as one named output
// (an LV2 port group): outputs firstOut and firstOut + 1, left and right.
// The ports' symbols are the group's symbol with "_l" and "_r".
struct IPlugLV2OutputGroup {
  const char* symbol;
  const char* name;
  int firstOut;
};

// One LV2 plug-in built from a framework plug-in: a URI and the channel
// configuration (one of the plug-in's "in-out" entries) it runs with. Its
// outputs may come in stereo groups; the first group is the plug-in's main
// output (and should start at output 0, so a host treats the plug-in as it
// treats one with only that pair).
struct IPlugLV2Variant {
  const char* uri;
  int nIn;
  int nOut;
  const char* nameSuffix;  // appended to the effect name ("" for the main variant)
  const IPlugLV2OutputGroup* outputGroups = nullptr;
  int nOutputGroups = 0;
};

// A control port that chooses one of several parameters that are each 0 or
// 1 with one of them at 1 (mode buttons, say): a host shows one enumeration
// with a label per parameter, and the port's value is the position of the
// chosen parameter in `params`. Inside, the parameters (and so the state)
// stay as they are: choosing sets the chosen one to 1 and the others to 0.
struct IPlugLV2Choice {
  const char* symbol;
  const char* name;
  int nParams;
  const int* params;          // parameter indices, in port-value order
  const char* const* labels;  // one per parameter
};

// A labelled value a host may show on a parameter's port (real units).
struct IPlugLV2ScalePoint {
  int paramIdx;
  double value;
  const char* label;
};

// Everything LV2 needs to know about a plug-in beyond what the plug-in object
// itself tells: URIs, names for parameters the plug-in leaves unnamed (a port
// needs a name and a stable symbol; null entries get "Parameter N" and
// "param_N"), choices, scale points and the maker's name. The TTL generator
// and the adapter read the same record.
struct IPlugLV2Def {
  IPlugLV2Factory makePlug;
  const IPlugLV2Variant* variants;
  int nVariants;
  const char* stateKeyUri;     // the state property holding the chunk
  const char* presetUriPrefix; // factory preset i is <prefix><i + 1>
  const char* uiUri;           // null: no editor UI
  const char* pluginClass;     // an lv2: class name such as "DynamicsPlugin"
  const char* binary;          // file name of the shared library in the bundle
  const char* const* paramNames;    // nParams entries or null
  const char* const* paramSymbols;  // nParams entries or null
  const IPlugLV2Choice* choices = nullptr;
  int nChoices = 0;
  const IPlugLV2ScalePoint* scalePoints = nullptr;
  int nScalePoints = 0;
};

// The descriptor the host sees, followed by what the adapter needs to build
// the variant; the host's LV2_Descriptor pointer is a pointer to this.
struct IPlugLV2Descriptor {
  LV2_Descriptor lv2;
  const IPlugLV2Def* def;
  int variant;
};

// Receives the editor's parameter changes for the host (UI thread).
class IPlugLV2HostWriter {
public:
  virtual ~IPlugLV2HostWriter() = default;
  // A drag begins (grabbed) or ends on the control port.
  virtual void Touch(uint32_t portIndex, bool grabbed) = 0;
  // The port's new value in real units.
  virtual void Write(uint32_t portIndex, float value) = 0;
};

class IPlugLV2 : public IPlugBase {
public:
  // Largest block the adapter processes at once; longer runs are split.
  static constexpr int kMaxBlockSize = 8192;
  // Block size assumed when the host announces none.
  static constexpr int kDefaultBlockSize = 4096;

  // Main thread, from the plug-in's constructor (inside its factory). The
  // arguments are those of the other host adapters.
  IPlugLV2(const IPlugInstanceInfo& instanceInfo, int nParams, const char* channelIOStr,
           int nPresets, const char* effectName, const char* productName, const char* mfrName,
           int vendorVersion, int uniqueID, int mfrID, int latency, bool plugDoesMidi = false,
           bool plugDoesChunks = false, bool plugIsInst = false);
  ~IPlugLV2() override;

  // Fills an LV2 descriptor for one variant of a plug-in definition.
  static void FillDescriptor(IPlugLV2Descriptor* pDesc, const IPlugLV2Def* pDef, int variant);

  // ---- IPlugBase overrides (slot order) ----
  // Every LV2 plug-in applies port changes on the audio thread.
  void OnParamChangeRealtime(int paramIdx) override = 0;
  // Editor thread: the value goes to the host's port (see above).
  void SetParameterFromGUI(int paramIdx, double normalizedValue) override;
  void BeginInformHostOfParamChange(int idx) override;
  void InformHostOfParamChange(int idx, double normalizedValue) override;
  void EndInformHostOfParamChange(int idx) override;
  void InformHostOfProgramChange() override {}
  int GetSamplePos() override { return 0; }
  double GetTempo() override { return 120.0; }
  void GetTimeSig(int* pNum, int* pDenom) override;
  void GetTime(ITimeInfo*) override {}
  void ResizeGraphics(int w, int h) override;
  void HostSpecificInit() override;
  bool SendMidiMsg(IMidiMsg*) override { return false; }

  // ---- The LV2 plug-in operations (static entries cast and forward here) ----

  // Instantiation class: after construction, before any other call. False
  // when the variant's channel configuration is not one of the plug-in's.
  bool InitForHost(const IPlugLV2Def* pDef, int variant, double sampleRate,
                   const LV2_Feature* const* features);
  // Audio class: stores the pointer only.
  void ConnectPort(uint32_t port, void* data);
  // Instantiation class.
  void Activate();
  void Deactivate();
  // Audio class. Never allocates, locks or waits.
  void Run(uint32_t nFrames);
  // Instantiation class.
  LV2_State_Status SaveState(LV2_State_Store_Function store, LV2_State_Handle handle);
  LV2_State_Status RestoreState(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

  // ---- For the UI (UI thread) ----

  // Sends the editor's pending gestures and values to the host's ports, in
  // the order begin, value, end for each parameter.
  void DrainHostUpdates(IPlugLV2HostWriter* writer);
  // The size the editor asked for since the last call, if any.
  bool TakeResizeRequest(int* pW, int* pH);
  const LV2PortLayout& Layout() const { return mLayout; }
  const IPlugLV2Def* Def() const { return mDef; }
  int Variant() const { return mVariant; }

private:
  struct PendingUpdate;
  // Hands the changed control ports to the parameters (audio thread).
  void ApplyControlPorts();
  // A host value for one parameter: stored, sent to the editor, applied (audio thread).
  void ApplyHostValue(int paramIdx, double v);
  // What a control port carries for a parameter holding `value`: the value,
  // or a choice's position (NaN when the parameter is not the chosen one).
  // Any thread.
  float PortValueFor(int paramIdx, double value) const;
  // What a control port carries now: a parameter's value, or a choice's
  // position (NaN when none of its parameters is at 1). Any thread.
  float ControlValue(uint32_t port) const;
  // Queues every parameter's value for the host (after a state restore).
  void QueueAllParamsForHost();
  void QueueValueForHost(int paramIdx);

  const IPlugLV2Def* mDef = nullptr;
  int mVariant = 0;
  LV2PortLayout mLayout;
  LV2_URID_Map* mMap = nullptr;
  LV2_URID mStateKey = 0;
  LV2_URID mAtomChunk = 0;

  // Port buffers as the host connected them (audio thread).
  WDL_TypedBuf<const float*> mControlPorts;
  WDL_TypedBuf<float> mLastSeen;  // last value read from each control port
  const float* mEnabledPort = nullptr;
  float* mLatencyPort = nullptr;
  WDL_TypedBuf<float*> mAudioIn;  // read only; the base takes float**
  WDL_TypedBuf<float*> mAudioOut;
  WDL_TypedBuf<float*> mInPtrs, mOutPtrs;  // the current slice of each audio port

  // Editor -> host queue: one record per parameter, written on the editor's
  // thread (and by run() for the parameters that follow another), drained on
  // the UI thread.
  std::unique_ptr<PendingUpdate[]> mPending;   // per parameter
  std::atomic<int> mRequestedW{0}, mRequestedH{0};
};
