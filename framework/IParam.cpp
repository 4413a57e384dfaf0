#include "framework/IParam.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

void CopyCutString(char* dst, int dstSize, const char* src) {
  if (!dst || dstSize <= 0) return;
  if (!src) src = "";
  std::strncpy(dst, src, static_cast<size_t>(dstSize) - 1);
  dst[dstSize - 1] = '\0';
}

namespace {
// Decimals needed to show a step exactly: multiply by 10 until whole, at most 6.
int PrecisionFromStep(double step) {
  int precision = 0;
  while (precision < 6 && step != std::floor(step)) {
    step *= 10.0;
    ++precision;
  }
  return precision;
}

// Truncation toward zero that stays defined for values outside int's range.
int TruncateToInt(double value) {
  if (!(value == value)) return 0;  // NaN
  if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(value);
}
}  // namespace

void IParam::SetType(EParamType type) {
  if (mType == kTypeNone) mType = type;
}

void IParam::CopyNames(const char* name, const char* label, const char* group) {
  CopyCutString(mName, kMaxParamNameLen, name);
  CopyCutString(mLabel, kMaxParamNameLen, label);
  CopyCutString(mParamGroup, kMaxParamNameLen, group);
}

void IParam::InitBool(const char* name, bool defaultVal, const char* label, const char* group) {
  SetType(kTypeBool);
  mDefault = defaultVal ? 1.0 : 0.0;
  store(mDefault);
  mMin = 0.0;
  mMax = 1.0;
  mStep = 1.0;
  mDisplayPrecision = 0;
  CopyNames(name, label, group);
  SetDisplayText(0, "off");
  SetDisplayText(1, "on");
}

void IParam::InitEnum(const char* name, int defaultVal, int nEnums, const char* label,
                      const char* group) {
  SetType(kTypeEnum);
  mDefault = defaultVal;
  store(mDefault);
  mMin = 0.0;
  mMax = nEnums - 1 > 1 ? nEnums - 1 : 1;
  mStep = 1.0;
  mDisplayPrecision = 0;
  CopyNames(name, label, group);
}

void IParam::InitInt(const char* name, int defaultVal, int minVal, int maxVal, const char* label,
                     const char* group) {
  SetType(kTypeInt);
  InitDouble(name, defaultVal, minVal, maxVal, 1.0, label, group);
}

void IParam::InitDouble(const char* name, double defaultVal, double minVal, double maxVal,
                        double step, const char* label, const char* group) {
  SetType(kTypeDouble);
  mDefault = defaultVal;
  store(mDefault);
  mMin = minVal;
  mMax = maxVal > minVal + step ? maxVal : minVal + step;  // the range is at least one step
  mStep = step;
  mDisplayPrecision = PrecisionFromStep(step);
  CopyNames(name, label, group);
}

void IParam::SetDisplayText(int value, const char* text) {
  DisplayText record;
  record.mValue = value;
  CopyCutString(record.mText, kMaxParamNameLen, text);
  mDisplayTexts.Add(record);
}

void IParam::SetShape(double shape) {
  if (shape != 0.0) mShape = shape;
}

// A direct set clamps into the range, infinities included; NaN, which has
// no place in it, is ignored.
void IParam::Set(double value) {
  if (std::isnan(value)) return;
  store(value < mMin ? mMin : value < mMax ? value : mMax);
}

double IParam::DBToAmp() const { return std::exp(Value() * 0.1151292546497); }

void IParam::SetNormalized(double normalizedValue) { store(FromNormalized(normalizedValue)); }

double IParam::FromNormalized(double normalizedValue) const {
  // A negative base would give NaN for fractional shapes; NaN would spread
  // into the stored value and the state chunk.
  if (!(normalizedValue > 0.0)) normalizedValue = 0.0;
  double v = mMin + (mMax - mMin) * std::pow(normalizedValue, mShape);
  if (mType != kTypeDouble && mStep > 0.0) v = mStep * std::floor(v / mStep + 0.5);
  return v < mMax ? v : mMax;
}

double IParam::GetNormalized(double nonNormalizedValue) const {
  const double range = mMax - mMin;
  if (!(range > 0.0)) return 0.0;  // a zero-width range has one position
  double v = nonNormalizedValue;
  if (v < mMin) v = mMin;
  if (v > mMax) v = mMax;
  return std::pow((v - mMin) / range, 1.0 / mShape);
}

void IParam::GetDisplayForHost(double value, bool normalized, char* out, bool withDisplayText,
                               int outSize) const {
  if (!out || outSize <= 0) return;
  if (normalized) value = mMin + (mMax - mMin) * std::pow(value > 0.0 ? value : 0.0, mShape);

  if (withDisplayText) {
    const char* text = GetDisplayText(TruncateToInt(value));
    if (text[0]) {
      CopyCutString(out, outSize, text);
      return;
    }
  }
  if (mNegateDisplay) value = -value;
  if (mDisplayPrecision > 0)
    std::snprintf(out, static_cast<size_t>(outSize), "%.*f", mDisplayPrecision, value);
  else
    std::snprintf(out, static_cast<size_t>(outSize), "%d", TruncateToInt(value));
}

const char* IParam::GetLabelForHost() const {
  return GetDisplayText(TruncateToInt(Value()))[0] ? "" : mLabel;
}

const char* IParam::GetDisplayText(int value) const {
  const DisplayText* records = mDisplayTexts.Get();
  for (int i = 0; i < mDisplayTexts.GetSize(); ++i)
    if (records[i].mValue == value) return records[i].mText;
  return "";
}

const char* IParam::GetDisplayTextAtIdx(int index, int* pValue) const {
  if (index < 0 || index >= mDisplayTexts.GetSize()) return "";
  const DisplayText& record = mDisplayTexts.Get()[index];
  if (pValue) *pValue = record.mValue;
  return record.mText;
}

bool IParam::MapDisplayText(const char* text, int* pValue) const {
  if (!text) return false;
  const DisplayText* records = mDisplayTexts.Get();
  for (int i = 0; i < mDisplayTexts.GetSize(); ++i) {
    if (std::strcmp(records[i].mText, text) == 0) {
      if (pValue) *pValue = records[i].mValue;
      return true;
    }
  }
  return false;
}

void IParam::GetBounds(double* pMin, double* pMax) const {
  if (pMin) *pMin = mMin;
  if (pMax) *pMax = mMax;
}
