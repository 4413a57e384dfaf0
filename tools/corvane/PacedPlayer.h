#pragma once
// Plays a looping file through a unit at real-time pace on a thread of its
// own, for when there is no audio server: the sound goes nowhere, but the
// plug-in runs as it would live, so its editor's meters move.
#include <atomic>
#include <thread>
#include <vector>

#include "tools/auhost/AUHost.h"
#include "tools/corvane/LoopingFile.h"

class PacedPlayer {
public:
  // The unit must be open for two channels and outlive the player.
  PacedPlayer(AUHost& unit, LoopingFile& file);
  ~PacedPlayer();  // stops
  PacedPlayer(const PacedPlayer&) = delete;
  PacedPlayer& operator=(const PacedPlayer&) = delete;

  void Start();
  void Stop();

private:
  void Run();

  AUHost& mUnit;
  LoopingFile& mFile;
  std::vector<float> mIn[2], mOut[2];
  std::atomic<bool> mStop{false};
  std::thread mThread;
};
