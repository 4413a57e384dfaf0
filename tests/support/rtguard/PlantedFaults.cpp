#include "tests/support/rtguard/PlantedFaults.h"

#include <atomic>
#include <mutex>

namespace {
int* volatile gSink;
std::mutex gMutex;
std::atomic<rtguard_test::Fault> gFault{rtguard_test::Fault::kNone};
}  // namespace

__attribute__((noinline)) void PlantedNew() { gSink = new int(1); }

__attribute__((noinline)) void PlantedLock() {
  gMutex.lock();
  gMutex.unlock();
}

namespace rtguard_test {

void SetFault(Fault fault) { gFault.store(fault); }

void PlantFault() {
  if (gFault.load() == Fault::kNew) PlantedNew();
  if (gFault.load() == Fault::kLock) PlantedLock();
}

std::string ExpectedReport(Fault fault, const char* path) {
  std::string escaped;
  for (const char* c = path; *c; ++c) {
    if (*c == '(' || *c == ')') escaped += '\\';
    escaped += *c;
  }
  return std::string("rtguard: ") + (fault == Fault::kNew ? "operator new" : "pthread_mutex_lock") +
         " on a real-time thread \\(" + escaped + "\\).*" + (fault == Fault::kNew ? "PlantedNew" : "PlantedLock");
}

}  // namespace rtguard_test
