// The guard covers LV2 run() and JACK process callbacks: a `new` and a lock
// planted in the plug-in's processing (which run() calls) and in a JACK
// client's callback are caught and reported with the path's name and the
// planted function. run() is marked by the test host as the live tests
// mark it; JACK callbacks by the library itself.
#include <gtest/gtest.h>
#include <jack/jack.h>

#include <fstream>
#include <string>

#include "tests/lv2/LV2TestHost.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/DummyJackServer.h"
#include "tests/support/Waiting.h"
#include "tests/support/rtguard/PlantedFaults.h"
#include "tests/support/rtguard/RealtimeScope.h"

namespace {

using rtguard_test::ExpectedReport;
using rtguard_test::Fault;
using rtguard_test::PlantFault;
using rtguard_test::RealtimeGuardHosts;
using rtguard_test::SetFault;

// ---- LV2: the plug-in's processing runs inside run() ----

class PlantingLV2Plug : public lv2_test::TestLV2Plug {
public:
  void ProcessDoubleReplacing(double** in, double** out, int nFrames) override {
    PlantFault();
    TestLV2Plug::ProcessDoubleReplacing(in, out, nFrames);
  }
};

const LV2_Descriptor* PlantingDescriptor() {
  static const IPlugLV2Def def = [] {
    IPlugLV2Def d = lv2_test::TestDef();
    d.makePlug = []() -> IPlugLV2* { return new PlantingLV2Plug; };
    return d;
  }();
  static IPlugLV2Descriptor descriptor;
  IPlugLV2::FillDescriptor(&descriptor, &def, 0);
  return &descriptor.lv2;
}

TEST_F(RealtimeGuardHosts, LV2RunIsGuarded) {
  lv2_test::LV2TestInstance instance(PlantingDescriptor(), 44100.0, 256);
  ASSERT_TRUE(instance.Ok());
  instance.Activate();
  for (Fault fault : {Fault::kNew, Fault::kLock}) {
    SetFault(fault);
    EXPECT_DEATH(instance.Run(256), ExpectedReport(fault, rtguard::kLv2Run));  // LV2TestInstance::Run marks
  }
}

// ---- JACK: a client's process callback on the tests' dummy server ----

int PlantingProcess(jack_nframes_t, void*) {
  PlantFault();
  return 0;
}

const char* const kProbe = "rtguard-probe";

// Runs a client whose callback plants the fault until the guard ends the
// process (returns after 20 s if it does not).
void RunPlantingClient(const std::string& server) {
  jack_status_t status;
  jack_client_t* client =
      jack_client_open(kProbe, static_cast<jack_options_t>(JackNoStartServer | JackServerName), &status, server.c_str());
  if (!client) return;
  jack_port_register(client, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);  // shows it is there
  jack_set_process_callback(client, PlantingProcess, nullptr);
  if (jack_activate(client) == 0) test_support::WaitUntil([] { return false; }, 20.0);
  jack_client_close(client);
}

// Waits until the server has let go of the probes the guard ended: a
// server stopped while it still waits on a dead client overruns the
// tests' stop timeout, is killed, and leaves its entry in JACK's
// machine-wide registry of servers (which holds eight).
bool ProbesGone(const std::string& server) {
  jack_status_t status;
  jack_client_t* monitor = jack_client_open("rtguard-monitor",
      static_cast<jack_options_t>(JackNoStartServer | JackServerName), &status, server.c_str());
  if (!monitor) return false;
  const bool gone = test_support::WaitUntil([&] {
    const char** ports = jack_get_ports(monitor, kProbe, nullptr, 0);
    jack_free(ports);
    return ports == nullptr;
  }, 20.0);
  jack_client_close(monitor);
  return gone;
}

TEST_F(RealtimeGuardHosts, JackProcessCallbackIsGuarded) {
  if (!test_support::DummyJackServer::Installed()) GTEST_SKIP() << "jackd is not installed";
  test_support::TempDir work;
  test_support::DummyJackServer server(work.Path() + "/jackd.log");
  ASSERT_TRUE(server.Up()) << std::ifstream(work.Path() + "/jackd.log").rdbuf();
  for (Fault fault : {Fault::kNew, Fault::kLock}) {
    SetFault(fault);
    EXPECT_DEATH(RunPlantingClient(server.Name()), ExpectedReport(fault, "JACK process callback"));
  }
  EXPECT_TRUE(ProbesGone(server.Name()));
}

}  // namespace
