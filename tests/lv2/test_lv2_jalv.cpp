// A host session: headless jalv on a JACK server with the dummy backend
// runs the bundle fed by a metronome and recorded by jack_rec. A control set
// on jalv's standard input changes the output, and a state saved by another
// lilv host (holding only the state chunk, no port values) restores in jalv.
// Everything started here is stopped here.
#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <lv2/urid/urid.h>
#include <sndfile.h>

#include <cmath>
#include <map>

#include "plugin/CorvaneLV2.h"
#include "tests/lv2/HostLoadsBundle.h"
#include "tests/lv2/JalvFeed.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/DummyJackServer.h"
#include "tests/support/Waiting.h"

using namespace test_support;

namespace {

double Rms(const std::string& wav) {
  SF_INFO info = {};
  SNDFILE* f = sf_open(wav.c_str(), SFM_READ, &info);
  if (!f) return -1.0;
  std::vector<float> frames(static_cast<size_t>(info.frames * info.channels));
  sf_readf_float(f, frames.data(), info.frames);
  sf_close(f);
  double sum = 0.0;
  for (float v : frames) sum += static_cast<double>(v) * v;
  return frames.empty() ? -1.0 : std::sqrt(sum / frames.size());
}

// Saves a state whose only content is the chunk of an instance run with
// both parts at silence, through lilv as a host would.
bool SaveSilentState(const std::string& lv2Path, const std::string& dir) {
  struct Map {
    std::map<std::string, LV2_URID> ids;
    std::vector<std::string> uris;
    LV2_URID_Map map = {this, [](LV2_URID_Map_Handle h, const char* uri) -> LV2_URID {
                          auto* m = static_cast<Map*>(h);
                          auto it = m->ids.find(uri);
                          if (it != m->ids.end()) return it->second;
                          m->uris.push_back(uri);
                          return m->ids[uri] = static_cast<LV2_URID>(m->uris.size());
                        }};
    LV2_URID_Unmap unmap = {this, [](LV2_URID_Unmap_Handle h, LV2_URID id) -> const char* {
                              auto* m = static_cast<Map*>(h);
                              return id >= 1 && id <= m->uris.size() ? m->uris[id - 1].c_str() : nullptr;
                            }};
  } m;
  LilvWorld* world = lilv_world_new();
  LilvNode* bundle = lilv_new_file_uri(world, nullptr, (lv2Path + "/corvane.lv2/").c_str());
  lilv_world_load_bundle(world, bundle);
  lilv_node_free(bundle);
  LilvNode* uri = lilv_new_uri(world, kCorvaneLV2Uri);
  const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
  lilv_node_free(uri);
  bool ok = false;
  if (plugin) {
    LV2_Feature mapF = {LV2_URID__map, &m.map}, unmapF = {LV2_URID__unmap, &m.unmap};
    const LV2_Feature* features[] = {&mapF, &unmapF, nullptr};
    LilvInstance* inst = lilv_plugin_instantiate(plugin, 44100.0, features);
    if (inst) {
      const uint32_t n = lilv_plugin_get_num_ports(plugin);
      std::vector<float> controls(n, 0.0f);
      std::vector<float> defaults(n);
      lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, defaults.data());
      std::vector<float> audio(4 * 256, 0.0f);
      for (uint32_t i = 0; i < n; ++i) {
        controls[i] = std::isnan(defaults[i]) ? 0.0f : defaults[i];
        lilv_instance_connect_port(inst, i, i < 13 ? &controls[i] : &audio[(i - 13) * 256]);
      }
      controls[0] = controls[1] = 0.0f;  // "transient", "residual": silence
      lilv_instance_activate(inst);
      lilv_instance_run(inst, 256);
      LilvState* state = lilv_state_new_from_instance(
          plugin, inst, &m.map, nullptr, nullptr, nullptr, dir.c_str(),
          [](const char*, void*, uint32_t* size, uint32_t* type) -> const void* {
            *size = 0;
            *type = 0;
            return nullptr;  // the ports are not saved: only the chunk carries the values
          },
          nullptr, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, features);
      ok = state && lilv_state_save(world, &m.map, &m.unmap, state, nullptr, dir.c_str(), "state.ttl") == 0;
      lilv_state_free(state);
      lilv_instance_deactivate(inst);
      lilv_instance_free(inst);
    }
  }
  lilv_world_free(world);
  return ok;
}

class JalvSession : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* p : {"jackd", "jalv", "jack_metro", "jack_rec", "jack_connect", "jack_lsp", "jack_wait"})
      if (FindProgram(p).empty()) GTEST_SKIP() << p << " is not installed";
    jackd = std::make_unique<DummyJackServer>(work.Path() + "/jackd.log");
    ASSERT_TRUE(jackd->Up()) << "JACK server did not start";
    env = jackd->Env();
    env.push_back({"LV2_PATH", lv2Path.Dir()});
    metro = lv2_test::StartMetronome(env, work.Path() + "/metro.log");
  }
  void TearDown() override {
    jalv.reset();
    metro.reset();
    jackd.reset();
  }

  // Starts jalv (optionally restoring a state folder) and wires it up.
  void StartJalv(const std::vector<std::string>& extra) {
    std::vector<std::string> argv = {"jalv", "-n", "corv", "-x"};
    argv.insert(argv.end(), extra.begin(), extra.end());
    argv.push_back(kCorvaneLV2Uri);
    jalv.reset(new Background(argv, env, work.Path() + "/jalv.log", true));
    const bool up = WaitUntil([&] { return lv2_test::PortsListed(env, {"corv:out_r", lv2_test::kMetronomePort}); }, 5);
    ASSERT_TRUE(up) << "jalv's ports did not appear";
    for (const char* in : {"corv:in_l", "corv:in_r"})
      ASSERT_EQ(RunChild({"jack_connect", lv2_test::kMetronomePort, in}, env, 5).exitCode, 0);
  }

  // RMS of one second of jalv's output, after the latency has passed.
  double RecordRms(const std::string& name) {
    Sleep(0.3);
    const std::string file = work.Path() + "/" + name + ".wav";
    const ChildResult r = RunChild({"jack_rec", "-f", file, "-d", "1", "corv:out_l", "corv:out_r"}, env, 10);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    return Rms(file);
  }

  TempDir work;
  lv2_test::BundlePath lv2Path;
  EnvList env;
  std::unique_ptr<DummyJackServer> jackd;
  std::unique_ptr<Background> metro, jalv;
};

}  // namespace


TEST_F(JalvSession, HOST_LOADS_BUNDLE(AControlSetOnStdinChangesTheOutput)) {
  StartJalv({});
  const double before = RecordRms("before");
  EXPECT_GT(before, 0.01);
  jalv->Write("set transient 0\nset residual 0\n");
  const double after = RecordRms("after");
  EXPECT_LT(after, before * 0.01) << before;
  // jalv quits when its input closes.
  EXPECT_EQ(jalv->Stop(5.0), 0);
}

TEST_F(JalvSession, HOST_LOADS_BUNDLE(AStateSavedByAHostRestores)) {
  const std::string stateDir = work.Path() + "/state";
  ASSERT_TRUE(SaveSilentState(lv2Path.Dir(), stateDir));
  StartJalv({"-l", stateDir});
  // The ports keep their defaults; only the restored chunk silences the output.
  EXPECT_LT(RecordRms("restored"), 1e-4);
  jalv->Write("set transient 0.6867\n");
  EXPECT_GT(RecordRms("moved"), 0.001);
}
