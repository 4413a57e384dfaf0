#pragma once
// A one-line progress bar with an estimate of the time left, redrawn in
// place on standard error. Shown only when standard error is a terminal.
#include <chrono>
#include <cstdio>

class ProgressBar {
public:
  explicit ProgressBar(bool enabled);
  ~ProgressBar() { Finish(); }
  // done out of total units of work; redraws at most ten times a second.
  void Update(long long done, long long total);
  // Clears the line.
  void Finish();
  bool Enabled() const { return mEnabled; }

private:
  bool mEnabled;
  bool mDrawn = false;
  std::chrono::steady_clock::time_point mStart, mLastDraw;
};
