#pragma once
// Audio files through libsndfile: reading any format it reads, writing the
// format named by the output's extension through a temporary file that
// replaces the target only when complete.
#include <sndfile.h>

#include <memory>
#include <string>

#include "tools/auhost/AtomicFile.h"

struct AudioFormat {
  int channels = 0;
  int sampleRate = 0;
  int format = 0;      // libsndfile major | subtype
  long long frames = 0;
};

class AudioReader {
public:
  ~AudioReader();
  bool Open(const std::string& path, std::string* error);
  const AudioFormat& Format() const { return mFormat; }
  // Interleaved frames; returns how many were read (0 at the end, -1 on error).
  long long Read(float* interleaved, long long frames);
  const std::string& Path() const { return mPath; }
  // For a file cut short (its header promises more audio than it holds;
  // Format().frames is what it holds): what the header promises, in frames
  // when the sample size is known, else in bytes. 0 for a whole file.
  long long Promised() const { return mPromised; }
  bool PromisedInFrames() const { return mPromisedInFrames; }

private:
  void findTruncation();

  SNDFILE* mFile = nullptr;
  AudioFormat mFormat;
  std::string mPath;
  long long mPromised = 0;
  bool mPromisedInFrames = false;
};

// False and *error unless the file is mono or stereo.
bool CheckMonoOrStereo(const AudioFormat& format, const std::string& path, std::string* error);

// Output sample formats the user can ask for.
enum class SampleFormat { kKeep, kPcm16, kPcm24, kPcm32, kFloat, kDouble };
bool ParseSampleFormat(const std::string& text, SampleFormat* format);

// The libsndfile format for a target: the container from the extension, the
// sample format kept from the input when the container holds it (or asked
// for), else the container's usual one. False and *error for an unknown
// extension or a sample format the container cannot hold.
bool OutputFormatFor(const std::string& path, int inputFormat, SampleFormat wanted, int channels, int sampleRate,
                     int* format, std::string* error);

class AudioWriter {
public:
  ~AudioWriter();  // an uncommitted file is removed
  bool Open(const std::string& target, int format, int channels, int sampleRate, std::string* error);
  // Interleaved frames; counts the samples outside -1..1 when the format is
  // integer (they are clipped); false and *error when the write fails.
  bool Write(const float* interleaved, long long frames, std::string* error);
  // Closes and renames over the target.
  bool Commit(std::string* error);
  long long Clipped() const { return mClipped; }
  bool IsIntegerFormat() const { return mInteger; }
  const std::string& Target() const { return mTarget; }

private:
  SNDFILE* mFile = nullptr;
  TempFile mTemp;
  std::string mTarget;
  int mChannels = 0;
  bool mInteger = false;
  long long mClipped = 0;
};
