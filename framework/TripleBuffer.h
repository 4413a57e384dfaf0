#pragma once
// A value handed whole from one writer thread to one reader thread, without
// locks or allocation: three copies. The writer fills its own copy and swaps
// it with the shared one; the reader swaps its copy with the shared one when
// that is newer. Neither ever touches the copy the other holds, so the
// reader always sees a complete value, the newest published by the time it
// looks. The writer must fill its copy completely before each Publish (after
// a swap it holds whatever value was shared before).
#include <atomic>

template <class T>
class TripleBuffer {
public:
  TripleBuffer() = default;
  TripleBuffer(const TripleBuffer&) = delete;
  TripleBuffer& operator=(const TripleBuffer&) = delete;

  // Writer thread: the copy to fill, then Publish.
  T& Back() { return mSlots[mBack]; }
  void Publish() { mBack = mShared.exchange(mBack | kFresh, std::memory_order_acq_rel) & kIndex; }

  // Reader thread: takes the newest published value; false when nothing new
  // was published since the last take. Front() is the reader's copy.
  bool Take() {
    if (!(mShared.load(std::memory_order_relaxed) & kFresh)) return false;
    mFront = mShared.exchange(mFront, std::memory_order_acq_rel) & kIndex;
    return true;
  }
  const T& Front() const { return mSlots[mFront]; }

private:
  static constexpr int kIndex = 3, kFresh = 4;
  T mSlots[3] = {};
  int mBack = 0;   // writer's copy
  int mFront = 1;  // reader's copy
  std::atomic<int> mShared{2};  // index of the shared copy, kFresh when unread
};
