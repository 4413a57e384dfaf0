#pragma once
// Runs the built corvane binary as a child process and reads audio files,
// for end-to-end tests.
#include <string>
#include <vector>

struct CliResult {
  int status = -1;  // exit status, or 128 + signal number
  std::string out, err;
};

struct CliOptions {
  long fileSizeLimitBlocks = -1;  // ulimit -f in 512-byte blocks, -1 = none
  std::string stdinText;
};

CliResult RunCli(const std::vector<std::string>& args, const CliOptions& options = {});
// Starts the binary and returns its pid (output to /dev/null).
int StartCli(const std::vector<std::string>& args);
// Waits for a child started by StartCli: exit status or 128 + signal.
int WaitCli(int pid);

struct Audio {
  int channels = 0, sampleRate = 0, format = 0;
  std::vector<float> samples;  // interleaved
  long long Frames() const { return channels ? static_cast<long long>(samples.size()) / channels : 0; }
  float At(long long frame, int ch) const { return samples[static_cast<size_t>(frame * channels + ch)]; }
};

Audio ReadAudio(const std::string& path);
void WriteAudio(const std::string& path, const Audio& audio, int format);

// A fresh empty folder under the test temp dir.
std::string FreshDir(const std::string& name);
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
// Names in a folder (no "." and "..").
std::vector<std::string> ListDir(const std::string& dir);
