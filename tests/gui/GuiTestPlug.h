#pragma once
// A plug-in that records what the GUI tells the host, with a headless editor.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/IPlugBase.h"
#include "gui/IGraphicsHeadless.h"
#include "lice/LiceBitmap.h"
#include "lice/LicePng.h"
#include "lice/LiceRaster.h"

namespace gui_test {

class RecordingPlug : public IPlugBase {
public:
  enum { kGain, kMode, kSwitch, kCount };
  explicit RecordingPlug(int nParams = kCount)
      : IPlugBase(nParams, "2-2", 0, "GuiTest", "", "Tests", 0x10000, 0x47756954, 0x54657374, 0, false,
                  false, false, kAPIAU) {
    if (nParams > kGain) GetParam(kGain)->InitDouble("Gain", 0.5, 0.0, 1.0, 0.01, "dB");
    if (nParams > kMode) {
      GetParam(kMode)->InitEnum("Mode", 0, 3);
      GetParam(kMode)->SetDisplayText(0, "one");
      GetParam(kMode)->SetDisplayText(1, "two");
      GetParam(kMode)->SetDisplayText(2, "three");
    }
    if (nParams > kSwitch) GetParam(kSwitch)->InitInt("Steps", 0, -10, 10);
  }
  void BeginInformHostOfParamChange(int i) override { calls.push_back("begin " + std::to_string(i)); }
  void InformHostOfParamChange(int i, double v) override {
    calls.push_back("change " + std::to_string(i));
    lastInformed = v;
  }
  void EndInformHostOfParamChange(int i) override { calls.push_back("end " + std::to_string(i)); }
  void InformHostOfProgramChange() override {}
  int GetSamplePos() override { return 0; }
  double GetTempo() override { return 120.0; }
  void GetTimeSig(int*, int*) override {}
  void GetTime(ITimeInfo*) override {}
  void ResizeGraphics(int, int) override { ++resizes; }
  bool SendMidiMsg(IMidiMsg*) override { return false; }
  void OnParamChange(int i) override { changed.push_back(i); }

  std::vector<std::string> calls;
  std::vector<int> changed;
  double lastInformed = -1.0;
  int resizes = 0;
};

// A folder of PNG files made for one test, removed afterwards.
class ImageFolder {
public:
  ImageFolder() {
    char name[] = "/tmp/corvane-gui-XXXXXX";
    mPath = mkdtemp(name) ? name : "/tmp";
  }
  ~ImageFolder() { std::filesystem::remove_all(mPath); }
  const std::string& path() const { return mPath; }
  // A w x h image whose frame f (of n, stacked vertically) is filled with colour f.
  std::string Strip(const char* name, int w, int h, int n, const LICE_pixel* colours) {
    LICE_MemBitmap b(w, h);
    for (int f = 0; f < n; ++f) LICE_FillRect(&b, 0, f * h / n, w, h / n, colours[f], 1.0f, LICE_BLIT_MODE_COPY);
    const std::string file = mPath + "/" + name;
    LICE_WritePNG(file.c_str(), &b, true);
    return file;
  }

private:
  std::string mPath;
};

}  // namespace gui_test
