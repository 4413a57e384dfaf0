// State chunks and presets: byte layout, round trips, damaged and short
// chunks, every preset-making path, restore and user-preset naming, the
// preset bank, base64 and the two source dumps.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "framework/Base64.h"
#include "tests/framework/TestPlug.h"

using fw_test::RecordingGraphics;
using fw_test::TestPlug;

namespace {
// Three parameters of three kinds: bool, int 0..8, double 1..10.
void Declare(TestPlug& plug) {
  plug.GetParam(0)->InitBool("On", true);
  plug.GetParam(1)->InitInt("Count", 2, 0, 8);
  plug.GetParam(2)->InitDouble("Level", 5.0, 1.0, 10.0, 0.01);
}

std::vector<double> Values(TestPlug& plug) {
  std::vector<double> v;
  for (int i = 0; i < plug.NParams(); ++i) v.push_back(plug.GetParam(i)->Value());
  return v;
}

std::string ReadFile(const std::string& path) {
  std::ifstream f(path);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

std::string TempPath(const char* name) {
  return std::string(::testing::TempDir()) + name;
}
}  // namespace

TEST(ByteChunkTest, LittleEndianLayoutAndReadsPastTheEnd) {
  ByteChunk c;
  const int i = 0x01020304;
  const double d = 1.0;
  EXPECT_EQ(c.Put(&i), 4);
  EXPECT_EQ(c.Put(&d), 12);
  EXPECT_EQ(c.PutBool(true), 13);
  const unsigned char expected[] = {4, 3, 2, 1, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 1};
  ASSERT_EQ(c.Size(), 13);
  EXPECT_EQ(std::memcmp(c.GetBytes(), expected, 13), 0);

  int ri = 0;
  double rd = 0;
  bool rb = false;
  EXPECT_EQ(c.Get(&ri, 0), 4);
  EXPECT_EQ(c.Get(&rd, 4), 12);
  EXPECT_EQ(c.GetBool(&rb, 12), 13);
  EXPECT_EQ(ri, i);
  EXPECT_EQ(rd, d);
  EXPECT_TRUE(rb);
  rd = 7.0;
  EXPECT_EQ(c.Get(&rd, 6), -1);  // 8 bytes are not there
  EXPECT_EQ(rd, 7.0);
  EXPECT_EQ(c.Get(&ri, -1), -1);
  EXPECT_EQ(c.GetBool(&rb, 13), -1);
  const int minusOne = -1;
  ByteChunk n;
  n.Put(&minusOne);
  EXPECT_EQ(n.Get(&ri, 0), 4);
  EXPECT_EQ(ri, -1);
}

TEST(ByteChunkTest, StringsIncludingDamagedLengths) {
  ByteChunk c;
  c.PutStr("Snare");
  c.PutStr("");
  c.PutStr(nullptr);
  WDL_String s("keep");
  int pos = c.GetStr(&s, 0);
  EXPECT_EQ(pos, 9);
  EXPECT_STREQ(s.Get(), "Snare");
  pos = c.GetStr(&s, pos);  // empty: the string keeps its text
  EXPECT_EQ(pos, 13);
  EXPECT_STREQ(s.Get(), "Snare");

  ByteChunk damaged;
  const int tooLong = 100, negative = -8;
  damaged.Put(&tooLong);
  damaged.PutBytes("ab", 2);
  WDL_String t("old");
  EXPECT_EQ(damaged.GetStr(&t, 0), 104);  // past the end: the next read fails
  EXPECT_STREQ(t.Get(), "old");
  ByteChunk backwards;
  backwards.Put(&negative);
  EXPECT_EQ(backwards.GetStr(&t, 0), -1);
  EXPECT_EQ(backwards.GetStr(&t, 2), -1);

  ByteChunk a, b;
  a.PutStr("x");
  b.PutChunk(&a);
  b.PutChunk(&b);  // itself
  EXPECT_EQ(b.Size(), 10);
  EXPECT_FALSE(a.IsEqual(&b));
  b.Clear();
  EXPECT_EQ(b.GetBytes(), nullptr);
}

TEST(StateChunk, RoundTripIsEightBytesPerParameter) {
  TestPlug plug;
  Declare(plug);
  plug.GetParam(1)->Set(7);
  plug.GetParam(2)->Set(3.3);
  ByteChunk chunk;
  ASSERT_TRUE(plug.SerializeState(&chunk));
  ASSERT_EQ(chunk.Size(), 24);
  EXPECT_TRUE(plug.CompareState(chunk.GetBytes(), 0));

  TestPlug other;
  Declare(other);
  EXPECT_FALSE(other.CompareState(chunk.GetBytes(), 0));
  EXPECT_EQ(other.UnserializeState(&chunk, 0), 24);
  EXPECT_EQ(Values(other), Values(plug));
  EXPECT_EQ(other.paramChanges, (std::vector<int>{0, 1, 2}));
}

// A damaged state (short, long, empty, not a number, infinite) is refused
// before anything changes: no value, no OnParamChange. Catches a restore
// that applies the values it could read, or clamps NaN to the maximum.
TEST(StateChunk, DamagedChunksAreRefusedWithNothingChanged) {
  const double nan = std::nan(""), inf = INFINITY;
  const std::vector<std::vector<double>> damaged = {
      {}, {0.0, 99.0}, {0.0, nan, 2.0}, {inf, 4.0, 2.0}, {0.0, 4.0, -inf}};
  for (const auto& values : damaged) {
    TestPlug plug;
    Declare(plug);
    ByteChunk chunk;
    for (double v : values) chunk.Put(&v);
    EXPECT_FALSE(plug.IsWholeState(&chunk)) << values.size();
    EXPECT_EQ(plug.UnserializeState(&chunk, 0), -1) << values.size();
    EXPECT_EQ(Values(plug), (std::vector<double>{1.0, 2.0, 5.0})) << values.size();
    EXPECT_TRUE(plug.paramChanges.empty()) << values.size();
  }
  TestPlug plug;
  Declare(plug);
  ByteChunk whole, longer;
  for (double v : {1.0, 99.0, 2.0}) whole.Put(&v);  // 99 is out of range: clamped
  longer.PutChunk(&whole);
  longer.Put(&nan);
  // A state handed over whole must end where the state ends (a bank goes on).
  EXPECT_FALSE(plug.IsWholeState(&longer));
  EXPECT_TRUE(plug.IsWholeState(&whole));
  EXPECT_EQ(plug.UnserializeState(&whole, 0), 24);
  EXPECT_EQ(Values(plug), (std::vector<double>{1.0, 8.0, 2.0}));
  EXPECT_EQ(plug.UnserializeState(nullptr, 0), -1);
}

TEST(StateChunk, CompareStateToleranceAndOffset) {
  TestPlug plug;
  Declare(plug);
  ByteChunk chunk;
  const double pad = 123.0, a = 1.0, b = 2.0, c = 5.0 + 5e-6;
  chunk.Put(&pad);
  chunk.Put(&a);
  chunk.Put(&b);
  chunk.Put(&c);
  EXPECT_TRUE(plug.CompareState(chunk.GetBytes(), 1));  // startPos counts doubles
  EXPECT_FALSE(plug.CompareState(chunk.GetBytes(), 0));
  EXPECT_FALSE(plug.CompareState(nullptr, 0));
  TestPlug none(0);
  EXPECT_TRUE(none.CompareState(nullptr, 0));
}

TEST(Presets, MakeRestoreAndSlotsRunningOut) {
  TestPlug plug(3, "1-1", 2);
  Declare(plug);
  plug.MakePreset("First", 0, 6, 2.5);  // ints for bool and int parameters
  plug.MakePreset("Second", 1, 3, 9.0);
  plug.MakePreset("Ignored", 1, 1, 1.0);
  EXPECT_EQ(Values(plug), (std::vector<double>{1.0, 2.0, 5.0}));  // making changes nothing
  EXPECT_STREQ(plug.GetPresetName(1), "Second");
  EXPECT_STREQ(plug.GetPresetName(-1), "");

  auto* gui = new RecordingGraphics;
  plug.AttachGraphics(gui);
  gui->pushes.clear();
  ASSERT_TRUE(plug.RestorePreset(0));
  EXPECT_EQ(Values(plug), (std::vector<double>{0.0, 6.0, 2.5}));
  EXPECT_EQ(plug.presetsChanged, 1);
  EXPECT_EQ(gui->pushes.size(), 3u);  // the editor follows
  ASSERT_TRUE(plug.RestorePreset("Second"));
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 1);
  EXPECT_FALSE(plug.RestorePreset(""));
  EXPECT_FALSE(plug.RestorePreset(static_cast<const char*>(nullptr)));
  EXPECT_FALSE(plug.RestorePreset("Nope"));
  EXPECT_FALSE(plug.RestorePreset(2));
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 1);
}

TEST(Presets, NamedParamsTakeCurrentValuesForTheRest) {
  TestPlug plug(3, "1-1", 3);
  Declare(plug);
  plug.GetParam(2)->Set(4.0);
  plug.MakePresetFromNamedParams("Named", 1, 1, 7);
  plug.MakePresetFromNamedParams("Marker", 1, 2, 9.999e-8);  // the marker means "unnamed"
  plug.MakePresetFromNamedParams("BadIndex", 2, 2, 3.0, 99, 1.0);
  ASSERT_TRUE(plug.RestorePreset(0));
  EXPECT_EQ(Values(plug), (std::vector<double>{1.0, 7.0, 4.0}));
  plug.GetParam(2)->Set(6.0);
  ASSERT_TRUE(plug.RestorePreset(1));
  EXPECT_EQ(plug.GetParam(2)->Value(), 4.0);
  ASSERT_TRUE(plug.RestorePreset(2));
  EXPECT_EQ(plug.GetParam(2)->Value(), 3.0);
}

TEST(Presets, EmptySlotBecomesTheNextUserPreset) {
  TestPlug plug(3, "1-1", 3);
  Declare(plug);
  plug.MakePreset("my user preset 1 copy", 1, 1, 1.0);
  plug.GetParam(1)->Set(5);
  ASSERT_TRUE(plug.RestorePreset(2));
  EXPECT_STREQ(plug.GetPresetName(2), "user preset 2");
  plug.GetParam(1)->Set(0);
  ASSERT_TRUE(plug.RestorePreset(2));
  EXPECT_EQ(plug.GetParam(1)->Value(), 5.0);

  plug.GetParam(1)->Set(3);
  plug.ModifyCurrentPreset("Mine");
  EXPECT_STREQ(plug.GetPresetName(2), "Mine");
  plug.GetParam(1)->Set(0);
  ASSERT_TRUE(plug.RestorePreset(2));
  EXPECT_EQ(plug.GetParam(1)->Value(), 3.0);

  plug.PruneUninitializedPresets();
  EXPECT_EQ(plug.NPresets(), 2);
  EXPECT_STREQ(plug.GetPresetName(1), "Mine");
}

TEST(Presets, DefaultPresetsAndChunks) {
  TestPlug plug(3, "1-1", 4);
  Declare(plug);
  plug.MakeDefaultPreset(nullptr, 1);
  ByteChunk chunk;
  plug.GetParam(1)->Set(8);
  plug.SerializeState(&chunk);
  plug.MakePresetFromChunk("FromChunk", &chunk);
  plug.MakePresetFromChunk("NullChunk", nullptr);
  plug.EnsureDefaultPreset();
  EXPECT_STREQ(plug.GetPresetName(0), "Empty");
  EXPECT_STREQ(plug.GetPresetName(1), "FromChunk");
  EXPECT_STREQ(plug.GetPresetName(3), "Empty");
  plug.GetParam(1)->Set(0);
  ASSERT_TRUE(plug.RestorePreset(1));
  EXPECT_EQ(plug.GetParam(1)->Value(), 8.0);
  ASSERT_TRUE(plug.RestorePreset(0));
  EXPECT_EQ(plug.GetParam(1)->Value(), 2.0);
}

TEST(Base64, StandardEncodingAndDecodeStops) {
  WDL_String text;
  const unsigned char bytes[] = {'M', 'a', 'n', 'M', 'a'};
  Base64Encode(bytes, 5, &text);
  EXPECT_STREQ(text.Get(), "TWFuTWE=");
  Base64Encode(bytes, 4, &text);
  EXPECT_STREQ(text.Get(), "TWFuTQ==");
  unsigned char out[8] = {};
  EXPECT_EQ(Base64Decode("TWFuTWE=", out, 8), 5);
  EXPECT_EQ(std::memcmp(out, bytes, 5), 0);
  EXPECT_EQ(Base64Decode("TWFu!TWE", out, 8), 3);  // stops at a foreign character
  EXPECT_EQ(Base64Decode("TWFuTWFu", out, 2), 2);  // stops when full
  EXPECT_EQ(Base64Decode(nullptr, out, 8), 0);
}

TEST(Presets, BlobRoundTripsByteForByteAtAnySize) {
  for (int nParams : {3, 200}) {  // 200 doubles: 1600 bytes, far past 765
    TestPlug plug(nParams, "1-1", 2);
    for (int i = 0; i < nParams; ++i) {
      plug.GetParam(i)->InitDouble("p", 0.0, -1e6, 1e6, 0.001);
      plug.GetParam(i)->Set(i * 1.618 - 50.0);
    }
    plug.MakeDefaultPreset("Current", 1);
    WDL_String blobText;
    ASSERT_TRUE(plug.GetPresetBlobText(&blobText));
    const std::string text = blobText.Get();
    const size_t open = text.find("\", \"") + 4;
    const size_t close = text.find('"', open);
    const std::string blob = text.substr(open, close - open);
    const int size = std::stoi(text.substr(close + 3));
    EXPECT_EQ(size, 8 * nParams);
    EXPECT_EQ(text.substr(0, 28), "MakePresetFromBlob(\"name\", \"");

    plug.MakePresetFromBlob("Blob", blob.c_str(), size);
    ByteChunk original;
    plug.SerializeState(&original);
    plug.SetCurrentPresetIdx(1);
    ASSERT_TRUE(plug.GetPresetBlobText(&blobText));
    WDL_String again;
    Base64Encode(original.GetBytes(), original.Size(), &again);
    EXPECT_NE(std::string(blobText.Get()).find(again.Get()), std::string::npos);

    const std::string path = TempPath("corvane_blob.txt");
    plug.DumpPresetBlob(path.c_str());
    EXPECT_EQ(ReadFile(path), blobText.Get());
    std::remove(path.c_str());
  }
}

TEST(Presets, BlobShorterThanItsSizeIsZeroFilled) {
  TestPlug plug(3, "1-1", 1);
  Declare(plug);
  plug.MakePresetFromBlob("Short", "AAAAAAAA8D8", 24);  // 1.0 then nothing
  ASSERT_TRUE(plug.RestorePreset(0));
  EXPECT_EQ(Values(plug), (std::vector<double>{1.0, 0.0, 1.0}));
}

TEST(Presets, SourceDumpListsNamedValues) {
  TestPlug plug;
  Declare(plug);
  plug.GetParam(2)->Set(2.25);
  const char* names[] = {"kOn", "kCount", nullptr};
  const std::string path = TempPath("corvane_src.txt");
  plug.DumpPresetSrcCode(path.c_str(), names);
  EXPECT_EQ(ReadFile(path),
            "  MakePresetFromNamedParams(\"name\", 3,\n    kOn, true,\n    kCount, 2,\n    , "
            "2.250000);\n");
  std::remove(path.c_str());
  plug.DumpPresetSrcCode(nullptr, names);
  plug.DumpPresetSrcCode("/nonexistent-dir/x.txt", names);
}

TEST(PresetBank, RoundTripRestoresEverySlotAndTheCurrentPreset) {
  TestPlug source(3, "1-1", 3);
  Declare(source);
  source.MakePreset("A", 0, 1, 1.5);
  source.MakePreset("B", 1, 8, 9.5);
  ASSERT_TRUE(source.RestorePreset(1));
  ByteChunk bank;
  ASSERT_TRUE(source.SerializePresets(&bank));

  TestPlug target(3, "1-1", 3);
  Declare(target);
  target.SetCurrentPresetIdx(1);
  EXPECT_EQ(target.UnserializePresets(&bank, 0), bank.Size());
  for (int i = 0; i < 3; ++i) EXPECT_STREQ(target.GetPresetName(i), source.GetPresetName(i));
  EXPECT_EQ(Values(target), (std::vector<double>{1.0, 8.0, 9.5}));
  ASSERT_TRUE(target.RestorePreset(0));
  EXPECT_EQ(Values(target), (std::vector<double>{0.0, 1.0, 1.5}));

  // A bank damaged anywhere, even in its last slot's state, changes no slot
  // and no parameter. Catches a load that names or fills slots before the
  // rest of the bank has been read.
  for (int keep : {3, bank.Size() - 1}) {
    ByteChunk cut;
    cut.PutBytes(bank.GetBytes(), keep);
    TestPlug damaged(3, "1-1", 3);
    Declare(damaged);
    EXPECT_EQ(damaged.UnserializePresets(&cut, 0), -1);
    for (int i = 0; i < 3; ++i) EXPECT_STREQ(damaged.GetPresetName(i), "empty") << keep;
    EXPECT_EQ(Values(damaged), (std::vector<double>{1.0, 2.0, 5.0}));
    EXPECT_TRUE(damaged.paramChanges.empty());
  }
}
