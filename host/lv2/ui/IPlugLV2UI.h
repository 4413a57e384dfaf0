#pragma once
// The LV2 editor UI of a plug-in built on IPlugLV2: an X11 UI (ui:X11UI)
// that shows the plug-in's own editor, the X11 graphics context it built at
// construction. For any plug-in of the framework whose definition names a
// UI URI; the plug-in's library exports the descriptor as lv2ui_descriptor.
//
// The UI works on the running plug-in object itself, which the host hands
// over through instance access, so the editor always shows the plug-in's
// parameter values and meters; editor changes reach the plug-in through its
// own GUI path (SetParameterFromGUI, under the plug-in's lock) and the host
// hears them on the next idle call, written to its control ports (with
// ui:touch gestures when the host offers them).
//
// Host features:
//   instance-access    required: without it instantiate returns null.
//   ui:idleInterface   required: the editor handles its events and redraws
//                      only in idle(); without it instantiate returns null.
//   ui:parent          optional: the X window to embed the editor into.
//                      Without it the editor opens as a top-level window
//                      titled with the plug-in's name, which is returned as
//                      the widget (a host may reparent it).
//   ui:resize          optional: told the editor's size at instantiation
//                      and whenever the editor changes it (in pixels: the
//                      editor's size times its scale).
//   options            optional (with urid:map): ui:scaleFactor, a float
//                      (or double or integer), draws the editor at 2x from
//                      1.5 up and at 1x below; without it the editor is 1x.
//   ui:touch           optional: begin/end of every editor gesture.
//   log:log            optional (with urid:map): why an instantiation failed.
//
// One editor per plug-in instance: a second UI for an instance whose editor
// is already open is refused (null). cleanup closes the window; the plug-in
// keeps running, and a new UI may be opened on it any number of times.
// port_event is not needed for values (the editor reads the plug-in) and
// ignores them.
//
// Threads: every UI entry point runs on the host's UI thread, the same one
// for the life of a UI instance. No exception leaves an entry point.
#include <lv2/ui/ui.h>

#include "host/lv2/IPlugLV2.h"

// The descriptor the host sees, followed by the plug-in definition it
// belongs to; the host's LV2UI_Descriptor pointer is a pointer to this.
struct IPlugLV2UIDescriptor {
  LV2UI_Descriptor lv2;
  const IPlugLV2Def* def;
};

// Fills the UI descriptor of a plug-in definition (def->uiUri: its URI).
void FillLV2UIDescriptor(IPlugLV2UIDescriptor* pDesc, const IPlugLV2Def* pDef);
