#include "framework/IPlugStructs.h"

#include <cmath>
#include <cstdio>

namespace {
unsigned char Cut7Bits(int value) {
  return static_cast<unsigned char>(value < 0 ? 0 : (value > 127 ? 127 : value));
}
unsigned char StatusByte(IMidiMsg::EStatusMsg msg, int channel) {
  return static_cast<unsigned char>((msg << 4) | (channel & 0x0F));
}
}  // namespace

void IMidiMsg::MakeNoteOnMsg(int noteNumber, int velocity, int offset, int channel) {
  Clear();
  mStatus = StatusByte(kNoteOn, channel);
  mData1 = Cut7Bits(noteNumber);
  mData2 = Cut7Bits(velocity);
  mOffset = offset;
}

void IMidiMsg::MakeNoteOffMsg(int noteNumber, int offset, int channel) {
  Clear();
  mStatus = StatusByte(kNoteOff, channel);
  mData1 = Cut7Bits(noteNumber);
  mOffset = offset;
}

void IMidiMsg::MakePitchWheelMsg(double value, int channel) {
  Clear();
  mStatus = StatusByte(kPitchWheel, channel);
  if (!(value > -1.0)) value = -1.0;
  if (value > 1.0) value = 1.0;
  // 14 bits centred on 8192, low seven bits first.
  int bits = static_cast<int>(std::lround(value * 8192.0)) + 8192;
  if (bits > 16383) bits = 16383;
  mData1 = static_cast<unsigned char>(bits & 0x7F);
  mData2 = static_cast<unsigned char>((bits >> 7) & 0x7F);
}

void IMidiMsg::MakeControlChangeMsg(int controlIdx, double value, int channel) {
  Clear();
  mStatus = StatusByte(kControlChange, channel);
  if (!(value > 0.0)) value = 0.0;
  if (value > 1.0) value = 1.0;
  mData1 = Cut7Bits(controlIdx);
  mData2 = static_cast<unsigned char>(std::lround(value * 127.0));
}

IMidiMsg::EStatusMsg IMidiMsg::StatusMsg() const {
  const int kind = mStatus >> 4;
  return kind >= kNoteOff && kind <= kPitchWheel ? static_cast<EStatusMsg>(kind) : kNone;
}

int IMidiMsg::NoteNumber() const {
  const EStatusMsg msg = StatusMsg();
  return msg == kNoteOn || msg == kNoteOff || msg == kPolyAftertouch ? mData1 : -1;
}

int IMidiMsg::Velocity() const {
  const EStatusMsg msg = StatusMsg();
  return msg == kNoteOn || msg == kNoteOff ? mData2 : -1;
}

int IMidiMsg::PolyAfterTouch() const { return StatusMsg() == kPolyAftertouch ? mData2 : -1; }
int IMidiMsg::ChannelAfterTouch() const { return StatusMsg() == kChannelAftertouch ? mData1 : -1; }
int IMidiMsg::Program() const { return StatusMsg() == kProgramChange ? mData1 : -1; }
int IMidiMsg::ControlChangeIdx() const { return StatusMsg() == kControlChange ? mData1 : -1; }

double IMidiMsg::ControlChange(int controlIdx) const {
  if (StatusMsg() != kControlChange || mData1 != controlIdx) return -1.0;
  return mData2 / 127.0;
}

double IMidiMsg::PitchWheel() const {
  if (StatusMsg() != kPitchWheel) return 0.0;
  const int bits = mData1 | (mData2 << 7);
  return (bits - 8192) / 8192.0;
}

const char* IMidiMsg::StatusMsgStr(EStatusMsg msg) {
  switch (msg) {
    case kNone: return "none";
    case kNoteOff: return "noteoff";
    case kNoteOn: return "noteon";
    case kPolyAftertouch: return "aftertouch";
    case kControlChange: return "controlchange";
    case kProgramChange: return "programchange";
    case kChannelAftertouch: return "channelaftertouch";
    case kPitchWheel: return "pitchwheel";
  }
  return "unknown";
}

void IMidiMsg::ToText(char* out, int outSize) const {
  if (!out || outSize <= 0) return;
  std::snprintf(out, static_cast<size_t>(outSize), "%s ch%d %02X %02X %02X",
                StatusMsgStr(StatusMsg()), Channel(), mStatus, mData1, mData2);
}

void ISysEx::ToText(char* out, int outSize) const {
  if (!out || outSize <= 0) return;
  out[0] = '\0';
  int used = 0;
  for (int i = 0; mData && i < mSize; ++i) {
    // Each byte needs three characters ("%02X" and a separator) and the terminator stays.
    if (used + 3 >= outSize) break;
    used += std::snprintf(out + used, static_cast<size_t>(outSize - used), i ? " %02X" : "%02X",
                          mData[i]);
  }
}
