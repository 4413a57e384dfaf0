// The state chunk and preset operations of IPlugBase.
//
// State chunk layout: for each parameter in index order its value in real
// units as a little-endian 64-bit double; no header, so N parameters make
// exactly 8 * N bytes. A preset slot's chunk has the same layout, and the
// preset bank is, per slot: name (PutStr), initialised flag (PutBool) and,
// for an initialised slot, its chunk without a length.
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "framework/Base64.h"
#include "framework/IPlugBase.h"
#include "framework/Log.h"

namespace {
constexpr const char* kUserPresetText = "user preset";
// Stands for "not named" in MakePresetFromNamedParams.
constexpr double kUnnamedMarker = 9.999e-8;

bool TakesIntArgument(const IParam* param) {
  const IParam::EParamType type = param->Type();
  return type == IParam::kTypeBool || type == IParam::kTypeInt || type == IParam::kTypeEnum;
}

void InitSlot(IPreset* preset, const char* name) {
  preset->mInitialized = true;
  CopyCutString(preset->mName, kMaxPresetNameLen, name);
  preset->mChunk.Clear();
}

double ReadLittleEndianDouble(const unsigned char* bytes) {
  uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits |= static_cast<uint64_t>(bytes[i]) << (8 * i);
  double value;
  std::memcpy(&value, &bits, sizeof(value));
  return value;
}
}  // namespace

IPreset* GetNextUninitializedPreset(WDL_PtrList<IPreset>* pPresets) {
  if (!pPresets) return nullptr;
  for (int i = 0; i < pPresets->GetSize(); ++i) {
    IPreset* preset = pPresets->Get(i);
    if (!preset->mInitialized) return preset;
  }
  return nullptr;
}

void MakeDefaultUserPresetName(WDL_PtrList<IPreset>* pPresets, char* out) {
  if (!out) return;
  int nUserPresets = 0;
  for (int i = 0; pPresets && i < pPresets->GetSize(); ++i)
    if (std::strstr(pPresets->Get(i)->mName, kUserPresetText)) ++nUserPresets;
  std::snprintf(out, kMaxPresetNameLen, "%s %d", kUserPresetText, nUserPresets + 1);
}

// ---- State ----

bool IPlugBase::SerializeState(ByteChunk* pChunk) { return SerializeParams(pChunk); }

int IPlugBase::UnserializeState(ByteChunk* pChunk, int startPos) {
  return UnserializeParams(pChunk, startPos);
}

bool IPlugBase::SerializeParams(ByteChunk* pChunk) {
  if (!pChunk) return false;
  WDL_MutexLock lock(&mMutex);
  bool savedOK = true;
  for (int i = 0; i < NParams(); ++i) {
    const IParam* param = GetParam(i);
    const double value = param->Value();
    Trace(TRACELOC, "%d %s %f", i, param->GetNameForHost(), value);
    savedOK &= pChunk->Put(&value) > 0;
  }
  return savedOK;
}

int IPlugBase::CheckParams(const ByteChunk* pChunk, int startPos) const {
  if (!pChunk) return -1;
  int pos = startPos;
  for (int i = 0; i < NParams() && pos >= 0; ++i) {
    double value = 0.0;
    pos = pChunk->Get(&value, pos);
    if (pos >= 0 && !std::isfinite(value)) return -1;
  }
  return pos;
}

// A chunk that is short or carries a value that is not a number is refused
// before anything changes: a damaged state is never applied in part.
int IPlugBase::UnserializeParams(ByteChunk* pChunk, int startPos) {
  if (CheckParams(pChunk, startPos) < 0) return -1;
  WDL_MutexLock lock(&mMutex);
  // The audio thread gets the whole state at once, never part of it.
  ParamWriteSection section(this);
  int pos = startPos;
  for (int i = 0; i < NParams(); ++i) {
    IParam* param = GetParam(i);
    Trace(TRACELOC, "%d %s %f", i, param->GetNameForHost(), param->Value());
    double value = 0.0;
    pos = pChunk->Get(&value, pos);
    param->Set(value);  // clamps into the range
  }
  OnParamReset();
  return pos;
}

int IPlugBase::CheckState(const ByteChunk* pChunk, int startPos) const { return CheckParams(pChunk, startPos); }

bool IPlugBase::IsWholeState(const ByteChunk* pChunk) const {
  return pChunk && CheckState(pChunk, 0) == pChunk->Size();
}

bool IPlugBase::CompareState(const unsigned char* incomingState, int startPos) {
  if (NParams() == 0) return true;
  if (!incomingState || startPos < 0) return false;
  WDL_MutexLock lock(&mMutex);
  const unsigned char* data = incomingState + static_cast<size_t>(startPos) * 8;
  for (int i = 0; i < NParams(); ++i) {
    const float stored = static_cast<float>(ReadLittleEndianDouble(data + static_cast<size_t>(i) * 8));
    const float current = static_cast<float>(GetParam(i)->Value());
    if (!(std::fabs(current - stored) < 1e-5f)) return false;
  }
  return true;
}

// ---- Making presets ----

void IPlugBase::MakePreset(const char* name, ...) {
  IPreset* preset = GetNextUninitializedPreset(&mPresets);
  if (!preset) return;
  InitSlot(preset, name);
  va_list values;
  va_start(values, name);
  for (int i = 0; i < NParams(); ++i) {
    const double value = TakesIntArgument(GetParam(i)) ? static_cast<double>(va_arg(values, int))
                                                       : va_arg(values, double);
    preset->mChunk.Put(&value);
  }
  va_end(values);
}

void IPlugBase::MakePresetFromNamedParams(const char* name, int nParamsNamed, ...) {
  IPreset* preset = GetNextUninitializedPreset(&mPresets);
  if (!preset) return;
  InitSlot(preset, name);

  std::vector<double> values(static_cast<size_t>(NParams()), kUnnamedMarker);
  va_list args;
  va_start(args, nParamsNamed);
  for (int j = 0; j < nParamsNamed; ++j) {
    const int paramIdx = va_arg(args, int);
    const IParam* param = GetParam(paramIdx);
    // Without a valid index the type of the next argument is unknown:
    // reading on would be undefined, so the remaining pairs are dropped.
    if (!param) break;
    values[static_cast<size_t>(paramIdx)] =
        TakesIntArgument(param) ? static_cast<double>(va_arg(args, int)) : va_arg(args, double);
  }
  va_end(args);

  WDL_MutexLock lock(&mMutex);
  for (int i = 0; i < NParams(); ++i) {
    double value = values[static_cast<size_t>(i)];
    if (value == kUnnamedMarker) value = GetParam(i)->Value();
    preset->mChunk.Put(&value);
  }
}

void IPlugBase::MakePresetFromChunk(const char* name, ByteChunk* pChunk) {
  IPreset* preset = GetNextUninitializedPreset(&mPresets);
  if (!preset || !pChunk) return;
  InitSlot(preset, name);
  preset->mChunk.PutChunk(pChunk);
}

void IPlugBase::MakePresetFromBlob(const char* name, const char* blob, int sizeOfChunk) {
  IPreset* preset = GetNextUninitializedPreset(&mPresets);
  if (!preset) return;
  InitSlot(preset, name);
  preset->mChunk.Resize(sizeOfChunk);  // zero-filled
  Base64Decode(blob, preset->mChunk.GetBytes(), preset->mChunk.Size());
}

void IPlugBase::MakeDefaultPreset(const char* name, int nPresets) {
  for (int i = 0; i < nPresets; ++i) {
    IPreset* preset = GetNextUninitializedPreset(&mPresets);
    if (!preset) return;
    InitSlot(preset, name ? name : "Empty");
    SerializeState(&preset->mChunk);
  }
}

void IPlugBase::EnsureDefaultPreset() { MakeDefaultPreset("Empty", NPresets()); }

void IPlugBase::PruneUninitializedPresets() {
  for (int i = 0; i < mPresets.GetSize();) {
    if (mPresets.Get(i)->mInitialized)
      ++i;
    else
      mPresets.Delete(i, true);
  }
}

// ---- Selecting presets ----

bool IPlugBase::RestorePreset(int idx) {
  IPreset* preset = mPresets.Get(idx);
  if (!preset) return false;
  if (preset->mInitialized) {
    if (!IsWholeState(&preset->mChunk) || UnserializeState(&preset->mChunk, 0) < 0) return false;
  } else {
    // Selecting an empty slot turns the current sound into a user preset.
    char name[kMaxPresetNameLen];
    MakeDefaultUserPresetName(&mPresets, name);
    InitSlot(preset, name);
    if (!SerializeState(&preset->mChunk)) return false;
  }
  mCurrentPresetIdx = idx;
  PresetsChangedByHost();
  RedrawParamControls();
  return true;
}

bool IPlugBase::RestorePreset(const char* name) {
  if (!name || !name[0]) return false;
  for (int i = 0; i < NPresets(); ++i)
    if (std::strcmp(mPresets.Get(i)->mName, name) == 0) return RestorePreset(i);
  return false;
}

const char* IPlugBase::GetPresetName(int idx) const {
  const IPreset* preset = mPresets.Get(idx);
  return preset ? preset->mName : "";
}

void IPlugBase::ModifyCurrentPreset(const char* name) {
  IPreset* preset = mPresets.Get(mCurrentPresetIdx);
  if (!preset) return;
  preset->mChunk.Clear();
  Trace(TRACELOC, "%d %s", mCurrentPresetIdx, preset->mName);
  SerializeState(&preset->mChunk);
  if (name && name[0]) CopyCutString(preset->mName, kMaxPresetNameLen, name);
}

// ---- Preset bank ----

bool IPlugBase::SerializePresets(ByteChunk* pChunk) {
  if (!pChunk) return false;
  bool savedOK = true;
  for (int i = 0; i < NPresets(); ++i) {
    IPreset* preset = mPresets.Get(i);
    pChunk->PutStr(preset->mName);
    Trace(TRACELOC, "%d %s", i, preset->mName);
    pChunk->PutBool(preset->mInitialized);
    if (preset->mInitialized) savedOK &= pChunk->PutChunk(&preset->mChunk) > 0;
  }
  return savedOK;
}

// The whole bank is read and checked first: a bank that is damaged anywhere
// (a name, a flag or a slot's state that cannot be read whole) changes no
// slot and no parameter.
int IPlugBase::UnserializePresets(ByteChunk* pChunk, int startPos) {
  if (!pChunk) return -1;
  struct SlotRead {
    WDL_String name;
    bool initialized = false;
    int statePos = -1;
  };
  std::vector<SlotRead> slots(static_cast<size_t>(NPresets()));
  int pos = startPos;
  for (SlotRead& slot : slots) {
    pos = pChunk->GetStr(&slot.name, pos);
    pos = pChunk->GetBool(&slot.initialized, pos);
    if (pos < 0) return -1;
    if (slot.initialized) {
      slot.statePos = pos;
      pos = CheckState(pChunk, pos);
      if (pos < 0) return -1;
    }
  }

  for (int i = 0; i < NPresets(); ++i) {
    IPreset* preset = mPresets.Get(i);
    const SlotRead& slot = slots[static_cast<size_t>(i)];
    CopyCutString(preset->mName, kMaxPresetNameLen, slot.name.Get());
    Trace(TRACELOC, "%d %s", i, preset->mName);
    preset->mInitialized = slot.initialized;
    if (slot.initialized) {
      // Stored as the parameters hold it (values clamped into their ranges).
      UnserializeState(pChunk, slot.statePos);
      preset->mChunk.Clear();
      SerializeState(&preset->mChunk);
    }
  }
  RestorePreset(mCurrentPresetIdx);
  return pos;
}

// ---- Developer dumps ----

void IPlugBase::DumpPresetSrcCode(const char* filename, const char* paramEnumNames[]) {
  if (!filename) return;
  FILE* file = std::fopen(filename, "w");
  if (!file) return;
  WDL_MutexLock lock(&mMutex);
  std::fprintf(file, "  MakePresetFromNamedParams(\"name\", %d", NParams());
  for (int i = 0; i < NParams(); ++i) {
    const IParam* param = GetParam(i);
    char valueText[64];
    switch (param->Type()) {
      case IParam::kTypeBool:
        std::snprintf(valueText, sizeof(valueText), "%s", param->Value() >= 0.5 ? "true" : "false");
        break;
      case IParam::kTypeInt:
      case IParam::kTypeEnum:
        std::snprintf(valueText, sizeof(valueText), "%d", param->Int());
        break;
      default:
        std::snprintf(valueText, sizeof(valueText), "%.6f", param->Value());
        break;
    }
    const char* enumName = paramEnumNames && paramEnumNames[i] ? paramEnumNames[i] : "";
    std::fprintf(file, ",\n    %s, %s", enumName, valueText);
  }
  std::fprintf(file, ");\n");
  std::fclose(file);
}

bool IPlugBase::GetPresetBlobText(WDL_String* out) const {
  if (!out) return false;
  out->Set("");
  const IPreset* preset = mPresets.Get(mCurrentPresetIdx);
  if (!preset) return false;
  // The text is sized to the chunk, whatever its length.
  WDL_String encoded;
  Base64Encode(preset->mChunk.GetBytes(), preset->mChunk.Size(), &encoded);
  out->SetFormatted(0, "MakePresetFromBlob(\"name\", \"%s\", %i);\n", encoded.Get(),
                    preset->mChunk.Size());
  return true;
}

void IPlugBase::DumpPresetBlob(const char* filename) {
  if (!filename) return;
  WDL_String text;
  if (!GetPresetBlobText(&text)) return;
  FILE* file = std::fopen(filename, "w");
  if (!file) return;
  std::fputs(text.Get(), file);
  std::fclose(file);
}
