#pragma once
// Corvane as LV2 plug-ins: the definition the adapter, the entry point and
// the TTL generator share. Its URIs come with the product's identity:
//
//   kCorvaneLV2Uri       stereo in, stereo out ("2-2")
//   kCorvaneLV2MonoUri   mono in, mono out ("1-1")
//   kCorvaneLV2SplitUri  stereo in, three stereo outputs ("2-6"): the mix,
//                        the transient part, the residual part
//   kCorvaneLV2UiUri     the editor, an X11 UI for both
#include <cstdint>

#include "host/lv2/IPlugLV2.h"
#include "host/lv2/ui/IPlugLV2UI.h"
#include "plugin/CorvaneIdentity.h"

constexpr const char* kCorvaneLV2Binary = "corvane.so";

const IPlugLV2Def& CorvaneLV2Def();
// The descriptor for an index (0 stereo, 1 mono, 2 split outputs), null
// past the last.
const LV2_Descriptor* CorvaneLV2Descriptor(uint32_t index);
// The UI descriptor for an index (0 the editor), null past the last.
const LV2UI_Descriptor* CorvaneLV2UIDescriptor(uint32_t index);
