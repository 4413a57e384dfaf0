#pragma once
// LatencyDelay: the latency-compensation delay line that keeps bypassed audio
// aligned with processed audio.
//
// One ring per input channel. Every block's input is pushed (whether the
// plug-in processes or is bypassed), so switching bypass never shifts the
// audio in time: the delayed read of sample t of the last pushed block is
// the input of `latency` samples earlier, silence before the first push.
//
// Each ring holds latency + maxBlock samples so a whole block is stored
// before its delayed copy is read: the plug-in may process in place and
// overwrite its inputs between the push and the read. It is sized at
// construction (latency samples) and again by SetMaxBlock; Push and
// ReadDelayed are audio-thread calls that never allocate.
#include "framework/Containers.h"

class LatencyDelay {
public:
  LatencyDelay(int nChannels, int latency);
  ~LatencyDelay() { mRings.Empty(true); }
  LatencyDelay(const LatencyDelay&) = delete;
  LatencyDelay& operator=(const LatencyDelay&) = delete;

  // Main thread, not while processing: room for blocks up to maxBlock
  // frames; clears the rings.
  void SetMaxBlock(int maxBlock);

  // Audio thread. Stores nFrames samples of each channel (null inputs or
  // channels past the ring count are skipped; nFrames is cut to the maximum
  // block).
  void Push(double** inputs, int nChannels, int nFrames);
  // Audio thread. Writes channel ch of the last pushed block, delayed by
  // the latency, into out (nFrames cut as in Push).
  void ReadDelayed(int ch, double* out, int nFrames) const;

  int Latency() const { return mLatency; }
  int MaxBlock() const { return mMaxBlock; }
  int NChannels() const { return mRings.GetSize(); }
  void Clear();

private:
  int Capacity() const { return mLatency + mMaxBlock; }

  int mLatency;
  int mMaxBlock = 0;
  int mWritePos = 0;     // where the next pushed sample goes
  int mBlockStart = 0;   // ring index of the last pushed block's first sample
  int mBlockFrames = 0;  // frames of the last pushed block
  WDL_PtrList<WDL_TypedBuf<double>> mRings;  // owned, one per channel
};
