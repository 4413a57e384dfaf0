#include "plugin/Corvane.h"

#include <gtest/gtest.h>

#include <CoreFoundation/CFDebugCounters.h>
#include <AudioToolbox/AudioUnitUtilities.h>
#include <CoreServices/ComponentRegistry.h>

#include <cmath>
#include <memory>
#include <vector>

#include "editor/Bouton.h"
#include "editor/Fader.h"
#include "editor/VUmetre.h"
#include "engine/ParameterLaws.h"
#include "gui/IGraphics.h"
#include "plugin/CorvaneFaderScale.h"
#include "tests/engine/EngineTestSignals.h"
#include "tests/support/AllocationCounter.h"

namespace {

constexpr int N = TransientEngine::kFrameLength;

// A Corvane as a host has just initialised it: every parameter applied.
std::unique_ptr<Corvane> Initialised() {
  std::unique_ptr<Corvane> c(static_cast<Corvane*>(MakePlug()));
  c->OnParamReset();
  return c;
}

// What the editor's timer does before it redraws: values from the plug-in
// reach the controls.
void EditorTick(Corvane& c) { c.Editor()->ApplyPlugUpdates(); }

void Process(Corvane& c, engine_test::Stereo& in, engine_test::Stereo& out, int block) {
  for (size_t pos = 0; pos < in.size(); pos += block) {
    const int n = static_cast<int>(std::min<size_t>(block, in.size() - pos));
    double* ins[2] = {&in.left[pos], &in.right[pos]};
    double* outs[2] = {&out.left[pos], &out.right[pos]};
    c.TakeParamChanges();
    c.ProcessDoubleReplacing(ins, outs, n);
  }
}

// A freshly initialised plug-in hands every default to the engine exactly,
// and each gain is the law's at its part's smoothed value, on its own
// fader's scale (the settled mean of a constant differs from it in the last
// bits, so unity to within a few ulps). Catches a default that does not
// reach the engine, and a gain taken from the target or the other fader.
TEST(Corvane, DefaultsReachTheEngine) {
  auto c = Initialised();
  engine_test::Stereo in(600), out(600);
  Process(*c, in, out, 600);  // the smoothed gains settle
  const TransientEngine& e = c->Engine();
  EXPECT_EQ(e.GetMode(), 1);
  EXPECT_EQ(e.AmountTarget(), 0.98828125);
  EXPECT_EQ(e.Sensitivity(), 0.7);
  for (double factor : {e.TransientPanLeft(), e.TransientPanRight(), e.ResidualPanLeft(), e.ResidualPanRight()})
    EXPECT_EQ(factor, 1.0);
  EXPECT_EQ(e.TransientSolo(), 0.0f);
  EXPECT_EQ(e.ResidualSolo(), 0.0f);
  const double u = 1 - 52.0 / 166;
  EXPECT_EQ(e.TransientGain(), GainLaw(u, e.SmoothedTransient(), PartFaderScale(0)).gain);
  EXPECT_EQ(e.ResidualGain(), GainLaw(u, e.SmoothedResidual(), PartFaderScale(1)).gain);
  EXPECT_NEAR(e.TransientGain(), 1.0, 1e-14);
  EXPECT_NEAR(e.ResidualGain(), 1.0, 1e-14);
  EXPECT_EQ(c->TransientFader()->GetValueText().substr(1), "0.0");
  EXPECT_EQ(c->ResidualFader()->GetValueText().substr(1), "0.0");
}

// Restoring a factory preset overwrites all eleven parameters, from a state
// where each holds a value no preset has, leaves exactly one mode on (in
// the parameters, the engine and the buttons) and both solos off, though a
// solo was on. Catches a preset that leaves a parameter as it was, two modes
// on, or a solo still heard.
TEST(Corvane, EveryFactoryPresetOverwritesEveryParameter) {
  auto c = Initialised();
  ASSERT_EQ(c->NPresets(), 10);
  for (int p = 0; p < c->NPresets(); ++p) {
    c->SetParameterFromGUI(p % 2 ? kSoloTransient : kSoloResidual, 1.0);
    for (int i = 0; i < kNumCorvaneParams; ++i) c->GetParam(i)->Set(0.4375);
    ASSERT_TRUE(c->RestorePreset(p));
    c->TakeParamChanges();
    EditorTick(*c);
    int modesOn = 0, mode = 0;
    for (int i = 0; i < kNumCorvaneParams; ++i) {
      EXPECT_NE(c->GetParam(i)->Value(), 0.4375) << c->GetPresetName(p) << " parameter " << i;
      if (i >= kMode1 && c->GetParam(i)->Value() == 1.0) {
        ++modesOn;
        mode = i - kMode1 + 1;
      }
    }
    EXPECT_EQ(modesOn, 1) << c->GetPresetName(p);
    EXPECT_EQ(c->Engine().GetMode(), mode) << c->GetPresetName(p);
    for (int m = 1; m <= 3; ++m)
      EXPECT_EQ(c->ModeButton(m)->GetValue(), m == mode ? 1.0 : 0.0) << c->GetPresetName(p) << " mode " << m;
    EXPECT_EQ(c->Engine().TransientSolo(), 0.0f) << c->GetPresetName(p);
    EXPECT_EQ(c->Engine().ResidualSolo(), 0.0f) << c->GetPresetName(p);
  }
}

TEST(Corvane, SolosExcludeEachOtherOnTheEngineAndTheMeters) {
  auto c = Initialised();
  c->SetParameterFromGUI(kSoloTransient, 1.0);
  EditorTick(*c);
  EXPECT_TRUE(c->TransientMeter()->IsHighlighted());
  EXPECT_TRUE(c->ResidualMeter()->IsDimmed());
  EXPECT_TRUE(c->TransientOverlay()->IsSoloShown());
  c->SetParameterFromGUI(kSoloResidual, 1.0);
  c->TakeParamChanges();
  EditorTick(*c);
  EXPECT_EQ(c->Engine().TransientSolo(), 0.0f);
  EXPECT_EQ(c->Engine().ResidualSolo(), 1.0f);
  EXPECT_EQ(c->SoloButton(0)->GetValue(), 0.0);
  EXPECT_TRUE(c->TransientMeter()->IsDimmed());
  EXPECT_TRUE(c->ResidualMeter()->IsHighlighted());
  EXPECT_FALSE(c->TransientOverlay()->IsSoloShown());
  // The parameters hold the solo that plays, so a saved state restores it.
  EXPECT_EQ(c->GetParam(kSoloTransient)->Value(), 0.0);
  c->SetParameterFromGUI(kSoloResidual, 0.0);
  EditorTick(*c);
  EXPECT_FALSE(c->TransientMeter()->IsDimmed() || c->ResidualMeter()->IsHighlighted());
}

// A state from before the modes excluded each other, with two modes at 1,
// restores to the highest, as such states always have, and the parameters
// then hold that one mode only.
TEST(Corvane, LastModeParameterAtOneDecidesOnRestore) {
  auto c = Initialised();
  ByteChunk state;
  ASSERT_TRUE(c->SerializeState(&state));
  std::vector<double> values(kNumCorvaneParams);
  std::memcpy(values.data(), state.GetBytes(), sizeof(double) * kNumCorvaneParams);
  values[kMode1] = 1.0;
  values[kMode3] = 1.0;
  ByteChunk edited;
  for (double v : values) edited.Put(&v);
  EXPECT_EQ(c->UnserializeState(&edited, 0), 8 * kNumCorvaneParams);
  c->TakeParamChanges();
  EXPECT_EQ(c->Engine().GetMode(), 3);
  EXPECT_EQ(c->GetParam(kMode1)->Value(), 0.0);
  EXPECT_EQ(c->GetParam(kMode3)->Value(), 1.0);
}

void RecordEvent(void* seen, void*, const AudioUnitEvent* event, UInt64, AudioUnitParameterValue value) {
  static_cast<std::vector<std::pair<int, float>>*>(seen)->push_back(
      {static_cast<int>(event->mArgument.mParameter.mParameterID), value});
}

// A session that switched from Mode 3 to Mode 1 reopens playing Mode 1:
// selecting a mode sets the other two to 0, the host hears of it, and the
// saved class info restores the mode that was heard. Catches a saved state
// that keeps the old mode at 1 (it would come back as Mode 3).
TEST(Corvane, ASelectedModeIsTheOneASavedSessionRestores) {
  ComponentDescription cd = {kAudioUnitType_Effect, static_cast<OSType>(kCorvaneUniqueID),
                             static_cast<OSType>(kCorvaneUniqueID), 0, 0};
  static Component component = RegisterComponentEntry(&cd, Corvane_Entry, "Velmora: Corvane");
  AudioUnit unit = nullptr, reopened = nullptr;
  ASSERT_EQ(OpenAComponent(component, &unit), noErr);
  std::vector<std::pair<int, float>> seen;
  AUEventListenerRef listener = nullptr;
  ASSERT_EQ(AUEventListenerCreate(RecordEvent, &seen, nullptr, nullptr, 0, 0, &listener), noErr);
  for (int m = kMode1; m <= kMode3; ++m) {
    AudioUnitEvent change = {};
    change.mEventType = kAudioUnitEvent_ParameterValueChange;
    change.mArgument.mParameter = {unit, static_cast<AudioUnitParameterID>(m), kAudioUnitScope_Global, 0};
    ASSERT_EQ(AUEventListenerAddEventType(listener, nullptr, &change), noErr);
  }
  ASSERT_EQ(AudioUnitSetParameter(unit, kMode3, kAudioUnitScope_Global, 0, 1.0f, 0), noErr);
  CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, false);
  seen.clear();
  ASSERT_EQ(AudioUnitSetParameter(unit, kMode1, kAudioUnitScope_Global, 0, 1.0f, 0), noErr);
  CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, false);
  EXPECT_EQ(seen, (std::vector<std::pair<int, float>>{{kMode3, 0.0f}}));

  CFPropertyListRef saved = nullptr;
  UInt32 size = sizeof(saved);
  ASSERT_EQ(AudioUnitGetProperty(unit, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &saved, &size), noErr);
  ASSERT_EQ(OpenAComponent(component, &reopened), noErr);
  ASSERT_EQ(AudioUnitSetParameter(reopened, kMode2, kAudioUnitScope_Global, 0, 1.0f, 0), noErr);
  ASSERT_EQ(AudioUnitSetProperty(reopened, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &saved, sizeof(saved)),
            noErr);
  auto* plug = static_cast<Corvane*>(reinterpret_cast<IPlugBase*>(GetComponentInstanceStorage(reopened)));
  plug->TakeParamChanges();
  EXPECT_EQ(plug->Engine().GetMode(), 1);
  for (int m = kMode1; m <= kMode3; ++m) EXPECT_EQ(plug->GetParam(m)->Value(), m == kMode1 ? 1.0 : 0.0) << m;
  CFRelease(saved);
  AUListenerDispose(listener);
  CloseComponent(unit);
  CloseComponent(reopened);
}

// Each pan control moves its own part, left factor first; the other part
// stays centred. Catches the residual pan's factors swapped or sent to the
// transient part (only the transient pan was checked).
TEST(Corvane, EachPanMovesItsOwnPartToItsSide) {
  auto c = Initialised();
  const TransientEngine& e = c->Engine();
  c->SetParameterFromGUI(kPan1, 0.25);
  c->TakeParamChanges();
  EXPECT_EQ(e.TransientPanLeft(), 1.0);
  EXPECT_EQ(e.TransientPanRight(), 0.5);
  EXPECT_EQ(e.ResidualPanLeft(), 1.0);
  EXPECT_EQ(e.ResidualPanRight(), 1.0);
  c->SetParameterFromGUI(kPan1, 0.5);
  c->SetParameterFromGUI(kPan2, 0.875);
  c->TakeParamChanges();
  EXPECT_EQ(e.ResidualPanLeft(), 0.25);
  EXPECT_EQ(e.ResidualPanRight(), 1.0);
  EXPECT_EQ(e.TransientPanLeft(), 1.0);
  EXPECT_EQ(e.TransientPanRight(), 1.0);
}

// The fader's ends once the smoothed value has settled: +12 dB exactly at
// the top; at the bottom the text is -inf and the gain the law's at the
// smoothed value, which keeps a trace of the running sum's rounding.
TEST(Corvane, GainFadersReachTheirEnds) {
  auto c = Initialised();
  engine_test::Stereo in(600), out(600);
  c->SetParameterFromGUI(kTransient, 1.0);
  Process(*c, in, out, 600);
  EXPECT_EQ(c->TransientFader()->GetValueText(), "+12.0");
  EXPECT_EQ(c->Engine().TransientGain(), 3.9810717055349722);
  c->SetParameterFromGUI(kTransient, 0.0);
  Process(*c, in, out, 600);
  EXPECT_EQ(c->TransientFader()->GetValueText(), "-inf");
  EXPECT_EQ(c->Engine().TransientGain(), GainLaw(0.0, c->Engine().SmoothedTransient(), PartFaderScale(0)).gain);
  EXPECT_LT(c->Engine().TransientGain(), 1e-15);
}

// A change stored on another thread writes nothing the audio thread derives
// from it: gains and smoothing targets are derived on the audio thread
// alone, at its next block (two threads each deriving them could leave the
// stale one last, and once settled nothing would correct it). The fader's
// text follows at once, audio or not. Catches a writer thread that sets a
// target or a gain, and a text taken from the zone of a smoothed value that
// no audio has moved (it read +132.0 before any audio).
TEST(Corvane, AChangeOffTheAudioThreadLeavesGainsToTheAudioThread) {
  auto c = Initialised();
  c->TakeParamChanges();
  const double gain = c->Engine().TransientGain();
  const double minusSix = FaderPositionForDb(-6.0, PartFaderScale(0));
  c->SetParameterFromGUI(kTransient, minusSix);
  EXPECT_EQ(c->TransientFader()->GetValueText(), " -6.0");
  EXPECT_EQ(c->Engine().TransientGain(), gain);
  EXPECT_NE(c->Engine().SmoothedTransient(), minusSix);
  engine_test::Stereo in(600), out(600);
  Process(*c, in, out, 600);
  EXPECT_EQ(c->Engine().TransientGain(),
            GainLaw(minusSix, c->Engine().SmoothedTransient(), PartFaderScale(0)).gain);
  EXPECT_EQ(c->TransientFader()->GetValueText(), " -6.0");
}

// Gain ramps update the fader texts on the audio thread: still no allocation.
TEST(Corvane, ProcessingWithMovingFadersDoesNotAllocate) {
  auto c = Initialised();
  engine_test::Stereo in = engine_test::DrumLikeSignal(2 * N), out(in.size());
  c->SetParameterFromGUI(kTransient, 0.1);
  c->SetParameterFromGUI(kResidual, 0.95);
  corvane_test::AllocationScope scope;
  Process(*c, in, out, 256);
  EXPECT_EQ(scope.Count(), 0);
  EXPECT_EQ(c->ResidualFader()->GetValueText().substr(0, 1), "+");
}

TEST(Corvane, EditorIsBuiltWithItsSixteenControls) {
  auto c = Initialised();
  IGraphics* g = c->Editor();
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->GetNControls(), 16);
  EXPECT_EQ(g->GetControl(5), c->TransientFader());
  EXPECT_EQ(g->GetControl(7), c->TransientMeter());
  EXPECT_EQ(g->GetControl(13), c->ModeButton(1));
  EXPECT_EQ(c->ModeButton(1)->GetValue(), 1.0);
  EXPECT_EQ(c->ModeButton(2)->GetValue(), 0.0);
  EXPECT_DOUBLE_EQ(c->ResidualFader()->GetFaderDefault(), 1 - 52.0 / 166);
}

// The host's view: open through the component entry, save the class info,
// restore it into a fresh instance.
TEST(Corvane, ClassInfoRestoresTheParametersInAFreshInstance) {
  const long live = CFLiveObjectCount();
  ComponentDescription cd = {kAudioUnitType_Effect, static_cast<OSType>(kCorvaneUniqueID),
                             static_cast<OSType>(kCorvaneUniqueID), 0, 0};
  static Component component = RegisterComponentEntry(&cd, Corvane_Entry, "Velmora: Corvane");
  AudioUnit a = nullptr, b = nullptr;
  ASSERT_EQ(OpenAComponent(component, &a), noErr);
  ASSERT_EQ(OpenAComponent(component, &b), noErr);
  ASSERT_EQ(AudioUnitSetParameter(a, kAmount, kAudioUnitScope_Global, 0, 0.3f, 0), noErr);
  ASSERT_EQ(AudioUnitSetParameter(a, kMode3, kAudioUnitScope_Global, 0, 1.0f, 0), noErr);
  CFPropertyListRef saved = nullptr;
  UInt32 size = sizeof(saved);
  ASSERT_EQ(AudioUnitGetProperty(a, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &saved, &size), noErr);
  ASSERT_EQ(AudioUnitSetProperty(b, kAudioUnitProperty_ClassInfo, kAudioUnitScope_Global, 0, &saved, sizeof(saved)), noErr);
  CFRelease(saved);
  for (int p = 0; p < kNumCorvaneParams; ++p) {
    AudioUnitParameterValue va = 0, vb = 0;
    ASSERT_EQ(AudioUnitGetParameter(a, p, kAudioUnitScope_Global, 0, &va), noErr);
    ASSERT_EQ(AudioUnitGetParameter(b, p, kAudioUnitScope_Global, 0, &vb), noErr);
    EXPECT_EQ(va, vb) << p;
  }
  UInt32 latencySize = sizeof(Float64);
  Float64 latency = 0;
  ASSERT_EQ(AudioUnitGetProperty(b, kAudioUnitProperty_Latency, kAudioUnitScope_Global, 0, &latency, &latencySize), noErr);
  EXPECT_NEAR(latency, 4096 / 44100.0, 1e-12);
  EXPECT_EQ(CloseComponent(a), noErr);
  EXPECT_EQ(CloseComponent(b), noErr);
  EXPECT_EQ(CFLiveObjectCount(), live);
}

}  // namespace
