#include "tools/auhost/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Paths of temporary files in progress, for RemovePendingTempFiles. A fixed
// table of atomics: a signal handler can walk it at any moment.
constexpr int kSlots = 256;
std::atomic<const char*> gPending[kSlots];

int Register(const char* path) {
  for (int i = 0; i < kSlots; ++i) {
    const char* expected = nullptr;
    if (gPending[i].compare_exchange_strong(expected, path)) return i;
  }
  return -1;  // table full: the file is still cleaned up by its owner
}

void Unregister(int slot) {
  if (slot >= 0) gPending[slot].store(nullptr);
}

std::string Folder(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

mode_t CurrentUmask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

}  // namespace

TempFile::~TempFile() { Discard(); }

bool TempFile::Create(const std::string& target, std::string* error) {
  Discard();
  mTarget = target;
  std::string pattern = Folder(target) + "/." + BaseName(target) + ".XXXXXX.part";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  mFd = mkstemps(buf.data(), 5);
  if (mFd < 0) {
    *error = "cannot write to " + Folder(target) + ": " + std::strerror(errno);
    return false;
  }
  mPath = buf.data();
  mSlot = Register(mPath.c_str());
  return true;
}

bool TempFile::Commit(std::string* error) {
  if (mPath.empty()) {
    *error = "nothing to commit";
    return false;
  }
  int fd = mFd >= 0 ? mFd : open(mPath.c_str(), O_RDONLY);
  bool ok = fd >= 0 && fchmod(fd, 0666 & ~CurrentUmask()) == 0 && fsync(fd) == 0;
  const int savedErrno = errno;
  if (fd >= 0) close(fd);
  mFd = -1;
  if (!ok) {
    *error = "cannot finish " + mTarget + ": " + std::strerror(savedErrno);
    Discard();
    return false;
  }
  if (rename(mPath.c_str(), mTarget.c_str()) != 0) {
    *error = "cannot write " + mTarget + ": " + std::strerror(errno);
    Discard();
    return false;
  }
  Unregister(mSlot);
  mSlot = -1;
  mPath.clear();
  return true;
}

void TempFile::Discard() {
  if (mFd >= 0) close(mFd);
  mFd = -1;
  if (!mPath.empty()) unlink(mPath.c_str());
  Unregister(mSlot);
  mSlot = -1;
  mPath.clear();
}

bool WriteFileAtomically(const std::string& path, const void* bytes, size_t size, std::string* error) {
  TempFile file;
  if (!file.Create(path, error)) return false;
  const char* p = static_cast<const char*>(bytes);
  while (size > 0) {
    const ssize_t n = write(file.Fd(), p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      *error = "cannot write " + path + ": " + std::strerror(n < 0 ? errno : ENOSPC);
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
  return file.Commit(error);
}

void RemovePendingTempFiles() {
  for (int i = 0; i < kSlots; ++i) {
    const char* path = gPending[i].exchange(nullptr);
    if (path) unlink(path);
  }
}

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}
