#include "plugin/Corvane.h"

#include "editor/Bouton.h"
#include "editor/Fader.h"
#include "editor/Knob.h"
#include "editor/VUmetre.h"
#include "engine/ParameterLaws.h"
#include "gui/IGraphics.h"
#include "plugin/CorvaneFaderScale.h"

// The editor is built whether or not a window is ever opened
// (CorvaneEditor.cpp). The parameters are declared in the middle of it, after
// the first two knobs: the gains' default is the transient fader's 0 dB mark.
Corvane::Corvane(const IPlugInstanceInfo& info)
    : CorvanePlugBase(info, kNumCorvaneParams, kCorvaneChannelIO, kCorvaneNumPresets, kCorvaneName, "", kCorvaneMaker,
              kCorvaneVersion, kCorvaneUniqueID, kCorvaneUniqueID, kCorvaneLatency),
      mEngine(this) {
  IGraphics* g = makeEditorContext();
  makeFaders(g);
  attachTopKnobs(g);
  declareParameters(mFader1->Get0());
  attachPanKnobsAndFaders(g);
  attachMeters(g);
  attachButtons(g);
  AttachGraphics(g);
  CreatePresets();
}

void Corvane::declareParameters(double gainDefault) {
  GetParam(kTransient)->InitDouble("Transient", gainDefault, 0.0, 1.0, 1e-06, "", "");
  GetParam(kResidual)->InitDouble("Residual", gainDefault, 0.0, 1.0, 1e-06, "", "");
  GetParam(kAmount)->InitDouble("Amount", 0.7, 0.0, 1.0, 1e-06, "", "");
  GetParam(kSensitivity)->InitDouble("Sensitivity", 0.7, 0.0, 1.0, 1e-06, "", "");
  GetParam(kPan1)->InitDouble("Pan 1", 0.5, 0.0, 1.0, 1e-06, "", "");
  GetParam(kPan2)->InitDouble("Pan 2", 0.5, 0.0, 1.0, 1e-06, "", "");
  GetParam(kMode1)->InitDouble("Mode 1", 1.0, 0.0, 1.0, 1.0, "", "");
  GetParam(kMode2)->InitDouble("Mode 2", 0.0, 0.0, 1.0, 1.0, "", "");
  GetParam(kMode3)->InitDouble("Mode 3", 0.0, 0.0, 1.0, 1.0, "", "");
  // The two solo parameters keep the parameter model's fresh state.
}

Corvane::~Corvane() = default;

IGraphics* Corvane::Editor() { return static_cast<IGraphics*>(GetGUI()); }

void Corvane::Reset() { WDL_MutexLock lock(&mMutex); }

void Corvane::OnParamChange(int paramIdx) {
  WDL_MutexLock lock(&mMutex);
  OnParamChangeRealtime(paramIdx);
}

// What follows from a stored value besides the audio path, on the thread
// that stored it (lock-free; LV2's run calls it on the audio thread): the
// solos and the modes exclude each other in the parameters themselves, so a
// saved state holds what is heard, and a fader's text follows its parameter
// even while no audio runs. The audio path follows in OnParamChangeAudio.
void Corvane::OnParamChangeRealtime(int paramIdx) {
  IParam* param = GetParam(paramIdx);
  if (!param) return;
  const double v = param->Value();
  switch (paramIdx) {
    case kTransient: case kResidual: refreshFaderText(paramIdx - kTransient, v); break;
    case kSoloTransient: if (v > 0.5) switchOff(kSoloResidual); break;
    case kSoloResidual: if (v > 0.5) switchOff(kSoloTransient); break;
    case kMode1: case kMode2: case kMode3:
      // A mode parameter selects its mode only at exactly 1.0.
      if (v == 1.0)
        for (int other = kMode1; other <= kMode3; ++other)
          if (other != paramIdx) switchOff(other);
      break;
    default: break;
  }
}

// The other parameter of an exclusive pair or group goes to 0 in the
// parameter model, the editor and the host (inside the writer's section).
void Corvane::switchOff(int paramIdx) {
  IParam* other = GetParam(paramIdx);
  if (other->Value() == 0.0) return;
  other->Set(0.0);
  if (IGraphicsLink* editor = GetGUI()) editor->SetParameterFromPlug(paramIdx, 0.0, true);
  InformHostOfParamChange(paramIdx, 0.0);
}

// The text the fader settles on: the gain law's text of the parameter in the
// parameter's own zone. Without audio nothing else would write it (the
// smoothed value the audio thread picks the zone from stays where it is);
// while audio runs, the audio thread's texts follow as the value smooths.
// The gain and the smoothing target are the audio thread's alone.
void Corvane::refreshFaderText(int part, double u) {
  (part == 0 ? mFader1 : mFader2)->double2char(GainLaw(u, u, PartFaderScale(part)).textDb);
}

// Audio thread, at the start of a block: the engine follows the stored
// parameters. Only this thread derives gains, targets, pan factors, solo
// flags and the mode, so no other thread can leave a stale one behind.
void Corvane::OnParamChangeAudio(int paramIdx, double v) {
  switch (paramIdx) {
    case kTransient: case kResidual:
      mGainParam[paramIdx - kTransient] = v;
      updateFader(paramIdx - kTransient);
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
    case kMode1: case kMode2: case kMode3:
      if (v == 1.0) mEngine.SetMode(paramIdx - kMode1 + 1);
      break;
    default: break;
  }
}

// Audio thread. The solos exclude each other: the one switched on last wins;
// switching one off leaves both parts audible.
void Corvane::soloChanged(int part, double value) {
  const float flag = static_cast<float>(value);
  if (part == 0) mEngine.SetTransientSolo(flag); else mEngine.SetResidualSolo(flag);
  if (flag > 0.5f) {
    if (part == 0) mEngine.SetResidualSolo(0.0f); else mEngine.SetTransientSolo(0.0f);
  }
}

void Corvane::OnAudioReset() { mEngine.Flush(); }

// A state keeps exactly one mode at 1: of several (a state saved before modes
// excluded each other), the highest, which is the one such a state has
// always been restored to; of none, the mode playing now. Likewise at most
// one solo: of both, the residual one, which such a state has always played.
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
  if (values[kSoloTransient] > 0.5 && values[kSoloResidual] > 0.5) values[kSoloTransient] = 0.0;
  ByteChunk exclusive;
  for (double v : values) exclusive.Put(&v);
  return IPlugBase::UnserializeState(&exclusive, 0) < 0 ? -1 : end;
}

// The solo buttons, the meters' solo looks and the mode buttons show the
// stored parameters (the solos and the modes exclude each other there), so
// they are right whether or not audio runs.
void Corvane::OnEditorRefresh() {
  const bool transientSolo = GetParam(kSoloTransient)->Value() > 0.5;
  const bool residualSolo = !transientSolo && GetParam(kSoloResidual)->Value() > 0.5;
  mSolo1->SetValueFromPlug(transientSolo ? 1.0 : 0.0);
  mSolo2->SetValueFromPlug(residualSolo ? 1.0 : 0.0);
  mOver1->SetSoloShown(transientSolo);
  mOver2->SetSoloShown(residualSolo);
  mVU1->SetHighlighted(transientSolo);
  mVU1->SetDimmed(residualSolo);
  mVU2->SetHighlighted(residualSolo);
  mVU2->SetDimmed(transientSolo);
  int mode = mEngine.GetMode();  // a host may have left no mode parameter at 1
  for (int m = 1; m <= 3; ++m)
    if (GetParam(kMode1 + m - 1)->Value() == 1.0) mode = m;
  for (int m = 1; m <= 3; ++m) mModeButtons[m - 1]->SetValueFromPlug(m == mode ? 1.0 : 0.0);
}

void Corvane::UpdateFader1() { updateFader(0); }
void Corvane::UpdateFader2() { updateFader(1); }

// Audio thread. The text follows the parameter and the zone of the smoothed
// value, so while a gain is smoothed it seldom changes: it is formatted only
// when its decibels differ from the ones this thread last formatted. (If a
// parameter change's own text lands in between, the next block takes the
// change and formats it again.)
void Corvane::updateFader(int part) {
  Fader* fader = part == 0 ? mFader1 : mFader2;
  const double u = mGainParam[part];
  if (part == 0) mEngine.SetTransientTarget(u); else mEngine.SetResidualTarget(u);
  const double v = part == 0 ? mEngine.SmoothedTransient() : mEngine.SmoothedResidual();
  const GainLawResult r = GainLaw(u, v, PartFaderScale(part));
  if (r.zoneFound) {
    if (part == 0) mEngine.SetTransientGain(r.gain); else mEngine.SetResidualGain(r.gain);
  }
  if (!(r.textDb == mEngineTextDb[part])) {
    fader->double2char(r.textDb);
    mEngineTextDb[part] = r.textDb;
  }
}

// The parts go to outputs 2-5 when the host connected them (straight into
// its float buffers when the framework lets the plug-in write them), else
// to the kept buffers, else nowhere.
void Corvane::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) {
  const double rate = GetSampleRate();
  if (NOutChannels() >= kCorvaneFirstPartOutput + 4 && IsOutChannelConnected(kCorvaneFirstPartOutput)) {
    float* hostParts[4];
    if (TakeFloatOutputs(kCorvaneFirstPartOutput, 4, hostParts))
      mEngine.ProcessBlock(inputs, outputs, nFrames, rate, hostParts);
    else
      mEngine.ProcessBlock(inputs, outputs, nFrames, rate, outputs + kCorvaneFirstPartOutput);
    return;
  }
  mEngine.ProcessBlock(inputs, outputs, nFrames, rate, mKeptPartPtrs[0] ? mKeptPartPtrs : nullptr);
}

void Corvane::SetBlockSize(int blockSize) {
  CorvanePlugBase::SetBlockSize(blockSize);
  KeepParts(mKeepParts);
}

void Corvane::KeepParts(bool keep) {
  mKeepParts = keep;
  const int frames = keep ? GetBlockSize() : 0;
  mKeptParts.Resize(4 * frames);
  for (int m = 0; m < 4; ++m) mKeptPartPtrs[m] = frames > 0 ? mKeptParts.Get() + m * frames : nullptr;
}

const double* Corvane::KeptPart(int m) const { return m >= 0 && m < 4 ? mKeptPartPtrs[m] : nullptr; }

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
