#include "plugin/Corvane.h"

#include "editor/Bouton.h"
#include "editor/Fader.h"
#include "editor/Knob.h"
#include "editor/VUmetre.h"
#include "editor/look/EditorLook.h"
#include "engine/ParameterLaws.h"
#include "plugin/CorvaneFaderScale.h"
#include "plugin/CorvaneGraphics.h"
#include "gui/IGraphics.h"

namespace look = editor_look;

namespace {

enum EImageIds {
  kBackgroundId = 102, kFaderHandleId = 103, kVuId = 105, kClipId = 106, kSoloOnId = 107,
  kSoloPressedId = 108, kKnobId = 109, kKnob2Id = 110, kMode1PressedId = 116,
  kMode2PressedId = 117, kMode3PressedId = 118, kMode1OnId = 119, kMode2OnId = 120,
  kMode3OnId = 121, kVuDimmedId = 122, kVuHighlightedId = 123, kClipSoloId = 124
};

IRECT ToIRECT(const LICE_RECT& r) { return IRECT(r.left, r.top, r.right, r.bottom); }

}  // namespace

Corvane::Corvane(const IPlugInstanceInfo& info)
    : CorvanePlugBase(info, kNumCorvaneParams, "1-1 2-2", kCorvaneNumPresets, kCorvaneName, "", kCorvaneMaker,
              kCorvaneVersion, kCorvaneUniqueID, kCorvaneUniqueID, kCorvaneLatency),
      mEngine(this) {
  IGraphics* g = MakeGraphics(this, kCorvaneWidth, kCorvaneHeight, 0);
  g->AttachBackground(kBackgroundId, "resources/img/backgroundNU.png");
  g->HandleMouseOver(true);

  // Both handles rest on the same bottom line; each fader's travel is the
  // one the gain law is written for.
  IBitmap handle = g->LoadIBitmap(kFaderHandleId, "resources/img/faderhandle.png");
  auto makeFader = [&](const look::FaderGeometry& at, int paramIdx) {
    return new Fader(this, at.x, at.y, paramIdx, &handle, at.top, at.bottom, IChannelBlend::kBlendNone, 0.0);
  };
  mFader1 = makeFader(look::kTransientFader, kTransient);
  mFader2 = makeFader(look::kResidualFader, kResidual);
  // Both faders return to the transient fader's 0 dB mark: with the gain law
  // that value gives unity gain on both.
  const double zeroDb = mFader1->Get0();
  mFader1->SetFaderDefault(zeroDb);
  mFader2->SetFaderDefault(zeroDb);

  IBitmap knob = g->LoadIBitmap(kKnobId, "resources/img/real_knob.png", look::kKnobFrames);
  const look::Point amount = look::kAmountKnob, sensitivity = look::kSensitivityKnob;
  mKnobs[1] = new Knob(this, sensitivity.x, sensitivity.y, kSensitivity, &knob, kVertical, 4.0, 0.7);
  mKnobs[0] = new Knob(this, amount.x, amount.y, kAmount, &knob, kVertical, 4.0, 0.7);
  g->AttachControl(mKnobs[0]);
  g->AttachControl(mKnobs[1]);

  GetParam(kTransient)->InitDouble("Transient", zeroDb, 0.0, 1.0, 1e-06, "", "");
  GetParam(kResidual)->InitDouble("Residual", zeroDb, 0.0, 1.0, 1e-06, "", "");
  GetParam(kAmount)->InitDouble("Amount", 0.7, 0.0, 1.0, 1e-06, "", "");
  GetParam(kSensitivity)->InitDouble("Sensitivity", 0.7, 0.0, 1.0, 1e-06, "", "");
  GetParam(kPan1)->InitDouble("Pan 1", 0.5, 0.0, 1.0, 1e-06, "", "");
  GetParam(kPan2)->InitDouble("Pan 2", 0.5, 0.0, 1.0, 1e-06, "", "");
  GetParam(kMode1)->InitDouble("Mode 1", 1.0, 0.0, 1.0, 1.0, "", "");
  GetParam(kMode2)->InitDouble("Mode 2", 0.0, 0.0, 1.0, 1.0, "", "");
  GetParam(kMode3)->InitDouble("Mode 3", 0.0, 0.0, 1.0, 1.0, "", "");
  // The two solo parameters keep the parameter model's fresh state.

  IBitmap knob2 = g->LoadIBitmap(kKnob2Id, "resources/img/real_knob_2b2.png", look::kKnobFrames);
  const look::Point pan1 = look::kPan1Knob, pan2 = look::kPan2Knob;
  mKnobs[2] = new Knob(this, pan1.x, pan1.y, kPan1, &knob2, kVertical, 0.4, 0.5);
  mKnobs[3] = new Knob(this, pan2.x, pan2.y, kPan2, &knob2, kVertical, 0.4, 0.5);
  g->AttachControl(mKnobs[2]);
  g->AttachControl(mKnobs[3]);
  g->AttachControl(mFader1);
  g->AttachControl(mFader2);

  IBitmap vu = g->LoadIBitmap(kVuId, "resources/img/vu.png");
  IBitmap vuHighlighted = g->LoadIBitmap(kVuHighlightedId, "resources/img/vuSoloOn.png");
  IBitmap vuDimmed = g->LoadIBitmap(kVuDimmedId, "resources/img/vuSoloOff.png");
  mVU1 = new VUmetre(this, ToIRECT(look::MeterRect(look::kTransientMeterX)), &vu, &vuDimmed, &vuHighlighted);
  mVU2 = new VUmetre(this, ToIRECT(look::MeterRect(look::kResidualMeterX)), &vu, &vuDimmed, &vuHighlighted);
  g->AttachControl(mVU1);
  g->AttachControl(mVU2);

  IBitmap clip = g->LoadIBitmap(kClipId, "resources/img/clipping.png");
  IBitmap clipSolo = g->LoadIBitmap(kClipSoloId, "resources/img/clippingSolo.png");
  mOver1 = new VUmetreOver(this, ToIRECT(look::OverlayRect(look::kTransientMeterX)), &clip, &clipSolo);
  mOver2 = new VUmetreOver(this, ToIRECT(look::OverlayRect(look::kResidualMeterX)), &clip, &clipSolo);
  g->AttachControl(mOver1);
  g->AttachControl(mOver2);

  IBitmap soloPressed = g->LoadIBitmap(kSoloPressedId, "resources/img/solopressed.png");
  IBitmap soloOn = g->LoadIBitmap(kSoloOnId, "resources/img/soloon.png");
  const look::Point solo1 = look::kTransientSolo, solo2 = look::kResidualSolo;
  mSolo1 = new Bouton2(this, solo1.x, solo1.y, kSoloTransient, &soloOn, &soloPressed);
  mSolo2 = new Bouton2(this, solo2.x, solo2.y, kSoloResidual, &soloOn, &soloPressed);
  g->AttachControl(mSolo1);
  g->AttachControl(mSolo2);

  IBitmap modeOn[3] = {g->LoadIBitmap(kMode1OnId, "resources/img/mode1On.png"),
                       g->LoadIBitmap(kMode2OnId, "resources/img/mode2On.png"),
                       g->LoadIBitmap(kMode3OnId, "resources/img/mode3On.png")};
  IBitmap modePressed[3] = {g->LoadIBitmap(kMode1PressedId, "resources/img/mode1Pressed.png"),
                            g->LoadIBitmap(kMode2PressedId, "resources/img/mode2Pressed.png"),
                            g->LoadIBitmap(kMode3PressedId, "resources/img/mode3Pressed.png")};
  for (int m = 0; m < 3; ++m) {
    const look::Point at = look::kModeButtons[m];
    mModeButtons[m] = new Bouton3(this, at.x, at.y, kMode1 + m, &modeOn[m], &modePressed[m]);
    g->AttachControl(mModeButtons[m]);
  }

  if (mEngine.GetMode() == TransientEngine::kModeHaar) mModeButtons[0]->SetValueFromPlug(1.0);

  AttachGraphics(g);
  CreatePresets();
}

Corvane::~Corvane() = default;

IGraphics* Corvane::Editor() { return static_cast<IGraphics*>(GetGUI()); }

void Corvane::Reset() { WDL_MutexLock lock(&mMutex); }

void Corvane::OnParamChange(int paramIdx) {
  WDL_MutexLock lock(&mMutex);
  OnParamChangeRealtime(paramIdx);
}

// Every value written here is one atomic number of the engine (or a fader's
// text) that the audio thread reads at its next sample or, while the gains
// are settled, its next run of at most 64 samples; the editor follows in
// OnEditorRefresh.
void Corvane::OnParamChangeRealtime(int paramIdx) {
  IParam* param = GetParam(paramIdx);
  if (!param) return;
  const double v = param->Value();
  switch (paramIdx) {
    case kTransient:
      mGainParam[0].store(v, std::memory_order_relaxed);
      updateFader(0, false);
      break;
    case kResidual:
      mGainParam[1].store(v, std::memory_order_relaxed);
      updateFader(1, false);
      break;
    case kAmount: mEngine.SetAmountTarget(AmountFraction(v)); break;
    case kSensitivity: mEngine.SetSensitivity(v); break;
    case kPan1: {
      const PanFactors f = PanLaw(v);
      mEngine.SetTransientPan(f.left, f.right);
      break;
    }
    case kPan2: {
      const PanFactors f = PanLaw(v);
      mEngine.SetResidualPan(f.left, f.right);
      break;
    }
    case kSoloTransient: soloChanged(0, v); break;
    case kSoloResidual: soloChanged(1, v); break;
    case kMode1: case kMode2: case kMode3: modeChanged(paramIdx - kMode1 + 1, v); break;
    default: break;
  }
}

// The solos exclude each other: the one switched on last wins; switching one
// off leaves both parts audible. The other solo parameter's stored value is kept.
void Corvane::soloChanged(int part, double value) {
  const float flag = static_cast<float>(value);
  if (part == 0) mEngine.SetTransientSolo(flag); else mEngine.SetResidualSolo(flag);
  if (flag > 0.5f) {
    if (part == 0) mEngine.SetResidualSolo(0.0f); else mEngine.SetTransientSolo(0.0f);
  }
}

// A mode parameter switches the mode only at exactly 1.0.
// Selecting a mode leaves exactly one mode parameter at 1: the other two go
// to 0 in the parameter model, the editor and the host, so a saved state
// always holds the mode that is heard (any thread; every step is lock-free).
void Corvane::modeChanged(int mode, double value) {
  if (value != 1.0) return;
  mEngine.SetMode(mode);
  for (int m = 1; m <= 3; ++m) {
    IParam* other = GetParam(kMode1 + m - 1);
    if (m == mode || other->Value() == 0.0) continue;
    other->Set(0.0);
    if (IGraphicsLink* editor = GetGUI()) editor->SetParameterFromPlug(kMode1 + m - 1, 0.0, true);
    InformHostOfParamChange(kMode1 + m - 1, 0.0);
  }
}

// A state keeps exactly one mode at 1: of several (a state saved before modes
// excluded each other), the highest, which is the one such a state has
// always been restored to; of none, the mode playing now.
int Corvane::UnserializeState(ByteChunk* pChunk, int startPos) {
  const int end = CheckParams(pChunk, startPos);
  if (end < 0) return -1;
  double values[kNumCorvaneParams];
  for (int i = 0, pos = startPos; i < kNumCorvaneParams; ++i) pos = pChunk->Get(&values[i], pos);
  int mode = 0;
  for (int m = 1; m <= 3; ++m)
    if (values[kMode1 + m - 1] == 1.0) mode = m;
  if (mode == 0) mode = mEngine.GetMode();
  for (int m = 1; m <= 3; ++m) values[kMode1 + m - 1] = m == mode ? 1.0 : 0.0;
  ByteChunk exclusive;
  for (double v : values) exclusive.Put(&v);
  return IPlugBase::UnserializeState(&exclusive, 0) < 0 ? -1 : end;
}

// The solo buttons, the meters' solo looks and the mode buttons show what the
// engine does (transient solo wins when both flags are on), whichever thread
// changed it.
void Corvane::OnEditorRefresh() {
  const bool transientSolo = mEngine.TransientSolo() > 0.5f;
  const bool residualSolo = !transientSolo && mEngine.ResidualSolo() > 0.5f;
  mSolo1->SetValueFromPlug(transientSolo ? 1.0 : 0.0);
  mSolo2->SetValueFromPlug(residualSolo ? 1.0 : 0.0);
  mOver1->SetSoloShown(transientSolo);
  mOver2->SetSoloShown(residualSolo);
  mVU1->SetHighlighted(transientSolo);
  mVU1->SetDimmed(residualSolo);
  mVU2->SetHighlighted(residualSolo);
  mVU2->SetDimmed(transientSolo);
  const int mode = mEngine.GetMode();
  for (int m = 1; m <= 3; ++m) mModeButtons[m - 1]->SetValueFromPlug(m == mode ? 1.0 : 0.0);
}

void Corvane::UpdateFader1() { updateFader(0, true); }
void Corvane::UpdateFader2() { updateFader(1, true); }

// The text follows the parameter and the zone of the smoothed value, so
// while a gain is smoothed it seldom changes: the engine's calls format it
// only when its decibels differ from the ones they last formatted. (If a
// parameter change's own text lands in between, the engine's next change of
// decibels writes over it as before.)
void Corvane::updateFader(int part, bool fromEngine) {
  Fader* fader = part == 0 ? mFader1 : mFader2;
  const double u = mGainParam[part].load(std::memory_order_relaxed);
  if (part == 0) mEngine.SetTransientTarget(u); else mEngine.SetResidualTarget(u);
  const double v = part == 0 ? mEngine.SmoothedTransient() : mEngine.SmoothedResidual();
  const GainLawResult r = GainLaw(u, v, PartFaderScale(part));
  if (r.zoneFound) {
    if (part == 0) mEngine.SetTransientGain(r.gain); else mEngine.SetResidualGain(r.gain);
  }
  if (!fromEngine) {
    fader->double2char(r.textDb);
  } else if (!(r.textDb == mEngineTextDb[part])) {
    fader->double2char(r.textDb);
    mEngineTextDb[part] = r.textDb;
  }
}

void Corvane::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) {
  mEngine.ProcessBlock(inputs, outputs, nFrames, GetSampleRate());
}

void Corvane::FeedMeters(double tl, double tr, double rl, double rr) {
  mVU1->SetVolumes(tl, tr);
  mOver1->SetVolumes(tl, tr);
  mVU2->SetVolumes(rl, rr);
  mOver2->SetVolumes(rl, rr);
}

void Corvane::FeedMeterRun(const double* tl, const double* tr, const double* rl, const double* rr, int n) {
  const MeterRun transient(tl, tr, n), residual(rl, rr, n);
  mVU1->SetVolumeRun(transient);
  mOver1->SetVolumeRun(transient);
  mVU2->SetVolumeRun(residual);
  mOver2->SetVolumeRun(residual);
}

void Corvane::LowerMeters(double dB) {
  mVU1->LowerHeldLevels(dB);
  mVU2->LowerHeldLevels(dB);
  mOver1->SetDirty(true);
  mOver2->SetDirty(true);
  mVU1->SetDirty(true);
  mVU2->SetDirty(true);
}

void Corvane::SetMeterSampleRate(double sampleRate) {
  mOver1->SetSampleRate(sampleRate);
  mOver2->SetSampleRate(sampleRate);
}

void Corvane::CreatePresets() {
  //          Transient Residual Amount Sensitivity Pan1 Pan2 soloT soloR Mode1 Mode2 Mode3
  MakePreset("Snare Attack+", 0.8, 0.5, 0.63, 0.95, 0.5, 0.5, 0.0, 0.0, 1.0, 0.0, 0.0);
  MakePreset("Snare Attack-", 0.28, 0.5, 0.17, 0.99, 0.5, 0.5, 0.0, 0.0, 0.0, 1.0, 0.0);
  MakePreset("Kick Attack+", 0.8, 0.3, 0.73, 0.54, 0.5, 0.5, 0.0, 0.0, 1.0, 0.0, 0.0);
  MakePreset("Kick Attack-", 0.0, 0.5, 0.67, 0.78, 0.5, 0.5, 0.0, 0.0, 0.0, 0.0, 1.0);
  MakePreset("Charley Attack+", 0.72, 0.55, 0.33, 0.98, 0.5, 0.5, 0.0, 0.0, 0.0, 1.0, 0.0);
  MakePreset("Charley Attack-", 0.22, 0.63, 0.33, 0.94, 0.5, 0.5, 0.0, 0.0, 1.0, 0.0, 0.0);
  MakePreset("Charley Smooth", 0.0, 0.7, 1.0, 0.98, 0.5, 0.5, 0.0, 0.0, 1.0, 0.0, 0.0);
  MakePreset("Smooth Harsh", 0.0, 0.7, 0.0, 0.97, 0.5, 0.5, 0.0, 0.0, 1.0, 0.0, 0.0);
  MakePreset("Full Extent 1", 0.0, 0.58, 1.0, 1.0, 0.5, 0.5, 0.0, 0.0, 1.0, 0.0, 0.0);
  MakePreset("Full Extent 2", 0.18, 0.67, 1.0, 1.0, 0.5, 0.5, 0.0, 0.0, 0.0, 1.0, 0.0);
}

CorvanePlugBase* MakePlug() {
  static WDL_Mutex sCreationLock;
  WDL_MutexLock lock(&sCreationLock);
  IPlugInstanceInfo info;
  info.mOSXBundleID.Set(kCorvaneBundleID);
  info.mCocoaViewFactoryClassName.Set("Corvane_View");
  return new Corvane(info);
}
