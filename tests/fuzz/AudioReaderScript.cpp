#include "tests/fuzz/AudioReaderScript.h"

#include <sndfile.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tools/corvane/ProcessJob.h"

namespace fuzz_test {
namespace {

namespace fs = std::filesystem;

// A folder of this process's own, on memory when the system has one (the
// writer syncs every file it commits), removed when the process exits.
const fs::path& WorkFolder() {
  static const fs::path* folder = [] {
    const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    auto* dir = new fs::path(base / ("corvane-fuzz-reader-" + std::to_string(getpid())));
    fs::create_directories(*dir);
    std::atexit([] {
      std::error_code ignored;
      fs::remove_all(WorkFolder(), ignored);
    });
    return dir;
  }();
  return *folder;
}

// What libsndfile itself says the file holds, or false when it cannot open it.
bool Inspect(const std::string& path, SF_INFO* info) {
  *info = SF_INFO{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, info);
  if (!f) return false;
  sf_close(f);
  return true;
}

std::string Check(const ProcessResult& r, const SF_INFO& in, bool inOpens, const std::string& out) {
  int entries = 0;
  for (const auto& e : fs::directory_iterator(WorkFolder())) entries += e.path().filename() != "in" ? 1 : 0;
  if (!r.ok) {
    if (r.error.empty()) return "failed without an error";
    if (entries != 0) return "a failed run left a file behind: " + r.error;
    return "";
  }
  if (!inOpens) return "processed an input libsndfile does not open";
  if (in.channels != 1 && in.channels != 2) return "processed a file of " + std::to_string(in.channels) + " channels";
  if (entries != 1) return "a run left " + std::to_string(entries) + " files instead of its output";
  SF_INFO info;
  if (!Inspect(out, &info)) return "the output does not open";
  if (info.frames != r.frames || r.frames != in.frames)
    return "partial output: " + std::to_string(info.frames) + " frames written, " + std::to_string(r.frames) +
           " reported, " + std::to_string(in.frames) + " in the input";
  if (info.channels != in.channels || info.samplerate != in.samplerate) return "output channels or rate differ";
  return "";
}

}  // namespace

std::string RunAudioReaderScript(const uint8_t* data, size_t size) {
  const fs::path in = WorkFolder() / "in";
  const fs::path out = WorkFolder() / "out.wav";
  {
    std::ofstream file(in, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  fs::remove(out);
  SF_INFO info;
  const bool opens = Inspect(in.string(), &info);
  ProcessJob job;
  job.input = in.string();
  job.output = out.string();
  const ProcessResult result = RunProcessJob(job, nullptr);
  const std::string fault = Check(result, info, opens, out.string());
  fs::remove(out);
  return fault;
}

}  // namespace fuzz_test
