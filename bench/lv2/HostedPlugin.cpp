#include "bench/lv2/HostedPlugin.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

LilvWorld* BenchWorld() {
  static LilvWorld* world = [] {
    LilvWorld* w = lilv_world_new();
    lilv_world_load_all(w);  // the system's bundles, the peer among them
    const char* override = std::getenv("CORVANE_LV2_BUNDLE");
    std::string dir = override && *override ? override : CORVANE_LV2_BUNDLE_DIR;
    if (dir.back() != '/') dir += '/';
    LilvNode* bundle = lilv_new_file_uri(w, nullptr, dir.c_str());
    lilv_world_load_bundle(w, bundle);
    lilv_node_free(bundle);
    return w;
  }();
  return world;
}

// A world of its own: the two bundles declare the same plug-ins.
LilvWorld* BaselineWorld() {
  static LilvWorld* world = []() -> LilvWorld* {
    const char* dir = std::getenv("CORVANE_LV2_BASELINE_BUNDLE");
    if (!dir || !*dir) return nullptr;
    std::string path = dir;
    if (path.back() != '/') path += '/';
    LilvWorld* w = lilv_world_new();
    LilvNode* bundle = lilv_new_file_uri(w, nullptr, path.c_str());
    lilv_world_load_bundle(w, bundle);
    lilv_node_free(bundle);
    return w;
  }();
  return world;
}

LV2_URID HostedPlugin::Urids::Map(const char* uri) {
  auto it = mIds.find(uri);
  if (it != mIds.end()) return it->second;
  return mIds[uri] = static_cast<LV2_URID>(mIds.size() + 1);
}

HostedPlugin::HostedPlugin(LilvWorld* world, const char* uri, int block, double sampleRate)
    : mWorld(world), mBlock(block) {
  LilvNode* node = lilv_new_uri(world, uri);
  mPlugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), node);
  lilv_node_free(node);
  if (!mPlugin) return;
  int32_t maxBlock = block;
  LV2_Options_Option options[] = {
      {LV2_OPTIONS_INSTANCE, 0, mUrids.Map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t),
       mUrids.Map(LV2_ATOM__Int), &maxBlock},
      {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
  LV2_Feature mapF = {LV2_URID__map, &mUrids.map}, optF = {LV2_OPTIONS__options, options};
  const LV2_Feature* features[] = {&mapF, &optF, nullptr};
  mInstance = lilv_plugin_instantiate(mPlugin, sampleRate, features);
  if (!mInstance) return;

  const uint32_t n = lilv_plugin_get_num_ports(mPlugin);
  mControls.assign(n, 0.0f);
  std::vector<float> defaults(n, 0.0f);
  lilv_plugin_get_port_ranges_float(mPlugin, nullptr, nullptr, defaults.data());
  LilvNode* audio = lilv_new_uri(world, LV2_CORE__AudioPort);
  LilvNode* control = lilv_new_uri(world, LV2_CORE__ControlPort);
  LilvNode* input = lilv_new_uri(world, LV2_CORE__InputPort);
  LilvNode* atomPort = lilv_new_uri(world, LV2_ATOM__AtomPort);
  // Every audio output gets a buffer of its own (a plug-in with more than
  // one stereo pair writes them all); inputs past the first two get none.
  int nAudioOut = 0;
  for (uint32_t i = 0; i < n; ++i) {
    const LilvPort* port = lilv_plugin_get_port_by_index(mPlugin, i);
    if (lilv_port_is_a(mPlugin, port, audio) && !lilv_port_is_a(mPlugin, port, input)) ++nAudioOut;
  }
  mIn.assign(2, std::vector<float>(block));
  mOut.assign(std::max(2, nAudioOut), std::vector<float>(block));
  mAtoms.assign(n, std::vector<uint64_t>(1024, 0));
  int nIn = 0, nOut = 0;
  for (uint32_t i = 0; i < n; ++i) {
    const LilvPort* port = lilv_plugin_get_port_by_index(mPlugin, i);
    const bool isInput = lilv_port_is_a(mPlugin, port, input);
    if (lilv_port_is_a(mPlugin, port, audio)) {
      auto& bufs = isInput ? mIn : mOut;
      int& k = isInput ? nIn : nOut;
      lilv_instance_connect_port(mInstance, i, k < static_cast<int>(bufs.size()) ? bufs[k].data() : nullptr);
      ++k;
    } else if (lilv_port_is_a(mPlugin, port, control)) {
      mControls[i] = std::isnan(defaults[i]) ? 0.0f : defaults[i];
      lilv_instance_connect_port(mInstance, i, &mControls[i]);
    } else if (lilv_port_is_a(mPlugin, port, atomPort)) {
      auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(mAtoms[i].data());
      seq->atom.type = isInput ? mUrids.Map(LV2_ATOM__Sequence) : mUrids.Map(LV2_ATOM__Chunk);
      seq->atom.size = isInput ? sizeof(LV2_Atom_Sequence_Body) : 1024 * 8 - sizeof(LV2_Atom);
      lilv_instance_connect_port(mInstance, i, seq);
    }
  }
  for (LilvNode* nd : {audio, control, input, atomPort}) lilv_node_free(nd);
  lilv_instance_activate(mInstance);
}

HostedPlugin::~HostedPlugin() {
  if (!mInstance) return;
  lilv_instance_deactivate(mInstance);
  lilv_instance_free(mInstance);
}

bool HostedPlugin::SetControl(const char* symbol, float value) {
  if (!mInstance) return false;
  LilvNode* sym = lilv_new_string(mWorld, symbol);
  const LilvPort* port = lilv_plugin_get_port_by_symbol(mPlugin, sym);
  lilv_node_free(sym);
  if (!port) return false;
  LilvNode* control = lilv_new_uri(mWorld, LV2_CORE__ControlPort);
  LilvNode* input = lilv_new_uri(mWorld, LV2_CORE__InputPort);
  const bool ok = lilv_port_is_a(mPlugin, port, control) && lilv_port_is_a(mPlugin, port, input);
  lilv_node_free(control);
  lilv_node_free(input);
  if (ok) mControls[lilv_port_get_index(mPlugin, port)] = value;
  return ok;
}

double HostedPlugin::Process(const float* left, const float* right, size_t frames) {
  const size_t block = static_cast<size_t>(mBlock);
  double sum = 0.0;
  for (size_t pos = 0; pos + block <= frames; pos += block) {
    std::copy_n(left + pos, block, mIn[0].data());
    std::copy_n(right + pos, block, mIn[1].data());
    lilv_instance_run(mInstance, static_cast<uint32_t>(block));
    sum += mOut[0][0] + mOut[1][block - 1];
  }
  return sum;
}
