// URLs. A file URL keeps its absolute POSIX path; any other URL keeps the
// string it was made from.
#include "platform/apple/src/CFObject.h"

#include <climits>
#include <cstring>
#include <new>
#include <unistd.h>

using corvane_cf::kTypeURL;

struct __CFURL : corvane_cf::Object {
  __CFURL() : Object(kTypeURL) {}
  ~__CFURL() override {
    if (mString) CFRelease(mString);
  }
  std::string Describe() const override { return corvane_cf::DescribeValue(mString); }
  bool Equals(const Object& other) const override { return CFEqual(mString, static_cast<const __CFURL&>(other).mString); }
  CFHashCode Hash() const override { return CFHash(mString); }

  bool mIsFile = false;
  bool mIsDirectory = false;
  std::string mPath;              // file URLs: absolute, no trailing '/' except for "/"
  CFStringRef mString = nullptr;  // the URL's text, owned
};

namespace {

// Percent-encodes everything but unreserved characters and '/'.
std::string EncodePath(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || std::strchr("-._~/", c)) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out;
}

CFURLRef MakeFileURL(std::string path, bool isDirectory) {
  if (path.empty()) return nullptr;
  try {
    if (path[0] != '/') {
      char cwd[PATH_MAX];
      if (!getcwd(cwd, sizeof cwd)) return nullptr;
      path = std::string(cwd) + "/" + path;
    }
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    __CFURL* url = new __CFURL;
    url->mIsFile = true;
    url->mIsDirectory = isDirectory;
    url->mPath = path;
    url->mString = corvane_cf::MakeString("file://" + EncodePath(path) + (isDirectory && path != "/" ? "/" : ""));
    if (!url->mString) {
      delete url;
      return nullptr;
    }
    return corvane_cf::Adopt(url);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

const __CFURL* AsURL(CFURLRef url, const char* caller) { return corvane_cf::As<__CFURL>(url, kTypeURL, caller); }

}  // namespace

extern "C" {

CFTypeID CFURLGetTypeID(void) { return kTypeURL; }

CFURLRef CFURLCreateWithFileSystemPath(CFAllocatorRef allocator, CFStringRef filePath, CFURLPathStyle pathStyle, Boolean isDirectory) {
  std::string_view path;
  if (pathStyle != kCFURLPOSIXPathStyle || !corvane_cf::StringBytes(filePath, "CFURLCreateWithFileSystemPath", &path))
    return nullptr;
  return MakeFileURL(std::string(path), isDirectory);
}

CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef allocator, const UInt8* buffer, CFIndex bufLen, Boolean isDirectory) {
  if (!buffer || bufLen <= 0) return nullptr;
  const char* text = reinterpret_cast<const char*>(buffer);
  return MakeFileURL(std::string(text, strnlen(text, static_cast<size_t>(bufLen))), isDirectory);
}

// Only absolute URLs: a base URL is accepted and ignored. A "file://" URL's
// path is not decoded; use CFURLCreateWithFileSystemPath for files.
CFURLRef CFURLCreateWithString(CFAllocatorRef allocator, CFStringRef URLString, CFURLRef baseURL) {
  std::string_view text;
  if (!corvane_cf::StringBytes(URLString, "CFURLCreateWithString", &text) || text.empty()) return nullptr;
  try {
    if (text.compare(0, 7, "file://") == 0 && text.find('%') == std::string_view::npos)
      return MakeFileURL(std::string(text.substr(7)), text.back() == '/');
    __CFURL* url = new __CFURL;
    url->mString = CFStringCreateCopy(allocator, URLString);
    return corvane_cf::Adopt(url);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

CFURLRef CFURLCreateCopyAppendingPathComponent(CFAllocatorRef allocator, CFURLRef url, CFStringRef pathComponent, Boolean isDirectory) {
  const __CFURL* u = AsURL(url, "CFURLCreateCopyAppendingPathComponent");
  std::string_view component;
  if (!u || !u->mIsFile || !corvane_cf::StringBytes(pathComponent, "CFURLCreateCopyAppendingPathComponent", &component))
    return nullptr;
  try {
    return MakeFileURL(u->mPath + (u->mPath == "/" ? "" : "/") + std::string(component), isDirectory);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

CFStringRef CFURLGetString(CFURLRef anURL) {
  const __CFURL* u = AsURL(anURL, "CFURLGetString");
  return u ? u->mString : nullptr;
}

CFStringRef CFURLCopyFileSystemPath(CFURLRef anURL, CFURLPathStyle pathStyle) {
  const __CFURL* u = AsURL(anURL, "CFURLCopyFileSystemPath");
  if (!u || !u->mIsFile || pathStyle != kCFURLPOSIXPathStyle) return nullptr;
  return corvane_cf::MakeString(u->mPath);
}

CFStringRef CFURLCopyLastPathComponent(CFURLRef url) {
  const __CFURL* u = AsURL(url, "CFURLCopyLastPathComponent");
  if (!u || !u->mIsFile) return nullptr;
  const size_t slash = u->mPath.rfind('/');
  return corvane_cf::MakeString(u->mPath == "/" ? std::string_view("/") : std::string_view(u->mPath).substr(slash + 1));
}

Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean resolveAgainstBase, UInt8* buffer, CFIndex maxBufLen) {
  const __CFURL* u = AsURL(url, "CFURLGetFileSystemRepresentation");
  if (!u || !u->mIsFile || !buffer || maxBufLen <= 0) return false;
  if (u->mPath.size() + 1 > static_cast<size_t>(maxBufLen)) {
    buffer[0] = 0;
    return false;
  }
  std::memcpy(buffer, u->mPath.c_str(), u->mPath.size() + 1);
  return true;
}

Boolean CFURLHasDirectoryPath(CFURLRef anURL) {
  const __CFURL* u = AsURL(anURL, "CFURLHasDirectoryPath");
  return u && u->mIsDirectory;
}

}  // extern "C"
