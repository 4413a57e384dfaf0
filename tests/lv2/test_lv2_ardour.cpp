// The built bundle in Ardour, headless: Ardour's Lua interpreter on its
// Dummy backend runs a session with a stereo and a mono track, adds Corvane
// to them by URI, moves its controls, bounces the tracks, saves, and reopens
// the session in a new process. What Ardour renders must be what the
// corvane command writes for the same input and settings, bit for bit.
// Skipped when ardour7-lua is not installed.
#include <gtest/gtest.h>
#include <lilv/lilv.h>

#include <cmath>
#include <map>
#include <memory>

#include "plugin/CorvaneLV2.h"
#include "tests/lv2/ArdourLua.h"
#include "tests/lv2/HostLoadsBundle.h"
#include "tests/lv2/LV2TestHost.h"
#include "tests/lv2/WavFiles.h"
#include "tests/support/ChildProcess.h"

using namespace lv2_test;
using namespace test_support;

namespace {

// Every track holds one region of kLength samples: drums between two
// stretches of silence, so that Ardour's 64-sample fades at the region's
// ends act on silence only.
constexpr size_t kLength = 65536;
constexpr size_t kSilence = 4096;
constexpr long kLatency = 4096;

enum class Wavelet { kHaar, kDaub4, kBior68 };

const char* CliWavelet(Wavelet w) {
  switch (w) {
    case Wavelet::kHaar: return "haar";
    case Wavelet::kDaub4: return "daub4";
    case Wavelet::kBior68: return "bior68";
  }
  return "";
}

// One control as the plug-in's LV2 port and as the corvane command's --set
// name. The values are exact in single precision, so that the port's float
// and the command's double are the same number.
struct Control {
  const char* symbol;
  const char* cliName;
  float value;
};

// Attacks up, body down, the two parts panned apart.
const std::vector<Control> kRebalanced = {{"transient", "transient", 0.875f}, {"residual", "residual", 0.5f},
                                          {"amount", "amount", 0.375f},       {"sensitivity", "sensitivity", 0.625f},
                                          {"pan_1", "pan-1", 0.25f},          {"pan_2", "pan-2", 0.75f}};

// The control ports of one of the bundle's plug-ins by symbol, as the built
// Turtle describes them.
class PortIndices {
public:
  explicit PortIndices(const char* uri) {
    LilvWorld* world = lilv_world_new();
    LilvNode* bundle = lilv_new_file_uri(world, nullptr, CORVANE_LV2_BUNDLE_DIR "/");
    lilv_world_load_bundle(world, bundle);
    LilvNode* uriNode = lilv_new_uri(world, uri);
    const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uriNode);
    for (uint32_t i = 0; plugin && i < lilv_plugin_get_num_ports(plugin); ++i) {
      const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
      mIndex[lilv_node_as_string(lilv_port_get_symbol(plugin, port))] = i;
    }
    lilv_node_free(uriNode);
    lilv_node_free(bundle);
    lilv_world_free(world);
  }
  bool Has(const std::string& symbol) const { return mIndex.count(symbol) > 0; }
  double operator[](const std::string& symbol) const {
    const auto found = mIndex.find(symbol);
    if (found != mIndex.end()) return found->second;
    ADD_FAILURE() << "the bundle has no port " << symbol;
    return -1;
  }

private:
  std::map<std::string, uint32_t> mIndex;
};

// Choosing the wavelet through the ports, as port values in order; Ardour
// runs cycles between them, as between a musician's clicks. One enumeration
// port "wavelet" (0 Haar, 1 Daubechies-4, 2 biorthogonal 6.8) where the
// bundle has it; else the three "Mode" toggles, where the chosen one is
// clicked until it shows on (the plug-in follows the toggle switched on
// last, and does not switch the others off in the host).
std::vector<std::pair<std::string, float>> WaveletSteps(const PortIndices& ports, Wavelet w) {
  const int n = static_cast<int>(w);
  if (ports.Has("wavelet")) return {{"wavelet", static_cast<float>(n)}};
  const std::string toggle = "mode_" + std::to_string(n + 1);
  return {{toggle, 0.0f}, {toggle, 1.0f}};
}

// The calls that add Corvane to a track and set its controls.
std::vector<std::string> AddCorvane(const std::string& track, const char* uri, const PortIndices& ports,
                                    const std::vector<Control>& controls) {
  std::vector<std::string> calls = {LuaCall("add_plugin", track, uri)};
  for (const Control& c : controls) calls.push_back(LuaCall("set_port", track, ports[c.symbol], c.value));
  return calls;
}

std::vector<std::string> ChooseWavelet(const std::string& track, const PortIndices& ports, Wavelet w) {
  std::vector<std::string> calls;
  for (const auto& step : WaveletSteps(ports, w)) {
    calls.push_back(LuaCall("set_port", track, ports[step.first], step.second));
    calls.push_back(LuaCall("wait_for_cycles"));
  }
  return calls;
}

// Renders the track into a region called `name`.
std::string Render(const std::string& track, const std::string& name) {
  return LuaCall("render", track, kLength, name);
}

std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// A render, one channel per file; empty when none was reported.
Audio ReadRender(const ArdourRun& run, const std::string& name) {
  const auto files = run.renders.find(name);
  if (files == run.renders.end()) return {};
  Audio audio;
  for (const std::string& f : files->second) {
    Audio one = ReadWav(f);
    if (one.size() != 1) return {};
    audio.push_back(one[0]);
  }
  return audio;
}

// Bit for bit; otherwise how many samples differ, the first, and by how much.
::testing::AssertionResult SameSamples(const Audio& actual, const Audio& expected) {
  if (actual.size() != expected.size())
    return ::testing::AssertionFailure() << actual.size() << " channels, expected " << expected.size();
  size_t differing = 0, first = 0;
  double largest = 0.0;
  for (size_t c = 0; c < actual.size(); ++c) {
    if (actual[c].size() != expected[c].size())
      return ::testing::AssertionFailure() << "channel " << c << " holds " << actual[c].size()
                                           << " samples, expected " << expected[c].size();
    for (size_t i = 0; i < actual[c].size(); ++i) {
      if (actual[c][i] == expected[c][i]) continue;
      if (differing++ == 0) first = i;
      largest = std::max(largest, std::fabs(static_cast<double>(actual[c][i]) - expected[c][i]));
    }
  }
  if (differing == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << differing << " samples differ, the first at " << first << ", by up to "
                                       << largest;
}

class CorvaneInArdour : public ::testing::Test {
protected:
  void SetUp() override {
    const std::string program = FindProgram("ardour7-lua");
    if (program.empty()) GTEST_SKIP() << "ardour7-lua is not installed";
    ardour = std::make_unique<ArdourSession>(program, work.Path(), lv2Path.Env());

    const Audio drums = DrumSignal(kLength - 2 * kSilence, 2);
    for (const auto& channel : drums) {
      stereoInput.emplace_back(kSilence, 0.0f);
      stereoInput.back().insert(stereoInput.back().end(), channel.begin(), channel.end());
      stereoInput.back().resize(kLength, 0.0f);
    }
    monoInput = {stereoInput[0]};

    // Ardour's Lua cannot import a file: the tracks get silent regions, and
    // the input goes into their files while the session is closed.
    const ArdourRun created =
        ardour->Run({ardour->Create(), LuaCall("add_track_with_region", "stereo", 2, kLength),
                     LuaCall("add_track_with_region", "mono", 1, kLength), LuaCall("save"), LuaCall("close")});
    ASSERT_EQ(created.process.exitCode, 0) << created.process.output;
    WriteSource(created, "stereo", stereoInput);
    WriteSource(created, "mono", monoInput);
  }

  void WriteSource(const ArdourRun& created, const std::string& track, const Audio& input) {
    const auto files = created.sources.find(track);
    ASSERT_NE(files, created.sources.end()) << created.process.output;
    ASSERT_EQ(files->second.size(), input.size()) << created.process.output;
    for (size_t c = 0; c < input.size(); ++c) {
      const std::string& file = files->second[c];
      const Audio silent = ReadWav(file);
      ASSERT_TRUE(silent.size() == 1 && silent[0].size() == kLength) << file;
      ASSERT_TRUE(WriteWav(file, {input[c]})) << file;
    }
  }

  // The corvane command's output (aligned with its input) for the same
  // settings; with a stem option ("--transient-out"), that part instead.
  Audio CommandLineOutput(const Audio& input, const std::vector<Control>& controls, Wavelet wavelet,
                          const std::string& name, const std::string& stemOption = "") {
    const std::string in = work.Path() + "/" + name + "-in.wav", out = work.Path() + "/" + name + "-cli.wav";
    const std::string stem = work.Path() + "/" + name + "-stem.wav";
    EXPECT_TRUE(WriteWav(in, input));
    std::vector<std::string> argv = {CORVANE_CLI, "process", in, out, "--quiet", "--mode", CliWavelet(wavelet)};
    if (!stemOption.empty()) {
      argv.push_back(stemOption);
      argv.push_back(stem);
    }
    for (const Control& c : controls) {
      argv.push_back("--set");
      argv.push_back(std::string(c.cliName) + "=" + LuaValue(c.value));
    }
    const ChildResult r = RunChild(argv, {}, 60.0);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    return ReadWav(stemOption.empty() ? out : stem);
  }

  TempDir work;
  BundlePath lv2Path;
  std::unique_ptr<ArdourSession> ardour;
  Audio stereoInput, monoInput;
  const PortIndices stereoPorts{kCorvaneLV2Uri};
  const PortIndices monoPorts{kCorvaneLV2MonoUri};
  const PortIndices splitPorts{kCorvaneLV2SplitUri};
};

}  // namespace

TEST_F(CorvaneInArdour, HOST_LOADS_BUNDLE(RendersWhatTheCommandLineToolWritesBeforeAndAfterReopening)) {
  const Wavelet wavelet = Wavelet::kDaub4;
  const ArdourRun first = ardour->Run(Concat(
      {{ardour->Open()}, AddCorvane("stereo", kCorvaneLV2Uri, stereoPorts, kRebalanced),
       ChooseWavelet("stereo", stereoPorts, wavelet), AddCorvane("mono", kCorvaneLV2MonoUri, monoPorts, kRebalanced),
       ChooseWavelet("mono", monoPorts, wavelet),
       {LuaCall("report_latency", "stereo"), LuaCall("report_latency", "mono"), Render("stereo", "stereo-first"),
        Render("mono", "mono-first"), LuaCall("save"), LuaCall("close")}}));
  ASSERT_EQ(first.process.exitCode, 0) << first.process.output;
  for (const char* track : {"stereo", "mono"}) {
    ASSERT_EQ(first.latency.count(track), 1u) << first.process.output;
    EXPECT_EQ(first.latency.at(track), std::make_pair(kLatency, kLatency)) << track;
  }

  const Audio stereoExpected = CommandLineOutput(stereoInput, kRebalanced, wavelet, "stereo");
  const Audio monoExpected = CommandLineOutput(monoInput, kRebalanced, wavelet, "mono");
  // The settings change the sound: the renders are not compared with copies of the input.
  ASSERT_FALSE(SameSamples(stereoExpected, stereoInput));
  const Audio stereoFirst = ReadRender(first, "stereo-first"), monoFirst = ReadRender(first, "mono-first");
  EXPECT_TRUE(SameSamples(stereoFirst, stereoExpected)) << "stereo track";
  EXPECT_TRUE(SameSamples(monoFirst, monoExpected)) << "mono track";

  const ArdourRun reopened =
      ardour->Run({ardour->Open(), Render("stereo", "stereo-reopened"), Render("mono", "mono-reopened"), LuaCall("close")});
  ASSERT_EQ(reopened.process.exitCode, 0) << reopened.process.output;
  EXPECT_TRUE(SameSamples(ReadRender(reopened, "stereo-reopened"), stereoFirst)) << "stereo track reopened";
  EXPECT_TRUE(SameSamples(ReadRender(reopened, "mono-reopened"), monoFirst)) << "mono track reopened";
}

// The expected behaviour: with biorthogonal 6.8 chosen and then Haar, the
// session saved and reopened plays Haar, as it did before saving. Disabled
// while it fails: with the three "Mode" toggles, "Mode 3" stays on in the
// saved session and the restore plays biorthogonal 6.8.
TEST_F(CorvaneInArdour, HOST_LOADS_BUNDLE(TheWaveletChosenLastComesBackWhenReopened)) {
  const ArdourRun switched = ardour->Run(Concat(
      {{ardour->Open()}, AddCorvane("stereo", kCorvaneLV2Uri, stereoPorts, kRebalanced),
       ChooseWavelet("stereo", stereoPorts, Wavelet::kBior68), {Render("stereo", "bior68")},
       ChooseWavelet("stereo", stereoPorts, Wavelet::kHaar),
       {Render("stereo", "haar"), LuaCall("save"), LuaCall("close")}}));
  ASSERT_EQ(switched.process.exitCode, 0) << switched.process.output;
  const Audio bior68 = CommandLineOutput(stereoInput, kRebalanced, Wavelet::kBior68, "bior68");
  const Audio haar = CommandLineOutput(stereoInput, kRebalanced, Wavelet::kHaar, "haar");
  ASSERT_FALSE(SameSamples(bior68, haar));
  EXPECT_TRUE(SameSamples(ReadRender(switched, "bior68"), bior68)) << "biorthogonal 6.8 chosen";
  EXPECT_TRUE(SameSamples(ReadRender(switched, "haar"), haar)) << "then Haar, before saving";

  const ArdourRun reopened = ardour->Run({ardour->Open(), Render("stereo", "reopened"), LuaCall("close")});
  ASSERT_EQ(reopened.process.exitCode, 0) << reopened.process.output;
  EXPECT_TRUE(SameSamples(ReadRender(reopened, "reopened"), haar)) << "Haar after reopening";
}

// The split plug-in on a stereo track: Ardour sees its six outputs, and a
// track that takes only the transient pair bounces the command's transient
// stem. Catches: extra outputs a host cannot see or route, and part outputs
// that differ from the command's parts (before the fader or pan, late).
TEST_F(CorvaneInArdour, HOST_LOADS_BUNDLE(ABounceOfTheTransientPairIsTheCommandsTransientStem)) {
  const Wavelet wavelet = Wavelet::kDaub4;
  const ArdourRun run = ardour->Run(Concat(
      {{ardour->Open()}, AddCorvane("stereo", kCorvaneLV2SplitUri, splitPorts, kRebalanced),
       ChooseWavelet("stereo", splitPorts, wavelet),
       {LuaCall("route_plugin_outputs", "stereo", splitPorts["transient_l"] - splitPorts["out_l"]),
        LuaCall("report_outputs", "stereo"), LuaCall("report_latency", "stereo"), Render("stereo", "transient"),
        LuaCall("close")}}));
  ASSERT_EQ(run.process.exitCode, 0) << run.process.output;
  ASSERT_EQ(run.outputs.count("stereo"), 1u) << run.process.output;
  EXPECT_EQ(run.outputs.at("stereo"), std::make_pair(6L, 2L));
  EXPECT_EQ(run.latency.at("stereo"), std::make_pair(kLatency, kLatency));

  const Audio stem = CommandLineOutput(stereoInput, kRebalanced, wavelet, "split", "--transient-out");
  const Audio mix = CommandLineOutput(stereoInput, kRebalanced, wavelet, "split-mix");
  ASSERT_FALSE(SameSamples(stem, mix));
  EXPECT_TRUE(SameSamples(ReadRender(run, "transient"), stem));
}
