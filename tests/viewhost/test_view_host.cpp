// The view host driven through a recording window system: opening and
// closing, the redraw cycle, event mapping, text entry, menus, cursor,
// message boxes and file dialogs.
#include <gtest/gtest.h>

#include <memory>

#include "gui/viewhost/IGraphicsMac.h"
#include "tests/gui/GuiTestPlug.h"
#include "tests/viewhost/RecordingWindowing.h"

namespace {

using gui_test::RecordingPlug;
using mac_test::RecordingWindowing;

// A control that records the calls it gets.
class Probe : public IControl {
public:
  Probe(IPlugBase* plug, IRECT r, int param = -1) : IControl(plug, r, param) { DisablePrompt(false); }
  bool Draw(IGraphics*) override {
    ++draws;
    return true;
  }
  void OnMouseDown(int x, int y, IMouseMod* m) override { log.push_back(Rec("down", x, y, *m)); }
  void OnMouseUp(int x, int y, IMouseMod* m) override { log.push_back(Rec("up", x, y, *m)); }
  void OnMouseDrag(int x, int y, int, int, IMouseMod* m) override { log.push_back(Rec("drag", x, y, *m)); }
  void OnMouseDblClick(int x, int y, IMouseMod* m) override { log.push_back(Rec("dbl", x, y, *m)); }
  void OnMouseWheel(int x, int y, IMouseMod* m, int d) override { log.push_back(Rec("wheel", x, y, *m) + " " + std::to_string(d)); }
  void OnMouseOver(int x, int y, IMouseMod* m) override { log.push_back(Rec("over", x, y, *m)); }
  bool OnKeyDown(int, int, int key) override {
    keys.push_back(key);
    return takeKeys;
  }
  void TextFromTextEntry(const char* t) override { text = t; }

  static std::string Rec(const char* what, int x, int y, const IMouseMod& m) {
    return std::string(what) + " " + std::to_string(x) + "," + std::to_string(y) + (m.L ? " L" : "") +
           (m.R ? " R" : "") + (m.S ? " S" : "") + (m.C ? " C" : "") + (m.A ? " A" : "");
  }
  std::vector<std::string> log;
  std::vector<int> keys;
  bool takeKeys = true;
  int draws = 0;
  std::string text;
};

struct Host {
  explicit Host(ViewGeometry geometry = kCocoaGeometry) {
    auto w = std::make_unique<RecordingWindowing>(geometry);
    win = w.get();
    g = new IGraphicsMac(&plug, 365, 574, 0, std::move(w));
    bg = new Probe(&plug, IRECT(0, 0, 365, 574));
    probe = new Probe(&plug, IRECT(0, 0, 100, 100), RecordingPlug::kGain);
    g->AttachControl(bg);
    g->AttachControl(probe);
    plug.AttachGraphics(g);  // the plug-in owns the context from here on
  }
  RecordingPlug plug;
  RecordingWindowing* win;
  IGraphicsMac* g;
  Probe* bg;
  Probe* probe;
};

TEST(ViewHost, OpenCloseAndTheTimer) {
  Host h;
  EXPECT_FALSE(h.g->WindowIsOpen());
  IRECT r(0, 0, 10, 10);
  EXPECT_FALSE(h.g->DrawScreen(&r));  // no view
  int parent = 0;
  void* view = h.g->OpenWindow(&parent);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(h.g->GetWindow(), view);
  EXPECT_EQ(h.win->Parent(), &parent);
  EXPECT_EQ(h.win->calls[0], "create 365x574");
  EXPECT_DOUBLE_EQ(h.win->timerInterval, 0.04);  // 25 frames per second from a rate of 0
  EXPECT_STREQ(h.g->GetGUIAPI(), "Cocoa gui");

  // Opening again closes the first view first.
  h.g->OpenWindow(nullptr);
  EXPECT_EQ(h.win->Count("stop timer 1"), 1);
  EXPECT_EQ(h.win->Count("destroy"), 1);

  h.g->CloseWindow();
  h.g->CloseWindow();  // a second close does nothing
  EXPECT_EQ(h.win->Count("stop timer 2"), 1);
  EXPECT_EQ(h.win->Count("destroy"), 2);
  EXPECT_FALSE(h.g->WindowIsOpen());
  EXPECT_EQ(h.g->GetWindow(), nullptr);
}

TEST(ViewHost, HostRemovingTheViewThenDestroyingTheContext) {
  auto h = std::make_unique<Host>();
  RecordingWindowing* win = h->win;
  h->g->OpenWindow(nullptr);
  h->g->GetView()->RemoveFromSuperview();
  EXPECT_FALSE(h->g->WindowIsOpen());
  EXPECT_EQ(win->Count("stop timer 1"), 1);
  EXPECT_EQ(win->Count("destroy"), 1);
  std::vector<std::string> before = win->calls;
  h->g->CloseWindow();
  EXPECT_EQ(win->calls, before);
  h.reset();  // destroys the plug-in and its context: nothing more to stop
}

TEST(ViewHost, NoWindowSystemViewFails) {
  Host h;
  h.win->failCreate = true;
  EXPECT_EQ(h.g->OpenWindow(nullptr), nullptr);
  EXPECT_FALSE(h.g->WindowIsOpen());
  EXPECT_EQ(h.win->Count("start timer"), 0);
}

TEST(ViewHost, RedrawCycleAsksOnlyForTheDirtyRegion) {
  Host h;
  h.g->OpenWindow(nullptr);
  ViewEvents* ev = h.win->Events();
  // Opening marks everything dirty: the first tick asks for the whole view.
  ev->OnTimer(h.win->lastTimer);
  ASSERT_EQ(h.win->needsDisplay.size(), 1u);
  EXPECT_EQ(h.win->needsDisplay[0], ViewRect(0, -1, 366, 575));
  ev->DrawRect(h.win->needsDisplay[0]);
  ASSERT_EQ(h.win->screenRegions.size(), 1u);

  // Nothing dirty: no request.
  ev->OnTimer(h.win->lastTimer);
  EXPECT_EQ(h.win->needsDisplay.size(), 1u);

  h.g->SetParameterFromPlug(RecordingPlug::kGain, 0.9, true);
  ev->OnTimer(h.win->lastTimer + 7);  // somebody else's timer
  EXPECT_EQ(h.win->needsDisplay.size(), 1u);
  ev->OnTimer(h.win->lastTimer);
  ASSERT_EQ(h.win->needsDisplay.size(), 2u);
  EXPECT_EQ(h.win->needsDisplay[1], ToViewRect(IRECT(0, 0, 100, 100), 574));
  const int bgDraws = h.bg->draws;
  ev->DrawRect(h.win->needsDisplay[1]);
  EXPECT_EQ(h.win->screenRegions.back(), IRECT(0, 0, 101, 101));
  EXPECT_EQ(h.bg->draws, bgDraws + 1);  // what lies under the control is drawn first

  // A late tick of the first opening's timer does nothing in the second.
  const int timer = h.win->lastTimer;
  h.g->OpenWindow(nullptr);
  h.win->Events()->OnTimer(timer);
  EXPECT_EQ(h.win->needsDisplay.size(), 2u);
  h.win->Events()->OnTimer(h.win->lastTimer);
  EXPECT_EQ(h.win->needsDisplay.size(), 3u);
}

TEST(ViewHost, MouseEventsMapped) {
  Host h;
  h.g->OpenWindow(nullptr);
  ViewEvents* ev = h.win->Events();
  ViewModifiers none, shiftCommand;
  shiftCommand.shift = shiftCommand.command = true;
  ev->MouseDown(12, 564, ViewButton::kLeft, none, 1);  // editor (10, 7)
  ev->MouseDragged(22, 554, ViewButton::kLeft, shiftCommand);
  ev->MouseUp(22, 554, ViewButton::kLeft, none);
  ev->MouseDown(12, 564, ViewButton::kLeft, none, 2);
  ev->MouseUp(12, 564, ViewButton::kLeft, none);
  ev->MouseDown(12, 564, ViewButton::kRight, none, 2);  // a right double click is a press
  ev->MouseUp(12, 564, ViewButton::kRight, none);
  ev->ScrollWheel(12, 564, none, -2.7);
  const std::vector<std::string> expected = {"down 10,7 L",  "drag 20,17 L R S", "up 20,17 L",
                                             "dbl 10,7 L",   "up 10,7 L",        "down 10,7 R",
                                             "up 10,7 R",    "wheel 10,7 L -2"};
  EXPECT_EQ(h.probe->log, expected);
  // Nothing reaches the context once the view is unlinked.
  IGraphicsCocoa_vCorvane_au* view = h.g->GetView();
  view->mGraphics = nullptr;
  view->MouseDown(12, 564, ViewButton::kLeft, none, 1);
  EXPECT_EQ(h.probe->log.size(), expected.size());
  view->mGraphics = h.g;
}

// At scale 2 the view is twice the editor's size, and the view host maps
// window pixels to editor units and back: a pointer anywhere on a unit's
// 2 x 2 pixels (also left of the view, during a drag) reaches the control as
// that unit; a redisplay of some pixels redraws the units they touch and puts
// those units' pixels on screen; a text field covers the control's pixels.
TEST(ViewHost, ScaleTwoMapsWindowPixelsToUnits) {
  Host h(kTopLeftGeometry);
  ASSERT_TRUE(h.g->SetScale(2));
  h.g->OpenWindow(nullptr);
  EXPECT_EQ(h.win->calls[0], "create 730x1148");
  EXPECT_FALSE(h.g->SetScale(1)) << "the scale changes only while no window is open";
  ViewEvents* ev = h.win->Events();
  ViewModifiers none;
  ev->MouseDown(21, 15, ViewButton::kLeft, none, 1);
  ev->MouseDragged(-1, 200.5, ViewButton::kLeft, none);
  ev->MouseUp(20, 14, ViewButton::kLeft, none);
  EXPECT_EQ(h.probe->log, std::vector<std::string>({"down 10,7 L", "drag -1,100 L", "up 10,7 L"}));

  ev->OnTimer(h.win->lastTimer);
  ASSERT_EQ(h.win->needsDisplay.size(), 1u);
  EXPECT_EQ(h.win->needsDisplay[0], ViewRect(0, 0, 730, 1148));
  ev->DrawRect(ViewRect(5, 5, 10, 10));  // pixels 5..14: units 2..7
  EXPECT_EQ(h.win->screenRegions.back(), IRECT(4, 4, 16, 16));

  IRECT r(10, 20, 40, 36);
  h.g->CreateTextEntry(h.probe, h.probe->GetText(), &r, "0.50", h.plug.GetParam(RecordingPlug::kGain));
  EXPECT_EQ(h.win->fieldRect, ViewRect(20, 40, 60, 32));
  EXPECT_EQ(h.win->fieldFontSize, 18.0f);
}

TEST(ViewHost, MouseOverReachesTheContextWhenEnabled) {
  Host h;
  h.g->HandleMouseOver(true);
  h.g->OpenWindow(nullptr);
  h.win->Events()->MouseMoved(12, 564, ViewModifiers());
  ASSERT_EQ(h.probe->log.size(), 1u);
  EXPECT_EQ(h.probe->log[0], "over 10,7 L");
}

TEST(ViewHost, KeysGoThroughTheTableAtTheLastMousePosition) {
  Host h;
  h.g->OpenWindow(nullptr);
  ViewEvents* ev = h.win->Events();
  ev->MouseMoved(12, 564, ViewModifiers());  // remembers (10, 7) over the probe
  EXPECT_TRUE(ev->KeyDown(0, "a"));
  EXPECT_TRUE(ev->KeyDown(0, "A"));
  EXPECT_TRUE(ev->KeyDown(kViewKeySpace, " "));
  EXPECT_EQ(h.probe->keys, std::vector<int>({15, 15, 0}));
  EXPECT_FALSE(ev->KeyDown(36, "\r"));  // to the next responder, the control never sees it
  EXPECT_TRUE(ev->KeyDown(0, "ab"));    // dropped
  EXPECT_EQ(h.probe->keys.size(), 3u);
  h.probe->takeKeys = false;
  EXPECT_FALSE(ev->KeyDown(0, "b"));  // the control did not take it: next responder
  ev->MouseMoved(300, 100, ViewModifiers());  // over the background: no key catcher
  EXPECT_FALSE(ev->KeyDown(0, "c"));
  EXPECT_TRUE(h.bg->keys.empty());
}

TEST(ViewHost, TextEntryForAParameter) {
  Host h;
  h.g->OpenWindow(nullptr);
  ViewEvents* ev = h.win->Events();
  IRECT r(10, 20, 40, 36);
  IParam* gain = h.plug.GetParam(RecordingPlug::kGain);
  h.g->CreateTextEntry(h.probe, h.probe->GetText(), &r, "0.50", gain);
  ASSERT_TRUE(h.win->fieldOpen);
  EXPECT_EQ(h.win->fieldText, "0.50");
  EXPECT_EQ(h.win->fieldRect, ViewRect(10, 537, 31, 17));
  EXPECT_EQ(h.win->fieldFontSize, 9.0f);
  EXPECT_TRUE(h.win->formatter.IsPartialStringValid("0.75"));
  EXPECT_EQ(h.win->formatter.MaxLength(), 7u);
  // A second entry while one is open is ignored, and so is a null control.
  h.g->CreateTextEntry(h.probe, h.probe->GetText(), &r, "x", gain);
  h.g->CreateTextEntry(nullptr, h.probe->GetText(), &r, "x", gain);
  EXPECT_EQ(h.win->fieldsOpened, 1);

  // While the field is open drags are not delivered.
  ViewModifiers none;
  ev->MouseDown(12, 564, ViewButton::kLeft, none, 1);
  ev->MouseDragged(30, 540, ViewButton::kLeft, none);
  EXPECT_EQ(h.probe->log, std::vector<std::string>({"down 10,7 L"}));

  const size_t redisplays = h.win->needsDisplay.size();
  ev->TextEditingEnded("0.75");
  EXPECT_FALSE(h.win->fieldOpen);
  EXPECT_DOUBLE_EQ(gain->Value(), 0.75);
  EXPECT_EQ(h.win->needsDisplay.size(), redisplays + 1);  // the whole view
  ev->TextEditingEnded("0.1");                            // no field: ignored
  EXPECT_DOUBLE_EQ(gain->Value(), 0.75);
}

TEST(ViewHost, TextEntryWithoutParameterAndEndingIt) {
  Host h;
  h.g->OpenWindow(nullptr);
  ViewEvents* ev = h.win->Events();
  IRECT r(10, 20, 40, 36);
  h.g->CreateTextEntry(h.probe, h.probe->GetText(), &r, "name", nullptr);
  EXPECT_FALSE(h.win->fieldHasFormatter);
  ev->TextEditingEnded("new name");
  EXPECT_EQ(h.probe->text, "new name");

  // A scroll ends the entry before the wheel reaches the control.
  h.g->CreateTextEntry(h.probe, h.probe->GetText(), &r, "x", nullptr);
  ev->ScrollWheel(12, 564, ViewModifiers(), 1);
  EXPECT_FALSE(h.win->fieldOpen);
  EXPECT_EQ(h.probe->log.back(), "wheel 10,7 L 1");
  EXPECT_EQ(h.probe->text, "new name");  // ended without taking the text

  h.g->CreateTextEntry(h.probe, h.probe->GetText(), &r, "x", nullptr);
  ev->TextEditingCancelled();
  EXPECT_FALSE(h.win->fieldOpen);
  h.g->CreateTextEntry(h.probe, h.probe->GetText(), &r, "x", nullptr);
  h.g->ForceEndUserEdit();
  EXPECT_FALSE(h.win->fieldOpen);
  h.g->CreateTextEntry(h.probe, h.probe->GetText(), &r, "x", nullptr);
  h.g->CloseWindow();  // closing ends the entry too
  EXPECT_FALSE(h.win->fieldOpen);
  EXPECT_EQ(h.probe->text, "new name");
}

TEST(ViewHost, PopupMenus) {
  Host h;
  IPopupMenu menu;
  menu.SetPrefix(2);
  menu.AddItem("one");
  menu.AddItem("two");
  IRECT r(10, 20, 40, 36);
  EXPECT_EQ(h.g->CreateIPopupMenu(&menu, &r), nullptr);  // no view
  h.g->OpenWindow(nullptr);
  h.win->pickPath = {1};
  EXPECT_EQ(h.g->CreateIPopupMenu(&menu, &r), &menu);
  EXPECT_EQ(menu.GetChosenItemIdx(), 1);
  EXPECT_EQ(h.win->shownTitles, std::vector<std::string>({"01: one", "02: two"}));
  EXPECT_EQ(h.win->menuAnchorY, 574 - 1 - 36 - 4);
  h.win->pickPath = {};
  EXPECT_EQ(h.g->CreateIPopupMenu(&menu, &r), nullptr);

  // The capture ends before the menu shows: the release goes nowhere.
  IMouseMod left(true);
  h.g->OnMouseDown(10, 10, &left);
  EXPECT_EQ(h.g->GetMouseCapture(), 1);
  h.g->CreateIPopupMenu(&menu, &r);
  EXPECT_EQ(h.g->GetMouseCapture(), -1);
}

TEST(ViewHost, EnumeratedParameterPromptsAMenu) {
  Host h;
  auto* modeControl = new Probe(&h.plug, IRECT(200, 0, 300, 50), RecordingPlug::kMode);
  h.g->AttachControl(modeControl);
  h.g->OpenWindow(nullptr);
  h.win->pickPath = {2};
  modeControl->PromptUserInput();
  EXPECT_EQ(h.win->shownTitles, std::vector<std::string>({"one", "two", "three"}));
  EXPECT_EQ(h.plug.GetParam(RecordingPlug::kMode)->Int(), 2);
}

TEST(ViewHost, CursorBookkeeping) {
  Host h;
  h.g->HideMouseCursor();
  h.g->HideMouseCursor();
  EXPECT_EQ(h.win->Count("hide cursor"), 1);
  EXPECT_TRUE(h.g->mCursorHidden);
  EXPECT_EQ(h.g->mHiddenMousePointX, 100);
  EXPECT_EQ(h.g->mHiddenMousePointY, 200);
  h.win->cursorX = 5;
  h.g->ShowMouseCursor();
  EXPECT_EQ(h.win->Count("move cursor 100,200"), 1);  // back where it was hidden
  EXPECT_FALSE(h.g->mCursorHidden);
  h.g->ShowMouseCursor();
  EXPECT_EQ(h.win->Count("show cursor"), 1);

  h.win->cursorOk = false;  // the system refused: not marked hidden
  h.g->HideMouseCursor();
  EXPECT_FALSE(h.g->mCursorHidden);
}

TEST(ViewHost, MessageBoxFileDialogAndUrls) {
  Host h;
  h.win->alertPress = kAlertOther;
  EXPECT_EQ(h.g->ShowMessageBox("Really?", "Corvane", 3), 2);
  EXPECT_EQ(h.win->lastAlert.header, "Corvane");
  EXPECT_EQ(h.win->lastAlert.message, "Really?");
  h.win->alertPress = kAlertAlternate;
  EXPECT_EQ(h.g->ShowMessageBox("Sure?", "Corvane", 4), 7);

  WDL_String file("take.wav"), dir("");
  char ext[] = "wav aif";
  h.g->PromptForFile(&file, kFileSave, &dir, ext);  // no window: nothing shown
  EXPECT_STREQ(file.Get(), "");
  h.g->OpenWindow(nullptr);
  file.Set("take.wav");
  h.win->panelChoice = "/home/me/takes/take2.wav";
  h.g->PromptForFile(&file, kFileSave, &dir, ext);
  EXPECT_EQ(h.win->lastPanel.directory, "~/Desktop");
  EXPECT_EQ(h.win->lastPanel.defaultName, "take.wav");
  EXPECT_EQ(h.win->lastPanel.types, std::vector<std::string>({"wav", "aif"}));
  EXPECT_STREQ(file.Get(), "/home/me/takes/take2.wav");
  EXPECT_STREQ(dir.Get(), "/home/me/takes/");
  h.win->panelChoice.clear();
  h.g->PromptForFile(&file, kFileOpen, &dir, ext);
  EXPECT_STREQ(file.Get(), "");  // cancelled
  EXPECT_STREQ(dir.Get(), "/home/me/takes/");
  h.g->PromptForFile(&file, kFileOpen, nullptr, nullptr);  // no directory given: no crash

  EXPECT_TRUE(h.g->OpenURL("https://example.org", nullptr, nullptr, nullptr));
  EXPECT_TRUE(h.g->OpenURL("/tmp/manual.pdf", nullptr, nullptr, nullptr));
  EXPECT_TRUE(h.g->OpenURL(nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(h.win->Count("web https://example.org"), 1);
  EXPECT_EQ(h.win->Count("file /tmp/manual.pdf"), 1);
  EXPECT_FALSE(h.g->PromptForColor(nullptr, nullptr));
}

TEST(ViewHost, ResizeKeepsTheViewInStep) {
  Host h;
  h.g->OpenWindow(nullptr);
  h.g->Resize(365, 574);
  EXPECT_EQ(h.win->Count("size 365x574"), 0);  // unchanged size: nothing
  IRECT r(10, 20, 40, 36);
  h.g->CreateTextEntry(h.probe, h.probe->GetText(), &r, "x", nullptr);
  h.g->Resize(400, 300);  // deletes every control, so the entry of one ends first
  EXPECT_FALSE(h.win->fieldOpen);
  EXPECT_EQ(h.win->Count("size 400x300"), 1);
  EXPECT_EQ(h.plug.resizes, 1);
  h.win->Events()->TextEditingEnded("late");  // touches no deleted control
}

TEST(ViewHost, ImagesByBaseNameOfTypePng) {
  Host h;
  gui_test::ImageFolder folder;
  const LICE_pixel red = LICE_RGBA(255, 0, 0, 255);
  folder.Strip("knob.png", 4, 4, 1, &red);
  h.g->SetResourceFolder(folder.path().c_str());
  std::unique_ptr<LICE_IBitmap> found(h.g->OSLoadBitmap(1, "resources/img/knob.PNG"));
  ASSERT_TRUE(found);
  EXPECT_EQ(found->getWidth(), 4);
  EXPECT_EQ(h.g->OSLoadBitmap(1, "resources/img/knob.jpg"), nullptr);
  EXPECT_EQ(h.g->OSLoadBitmap(1, "missing.png"), nullptr);
  EXPECT_EQ(h.g->OSLoadBitmap(1, nullptr), nullptr);
}

}  // namespace
