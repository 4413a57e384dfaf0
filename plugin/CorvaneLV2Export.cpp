// The only symbols the plug-in's shared library exports: the plug-ins' and
// the editor UI's descriptors.
#include "plugin/CorvaneLV2.h"

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
  return CorvaneLV2Descriptor(index);
}

extern "C" LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
  return CorvaneLV2UIDescriptor(index);
}
