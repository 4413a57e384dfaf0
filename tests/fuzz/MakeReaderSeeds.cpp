// Writes the seed files of the audio reader's fuzzer into a folder: small
// real files of the formats a user hands the corvane command (a click over
// a short tone), and one WAV cut short as after an interrupted copy.
//
//   make_reader_seeds FOLDER
#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Seed {
  const char* name;
  int format, channels, rate, frames;
};

const Seed kSeeds[] = {
    {"pcm16-mono.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1, 44100, 300},
    {"float-stereo.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 48000, 200},
    {"pcm24-stereo.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 2, 44100, 200},
    {"pcm16-stereo.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2, 44100, 300},
    {"vorbis-mono.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 1, 22050, 1000},
    {"float-mono.au", SF_FORMAT_AU | SF_FORMAT_FLOAT, 1, 8000, 100},
    {"pcm16-three.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 3, 44100, 50},
    {"cut-short.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100, 400},
};

bool Write(const std::string& path, const Seed& s) {
  SF_INFO info = {};
  info.format = s.format;
  info.channels = s.channels;
  info.samplerate = s.rate;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!f) return false;
  std::vector<float> frames(static_cast<size_t>(s.frames * s.channels));
  for (int t = 0; t < s.frames; ++t)
    for (int c = 0; c < s.channels; ++c)
      frames[static_cast<size_t>(t * s.channels + c)] = (t == s.frames / 3 ? 0.9f : 0.0f) +
                                                         0.2f * std::sin(0.05f * static_cast<float>(t * (c + 1)));
  const bool ok = sf_writef_float(f, frames.data(), s.frames) == s.frames;
  return sf_close(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_reader_seeds FOLDER\n");
    return 2;
  }
  for (const Seed& s : kSeeds) {
    const std::string path = std::string(argv[1]) + "/" + s.name;
    if (!Write(path, s)) {
      std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), sf_strerror(nullptr));
      return 1;
    }
  }
  // Cut short: the header promises 400 frames, 300 are there.
  const std::string cut = std::string(argv[1]) + "/cut-short.wav";
  if (truncate(cut.c_str(), 44 + 300 * 4) != 0) {
    std::perror(cut.c_str());
    return 1;
  }
  return 0;
}
