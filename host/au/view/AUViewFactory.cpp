#include "host/au/view/AUViewFactory.h"

#include <map>
#include <mutex>
#include <string>

#include <AudioUnit/AudioUnitCarbonView.h>

#include "framework/IPlugBase.h"
#include "framework/Log.h"
#include "gui/IGraphics.h"

namespace {

struct Registry {
  std::mutex lock;  // registrations may run from static initialisers of several libraries
  std::map<std::string, AUViewFactoryMaker> makers;
};

Registry& registry() {
  static Registry r;
  return r;
}

// One long slot per argument, the last declared argument first.
template <class T>
T Arg(const ComponentParameters* params, int n, int i) {
  return reinterpret_cast<T>(params->params[n - 1 - i]);
}

bool HasArgs(const ComponentParameters* params, int n) {
  return static_cast<size_t>(params->paramSize) >= static_cast<size_t>(n) * sizeof(long);
}

// What the Carbon view component keeps per instance.
struct CarbonViewRecord {
  ComponentInstance mCI = nullptr;
  IPlugBase* mPlug = nullptr;
};

}  // namespace

void RegisterAUViewFactory(const char* className, AUViewFactoryMaker make) {
  if (!className || !make) return;
  Registry& r = registry();
  std::lock_guard<std::mutex> guard(r.lock);
  r.makers[className] = make;
}

std::unique_ptr<IPlugAUViewFactory> FindAUViewFactory(const char* className) {
  if (!className) return nullptr;
  Registry& r = registry();
  AUViewFactoryMaker make = nullptr;
  {
    std::lock_guard<std::mutex> guard(r.lock);
    auto it = r.makers.find(className);
    if (it != r.makers.end()) make = it->second;
  }
  return make ? make() : nullptr;
}

IPlugBase* PlugOfUnit(ComponentInstance unit) {
  return unit ? reinterpret_cast<IPlugBase*>(GetComponentInstanceStorage(unit)) : nullptr;
}

IGraphics* EditorOfPlug(IPlugBase* plug) {
  return plug ? dynamic_cast<IGraphics*>(plug->GetGUI()) : nullptr;
}

void* IPlugAUViewFactory::uiViewForAudioUnit(ComponentInstance unit, void* parent) {
  mPlug = PlugOfUnit(unit);
  IGraphics* editor = EditorOfPlug(mPlug);
  if (!editor) return nullptr;
  return editor->OpenWindow(parent);
}

ComponentResult IPlugAUCarbonViewEntry(ComponentParameters* params, void* storage) {
  if (!params) return paramErr;
  const int select = params->what;
  Trace(TRACELOC, "%d:%s", select, AUSelectStr(select));
  try {
    switch (select) {
      case kComponentOpenSelect: {
        if (!HasArgs(params, 1)) return paramErr;
        auto* record = new CarbonViewRecord;
        record->mCI = Arg<ComponentInstance>(params, 1, 0);
        SetComponentInstanceStorage(record->mCI, reinterpret_cast<Handle>(record));
        return noErr;
      }
      case kComponentCloseSelect: {
        auto* record = static_cast<CarbonViewRecord*>(storage);
        if (!record) return badComponentInstance;
        if (IGraphics* editor = EditorOfPlug(record->mPlug)) editor->CloseWindow();
        delete record;
        return noErr;
      }
      case kAudioUnitCarbonViewCreateSelect: {
        auto* record = static_cast<CarbonViewRecord*>(storage);
        if (!record) return badComponentInstance;
        // (unit, window, parent control, location, size, out control)
        if (!HasArgs(params, 6)) return paramErr;
        IPlugBase* plug = PlugOfUnit(Arg<ComponentInstance>(params, 6, 0));
        IGraphics* editor = EditorOfPlug(plug);
        if (!editor) return badComponentSelector;
        record->mPlug = plug;
        auto* window = Arg<WindowRef>(params, 6, 1);
        auto* parentControl = Arg<ControlRef>(params, 6, 2);
        auto* outControl = Arg<ControlRef*>(params, 6, 5);
        void* control = editor->OpenWindow(window, parentControl, 0, 0);
        if (outControl) *outControl = static_cast<ControlRef>(control);
        // No control made (the editor has no Carbon surface): say so rather
        // than hand the host success with a null control.
        return control ? noErr : badComponentSelector;
      }
      default:
        return badComponentSelector;
    }
  } catch (...) {
    return memFullErr;
  }
}
