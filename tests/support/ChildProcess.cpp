#include "tests/support/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

namespace test_support {

namespace {

std::vector<char*> CArgs(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  return args;
}

// In the child: environment, then exec; never returns.
[[noreturn]] void Exec(const std::vector<std::string>& argv, const EnvList& env) {
  for (const auto& e : env) setenv(e.first.c_str(), e.second.c_str(), 1);
  std::vector<char*> args = CArgs(argv);
  execvp(args[0], args.data());
  _exit(127);
}

int ExitCodeOf(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

}  // namespace

std::string FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    const size_t end = dirs.find(':', start);
    const std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
    const std::string full = (dir.empty() ? "." : dir) + "/" + name;
    if (access(full.c_str(), X_OK) == 0) return full;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return "";
}

ChildResult RunChild(const std::vector<std::string>& argv, const EnvList& env, double timeoutSeconds) {
  ChildResult result;
  int fds[2];
  if (pipe(fds) != 0) return result;
  const pid_t pid = fork();
  if (pid < 0) {
    close(fds[0]);
    close(fds[1]);
    return result;
  }
  if (pid == 0) {
    dup2(fds[1], STDOUT_FILENO);
    dup2(fds[1], STDERR_FILENO);
    close(fds[0]);
    close(fds[1]);
    const int devNull = open("/dev/null", O_RDONLY);
    if (devNull >= 0) dup2(devNull, STDIN_FILENO);
    Exec(argv, env);
  }
  close(fds[1]);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  char buf[4096];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      result.timedOut = true;
      kill(pid, SIGKILL);
      break;
    }
    pollfd p = {fds[0], POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
    const ssize_t n = read(fds[0], buf, sizeof(buf));
    if (n <= 0) break;
    result.output.append(buf, static_cast<size_t>(n));
  }
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  result.exitCode = result.timedOut ? -1 : ExitCodeOf(status);
  return result;
}

Background::Background(const std::vector<std::string>& argv, const EnvList& env,
                       const std::string& logFile, bool withStdin) {
  int in[2] = {-1, -1};
  if (withStdin && pipe(in) != 0) return;
  mPid = fork();
  if (mPid == 0) {
    const int log = open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (log >= 0) {
      dup2(log, STDOUT_FILENO);
      dup2(log, STDERR_FILENO);
    }
    if (withStdin) {
      dup2(in[0], STDIN_FILENO);
      close(in[0]);
      close(in[1]);
    } else {
      const int devNull = open("/dev/null", O_RDONLY);
      if (devNull >= 0) dup2(devNull, STDIN_FILENO);
    }
    // Its own process group, so Stop() reaches anything it starts.
    setpgid(0, 0);
    Exec(argv, env);
  }
  if (withStdin) {
    close(in[0]);
    mStdin = in[1];
    if (mPid < 0) CloseStdin();
  }
}

Background::~Background() { Stop(); }

bool Background::Running() {
  if (mPid <= 0) return false;
  int status = 0;
  const pid_t r = waitpid(mPid, &status, WNOHANG);
  if (r == mPid) {
    mExitCode = ExitCodeOf(status);
    mPid = -1;
    return false;
  }
  return r == 0;
}

void Background::Write(const std::string& text) {
  if (mStdin < 0) return;
  // A child that has gone must not kill the test with SIGPIPE.
  signal(SIGPIPE, SIG_IGN);
  ssize_t off = 0;
  while (off < static_cast<ssize_t>(text.size())) {
    const ssize_t n = write(mStdin, text.data() + off, text.size() - static_cast<size_t>(off));
    if (n <= 0) break;
    off += n;
  }
}

void Background::CloseStdin() {
  if (mStdin >= 0) close(mStdin);
  mStdin = -1;
}

int Background::Stop(double timeoutSeconds) {
  CloseStdin();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
  while (Running() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  if (!Running()) return mExitCode;
  kill(-mPid, SIGTERM);
  for (int i = 0; i < 100 && Running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  if (Running()) {
    kill(-mPid, SIGKILL);
    int status = 0;
    waitpid(mPid, &status, 0);
    mPid = -1;
  }
  return -1;
}

TempDir::TempDir() {
  char pattern[] = "/tmp/corvane-test-XXXXXX";
  if (mkdtemp(pattern)) mPath = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  if (!mPath.empty()) std::filesystem::remove_all(mPath, ec);
}

}  // namespace test_support
