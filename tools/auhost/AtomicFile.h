#pragma once
// Output files that appear whole or not at all: data goes to a temporary
// file in the target's folder, which is renamed over the target only when
// everything has been written. Until then the target (if any) is untouched.
#include <cstddef>
#include <string>

class TempFile {
public:
  TempFile() = default;
  ~TempFile();  // removes the temporary file unless committed
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  // Creates ".<name>.XXXXXX.part" next to target; false and *error when the
  // folder cannot be written.
  bool Create(const std::string& target, std::string* error);
  int Fd() const { return mFd; }
  const std::string& Path() const { return mPath; }
  // Gives the file up without closing it (for a library that closes it).
  void ReleaseFd() { mFd = -1; }
  // Flushes to disk and renames over the target with the usual permissions.
  bool Commit(std::string* error);
  void Discard();

private:
  int mFd = -1;
  int mSlot = -1;
  std::string mPath, mTarget;
};

// Writes bytes to path through a TempFile.
bool WriteFileAtomically(const std::string& path, const void* bytes, size_t size, std::string* error);

// Unlinks every temporary file not yet committed or discarded. Only calls
// async-signal-safe functions, so a signal handler may call it.
void RemovePendingTempFiles();

// True when both paths name the same existing file.
bool SameFile(const std::string& a, const std::string& b);
