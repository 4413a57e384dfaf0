#include "tests/lv2/WavFiles.h"

#include <sndfile.h>

namespace lv2_test {

bool WriteWav(const std::string& path, const Audio& audio, int rate) {
  if (audio.empty()) return false;
  SF_INFO info = {};
  info.samplerate = rate;
  info.channels = static_cast<int>(audio.size());
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!f) return false;
  const size_t n = audio[0].size(), nCh = audio.size();
  std::vector<float> frames(n * nCh);
  for (size_t i = 0; i < n; ++i)
    for (size_t c = 0; c < nCh; ++c) frames[i * nCh + c] = audio[c][i];
  const bool written = sf_writef_float(f, frames.data(), static_cast<sf_count_t>(n)) == static_cast<sf_count_t>(n);
  return sf_close(f) == 0 && written;
}

Audio ReadWav(const std::string& path) {
  SF_INFO info = {};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) return {};
  std::vector<float> frames(static_cast<size_t>(info.frames * info.channels));
  const sf_count_t read = sf_readf_float(f, frames.data(), info.frames);
  sf_close(f);
  if (read != info.frames) return {};
  Audio audio(info.channels, std::vector<float>(info.frames));
  for (sf_count_t i = 0; i < info.frames; ++i)
    for (int c = 0; c < info.channels; ++c) audio[c][i] = frames[i * info.channels + c];
  return audio;
}

}  // namespace lv2_test
