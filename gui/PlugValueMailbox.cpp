#include "gui/PlugValueMailbox.h"

PlugValueMailbox::PlugValueMailbox(int nSlots)
    : mSlots(new Slot[nSlots > 0 ? nSlots : 1]), mSize(nSlots > 0 ? nSlots : 0) {}

// The value is stored before the flag is raised (release), and the flag is
// taken before the value is read (acquire): a taker never sees the flag
// without a value at least as new as the one that raised it. A post landing
// between the two leaves the flag raised, so it is taken again next time.
void PlugValueMailbox::Post(int slot, double value) {
  if (slot < 0 || slot >= mSize) return;
  mSlots[slot].value.store(value, std::memory_order_relaxed);
  mSlots[slot].pending.store(true, std::memory_order_release);
}

bool PlugValueMailbox::Take(int slot, double* value) {
  if (slot < 0 || slot >= mSize) return false;
  if (!mSlots[slot].pending.exchange(false, std::memory_order_acquire)) return false;
  *value = mSlots[slot].value.load(std::memory_order_relaxed);
  return true;
}
