#pragma once
// A window system that records what the view host asks of it and answers
// as a test tells it to. Events are sent to the view by calling the
// ViewEvents the view registered (Events()).
#include <string>
#include <vector>

#include "gui/viewhost/ViewWindowing.h"

namespace mac_test {

class RecordingWindowing : public ViewWindowing {
public:
  explicit RecordingWindowing(ViewGeometry geometry = kCocoaGeometry) : mGeometry(geometry) {}

  ViewGeometry Geometry() const override { return mGeometry; }
  const char* Name() const override { return "Cocoa gui"; }
  bool CreateView(void* parent, int w, int h, ViewEvents* events) override {
    calls.push_back("create " + std::to_string(w) + "x" + std::to_string(h));
    if (failCreate) return false;
    mEvents = events;
    mParent = parent;
    return true;
  }
  void DestroyView() override {
    calls.push_back("destroy");
    mEvents = nullptr;
  }
  void* ViewHandle() override { return mEvents ? &mHandle : nullptr; }
  void SetViewSize(int w, int h) override { calls.push_back("size " + std::to_string(w) + "x" + std::to_string(h)); }
  int StartTimer(double seconds) override {
    timerInterval = seconds;
    calls.push_back("start timer");
    return ++lastTimer;
  }
  void StopTimer(int id) override { calls.push_back("stop timer " + std::to_string(id)); }
  void SetNeedsDisplay(const ViewRect& r) override { needsDisplay.push_back(r); }
  bool DrawBackBuffer(LICE_IBitmap*, const IRECT& region) override {
    screenRegions.push_back(region);
    return true;
  }
  bool OpenTextField(const ViewTextField& f) override {
    ++fieldsOpened;
    fieldOpen = true;
    fieldRect = f.rect;
    fieldText = f.initialText;
    fieldFontSize = f.fontSize;
    fieldHasFormatter = f.formatter != nullptr;
    if (f.formatter) formatter = *f.formatter;
    return true;
  }
  void CloseTextField() override { fieldOpen = false; }
  const ViewMenuItem* PopUpMenu(const ViewMenu& menu, double x, double y) override {
    menuAnchorX = x;
    menuAnchorY = y;
    shownTitles.clear();
    for (const ViewMenuItem& item : menu.items) shownTitles.push_back(item.title);
    const ViewMenu* m = &menu;
    const ViewMenuItem* item = nullptr;
    for (int index : pickPath) {  // top-level index, then indices in submenus
      if (!m || index < 0 || index >= static_cast<int>(m->items.size())) return nullptr;
      item = &m->items[index];
      m = item->submenu.get();
    }
    return item;
  }
  int RunAlert(const ViewAlert& a) override {
    lastAlert = a;
    return alertPress;
  }
  bool HideCursor() override {
    calls.push_back("hide cursor");
    return cursorOk;
  }
  bool ShowCursor() override {
    calls.push_back("show cursor");
    return cursorOk;
  }
  bool CursorPosition(int* x, int* y) override {
    *x = cursorX;
    *y = cursorY;
    return true;
  }
  void MoveCursor(int x, int y) override { calls.push_back("move cursor " + std::to_string(x) + "," + std::to_string(y)); }
  bool RunFilePanel(const ViewFilePanel& p, std::string* chosen) override {
    lastPanel = p;
    if (panelChoice.empty()) return false;
    *chosen = panelChoice;
    return true;
  }
  bool OpenURL(const std::string& url, bool isWeb) override {
    calls.push_back(std::string(isWeb ? "web " : "file ") + url);
    return true;
  }

  ViewEvents* Events() { return mEvents; }
  void* Parent() const { return mParent; }
  int Count(const std::string& call) const {
    int n = 0;
    for (const std::string& c : calls) n += c == call ? 1 : 0;
    return n;
  }

  // Answers.
  bool failCreate = false;
  std::vector<int> pickPath;  // empty: the menu closes with nothing chosen
  int alertPress = kAlertDefault;
  bool cursorOk = true;
  int cursorX = 100, cursorY = 200;
  std::string panelChoice;

  // Records.
  std::vector<std::string> calls;
  double timerInterval = 0;
  int lastTimer = 0;
  std::vector<ViewRect> needsDisplay;
  std::vector<IRECT> screenRegions;
  int fieldsOpened = 0;
  bool fieldOpen = false, fieldHasFormatter = false;
  ViewRect fieldRect;
  std::string fieldText;
  float fieldFontSize = 0;
  CocoaFormatter_vCorvane_au formatter;
  double menuAnchorX = 0, menuAnchorY = 0;
  std::vector<std::string> shownTitles;
  ViewAlert lastAlert;
  ViewFilePanel lastPanel;

private:
  ViewGeometry mGeometry;
  ViewEvents* mEvents = nullptr;
  void* mParent = nullptr;
  int mHandle = 0;
};

}  // namespace mac_test
