#pragma once
// Corvane: splits a stereo signal into its transient part and its residual
// part and lets the user rebalance, pan and solo them.
//
// The plug-in class owns the separation engine, builds its editor at
// construction (whether or not a window is ever opened) and drives the
// editor's faders and meters from the engine. Parameters are addressed by
// index 0..10 everywhere.
#include <atomic>
#include <limits>

#include "editor/look/EditorLook.h"
#include "engine/EngineHost.h"
#include "engine/TransientEngine.h"
#include "plugin/CorvaneApi.h"
#include "plugin/CorvaneIdentity.h"

class Bouton2;
class Bouton3;
class Fader;
class IGraphics;
class Knob;
class VUmetre;
class VUmetreOver;

enum ECorvaneParams {
  kTransient = 0,
  kResidual,
  kAmount,
  kSensitivity,
  kPan1,
  kPan2,
  kSoloTransient,
  kSoloResidual,
  kMode1,
  kMode2,
  kMode3,
  kNumCorvaneParams
};

constexpr int kCorvaneNumPresets = 10;
// The channel configurations. An LV2 host may also take the two parts on
// outputs of their own: the mix on outputs 0-1, then the transient part
// (2-3) and the residual part (4-5). The Audio Unit keeps mono and stereo.
#if defined(CORVANE_API_LV2)
constexpr const char* kCorvaneChannelIO = "1-1 2-2 2-6";
#else
constexpr const char* kCorvaneChannelIO = "1-1 2-2";
#endif
constexpr int kCorvaneFirstPartOutput = 2;
constexpr int kCorvaneLatency = TransientEngine::kFrameLength;
constexpr int kCorvaneWidth = editor_look::kWindowWidth, kCorvaneHeight = editor_look::kWindowHeight;

class Corvane : public CorvanePlugBase, private EngineHost {
public:
  explicit Corvane(const IPlugInstanceInfo& info);
  ~Corvane() override;

  // Main thread (the host's reset, or after rate/block-size/bypass changes).
  void Reset() override;
  // Any thread that stores a parameter; holds the plug-in's lock throughout.
  void OnParamChange(int paramIdx) override;
  // The thread that stored the value, lock-free: the parameters that follow
  // it (exclusive solos and modes) and the fader's text.
  void OnParamChangeRealtime(int paramIdx) override;
  // Audio thread, at the start of a block: the engine follows the value.
  void OnParamChangeAudio(int paramIdx, double value) override;
  // Audio thread, at the start of the first block after a host's reset.
  void OnAudioReset() override;
  // User-interface thread: the buttons and meters that follow the engine's
  // solo and mode state.
  void OnEditorRefresh() override;
  // Main thread: a state whose mode parameters are made exclusive first.
  int UnserializeState(ByteChunk* pChunk, int startPos) override;
  // Audio thread. With output 2 connected (the split configuration),
  // outputs 2-5 receive the parts; else, while parts are kept, the kept
  // buffers do.
  void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) override;
  // Main thread, not while rendering: sizes the kept parts' buffers too.
  void SetBlockSize(int blockSize) override;

  // Main thread, not while rendering: whether every block's two parts are
  // kept for the caller of the render (a host whose outputs carry only the
  // mix, such as the command's JACK session, which hands them to ports of
  // its own). Each part as it enters the mix, as on the split outputs.
  void KeepParts(bool keep);
  // Render thread, right after a render: part m (transient L/R, residual
  // L/R) of the block just processed, or null when parts are not kept.
  const double* KeptPart(int m) const;

  // Recompute one part's gain from its parameter and smoothed value by the
  // gain law and refresh its fader's text (audio thread, from the processing loop).
  void UpdateFader1() override;
  void UpdateFader2() override;

  void CreatePresets();

  TransientEngine& Engine() { return mEngine; }
  IGraphics* Editor();
  Fader* TransientFader() { return mFader1; }
  Fader* ResidualFader() { return mFader2; }
  VUmetre* TransientMeter() { return mVU1; }
  VUmetre* ResidualMeter() { return mVU2; }
  VUmetreOver* TransientOverlay() { return mOver1; }
  VUmetreOver* ResidualOverlay() { return mOver2; }
  Bouton2* SoloButton(int part) { return part == 0 ? mSolo1 : mSolo2; }
  Bouton3* ModeButton(int mode) { return mode >= 1 && mode <= 3 ? mModeButtons[mode - 1] : nullptr; }
  Knob* GetKnob(int i) { return i >= 0 && i < 4 ? mKnobs[i] : nullptr; }

private:
  // Meters, called by the engine on the audio thread.
  void FeedMeters(double transientL, double transientR, double residualL, double residualR) override;
  void FeedMeterRun(const double* transientL, const double* transientR, const double* residualL,
                    const double* residualR, int n) override;
  void LowerMeters(double dB) override;
  void SetMeterSampleRate(double sampleRate) override;

  // Construction steps, in the constructor's order (the editor's in
  // CorvaneEditor.cpp).
  IGraphics* makeEditorContext();
  void makeFaders(IGraphics* g);
  void attachTopKnobs(IGraphics* g);
  void declareParameters(double gainDefault);
  void attachPanKnobsAndFaders(IGraphics* g);
  void attachMeters(IGraphics* g);
  void attachButtons(IGraphics* g);

  // Audio thread: the gain law for one part (target, gain, text).
  void updateFader(int part);
  void soloChanged(int part, double value);
  // Writer thread.
  void switchOff(int paramIdx);
  void refreshFaderText(int part, double u);

  TransientEngine mEngine;
  // The kept parts: four arrays of the block size; written and read on the
  // render thread, sized on the main thread while no render runs.
  bool mKeepParts = false;
  WDL_TypedBuf<double> mKeptParts;
  double* mKeptPartPtrs[4] = {};
  // Audio thread only: the two gain parameters as last taken.
  double mGainParam[2] = {0.0, 0.0};
  // Audio thread only: the decibels of each fader's text as updateFader
  // last formatted it (NaN: never).
  double mEngineTextDb[2] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN()};

  // Editor controls (owned by the graphics context).
  Fader* mFader1 = nullptr;
  Fader* mFader2 = nullptr;
  Knob* mKnobs[4] = {};  // Amount, Sensitivity, Pan 1, Pan 2
  VUmetre* mVU1 = nullptr;
  VUmetre* mVU2 = nullptr;
  VUmetreOver* mOver1 = nullptr;
  VUmetreOver* mOver2 = nullptr;
  Bouton2* mSolo1 = nullptr;
  Bouton2* mSolo2 = nullptr;
  Bouton3* mModeButtons[3] = {};
};

// The factory the component entry calls; serialises constructions.
CorvanePlugBase* MakePlug();

#if !defined(CORVANE_API_LV2)
extern "C" ComponentResult Corvane_Entry(ComponentParameters* params, Handle storage);
extern "C" ComponentResult Corvane_ViewEntry(ComponentParameters* params, Handle storage);
#endif
