#include "gui/IGraphicsHeadless.h"

#include <cstring>

#include "lice/LiceBitmap.h"
#include "lice/LicePng.h"

std::string ResourceBaseName(const char* name) {
  if (!name) return "";
  const char* slash = std::strrchr(name, '/');
  return slash ? slash + 1 : name;
}

IGraphicsHeadless::IGraphicsHeadless(IPlugBase* plug, int w, int h, int fps, const char* resourceDir)
    : IGraphics(plug, w, h, fps), mResourceDir(resourceDir ? resourceDir : "") {}

bool IGraphicsHeadless::DrawScreen(IRECT* rect) {
  ++mScreenDraws;
  if (rect) mLastScreenRect = *rect;
  return true;
}

void IGraphicsHeadless::DrawAll() {
  if (!GetDrawBitmap()) PrepDraw();
  IRECT all(0, 0, Width(), Height());
  Draw(&all);
}

bool IGraphicsHeadless::WriteSnapshot(const char* pngPath) {
  DrawAll();
  return LICE_WritePNG(pngPath, GetDrawBitmap(), false);
}

int IGraphicsHeadless::ShowMessageBox(const char*, const char*, int) { return 1; }

IPopupMenu* IGraphicsHeadless::CreateIPopupMenu(IPopupMenu* menu, IRECT*) {
  ReleaseMouseCapture();
  mLastMenuTexts.clear();
  if (!menu) return nullptr;
  for (int i = 0; i < menu->GetNItems(); ++i) mLastMenuTexts.push_back(menu->GetItemText(i));
  if (mMenuChoice < 0 || mMenuChoice >= menu->GetNItems()) return nullptr;
  menu->SetChosenItemIdx(mMenuChoice);
  return menu;
}

void IGraphicsHeadless::CreateTextEntry(IControl* control, IText*, IRECT*, const char* str,
                                        IParam* param) {
  mLastTextEntry = str ? str : "";
  mTextEntryControl = control;
  mTextEntryParam = param;
}

void IGraphicsHeadless::PromptForFile(WDL_String* fileName, EFileAction, WDL_String*, char*) {
  if (fileName) fileName->Set("");  // no window: nothing is chosen
}

bool IGraphicsHeadless::OpenURL(const char* url, const char*, const char*, const char*) {
  mOpenedURLs.push_back(url ? url : "");
  return mOpenURLResult;
}

LICE_IBitmap* IGraphicsHeadless::OSLoadBitmap(int, const char* name) {
  if (!name) return nullptr;
  const std::string base = ResourceBaseName(name);
  const std::string path = mResourceDir.empty() ? base : mResourceDir + "/" + base;
  return LICE_LoadPNG(path.c_str());
}
