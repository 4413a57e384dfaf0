// The editor UI of the built bundle in a small host made of lilv and suil,
// as a Linux plug-in host embeds it: the plug-in instantiated from the
// bundle runs on an audio thread, the UI opens into an X window the host
// made on a virtual X server and is driven through its idle interface on
// this thread. The meters move while audio runs, a click on a solo button
// reaches the host's port through the write function, and the UI opens
// and closes many times while the plug-in keeps running.
#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>
#include <suil/suil.h>

#include <atomic>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "plugin/Corvane.h"
#include "gui/IGraphicsStructs.h"
#include "plugin/CorvaneLV2.h"
#include "tests/lv2/LV2TestHost.h"
#include "tests/support/rtguard/RealtimeScope.h"
// Xlib's macros come after every header that might use those names.
#include "tests/x11/WindowChecks.h"
#include "tests/x11/XvfbServer.h"

using x11_test::User;

namespace {

::testing::Environment* const gXvfb = ::testing::AddGlobalTestEnvironment(new x11_test::XvfbServer);

const std::string kBundle = CORVANE_LV2_BUNDLE_DIR;
constexpr int kBlock = 256;

// Editor pixels: the two level meters and the transient solo button.
const IRECT kMeters[2] = {IRECT(125, 163, 148, 388), IRECT(211, 163, 234, 388)};
constexpr int kSoloX = 128 + 22, kSoloY = 506 + 11;
constexpr int kAmountKnobX = 25 + 32, kAmountKnobY = 37 + 32;

// The plug-in from the bundle, run by lilv on an audio thread. Values the
// UI writes are queued and land in the control ports between two blocks,
// as a real host's UI-to-audio ring would carry them.
class BundlePlugin {
public:
  BundlePlugin() : mWorld(lilv_world_new()) {
    LilvNode* bundle = lilv_new_file_uri(mWorld, nullptr, (kBundle + "/").c_str());
    lilv_world_load_bundle(mWorld, bundle);
    lilv_node_free(bundle);
    LilvNode* uri = lilv_new_uri(mWorld, kCorvaneLV2Uri);
    mPlugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(mWorld), uri);
    lilv_node_free(uri);
    if (!mPlugin) return;
    mMapFeature = {LV2_URID__map, mMap.Feature()};
    const LV2_Feature* features[] = {&mMapFeature, nullptr};
    mInstance = lilv_plugin_instantiate(mPlugin, 44100.0, features);
    if (!mInstance) return;
    const uint32_t n = lilv_plugin_get_num_ports(mPlugin);
    std::vector<float> defaults(n);
    lilv_plugin_get_port_ranges_float(mPlugin, nullptr, nullptr, defaults.data());
    mControls.assign(n, 0.0f);
    mIn.assign(2, std::vector<float>(kBlock, 0.0f));
    mOut.assign(2, std::vector<float>(kBlock, 0.0f));
    LV2PortLayout layout;
    MakeLV2PortLayout(kNumCorvaneParams, &CorvaneLV2Def(), 2, 2, &layout);
    for (uint32_t p = 0; p < n; ++p) {
      mControls[p] = std::isnan(defaults[p]) ? 0.0f : defaults[p];
      void* buffer = &mControls[p];
      if (p >= layout.AudioIn(0) && p < layout.AudioOut(0)) buffer = mIn[p - layout.AudioIn(0)].data();
      if (p >= layout.AudioOut(0)) buffer = mOut[p - layout.AudioOut(0)].data();
      lilv_instance_connect_port(mInstance, p, buffer);
    }
    lilv_instance_activate(mInstance);
    mDrums = lv2_test::DrumSignal(44100);
  }
  ~BundlePlugin() {
    StopAudio();
    if (mInstance) {
      lilv_instance_deactivate(mInstance);
      lilv_instance_free(mInstance);
    }
    lilv_world_free(mWorld);
  }
  BundlePlugin(const BundlePlugin&) = delete;
  BundlePlugin& operator=(const BundlePlugin&) = delete;

  bool Ok() const { return mInstance != nullptr; }
  LilvWorld* World() { return mWorld; }
  const LilvPlugin* Plugin() { return mPlugin; }
  LV2_Handle Handle() { return lilv_instance_get_handle(mInstance); }
  lv2_test::UridMap& Map() { return mMap; }

  void StartAudio() {
    mStop = false;
    mAudio = std::thread([this] {
      size_t pos = 0;
      while (!mStop.load()) {
        ApplyWrites();
        for (int t = 0; t < kBlock; ++t, pos = (pos + 1) % mDrums[0].size())
          for (int c = 0; c < 2; ++c) mIn[c][t] = mDrums[c][pos];
        rtguard::Realtime(rtguard::kLv2Run, [&] { lilv_instance_run(mInstance, kBlock); });
        float peak = 0.0f;
        for (int c = 0; c < 2; ++c)
          for (float v : mOut[c]) peak = std::max(peak, std::fabs(v));
        mOutputPeak.store(std::max(mOutputPeak.load(), peak));
        ++mBlocks;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    });
  }
  void StopAudio() {
    mStop = true;
    if (mAudio.joinable()) mAudio.join();
  }
  // Blocks run so far, and the loudest output sample since the last reset.
  int Blocks() const { return mBlocks.load(); }
  float TakeOutputPeak() { return mOutputPeak.exchange(0.0f); }
  // A control port's value as the audio thread last set it (audio stopped, or after a wait).
  float PortValue(uint32_t port) {
    std::lock_guard<std::mutex> guard(mLock);
    return mApplied.count(port) ? mApplied[port] : mControls[port];
  }

  // UI thread: a value for a control port.
  void QueueWrite(uint32_t port, float value) {
    std::lock_guard<std::mutex> guard(mLock);
    mPending.emplace_back(port, value);
  }

private:
  void ApplyWrites() {
    std::lock_guard<std::mutex> guard(mLock);
    for (const auto& w : mPending) {
      mControls[w.first] = w.second;
      mApplied[w.first] = w.second;
    }
    mPending.clear();
  }

  lv2_test::UridMap mMap;
  LV2_Feature mMapFeature = {};
  LilvWorld* mWorld;
  const LilvPlugin* mPlugin = nullptr;
  LilvInstance* mInstance = nullptr;
  std::vector<float> mControls;
  std::vector<std::vector<float>> mIn, mOut, mDrums;
  std::thread mAudio;
  std::atomic<bool> mStop{false};
  std::atomic<int> mBlocks{0};
  std::atomic<float> mOutputPeak{0.0f};
  std::mutex mLock;
  std::vector<std::pair<uint32_t, float>> mPending;
  std::map<uint32_t, float> mApplied;
};

// What the UI told the host, in order (UI thread).
struct HostEvent {
  char kind;  // 'b' touch begin, 'w' write, 'e' touch end
  uint32_t port;
  float value;
};

// The editor UI of the plug-in, instantiated by suil into a parent window.
class EmbeddedUI {
public:
  EmbeddedUI(BundlePlugin& plugin, unsigned long parent) : mPlugin(plugin) {
    mHost = suil_host_new(Write, nullptr, nullptr, nullptr);
    suil_host_set_touch_func(mHost, Touch);
    LilvUIs* uis = lilv_plugin_get_uis(plugin.Plugin());
    LilvNode* x11 = lilv_new_uri(plugin.World(), LV2_UI__X11UI);
    LILV_FOREACH(uis, i, uis) {
      const LilvUI* ui = lilv_uis_get(uis, i);
      const LilvNode* type = nullptr;
      if (!lilv_ui_is_supported(ui, suil_ui_supported, x11, &type)) continue;
      char* bundle = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_bundle_uri(ui)), nullptr);
      char* binary = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_binary_uri(ui)), nullptr);
      mUiUri = lilv_node_as_uri(lilv_ui_get_uri(ui));
      mResize = {this, [](LV2UI_Feature_Handle h, int w, int height) {
                   static_cast<EmbeddedUI*>(h)->mSize = {w, height};
                   return 0;
                 }};
      const LV2_Feature instanceAccess = {LV2_INSTANCE_ACCESS_URI, plugin.Handle()};
      const LV2_Feature parentFeature = {LV2_UI__parent, reinterpret_cast<void*>(static_cast<uintptr_t>(parent))};
      const LV2_Feature idle = {LV2_UI__idleInterface, nullptr};
      const LV2_Feature resize = {LV2_UI__resize, &mResize};
      const LV2_Feature map = {LV2_URID__map, plugin.Map().Feature()};
      const LV2_Feature* features[] = {&instanceAccess, &parentFeature, &idle, &resize, &map, nullptr};
      mInstance = suil_instance_new(mHost, this, LV2_UI__X11UI, kCorvaneLV2Uri, mUiUri.c_str(),
                                    lilv_node_as_uri(type), bundle, binary, features);
      lilv_free(bundle);
      lilv_free(binary);
      break;
    }
    lilv_node_free(x11);
    lilv_uis_free(uis);
    if (mInstance)
      mIdle = static_cast<const LV2UI_Idle_Interface*>(suil_instance_extension_data(mInstance, LV2_UI__idleInterface));
  }
  ~EmbeddedUI() {
    if (mInstance) suil_instance_free(mInstance);
    suil_host_free(mHost);
  }
  EmbeddedUI(const EmbeddedUI&) = delete;
  EmbeddedUI& operator=(const EmbeddedUI&) = delete;

  bool Ok() const { return mInstance && mIdle; }
  const std::string& UiUri() const { return mUiUri; }
  unsigned long Widget() const {
    return static_cast<unsigned long>(reinterpret_cast<uintptr_t>(suil_instance_get_widget(mInstance)));
  }
  // Calls idle for a while as a host's UI loop does; false once the UI said it closed.
  bool Pump(int ms = 60) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
      if (mIdle->idle(suil_instance_get_handle(mInstance)) != 0) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    } while (std::chrono::steady_clock::now() < end);
    return true;
  }
  std::vector<HostEvent> events;
  std::pair<int, int> mSize = {0, 0};  // the last size the UI asked for

private:
  static void Write(SuilController c, uint32_t port, uint32_t size, uint32_t protocol, const void* buffer) {
    auto* self = static_cast<EmbeddedUI*>(c);
    ASSERT_EQ(size, sizeof(float));
    ASSERT_EQ(protocol, 0u);
    const float v = *static_cast<const float*>(buffer);
    self->events.push_back({'w', port, v});
    self->mPlugin.QueueWrite(port, v);
  }
  static void Touch(SuilController c, uint32_t port, bool grabbed) {
    static_cast<EmbeddedUI*>(c)->events.push_back({grabbed ? 'b' : 'e', port, 0.0f});
  }

  BundlePlugin& mPlugin;
  SuilHost* mHost = nullptr;
  SuilInstance* mInstance = nullptr;
  const LV2UI_Idle_Interface* mIdle = nullptr;
  LV2UI_Resize mResize = {};
  std::string mUiUri;
};

class HostWindow {
public:
  explicit HostWindow(Display* d) : mDisplay(d) {
    mWindow = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 400, 600, 0, 0, 0);
    XMapWindow(d, mWindow);
    XSync(d, False);
  }
  ~HostWindow() { Destroy(); }
  void Destroy() {
    if (mWindow) XDestroyWindow(mDisplay, mWindow);
    XSync(mDisplay, False);
    mWindow = 0;
  }
  Window Id() const { return mWindow; }
  std::vector<Window> Children() const {
    Window root, parent, *children = nullptr;
    unsigned n = 0;
    XQueryTree(mDisplay, mWindow, &root, &parent, &children, &n);
    std::vector<Window> out(children, children + n);
    if (children) XFree(children);
    return out;
  }

private:
  Display* mDisplay;
  Window mWindow = 0;
};

// The meters' pixels on screen, one after the other.
std::vector<unsigned long> MeterPixels(Display* d, Window w) {
  std::vector<unsigned long> pixels;
  for (const IRECT& r : kMeters)
    if (!x11_test::AppendPixels(d, w, r.L, r.T, r.W(), r.H(), &pixels)) return {};
  return pixels;
}

class LV2EditorInHost : public ::testing::Test {
protected:
  void SetUp() override {
    REQUIRE_XVFB();
    mUser = std::make_unique<User>();
    ASSERT_NE(mUser->display(), nullptr);
    plugin = std::make_unique<BundlePlugin>();
    ASSERT_TRUE(plugin->Ok()) << "the bundle did not load from " << kBundle;
  }
  void TearDown() override {
    if (plugin) plugin->StopAudio();
  }
  void ClickAt(Window w, int x, int y, EmbeddedUI& ui) {
    int rx, ry;
    user().RootOf(w, x, y, &rx, &ry);
    user().MoveTo(rx, ry);
    ui.Pump(10);
    user().Button(1, true);
    ui.Pump(10);
    user().Button(1, false);
    ui.Pump(20);
  }
  // Waits (pumping the UI) until the audio thread has run n more blocks.
  void RunBlocks(EmbeddedUI& ui, int n) {
    const int until = plugin->Blocks() + n;
    for (int i = 0; i < 500 && plugin->Blocks() < until; ++i) ui.Pump(5);
  }

  User& user() { return *mUser; }

  std::unique_ptr<User> mUser;
  std::unique_ptr<BundlePlugin> plugin;
};

TEST_F(LV2EditorInHost, EmbedsMetersMoveWithAudioAndEditorChangesReachTheHostPorts) {
  HostWindow parent(user().display());
  EmbeddedUI ui(*plugin, parent.Id());
  ASSERT_TRUE(ui.Ok());
  EXPECT_EQ(ui.UiUri(), kCorvaneLV2UiUri);
  // The widget is the editor's window, the only child of the host's window,
  // and the host heard the editor's size.
  ASSERT_EQ(parent.Children().size(), 1u);
  EXPECT_EQ(parent.Children()[0], ui.Widget());
  EXPECT_EQ(ui.mSize, std::make_pair(kCorvaneWidth, kCorvaneHeight));
  ASSERT_TRUE(ui.Pump(100));
  const auto silent = MeterPixels(user().display(), ui.Widget());
  ASSERT_FALSE(silent.empty());

  plugin->StartAudio();
  RunBlocks(ui, 44100 / kBlock);  // a second of audio, the latency passed
  ui.Pump(100);
  EXPECT_GT(x11_test::DifferingPixels(silent, MeterPixels(user().display(), ui.Widget())), 100);

  // A click on the transient solo: one gesture on its port, ending with the
  // value 1 (the button also passes its unchanged value on when pressed).
  ui.events.clear();
  ClickAt(ui.Widget(), kSoloX, kSoloY, ui);
  const uint32_t soloPort = kSoloTransient;
  ASSERT_GE(ui.events.size(), 3u);
  int gestures = 0;
  for (const HostEvent& e : ui.events) {
    EXPECT_EQ(e.port, soloPort);
    gestures += e.kind == 'b';
  }
  EXPECT_EQ(gestures, 1);
  const size_t n = ui.events.size();
  EXPECT_EQ(ui.events[n - 1].kind, 'e');
  EXPECT_EQ(ui.events[n - 2].kind, 'w');
  EXPECT_EQ(ui.events[n - 2].value, 1.0f);
  // The value comes back through the port as an echo, which is not applied
  // again: nothing more is written, and the host's port keeps the value.
  RunBlocks(ui, 20);
  EXPECT_EQ(ui.events.size(), n);
  EXPECT_EQ(plugin->PortValue(soloPort), 1.0f);

  // A drag up the Amount knob: values inside one gesture, the knob higher.
  ui.events.clear();
  int rx, ry;
  user().RootOf(ui.Widget(), kAmountKnobX, kAmountKnobY, &rx, &ry);
  user().MoveTo(rx, ry);
  ui.Pump(10);
  user().Button(1, true);
  ui.Pump(10);
  for (int step = 1; step <= 60; ++step) {
    user().MoveTo(rx, ry - step);
    if (step % 10 == 0) ui.Pump(5);
  }
  user().Button(1, false);
  ui.Pump(30);
  // (Leaving the solo button passes its value on again: only the knob's port counts here.)
  const uint32_t amountPort = kAmount;
  std::vector<HostEvent> knob;
  for (const HostEvent& e : ui.events)
    if (e.port == amountPort) knob.push_back(e);
  ASSERT_GE(knob.size(), 3u);
  EXPECT_EQ(knob.front().kind, 'b');
  EXPECT_EQ(knob.back().kind, 'e');
  float last = 0.0f;
  for (size_t i = 1; i + 1 < knob.size(); ++i) {
    EXPECT_EQ(knob[i].kind, 'w') << i;
    last = knob[i].value;
  }
  EXPECT_NEAR(last, 0.7f + 60 / 300.0f, 1e-6);
  RunBlocks(ui, 5);
  EXPECT_EQ(plugin->PortValue(amountPort), last);
  // And the audio went on: the soloed transient part is heard.
  EXPECT_GT(plugin->TakeOutputPeak(), 0.05f);
}

TEST_F(LV2EditorInHost, OpensAndClosesRepeatedlyWhileTheAudioRuns) {
  HostWindow parent(user().display());
  plugin->StartAudio();
  for (int i = 0; i < 6; ++i) {
    {
      EmbeddedUI ui(*plugin, parent.Id());
      ASSERT_TRUE(ui.Ok()) << "opening " << i;
      ASSERT_EQ(parent.Children().size(), 1u);
      EXPECT_TRUE(ui.Pump(i % 2 ? 40 : 1));
    }
    XSync(user().display(), False);
    EXPECT_TRUE(parent.Children().empty()) << "closing " << i;
  }
  // The plug-in kept running through it all.
  plugin->TakeOutputPeak();
  const int before = plugin->Blocks();
  for (int i = 0; i < 200 && plugin->Blocks() < before + 20; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_GT(plugin->TakeOutputPeak(), 0.05f);
}

TEST_F(LV2EditorInHost, TheHostDestroyingItsWindowEndsTheUI) {
  HostWindow parent(user().display());
  EmbeddedUI ui(*plugin, parent.Id());
  ASSERT_TRUE(ui.Ok());
  ASSERT_TRUE(ui.Pump(20));
  parent.Destroy();
  EXPECT_FALSE(ui.Pump(200));
  // The UI is freed afterwards (the destructor) and a new one opens.
  HostWindow again(user().display());
  EmbeddedUI next(*plugin, again.Id());
  EXPECT_TRUE(next.Ok());
}

}  // namespace
