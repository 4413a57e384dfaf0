// The only symbol the plug-in's shared library exports (with the UI's).
#include "host/lv2/CorvaneLV2.h"

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
  return CorvaneLV2Descriptor(index);
}
