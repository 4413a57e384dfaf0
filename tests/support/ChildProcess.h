#pragma once
// Runs external programs for the tests: output captured, environment
// extended, every process stopped by the test that started it.
#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

namespace test_support {

using EnvList = std::vector<std::pair<std::string, std::string>>;

// The full path of a program found on PATH, or "".
std::string FindProgram(const std::string& name);

struct ChildResult {
  int exitCode = -1;   // -1 when killed or not started
  bool timedOut = false;
  std::string output;  // standard output and standard error
};

// Runs argv to completion (killed after timeoutSeconds).
ChildResult RunChild(const std::vector<std::string>& argv, const EnvList& env = {},
                     double timeoutSeconds = 60.0);

// A process that keeps running until Stop(): output goes to a file, standard
// input optionally comes from a pipe the test writes to.
class Background {
public:
  Background(const std::vector<std::string>& argv, const EnvList& env, const std::string& logFile,
             bool withStdin = false);
  ~Background();  // stops the process
  Background(const Background&) = delete;
  Background& operator=(const Background&) = delete;
  bool Running();
  pid_t Pid() const { return mPid; }
  void Write(const std::string& text);
  void CloseStdin();
  // Waits up to timeoutSeconds for the process to end by itself, then
  // terminates it; returns its exit code (-1 when it had to be killed).
  int Stop(double timeoutSeconds = 0.0);

private:
  pid_t mPid = -1;
  int mStdin = -1;
  int mExitCode = -1;
};

// A temporary folder removed with its contents.
class TempDir {
public:
  TempDir();
  ~TempDir();
  const std::string& Path() const { return mPath; }

private:
  std::string mPath;
};

}  // namespace test_support
