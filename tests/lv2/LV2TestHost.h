#pragma once
// A small LV2 host for the adapter's tests: it maps URIDs, offers the
// options feature, owns every port buffer, drives an instance through the
// plug-in's LV2 descriptor exactly as a host would, and saves and restores
// state through the state interface.
//
// TestLV2Plug is a small plug-in on the adapter (a gain in dB, an enum, a
// bool, an int, a latency of 64 samples) that counts its parameter updates.
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "host/lv2/IPlugLV2.h"

namespace lv2_test {

class UridMap {
public:
  UridMap();
  LV2_URID Map(const char* uri);
  LV2_URID_Map* Feature() { return &mMap; }

private:
  static LV2_URID MapFn(LV2_URID_Map_Handle handle, const char* uri);
  std::mutex mLock;
  std::map<std::string, LV2_URID> mIds;
  LV2_URID_Map mMap;
};

// One stored state property.
struct StoredProperty {
  uint32_t key = 0, type = 0, flags = 0;
  std::vector<unsigned char> bytes;
};

class LV2TestInstance {
public:
  // maxBlock 0: no block length option. withMap false: no urid:map feature.
  LV2TestInstance(const LV2_Descriptor* desc, double rate = 44100.0, int maxBlock = 512,
                  bool withMap = true);
  ~LV2TestInstance();
  LV2TestInstance(const LV2TestInstance&) = delete;
  LV2TestInstance& operator=(const LV2TestInstance&) = delete;

  bool Ok() const { return mHandle != nullptr; }
  IPlugLV2* Plug() { return static_cast<IPlugLV2*>(mHandle); }
  const LV2PortLayout& Layout() { return Plug()->Layout(); }
  void Activate();
  void Deactivate();
  // Runs n frames from in[c] into out[c] (the instance's own buffers).
  void Run(int n);
  // Processes whole signals in blocks of `block` frames (in place when asked).
  std::vector<std::vector<float>> Process(const std::vector<std::vector<float>>& in, int block,
                                          bool inPlace = false);

  // A control port: a parameter's (in this plug-in's index order), or a choice's.
  float& Control(uint32_t port) { return mControls[port]; }
  float& ParamControl(int paramIdx) { return mControls[Layout().Param(paramIdx)]; }
  float& Enabled() { return mEnabled; }
  float Latency() const { return mLatency; }

  LV2_State_Status Save(std::vector<StoredProperty>* props);
  LV2_State_Status Restore(const std::vector<StoredProperty>& props);
  UridMap& Map() { return mMap; }

private:
  static LV2_State_Status Store(LV2_State_Handle h, uint32_t key, const void* value, size_t size,
                                uint32_t type, uint32_t flags);
  static const void* Retrieve(LV2_State_Handle h, uint32_t key, size_t* size, uint32_t* type,
                              uint32_t* flags);
  void ConnectAudio(int offset, float* const* in, float* const* out);

  const LV2_Descriptor* mDesc;
  LV2_Handle mHandle = nullptr;
  UridMap mMap;
  int mMaxBlock;
  std::vector<float> mControls;
  float mEnabled = 1.0f, mLatency = -1.0f;
  std::vector<std::vector<float>> mIn, mOut;
  const std::vector<StoredProperty>* mRestoreFrom = nullptr;
  std::vector<StoredProperty>* mSaveTo = nullptr;
};

// Records what the adapter tells the host from the editor.
class RecordingWriter : public IPlugLV2HostWriter {
public:
  struct Event {
    char kind;  // 'b' begin, 'w' write, 'e' end
    uint32_t port;
    float value;
  };
  void Touch(uint32_t port, bool grabbed) override { events.push_back({grabbed ? 'b' : 'e', port, 0.0f}); }
  void Write(uint32_t port, float value) override { events.push_back({'w', port, value}); }
  std::vector<Event> events;
};

// What a host does with the editor's writes: they queue up (UI thread) and
// reach the control ports just before the next run (audio thread), the last
// one of a port winning.
class HostPortWriter : public IPlugLV2HostWriter {
public:
  void Touch(uint32_t, bool) override {}
  void Write(uint32_t port, float value) override {
    std::lock_guard<std::mutex> lock(mLock);
    mQueued.emplace_back(port, value);
  }
  // Audio thread, before LV2TestInstance::Run.
  void DeliverTo(LV2TestInstance& inst) {
    std::lock_guard<std::mutex> lock(mLock);
    for (const auto& w : mQueued) inst.Control(w.first) = w.second;
    mQueued.clear();
  }

private:
  std::mutex mLock;
  std::vector<std::pair<uint32_t, float>> mQueued;
};

enum ETestParams { kGain = 0, kShape, kActive, kSteps, kNumTestParams };
constexpr int kTestLatency = 64;

class TestLV2Plug : public IPlugLV2 {
public:
  TestLV2Plug();
  void OnParamChange(int idx) override;
  void OnParamChangeRealtime(int idx) override;
  void ProcessDoubleReplacing(double** in, double** out, int nFrames) override;
  std::atomic<int> changes[kNumTestParams] = {};
  std::atomic<double> gain{1.0};
  WDL_Mutex& Mutex() { return mMutex; }
};

// The test plug-in's definition and descriptors (0 stereo, 1 mono, 2 a
// configuration the plug-in does not have).
const IPlugLV2Def& TestDef();
const LV2_Descriptor* TestDescriptor(int index);

// Corvane's descriptor (0 stereo, 1 mono).
const LV2_Descriptor* CorvaneDescriptor(int index);

// Corvane processed directly in double precision from float input, with
// parameters set as a host's ports would set them: the reference for every
// LV2 path.
std::vector<std::vector<float>> DirectCorvane(const std::vector<std::vector<float>>& in,
                                              const std::vector<std::pair<int, double>>& settings);

// The drum-like test signal in single precision, nCh channels.
std::vector<std::vector<float>> DrumSignal(size_t n, int nCh = 2);

}  // namespace lv2_test
