#include "bench/lv2/SoakSession.h"

#include <dlfcn.h>
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "bench/common/DrumLoop.h"
#include "bench/common/ThreadCpuClock.h"

namespace {

constexpr int kBlock = SessionDrums<float>::kBlock;
constexpr double kRate = 48000.0;
constexpr const char* kUri = "urn:velmora:corvane";

double ResidentMiB() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// URIDs for every thread (instantiation, state, the editor's options).
class Urids {
public:
  LV2_URID Map(const char* uri) {
    std::lock_guard<std::mutex> lock(mLock);
    auto it = mIds.find(uri);
    if (it != mIds.end()) return it->second;
    return mIds[uri] = static_cast<LV2_URID>(mIds.size() + 1);
  }
  LV2_URID_Map map = {this, [](LV2_URID_Map_Handle h, const char* uri) { return static_cast<Urids*>(h)->Map(uri); }};

private:
  std::mutex mLock;
  std::map<std::string, LV2_URID> mIds;
};

struct Property {
  uint32_t key, type;
  std::vector<uint8_t> bytes;
};
using Properties = std::vector<Property>;

LV2_State_Status Store(LV2_State_Handle h, uint32_t key, const void* v, size_t size, uint32_t type, uint32_t) {
  const auto* b = static_cast<const uint8_t*>(v);
  static_cast<Properties*>(h)->push_back({key, type, std::vector<uint8_t>(b, b + size)});
  return LV2_STATE_SUCCESS;
}

const void* Retrieve(LV2_State_Handle h, uint32_t key, size_t* size, uint32_t* type, uint32_t* flags) {
  for (const Property& p : *static_cast<const Properties*>(h))
    if (p.key == key) {
      *size = p.bytes.size();
      *type = p.type;
      *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
      return p.bytes.data();
    }
  return nullptr;
}

// The ports the host automates, by what they carry.
struct Automated {
  std::vector<uint32_t> ports;  // control inputs other than "enabled"
  uint32_t wavelet = 0, soloTransient = 0, soloResidual = 0;
  std::vector<int> paramOf;  // per automated port: its parameter's place in the saved state (-1: the wavelet)
};

// One instance: its ports, and the mailbox from the host thread (the latest
// value of each automated port wins; serials say which changed).
struct Track {
  LilvInstance* instance = nullptr;
  const LV2_State_Interface* state = nullptr;
  std::vector<float> controls;
  std::vector<float> in[2], out[2];
  float enabled = 1.0f, latency = 0.0f;
  std::unique_ptr<std::atomic<float>[]> posted;
  std::unique_ptr<std::atomic<uint32_t>[]> serial;
  std::vector<uint32_t> seen;
  Properties saved;  // restored every few seconds
};

class Soak {
public:
  Soak(const SoakOptions& o, SoakReport* r) : mOptions(o), mReport(r) {}
  ~Soak();
  bool Load(const std::string& bundleDir);
  void Run();

private:
  bool makeTrack(Track* t);
  void findPorts();
  void automate();
  void editor();
  void block(long b, const float* left, const float* right);
  void restoreOne(long b);
  void checkLastValues();

  const SoakOptions& mOptions;
  SoakReport* mReport;
  Urids mUrids;
  LilvWorld* mWorld = nullptr;
  const LilvPlugin* mPlugin = nullptr;
  std::string mBundleDir;
  std::vector<std::unique_ptr<Track>> mTracks;
  Automated mAuto;
  std::vector<std::vector<float>> mLastSet;  // host thread: [track][automated port]
  std::atomic<bool> mSweepStarted{false}, mSweepDone{false}, mStop{false};
  long mBlocks = 0, mWindowBlocks = 0;  // audio thread
};

Soak::~Soak() {
  for (auto& t : mTracks)
    if (t->instance) {
      lilv_instance_deactivate(t->instance);
      lilv_instance_free(t->instance);
    }
  if (mWorld) lilv_world_free(mWorld);
}

bool Soak::Load(const std::string& bundleDir) {
  mBundleDir = bundleDir.back() == '/' ? bundleDir : bundleDir + "/";
  mWorld = lilv_world_new();
  LilvNode* bundle = lilv_new_file_uri(mWorld, nullptr, mBundleDir.c_str());
  lilv_world_load_bundle(mWorld, bundle);
  lilv_node_free(bundle);
  LilvNode* uri = lilv_new_uri(mWorld, kUri);
  mPlugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(mWorld), uri);
  lilv_node_free(uri);
  if (!mPlugin) return false;
  findPorts();
  for (int i = 0; i < mOptions.instances; ++i) {
    mTracks.push_back(std::make_unique<Track>());
    if (!makeTrack(mTracks.back().get())) return false;
  }
  mLastSet.assign(mTracks.size(), std::vector<float>(mAuto.ports.size(), 0.0f));
  return true;
}

void Soak::findPorts() {
  LilvNode* control = lilv_new_uri(mWorld, LV2_CORE__ControlPort);
  LilvNode* input = lilv_new_uri(mWorld, LV2_CORE__InputPort);
  int param = 0;
  for (uint32_t i = 0; i < lilv_plugin_get_num_ports(mPlugin); ++i) {
    const LilvPort* port = lilv_plugin_get_port_by_index(mPlugin, i);
    if (!lilv_port_is_a(mPlugin, port, control) || !lilv_port_is_a(mPlugin, port, input)) continue;
    const std::string symbol = lilv_node_as_string(lilv_port_get_symbol(mPlugin, port));
    if (symbol == "enabled") continue;
    LilvNode* name = lilv_port_get_name(mPlugin, port);
    const std::string shown = lilv_node_as_string(name);
    lilv_node_free(name);
    if (shown == "Solo Transient") mAuto.soloTransient = i;
    if (shown == "Solo Residual") mAuto.soloResidual = i;
    mAuto.ports.push_back(i);
    if (symbol == "wavelet") {
      mAuto.wavelet = i;
      mAuto.paramOf.push_back(-1);
    } else {
      mAuto.paramOf.push_back(param++);
    }
  }
  lilv_node_free(control);
  lilv_node_free(input);
}

bool Soak::makeTrack(Track* t) {
  int32_t maxBlock = kBlock;
  LV2_Options_Option options[] = {
      {LV2_OPTIONS_INSTANCE, 0, mUrids.Map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t), mUrids.Map(LV2_ATOM__Int),
       &maxBlock},
      {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
  LV2_Feature mapF = {LV2_URID__map, &mUrids.map}, optF = {LV2_OPTIONS__options, options};
  const LV2_Feature* features[] = {&mapF, &optF, nullptr};
  t->instance = lilv_plugin_instantiate(mPlugin, kRate, features);
  if (!t->instance) return false;
  const uint32_t n = lilv_plugin_get_num_ports(mPlugin);
  std::vector<float> defaults(n, 0.0f);
  lilv_plugin_get_port_ranges_float(mPlugin, nullptr, nullptr, defaults.data());
  t->controls.assign(n, 0.0f);
  for (uint32_t i = 0; i < n; ++i) t->controls[i] = std::isnan(defaults[i]) ? 0.0f : defaults[i];
  for (uint32_t p : mAuto.ports) lilv_instance_connect_port(t->instance, p, &t->controls[p]);
  const size_t k = mAuto.ports.size();  // then enabled, latency, 2 in, 2 out
  lilv_instance_connect_port(t->instance, static_cast<uint32_t>(k), &t->enabled);
  lilv_instance_connect_port(t->instance, static_cast<uint32_t>(k + 1), &t->latency);
  for (int c = 0; c < 2; ++c) {
    t->in[c].assign(kBlock, 0.0f);
    t->out[c].assign(kBlock, 0.0f);
    lilv_instance_connect_port(t->instance, static_cast<uint32_t>(k + 2 + c), t->in[c].data());
    lilv_instance_connect_port(t->instance, static_cast<uint32_t>(k + 4 + c), t->out[c].data());
  }
  t->posted.reset(new std::atomic<float>[n]);
  t->serial.reset(new std::atomic<uint32_t>[n]);
  for (uint32_t i = 0; i < n; ++i) t->posted[i].store(0.0f), t->serial[i].store(0);
  t->seen.assign(n, 0);
  const LV2_Descriptor* d = lilv_instance_get_descriptor(t->instance);
  t->state = static_cast<const LV2_State_Interface*>(d->extension_data(LV2_STATE__interface));
  lilv_instance_activate(t->instance);
  return t->state && t->state->save(lilv_instance_get_handle(t->instance), Store, &t->saved, 0, nullptr) ==
                         LV2_STATE_SUCCESS;
}

// A value for an automated port: anything in range (the wavelet one of
// its choices). The final sweep's values fall between those the random
// automation uses (which the host cannot know reached the port or not), so
// each is a change the plug-in must take; its solos stay at or below 0.5
// (both off).
float RandomValue(std::mt19937& rng, bool wavelet, bool solo, bool sweep) {
  const float between = sweep ? 0.5f : 0.0f;
  if (wavelet) return static_cast<float>(rng() % 3) + 0.2f * between;
  const float v = (static_cast<float>(rng() % 100000) + between) / 100000.0f;
  return solo && sweep ? 0.5f * v : v;
}

// Host thread: automation at random times until the audio is nearly done,
// then every port once more with a new value.
void Soak::automate() {
  std::mt19937 rng(2024);
  const size_t n = mAuto.ports.size();
  auto post = [&](size_t track, size_t a, bool sweep) {
    const uint32_t port = mAuto.ports[a];
    const bool solo = port == mAuto.soloTransient || port == mAuto.soloResidual;
    const float v = RandomValue(rng, port == mAuto.wavelet, solo, sweep);
    Track& t = *mTracks[track];
    t.posted[port].store(v, std::memory_order_relaxed);
    t.serial[port].fetch_add(1, std::memory_order_release);
    mLastSet[track][a] = v;
    ++mReport->automationWrites;
  };
  while (!mStop.load(std::memory_order_acquire)) {
    std::this_thread::sleep_for(std::chrono::microseconds(rng() % 2000));
    post(rng() % mTracks.size(), rng() % n, false);
  }
  mSweepStarted.store(true, std::memory_order_release);
  for (size_t track = 0; track < mTracks.size(); ++track)
    for (size_t a = 0; a < n; ++a) post(track, a, true);
  mSweepDone.store(true, std::memory_order_release);
}

// Editor thread: the first instance's editor through the bundle's UI, idle
// (events, redraw, write-back) at 25 Hz, as an X11 host's UI thread does.
void Soak::editor() {
  void* lib = dlopen((mBundleDir + "corvane.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
  auto* entry = lib ? reinterpret_cast<const LV2UI_Descriptor* (*)(uint32_t)>(dlsym(lib, "lv2ui_descriptor")) : nullptr;
  const LV2UI_Descriptor* ui = entry ? entry(0) : nullptr;
  if (!ui) return;
  LV2_Feature access = {LV2_INSTANCE_ACCESS_URI, lilv_instance_get_handle(mTracks[0]->instance)};
  LV2_Feature idleF = {LV2_UI__idleInterface, nullptr}, mapF = {LV2_URID__map, &mUrids.map};
  const LV2_Feature* features[] = {&access, &idleF, &mapF, nullptr};
  LV2UI_Widget widget = nullptr;
  auto ignoreWrites = [](LV2UI_Controller, uint32_t, uint32_t, uint32_t, const void*) {};
  LV2UI_Handle handle = ui->instantiate(ui, kUri, mBundleDir.c_str(), ignoreWrites, nullptr, &widget, features);
  const auto* idle = static_cast<const LV2UI_Idle_Interface*>(ui->extension_data(LV2_UI__idleInterface));
  while (handle && idle && !mSweepDone.load(std::memory_order_acquire)) {
    if (idle->idle(handle) != 0) break;
    ++mReport->editorIdles;
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
  }
  if (handle) ui->cleanup(handle);
  dlclose(lib);
}

// Audio thread, one block: the mailbox into the ports, every instance's
// run timed alone by thread CPU time, the outputs checked.
void Soak::block(long b, const float* left, const float* right) {
  const long blocks = mBlocks;
  const bool inFirst = b >= 0 && b < mWindowBlocks, inLast = b >= 0 && b >= blocks - mWindowBlocks;
  for (auto& tp : mTracks) {
    Track& t = *tp;
    for (uint32_t port : mAuto.ports) {
      const uint32_t serial = t.serial[port].load(std::memory_order_acquire);
      if (serial == t.seen[port]) continue;
      t.seen[port] = serial;
      t.controls[port] = t.posted[port].load(std::memory_order_relaxed);
    }
    std::copy(left, left + kBlock, t.in[0].begin());
    std::copy(right, right + kBlock, t.in[1].begin());
    const double t0 = ThreadCpuNs();
    lilv_instance_run(t.instance, kBlock);
    const double ns = ThreadCpuNs() - t0;
    if (inFirst || inLast) {
      BlockTimes& w = inFirst ? mReport->first : mReport->last;
      w.meanNs += ns;
      w.worstNs = std::max(w.worstNs, ns);
      ++w.blocks;
    }
    for (int c = 0; c < 2; ++c)
      for (float y : t.out[c]) mReport->nonFinite += std::isfinite(y) ? 0 : 1;
  }
}

// Audio thread, between two runs of one instance: the state saved when it
// was made comes back (instances take turns, a few seconds apart each).
void Soak::restoreOne(long b) {
  if (mSweepStarted.load(std::memory_order_acquire)) return;  // the last values must stand
  const long every = static_cast<long>(mOptions.restoreEverySeconds * kRate / kBlock / mTracks.size());
  if (every <= 0 || b % every != 0) return;
  Track& t = *mTracks[static_cast<size_t>(b / every) % mTracks.size()];
  if (t.state->restore(lilv_instance_get_handle(t.instance), Retrieve, &t.saved, 0, nullptr) == LV2_STATE_SUCCESS)
    ++mReport->restores;
}

// After the sweep has reached every port: each instance's saved state holds
// the last value the host set on each port.
void Soak::checkLastValues() {
  for (size_t i = 0; i < mTracks.size(); ++i) {
    Track& t = *mTracks[i];
    Properties props;
    t.state->save(lilv_instance_get_handle(t.instance), Store, &props, 0, nullptr);
    std::vector<double> v(props.empty() ? 0 : props[0].bytes.size() / sizeof(double));
    if (!v.empty()) std::memcpy(v.data(), props[0].bytes.data(), v.size() * sizeof(double));
    for (size_t a = 0; a < mAuto.ports.size(); ++a) {
      const float want = mLastSet[i][a];
      const int param = mAuto.paramOf[a];
      bool held = false;
      if (param >= 0) {
        held = static_cast<size_t>(param) < v.size() && static_cast<float>(v[param]) == want;
      } else {  // the wavelet: its mode parameters follow the solos in the state
        const size_t mode = mAuto.ports.size() - 1 + static_cast<size_t>(std::lround(want));
        held = mode < v.size() && v[mode] == 1.0;
      }
      if (held) continue;
      if (mReport->lostChanges++ == 0)
        mReport->firstLost = "instance " + std::to_string(i) + " port " + std::to_string(mAuto.ports[a]) +
                             ": set to " + std::to_string(want) + ", holds another value";
    }
  }
}

void Soak::Run() {
  const auto& loop = SessionDrums<float>::Loop(kRate);
  const long blocks = static_cast<long>(mOptions.audioSeconds * kRate / kBlock);
  mBlocks = blocks;
  mWindowBlocks = std::min(static_cast<long>(mOptions.windowSeconds * kRate / kBlock), blocks / 3);
  const long warm = std::min(static_cast<long>(30.0 * kRate / kBlock), blocks / 10);
  const auto start = std::chrono::steady_clock::now();
  std::thread host([this] { automate(); });
  std::thread ui;
  if (mOptions.editor && std::getenv("DISPLAY")) ui = std::thread([this] { editor(); });
  for (long b = 0; b < blocks; ++b) {
    const size_t at = SessionDrums<float>::Position(0, b);
    block(b, &loop.left[at], &loop.right[at]);
    restoreOne(b);
    if (b == warm) mReport->rssWarmMiB = ResidentMiB();
  }
  mStop.store(true, std::memory_order_release);
  host.join();
  // Runs until the sweep has reached every port (silence, untimed).
  static const float silence[kBlock] = {};
  for (int i = 0; i < 2; ++i) block(-1, silence, silence);
  if (ui.joinable()) ui.join();
  mReport->rssEndMiB = ResidentMiB();
  checkLastValues();
  for (BlockTimes* w : {&mReport->first, &mReport->last})
    if (w->blocks) w->meanNs /= static_cast<double>(w->blocks);
  mReport->wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

SoakReport RunSoak(const SoakOptions& options, const std::string& bundleDir) {
  SoakReport report;
  Soak soak(options, &report);
  if (!soak.Load(bundleDir)) {
    report.error = "cannot load " + bundleDir + " or make its instances";
    return report;
  }
  soak.Run();
  report.ok = true;
  return report;
}
