#include "tools/corvane/AudioFiles.h"

#include <strings.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

struct Container {
  const char* extension;
  int major;
  int defaultSubtype;
};

const Container kContainers[] = {
    {"wav", SF_FORMAT_WAV, SF_FORMAT_FLOAT},   {"wave", SF_FORMAT_WAV, SF_FORMAT_FLOAT},
    {"aif", SF_FORMAT_AIFF, SF_FORMAT_PCM_24}, {"aiff", SF_FORMAT_AIFF, SF_FORMAT_PCM_24},
    {"aifc", SF_FORMAT_AIFF, SF_FORMAT_FLOAT}, {"flac", SF_FORMAT_FLAC, SF_FORMAT_PCM_24},
    {"ogg", SF_FORMAT_OGG, SF_FORMAT_VORBIS},  {"oga", SF_FORMAT_OGG, SF_FORMAT_VORBIS},
    {"caf", SF_FORMAT_CAF, SF_FORMAT_FLOAT},   {"w64", SF_FORMAT_W64, SF_FORMAT_FLOAT},
    {"rf64", SF_FORMAT_RF64, SF_FORMAT_FLOAT}, {"au", SF_FORMAT_AU, SF_FORMAT_FLOAT},
    {"snd", SF_FORMAT_AU, SF_FORMAT_FLOAT},
};

std::string Extension(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
  return path.substr(dot + 1);
}

int SubtypeOf(SampleFormat f) {
  switch (f) {
    case SampleFormat::kPcm16: return SF_FORMAT_PCM_16;
    case SampleFormat::kPcm24: return SF_FORMAT_PCM_24;
    case SampleFormat::kPcm32: return SF_FORMAT_PCM_32;
    case SampleFormat::kFloat: return SF_FORMAT_FLOAT;
    case SampleFormat::kDouble: return SF_FORMAT_DOUBLE;
    case SampleFormat::kKeep: break;
  }
  return 0;
}

bool Valid(int format, int channels, int sampleRate) {
  SF_INFO info = {};
  info.format = format;
  info.channels = channels;
  info.samplerate = sampleRate;
  return sf_format_check(&info) != 0;
}

bool IsInteger(int format) {
  const int sub = format & SF_FORMAT_SUBMASK;
  return sub != SF_FORMAT_FLOAT && sub != SF_FORMAT_DOUBLE && sub != SF_FORMAT_VORBIS && sub != SF_FORMAT_OPUS;
}

std::string WriteErrorText() {
  // libsndfile's own message is vague about the cause; errno is not.
  return errno ? std::strerror(errno) : "write error";
}

}  // namespace

AudioReader::~AudioReader() {
  if (mFile) sf_close(mFile);
}

bool AudioReader::Open(const std::string& path, std::string* error) {
  mPath = path;
  SF_INFO info = {};
  errno = 0;
  mFile = sf_open(path.c_str(), SFM_READ, &info);
  if (!mFile) {
    const int code = errno;
    std::string why = sf_strerror(nullptr);
    if (code == ENOENT || code == EACCES || code == EISDIR) why = std::strerror(code);
    *error = "cannot read " + path + ": " + why;
    return false;
  }
  // No length (libsndfile's "unknown", SF_COUNT_MAX): a stream whose end it
  // cannot find, such as an Ogg file cut before its last page. It cannot be
  // decoded to its end, so it is damaged, like a compressed file that stops
  // decoding early; processing it would write whatever decoded, silently.
  if (info.frames < 0 || info.frames == SF_COUNT_MAX) {
    sf_close(mFile);
    mFile = nullptr;
    *error = "cannot read " + path + ": the file is damaged (its length cannot be found)";
    return false;
  }
  mFormat = {info.channels, info.samplerate, info.format, info.frames};
  findTruncation();
  return true;
}

// libsndfile reads a file cut short up to its end, counting only the frames
// there, and says in its log what the header promised: the audio chunk's
// declared size ("data : 176400 (should be 88178)"; "SSND" in AIFF, "Data
// Size" in AU) or, for AIFF, the frame count of its "COMM" chunk.
void AudioReader::findTruncation() {
  char log[8192] = "";
  sf_command(mFile, SFC_GET_LOG_INFO, log, sizeof log);
  long long frames = 0, declared = 0, actual = 0;
  const char* comm = std::strstr(log, "Frame count read from 'COMM' chunk (");
  if (comm && std::sscanf(comm, "Frame count read from 'COMM' chunk (%lld)", &frames) == 1 &&
      frames > mFormat.frames) {
    mPromised = frames;
    mPromisedInFrames = true;
    return;
  }
  for (const char* chunk : {"\ndata : ", "\n SSND : ", "\n  Data Size   : "}) {
    const char* at = std::strstr(log, chunk);
    if (!at || std::sscanf(at + std::strlen(chunk), "%lld (should be %lld)", &declared, &actual) != 2 ||
        declared <= actual)
      continue;
    int bytesPerSample = 0;
    switch (mFormat.format & SF_FORMAT_SUBMASK) {
      case SF_FORMAT_PCM_S8: case SF_FORMAT_PCM_U8: bytesPerSample = 1; break;
      case SF_FORMAT_PCM_16: bytesPerSample = 2; break;
      case SF_FORMAT_PCM_24: bytesPerSample = 3; break;
      case SF_FORMAT_PCM_32: case SF_FORMAT_FLOAT: bytesPerSample = 4; break;
      case SF_FORMAT_DOUBLE: bytesPerSample = 8; break;
      default: break;
    }
    mPromisedInFrames = bytesPerSample > 0 && mFormat.channels > 0;
    mPromised = mPromisedInFrames ? declared / (bytesPerSample * mFormat.channels) : declared;
    return;
  }
}

long long AudioReader::Read(float* interleaved, long long frames) {
  const sf_count_t n = sf_readf_float(mFile, interleaved, frames);
  if (n < frames && sf_error(mFile) != SF_ERR_NO_ERROR) return -1;
  return n;
}

bool CheckMonoOrStereo(const AudioFormat& format, const std::string& path, std::string* error) {
  if (format.channels == 1 || format.channels == 2) return true;
  *error = path + " has " + std::to_string(format.channels) + " channels; Corvane processes mono or stereo files only";
  return false;
}

bool ParseSampleFormat(const std::string& text, SampleFormat* format) {
  const struct {
    const char* name;
    SampleFormat format;
  } kNames[] = {{"keep", SampleFormat::kKeep},   {"pcm16", SampleFormat::kPcm16}, {"16", SampleFormat::kPcm16},
                {"pcm24", SampleFormat::kPcm24}, {"24", SampleFormat::kPcm24},    {"pcm32", SampleFormat::kPcm32},
                {"32", SampleFormat::kPcm32},    {"float", SampleFormat::kFloat}, {"double", SampleFormat::kDouble}};
  for (const auto& n : kNames)
    if (strcasecmp(text.c_str(), n.name) == 0) {
      *format = n.format;
      return true;
    }
  return false;
}

bool OutputFormatFor(const std::string& path, int inputFormat, SampleFormat wanted, int channels, int sampleRate,
                     int* format, std::string* error) {
  const std::string ext = Extension(path);
  const Container* container = nullptr;
  for (const Container& c : kContainers)
    if (strcasecmp(ext.c_str(), c.extension) == 0) container = &c;
  if (!container) {
    *error = "unsupported output format \"" + (ext.empty() ? path : "." + ext) +
             "\" (use .wav, .aiff, .flac, .ogg, .caf, .w64, .rf64 or .au)";
    return false;
  }
  if (wanted != SampleFormat::kKeep) {
    *format = container->major | SubtypeOf(wanted);
    if (!Valid(*format, channels, sampleRate)) {
      *error = "." + ext + " files cannot hold that sample format";
      return false;
    }
    return true;
  }
  const int kept = container->major | (inputFormat & SF_FORMAT_SUBMASK);
  *format = Valid(kept, channels, sampleRate) ? kept : container->major | container->defaultSubtype;
  if (!Valid(*format, channels, sampleRate)) {
    *error = "." + ext + " files cannot hold " + std::to_string(channels) + " channels at " +
             std::to_string(sampleRate) + " Hz";
    return false;
  }
  return true;
}

AudioWriter::~AudioWriter() {
  if (mFile) sf_close(mFile);
}

bool AudioWriter::Open(const std::string& target, int format, int channels, int sampleRate, std::string* error) {
  mTarget = target;
  mChannels = channels;
  mInteger = IsInteger(format);
  if (!mTemp.Create(target, error)) return false;
  SF_INFO info = {};
  info.format = format;
  info.channels = channels;
  info.samplerate = sampleRate;
  mFile = sf_open_fd(mTemp.Fd(), SFM_WRITE, &info, SF_TRUE);
  if (!mFile) {
    *error = "cannot write " + target + ": " + sf_strerror(nullptr);
    return false;
  }
  mTemp.ReleaseFd();  // libsndfile closes it
  sf_command(mFile, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  return true;
}

bool AudioWriter::Write(const float* interleaved, long long frames, std::string* error) {
  if (mInteger) {
    const long long n = frames * mChannels;
    for (long long i = 0; i < n; ++i)
      if (interleaved[i] > 1.0f || interleaved[i] < -1.0f) ++mClipped;
  }
  errno = 0;
  if (sf_writef_float(mFile, interleaved, frames) != frames) {
    *error = "cannot write " + mTarget + ": " + WriteErrorText();
    return false;
  }
  return true;
}

bool AudioWriter::Commit(std::string* error) {
  errno = 0;
  const int rc = sf_close(mFile);
  mFile = nullptr;
  if (rc != 0) {
    *error = "cannot write " + mTarget + ": " + WriteErrorText();
    return false;
  }
  return mTemp.Commit(error);
}
