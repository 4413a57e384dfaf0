// The built bundle in Debian's LV2 tools: the Turtle validates against the
// LV2 schemas, lilv finds and describes it, and lv2apply's output matches
// what the corvane command writes for the same settings (its raw output, as
// a host receives it). Tests whose program is missing are skipped.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

#include "plugin/CorvaneLV2.h"
#include "tests/lv2/HostLoadsBundle.h"
#include "tests/lv2/LV2TestHost.h"
#include "tests/lv2/WavFiles.h"
#include "tests/support/ChildProcess.h"

using namespace lv2_test;
using namespace test_support;

namespace {

const std::string kBundle = CORVANE_LV2_BUNDLE_DIR;

#define REQUIRE_PROGRAM(var, name)                                  \
  const std::string var = FindProgram(name);                        \
  if (var.empty()) GTEST_SKIP() << name " is not installed"

}  // namespace

TEST(LV2Bundle, TurtleValidatesAgainstTheLV2Schemas) {
  REQUIRE_PROGRAM(sordValidate, "sord_validate");
  // Every schema the LV2 headers package ships, then every file of the bundle.
  const ChildResult schemas = RunChild({"sh", "-c", "dpkg -L lv2-dev | grep '\\.ttl$'"});
  ASSERT_EQ(schemas.exitCode, 0) << schemas.output;
  std::vector<std::string> argv = {sordValidate};
  std::istringstream lines(schemas.output);
  for (std::string line; std::getline(lines, line);)
    if (!line.empty()) argv.push_back(line);
  for (const char* f : {"manifest.ttl", "corvane.ttl", "presets.ttl"}) argv.push_back(kBundle + "/" + f);
  const ChildResult r = RunChild(argv);
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_NE(r.output.find("Found 0 errors"), std::string::npos) << r.output;
  // The split plug-in's groups are part of what was validated.
  std::ifstream ttl(kBundle + "/corvane.ttl");
  const std::string text((std::istreambuf_iterator<char>(ttl)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("a pg:OutputGroup, pg:StereoGroup"), std::string::npos);
}

TEST(LV2Bundle, LilvListsThePluginsAndEveryPortWithItsRange) {
  REQUIRE_PROGRAM(lv2ls, "lv2ls");
  REQUIRE_PROGRAM(lv2info, "lv2info");
  BundlePath path;
  const ChildResult ls = RunChild({lv2ls}, path.Env());
  ASSERT_EQ(ls.exitCode, 0) << ls.output;
  EXPECT_EQ(ls.output, std::string(kCorvaneLV2Uri) + "\n" + kCorvaneLV2MonoUri + "\n" + kCorvaneLV2SplitUri + "\n");

  const ChildResult info = RunChild({lv2info, kCorvaneLV2Uri}, path.Env());
  ASSERT_EQ(info.exitCode, 0) << info.output;
  EXPECT_NE(info.output.find("Has latency:       yes, reported by port 10"), std::string::npos);
  EXPECT_NE(info.output.find("Snare Attack+"), std::string::npos);
  EXPECT_NE(info.output.find("Full Extent 2"), std::string::npos);
  // 8 parameters, the wavelet, enabled, latency, 2 in, 2 out; every control
  // port has a range; lilv reads the maker's name.
  std::vector<std::string> ports;
  const std::string& out = info.output;
  for (size_t at = out.find("\tPort "); at != std::string::npos;) {
    const size_t next = out.find("\tPort ", at + 1);
    ports.push_back(out.substr(at, next == std::string::npos ? std::string::npos : next - at));
    at = next;
  }
  ASSERT_EQ(ports.size(), 15u) << out;
  for (int i = 0; i < 11; ++i) {
    EXPECT_NE(ports[i].find("ControlPort"), std::string::npos) << ports[i];
    EXPECT_NE(ports[i].find("Minimum:"), std::string::npos) << ports[i];
    EXPECT_NE(ports[i].find("Maximum:"), std::string::npos) << ports[i];
  }
  EXPECT_NE(out.find("Author:            Velmora"), std::string::npos) << out;
  EXPECT_NE(ports[0].find("Symbol:      transient"), std::string::npos);
  EXPECT_NE(ports[0].find("Default:     0.686747"), std::string::npos);
  EXPECT_NE(ports[0].find("0 dB"), std::string::npos);
  EXPECT_NE(ports[7].find("Solo Residual"), std::string::npos);
  EXPECT_NE(ports[8].find("Symbol:      wavelet"), std::string::npos);
  EXPECT_NE(ports[8].find("Biorthogonal 6.8"), std::string::npos);
  EXPECT_NE(ports[9].find("#enabled"), std::string::npos);
  EXPECT_NE(ports[10].find("reportsLatency"), std::string::npos);
  EXPECT_NE(ports[14].find("out_r"), std::string::npos);
}

// Hosts show the split plug-in's outputs as three named stereo pairs, the
// mix first, after the same ports as the stereo plug-in.
TEST(LV2Bundle, LilvShowsTheSplitOutputsAsStereoGroups) {
  REQUIRE_PROGRAM(lv2info, "lv2info");
  BundlePath path;
  const ChildResult info = RunChild({lv2info, kCorvaneLV2SplitUri}, path.Env());
  ASSERT_EQ(info.exitCode, 0) << info.output;
  const std::string& out = info.output;
  EXPECT_NE(out.find("Corvane (split outputs)"), std::string::npos) << out;
  EXPECT_NE(out.find("Has latency:       yes, reported by port 10"), std::string::npos) << out;
  EXPECT_NE(out.find("urn:velmora:corvane#ui"), std::string::npos) << out;
  EXPECT_NE(out.find("Full Extent 2"), std::string::npos) << out;
  const std::string split = kCorvaneLV2SplitUri;
  const struct {
    int port;
    const char *symbol, *group, *side;
  } kOutputs[] = {{13, "out_l", "#out", "left"},           {14, "out_r", "#out", "right"},
                  {15, "transient_l", "#transient", "left"}, {16, "transient_r", "#transient", "right"},
                  {17, "residual_l", "#residual", "left"},   {18, "residual_r", "#residual", "right"}};
  for (const auto& o : kOutputs) {
    const size_t at = out.find("\tPort " + std::to_string(o.port) + ":");
    ASSERT_NE(at, std::string::npos) << o.port << "\n" << out;
    const std::string port = out.substr(at, out.find("\n\n", at) - at);
    EXPECT_NE(port.find("OutputPort"), std::string::npos) << port;
    EXPECT_NE(port.find(std::string("Symbol:      ") + o.symbol), std::string::npos) << port;
    EXPECT_NE(port.find("Group:       " + split + o.group), std::string::npos) << port;
    EXPECT_NE(port.find(std::string("port-groups#") + o.side), std::string::npos) << port;
  }
  EXPECT_EQ(out.find("\tPort 19:"), std::string::npos) << out;
}

// A sanitizer-built library cannot be loaded by an uninstrumented host, so
// these run in the plain build only. lv2apply runs one frame per call: this
// checks correctness, never speed.
TEST(LV2Bundle, HOST_LOADS_BUNDLE(Lv2applyMatchesTheCommandLineToolsRawOutput)) {
  REQUIRE_PROGRAM(lv2apply, "lv2apply");
  BundlePath path;
  TempDir work;
  const auto in = DrumSignal(2 * 44100);
  const std::string inFile = work.Path() + "/in.wav", outFile = work.Path() + "/out.wav",
                    cliFile = work.Path() + "/cli.wav";
  ASSERT_TRUE(WriteWav(inFile, in));
  // Port values are real units; every parameter's range is 0..1, so the
  // command line's normalized --set values are the same numbers.
  const ChildResult r = RunChild({lv2apply, "-i", inFile, "-o", outFile, "-c", "amount", "0.3", "-c",
                                  "transient", "0.95", "-c", "pan_2", "0.2", "-c", "wavelet", "1",
                                  kCorvaneLV2Uri},
                                 path.Env(), 120.0);
  ASSERT_EQ(r.exitCode, 0) << r.output;
  const ChildResult cli = RunChild({CORVANE_CLI, "process", inFile, cliFile, "--no-latency-compensation",
                                    "--quiet", "--set", "amount=0.3", "--set", "transient=0.95", "--set",
                                    "pan-2=0.2", "--set", "mode-2=1"},
                                   {}, 120.0);
  ASSERT_EQ(cli.exitCode, 0) << cli.output;
  const auto out = ReadWav(outFile);
  const auto expected = ReadWav(cliFile);
  ASSERT_EQ(out.size(), 2u);
  ASSERT_EQ(expected.size(), 2u);
  ASSERT_EQ(out[0].size(), in[0].size());
  ASSERT_EQ(expected[0].size(), in[0].size());
  // lv2apply starts the plug-in cold: for a quarter frame after the latency
  // its output is not yet separated, where the command line, which runs
  // silence through the plug-in first, already separates (and the frame
  // that does it also carries the quarter frame before the file). Away from
  // those half a frame the two agree.
  double peak = 0.0;
  for (int c = 0; c < 2; ++c) {
    for (size_t i = 0; i < in[0].size(); ++i) {
      if (i >= 4096 - 1024 && i < 4096 + 1024) continue;
      ASSERT_NEAR(out[c][i], expected[c][i], 1e-6) << c << " " << i;
      peak = std::max(peak, std::fabs(static_cast<double>(out[c][i])));
    }
  }
  // Both are the processed signal, not two silences: the output starts
  // 4096 samples late and then carries the drums.
  EXPECT_GT(peak, 0.1);
  for (int c = 0; c < 2; ++c)
    for (size_t i = 0; i < 4000; ++i) ASSERT_EQ(out[c][i], 0.0f) << c << " " << i;
}
