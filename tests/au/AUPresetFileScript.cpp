#include "tests/au/AUPresetFileScript.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "tests/au/ScriptBytes.h"
#include "tests/au/StateChecks.h"
#include "tests/au/TestAUPlug.h"
#include "tools/auhost/AUPresetFile.h"

namespace au_test {

namespace {

// The bytes in a file of their own, removed again on destruction.
class TempPresetFile {
public:
  TempPresetFile(const uint8_t* data, size_t size) {
    const char* dir = std::getenv("TMPDIR");
    mPath = std::string(dir && dir[0] ? dir : "/tmp") + "/corvane-fuzz-XXXXXX.aupreset";
    const int fd = mkstemps(&mPath[0], 9);
    if (fd < 0) {
      mPath.clear();
      return;
    }
    size_t written = 0;
    while (written < size) {
      const ssize_t n = write(fd, data + written, size - written);
      if (n <= 0) break;
      written += static_cast<size_t>(n);
    }
    if (written < size) mPath.clear();
    close(fd);
  }
  ~TempPresetFile() {
    if (!mPath.empty()) unlink(mPath.c_str());
  }
  TempPresetFile(const TempPresetFile&) = delete;
  TempPresetFile& operator=(const TempPresetFile&) = delete;
  const std::string& Path() const { return mPath; }  // "" when it could not be written

private:
  std::string mPath;
};

// The property list the bytes are, or null.
CFPropertyListRef Parse(const uint8_t* data, size_t size) {
  CFDataRef bytes = CFDataCreate(nullptr, data, static_cast<CFIndex>(size));
  CFErrorRef error = nullptr;
  CFPropertyListRef plist = CFPropertyListCreateWithData(nullptr, bytes, kCFPropertyListImmutable, nullptr, &error);
  CFRelease(bytes);
  if (error) CFRelease(error);
  return plist;
}

std::string WrittenAndReadBackEqual(CFPropertyListRef plist) {
  CFErrorRef error = nullptr;
  CFDataRef xml = CFPropertyListCreateData(nullptr, plist, kCFPropertyListXMLFormat_v1_0, 0, &error);
  if (error) CFRelease(error);
  if (!xml) return "a property list that was read cannot be written";
  CFPropertyListRef again = Parse(CFDataGetBytePtr(xml), static_cast<size_t>(CFDataGetLength(xml)));
  CFRelease(xml);
  if (!again) return "a written property list cannot be read back";
  const bool equal = CFEqual(plist, again);
  CFRelease(again);
  return equal ? "" : "a property list written and read back is not the same";
}

std::string LoadInto(AUHost& host, const uint8_t* data, size_t size) {
  TestAUPlug& plug = *PlugOf(host.Unit());
  // Values no preset holds, under a preset that is not the first.
  plug.RestorePreset(1);
  const float unusual[kNumTestParams] = {0.25f, 2.0f, 0.0f, 7.0f, 3.5f};
  for (int i = 0; i < kNumTestParams; ++i) host.SetParameter(i, unusual[i]);
  const std::vector<uint64_t> valuesBefore = ValueBits(plug);
  const int presetBefore = plug.GetCurrentPresetIdx();

  TempPresetFile file(data, size);
  if (file.Path().empty()) return "cannot write a temporary preset file";
  std::string error;
  const bool loaded = LoadAUPreset(host, file.Path(), &error);

  CFPropertyListRef plist = Parse(data, size);
  std::string fault;
  if (plist) fault = WrittenAndReadBackEqual(plist);
  if (fault.empty() && loaded) {
    std::string why;
    std::vector<double> values;
    if (!plist || !CheckAUPresetDictionary(plist, host.Description(), &why))
      fault = "a file that is no preset of this unit was loaded";
    else if (!WholeStateIn(plist, plug.NParams(), &values))
      fault = "a preset whose data is not one finite value per parameter was loaded";
    else
      fault = HoldsClamped(plug, values);
  } else if (fault.empty()) {
    if (error.empty())
      fault = "a refused preset file came without a reason";
    else if (ValueBits(plug) != valuesBefore || plug.GetCurrentPresetIdx() != presetBefore)
      fault = "a refused preset file changed the unit (" + error + ")";
  }
  if (plist) CFRelease(plist);
  return fault;
}

}  // namespace

std::string RunAUPresetFileScript(const uint8_t* data, size_t size) {
  const Component component = TestComponent();
  const CFCounts atStart = CFCounts::Now();
  std::string fault;
  {
    AUHost host;
    std::string error;
    if (!host.Open(component, &error)) return "the test unit did not open: " + error;
    fault = LoadInto(host, data, size);
  }
  return fault.empty() ? CFCounts::Now().LeftSince(atStart) : fault;
}

}  // namespace au_test
