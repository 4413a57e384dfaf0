// The corvane command end to end: the built binary on files the tests make.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "framework/Base64.h"
#include "lice/LicePng.h"
#include "lice/LiceRaster.h"
#include "tests/tools/CliChecks.h"

namespace {

constexpr int kLatency = 4096;
constexpr int kRate = 44100;

double Rms(const Audio& a) {
  double sum = 0;
  for (float s : a.samples) sum += static_cast<double>(s) * s;
  return std::sqrt(sum / std::max<size_t>(1, a.samples.size()));
}

TEST(CorvaneProcess, DefaultSettingsGiveTheInputBackAlignedAndWholeInMonoAndStereo) {
  const std::string dir = FreshDir("null");
  for (int channels : {1, 2}) {
    const std::string in = MakeLoopInput(dir, "in" + std::to_string(channels) + ".wav", 1.5, channels);
    const std::string out = dir + "/out" + std::to_string(channels) + ".wav";
    Ok({"process", "-q", in, out});
    const Audio a = ReadAudio(in), b = ReadAudio(out);
    ASSERT_EQ(b.channels, channels);
    ASSERT_EQ(b.Frames(), a.Frames());
    EXPECT_EQ(b.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_LT(MaxDifference(a, b), 1e-6) << channels;
  }
}

TEST(CorvaneProcess, RawOutputIsWhatAHostReceivesLateByTheLatency) {
  const std::string dir = FreshDir("raw");
  const std::string in = MakeLoopInput(dir, "in.wav", 1.0);
  Ok({"process", "-q", "--no-latency-compensation", in, dir + "/out.wav"});
  const Audio a = ReadAudio(in), b = ReadAudio(dir + "/out.wav");
  ASSERT_EQ(b.Frames(), a.Frames());
  for (int t = 0; t < kLatency; ++t) ASSERT_EQ(b.At(t, 0), 0.0f) << t;
  EXPECT_LT(MaxDifference(a, b, kLatency), 1e-6);
}

// A file is processed from its first sample as the rest of it: a steady
// sine with the transient part raised comes out as loud at its start as
// later on. Catches a unit that starts cold (a quarter frame of the
// transient part alone, 8 dB louder here, and gains still rising).
TEST(CorvaneProcess, AFileIsSplitFromItsFirstSample) {
  const std::string dir = FreshDir("first");
  Audio sine;
  sine.channels = 1;
  sine.sampleRate = kRate;
  for (int t = 0; t < 3 * kLatency; ++t) sine.samples.push_back(0.25f * std::sin(2 * M_PI * 440.0 * t / kRate));
  WriteAudio(dir + "/sine.wav", sine, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  Ok({"process", "-q", "--transient", "+8", "--amount", "0.3", "--mode", "daub4", dir + "/sine.wav", dir + "/out.wav"});
  const Audio out = ReadAudio(dir + "/out.wav");
  ASSERT_EQ(out.Frames(), sine.Frames());
  auto rms = [&](int from) {
    double sum = 0;
    for (int t = from; t < from + 1024; ++t) sum += out.At(t, 0) * out.At(t, 0);
    return std::sqrt(sum / 1024);
  };
  EXPECT_NEAR(20 * std::log10(rms(0) / rms(2 * kLatency)), 0.0, 0.5);
}

TEST(CorvaneProcess, StemsAddUpToTheMixAndSplitTheAttacksFromTheBed) {
  const std::string dir = FreshDir("stems");
  const std::string in = MakeLoopInput(dir, "in.wav", 2.0);
  for (const char* preset : {"0", "Kick Attack+"}) {
    Ok({"process", "-q", "--preset", preset, in, dir + "/mix.wav", "--transient-out", dir + "/t.wav",
        "--residual-out", dir + "/r.wav"});
    const Audio mix = ReadAudio(dir + "/mix.wav"), t = ReadAudio(dir + "/t.wav"), r = ReadAudio(dir + "/r.wav");
    ASSERT_EQ(t.Frames(), mix.Frames());
    ASSERT_EQ(r.Frames(), mix.Frames());
    double worst = 0;
    for (size_t i = 0; i < mix.samples.size(); ++i)
      worst = std::max(worst, std::fabs(static_cast<double>(t.samples[i]) + r.samples[i] - mix.samples[i]));
    EXPECT_LT(worst, 1e-5) << preset;
    EXPECT_GT(Rms(t), 1e-3) << preset;  // both parts carry something
    EXPECT_GT(Rms(r), 1e-3) << preset;
  }
}

TEST(CorvaneProcess, SettingsChangeTheOutputTheWayTheySay) {
  const std::string dir = FreshDir("settings");
  const std::string in = MakeLoopInput(dir, "in.wav", 1.5);
  const Audio input = ReadAudio(in);
  Ok({"process", "-q", in, dir + "/unity.wav", "--transient-out", dir + "/t.wav", "--residual-out", dir + "/r.wav"});
  const Audio t = ReadAudio(dir + "/t.wav"), r = ReadAudio(dir + "/r.wav");

  // Transient fader at -inf leaves the residual part; +12 dB adds 2.98 transient parts.
  Ok({"process", "-q", "--transient", "-inf", in, dir + "/cut.wav"});
  EXPECT_LT(MaxDifference(ReadAudio(dir + "/cut.wav"), r), 1e-5);
  Ok({"process", "-q", "--transient", "+12", in, dir + "/boost.wav"});
  const Audio boost = ReadAudio(dir + "/boost.wav");
  double worst = 0;
  for (size_t i = 0; i < boost.samples.size(); ++i)
    worst = std::max(worst, std::fabs(boost.samples[i] - (input.samples[i] + 2.9810717 * t.samples[i])));
  EXPECT_LT(worst, 1e-4);

  // Soloing gives the part alone; panning the soloed part hard left empties the right.
  Ok({"process", "-q", "--solo", "residual", in, dir + "/solo.wav"});
  EXPECT_LT(MaxDifference(ReadAudio(dir + "/solo.wav"), r), 1e-6);
  Ok({"process", "-q", "--solo", "transient", "--pan-transient", "L", in, dir + "/left.wav"});
  const Audio left = ReadAudio(dir + "/left.wav");
  double right = 0;
  for (long long f = 0; f < left.Frames(); ++f) right = std::max(right, std::fabs(static_cast<double>(left.At(f, 1))));
  EXPECT_EQ(right, 0.0);
  EXPECT_GT(Rms(left), 1e-3);

  // The same values through --set and through the named options agree.
  Ok({"process", "-q", "--amount", "0.2", "--mode", "daub4", "--residual", "-6", in, dir + "/named.wav"});
  const CliResult info = Ok({"info", "--amount", "0.2", "--mode", "daub4", "--residual", "-6"});
  EXPECT_NE(info.out.find("mode-2"), std::string::npos);
  Ok({"process", "-q", "--set", "Amount=0.2", "--set", "mode-1=0", "--set", "9=1", "--set", "residual=0.6024096",
      in, dir + "/set.wav"});
  EXPECT_LT(MaxDifference(ReadAudio(dir + "/named.wav"), ReadAudio(dir + "/set.wav")), 1e-4);
}

TEST(CorvaneProcess, PresetsAreAppliedAndSavedAsAupresetFilesThatRestoreThem) {
  const std::string dir = FreshDir("presets");
  const std::string in = MakeLoopInput(dir, "in.wav", 1.0);
  const std::string preset = dir + "/mine.aupreset";
  Ok({"process", "-q", "--preset", "snare attack+", "--sensitivity", "0.5", "--save-preset", preset, in,
      dir + "/a.wav"});
  const std::string xml = ReadFile(preset);
  for (const char* key : {"<key>version</key>", "<key>type</key>", "<key>subtype</key>", "<key>manufacturer</key>",
                          "<key>name</key>", "<key>data</key>", "<string>Snare Attack+</string>"})
    EXPECT_NE(xml.find(key), std::string::npos) << key << "\n" << xml;
  Ok({"process", "-q", "--load-preset", preset, in, dir + "/b.wav"});
  EXPECT_EQ(MaxDifference(ReadAudio(dir + "/a.wav"), ReadAudio(dir + "/b.wav")), 0.0);
  // The preset changes the sound: "Snare Attack+" boosts the attacks.
  EXPECT_GT(MaxDifference(ReadAudio(in), ReadAudio(dir + "/a.wav")), 1e-3);
  const CliResult info = Ok({"info", "--load-preset", preset});
  EXPECT_NE(info.out.find("0.500000"), std::string::npos) << info.out;
}

TEST(CorvaneProcess, DamagedOrForeignPresetFilesAreRefusedAndNothingIsWritten) {
  const std::string dir = FreshDir("badpreset");
  const std::string in = MakeLoopInput(dir, "in.wav", 0.5);
  const std::string good = dir + "/good.aupreset";
  Ok({"process", "-q", "--save-preset", good, in, dir + "/x.wav"});
  const std::string xml = ReadFile(good);
  // The file's state replaced by other bytes (empty, or a value that is not finite).
  auto withData = [&](const std::vector<double>& values) {
    WDL_String text;
    Base64Encode(reinterpret_cast<const unsigned char*>(values.data()), static_cast<int>(8 * values.size()), &text);
    const size_t from = xml.find("<data>") + 6, to = xml.find("</data>");
    return std::string(xml).replace(from, to - from, text.Get());
  };
  std::vector<double> infinite(11, 0.5);
  infinite[3] = INFINITY;
  struct Case {
    std::string name, content, message;
  } cases[] = {
      {"truncated", xml.substr(0, xml.size() / 2), "damaged property list"},
      {"empty", "", "damaged property list"},
      {"notxml", "hello", "damaged property list"},
      {"foreign", std::string(xml).replace(xml.find("<integer>1093878646</integer>"), 29, "<integer>1</integer>"),
       "another plug-in"},
      {"long", std::string(xml).replace(xml.find("<data>"), 6, "<data>AAAA"), "refused its state"},
      {"emptydata", withData({}), "refused its state"},
      {"infinite", withData(infinite), "refused its state"},
      {"nodata", std::string(xml).replace(xml.find("<key>data</key>"), 15, "<key>dada</key>"), "\"data\""},
  };
  for (const Case& c : cases) {
    const std::string path = dir + "/" + c.name + ".aupreset";
    WriteFile(path, c.content);
    const std::string out = dir + "/" + c.name + ".wav";
    Fails({"process", "-q", "--load-preset", path, in, out}, 1, c.message);
    EXPECT_FALSE(Exists(out)) << c.name;
  }
  Fails({"process", "-q", "--load-preset", dir + "/missing.aupreset", in, dir + "/m.wav"}, 1, "No such file");
  // Saving over an existing preset into a folder that is gone changes nothing.
  Fails({"process", "-q", "--save-preset", dir + "/nofolder/p.aupreset", in, dir + "/n.wav"}, 1, "cannot write");
}

TEST(CorvaneProcess, BadInputGetsAClearErrorAndTheRightStatus) {
  const std::string dir = FreshDir("errors");
  const std::string in = MakeLoopInput(dir, "in.wav", 0.5);
  const std::string out = dir + "/out.wav";
  Fails({"process", "-q", dir + "/missing.wav", out}, 1, "No such file");
  WriteFile(dir + "/text.wav", "this is not audio");
  Fails({"process", "-q", dir + "/text.wav", out}, 1, "cannot read");
  Audio six;
  six.channels = 6;
  six.sampleRate = kRate;
  six.samples.assign(6 * 1000, 0.1f);
  WriteAudio(dir + "/six.wav", six, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  Fails({"process", "-q", dir + "/six.wav", out}, 1, "6 channels");
  Fails({"process", "-q", "--preset", "Loud", in, out}, 2, "\"Snare Attack+\"");
  Fails({"process", "-q", "--preset", "10", in, out}, 2, "unknown preset");
  Fails({"process", "-q", "--amount", "1.5", in, out}, 2, "out of range");
  Fails({"process", "-q", "--sensitivity", "high", in, out}, 2, "not a number");
  Fails({"process", "-q", "--transient", "+13", in, out}, 2, "out of range");
  Fails({"process", "-q", "--pan-residual", "2", in, out}, 2, "--pan-residual");
  Fails({"process", "-q", "--mode", "fft", in, out}, 2, "haar, daub4 or bior68");
  Fails({"process", "-q", "--solo", "both", in, out}, 2, "--solo");
  Fails({"process", "-q", "--set", "volume=1", in, out}, 2, "unknown parameter");
  Fails({"process", "-q", "--set", "amount=2", in, out}, 2, "out of range");
  Fails({"process", "-q", "--frobnicate", in, out}, 2, "unknown option");
  Fails({"process", "-q", in}, 2, "input and an output");
  Fails({"process", "-q", in, dir + "/out.mp9"}, 1, "unsupported output format");
  Fails({"process", "-q", in, dir + "/nofolder/out.wav"}, 1, "cannot write");
  Fails({"process", "-q", "--format", "pcm16", in, dir + "/out.ogg"}, 1, "cannot hold");
  Fails({"frobnicate"}, 2, "unknown command");
  EXPECT_TRUE(ListDir(dir).size() == 3u) << "only in.wav, text.wav and six.wav";

  // The output may not be the input, under any name; the input stays as it was.
  const std::string before = ReadFile(in);
  Fails({"process", "-q", in, in}, 1, "is the input");
  Fails({"process", "-q", in, dir + "/../errors/in.wav"}, 1, "is the input");
  Fails({"process", "-q", in, out, "--transient-out", out}, 1, "same file");
  EXPECT_EQ(ReadFile(in), before);
}

// A file cut short (its header promises more than it holds) is processed as
// far as it goes, with a warning naming the file and both lengths; a
// compressed one that cannot be decoded to its end is refused. Catches a
// truncated input processed in silence, or padded to the promised length.
TEST(CorvaneProcess, TruncatedInputsAreProcessedAsFarAsTheyGoWithAWarning) {
  const std::string dir = FreshDir("truncated");
  for (const char* name : {"cut.wav", "cut.aiff"}) {
    const int format = std::string(name).find(".wav") != std::string::npos ? SF_FORMAT_WAV | SF_FORMAT_PCM_16
                                                                            : SF_FORMAT_AIFF | SF_FORMAT_PCM_16;
    const std::string in = MakeLoopInput(dir, name, 1.0, 2, format);
    std::string bytes = ReadFile(in);
    WriteFile(in, bytes.substr(0, bytes.size() / 2));
    const long long held = ReadAudio(in).Frames();
    const CliResult r = Ok({"process", "-q", in, dir + "/out-" + std::string(name) + ".wav"});
    EXPECT_NE(r.err.find("warning: " + in + " is truncated"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("promises 44100 frames"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("holds " + std::to_string(held) + " frames"), std::string::npos) << r.err;
    EXPECT_EQ(ReadAudio(dir + "/out-" + std::string(name) + ".wav").Frames(), held);
  }
  const std::string flac = MakeLoopInput(dir, "cut.flac", 1.0, 2, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
  std::string bytes = ReadFile(flac);
  WriteFile(flac, bytes.substr(0, bytes.size() / 2));
  Fails({"process", "-q", flac, dir + "/out-flac.wav"}, 1, "damaged");
}

TEST(CorvaneProcess, AFullDiskFailsCleanlyAndKeepsThePreviousOutput) {
  const std::string dir = FreshDir("full");
  const std::string in = MakeLoopInput(dir, "in.wav", 2.0);
  const std::string out = dir + "/out.wav";
  WriteFile(out, "the previous result");
  CliOptions limited;
  limited.fileSizeLimitBlocks = 200;  // 100 kB: the output needs 700 kB
  const CliResult r = RunCli({"process", "-q", in, out}, limited);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;
  EXPECT_EQ(ReadFile(out), "the previous result");
  EXPECT_EQ(ListDir(dir).size(), 2u) << "no temporary file is left";
}

TEST(CorvaneProcess, AnInterruptedRunLeavesNoPartialOutput) {
  const std::string dir = FreshDir("interrupt");
  const std::string in = MakeLoopInput(dir, "in.wav", 60.0);
  for (int sig : {SIGINT, SIGTERM}) {
    const int pid = StartCli({"process", in, dir + "/out.wav", "--transient-out", dir + "/t.wav", "--residual-out",
                              dir + "/r.wav"});
    // Wait until the temporary outputs exist, then interrupt.
    for (int i = 0; i < 5000 && ListDir(dir).size() < 4; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    kill(pid, sig);
    const int status = WaitCli(pid);
    if (status == 0) continue;  // finished before the signal landed: nothing to check
    EXPECT_EQ(status, 128 + sig);
    EXPECT_EQ(ListDir(dir), std::vector<std::string>{"in.wav"});
  }
}

TEST(CorvaneProcess, FormatsFollowTheExtensionAndIntegerOutputsReportClipping) {
  const std::string dir = FreshDir("formats");
  const std::string in = MakeLoopInput(dir, "in.wav", 1.0);
  Ok({"process", "-q", in, dir + "/out.flac"});
  EXPECT_EQ(ReadAudio(dir + "/out.flac").format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
  Ok({"process", "-q", in, dir + "/out.aiff", "--format", "pcm16"});
  EXPECT_EQ(ReadAudio(dir + "/out.aiff").format, SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
  const std::string in16 = MakeLoopInput(dir, "in16.wav", 1.0, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  Ok({"process", "-q", in16, dir + "/kept.wav"});
  EXPECT_EQ(ReadAudio(dir + "/kept.wav").format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  Ok({"process", "-q", in16, dir + "/ogg.ogg"});
  EXPECT_EQ(ReadAudio(dir + "/ogg.ogg").format & SF_FORMAT_TYPEMASK, SF_FORMAT_OGG);

  const CliResult loud = Ok({"process", "--transient", "+12", "--residual", "+12", in16, dir + "/loud.wav"});
  EXPECT_NE(loud.err.find("samples clipped"), std::string::npos) << loud.err;
  const CliResult floatOut = Ok({"process", "--transient", "+12", "--residual", "+12", in, dir + "/loud-f.wav"});
  EXPECT_EQ(floatOut.err.find("clipped"), std::string::npos) << "float files keep every value";
}

TEST(CorvaneCommands, InfoSnapshotDemoAndHelp) {
  const CliResult info = Ok({"info"});
  for (const char* text : {"latency 4096", "transient", "sensitivity", "solo-transient", "mode-3", "Full Extent 2"})
    EXPECT_NE(info.out.find(text), std::string::npos) << text << "\n" << info.out;

  const std::string dir = FreshDir("snapshot");
  const std::string in = MakeLoopInput(dir, "in.wav", 1.0);
  Ok({"snapshot", "-q", dir + "/quiet.png"});
  Ok({"snapshot", "-q", dir + "/played.png", "--input", in, "--solo", "transient"});
  LICE_IBitmap* quiet = LICE_LoadPNG((dir + "/quiet.png").c_str());
  LICE_IBitmap* played = LICE_LoadPNG((dir + "/played.png").c_str());
  ASSERT_TRUE(quiet && played);
  EXPECT_EQ(played->getWidth(), 365);
  EXPECT_EQ(played->getHeight(), 574);
  int differing = 0;
  for (int y = 0; y < 574; ++y)
    for (int x = 0; x < 365; ++x) differing += LICE_GetPixel(quiet, x, y) != LICE_GetPixel(played, x, y);
  EXPECT_GT(differing, 500) << "meters and the solo button show the run";
  delete quiet;
  delete played;

  const std::string demo = FreshDir("demo") + "/out";
  const CliResult d = Ok({"demo", demo});
  EXPECT_NE(d.out.find(demo + "/snare-attack-plus/mix.wav"), std::string::npos) << d.out;
  for (const char* f : {"input.wav", "snare-attack-plus/transient.wav", "kick-attack-minus/residual.wav",
                        "kick-attack-minus/editor.png"})
    EXPECT_TRUE(Exists(demo + "/" + f)) << f;

  for (const char* command : {"process", "info", "snapshot", "demo"}) {
    const CliResult help = Ok({command, "--help"});
    EXPECT_NE(help.out.find(std::string("Usage: corvane ") + command), std::string::npos);
  }
  EXPECT_EQ(RunCli({}).status, 2);
}

// snapshot --scale 2: a 730 x 1148 picture drawn from the 2x images, not
// the 1x picture enlarged (compared with its nearest-neighbour doubling);
// the settings show even without a file played; a scale other than 1 or 2 is
// a usage error that writes nothing.
TEST(CorvaneCommands, SnapshotAtScaleTwoIsDrawnNotEnlarged) {
  const std::string dir = FreshDir("scale");
  Ok({"snapshot", "-q", dir + "/one.png", "--solo", "residual"});
  Ok({"snapshot", "-q", "--scale", "2", dir + "/two.png", "--solo", "residual"});
  Ok({"snapshot", "-q", dir + "/plain.png"});
  std::unique_ptr<LICE_IBitmap> one(LICE_LoadPNG((dir + "/one.png").c_str()));
  std::unique_ptr<LICE_IBitmap> two(LICE_LoadPNG((dir + "/two.png").c_str()));
  std::unique_ptr<LICE_IBitmap> plain(LICE_LoadPNG((dir + "/plain.png").c_str()));
  ASSERT_TRUE(one && two && plain);
  ASSERT_EQ(two->getWidth(), 730);
  ASSERT_EQ(two->getHeight(), 1148);
  int differing = 0;
  for (int y = 0; y < 1148; ++y)
    for (int x = 0; x < 730; ++x) differing += LICE_GetPixel(two.get(), x, y) != LICE_GetPixel(one.get(), x / 2, y / 2);
  // Flat panels look the same either way; edges, text, knobs and meters do
  // not (about 9% of the pixels; an enlarged 1x picture differs nowhere).
  EXPECT_GT(differing, 730 * 1148 / 20) << "the 2x picture is little more than the 1x one enlarged";
  int soloShown = 0;
  for (int y = 0; y < 574; ++y)
    for (int x = 0; x < 365; ++x) soloShown += LICE_GetPixel(one.get(), x, y) != LICE_GetPixel(plain.get(), x, y);
  EXPECT_GT(soloShown, 500) << "the solo button and the meters' solo look";

  for (const char* bad : {"3", "0", "1.5", "two"})
    Fails({"snapshot", "--scale", bad, dir + "/bad.png"}, 2, "--scale");
  EXPECT_FALSE(Exists(dir + "/bad.png"));
}

}  // namespace
