#pragma once
// Counts heap allocations made by the calling thread while a scope is open.
//
//   AllocationScope scope;
//   engine.Process(...);
//   EXPECT_EQ(scope.Count(), 0);
//
// The counter replaces the global operator new, so any test executable that
// uses AllocationScope sees every new/new[] of its own code and the standard
// library. Only allocations on the thread that opened the scope are counted.
#include <cstddef>

namespace corvane_test {

class AllocationScope {
public:
  AllocationScope();
  ~AllocationScope();
  AllocationScope(const AllocationScope&) = delete;
  AllocationScope& operator=(const AllocationScope&) = delete;
  long Count() const;
  // The largest single allocation, in bytes, since the scope opened.
  long Largest() const;

private:
  long mStart;
  long mLargestBefore;
};

}  // namespace corvane_test
