#include "tests/support/AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace {
thread_local long tAllocations = 0;
thread_local long tLargest = 0;
thread_local int tOpenScopes = 0;

void* CountedAlloc(std::size_t size) {
  if (tOpenScopes > 0) {
    ++tAllocations;
    if (static_cast<long>(size) > tLargest) tLargest = static_cast<long>(size);
  }
  if (size == 0) size = 1;
  void* p = std::malloc(size);
  if (!p) throw std::bad_alloc();
  return p;
}
}  // namespace

namespace corvane_test {
AllocationScope::AllocationScope() : mStart(tAllocations), mLargestBefore(tLargest) {
  tLargest = 0;
  ++tOpenScopes;
}
AllocationScope::~AllocationScope() {
  --tOpenScopes;
  if (mLargestBefore > tLargest) tLargest = mLargestBefore;  // an outer scope keeps its own
}
long AllocationScope::Count() const { return tAllocations - mStart; }
long AllocationScope::Largest() const { return tLargest; }
}  // namespace corvane_test

void* operator new(std::size_t size) { return CountedAlloc(size); }
void* operator new[](std::size_t size) { return CountedAlloc(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try { return CountedAlloc(size); } catch (...) { return nullptr; }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  try { return CountedAlloc(size); } catch (...) { return nullptr; }
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
