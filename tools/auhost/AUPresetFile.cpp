#include "tools/auhost/AUPresetFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "tools/auhost/AtomicFile.h"

namespace {

constexpr long kMaxPresetFileBytes = 16L << 20;  // far above any real preset

std::string Describe(CFErrorRef error) {
  if (!error) return "unknown error";
  CFStringRef text = CFErrorCopyDescription(error);
  char buf[512] = {};
  if (text) {
    if (!CFStringGetCString(text, buf, sizeof buf, kCFStringEncodingUTF8))
      std::snprintf(buf, sizeof buf, "(a description too long to show)");
    CFRelease(text);
  }
  CFRelease(error);
  return buf;
}

bool ReadWholeFile(const std::string& path, std::vector<UInt8>* bytes, std::string* error) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    *error = "cannot read preset " + path + ": " + std::strerror(errno);
    return false;
  }
  UInt8 chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
    bytes->insert(bytes->end(), chunk, chunk + n);
    if (static_cast<long>(bytes->size()) > kMaxPresetFileBytes) {
      std::fclose(f);
      *error = "preset " + path + " is too large to be a preset";
      return false;
    }
  }
  const bool failed = std::ferror(f);
  std::fclose(f);
  if (failed) *error = "cannot read preset " + path + ": read error";
  return !failed;
}

const void* TypedKey(CFDictionaryRef dict, const char* key, CFTypeID type, const char* what, std::string* error) {
  CFStringRef k = CFStringCreateWithCString(nullptr, key, kCFStringEncodingUTF8);
  const void* v = CFDictionaryGetValue(dict, k);
  CFRelease(k);
  if (!v || CFGetTypeID(v) != type) {
    *error = std::string("the key \"") + key + "\" is missing or not " + what;
    return nullptr;
  }
  return v;
}

bool NumberKey(CFDictionaryRef dict, const char* key, SInt32* value, std::string* error) {
  const void* v = TypedKey(dict, key, CFNumberGetTypeID(), "a number", error);
  if (v) CFNumberGetValue(static_cast<CFNumberRef>(v), kCFNumberSInt32Type, value);
  return v != nullptr;
}

std::string FourCC(SInt32 code) {
  std::string s;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char c = static_cast<char>((static_cast<UInt32>(code) >> shift) & 0xff);
    s += (c >= 32 && c < 127) ? c : '?';
  }
  return "'" + s + "'";
}

}  // namespace

bool CheckAUPresetDictionary(CFPropertyListRef plist, const ComponentDescription& unit, std::string* error) {
  if (!plist || CFGetTypeID(plist) != CFDictionaryGetTypeID()) {
    *error = "not an Audio Unit preset (no dictionary at the top)";
    return false;
  }
  CFDictionaryRef dict = static_cast<CFDictionaryRef>(plist);
  SInt32 version = 0, type = 0, subtype = 0, manufacturer = 0;
  if (!NumberKey(dict, "version", &version, error) || !NumberKey(dict, "type", &type, error) ||
      !NumberKey(dict, "subtype", &subtype, error) || !NumberKey(dict, "manufacturer", &manufacturer, error) ||
      !TypedKey(dict, "name", CFStringGetTypeID(), "a string", error))
    return false;
  const void* data = TypedKey(dict, "data", CFDataGetTypeID(), "data", error);
  if (!data) return false;
  if (static_cast<OSType>(type) != unit.componentType || static_cast<OSType>(subtype) != unit.componentSubType ||
      static_cast<OSType>(manufacturer) != unit.componentManufacturer) {
    *error = "the preset belongs to another plug-in (" + FourCC(type) + " " + FourCC(subtype) + " " +
             FourCC(manufacturer) + ")";
    return false;
  }
  return true;
}

bool LoadAUPreset(AUHost& host, const std::string& path, std::string* error) {
  std::vector<UInt8> bytes;
  if (!ReadWholeFile(path, &bytes, error)) return false;
  CFDataRef data = CFDataCreate(nullptr, bytes.data(), static_cast<CFIndex>(bytes.size()));
  CFErrorRef cfError = nullptr;
  CFPropertyListRef plist = data ? CFPropertyListCreateWithData(nullptr, data, kCFPropertyListImmutable, nullptr, &cfError)
                                 : nullptr;
  if (data) CFRelease(data);
  if (!plist) {
    *error = "preset " + path + ": " + Describe(cfError);
    return false;
  }
  std::string why;
  bool ok = CheckAUPresetDictionary(plist, host.Description(), &why);
  if (ok) {
    // The plug-in judges its own state and refuses a damaged one whole.
    const OSStatus s = host.RestoreState(plist);
    ok = s == noErr;
    if (!ok)
      why = "the plug-in refused its state as damaged or not its own (status " + std::to_string(static_cast<int>(s)) +
            ")";
  }
  CFRelease(plist);
  if (!ok) *error = "preset " + path + ": " + why;
  return ok;
}

bool SaveAUPreset(const AUHost& host, const std::string& path, std::string* error) {
  OSStatus status = noErr;
  CFPropertyListRef state = host.CopyState(&status);
  if (!state) {
    *error = "the plug-in gave no state (status " + std::to_string(static_cast<int>(status)) + ")";
    return false;
  }
  CFErrorRef cfError = nullptr;
  CFDataRef xml = CFPropertyListCreateData(nullptr, state, kCFPropertyListXMLFormat_v1_0, 0, &cfError);
  CFRelease(state);
  if (!xml) {
    *error = "cannot encode the preset: " + Describe(cfError);
    return false;
  }
  const bool ok = WriteFileAtomically(path, CFDataGetBytePtr(xml), static_cast<size_t>(CFDataGetLength(xml)), error);
  CFRelease(xml);
  return ok;
}
