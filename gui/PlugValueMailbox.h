#pragma once
// How values from the host and the audio thread reach the editor: per
// parameter one atomic value and a pending flag, sized once. Any thread
// posts without locking or allocating; the user-interface thread takes each
// pending value once, the latest when several were posted in between.
// Controls themselves are touched by the user-interface thread only.
#include <atomic>
#include <memory>

class PlugValueMailbox {
public:
  explicit PlugValueMailbox(int nSlots);
  PlugValueMailbox(const PlugValueMailbox&) = delete;
  PlugValueMailbox& operator=(const PlugValueMailbox&) = delete;

  int Size() const { return mSize; }
  // Any thread. A slot outside 0..Size()-1 is ignored.
  void Post(int slot, double value);
  // User-interface thread. True, with the slot's latest value, when one was
  // posted since the last take.
  bool Take(int slot, double* value);

private:
  struct Slot {
    std::atomic<double> value{0.0};
    std::atomic<bool> pending{false};
  };
  std::unique_ptr<Slot[]> mSlots;
  int mSize;
};
