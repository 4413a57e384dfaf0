#include "framework/ParamHandover.h"

#include <cstring>
#include <limits>

#include "framework/IParam.h"

ParamHandover::ParamHandover(int nParams) {
  mRead.Resize(nParams > 0 ? nParams : 0);
  mTaken.Resize(nParams > 0 ? nParams : 0);
  for (int i = 0; i < mTaken.GetSize(); ++i) mTaken.Get()[i] = std::numeric_limits<double>::quiet_NaN();
}

// Seqlock writer: the counter turns odd before the first value changes and
// even again (release) after the last one.
void ParamHandover::BeginWrite() {
  if (mWriteDepth++ > 0) return;
  mGeneration.store(mGeneration.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
  std::atomic_thread_fence(std::memory_order_release);
}

void ParamHandover::EndWrite() {
  if (mWriteDepth <= 0 || --mWriteDepth > 0) return;
  mGeneration.store(mGeneration.load(std::memory_order_relaxed) + 1, std::memory_order_release);
}

bool ParamHandover::readWhole(const WDL_PtrList<IParam>& params, uint32_t generation) {
  double* read = mRead.Get();
  for (int i = 0; i < mRead.GetSize(); ++i) read[i] = params.Get(i)->Value();
  std::atomic_thread_fence(std::memory_order_acquire);
  return mGeneration.load(std::memory_order_relaxed) == generation;
}

bool ParamHandover::SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }
