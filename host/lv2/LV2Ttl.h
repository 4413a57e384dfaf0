#pragma once
// The Turtle description of an LV2 bundle, generated from a plug-in object
// built with IPlugLV2 so that the description always matches the code: its
// ports (LV2PortLayout), the parameters' names, ranges, defaults, toggles,
// integer hints, units and value texts, the latency and enable ports, the
// state interface, the editor UI and the factory presets (as LV2 presets
// carrying both port values and the exact state chunk).
//
// Main thread. The plug-in's presets are restored one after the other while
// the presets file is written, so pass a plug-in made for the purpose.
#include <string>
#include <vector>

#include "host/lv2/IPlugLV2.h"

struct LV2TtlFiles {
  std::string manifest;  // manifest.ttl
  std::string plugin;    // <pluginTtlName>: plug-ins, ports and the UI
  std::string presets;   // presets.ttl
};

// The port symbols of the parameters: the name (or the definition's name)
// lower-cased with every other character made "_", "param_N" when empty,
// made unique with a numeric suffix. These are what hosts save sessions by:
// renaming a parameter renames its symbol.
std::vector<std::string> LV2ParamSymbols(IPlugLV2& plug, const IPlugLV2Def& def);
// The symbols of the control ports, in port order: a parameter's, or a
// choice's own.
std::vector<std::string> LV2ControlSymbols(IPlugLV2& plug, const IPlugLV2Def& def);
// The name a host shows for a parameter's port.
std::string LV2ParamName(IPlugLV2& plug, const IPlugLV2Def& def, int paramIdx);

// Builds the three files. withUI: describe the editor UI (def.uiUri). False
// with a message when a variant does not fit the plug-in's configurations.
bool MakeLV2Ttl(IPlugLV2& plug, const IPlugLV2Def& def, const char* pluginTtlName, bool withUI,
                LV2TtlFiles* pFiles, std::string* pError);
