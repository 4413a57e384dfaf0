#pragma once
// The records the plug-in base is built from: channel configurations and
// channels, the host transport record, MIDI messages and system-exclusive
// blocks, and the plug-in API identity.
#include "framework/Containers.h"

// Which host interface built the plug-in (GetAPIString names them).
enum EAPI : int { kAPIVST2 = 0, kAPIVST3 = 1, kAPIAU = 2, kAPIRTAS = 3, kAPIAAX = 4, kAPISA = 5,
                 kAPILV2 = 6 };

// One legal channel configuration; a negative count matches any count.
struct ChannelIO {
  int mIn = 0;
  int mOut = 0;
  ChannelIO(int nIn, int nOut) : mIn(nIn), mOut(nOut) {}
};

// One plug-in input. mSrc points at this channel's entry of the base's input
// pointer array; that entry is either a host buffer or mScratchBuf.
struct InChannel {
  bool mConnected = false;
  double** mSrc = nullptr;
  WDL_TypedBuf<double> mScratchBuf;
  WDL_String mLabel;
};

// One plug-in output. mDest points at its entry of the output pointer array;
// mFDest is the host's single-precision destination, when the host gave one.
struct OutChannel {
  bool mConnected = false;
  double** mDest = nullptr;
  float* mFDest = nullptr;
  WDL_TypedBuf<double> mScratchBuf;
  WDL_String mLabel;
};

// The host's transport, as far as it reports it. Fields the host does not
// report keep the values they had.
struct ITimeInfo {
  double mTempo = 120.0;
  double mSamplePos = -1.0;
  double mPPQPos = -1.0;
  double mLastBar = -1.0;
  double mCycleStart = -1.0;
  double mCycleEnd = -1.0;
  int mNumerator = 4;
  int mDenominator = 4;
  bool mTransportIsRunning = false;
  bool mTransportLoopEnabled = false;
};

// A three-byte MIDI message at a frame offset within the current block.
struct IMidiMsg {
  enum EStatusMsg {
    kNone = 0,
    kNoteOff = 8,
    kNoteOn = 9,
    kPolyAftertouch = 10,
    kControlChange = 11,
    kProgramChange = 12,
    kChannelAftertouch = 13,
    kPitchWheel = 14,
  };

  int mOffset = 0;
  unsigned char mStatus = 0;
  unsigned char mData1 = 0;
  unsigned char mData2 = 0;

  IMidiMsg() = default;
  IMidiMsg(int offset, unsigned char status, unsigned char data1, unsigned char data2)
      : mOffset(offset), mStatus(status), mData1(data1), mData2(data2) {}

  // Builders. Channels are 0..15, notes and velocities 0..127 (cut into range);
  // the pitch wheel takes -1..1, a controller 0..1.
  void MakeNoteOnMsg(int noteNumber, int velocity, int offset, int channel = 0);
  void MakeNoteOffMsg(int noteNumber, int offset, int channel = 0);
  void MakePitchWheelMsg(double value, int channel = 0);
  void MakeControlChangeMsg(int controlIdx, double value, int channel = 0);

  // Field accessors; each answers -1 (or 0.0) when the message is of another kind.
  EStatusMsg StatusMsg() const;
  int Channel() const { return mStatus & 0x0F; }
  int NoteNumber() const;
  int Velocity() const;
  int PolyAfterTouch() const;
  int ChannelAfterTouch() const;
  int Program() const;
  int ControlChangeIdx() const;
  double ControlChange(int controlIdx) const;  // 0..1 for that controller, else -1
  double PitchWheel() const;                   // -1..1
  void Clear() { *this = IMidiMsg(); }

  // Name of a status kind: "noteon", "controlchange", ... ("unknown" otherwise).
  static const char* StatusMsgStr(EStatusMsg msg);
  // "name ch<channel> <status> <data1> <data2>" with the bytes as "%02X".
  void ToText(char* out, int outSize) const;
};

// A system-exclusive block (not owned) at a frame offset.
struct ISysEx {
  int mOffset = 0;
  const unsigned char* mData = nullptr;
  int mSize = 0;

  ISysEx() = default;
  ISysEx(int offset, const unsigned char* data, int size)
      : mOffset(offset), mData(data), mSize(size) {}
  void Clear() { *this = ISysEx(); }
  // The bytes as "%02X" separated by spaces, cut to outSize.
  void ToText(char* out, int outSize) const;
};
