#pragma once
// A graphics context with no window: it draws into its back buffer only.
// Tests drive it like a view host would, and it renders editor snapshots.
// Images are looked up by base name in a resource folder.
#include <string>
#include <vector>

#include "gui/IGraphics.h"

class IGraphicsHeadless : public IGraphics {
public:
  IGraphicsHeadless(IPlugBase* plug, int w, int h, int fps = 0, const char* resourceDir = "");

  void SetResourceDir(const char* dir) { mResourceDir = dir ? dir : ""; }

  // Draws every control into the back buffer (whatever is dirty) and writes it as a PNG.
  bool WriteSnapshot(const char* pngPath);
  // Redraws the whole editor into the back buffer.
  void DrawAll();

  bool DrawScreen(IRECT* rect) override;
  void ForceEndUserEdit() override {}
  const char* GetGUIAPI() override { return "headless"; }
  int ShowMessageBox(const char* text, const char* caption, int type) override;
  IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, IRECT* rect) override;
  void CreateTextEntry(IControl* control, IText* text, IRECT* rect, const char* str,
                       IParam* param) override;
  void HostPath(WDL_String* path) override {}
  void PluginPath(WDL_String* path) override {}
  void DesktopPath(WDL_String* path) override {}
  void PromptForFile(WDL_String* fileName, EFileAction action, WDL_String* dir,
                     char* extensions) override;
  bool PromptForColor(IColor* color, char* prompt) override { return false; }
  bool OpenURL(const char* url, const char* windowTitle, const char* confirmMsg,
               const char* errMsg) override;
  void* OpenWindow(void* parent) override { return nullptr; }
  void CloseWindow() override {}
  void* GetWindow() override { return nullptr; }
  LICE_IBitmap* OSLoadBitmap(int id, const char* name) override;

  // What the platform operations were asked (for tests).
  int mScreenDraws = 0;
  IRECT mLastScreenRect;
  std::string mLastTextEntry;
  IControl* mTextEntryControl = nullptr;
  IParam* mTextEntryParam = nullptr;
  std::vector<std::string> mLastMenuTexts;
  int mMenuChoice = -1;  // the item a test "picks" in the next popup menu
  std::vector<std::string> mOpenedURLs;
  bool mOpenURLResult = true;

private:
  std::string mResourceDir;
};

// The base name of a resource path ("resources/img/knob.png" -> "knob.png").
std::string ResourceBaseName(const char* name);
