#include "tests/tools/CliRunner.h"

#include <dirent.h>
#include <fcntl.h>
#include <sndfile.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

void RemoveTempRoot();

// One folder per test process, removed when the process ends.
const std::string& TempRoot() {
  // Never destroyed: the exit handler below still needs it.
  static const std::string& root = *new std::string([] {
    const char* t = std::getenv("TMPDIR");
    std::string r = std::string(t ? t : "/tmp") + "/corvane-cli-tests-" + std::to_string(getpid());
    mkdir(r.c_str(), 0777);
    std::atexit(RemoveTempRoot);
    return r;
  }());
  return root;
}

void RemoveTempRoot() { std::system(("rm -rf '" + TempRoot() + "'").c_str()); }

std::vector<char*> Argv(const std::vector<std::string>& args, std::vector<std::string>* storage) {
  storage->assign(1, CORVANE_CLI);
  storage->insert(storage->end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : *storage) argv.push_back(s.data());
  argv.push_back(nullptr);
  return argv;
}

int StatusOf(int wstatus) {
  if (WIFEXITED(wstatus)) return WEXITSTATUS(wstatus);
  if (WIFSIGNALED(wstatus)) return 128 + WTERMSIG(wstatus);
  return -1;
}

}  // namespace

CliResult RunCli(const std::vector<std::string>& args, const CliOptions& options) {
  static int counter = 0;
  const std::string base = TempRoot() + "/run" + std::to_string(++counter);
  const std::string outPath = base + ".out", errPath = base + ".err", inPath = base + ".in";
  WriteFile(inPath, options.stdinText);
  std::vector<std::string> storage;
  std::vector<char*> argv = Argv(args, &storage);
  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open(inPath.c_str(), O_RDONLY);
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    if (options.fileSizeLimitBlocks >= 0) {
      struct rlimit lim = {static_cast<rlim_t>(options.fileSizeLimitBlocks * 512),
                           static_cast<rlim_t>(options.fileSizeLimitBlocks * 512)};
      setrlimit(RLIMIT_FSIZE, &lim);
    }
    execv(argv[0], argv.data());
    _exit(127);
  }
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  CliResult r;
  r.status = StatusOf(wstatus);
  r.out = ReadFile(outPath);
  r.err = ReadFile(errPath);
  unlink(outPath.c_str());
  unlink(errPath.c_str());
  unlink(inPath.c_str());
  return r;
}

int StartCli(const std::vector<std::string>& args) {
  std::vector<std::string> storage;
  std::vector<char*> argv = Argv(args, &storage);
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

int WaitCli(int pid) {
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  return StatusOf(wstatus);
}

Audio ReadAudio(const std::string& path) {
  SF_INFO info = {};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) throw std::runtime_error("cannot read " + path);
  Audio a;
  a.channels = info.channels;
  a.sampleRate = info.samplerate;
  a.format = info.format;
  a.samples.resize(static_cast<size_t>(info.frames * info.channels));
  sf_readf_float(f, a.samples.data(), info.frames);
  sf_close(f);
  return a;
}

void WriteAudio(const std::string& path, const Audio& audio, int format) {
  SF_INFO info = {};
  info.channels = audio.channels;
  info.samplerate = audio.sampleRate;
  info.format = format;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!f) throw std::runtime_error("cannot write " + path);
  sf_command(f, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  sf_writef_float(f, audio.samples.data(), audio.Frames());
  sf_close(f);
}

std::string FreshDir(const std::string& name) {
  const std::string dir = TempRoot() + "/" + name;
  std::system(("rm -rf '" + dir + "'").c_str());
  mkdir(dir.c_str(), 0777);
  return dir;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

std::vector<std::string> ListDir(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d))
      if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
    closedir(d);
  }
  return names;
}
