#pragma once
// How an Audio Unit host gets the editor view.
//
// The unit's Cocoa UI property names a view factory class; a host finds the
// factory by that name here (FindAUViewFactory), asks it for the view of an
// open unit and embeds the view. The factory takes the plug-in object from
// the unit's component instance storage and opens its editor.
//
// The Carbon view component entry (IPlugAUCarbonViewEntry) is the older way
// in: it answers open, close and create, and its create gives no control in
// this product (the editor has no Carbon drawing surface).
//
// Threads: the host's main (user-interface) thread.
#include <memory>

#include <CoreServices/Components.h>

class IGraphics;
class IPlugBase;

class IPlugAUViewFactory {
public:
  virtual ~IPlugAUViewFactory() = default;

  // The editor's view for the unit, opened into parent (null: the host adds
  // the view itself). Null when the unit has no plug-in or no editor.
  void* uiViewForAudioUnit(ComponentInstance unit, void* parent = nullptr);
  unsigned interfaceVersion() const { return 0; }
  virtual const char* description() const = 0;

  // The plug-in of the last unit asked for (not owned).
  IPlugBase* mPlug = nullptr;
};

using AUViewFactoryMaker = std::unique_ptr<IPlugAUViewFactory> (*)();

// Registers a factory class under its name; a later registration of the
// same name replaces the earlier one.
void RegisterAUViewFactory(const char* className, AUViewFactoryMaker make);
// A new factory of the named class, or null when no class has that name.
std::unique_ptr<IPlugAUViewFactory> FindAUViewFactory(const char* className);

// The editor of a unit opened through the Component Manager: the plug-in
// object in its instance storage and that plug-in's graphics context.
IPlugBase* PlugOfUnit(ComponentInstance unit);
IGraphics* EditorOfPlug(IPlugBase* plug);

// The Carbon view component entry.
ComponentResult IPlugAUCarbonViewEntry(ComponentParameters* params, void* storage);
