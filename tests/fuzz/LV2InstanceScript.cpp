#include "tests/fuzz/LV2InstanceScript.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "host/lv2/LV2PortLayout.h"
#include "plugin/CorvaneLV2.h"
#include "tests/support/FuzzBytes.h"
#include "tests/fuzz/LV2HostParts.h"
#include "tests/fuzz/OutputBound.h"

namespace fuzz_test {

using test_support::FuzzBytes;
namespace {

// The plug-in's parameters as its Turtle description lists them.
enum { kParams = 11, kSoloT = 6, kSoloR = 7, kMode1 = 8, kModes = 3 };
constexpr float kLatency = 4096.0f;
constexpr int kMaxFrames = 20000;     // one run
constexpr long kMaxTotalFrames = 60000;  // one script: keeps an input fast
constexpr int kMaxSteps = 48;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

using Values = std::vector<double>;

double Clamp01(double v) { return v < 0.0 ? 0.0 : v < 1.0 ? v : 1.0; }

std::string Num(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", v);
  return text;
}

// One instance and everything the host keeps for it.
class Session {
public:
  explicit Session(FuzzBytes& in) : mIn(in) {}
  ~Session();
  std::string Run();

private:
  bool instantiate();
  void connectAll();
  void step();
  void activate();
  void deactivate();
  void run();
  void fillInputs(int frames);
  void setPorts();
  float portValue();
  void reconnect();
  void restore();
  void queryExtension();
  bool save(Values* values);
  void checkOutputs(int frames, double peak);
  void checkState(const Values& v, const char* when);
  void checkPortsReached();
  void fail(const std::string& what) {
    if (mFault.empty()) mFault = what;
  }
  int modeOf(const Values& v) const;

  FuzzBytes& mIn;
  std::string mFault;
  UridMap mMap;
  const LV2_Descriptor* mDesc = nullptr;
  const LV2_State_Interface* mState = nullptr;
  LV2_Handle mHandle = nullptr;
  LV2PortLayout mLayout;
  bool mHasMap = false, mActive = false;
  std::vector<float> mControls, mAltControls;  // two buffers a control port may use
  std::vector<float*> mControlPort;            // which one each port reads
  std::vector<float> mSeen;                    // each port's value at the last run
  std::vector<bool> mSeenKnown;
  float mEnabled = 1.0f, mLatencyOut = -1.0f;
  std::vector<float> mAudio[8];  // two inputs, up to six outputs
  std::vector<float*> mInPort, mOutPort;
  double mPeakIn = 0.0;
  long mFrames = 0;
  StateProperties mStore;
};

Session::~Session() {
  if (!mHandle) return;
  if (mActive) mDesc->deactivate(mHandle);
  mDesc->cleanup(mHandle);
}

bool Session::instantiate() {
  const double rates[] = {44100.0, 48000.0, 96000.0, 8000.0, 1.0, 1e-300, 4.9e-324, 1e9, 1e300,
                          DBL_MAX, 0.0, -44100.0, std::nan(""), HUGE_VAL, -HUGE_VAL};
  const int pick = mIn.Pick(16);
  const double rate = pick < 15 ? rates[pick] : mIn.F64();
  const uint8_t features = mIn.Byte();
  const int32_t lengths[] = {0, -1, 1, 64, 4096, 8192, 8193, 1 << 30, INT32_MAX, INT32_MIN};
  int32_t maxLength = lengths[mIn.Pick(10)], nominal = lengths[mIn.Pick(10)];
  // Stereo, mono, split outputs or past the last; inputs written before the
  // split variant existed keep their meaning for the first two.
  int index = mIn.Pick(3);
  if (index == 2 && mIn.Pick(4) == 0) index = 3;
  mDesc = CorvaneLV2Descriptor(static_cast<uint32_t>(index));
  if (!mDesc) return false;  // past the last plug-in: the library says so
  mHasMap = features & 1;
  const LV2_URID intType = mMap.Map((features & 8) ? LV2_ATOM__Float : LV2_ATOM__Int);
  const LV2_Options_Option options[] = {
      {LV2_OPTIONS_INSTANCE, 0, mMap.Map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t), intType, &maxLength},
      {LV2_OPTIONS_INSTANCE, 0, mMap.Map(LV2_BUF_SIZE__nominalBlockLength), sizeof(int32_t), intType, &nominal},
      {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
  const LV2_Feature mapFeature = {LV2_URID__map, &mMap.feature};
  const LV2_Feature optionsFeature = {LV2_OPTIONS__options, const_cast<LV2_Options_Option*>(options)};
  std::vector<const LV2_Feature*> list;
  if (mHasMap) list.push_back(&mapFeature);
  if (features & 2) list.push_back(&optionsFeature);
  list.push_back(nullptr);
  mHandle = mDesc->instantiate(mDesc, rate, "/nowhere/corvane.lv2/", list.data());
  // Rates an audio interface can run at are taken; others refused.
  const bool usable = rate >= 1.0 && rate <= 1e7;
  if (!mHandle) {
    if (usable) fail("instantiate refused a sample rate of " + Num(rate) + " Hz");
    return false;
  }
  if (!usable) fail("instantiate took a sample rate of " + Num(rate) + " Hz");
  mState = static_cast<const LV2_State_Interface*>(mDesc->extension_data(LV2_STATE__interface));
  if (!mState || !mState->save || !mState->restore) fail("no state interface");
  // The split variant: stereo in, the mix and the two parts out.
  const int inputs = index == 1 ? 1 : 2, outputs = index == 1 ? 1 : index == 2 ? 6 : 2;
  return MakeLV2PortLayout(kParams, &CorvaneLV2Def(), inputs, outputs, &mLayout);
}

void Session::connectAll() {
  const int n = mLayout.NControls();
  mControls.assign(n, 0.5f);
  mAltControls.assign(n, 0.5f);
  mControlPort.assign(n, nullptr);
  mSeen.assign(n, 0.0f);
  mSeenKnown.assign(n, false);
  for (auto& buffer : mAudio) buffer.assign(kMaxFrames, 0.0f);
  mInPort.assign(mLayout.nIn, nullptr);
  mOutPort.assign(mLayout.nOut, nullptr);
  for (int k = 0; k < n; ++k) {
    mControlPort[k] = &mControls[k];
    mDesc->connect_port(mHandle, static_cast<uint32_t>(k), mControlPort[k]);
  }
  mDesc->connect_port(mHandle, mLayout.Enabled(), &mEnabled);
  mDesc->connect_port(mHandle, mLayout.Latency(), &mLatencyOut);
  for (int c = 0; c < mLayout.nIn; ++c) {
    mInPort[c] = mAudio[c].data();
    mDesc->connect_port(mHandle, mLayout.AudioIn(c), mInPort[c]);
  }
  for (int c = 0; c < mLayout.nOut; ++c) {
    mOutPort[c] = mAudio[2 + c].data();
    mDesc->connect_port(mHandle, mLayout.AudioOut(c), mOutPort[c]);
  }
}

std::string Session::Run() {
  if (!instantiate() || !mFault.empty()) return mFault;
  connectAll();
  for (int s = 0; s < kMaxSteps && mIn.More() && mFault.empty() && mFrames < kMaxTotalFrames; ++s) step();
  return mFault;
}

void Session::step() {
  switch (mIn.Pick(9)) {
    case 0: activate(); break;
    case 1: deactivate(); break;
    case 2: case 3: run(); break;
    case 4: setPorts(); break;
    case 5: reconnect(); break;
    case 6: restore(); break;
    case 7: {
      Values v;
      if (save(&v)) checkState(v, "saved");
      break;
    }
    default: queryExtension(); break;
  }
}

void Session::activate() {
  if (mActive) return;
  mDesc->activate(mHandle);
  mActive = true;
}

void Session::deactivate() {
  if (!mActive) return;
  mDesc->deactivate(mHandle);
  mActive = false;
}

// A float a host might leave in a control port.
float Session::portValue() {
  const float table[] = {kNaN, kInf, -kInf, FLT_MIN / 4, -FLT_MIN / 4, 1e30f, -1e30f, -1.0f,
                         0.0f, 0.5f, 1.0f, 2.0f, 3.0f, 1.5f, 2.5f, -0.0f};
  const int pick = mIn.Pick(20);
  if (pick < 16) return table[pick];
  if (pick < 19) return static_cast<float>(mIn.Byte()) / 255.0f;
  return mIn.F32();
}

void Session::setPorts() {
  const int count = 1 + mIn.Pick(4);
  for (int i = 0; i < count; ++i) {
    const int k = mIn.Pick(mLayout.NControls() + 1);
    const float v = portValue();
    if (k == mLayout.NControls())
      mEnabled = v;
    else
      *mControlPort[k] = v;
  }
}

// Ports may be connected again at any time, to any valid buffer: in place,
// to another control buffer, or an index the plug-in does not have.
void Session::reconnect() {
  switch (mIn.Pick(4)) {
    case 0:
      for (int c = 0; c < mLayout.nOut; ++c) {
        mOutPort[c] = mInPort[c < mLayout.nIn ? c : 0];
        mDesc->connect_port(mHandle, mLayout.AudioOut(c), mOutPort[c]);
      }
      break;
    case 1:
      for (int c = 0; c < mLayout.nOut; ++c) {
        mOutPort[c] = mAudio[2 + c].data();
        mDesc->connect_port(mHandle, mLayout.AudioOut(c), mOutPort[c]);
      }
      break;
    case 2: {
      const int k = mIn.Pick(mLayout.NControls());
      mControlPort[k] = mControlPort[k] == &mControls[k] ? &mAltControls[k] : &mControls[k];
      *mControlPort[k] = portValue();
      mDesc->connect_port(mHandle, static_cast<uint32_t>(k), mControlPort[k]);
      break;
    }
    default: {
      static float junk[kMaxFrames];
      mDesc->connect_port(mHandle, mLayout.NPorts() + mIn.Byte(), junk);
      break;
    }
  }
}

void Session::fillInputs(int frames) {
  const float amplitudes[] = {FLT_MIN / 8, 1e-3f, 0.5f, 1.0f, 30.0f, 1e4f};
  const float a = amplitudes[mIn.Pick(6)];
  const int kind = mIn.Pick(6);
  const int period = 1 + static_cast<int>(mIn.U16() % 4096);
  uint32_t noise = mIn.U16() | 1u;
  for (int c = 0; c < mLayout.nIn; ++c)
    for (int t = 0; t < frames; ++t) {
      noise ^= noise << 13, noise ^= noise >> 17, noise ^= noise << 5;
      const float white = static_cast<float>(static_cast<int32_t>(noise)) / 2147483648.0f;
      float x = 0.0f;
      switch (kind) {
        case 1: x = a * white; break;
        case 2: x = t % period == 0 ? a : 0.0f; break;
        case 3: x = (t / period) % 2 ? a : -a; break;
        case 4: x = a; break;
        case 5: x = (t / period) % 2 ? a * white : 0.0f; break;
        default: break;
      }
      mInPort[c][t] = x;
      mPeakIn = std::max(mPeakIn, static_cast<double>(std::fabs(x)));
    }
}

void Session::run() {
  if (!mActive) return;  // no run outside activate .. deactivate
  const int sizes[] = {0, 1, 63, 64, 65, 4095, 4096, 4097, 8192, 8193, 12000};
  const int pick = mIn.Pick(12);
  const int frames = pick < 11 ? sizes[pick] : static_cast<int>(mIn.U16() % kMaxFrames);
  if (mIn.Byte() & 1) setPorts();  // automation that changes with the block
  fillInputs(frames);
  mLatencyOut = -1.0f;
  mDesc->run(mHandle, static_cast<uint32_t>(frames));
  mFrames += frames;
  if (mLatencyOut != kLatency) fail("latency port reads " + Num(mLatencyOut) + " after a run");
  checkOutputs(frames, mPeakIn);
  checkPortsReached();
}

void Session::checkOutputs(int frames, double peak) {
  const double bound = OutputPeakBound(peak);
  for (int c = 0; c < mLayout.nOut; ++c)
    for (int t = 0; t < frames; ++t) {
      const float y = mOutPort[c][t];
      if (!std::isfinite(y) || std::fabs(y) > bound) {
        fail("output " + std::to_string(c) + " sample " + std::to_string(t) + " is " + Num(y) +
             ", beyond the bound " + Num(bound) + " for an input peak of " + Num(peak));
        return;
      }
    }
}

// The parameters as a saved state holds them; false without a state (no
// urid:map, which the plug-in needs for its state, is answered as such).
bool Session::save(Values* values) {
  if (!mState) return false;
  StateProperties props;
  const LV2_State_Status status = mState->save(mHandle, StoreProperty, &props, LV2_STATE_IS_POD, nullptr);
  if (!mHasMap) {
    if (status != LV2_STATE_ERR_NO_FEATURE) fail("save without urid:map did not say so");
    return false;
  }
  if (status != LV2_STATE_SUCCESS || props.size() != 1 || props[0].key != mMap.Map(kCorvaneLV2StateKey) ||
      props[0].type != mMap.Map(LV2_ATOM__Chunk) || props[0].bytes.size() != kParams * sizeof(double)) {
    fail("save did not store one chunk of eleven values");
    return false;
  }
  mStore = props;
  values->assign(kParams, 0.0);
  std::memcpy(values->data(), props[0].bytes.data(), props[0].bytes.size());
  return true;
}

void Session::checkState(const Values& v, const char* when) {
  int modesOn = 0;
  for (int i = 0; i < kParams; ++i) {
    if (!(v[i] >= 0.0 && v[i] <= 1.0)) fail(std::string(when) + " parameter " + std::to_string(i) + " out of range");
    if (i >= kMode1) {
      modesOn += v[i] == 1.0;
      if (v[i] != 1.0 && v[i] != 0.0) fail(std::string(when) + " mode parameter neither 0 nor 1");
    }
  }
  if (modesOn != 1) fail(std::string(when) + " state has " + std::to_string(modesOn) + " modes on");
  if (v[kSoloT] > 0.5 && v[kSoloR] > 0.5) fail(std::string(when) + " state has both solos on");
}

// The last mode parameter at exactly 1 (0-based), or -1.
int Session::modeOf(const Values& v) const {
  int mode = -1;
  for (int m = 0; m < kModes; ++m)
    if (v[kMode1 + m] == 1.0) mode = m;
  return mode;
}

// After a run: every control port that now holds a number other than the
// one it held at the last run has reached its parameter.
void Session::checkPortsReached() {
  const int n = mLayout.NControls();
  std::vector<bool> changed(n, false);
  std::vector<float> now(n);
  for (int k = 0; k < n; ++k) {
    now[k] = *mControlPort[k];
    changed[k] = !std::isnan(now[k]) && mSeenKnown[k] && now[k] != mSeen[k];
    if (!std::isnan(now[k])) mSeen[k] = now[k], mSeenKnown[k] = true;
  }
  Values v;
  if (!save(&v)) return;
  checkState(v, "after a run, the");
  for (int k = 0; k < n; ++k) {
    if (!changed[k]) continue;
    const int param = mLayout.ParamOfPort(static_cast<uint32_t>(k));
    const double want = Clamp01(now[k]);
    if (param == kSoloT && changed[mLayout.Param(kSoloR)] && Clamp01(now[mLayout.Param(kSoloR)]) > 0.5) {
      if (v[kSoloT] != 0.0) fail("the residual solo switched on did not switch the transient solo off");
    } else if (param >= 0 && static_cast<float>(v[param]) != static_cast<float>(want)) {
      fail("port " + std::to_string(k) + " set to " + Num(now[k]) + " left its parameter at " +
           Num(v[param]));
    } else if (param < 0) {
      const float x = now[k];
      const int chosen = x >= 2.0f ? 2 : x <= 0.0f ? 0 : static_cast<int>(std::lround(x));
      if (modeOf(v) != chosen)
        fail("the wavelet port set to " + Num(x) + " chose mode " + std::to_string(modeOf(v) + 1));
    }
  }
}

// A state from the script's bytes, or the last one saved with a few
// values changed; any key, type and size.
void Session::restore() {
  if (!mState) return;
  StateProperty p{mMap.Map(kCorvaneLV2StateKey), mMap.Map(LV2_ATOM__Chunk), {}};
  const int kind = mIn.Pick(6);
  if (kind <= 2 && !mStore.empty()) {
    p = mStore[0];
    for (int i = mIn.Pick(4); i > 0; --i) {
      const double values[] = {-1.0, 2.0, 1e308, -0.0, 0.5, 1.0, 0.0, 4.9e-324, std::nan(""), HUGE_VAL};
      const double v = values[mIn.Pick(10)];
      std::memcpy(p.bytes.data() + 8 * mIn.Pick(kParams), &v, 8);
    }
    if (kind == 2) p.bytes.resize(mIn.Pick(3) == 0 ? p.bytes.size() + 1 : mIn.Byte() % 96);
  } else if (kind == 3) {
    p.bytes.assign(mIn.Pick(2) ? (1u << 20) : 0u, 0);  // far larger than any state, or empty
  } else {
    p.bytes.resize(mIn.Byte());
    mIn.Take(p.bytes.data(), p.bytes.size());
  }
  const int twist = mIn.Pick(8);
  if (twist == 0) p.type = mMap.Map(LV2_ATOM__String);
  if (twist == 1) p.key = mMap.Map("urn:somebody:else");
  Values before, after;
  const bool checked = save(&before);
  StateProperties props{p};
  const LV2_State_Status status = mState->restore(mHandle, RetrieveProperty, &props, 0, nullptr);
  if (!checked || !save(&after)) return;
  Values restored(kParams, 0.0);
  bool whole = p.bytes.size() == kParams * sizeof(double) && p.type == mMap.Map(LV2_ATOM__Chunk) &&
               p.key == mMap.Map(kCorvaneLV2StateKey);
  if (whole) std::memcpy(restored.data(), p.bytes.data(), p.bytes.size());
  for (double r : restored) whole = whole && std::isfinite(r);
  if (status != LV2_STATE_SUCCESS) {
    if (whole) fail("a whole, finite state was refused");
    if (after != before) fail("a refused state changed the parameters");
    return;
  }
  if (!whole) fail("a state that is not whole and finite was accepted");
  // The normalised form: clamped, the last mode at exactly 1 (else the one
  // in force), a solo on switching the other to 0 (of two on, the
  // residual's stays on).
  Values want(kParams, 0.0);
  for (int i = 0; i < kMode1; ++i) want[i] = Clamp01(restored[i]);
  const int mode = modeOf(restored) >= 0 ? modeOf(restored) : modeOf(before);
  want[kMode1 + mode] = 1.0;
  if (want[kSoloR] > 0.5)
    want[kSoloT] = 0.0;
  else if (want[kSoloT] > 0.5)
    want[kSoloR] = 0.0;
  for (int i = 0; i < kParams; ++i)
    if (after[i] != want[i])
      fail("restored state saved back with parameter " + std::to_string(i) + " at " + Num(after[i]) +
           " instead of " + Num(want[i]));
}

void Session::queryExtension() {
  const char* uris[] = {LV2_STATE__interface, LV2_OPTIONS__interface, "", "urn:nothing", LV2_URID__map};
  const int pick = mIn.Pick(5);
  const void* answer = mDesc->extension_data(uris[pick]);
  if ((pick == 0) != (answer != nullptr)) fail(std::string("extension_data answered wrongly for ") + uris[pick]);
}

}  // namespace

std::string RunLV2InstanceScript(const uint8_t* data, size_t size) {
  FuzzBytes in(data, size);
  Session session(in);
  return session.Run();
}

}  // namespace fuzz_test
