// The LV2 adapter driven through the plug-in's descriptor as a host does:
// instantiation, ports, the run cycle, bypass and latency, port change
// detection and the editor's write-back to the host.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "editor/Knob.h"
#include "gui/IGraphics.h"
#include "plugin/Corvane.h"
#include "plugin/CorvaneLV2.h"
#include "tests/lv2/LV2TestHost.h"
#include "tests/support/AllocationCounter.h"

using namespace lv2_test;

namespace {

constexpr int kLatency = kCorvaneLatency;

void ExpectNear(const std::vector<std::vector<float>>& a, const std::vector<std::vector<float>>& b,
                double tol) {
  ASSERT_EQ(a.size(), b.size());
  for (size_t c = 0; c < a.size(); ++c) {
    ASSERT_EQ(a[c].size(), b[c].size());
    for (size_t i = 0; i < a[c].size(); ++i) ASSERT_NEAR(a[c][i], b[c][i], tol) << "ch " << c << " frame " << i;
  }
}

}  // namespace

TEST(LV2Entry, DescriptorsForEachVariantAndRefusals) {
  ASSERT_NE(CorvaneDescriptor(0), nullptr);
  EXPECT_STREQ(CorvaneDescriptor(0)->URI, kCorvaneLV2Uri);
  EXPECT_STREQ(CorvaneDescriptor(1)->URI, kCorvaneLV2MonoUri);
  EXPECT_STREQ(CorvaneDescriptor(2)->URI, kCorvaneLV2SplitUri);
  EXPECT_EQ(CorvaneDescriptor(3), nullptr);

  // Sample rates no plug-in can run at; a channel layout the plug-in lacks.
  EXPECT_FALSE(LV2TestInstance(TestDescriptor(0), 0.0).Ok());
  EXPECT_FALSE(LV2TestInstance(TestDescriptor(0), std::nan("")).Ok());
  EXPECT_FALSE(LV2TestInstance(TestDescriptor(2)).Ok());

  LV2TestInstance inst(CorvaneDescriptor(0));
  ASSERT_TRUE(inst.Ok());
  EXPECT_STREQ(inst.Plug()->GetAPIString(), "LV2");
  EXPECT_EQ(inst.Layout().NPorts(), 15u);  // 8 parameters, the wavelet, enabled, latency, 4 audio
  EXPECT_EQ(inst.Plug()->GetBlockSize(), 512);
  // No announced block length: the adapter's default.
  LV2TestInstance noOptions(TestDescriptor(0), 44100.0, 0);
  EXPECT_EQ(noOptions.Plug()->GetBlockSize(), IPlugLV2::kDefaultBlockSize);
}

TEST(LV2Run, CorvaneMatchesTheDirectPluginAndReportsItsLatency) {
  const auto in = DrumSignal(3 * kLatency + 333);
  LV2TestInstance inst(CorvaneDescriptor(0));
  inst.Control(kAmount) = 0.3f;
  inst.Control(kTransient) = 0.9f;
  inst.Activate();
  const auto out = inst.Process(in, 512);
  EXPECT_EQ(inst.Latency(), 4096.0f);
  ExpectNear(out, DirectCorvane(in, {{kAmount, 0.3}, {kTransient, 0.9}}), 1e-6);
  // The separation is audible: this is not a plain delay.
  double diff = 0.0;
  for (size_t i = kLatency; i < in[0].size(); ++i) diff += std::fabs(out[0][i] - in[0][i - kLatency]);
  EXPECT_GT(diff, 1.0);
}

TEST(LV2Run, BlockSplitsInPlaceAndMonoGiveTheSameSignal) {
  const auto in = DrumSignal(2 * kLatency + 100);
  LV2TestInstance small(CorvaneDescriptor(0), 44100.0, 256);
  small.Activate();
  const auto reference = small.Process(in, 256);
  // A host that runs more frames than it announced is split, not cut.
  LV2TestInstance big(CorvaneDescriptor(0), 44100.0, 256);
  big.Activate();
  ExpectNear(big.Process(in, 1000), reference, 0.0);
  LV2TestInstance inPlace(CorvaneDescriptor(0), 44100.0, 256);
  inPlace.Activate();
  ExpectNear(inPlace.Process(in, 77, true), reference, 0.0);

  LV2TestInstance mono(CorvaneDescriptor(1));
  ASSERT_EQ(mono.Layout().nIn, 1);
  mono.Activate();
  const std::vector<std::vector<float>> monoIn = {in[0]};
  const auto monoOut = mono.Process(monoIn, 512);
  for (size_t i = 0; i < in[0].size(); ++i)
    ASSERT_NEAR(monoOut[0][i], i < size_t(kLatency) ? 0.0f : in[0][i - kLatency], 1e-6) << i;
}

TEST(LV2Run, DisabledPassesTheInputDelayedByTheLatencyAndReturns) {
  const auto in = DrumSignal(kLatency + 2000);
  LV2TestInstance inst(CorvaneDescriptor(0));
  inst.Control(kTransient) = 0.0f;  // the plug-in would remove the attacks
  inst.Activate();
  inst.Enabled() = 0.0f;
  const auto bypassed = inst.Process(in, 512);
  EXPECT_TRUE(inst.Plug()->GetIsBypassed());
  for (size_t i = 0; i < in[0].size(); ++i)
    ASSERT_EQ(bypassed[1][i], i < size_t(kLatency) ? 0.0f : in[1][i - kLatency]) << i;
  EXPECT_EQ(inst.Latency(), 4096.0f);
  inst.Enabled() = 1.0f;
  inst.Process(in, 512);
  EXPECT_FALSE(inst.Plug()->GetIsBypassed());
}

TEST(LV2Run, NoAllocationWhileRunningOrApplyingPortChanges) {
  LV2TestInstance inst(CorvaneDescriptor(0));
  inst.Activate();
  inst.Run(512);
  corvane_test::AllocationScope scope;
  for (int i = 0; i < 20; ++i) {
    inst.Control(kAmount) = 0.05f * i;
    inst.Control(kTransient) = 1.0f - 0.05f * i;
    inst.ParamControl(kMode1) = static_cast<float>(i % 3);  // the wavelet port
    inst.Enabled() = i % 5 == 0 ? 0.0f : 1.0f;
    inst.Run(512);
  }
  inst.Run(0);
  EXPECT_EQ(scope.Count(), 0);
}

TEST(LV2Params, OnlyChangedPortsReachThePlugin) {
  LV2TestInstance inst(TestDescriptor(0));
  auto* plug = static_cast<TestLV2Plug*>(inst.Plug());
  inst.Activate();  // every parameter once, as a host's initialisation
  for (int i = 0; i < kNumTestParams; ++i) EXPECT_EQ(plug->changes[i], 1) << i;
  inst.Run(64);
  inst.Run(64);
  for (int i = 0; i < kNumTestParams; ++i) EXPECT_EQ(plug->changes[i], 1) << i;

  inst.Control(kGain) = -6.0f;
  inst.Run(64);
  EXPECT_EQ(plug->changes[kGain], 2);
  EXPECT_EQ(plug->changes[kShape], 1);
  EXPECT_DOUBLE_EQ(plug->GetParam(kGain)->Value(), -6.0);
  // Out-of-range and non-number port values: clamped, or ignored.
  inst.Control(kGain) = 100.0f;
  inst.Run(64);
  EXPECT_EQ(plug->GetParam(kGain)->Value(), 12.0);
  inst.Control(kGain) = std::nanf("");
  inst.Run(64);
  EXPECT_EQ(plug->GetParam(kGain)->Value(), 12.0);
  EXPECT_EQ(plug->changes[kGain], 3);
}

// Hosts flush a plug-in by deactivating and activating it (around a locate).
// Afterwards nothing from before may play again: the output is exactly what
// a new instance gives after 4096 samples of silence. A flush before any
// audio changes nothing. Catches the old audio playing on (it did, at 0.5
// peak for 8 blocks) and a flush that lands anywhere but where the pre-roll
// leaves a new instance (positions, smoothers, gains).
TEST(LV2Run, ActivateAfterDeactivateStartsLikeANewInstanceAfterPreRoll) {
  const auto x = DrumSignal(3 * kLatency);
  auto loud = DrumSignal(8 * 512 + 300);
  for (auto& ch : loud)
    for (float& v : ch) v *= 3.0f;
  auto configured = [](LV2TestInstance& inst) {
    inst.ParamControl(kAmount) = 0.3f;
    inst.ParamControl(kTransient) = 0.9f;
    inst.ParamControl(kPan2) = 0.2f;
    inst.Control(inst.Layout().Param(kMode3)) = 2.0f;
    inst.Activate();
  };
  LV2TestInstance flushed(CorvaneDescriptor(0)), fresh(CorvaneDescriptor(0));
  configured(flushed);
  flushed.Process(loud, 512);
  flushed.Deactivate();
  flushed.Activate();
  configured(fresh);
  fresh.Process({std::vector<float>(kLatency, 0.0f), std::vector<float>(kLatency, 0.0f)}, 512);
  EXPECT_EQ(flushed.Process(x, 512), fresh.Process(x, 512));

  LV2TestInstance early(CorvaneDescriptor(0)), untouched(CorvaneDescriptor(0));
  configured(early);
  early.Deactivate();
  early.Activate();
  configured(untouched);
  EXPECT_EQ(early.Process(x, 512), untouched.Process(x, 512));
}

TEST(LV2Params, EditorChangesReachTheHostAndComeBackThroughItsPorts) {
  LV2TestInstance inst(TestDescriptor(0));
  auto* plug = static_cast<TestLV2Plug*>(inst.Plug());
  inst.Activate();
  inst.Run(64);

  // A drag in the editor: gesture, two values, end. The parameter waits for
  // the host's port, its one source.
  const double before = plug->GetParam(kGain)->Value();
  plug->BeginInformHostOfParamChange(kGain);
  plug->SetParameterFromGUI(kGain, plug->GetParam(kGain)->GetNormalized(-3.0));
  plug->SetParameterFromGUI(kGain, plug->GetParam(kGain)->GetNormalized(-2.0));
  plug->EndInformHostOfParamChange(kGain);
  inst.Run(64);
  EXPECT_EQ(plug->GetParam(kGain)->Value(), before);

  RecordingWriter writer;
  plug->DrainHostUpdates(&writer);
  ASSERT_EQ(writer.events.size(), 3u);
  EXPECT_EQ(writer.events[0].kind, 'b');
  EXPECT_EQ(writer.events[1].kind, 'w');
  EXPECT_EQ(writer.events[1].port, inst.Layout().Param(kGain));
  EXPECT_NEAR(writer.events[1].value, -2.0f, 1e-6);
  EXPECT_EQ(writer.events[2].kind, 'e');
  writer.events.clear();
  plug->DrainHostUpdates(&writer);
  EXPECT_TRUE(writer.events.empty());

  // The host delivers the write: applied once, like any host change.
  const int changes = plug->changes[kGain];
  inst.Control(kGain) = -2.0f;
  inst.Run(64);
  inst.Run(64);
  EXPECT_NEAR(plug->GetParam(kGain)->Value(), -2.0, 1e-6);
  EXPECT_EQ(plug->changes[kGain], changes + 1);
}

// A solo clicked on and off within one host period: the UI told the host
// both values, the host kept the last. The host's next change to the first
// value must still be applied (it was once swallowed as the echo of the
// editor's write). Catches any echo bookkeeping that outlives its write.
TEST(LV2Params, NoHostChangeIsTakenForTheEditorsEcho) {
  LV2TestInstance inst(TestDescriptor(0));
  auto* plug = static_cast<TestLV2Plug*>(inst.Plug());
  inst.Activate();
  inst.Run(64);
  HostPortWriter host;
  plug->SetParameterFromGUI(kActive, 0.0);
  plug->DrainHostUpdates(&host);
  plug->SetParameterFromGUI(kActive, 1.0);
  plug->DrainHostUpdates(&host);
  host.DeliverTo(inst);
  inst.Run(64);
  EXPECT_EQ(plug->GetParam(kActive)->Value(), 1.0);
  inst.Control(kActive) = 0.0f;  // the host's automation
  inst.Run(64);
  EXPECT_EQ(plug->GetParam(kActive)->Value(), 0.0);
}

// A quick drag: the host brings back the editor's first value while the
// last one still waits for the UI's idle. The last one must still reach the
// host and then the parameter. Catches a host change that cancels what the
// editor has not sent yet.
TEST(LV2Params, AQuickDragEndsOnItsLastValue) {
  LV2TestInstance inst(TestDescriptor(0));
  auto* plug = static_cast<TestLV2Plug*>(inst.Plug());
  inst.Activate();
  HostPortWriter host;
  plug->SetParameterFromGUI(kShape, plug->GetParam(kShape)->GetNormalized(2.0));
  plug->DrainHostUpdates(&host);
  plug->SetParameterFromGUI(kShape, plug->GetParam(kShape)->GetNormalized(0.0));
  host.DeliverTo(inst);
  inst.Run(64);
  EXPECT_EQ(plug->GetParam(kShape)->Value(), 2.0);
  plug->DrainHostUpdates(&host);
  host.DeliverTo(inst);
  inst.Run(64);
  EXPECT_EQ(plug->GetParam(kShape)->Value(), 0.0);
}

// A host's port at ±infinity is clamped into the range, for the parameter
// and the editor alike (once the parameter ignored it while the editor
// showed the maximum); NaN is ignored.
TEST(LV2Params, InfinitePortValuesClampForTheParameterAndTheEditor) {
  LV2TestInstance inst(CorvaneDescriptor(0));
  inst.Activate();
  auto* corvane = static_cast<Corvane*>(static_cast<IPlugBase*>(inst.Plug()));
  inst.ParamControl(kAmount) = INFINITY;
  inst.Run(64);
  corvane->Editor()->ApplyPlugUpdates();
  EXPECT_EQ(corvane->GetParam(kAmount)->Value(), 1.0);
  EXPECT_EQ(corvane->GetKnob(0)->GetValue(), 1.0);
  inst.ParamControl(kAmount) = -INFINITY;
  inst.Run(64);
  corvane->Editor()->ApplyPlugUpdates();
  EXPECT_EQ(corvane->GetParam(kAmount)->Value(), 0.0);
  EXPECT_EQ(corvane->GetKnob(0)->GetValue(), 0.0);
}

// The wavelet is one port for the host and three mode parameters inside:
// the port's value selects exactly one mode, and an editor click reaches the
// host as the port's new value. Catches a choice that leaves the old mode at
// 1 in the state, or an editor change the host never hears.
TEST(LV2Params, TheWaveletPortChoosesOneModeBothWays) {
  LV2TestInstance inst(CorvaneDescriptor(0));
  inst.Activate();
  auto* plug = inst.Plug();
  const uint32_t wavelet = inst.Layout().Param(kMode1);
  EXPECT_EQ(wavelet, inst.Layout().Param(kMode3));
  EXPECT_EQ(inst.Control(wavelet), 0.0f);  // Haar by default
  inst.Control(wavelet) = 2.0f;
  inst.Run(64);
  auto modes = [&] {
    return std::vector<double>{plug->GetParam(kMode1)->Value(), plug->GetParam(kMode2)->Value(),
                               plug->GetParam(kMode3)->Value()};
  };
  EXPECT_EQ(modes(), (std::vector<double>{0.0, 0.0, 1.0}));
  EXPECT_EQ(static_cast<Corvane*>(static_cast<IPlugBase*>(plug))->Engine().GetMode(), 3);

  plug->SetParameterFromGUI(kMode1, 1.0);  // a click on the editor's Haar button
  RecordingWriter writer;
  plug->DrainHostUpdates(&writer);
  ASSERT_FALSE(writer.events.empty());
  for (const auto& e : writer.events) {
    EXPECT_EQ(e.port, wavelet);
    if (e.kind == 'w') {
      EXPECT_EQ(e.value, 0.0f);
    }
  }
  // The host's port brings the click back: one mode, the one clicked.
  inst.Control(wavelet) = 0.0f;
  inst.Run(64);
  EXPECT_EQ(modes(), (std::vector<double>{1.0, 0.0, 0.0}));
  EXPECT_EQ(static_cast<Corvane*>(static_cast<IPlugBase*>(plug))->Engine().GetMode(), 1);
}
