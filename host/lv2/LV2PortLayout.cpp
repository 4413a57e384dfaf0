#include "host/lv2/LV2PortLayout.h"

#include "host/lv2/IPlugLV2.h"

bool MakeLV2PortLayout(int nParams, const IPlugLV2Def* def, int nIn, int nOut, LV2PortLayout* layout) {
  LV2PortLayout l;
  l.nParams = nParams;
  l.nIn = nIn;
  l.nOut = nOut;
  std::vector<int> choiceOf(static_cast<size_t>(nParams > 0 ? nParams : 0), -1);
  for (int c = 0; def && c < def->nChoices; ++c) {
    const IPlugLV2Choice& choice = def->choices[c];
    if (choice.nParams < 2 || !choice.params) return false;
    for (int j = 0; j < choice.nParams; ++j) {
      const int p = choice.params[j];
      if (p < 0 || p >= nParams || choiceOf[static_cast<size_t>(p)] >= 0) return false;
      choiceOf[static_cast<size_t>(p)] = c;
    }
  }
  std::vector<int> choicePort(static_cast<size_t>(def ? def->nChoices : 0), -1);
  l.paramPorts.assign(static_cast<size_t>(nParams > 0 ? nParams : 0), 0);
  for (int p = 0; p < nParams; ++p) {
    const int c = choiceOf[static_cast<size_t>(p)];
    if (c < 0) {
      l.paramPorts[static_cast<size_t>(p)] = static_cast<uint32_t>(l.controls.size());
      l.controls.push_back(p);
      continue;
    }
    if (choicePort[static_cast<size_t>(c)] < 0) {
      choicePort[static_cast<size_t>(c)] = static_cast<int>(l.controls.size());
      l.controls.push_back(-1 - c);
    }
    l.paramPorts[static_cast<size_t>(p)] = static_cast<uint32_t>(choicePort[static_cast<size_t>(c)]);
  }
  *layout = std::move(l);
  return true;
}
