// The plug-in base as a host adapter drives it: construction, channel
// configurations and connections, buffer attachment on both sample types,
// editor attachment, parameter flow to the host, versions.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/framework/TestPlug.h"

using fw_test::RecordingGraphics;
using fw_test::TestPlug;

TEST(PlugBaseConstruction, FieldsChannelsAndPresetSlots) {
  TestPlug plug(3, "1-1 2-2", 4);
  EXPECT_EQ(plug.NParams(), 3);
  EXPECT_EQ(plug.NPresets(), 4);
  EXPECT_EQ(plug.NChannelIO(), 2);
  EXPECT_EQ(plug.NInChannels(), 2);
  EXPECT_EQ(plug.NOutChannels(), 2);
  EXPECT_EQ(plug.GetHost(), kHostUninit);
  EXPECT_EQ(plug.GetSampleRate(), 44100.0);
  EXPECT_EQ(plug.GetBlockSize(), 0);
  EXPECT_FALSE(plug.GetIsBypassed());
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 0);
  EXPECT_STREQ(plug.GetEffectName(), "TestEffect");
  EXPECT_STREQ(plug.GetPresetName(3), "empty");
  EXPECT_EQ(plug.GetParam(-1), nullptr);
  EXPECT_EQ(plug.GetParam(3), nullptr);
  EXPECT_EQ(plug.GetParam(0)->Type(), IParam::kTypeNone);
  EXPECT_FALSE(plug.IsInChannelConnected(0));
  EXPECT_FALSE(plug.IsOutChannelConnected(2));
}

TEST(PlugBaseConstruction, LongNamesAreCutNotOverrun) {
  const std::string longName(300, 'x');
  TestPlug plug(0, "1-1", 0, 0, longName.c_str());
  EXPECT_EQ(std::strlen(plug.GetEffectName()), static_cast<size_t>(kMaxEffectNameLen - 1));
}

TEST(PlugBaseChannelIO, ParsingAndLegality) {
  TestPlug plug(0, "1-1 2-2");
  EXPECT_TRUE(plug.LegalIO(2, 2));
  EXPECT_FALSE(plug.LegalIO(1, 2));
  EXPECT_TRUE(plug.LegalIO(-1, 2));
  EXPECT_TRUE(plug.LegalIO(1, -1));

  TestPlug none(0, nullptr);
  EXPECT_EQ(none.NChannelIO(), 0);
  EXPECT_FALSE(none.LegalIO(-1, -1));
  EXPECT_EQ(none.NInChannels(), 0);

  TestPlug empty(0, "");
  ASSERT_EQ(empty.NChannelIO(), 1);
  EXPECT_TRUE(empty.LegalIO(0, 0));

  TestPlug odd(0, "2-1 x 4");  // unparsed counts read as 0
  ASSERT_EQ(odd.NChannelIO(), 3);
  EXPECT_EQ(odd.GetChannelIO(1)->mIn, 0);
  EXPECT_EQ(odd.GetChannelIO(2)->mIn, 4);
  EXPECT_EQ(odd.GetChannelIO(2)->mOut, 0);
  EXPECT_EQ(odd.NInChannels(), 4);
  EXPECT_EQ(odd.NOutChannels(), 1);
}

TEST(PlugBaseAudioSetup, BlockSizeZeroFillsOnlyOnChange) {
  TestPlug plug;
  plug.SetBlockSize(8);
  plug.SetInputChannelConnections(0, 2, true);
  float a[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  float* ins[] = {a, a};
  plug.AttachInputBuffers(0, 2, ins, 8);
  plug.SetBlockSize(8);  // same size: scratch keeps the converted input
  EXPECT_EQ(plug.InScratch(0)[7], 8.0);
  plug.SetBlockSize(16);
  for (int t = 0; t < 16; ++t) ASSERT_EQ(plug.InScratch(0)[t], 0.0);
  // Channels that pointed at their scratch buffer follow it to its new storage.
  EXPECT_EQ(plug.InData()[0], plug.InScratch(0));
  EXPECT_EQ(plug.OutData()[1], plug.OutScratch(1));
}

TEST(PlugBaseChannels, DisconnectedInputKeepsScratchAndConsumesNoBuffer) {
  TestPlug plug;
  plug.SetBlockSize(4);
  plug.SetInputChannelConnections(0, 2, true);
  plug.SetInputChannelConnections(0, 1, false);
  double host0[4] = {1, 1, 1, 1};
  double* bufs[] = {host0};
  plug.AttachInputBuffers(0, 2, bufs, 4);
  EXPECT_EQ(plug.InData()[0], plug.InScratch(0));
  EXPECT_EQ(plug.InData()[1], host0);
  // Ranges past the channels and negative starts are clipped, not trusted.
  plug.SetInputChannelConnections(1, 1000, false);
  plug.SetOutputChannelConnections(-5, 6, true);
  EXPECT_FALSE(plug.IsInChannelConnected(1));
  EXPECT_TRUE(plug.IsOutChannelConnected(0));
  EXPECT_FALSE(plug.IsOutChannelConnected(1));
  plug.AttachInputBuffers(0, 2, static_cast<double**>(nullptr), 4);
  plug.SetInputLabel(7, "nothing");
  plug.SetOutputLabel(1, "right");
  EXPECT_STREQ(plug.GetOutputLabel(1), "right");
  EXPECT_STREQ(plug.GetInputLabel(7), "");
}

TEST(PlugBaseChannels, BusLabels) {
  TestPlug plug;
  plug.SetInputBusLabel(0, "input");
  plug.SetInputBusLabel(1, "aux input");
  plug.SetInputBusLabel(2, "ignored");
  plug.SetInputBusLabel(1, "side");
  plug.SetOutputBusLabel(3, "output 4");
  ASSERT_NE(plug.GetInputBusLabel(1), nullptr);
  EXPECT_STREQ(plug.GetInputBusLabel(1)->Get(), "side");
  EXPECT_EQ(plug.GetInputBusLabel(2), nullptr);
  EXPECT_STREQ(plug.GetOutputBusLabel(3)->Get(), "output 4");
  EXPECT_STREQ(plug.GetOutputBusLabel(0)->Get(), "");
}

namespace {
// Connects a stereo plug-in and feeds it one float block.
struct FloatRig {
  explicit FloatRig(TestPlug& plug, int frames) : in(2, std::vector<float>(frames)),
                                                  out(2, std::vector<float>(frames, 99.0f)) {
    plug.SetInputChannelConnections(0, 2, true);
    plug.SetOutputChannelConnections(0, 2, true);
    for (int t = 0; t < frames; ++t) {
      in[0][t] = 0.25f * t;
      in[1][t] = -0.5f * t;
    }
    inPtrs[0] = in[0].data();
    inPtrs[1] = in[1].data();
    outPtrs[0] = out[0].data();
    outPtrs[1] = out[1].data();
    plug.AttachInputBuffers(0, 2, inPtrs, frames);
    plug.AttachOutputBuffers(0, 2, outPtrs);
  }
  std::vector<std::vector<float>> in, out;
  float* inPtrs[2];
  float* outPtrs[2];
};
}  // namespace

TEST(PlugBaseProcessing, FloatPathConvertsBothWaysAndAccumulates) {
  TestPlug plug;
  plug.SetBlockSize(16);
  FloatRig rig(plug, 16);
  plug.ProcessBuffers(0.0f, 16);
  EXPECT_EQ(rig.out[0], rig.in[0]);
  EXPECT_EQ(rig.out[1], rig.in[1]);
  plug.ProcessBuffersAccumulating(0.0f, 16);
  for (int t = 0; t < 16; ++t) ASSERT_EQ(rig.out[1][t], 2.0f * rig.in[1][t]);
}

TEST(PlugBaseProcessing, DoublePathUsesHostPointersAndFillsMissingOutputs) {
  TestPlug plug(0, "1-2");
  plug.SetBlockSize(4);
  plug.SetInputChannelConnections(0, 1, true);
  plug.SetOutputChannelConnections(0, 2, true);
  double in[4] = {1, 2, 3, 4};
  double out0[4] = {}, out1[4] = {9, 9, 9, 9};
  double* ins[] = {in};
  double* outs[] = {out0, out1};
  plug.AttachInputBuffers(0, 1, ins, 4);
  plug.AttachOutputBuffers(0, 2, outs);
  plug.ProcessBuffers(0.0, 4);
  EXPECT_EQ(plug.lastFrames, 4);
  EXPECT_EQ(out0[3], 4.0);
  EXPECT_EQ(out1[0], 0.0);  // no input 1: silence
}

TEST(PlugBaseProcessing, OversizedAndEmptyBlocksStayInsideTheBuffers) {
  TestPlug plug;
  plug.SetBlockSize(8);
  FloatRig rig(plug, 12);  // the host breaks its own maximum
  plug.ProcessBuffers(0.0f, 12);
  EXPECT_EQ(plug.lastFrames, 8);
  for (int t = 0; t < 8; ++t) ASSERT_EQ(rig.out[0][t], rig.in[0][t]);
  for (int t = 8; t < 12; ++t) ASSERT_EQ(rig.out[0][t], 0.0f);
  plug.ProcessBuffers(0.0f, 0);
  plug.ProcessBuffers(0.0f, -3);
  EXPECT_EQ(plug.lastFrames, 0);

  TestPlug unsized;  // no block size yet: nothing may be processed
  FloatRig rig2(unsized, 4);
  unsized.ProcessBuffers(0.0f, 4);
  EXPECT_EQ(unsized.lastFrames, 0);
}

TEST(PlugBaseProcessing, PassThroughWithoutLatencyCopiesAndSilencesExtraOutputs) {
  TestPlug plug(0, "1-2");
  plug.SetBlockSize(4);
  plug.SetInputChannelConnections(0, 1, true);
  plug.SetOutputChannelConnections(0, 2, true);
  float in[4] = {1, 2, 3, 4}, out0[4] = {}, out1[4] = {7, 7, 7, 7};
  float* ins[] = {in};
  float* outs[] = {out0, out1};
  plug.AttachInputBuffers(0, 1, ins, 4);
  plug.AttachOutputBuffers(0, 2, outs);
  plug.PassThroughBuffers(0.0f, 4);
  EXPECT_EQ(plug.processCalls, 0);
  EXPECT_EQ(out0[2], 3.0f);
  EXPECT_EQ(out1[2], 0.0f);
}

TEST(PlugBaseParameters, GuiChangeInformsHostWithThePositionAskedFor) {
  TestPlug plug(2);
  plug.GetParam(0)->InitInt("Steps", 0, 0, 4);
  plug.SetParameterFromGUI(0, 0.6);  // 2.4 snaps to 2
  EXPECT_EQ(plug.GetParam(0)->Value(), 2.0);
  ASSERT_EQ(plug.informs.size(), 1u);
  EXPECT_EQ(plug.informs[0].normalized, 0.6);
  EXPECT_EQ(plug.paramChanges, std::vector<int>{0});
  plug.SetParameterFromGUI(9, 0.5);  // no such parameter
  EXPECT_EQ(plug.informs.size(), 1u);

  plug.informs.clear();
  plug.DirtyParameters();
  ASSERT_EQ(plug.informs.size(), 2u);
  EXPECT_DOUBLE_EQ(plug.informs[0].normalized, 0.5);
  plug.paramChanges.clear();
  plug.OnParamReset();
  EXPECT_EQ(plug.paramChanges, (std::vector<int>{0, 1}));
}

TEST(PlugBaseEditor, AttachPushesNormalizedValuesThenPreparesAndOwns) {
  int destroyed = 0;
  {
    TestPlug plug(2);
    plug.GetParam(1)->InitDouble("Gain", 5.0, 0.0, 10.0, 0.1);
    plug.AttachGraphics(nullptr);
    EXPECT_EQ(plug.GetGUI(), nullptr);
    plug.RedrawParamControls();  // no editor: nothing to do

    auto* gui = new RecordingGraphics(&destroyed);
    plug.AttachGraphics(gui);
    EXPECT_EQ(plug.GetGUI(), gui);
    ASSERT_EQ(gui->pushes.size(), 2u);
    EXPECT_TRUE(gui->pushes[1].normalized);
    EXPECT_DOUBLE_EQ(gui->pushes[1].value, 0.5);
    EXPECT_EQ(gui->prepDrawAfterPushes, 2);

    gui->pushes.clear();
    plug.RedrawParamControls();
    ASSERT_EQ(gui->pushes.size(), 2u);
    EXPECT_FALSE(gui->pushes[1].normalized);
    EXPECT_EQ(gui->pushes[1].value, 5.0);
  }
  EXPECT_EQ(destroyed, 1);
}

TEST(PlugBaseIdentity, VersionsApiAndHost) {
  TestPlug plug;
  EXPECT_EQ(plug.GetEffectVersion(false), 66051);
  EXPECT_EQ(plug.GetEffectVersion(true), 10203);
  char text[kMaxVersionStrLen];
  plug.GetEffectVersionStr(text);
  EXPECT_STREQ(text, "v1.2.3");
  EXPECT_STREQ(plug.GetAPIString(), "AU");
  EXPECT_STREQ(plug.GetArchString(), "x86");

  plug.SetHost("Some Unheard-Of Host", 0x00020100);
  EXPECT_EQ(plug.GetHost(), kHostUnknown);
  EXPECT_EQ(plug.GetHostVersion(true), 20100);
  plug.GetHostVersionStr(text);
  EXPECT_STREQ(text, "v2.1.0");
  plug.SetHost("com.apple.logic10", 0);
  EXPECT_EQ(plug.GetHost(), kHostLogic);
  plug.SetHost(nullptr, 0);
  EXPECT_EQ(plug.GetHost(), kHostUnknown);

  plug.tempo = 120.0;
  EXPECT_DOUBLE_EQ(plug.GetSamplesPerBeat(), 22050.0);
  plug.tempo = 0.0;
  EXPECT_EQ(plug.GetSamplesPerBeat(), 0.0);
}

TEST(MidiRecords, BuildersAccessorsAndText) {
  IMidiMsg msg;
  msg.MakeNoteOnMsg(60, 200, 12, 3);
  EXPECT_EQ(msg.StatusMsg(), IMidiMsg::kNoteOn);
  EXPECT_EQ(msg.Channel(), 3);
  EXPECT_EQ(msg.NoteNumber(), 60);
  EXPECT_EQ(msg.Velocity(), 127);
  EXPECT_EQ(msg.mOffset, 12);
  EXPECT_EQ(msg.ControlChangeIdx(), -1);
  char text[64];
  msg.ToText(text, sizeof(text));
  EXPECT_STREQ(text, "noteon ch3 93 3C 7F");

  msg.MakePitchWheelMsg(-1.0);
  EXPECT_DOUBLE_EQ(msg.PitchWheel(), -1.0);
  msg.MakePitchWheelMsg(0.0);
  EXPECT_DOUBLE_EQ(msg.PitchWheel(), 0.0);
  EXPECT_EQ(IMidiMsg(0, 0xF0, 0, 0).StatusMsg(), IMidiMsg::kNone);

  const unsigned char bytes[] = {0xF0, 0x7E, 0xF7};
  ISysEx sysex(0, bytes, 3);
  sysex.ToText(text, sizeof(text));
  EXPECT_STREQ(text, "F0 7E F7");
  sysex.ToText(text, 5);  // cut, still terminated
  EXPECT_STREQ(text, "F0");
}
