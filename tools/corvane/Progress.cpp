#include "tools/corvane/Progress.h"

#include <unistd.h>

#include <string>

ProgressBar::ProgressBar(bool enabled)
    : mEnabled(enabled && isatty(STDERR_FILENO)), mStart(std::chrono::steady_clock::now()), mLastDraw(mStart) {}

void ProgressBar::Update(long long done, long long total) {
  if (!mEnabled || total <= 0) return;
  const auto now = std::chrono::steady_clock::now();
  if (mDrawn && now - mLastDraw < std::chrono::milliseconds(100)) return;
  mLastDraw = now;
  const double fraction = done >= total ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
  const double elapsed = std::chrono::duration<double>(now - mStart).count();
  constexpr int kWidth = 30;
  const int filled = static_cast<int>(fraction * kWidth);
  std::string bar(static_cast<size_t>(filled), '#');
  bar.append(static_cast<size_t>(kWidth - filled), '.');
  char eta[32] = "--:--";
  if (fraction > 0.01) {
    const long remaining = static_cast<long>(elapsed * (1.0 - fraction) / fraction + 0.5);
    std::snprintf(eta, sizeof eta, "%ld:%02ld", remaining / 60, remaining % 60);
  }
  std::fprintf(stderr, "\r[%s] %3d%%  ETA %s ", bar.c_str(), static_cast<int>(fraction * 100.0), eta);
  std::fflush(stderr);
  mDrawn = true;
}

void ProgressBar::Finish() {
  if (!mDrawn) return;
  std::fprintf(stderr, "\r%60s\r", "");
  std::fflush(stderr);
  mDrawn = false;
}
