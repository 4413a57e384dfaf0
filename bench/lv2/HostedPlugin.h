#pragma once
// A small block-based LV2 host on lilv, as a benchmark needs it: one
// plug-in instance with every port connected (stereo audio in and every
// audio output to its own block buffers, controls at their defaults, atom
// ports to empty sequences),
// activated, and run block by block over a signal.
#include <lilv/lilv.h>
#include <lv2/urid/urid.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The system's bundles and Corvane's: the build's bundle, or the one in the
// folder $CORVANE_LV2_BUNDLE names (to time another build in the same host).
LilvWorld* BenchWorld();
// Only the bundle in the folder $CORVANE_LV2_BASELINE_BUNDLE names (another
// build of Corvane, timed beside this one in one run), or null without it.
LilvWorld* BaselineWorld();

class HostedPlugin {
public:
  HostedPlugin(LilvWorld* world, const char* uri, int block, double sampleRate);
  ~HostedPlugin();
  HostedPlugin(const HostedPlugin&) = delete;
  HostedPlugin& operator=(const HostedPlugin&) = delete;

  bool Ok() const { return mInstance != nullptr; }
  // Sets the input control port with this symbol; false if there is none.
  // The plug-in reads it at its next run.
  bool SetControl(const char* symbol, float value);
  // `frames` frames of the two channels, in blocks (a last partial block is
  // left out); returns a sum of the output so that the work cannot be
  // optimised away.
  double Process(const float* left, const float* right, size_t frames);

private:
  class Urids {
  public:
    LV2_URID Map(const char* uri);
    LV2_URID_Map map = {this, [](LV2_URID_Map_Handle h, const char* uri) { return static_cast<Urids*>(h)->Map(uri); }};

  private:
    std::map<std::string, LV2_URID> mIds;
  };

  Urids mUrids;
  LilvWorld* mWorld;
  const LilvPlugin* mPlugin = nullptr;
  LilvInstance* mInstance = nullptr;
  int mBlock;
  std::vector<float> mControls;  // by port index
  std::vector<std::vector<float>> mIn, mOut;
  std::vector<std::vector<uint64_t>> mAtoms;
};
