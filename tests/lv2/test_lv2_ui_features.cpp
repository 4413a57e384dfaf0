// The editor UI's descriptor called directly, as a host would, with the
// features a host may leave out: what it refuses (null, a reason in the
// host's log), what it does without a parent window (a top-level window),
// and one editor per plug-in instance.
#include <gtest/gtest.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/atom/atom.h>
#include <lv2/log/log.h>
#include <lv2/options/options.h>
#include <lv2/ui/ui.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "plugin/CorvaneLV2.h"
#include "tests/lv2/LV2TestHost.h"
#include "tests/x11/WindowChecks.h"
#include "tests/x11/XvfbServer.h"

using namespace lv2_test;

namespace {

// The host's side of a UI: the features it offers, its log, what the UI wrote.
class UIFeatures {
public:
  explicit UIFeatures(LV2TestInstance& inst) : mInst(inst) {
    mLog = {this, Printf, VPrintf};
    mResizeIface = {this, Resize};
  }
  // Offered features, by name: "instance", "idle", "map", "log", "parent",
  // "resize", "options" (ui:scaleFactor as a float of scaleFactor).
  std::vector<const LV2_Feature*> Offer(const std::vector<std::string>& names, unsigned long parent = 0) {
    mInstance = {LV2_INSTANCE_ACCESS_URI, mInst.Plug()};
    mIdle = {LV2_UI__idleInterface, nullptr};
    mMap = {LV2_URID__map, mInst.Map().Feature()};
    mLogFeature = {LV2_LOG__log, &mLog};
    mParent = {LV2_UI__parent, reinterpret_cast<void*>(static_cast<uintptr_t>(parent))};
    mResize = {LV2_UI__resize, &mResizeIface};
    mOptionList[0] = {LV2_OPTIONS_INSTANCE, 0, mInst.Map().Map(LV2_UI__scaleFactor), sizeof(float),
                      mInst.Map().Map(LV2_ATOM__Float), &scaleFactor};
    mOptionList[1] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
    mOptions = {LV2_OPTIONS__options, mOptionList};
    std::vector<const LV2_Feature*> f;
    for (const std::string& n : names) {
      if (n == "instance") f.push_back(&mInstance);
      if (n == "idle") f.push_back(&mIdle);
      if (n == "map") f.push_back(&mMap);
      if (n == "log") f.push_back(&mLogFeature);
      if (n == "parent") f.push_back(&mParent);
      if (n == "resize") f.push_back(&mResize);
      if (n == "options") f.push_back(&mOptions);
    }
    f.push_back(nullptr);
    return f;
  }
  LV2UI_Handle Instantiate(const std::vector<const LV2_Feature*>& features, const char* pluginUri = kCorvaneLV2Uri) {
    const LV2UI_Descriptor* d = CorvaneLV2UIDescriptor(0);
    widget = reinterpret_cast<LV2UI_Widget>(0x1);  // must be replaced
    return d->instantiate(d, pluginUri, "/nonexistent/", Write, this, &widget, features.data());
  }
  static int Idle(LV2UI_Handle ui) {
    const auto* idle = static_cast<const LV2UI_Idle_Interface*>(
        CorvaneLV2UIDescriptor(0)->extension_data(LV2_UI__idleInterface));
    return idle->idle(ui);
  }
  static void Cleanup(LV2UI_Handle ui) { CorvaneLV2UIDescriptor(0)->cleanup(ui); }
  unsigned long Window() const { return static_cast<unsigned long>(reinterpret_cast<uintptr_t>(widget)); }

  std::string log;
  LV2UI_Widget widget = nullptr;
  int writes = 0;
  float scaleFactor = 1.0f;
  int resizedW = 0, resizedH = 0;  // the size last reported through ui:resize

private:
  static int VPrintf(LV2_Log_Handle h, LV2_URID, const char* fmt, va_list ap) {
    char text[512];
    const int n = std::vsnprintf(text, sizeof(text), fmt, ap);
    static_cast<UIFeatures*>(h)->log += text;
    return n;
  }
  static int Printf(LV2_Log_Handle h, LV2_URID type, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    const int n = VPrintf(h, type, fmt, ap);
    va_end(ap);
    return n;
  }
  static int Resize(LV2UI_Feature_Handle h, int w, int height) {
    static_cast<UIFeatures*>(h)->resizedW = w;
    static_cast<UIFeatures*>(h)->resizedH = height;
    return 0;
  }
  static void Write(LV2UI_Controller c, uint32_t, uint32_t, uint32_t, const void*) {
    ++static_cast<UIFeatures*>(c)->writes;
  }

  LV2TestInstance& mInst;
  LV2_Log_Log mLog;
  LV2UI_Resize mResizeIface{};
  LV2_Options_Option mOptionList[2]{};
  LV2_Feature mInstance{}, mIdle{}, mMap{}, mLogFeature{}, mParent{}, mResize{}, mOptions{};
};

TEST(LV2EditorUIDescriptor, IsExportedForTheEditorUriOnly) {
  ASSERT_NE(CorvaneLV2UIDescriptor(0), nullptr);
  EXPECT_STREQ(CorvaneLV2UIDescriptor(0)->URI, kCorvaneLV2UiUri);
  EXPECT_EQ(CorvaneLV2UIDescriptor(1), nullptr);
  const LV2UI_Descriptor* d = CorvaneLV2UIDescriptor(0);
  EXPECT_NE(d->extension_data(LV2_UI__idleInterface), nullptr);
  EXPECT_EQ(d->extension_data(LV2_UI__showInterface), nullptr);
  EXPECT_EQ(d->extension_data(nullptr), nullptr);
  d->port_event(nullptr, 0, sizeof(float), 0, nullptr);  // values are read from the plug-in
}

TEST(LV2EditorUIDescriptor, RefusesWhatItCannotWorkWithAndSaysWhy) {
  LV2TestInstance stereo(CorvaneDescriptor(0));
  LV2TestInstance mono(CorvaneDescriptor(1));
  ASSERT_TRUE(stereo.Ok() && mono.Ok());
  {
    UIFeatures host(stereo);
    EXPECT_EQ(host.Instantiate(host.Offer({"idle", "map", "log"})), nullptr);
    EXPECT_EQ(host.widget, nullptr);
    EXPECT_NE(host.log.find("no instance access"), std::string::npos) << host.log;
  }
  {
    UIFeatures host(stereo);
    EXPECT_EQ(host.Instantiate(host.Offer({"instance", "map", "log"})), nullptr);
    EXPECT_NE(host.log.find("no idle interface"), std::string::npos) << host.log;
  }
  {
    // Another plug-in's URI, or the other variant's for this instance.
    UIFeatures host(stereo);
    EXPECT_EQ(host.Instantiate(host.Offer({"instance", "idle", "map", "log"}), "urn:other:plugin"), nullptr);
    EXPECT_EQ(host.Instantiate(host.Offer({"instance", "idle", "map", "log"}), nullptr), nullptr);
    EXPECT_EQ(host.Instantiate(host.Offer({"instance", "idle", "map", "log"}), kCorvaneLV2MonoUri), nullptr);
    EXPECT_NE(host.log.find("not the plug-in named"), std::string::npos) << host.log;
  }
  {
    // No log offered: refused all the same, quietly.
    UIFeatures host(mono);
    EXPECT_EQ(host.Instantiate(host.Offer({})), nullptr);
    EXPECT_EQ(host.Instantiate({nullptr}), nullptr);
  }
}

TEST(LV2EditorUIDescriptor, NoXServerGivesNoUI) {
  LV2TestInstance inst(CorvaneDescriptor(0));
  ASSERT_TRUE(inst.Ok());
  const char* display = std::getenv("DISPLAY");
  const std::string saved = display ? display : "";
  setenv("DISPLAY", ":9999", 1);  // nobody listens there
  UIFeatures host(inst);
  EXPECT_EQ(host.Instantiate(host.Offer({"instance", "idle", "map", "log"})), nullptr);
  EXPECT_NE(host.log.find("cannot open a window"), std::string::npos) << host.log;
  if (display) setenv("DISPLAY", saved.c_str(), 1); else unsetenv("DISPLAY");
}

TEST(LV2EditorUIDescriptor, WithoutAParentOpensATopLevelWindowOneEditorPerInstance) {
  REQUIRE_XVFB();
  x11_test::User user;
  ASSERT_NE(user.display(), nullptr);
  LV2TestInstance inst(CorvaneDescriptor(1));
  ASSERT_TRUE(inst.Ok());
  const int before = user.RootChildren();
  UIFeatures host(inst);
  LV2UI_Handle ui = host.Instantiate(host.Offer({"instance", "idle"}), kCorvaneLV2MonoUri);
  ASSERT_NE(ui, nullptr);
  XSync(user.display(), False);
  EXPECT_EQ(user.RootChildren(), before + 1);
  ASSERT_NE(host.Window(), 0ul);
  EXPECT_EQ(UIFeatures::Idle(ui), 0);

  // The editor belongs to the plug-in: a second UI while it is open is refused.
  UIFeatures second(inst);
  EXPECT_EQ(second.Instantiate(second.Offer({"instance", "idle", "map", "log"}), kCorvaneLV2MonoUri), nullptr);
  EXPECT_NE(second.log.find("already open"), std::string::npos) << second.log;
  EXPECT_EQ(UIFeatures::Idle(ui), 0);  // the first one is untouched

  UIFeatures::Cleanup(ui);
  XSync(user.display(), False);
  EXPECT_EQ(user.RootChildren(), before);
  // Closed, the editor opens again, and the plug-in still runs.
  ui = second.Instantiate(second.Offer({"instance", "idle"}), kCorvaneLV2MonoUri);
  ASSERT_NE(ui, nullptr);
  inst.Run(64);
  EXPECT_EQ(UIFeatures::Idle(ui), 0);
  // The user closes the top-level window (as a window manager passes it on):
  // idle reports the UI closed, and cleanup afterwards is harmless.
  x11_test::SendCloseRequest(user.display(), second.Window());
  int closed = 0;
  for (int i = 0; i < 50 && !closed; ++i) {
    closed = UIFeatures::Idle(ui);
    if (!closed) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  EXPECT_NE(closed, 0);
  EXPECT_NE(UIFeatures::Idle(ui), 0);
  UIFeatures::Cleanup(ui);
  XSync(user.display(), False);
  EXPECT_EQ(user.RootChildren(), before);
  EXPECT_EQ(second.writes, 0);  // nothing was touched
}

// The host's ui:scaleFactor sets the editor's scale before its window opens:
// 2 and 1.5 give a window twice the editor's size, reported so through
// ui:resize; a factor below 1.5 on the next opening gives the 1x editor again.
TEST(LV2EditorUIDescriptor, TheHostsScaleFactorSizesTheWindow) {
  REQUIRE_XVFB();
  x11_test::User user;
  ASSERT_NE(user.display(), nullptr);
  LV2TestInstance inst(CorvaneDescriptor(0));
  ASSERT_TRUE(inst.Ok());
  for (const float factor : {2.0f, 1.5f, 1.25f}) {
    SCOPED_TRACE(factor);
    const int expectedScale = factor >= 1.5f ? 2 : 1;
    UIFeatures host(inst);
    host.scaleFactor = factor;
    LV2UI_Handle ui = host.Instantiate(host.Offer({"instance", "idle", "map", "resize", "options"}));
    ASSERT_NE(ui, nullptr) << host.log;
    EXPECT_EQ(UIFeatures::Idle(ui), 0);
    XWindowAttributes attributes;
    ASSERT_TRUE(XGetWindowAttributes(user.display(), host.Window(), &attributes));
    EXPECT_EQ(attributes.width, 365 * expectedScale);
    EXPECT_EQ(attributes.height, 574 * expectedScale);
    EXPECT_EQ(host.resizedW, 365 * expectedScale);
    EXPECT_EQ(host.resizedH, 574 * expectedScale);
    UIFeatures::Cleanup(ui);
  }
}

}  // namespace
