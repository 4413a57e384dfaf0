#include "framework/LatencyDelay.h"

#include <cstring>

LatencyDelay::LatencyDelay(int nChannels, int latency) : mLatency(latency > 0 ? latency : 0) {
  for (int ch = 0; ch < nChannels; ++ch) mRings.Add(new WDL_TypedBuf<double>);
  SetMaxBlock(0);
}

void LatencyDelay::SetMaxBlock(int maxBlock) {
  mMaxBlock = maxBlock > 0 ? maxBlock : 0;
  for (int ch = 0; ch < mRings.GetSize(); ++ch) mRings.Get(ch)->Resize(Capacity());
  Clear();
}

void LatencyDelay::Clear() {
  for (int ch = 0; ch < mRings.GetSize(); ++ch) {
    WDL_TypedBuf<double>* ring = mRings.Get(ch);
    if (ring->GetSize() > 0)
      std::memset(ring->Get(), 0, sizeof(double) * static_cast<size_t>(ring->GetSize()));
  }
  mWritePos = mBlockStart = mBlockFrames = 0;
}

void LatencyDelay::Push(double** inputs, int nChannels, int nFrames) {
  const int capacity = Capacity();
  if (nFrames > mMaxBlock) nFrames = mMaxBlock;
  if (nFrames <= 0 || capacity <= 0) {
    mBlockFrames = 0;
    return;
  }
  // The block goes in as at most two straight pieces: up to the ring's end,
  // then from its start.
  const int first = nFrames < capacity - mWritePos ? nFrames : capacity - mWritePos;
  const size_t firstBytes = sizeof(double) * static_cast<size_t>(first);
  const size_t restBytes = sizeof(double) * static_cast<size_t>(nFrames - first);
  for (int ch = 0; ch < mRings.GetSize(); ++ch) {
    double* ring = mRings.Get(ch)->Get();
    const double* in = inputs && ch < nChannels ? inputs[ch] : nullptr;
    if (in) {
      std::memcpy(ring + mWritePos, in, firstBytes);
      std::memcpy(ring, in + first, restBytes);
    } else {
      std::memset(ring + mWritePos, 0, firstBytes);
      std::memset(ring, 0, restBytes);
    }
  }
  mBlockStart = mWritePos;
  mBlockFrames = nFrames;
  mWritePos = (mWritePos + nFrames) % capacity;
}

void LatencyDelay::ReadDelayed(int ch, double* out, int nFrames) const {
  if (!out || nFrames <= 0) return;
  if (nFrames > mBlockFrames) {
    // Frames that were never pushed have no delayed input: silence.
    std::memset(out + mBlockFrames, 0, sizeof(double) * static_cast<size_t>(nFrames - mBlockFrames));
    nFrames = mBlockFrames;
  }
  const WDL_TypedBuf<double>* ringBuf = mRings.Get(ch);
  if (!ringBuf || nFrames <= 0) {
    if (nFrames > 0) std::memset(out, 0, sizeof(double) * static_cast<size_t>(nFrames));
    return;
  }
  const double* ring = ringBuf->Get();
  const int capacity = Capacity();
  int pos = mBlockStart - mLatency;
  if (pos < 0) pos += capacity;
  for (int t = 0; t < nFrames; ++t) {
    out[t] = ring[pos];
    if (++pos == capacity) pos = 0;
  }
}
