#pragma once
// The port indices of an LV2 plug-in built by IPlugLV2, shared by the
// adapter and the TTL generator so the two can never disagree. Control
// ports come first, so a parameter has the same index in every variant.
#include <cstdint>

struct LV2PortLayout {
  int nParams = 0;
  int nIn = 0;
  int nOut = 0;

  uint32_t Param(int paramIdx) const { return static_cast<uint32_t>(paramIdx); }
  uint32_t Enabled() const { return static_cast<uint32_t>(nParams); }
  uint32_t Latency() const { return static_cast<uint32_t>(nParams + 1); }
  uint32_t AudioIn(int ch) const { return static_cast<uint32_t>(nParams + 2 + ch); }
  uint32_t AudioOut(int ch) const { return static_cast<uint32_t>(nParams + 2 + nIn + ch); }
  uint32_t NPorts() const { return static_cast<uint32_t>(nParams + 2 + nIn + nOut); }

  // The parameter behind a port index, or -1.
  int ParamOfPort(uint32_t port) const {
    return port < static_cast<uint32_t>(nParams) ? static_cast<int>(port) : -1;
  }
};
