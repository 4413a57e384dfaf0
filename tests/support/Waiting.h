#pragma once
// Waiting in tests for something another process or thread does.
#include <functional>

namespace test_support {

void Sleep(double seconds);

// Checks `done`, sleeping pollSeconds between checks, until it holds (true)
// or the sleeps add up to timeoutSeconds (false).
bool WaitUntil(const std::function<bool()>& done, double timeoutSeconds, double pollSeconds = 0.05);

}  // namespace test_support
