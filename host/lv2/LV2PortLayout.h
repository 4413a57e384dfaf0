#pragma once
// The port indices of an LV2 plug-in built by IPlugLV2, shared by the
// adapter and the TTL generator so the two can never disagree:
//   control ports, one per parameter in index order, except that the
//     parameters of a choice (IPlugLV2Choice: several parameters that are 0
//     or 1, one of them at 1) share one enumeration port, placed where the
//     choice's first parameter comes;
//   then "enabled", "latency", the audio inputs and the audio outputs.
// Control ports come first, so a parameter has the same port in every
// variant. Made when an instance or the bundle's description is built;
// read-only afterwards (any thread).
#include <cstdint>
#include <vector>

struct IPlugLV2Def;

struct LV2PortLayout {
  int nParams = 0;
  int nIn = 0;
  int nOut = 0;
  std::vector<int> controls;         // per control port: its parameter, or -1 - its choice
  std::vector<uint32_t> paramPorts;  // per parameter: the control port that carries it

  int NControls() const { return static_cast<int>(controls.size()); }
  uint32_t Param(int paramIdx) const {
    return paramIdx >= 0 && paramIdx < static_cast<int>(paramPorts.size()) ? paramPorts[paramIdx] : NPorts();
  }
  uint32_t Enabled() const { return static_cast<uint32_t>(NControls()); }
  uint32_t Latency() const { return static_cast<uint32_t>(NControls() + 1); }
  uint32_t AudioIn(int ch) const { return static_cast<uint32_t>(NControls() + 2 + ch); }
  uint32_t AudioOut(int ch) const { return static_cast<uint32_t>(NControls() + 2 + nIn + ch); }
  uint32_t NPorts() const { return static_cast<uint32_t>(NControls() + 2 + nIn + nOut); }

  // The parameter a control port carries alone, or -1.
  int ParamOfPort(uint32_t port) const {
    return port < controls.size() && controls[port] >= 0 ? controls[port] : -1;
  }
  // The choice a control port carries, or -1.
  int ChoiceOfPort(uint32_t port) const {
    return port < controls.size() && controls[port] < 0 ? -1 - controls[port] : -1;
  }
};

// The layout for nParams parameters, the definition's choices (def may be
// null: no choices) and a variant's channels. False when a choice names a
// parameter that does not exist, or one another choice already has.
bool MakeLV2PortLayout(int nParams, const IPlugLV2Def* def, int nIn, int nOut, LV2PortLayout* layout);
