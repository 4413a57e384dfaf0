// Processing time per stereo frame of Corvane's LV2 bundle and of the peer
// transient shaper from Debian's calf-plugins, in one run, through the same
// small block-based lilv host: 60 s of a generated signal with transients,
// in blocks of 64 and 512 frames. The table ends with the ratio of the
// medians (Corvane / peer; below 1 means Corvane is faster).
#include <benchmark/benchmark.h>
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kRate = 44100.0;
constexpr size_t kFrames = static_cast<size_t>(60 * kRate);
const char* const kCorvane = "urn:velmora:corvane";
const char* const kPeer = "http://calf.sourceforge.net/plugins/TransientDesigner";

// Drums-like: a tonal bed, noise bursts with sharp attacks at varying gaps.
struct Signal {
  std::vector<float> left, right;
  Signal() : left(kFrames), right(kFrames) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    size_t nextHit = 0, sinceHit = 1 << 20;
    for (size_t i = 0; i < kFrames; ++i) {
      if (i == nextHit) {
        sinceHit = 0;
        nextHit = i + 4000 + static_cast<size_t>(rng() % 12000);
      }
      const double bed = 0.25 * std::sin(2 * M_PI * 110.0 * i / kRate) + 0.05 * noise(rng);
      const double hit = 0.8 * std::exp(-static_cast<double>(sinceHit++) / 400.0) * noise(rng);
      left[i] = static_cast<float>(bed + hit);
      right[i] = static_cast<float>(0.9 * bed - 0.8 * hit);
    }
  }
};

class Urids {
public:
  LV2_URID Map(const char* uri) {
    auto it = mIds.find(uri);
    if (it != mIds.end()) return it->second;
    return mIds[uri] = static_cast<LV2_URID>(mIds.size() + 1);
  }
  LV2_URID_Map map = {this, [](LV2_URID_Map_Handle h, const char* uri) { return static_cast<Urids*>(h)->Map(uri); }};

private:
  std::map<std::string, LV2_URID> mIds;
};

// One plug-in instance with every port connected: audio to the block
// buffers, controls at their defaults, atom ports to empty sequences.
class Instance {
public:
  Instance(LilvWorld* world, const char* uri, int block) : mBlock(block) {
    LilvNode* node = lilv_new_uri(world, uri);
    const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), node);
    lilv_node_free(node);
    if (!plugin) return;
    int32_t maxBlock = block;
    LV2_Options_Option options[] = {
        {LV2_OPTIONS_INSTANCE, 0, mUrids.Map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t),
         mUrids.Map(LV2_ATOM__Int), &maxBlock},
        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    LV2_Feature mapF = {LV2_URID__map, &mUrids.map}, optF = {LV2_OPTIONS__options, options};
    const LV2_Feature* features[] = {&mapF, &optF, nullptr};
    mInstance = lilv_plugin_instantiate(plugin, kRate, features);
    if (!mInstance) return;

    const uint32_t n = lilv_plugin_get_num_ports(plugin);
    mControls.assign(n, 0.0f);
    std::vector<float> defaults(n, 0.0f);
    lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, defaults.data());
    LilvNode* audio = lilv_new_uri(world, LV2_CORE__AudioPort);
    LilvNode* control = lilv_new_uri(world, LV2_CORE__ControlPort);
    LilvNode* input = lilv_new_uri(world, LV2_CORE__InputPort);
    LilvNode* atomPort = lilv_new_uri(world, LV2_ATOM__AtomPort);
    mIn.assign(2, std::vector<float>(block));
    mOut.assign(2, std::vector<float>(block));
    mAtoms.assign(n, std::vector<uint64_t>(1024, 0));
    int nIn = 0, nOut = 0;
    for (uint32_t i = 0; i < n; ++i) {
      const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
      const bool isInput = lilv_port_is_a(plugin, port, input);
      if (lilv_port_is_a(plugin, port, audio)) {
        auto& bufs = isInput ? mIn : mOut;
        int& k = isInput ? nIn : nOut;
        lilv_instance_connect_port(mInstance, i, k < 2 ? bufs[k].data() : nullptr);
        ++k;
      } else if (lilv_port_is_a(plugin, port, control)) {
        mControls[i] = std::isnan(defaults[i]) ? 0.0f : defaults[i];
        lilv_instance_connect_port(mInstance, i, &mControls[i]);
      } else if (lilv_port_is_a(plugin, port, atomPort)) {
        auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(mAtoms[i].data());
        seq->atom.type = isInput ? mUrids.Map(LV2_ATOM__Sequence) : mUrids.Map(LV2_ATOM__Chunk);
        seq->atom.size = isInput ? sizeof(LV2_Atom_Sequence_Body) : 1024 * 8 - sizeof(LV2_Atom);
        lilv_instance_connect_port(mInstance, i, seq);
      }
    }
    for (LilvNode* nd : {audio, control, input, atomPort}) lilv_node_free(nd);
    lilv_instance_activate(mInstance);
  }
  ~Instance() {
    if (!mInstance) return;
    lilv_instance_deactivate(mInstance);
    lilv_instance_free(mInstance);
  }
  bool Ok() const { return mInstance != nullptr; }

  // The whole signal, block by block; returns a sum of the output so the
  // work cannot be optimised away.
  double ProcessAll(const Signal& s) {
    double sum = 0.0;
    for (size_t pos = 0; pos + mBlock <= kFrames; pos += mBlock) {
      std::copy_n(&s.left[pos], mBlock, mIn[0].data());
      std::copy_n(&s.right[pos], mBlock, mIn[1].data());
      lilv_instance_run(mInstance, static_cast<uint32_t>(mBlock));
      sum += mOut[0][0] + mOut[1][mBlock - 1];
    }
    return sum;
  }

private:
  Urids mUrids;
  LilvInstance* mInstance = nullptr;
  int mBlock;
  std::vector<float> mControls;
  std::vector<std::vector<float>> mIn, mOut;
  std::vector<std::vector<uint64_t>> mAtoms;
};

LilvWorld* World() {
  static LilvWorld* world = [] {
    LilvWorld* w = lilv_world_new();
    lilv_world_load_all(w);  // the system's bundles, the peer among them
    LilvNode* bundle = lilv_new_file_uri(w, nullptr, CORVANE_LV2_BUNDLE_DIR "/");
    lilv_world_load_bundle(w, bundle);
    lilv_node_free(bundle);
    return w;
  }();
  return world;
}

void BM_PerFrame(benchmark::State& state, const char* uri) {
  static const Signal signal;
  Instance inst(World(), uri, static_cast<int>(state.range(0)));
  if (!inst.Ok()) {
    state.SkipWithError("plug-in not found or not instantiable");
    return;
  }
  double ns = 0.0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(inst.ProcessAll(signal));
    ns += std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count();
  }
  state.counters["ns_per_frame"] = ns / (static_cast<double>(state.iterations()) * kFrames);
}

BENCHMARK_CAPTURE(BM_PerFrame, corvane, kCorvane)->Arg(64)->Arg(512)->Unit(benchmark::kMillisecond)
    ->Repetitions(5)->MinTime(0.1);
BENCHMARK_CAPTURE(BM_PerFrame, calf_transient_designer, kPeer)->Arg(64)->Arg(512)
    ->Unit(benchmark::kMillisecond)->Repetitions(5)->MinTime(0.1);

// Prints, per block size, the medians side by side and their ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.run_type != Run::RT_Aggregate || r.aggregate_name != "median") continue;
      const std::string name = r.run_name.function_name + "/" + r.run_name.args;
      const auto it = r.counters.find("ns_per_frame");
      if (it != r.counters.end()) mMedians[name] = it->second.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nmedian ns per stereo frame   corvane   calf TransientDesigner   ratio\n");
    for (const char* block : {"64", "512"}) {
      const double ours = Median(std::string("BM_PerFrame/corvane/") + block);
      const double peer = Median(std::string("BM_PerFrame/calf_transient_designer/") + block);
      std::printf("block %-4s                   %7.1f   %22.1f   %5.2f\n", block, ours, peer,
                  peer > 0 ? ours / peer : 0.0);
    }
  }

private:
  double Median(const std::string& name) const {
    const auto it = mMedians.find(name);
    return it == mMedians.end() ? 0.0 : it->second;
  }
  std::map<std::string, double> mMedians;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
