#include "tools/corvane/LoopingFile.h"

#include <algorithm>

#include "tools/corvane/AudioFiles.h"

bool LoopingFile::Load(const std::string& path, std::string* error) {
  AudioReader reader;
  if (!reader.Open(path, error) || !CheckMonoOrStereo(reader.Format(), path, error)) return false;
  const AudioFormat& format = reader.Format();
  const long long limit = static_cast<long long>(format.sampleRate) * 60 * kMaxMinutes;
  if (format.frames > limit) {
    *error = path + " is longer than " + std::to_string(kMaxMinutes) + " minutes; play a shorter file";
    return false;
  }
  mLeft.clear();
  mRight.clear();
  mLeft.reserve(static_cast<size_t>(format.frames));
  mRight.reserve(static_cast<size_t>(format.frames));
  constexpr long long kBlock = 4096;
  std::vector<float> interleaved(kBlock * format.channels);
  long long n;
  while ((n = reader.Read(interleaved.data(), kBlock)) > 0) {
    for (long long t = 0; t < n; ++t) {
      mLeft.push_back(interleaved[t * format.channels]);
      mRight.push_back(interleaved[t * format.channels + format.channels - 1]);
    }
    if (Frames() > limit) break;
  }
  if (n < 0) {
    *error = "cannot read " + path + ": the file is damaged";
    return false;
  }
  if (mLeft.empty()) {
    *error = path + " holds no audio";
    return false;
  }
  mSampleRate = format.sampleRate;
  mPosition = 0;
  return true;
}

void LoopingFile::Read(float* left, float* right, int n) {
  const long long frames = Frames();
  if (frames == 0) {  // nothing loaded: silence
    std::fill_n(left, n, 0.0f);
    std::fill_n(right, n, 0.0f);
    return;
  }
  int done = 0;
  while (done < n) {
    const int run = static_cast<int>(std::min<long long>(n - done, frames - mPosition));
    std::copy_n(mLeft.data() + mPosition, run, left + done);
    std::copy_n(mRight.data() + mPosition, run, right + done);
    done += run;
    mPosition += run;
    if (mPosition == frames) mPosition = 0;
  }
}
