// How an Audio Unit host reaches the editor: the view factory registry, the
// factory's view request and the Carbon view component entry, through the
// Component Manager substitute.
#include <gtest/gtest.h>

#include <AudioUnit/AudioUnit.h>
#include <AudioUnit/AudioUnitCarbonView.h>
#include <CoreServices/ComponentRegistry.h>

#include "plugin/Corvane.h"
#include "plugin/CorvaneView.h"
#include "host/au/view/AUViewFactory.h"
#include "gui/viewhost/IGraphicsMac.h"
#include "tests/gui/GuiTestPlug.h"
#include "tests/viewhost/RecordingWindowing.h"

namespace {

using gui_test::RecordingPlug;
using mac_test::RecordingWindowing;

RecordingWindowing* gWindowing = nullptr;  // of the unit opened last
bool gWithEditor = true;

// A unit whose instance storage is a plug-in with a recording view host.
ComponentResult UnitEntry(ComponentParameters* p, Handle storage) {
  if (p->what == kComponentOpenSelect) {
    auto* plug = new RecordingPlug;
    if (gWithEditor) {
      auto w = std::make_unique<RecordingWindowing>();
      gWindowing = w.get();
      plug->AttachGraphics(new IGraphicsMac(plug, 200, 100, 0, std::move(w)));
    }
    SetComponentInstanceStorage(reinterpret_cast<ComponentInstance>(p->params[0]),
                                reinterpret_cast<Handle>(plug));
    return noErr;
  }
  if (p->what == kComponentCloseSelect) delete reinterpret_cast<RecordingPlug*>(storage);
  return noErr;
}

ComponentResult ViewEntry(ComponentParameters* p, Handle storage) { return IPlugAUCarbonViewEntry(p, storage); }

class AUView : public ::testing::Test {
protected:
  void SetUp() override {
    ComponentDescription unit = {kAudioUnitType_Effect, 0x56777431, 0x54657374, 0, 0};
    mUnitComponent = RegisterComponentEntry(&unit, UnitEntry, "Test: view unit");
    ComponentDescription view = {kAudioUnitCarbonViewComponentType, 0x56777431, 0x54657374, 0, 0};
    mViewComponent = RegisterComponentEntry(&view, ViewEntry, "Test: view");
    ASSERT_TRUE(mUnitComponent && mViewComponent);
  }
  void TearDown() override {
    UnregisterComponent(mUnitComponent);
    UnregisterComponent(mViewComponent);
    gWithEditor = true;
  }
  ComponentInstance OpenUnit() {
    ComponentInstance ci = nullptr;
    EXPECT_EQ(OpenAComponent(mUnitComponent, &ci), noErr);
    return ci;
  }
  Component mUnitComponent = nullptr, mViewComponent = nullptr;
};

TEST_F(AUView, FactoryOpensTheEditorOfTheUnit) {
  ComponentInstance unit = OpenUnit();
  auto factory = FindAUViewFactory("Corvane_View");
  ASSERT_TRUE(factory);
  EXPECT_STREQ(factory->description(), "Corvane View");
  EXPECT_EQ(factory->interfaceVersion(), 0u);
  void* view = factory->uiViewForAudioUnit(unit);
  EXPECT_NE(view, nullptr);
  EXPECT_EQ(factory->mPlug, PlugOfUnit(unit));
  EXPECT_EQ(gWindowing->Parent(), nullptr);  // the host adds the view itself
  EXPECT_TRUE(EditorOfPlug(factory->mPlug)->WindowIsOpen());
  CloseComponent(unit);  // the plug-in goes with its open editor

  EXPECT_EQ(factory->uiViewForAudioUnit(nullptr), nullptr);
  gWithEditor = false;
  ComponentInstance bare = OpenUnit();
  EXPECT_EQ(factory->uiViewForAudioUnit(bare), nullptr);
  CloseComponent(bare);
}

TEST_F(AUView, RegistryByName) {
  EXPECT_FALSE(FindAUViewFactory("No_Such_View"));
  EXPECT_FALSE(FindAUViewFactory(nullptr));
  // The name the plug-in's Cocoa UI property reports finds the factory.
  EXPECT_TRUE(kCorvaneViewRegistered);
  std::unique_ptr<IPlugAUViewFactory> corvane = FindAUViewFactory("Corvane_View");
  ASSERT_TRUE(corvane);
  EXPECT_NE(dynamic_cast<Corvane_View*>(corvane.get()), nullptr);
}

TEST_F(AUView, CarbonViewEntry) {
  ComponentInstance unit = OpenUnit();
  RecordingWindowing* win = gWindowing;
  ComponentInstance view = nullptr;
  ASSERT_EQ(OpenAComponent(mViewComponent, &view), noErr);
  EXPECT_NE(GetComponentInstanceStorage(view), nullptr);
  Float32Point where = {0, 0};
  ControlRef control = reinterpret_cast<ControlRef>(&where);
  // The editor has no Carbon surface: no control, and the host is told so.
  EXPECT_EQ(AudioUnitCarbonViewCreate(view, unit, nullptr, nullptr, &where, &where, &control),
            static_cast<OSStatus>(badComponentSelector));
  EXPECT_EQ(control, nullptr);
  EXPECT_EQ(AudioUnitCarbonViewCreate(view, nullptr, nullptr, nullptr, &where, &where, &control),
            static_cast<OSStatus>(badComponentSelector));
  EXPECT_EQ(CallComponentCanDo(view, kAudioUnitCarbonViewCreateSelect), static_cast<ComponentResult>(badComponentSelector));

  // Closing the view component closes an editor window the unit had open.
  IGraphics* editor = EditorOfPlug(PlugOfUnit(unit));
  editor->OpenWindow(nullptr);
  EXPECT_EQ(CloseComponent(view), noErr);
  EXPECT_FALSE(editor->WindowIsOpen());
  EXPECT_EQ(win->Count("destroy"), 1);
  CloseComponent(unit);
}

TEST_F(AUView, PluginsViewEntryAnswersItsSelectors) {
  ComponentDescription view = {kAudioUnitCarbonViewComponentType, 0x43767677, 0x54657374, 0, 0};
  Component c = RegisterComponentEntry(&view, Corvane_ViewEntry, "Velmora: Corvane view");
  ComponentInstance ci = nullptr;
  ASSERT_EQ(OpenAComponent(c, &ci), noErr);
  EXPECT_EQ(CallComponentCanDo(ci, 1), static_cast<ComponentResult>(badComponentSelector));
  EXPECT_EQ(CloseComponent(ci), noErr);
  UnregisterComponent(c);
}

}  // namespace
