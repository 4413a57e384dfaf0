// corvane gui end to end: the built binary with its window on a virtual X
// server, live on a JACK server with the dummy backend, or playing a file
// alone; settings kept between runs. Every server and child the tests start
// is stopped by them.
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <signal.h>
#include <unistd.h>

#include <cmath>

#include "tests/support/ChildProcess.h"
#include "tests/support/DummyJackServer.h"
#include "tests/support/Waiting.h"
#include "tests/tools/CliChecks.h"
#include "tests/tools/JackTestClient.h"
#include "tests/x11/WindowChecks.h"
#include "tests/x11/XvfbServer.h"
#include "tools/auhost/AUPresetFile.h"
#include "tools/corvane/CorvaneUnit.h"
#include "tools/corvane/Settings.h"

using test_support::Background;
using test_support::DummyJackServer;
using test_support::EnvList;
using test_support::RunChild;
using test_support::Sleep;

namespace {

::testing::Environment* const gXvfb = ::testing::AddGlobalTestEnvironment(new x11_test::XvfbServer);
constexpr int kLatency = 4096;

// The environment of a run: its own configuration folder, and a JACK
// server name nobody runs unless the test gives its own.
EnvList GuiEnv(const std::string& configHome, const EnvList& jack = {}) {
  EnvList env = {{"XDG_CONFIG_HOME", configHome}, {"JACK_DEFAULT_SERVER", "corvane-test-none-" + std::to_string(getpid())},
                 {"JACK_NO_START_SERVER", "1"}};
  for (const auto& e : jack) env.push_back(e);  // later entries win
  return env;
}

std::vector<std::string> Gui(std::vector<std::string> args) {
  args.insert(args.begin(), {CORVANE_CLI, "gui"});
  return args;
}

// The top-level window titled "Corvane", once it is mapped (0 after the timeout).
Window FindEditorWindow(Display* d, double timeoutSeconds) {
  Window found = 0;
  test_support::WaitUntil([&] { return (found = x11_test::TopLevelNamed(d, "Corvane")) != 0; }, timeoutSeconds);
  return found;
}

std::vector<unsigned long> Pixels(Display* d, Window w) {
  XWindowAttributes a;
  std::vector<unsigned long> pixels;
  if (XGetWindowAttributes(d, w, &a)) x11_test::AppendPixels(d, w, 0, 0, a.width, a.height, &pixels);
  return pixels;
}

// The unit's parameters after loading a saved settings file.
std::vector<float> SavedParameters(const std::string& path) {
  AUHost unit;
  std::string error;
  EXPECT_TRUE(OpenCorvane(&unit, 2, 44100, 512, &error)) << error;
  EXPECT_TRUE(LoadAUPreset(unit, path, &error)) << error;
  std::vector<float> values;
  for (int i = 0; i < unit.NumParameters(); ++i) values.push_back(unit.GetParameter(i));
  return values;
}

class CorvaneGui : public ::testing::Test {
protected:
  void SetUp() override {
    REQUIRE_XVFB();
    display = x11_test::OpenDisplayPatiently();
    ASSERT_NE(display, nullptr);
    input = MakeLoopInput(work.Path(), "loop.wav", 1.0);
    settingsFile = work.Path() + "/config/corvane/settings.aupreset";
  }
  void TearDown() override {
    gui.reset();
    if (display) XCloseDisplay(display);
  }

  // Starts the command and waits for its window.
  Window Start(const std::vector<std::string>& args, const EnvList& jack = {}) {
    gui = std::make_unique<Background>(Gui(args), GuiEnv(work.Path() + "/config", jack), work.Path() + "/gui.log");
    return FindEditorWindow(display, 20);
  }
  // Closes the window as a user would and returns the exit status.
  int CloseAndWait(Window w) {
    x11_test::SendCloseRequest(display, w);
    return gui->Stop(20.0);
  }
  std::string Log() { return ReadFile(work.Path() + "/gui.log"); }

  test_support::TempDir work;
  Display* display = nullptr;
  std::string input, settingsFile;
  std::unique_ptr<Background> gui;
};

TEST_F(CorvaneGui, PlaysAFileWithoutAServerWithMovingMetersAndClosesCleanly) {
  const Window w = Start({"--input", input});
  ASSERT_NE(w, 0u) << Log();
  // The loop is one second long: over a few tenths of a second the meters
  // must show different levels.
  const auto first = Pixels(display, w);
  bool moved = false;
  for (int i = 0; i < 20 && !moved; ++i) {
    Sleep(0.1);
    moved = Pixels(display, w) != first;
  }
  EXPECT_TRUE(moved) << "the editor did not change while the file played";
  EXPECT_EQ(CloseAndWait(w), 0) << Log();
  EXPECT_NE(Log().find("no JACK server is running; playing"), std::string::npos) << Log();
  EXPECT_TRUE(Exists(settingsFile));
  EXPECT_EQ(FindEditorWindow(display, 0.2), 0u) << "the window outlived the program";
}

TEST_F(CorvaneGui, SettingsPersistAndTheCommandLineGoesOnTop) {
  Window w = Start({"--input", input, "--amount", "0.3", "--solo", "transient"});
  ASSERT_NE(w, 0u) << Log();
  ASSERT_EQ(CloseAndWait(w), 0) << Log();
  auto saved = SavedParameters(settingsFile);
  ASSERT_EQ(saved.size(), static_cast<size_t>(corvane_cli::kNumParams));
  EXPECT_FLOAT_EQ(saved[corvane_cli::kAmount], 0.3f);
  EXPECT_EQ(saved[corvane_cli::kSoloTransient], 1.0f);

  // A run without options starts where the last one ended (and saves that).
  w = Start({"--input", input});
  ASSERT_NE(w, 0u) << Log();
  ASSERT_EQ(CloseAndWait(w), 0) << Log();
  saved = SavedParameters(settingsFile);
  EXPECT_FLOAT_EQ(saved[corvane_cli::kAmount], 0.3f);
  EXPECT_EQ(saved[corvane_cli::kSoloTransient], 1.0f);

  w = Start({"--input", input, "--amount", "0.8"});
  ASSERT_NE(w, 0u) << Log();
  ASSERT_EQ(CloseAndWait(w), 0) << Log();
  saved = SavedParameters(settingsFile);
  EXPECT_FLOAT_EQ(saved[corvane_cli::kAmount], 0.8f);
  EXPECT_EQ(saved[corvane_cli::kSoloTransient], 1.0f);
}

TEST_F(CorvaneGui, DamagedSettingsAreSetAsideNotLost) {
  ASSERT_EQ(RunChild({"mkdir", "-p", work.Path() + "/config/corvane"}).exitCode, 0);
  const std::string damaged = "<?xml version=\"1.0\"?><plist><dict><key>data</key>";
  WriteFile(settingsFile, damaged);
  const Window w = Start({"--input", input});
  ASSERT_NE(w, 0u) << Log();
  ASSERT_EQ(CloseAndWait(w), 0) << Log();
  EXPECT_NE(Log().find("the saved settings could not be used"), std::string::npos) << Log();
  EXPECT_EQ(ReadFile(settingsFile + ".bad"), damaged);
  const auto saved = SavedParameters(settingsFile);  // a fresh, valid file
  EXPECT_FLOAT_EQ(saved[corvane_cli::kAmount], 0.7f);
}

TEST_F(CorvaneGui, ASignalEndsTheRunAndStillSavesTheSettings) {
  const Window w = Start({"--input", input, "--amount", "0.25"});
  ASSERT_NE(w, 0u) << Log();
  kill(gui->Pid(), SIGTERM);
  EXPECT_EQ(gui->Stop(20.0), 128 + SIGTERM) << Log();
  EXPECT_FLOAT_EQ(SavedParameters(settingsFile)[corvane_cli::kAmount], 0.25f);
}

// Started from a desktop, nobody reads standard error: without a server the
// window itself must say why nothing plays, and closing it ends the run.
TEST_F(CorvaneGui, WithoutAServerTheWindowSaysSo) {
  gui = std::make_unique<Background>(Gui({}), GuiEnv(work.Path() + "/config"), work.Path() + "/gui.log");
  Window message = 0;
  test_support::WaitUntil(
      [&] { return (message = x11_test::TopLevelNamed(display, "Corvane: no JACK server")) != 0; }, 20);
  ASSERT_NE(message, 0u) << "no message window; log: " << Log();
  EXPECT_NE(Log().find("no JACK server is running; start one"), std::string::npos) << Log();
  EXPECT_EQ(CloseAndWait(message), 1) << Log();
  EXPECT_FALSE(Exists(settingsFile)) << "a run that never started saved settings";
}

TEST(CorvaneGuiErrors, EachFailureSaysWhyWithItsStatus) {
  test_support::TempDir work;
  const EnvList env = GuiEnv(work.Path());
  struct Case {
    std::vector<std::string> args;
    EnvList extra;
    int status;
    const char* message;
  } cases[] = {
      {{}, {{"DISPLAY", ":97531"}}, 1, "no JACK server is running; start one"},
      {{"--input", work.Path() + "/missing.wav"}, {}, 1, "missing.wav"},
      {{"--input", MakeLoopInput(work.Path(), "in.wav", 0.2), "--amount", "2"}, {}, 2, "--amount"},
      {{"--bogus"}, {}, 2, "--bogus"},
      {{"--scale", "3"}, {}, 2, "--scale"},
      {{"extra"}, {}, 2, "unexpected argument"},
      {{"--input", work.Path() + "/in.wav"}, {{"DISPLAY", ":97531"}}, 1, "cannot open the editor window"},
  };
  for (const Case& c : cases) {
    EnvList e = env;
    for (const auto& x : c.extra) e.push_back(x);
    const auto r = RunChild(Gui(c.args), e, 30);
    EXPECT_EQ(r.exitCode, c.status) << r.output;
    EXPECT_NE(r.output.find(c.message), std::string::npos) << r.output;
  }
  EXPECT_FALSE(Exists(work.Path() + "/corvane/settings.aupreset")) << "a failed start saved settings";
}

// The live path: a test client sends noise through corvane and records it.
// With the default settings the plug-in gives its input back late by its
// latency, so every sample can be checked.
TEST_F(CorvaneGui, AudioFlowsThroughTheLiveStandaloneOnJack) {
  if (!DummyJackServer::Installed()) GTEST_SKIP() << "jackd is not installed";
  DummyJackServer server(work.Path() + "/jackd.log");
  ASSERT_TRUE(server.Up()) << ReadFile(work.Path() + "/jackd.log");
  const Window w = Start({"--connect"}, server.Env());
  ASSERT_NE(w, 0u) << Log();
  LoopbackClient tester(server.Name(), 3.0);
  ASSERT_TRUE(tester.Open());
  ASSERT_TRUE(tester.WaitForPort("corvane:out_r", 10)) << Log();
  // --connect wires it to the system ports just after they appear.
  jack_port_t* inL = jack_port_by_name(tester.Client(), "corvane:in_l");
  jack_port_t* outR = jack_port_by_name(tester.Client(), "corvane:out_r");
  const bool wired = test_support::WaitUntil(
      [&] { return jack_port_connected_to(inL, "system:capture_1") && jack_port_connected_to(outR, "system:playback_2"); },
      10);
  EXPECT_TRUE(wired) << Log();
  ASSERT_TRUE(tester.ConnectThrough("corvane:in_l", "corvane:in_r", "corvane:out_l", "corvane:out_r"));
  ASSERT_TRUE(tester.WaitUntilRecorded(60)) << Log();

  // The latency reaches the graph: our outputs are that much later than
  // what feeds our inputs.
  jack_latency_range_t in, out;
  jack_port_get_latency_range(jack_port_by_name(tester.Client(), "corvane:in_l"), JackCaptureLatency, &in);
  jack_port_get_latency_range(jack_port_by_name(tester.Client(), "corvane:out_l"), JackCaptureLatency, &out);
  EXPECT_EQ(out.min, in.min + kLatency);
  EXPECT_EQ(out.max, in.max + kLatency);
  tester.Stop();

  // Audio is the noise, late by the latency plus at most the graph's own
  // cycles; a long unbroken stretch must match exactly (a cycle the busy
  // machine missed may break it elsewhere). The system capture ports are
  // silent, so they add nothing.
  const auto& left = tester.Recorded(0);
  const auto& right = tester.Recorded(1);
  auto matches = [&](size_t t, int lag) {
    const long long sent = static_cast<long long>(t) - lag;
    return std::fabs(left[t] - LoopbackClient::SignalAt(sent, 0)) < 1e-5 &&
           std::fabs(right[t] - LoopbackClient::SignalAt(sent, 1)) < 1e-5;
  };
  long longest = 0;
  int bestLag = -1;
  for (int lag = kLatency; lag <= kLatency + 4 * 256; ++lag) {
    // Noise matches by chance almost never: probe a few frames first.
    bool candidate = false;
    for (size_t t = static_cast<size_t>(lag); t < left.size() && !candidate; t += 4096) candidate = matches(t, lag);
    if (!candidate) continue;
    long run = 0;
    for (size_t t = static_cast<size_t>(lag); t < left.size(); ++t) {
      run = matches(t, lag) ? run + 1 : 0;
      if (run > longest) {
        longest = run;
        bestLag = lag;
      }
    }
  }
  EXPECT_GE(longest, 44100 / 2) << "best lag " << bestLag;
  EXPECT_EQ((bestLag - kLatency) % 256, 0) << "the delay is the latency plus whole cycles";
  EXPECT_EQ(CloseAndWait(w), 0) << Log();
}

// --split-outputs: the four part ports exist with the mix's latency and
// carry the parts of the same audio: with the default settings the two
// parts add up to the input, late by the latency, and neither is silent.
// Catches: ports missing or without the latency, parts from another block
// than the mix, and a part port carrying the mix or nothing.
TEST_F(CorvaneGui, SplitOutputsCarryThePartsOnTheirOwnPorts) {
  if (!DummyJackServer::Installed()) GTEST_SKIP() << "jackd is not installed";
  DummyJackServer server(work.Path() + "/jackd.log");
  ASSERT_TRUE(server.Up()) << ReadFile(work.Path() + "/jackd.log");
  const Window w = Start({"--split-outputs"}, server.Env());
  ASSERT_NE(w, 0u) << Log();
  LoopbackClient tester(server.Name(), 3.0);
  ASSERT_TRUE(tester.Open()) << Log();
  ASSERT_TRUE(tester.WaitForPort("corvane:residual_r", 10)) << Log();
  ASSERT_TRUE(tester.ConnectThrough("corvane:in_l", "corvane:in_r", "corvane:transient_l", "corvane:residual_l"));
  ASSERT_TRUE(tester.WaitUntilRecorded(60)) << Log();
  jack_latency_range_t in;
  jack_port_get_latency_range(jack_port_by_name(tester.Client(), "corvane:in_r"), JackCaptureLatency, &in);
  for (const char* name : {"corvane:out_l", "corvane:transient_l", "corvane:transient_r", "corvane:residual_l",
                           "corvane:residual_r"}) {
    jack_port_t* port = jack_port_by_name(tester.Client(), name);
    ASSERT_NE(port, nullptr) << name;
    jack_latency_range_t out;
    jack_port_get_latency_range(port, JackCaptureLatency, &out);
    EXPECT_EQ(out.min, in.min + kLatency) << name;
    EXPECT_EQ(out.max, in.max + kLatency) << name;
  }
  tester.Stop();

  // The left channel's two parts, late by the latency plus whole cycles.
  const auto& transient = tester.Recorded(0);
  const auto& residual = tester.Recorded(1);
  auto sumMatches = [&](size_t t, int lag) {
    return std::fabs(transient[t] + residual[t] - LoopbackClient::SignalAt(static_cast<long long>(t) - lag, 0)) < 1e-5;
  };
  long longest = 0;
  int bestLag = -1;
  for (int lag = kLatency; lag <= kLatency + 4 * 256; lag += 256) {
    long run = 0;
    for (size_t t = static_cast<size_t>(lag); t < transient.size(); ++t) {
      run = sumMatches(t, lag) ? run + 1 : 0;
      if (run > longest) {
        longest = run;
        bestLag = lag;
      }
    }
  }
  EXPECT_GE(longest, 44100 / 2) << "best lag " << bestLag;
  double transientEnergy = 0.0, residualEnergy = 0.0;
  for (size_t t = static_cast<size_t>(kLatency) + 4096; t < transient.size(); ++t) {
    transientEnergy += transient[t] * transient[t];
    residualEnergy += residual[t] * residual[t];
  }
  EXPECT_GT(transientEnergy, 1.0);
  EXPECT_GT(residualEnergy, 1.0);
  EXPECT_EQ(CloseAndWait(w), 0) << Log();
}

}  // namespace

