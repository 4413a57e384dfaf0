// Building Corvane's editor: its images and controls, placed by the
// editor's layout. The plug-in's constructor calls these steps in order
// (thread that constructs the plug-in); the order of the attach calls is the
// controls' drawing order and hit-test priority, so every control keeps its
// index.
#include "editor/Bouton.h"
#include "editor/Fader.h"
#include "editor/Knob.h"
#include "editor/VUmetre.h"
#include "editor/look/EditorLook.h"
#include "gui/IGraphics.h"
#include "plugin/Corvane.h"
#include "plugin/CorvaneGraphics.h"

namespace look = editor_look;

namespace {

enum EImageIds {
  kBackgroundId = 102, kFaderHandleId = 103, kVuId = 105, kClipId = 106, kSoloOnId = 107,
  kSoloPressedId = 108, kKnobId = 109, kKnob2Id = 110, kMode1PressedId = 116,
  kMode2PressedId = 117, kMode3PressedId = 118, kMode1OnId = 119, kMode2OnId = 120,
  kMode3OnId = 121, kVuDimmedId = 122, kVuHighlightedId = 123, kClipSoloId = 124
};

IRECT ToIRECT(const LICE_RECT& r) { return IRECT(r.left, r.top, r.right, r.bottom); }

// Every knob turns with a vertical drag; gearing and double-click default are its own.
Knob* MakeKnob(IPlugBase* plug, look::Point at, int paramIdx, IBitmap* strip, double gearing, double defaultValue) {
  return new Knob(plug, at.x, at.y, paramIdx, strip, kVertical, gearing, defaultValue);
}

}  // namespace

IGraphics* Corvane::makeEditorContext() {
  IGraphics* g = MakeGraphics(this, kCorvaneWidth, kCorvaneHeight, 0);
  g->AttachBackground(kBackgroundId, "resources/img/backgroundNU.png");
  g->HandleMouseOver(true);
  return g;
}

// Made now, attached after the pan knobs. Both handles rest on the same
// bottom line; each fader's travel is the one the gain law is written for.
void Corvane::makeFaders(IGraphics* g) {
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
}

// Amount and Sensitivity: Sensitivity is made first, Amount attached first.
void Corvane::attachTopKnobs(IGraphics* g) {
  IBitmap knob = g->LoadIBitmap(kKnobId, "resources/img/real_knob.png", look::kKnobFrames);
  mKnobs[1] = MakeKnob(this, look::kSensitivityKnob, kSensitivity, &knob, 4.0, 0.7);
  mKnobs[0] = MakeKnob(this, look::kAmountKnob, kAmount, &knob, 4.0, 0.7);
  g->AttachControl(mKnobs[0]);
  g->AttachControl(mKnobs[1]);
}

void Corvane::attachPanKnobsAndFaders(IGraphics* g) {
  IBitmap knob2 = g->LoadIBitmap(kKnob2Id, "resources/img/real_knob_2b2.png", look::kKnobFrames);
  mKnobs[2] = MakeKnob(this, look::kPan1Knob, kPan1, &knob2, 0.4, 0.5);
  mKnobs[3] = MakeKnob(this, look::kPan2Knob, kPan2, &knob2, 0.4, 0.5);
  g->AttachControl(mKnobs[2]);
  g->AttachControl(mKnobs[3]);
  g->AttachControl(mFader1);
  g->AttachControl(mFader2);
}

// The two meters, then their overlays over them.
void Corvane::attachMeters(IGraphics* g) {
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
}

// The two solo buttons, then the three mode buttons; the mode playing now
// (always Haar here) shows its button on.
void Corvane::attachButtons(IGraphics* g) {
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
}
