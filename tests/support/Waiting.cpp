#include "tests/support/Waiting.h"

#include <chrono>
#include <thread>

namespace test_support {

void Sleep(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

bool WaitUntil(const std::function<bool()>& done, double timeoutSeconds, double pollSeconds) {
  for (double waited = 0; waited < timeoutSeconds; waited += pollSeconds) {
    if (done()) return true;
    Sleep(pollSeconds);
  }
  return false;
}

}  // namespace test_support
