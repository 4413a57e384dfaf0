// Corvane's LV2 definition and descriptors.
#include "engine/plugin/CorvaneLV2.h"

#include "engine/plugin/Corvane.h"

namespace {

IPlugLV2* MakeCorvane() { return MakePlug(); }

const IPlugLV2Variant kVariants[] = {
    {kCorvaneLV2Uri, 2, 2, ""},
    {kCorvaneLV2MonoUri, 1, 1, " (mono)"},
};

// The two solo parameters have no name in the plug-in; ports need one.
const char* const kParamNames[kNumCorvaneParams] = {
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    "Solo Transient", "Solo Residual", nullptr, nullptr, nullptr};

const IPlugLV2Def kDef = {
    MakeCorvane,
    kVariants,
    static_cast<int>(sizeof(kVariants) / sizeof(kVariants[0])),
    kCorvaneLV2StateKey,
    "urn:velmora:corvane:preset:",
    kCorvaneLV2UiUri,
    "DynamicsPlugin",
    kCorvaneLV2Binary,
    kParamNames,
    nullptr,
};

}  // namespace

const IPlugLV2Def& CorvaneLV2Def() { return kDef; }

const LV2_Descriptor* CorvaneLV2Descriptor(uint32_t index) {
  static const struct Descriptors {
    IPlugLV2Descriptor d[sizeof(kVariants) / sizeof(kVariants[0])];
    Descriptors() {
      for (int i = 0; i < kDef.nVariants; ++i) IPlugLV2::FillDescriptor(&d[i], &kDef, i);
    }
  } kDescriptors;
  if (index >= static_cast<uint32_t>(kDef.nVariants)) return nullptr;
  return &kDescriptors.d[index].lv2;
}

const LV2UI_Descriptor* CorvaneLV2UIDescriptor(uint32_t index) {
  static const struct UIDescriptor {
    IPlugLV2UIDescriptor d;
    UIDescriptor() { FillLV2UIDescriptor(&d, &kDef); }
  } kUI;
  return index == 0 ? &kUI.d.lv2 : nullptr;
}
