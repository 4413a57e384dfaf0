#pragma once
// IParam: one automatable parameter.
//
// The value lives in real units in [mMin, mMax]. Host, editor and parameter
// model exchange it normalized to 0..1 through
//     normalized = ((value - mMin) / (mMax - mMin)) ^ (1 / mShape)
//     value      = mMin + (mMax - mMin) * normalized ^ mShape
// where bool, int and enum values snap to the nearest multiple of mStep
// (counted from 0, not from mMin). A shape above 1 gives finer control near
// the bottom of the range.
//
// Threads: an IParam has no lock. Its value is one atomic number, so any
// thread may store or read it: writers on the main and editor threads run
// under the plug-in's lock (host parameter calls, preset and state restore,
// editor edits), a host adapter's audio thread stores port values without
// it. Everything else (range, names, texts) is set while the plug-in is
// built and only read afterwards.
#include <atomic>

#include "framework/Containers.h"

// Size of the name, label, group and display-text fields, terminator included;
// longer strings are cut.
constexpr int kMaxParamNameLen = 32;
// Default room for GetDisplayForHost's output, terminator included.
constexpr int kMaxParamDisplayLen = 32;

class IParam {
public:
  enum EParamType { kTypeNone = 0, kTypeBool = 1, kTypeInt = 2, kTypeEnum = 3, kTypeDouble = 4 };

  IParam() = default;
  IParam(const IParam&) = delete;
  IParam& operator=(const IParam&) = delete;

  // Declaration. Each sets the type only while it is still kTypeNone, and
  // copies name, label and group (null reads as "").
  void InitBool(const char* name, bool defaultVal, const char* label = "", const char* group = "");
  void InitEnum(const char* name, int defaultVal, int nEnums, const char* label = "",
                const char* group = "");
  void InitInt(const char* name, int defaultVal, int minVal, int maxVal, const char* label = "",
               const char* group = "");
  void InitDouble(const char* name, double defaultVal, double minVal, double maxVal, double step,
                  const char* label = "", const char* group = "");

  // Appends a text for a value; an earlier record with the same value wins.
  void SetDisplayText(int value, const char* text);
  // Ignored for exactly 0.
  void SetShape(double shape);
  void NegateDisplay() { mNegateDisplay = true; }
  void SetCanAutomate(bool canAutomate) { mCanAutomate = canAutomate; }

  // Real-unit access; Set clamps into [mMin, mMax] (±inf too) and ignores NaN.
  void Set(double value);
  double Value() const { return mValue.load(std::memory_order_relaxed); }
  bool Bool() const { return Value() >= 0.5; }
  int Int() const { return static_cast<int>(Value()); }
  double DBToAmp() const;

  // Normalized access. Arguments below 0 (and NaN) count as 0; above 1 the
  // value is held at mMax.
  void SetNormalized(double normalizedValue);
  // The real value SetNormalized would store, without storing it.
  double FromNormalized(double normalizedValue) const;
  double GetNormalized() const { return GetNormalized(Value()); }
  double GetNormalized(double nonNormalizedValue) const;

  // Writes the text shown for a value (normalized or in real units) into out,
  // which holds outSize bytes; a display text replaces the number when
  // withDisplayText is set and the value (truncated) has a non-empty one.
  void GetDisplayForHost(double value, bool normalized, char* out, bool withDisplayText = true,
                         int outSize = kMaxParamDisplayLen) const;
  // The current value's text.
  void GetDisplayForHost(char* out, bool withDisplayText = true,
                         int outSize = kMaxParamDisplayLen) const {
    GetDisplayForHost(Value(), false, out, withDisplayText, outSize);
  }

  const char* GetNameForHost() const { return mName; }
  // "" while the current value shows a display text: no unit behind a word.
  const char* GetLabelForHost() const;
  const char* GetParamGroupForHost() const { return mParamGroup; }

  // Text of the first record with this value, or "".
  const char* GetDisplayText(int value) const;
  int GetNDisplayTexts() const { return mDisplayTexts.GetSize(); }
  // Text of record index (value through pValue when non-null); "" outside.
  const char* GetDisplayTextAtIdx(int index, int* pValue = nullptr) const;
  // Value of the first record whose text equals text exactly.
  bool MapDisplayText(const char* text, int* pValue) const;

  EParamType Type() const { return mType; }
  double GetMin() const { return mMin; }
  double GetMax() const { return mMax; }
  double GetStep() const { return mStep; }
  double GetShape() const { return mShape; }
  double GetDefault() const { return mDefault; }
  double GetDefaultNormalized() const { return GetNormalized(mDefault); }
  int GetPrecision() const { return mDisplayPrecision; }
  bool GetCanAutomate() const { return mCanAutomate; }
  bool GetNegateDisplay() const { return mNegateDisplay; }
  void GetBounds(double* pMin, double* pMax) const;

private:
  struct DisplayText {
    int mValue;
    char mText[kMaxParamNameLen];
  };

  void CopyNames(const char* name, const char* label, const char* group);
  void store(double value) { mValue.store(value, std::memory_order_relaxed); }
  void SetType(EParamType type);

  EParamType mType = kTypeNone;
  std::atomic<double> mValue{0.0};
  double mMin = 0.0;
  double mMax = 1.0;
  double mStep = 1.0;
  double mShape = 1.0;
  double mDefault = 0.0;
  int mDisplayPrecision = 0;
  char mName[kMaxParamNameLen] = "";
  char mLabel[kMaxParamNameLen] = "";
  char mParamGroup[kMaxParamNameLen] = "";
  bool mNegateDisplay = false;
  bool mCanAutomate = true;
  WDL_TypedBuf<DisplayText> mDisplayTexts;
};

// Copies src into dst of dstSize bytes, cut and always zero-terminated; a null
// src writes "". Shared by every fixed-size name field of the framework.
void CopyCutString(char* dst, int dstSize, const char* src);
