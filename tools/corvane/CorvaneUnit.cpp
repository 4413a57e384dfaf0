#include "tools/corvane/CorvaneUnit.h"

#include <CoreServices/ComponentRegistry.h>

#include <mutex>
#include <string>

#include "plugin/Corvane.h"
#include "gui/IGraphics.h"
#include "host/au/view/AUViewFactory.h"
#include "lice/LicePng.h"
#include "tools/auhost/AtomicFile.h"

Component CorvaneComponent() {
  static Component component = nullptr;
  static std::once_flag once;
  std::call_once(once, [] {
    ComponentDescription cd = {};
    cd.componentType = kAudioUnitType_Effect;
    cd.componentSubType = static_cast<OSType>(kCorvaneUniqueID);
    cd.componentManufacturer = static_cast<OSType>(kCorvaneUniqueID);
    const std::string name = std::string(kCorvaneMaker) + ": " + kCorvaneName;
    component = RegisterComponentEntry(&cd, reinterpret_cast<ComponentRoutineUPP>(&Corvane_Entry), name.c_str());
  });
  return component;
}

bool OpenCorvane(AUHost* unit, int nChannels, double sampleRate, int maxFrames, std::string* error) {
  Component component = CorvaneComponent();
  if (!component) {
    *error = "the Corvane component could not be registered";
    return false;
  }
  return unit->Open(component, error) && unit->Configure(nChannels, sampleRate, maxFrames, error);
}

IGraphics* EditorOf(const AUHost& unit) { return EditorOfPlug(PlugOfUnit(unit.Unit())); }

bool WriteEditorSnapshot(const AUHost& unit, const std::string& pngPath, int scale, std::string* error) {
  IGraphics* editor = EditorOf(unit);
  if (!editor) {
    *error = "the plug-in has no editor";
    return false;
  }
  if (!editor->SetScale(scale)) {
    *error = "the editor cannot be drawn at scale " + std::to_string(scale);
    return false;
  }
  // This thread is the editor's user-interface thread here: the values the
  // settings and the run posted reach the controls before they draw.
  editor->ApplyPlugUpdates();
  if (!editor->GetDrawBitmap()) editor->PrepDraw();
  IRECT all(0, 0, editor->Width(), editor->Height());
  editor->Draw(&all);
  TempFile file;
  if (!file.Create(pngPath, error)) return false;
  if (!LICE_WritePNG(file.Path().c_str(), editor->GetDrawBitmap(), false)) {
    *error = "cannot write " + pngPath;
    return false;
  }
  return file.Commit(error);
}
