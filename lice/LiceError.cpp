#include "lice/LiceError.h"

#include <cstdarg>
#include <cstdio>

namespace {
thread_local char tLastError[256] = "";
}

const char* LICE_GetLastError() { return tLastError; }

namespace lice_detail {

void SetLastError(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(tLastError, sizeof(tLastError), fmt, args);
  va_end(args);
}

void ClearLastError() { tLastError[0] = 0; }

}  // namespace lice_detail
