#pragma once
// An audio file held in memory as two channels and read round and round,
// for playing it through the plug-in live. Mono files feed both channels.
#include <string>
#include <vector>

class LoopingFile {
public:
  // Files longer than this are refused rather than filling memory.
  static constexpr int kMaxMinutes = 20;

  // Reads the whole file; false and *error when it cannot be read, is not
  // mono or stereo, is empty or is too long.
  bool Load(const std::string& path, std::string* error);
  int SampleRate() const { return mSampleRate; }
  long long Frames() const { return static_cast<long long>(mLeft.size()); }

  // The next n frames, wrapping at the end. Allocates nothing, so the audio
  // thread may call it; one thread reads at a time.
  void Read(float* left, float* right, int n);

private:
  std::vector<float> mLeft, mRight;
  long long mPosition = 0;
  int mSampleRate = 0;
};
