// Corvane's LV2 definition and descriptors.
#include "plugin/CorvaneLV2.h"

#include "engine/ParameterLaws.h"
#include "plugin/Corvane.h"
#include "plugin/CorvaneFaderScale.h"

namespace {

IPlugLV2* MakeCorvane() { return MakePlug(); }

// The split variant's outputs: the mix first, where the stereo plug-in has
// its output, so it drops in where that one was; then each part as it
// enters the mix.
const IPlugLV2OutputGroup kSplitGroups[] = {
    {"out", "Mix", 0},
    {"transient", "Transient", kCorvaneFirstPartOutput},
    {"residual", "Residual", kCorvaneFirstPartOutput + 2},
};

const IPlugLV2Variant kVariants[] = {
    {kCorvaneLV2Uri, 2, 2, ""},
    {kCorvaneLV2MonoUri, 1, 1, " (mono)"},
    {kCorvaneLV2SplitUri, 2, 2 + 4, " (split outputs)", kSplitGroups,
     static_cast<int>(sizeof(kSplitGroups) / sizeof(kSplitGroups[0]))},
};

// The two solo parameters have no name in the plug-in; ports need one.
const char* const kParamNames[kNumCorvaneParams] = {
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    "Solo Transient", "Solo Residual", nullptr, nullptr, nullptr};

// The three mode buttons are one choice of wavelet for a host.
const int kModeParams[] = {kMode1, kMode2, kMode3};
const char* const kModeLabels[] = {"Haar", "Daubechies-4", "Biorthogonal 6.8"};
const IPlugLV2Choice kChoices[] = {{"wavelet", "Wavelet", 3, kModeParams, kModeLabels}};

// The faders' marks and the pans' ends and centre, where a host can show them.
double FaderAt(int part, double db) { return FaderPositionForDb(db, PartFaderScale(part)); }
const IPlugLV2ScalePoint kScalePoints[] = {
    {kTransient, 1.0, "+12 dB"}, {kTransient, FaderAt(0, 0.0), "0 dB"},
    {kTransient, FaderAt(0, -36.0), "-36 dB"}, {kTransient, 0.0, "-inf"},
    {kResidual, 1.0, "+12 dB"}, {kResidual, FaderAt(1, 0.0), "0 dB"},
    {kResidual, FaderAt(1, -36.0), "-36 dB"}, {kResidual, 0.0, "-inf"},
    {kPan1, 0.0, "L"}, {kPan1, 0.5, "C"}, {kPan1, 1.0, "R"},
    {kPan2, 0.0, "L"}, {kPan2, 0.5, "C"}, {kPan2, 1.0, "R"},
};

const IPlugLV2Def kDef = {
    MakeCorvane,
    kVariants,
    static_cast<int>(sizeof(kVariants) / sizeof(kVariants[0])),
    kCorvaneLV2StateKey,
    kCorvaneLV2PresetPrefix,
    kCorvaneLV2UiUri,
    "DynamicsPlugin",
    kCorvaneLV2Binary,
    kParamNames,
    nullptr,
    kChoices,
    static_cast<int>(sizeof(kChoices) / sizeof(kChoices[0])),
    kScalePoints,
    static_cast<int>(sizeof(kScalePoints) / sizeof(kScalePoints[0])),
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
