#include "tools/corvane/PacedPlayer.h"

#include <algorithm>
#include <chrono>

namespace {
// About 12 ms at 44.1 kHz: short enough for smooth meters.
constexpr int kBlockFrames = 512;
}  // namespace

PacedPlayer::PacedPlayer(AUHost& unit, LoopingFile& file) : mUnit(unit), mFile(file) {
  const int block = std::min(kBlockFrames, unit.MaxFrames());
  for (int ch = 0; ch < 2; ++ch) {
    mIn[ch].assign(block, 0.0f);
    mOut[ch].assign(block, 0.0f);
  }
}

PacedPlayer::~PacedPlayer() { Stop(); }

void PacedPlayer::Start() {
  if (mThread.joinable()) return;
  mStop.store(false);
  mThread = std::thread([this] { Run(); });
}

void PacedPlayer::Stop() {
  mStop.store(true);
  if (mThread.joinable()) mThread.join();
}

void PacedPlayer::Run() {
  using Clock = std::chrono::steady_clock;
  const int block = static_cast<int>(mIn[0].size());
  const double rate = mUnit.SampleRate() > 0 ? mUnit.SampleRate() : 44100.0;
  const float* in[2] = {mIn[0].data(), mIn[1].data()};
  float* out[2] = {mOut[0].data(), mOut[1].data()};
  const Clock::time_point start = Clock::now();
  long long played = 0;
  while (!mStop.load()) {
    mFile.Read(mIn[0].data(), mIn[1].data(), block);
    mUnit.Render(in, out, block);
    played += block;
    // Deadlines come from the start time, so rounding never accumulates; a
    // late block is followed at once by the next rather than skipped.
    const auto due = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(played / rate));
    std::this_thread::sleep_until(due);
  }
}
