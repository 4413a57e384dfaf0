#include "framework/Log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>

void Trace(const char* location, int line, const char* format, ...) {
#ifdef TRACE_ENABLED
  if (!format) return;
  std::fprintf(stderr, "%s:%d: ", location ? location : "", line);
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fputc('\n', stderr);
#else
  (void)location;
  (void)line;
  (void)format;
#endif
}

namespace {
// Minutes local time is ahead of UTC. Day-of-year differences of 2 or more
// mean the two sides straddle a year end (Dec 31 against Jan 1).
int UtcOffsetMinutes(const std::tm& local, const std::tm& utc) {
  int offset = (local.tm_hour * 60 + local.tm_min) - (utc.tm_hour * 60 + utc.tm_min);
  const int dayDiff = local.tm_yday - utc.tm_yday;
  if (dayDiff >= 2)
    offset -= 1440;
  else if (dayDiff <= -2)
    offset += 1440;
  else
    offset += dayDiff * 1440;
  return offset;
}
}  // namespace

const char* CurrentTime() {
  static char sTimeText[64];
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  std::tm utc{};
  localtime_r(&now, &local);
  gmtime_r(&now, &utc);

  char stamp[32] = "";
  std::strftime(stamp, sizeof(stamp), "%Y%m%d %H:%M ", &local);
  const int offset = UtcOffsetMinutes(local, utc);
  const int magnitude = offset < 0 ? -offset : offset;
  std::snprintf(sTimeText, sizeof(sTimeText), "%s%c%02d%02d", stamp, offset < 0 ? '-' : '+',
                magnitude / 60, magnitude % 60);
  return sTimeText;
}

const char* AUSelectStr(int) { return ""; }
const char* AUPropertyStr(int) { return ""; }
const char* AUScopeStr(int) { return ""; }
const char* VSTOpcodeStr(int) { return ""; }
