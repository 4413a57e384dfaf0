#pragma once
// Faults planted on a host's audio path for the guard's tests, and the
// report the guard must give for each.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/rtguard/RealtimeScope.h"

// Not static and never inlined, so that backtraces name them (the test
// binary exports its symbols).
void PlantedNew();
void PlantedLock();

namespace rtguard_test {

enum class Fault { kNone, kNew, kLock };

// Which fault PlantFault() commits (any thread may set it).
void SetFault(Fault fault);
// Called from the code under test's audio path.
void PlantFault();

// A regex for the report: the call, the path's name, then the planted
// function in the backtrace.
std::string ExpectedReport(Fault fault, const char* path);

// The host path tests' fixture: the guard is loaded; no fault is left planted.
class RealtimeGuardHosts : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(rtguard::Preloaded()) << "run with LD_PRELOAD=libcorvane_rtguard.so (CTest does)";
  }
  void TearDown() override { SetFault(Fault::kNone); }
};

}  // namespace rtguard_test
