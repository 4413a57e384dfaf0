#include "tests/fuzz/EditorEventScript.h"

#include <lv2/atom/atom.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "editor/Bouton.h"
#include "gui/viewhost/IGraphicsMac.h"
#include "host/lv2/IPlugLV2.h"
#include "plugin/Corvane.h"
#include "plugin/CorvaneLV2.h"
#include "tests/support/FuzzBytes.h"
#include "tests/fuzz/LV2HostParts.h"
#include "tests/viewhost/RecordingWindowing.h"

namespace fuzz_test {

using test_support::FuzzBytes;
namespace {

constexpr int kMaxEvents = 200;
constexpr int kBlock = 64;

// The host's side of the editor's writes: touch gestures checked as they
// come, values written into the control ports.
class PortWriter : public IPlugLV2HostWriter {
public:
  PortWriter(std::vector<float>* controls, const LV2PortLayout& layout, std::string* fault)
      : mControls(controls), mLayout(layout), mFault(fault), mGrabbed(controls->size(), false) {}
  void Touch(uint32_t port, bool grabbed) override {
    if (port >= mGrabbed.size()) return fail("a gesture on port " + std::to_string(port) + ", not a control");
    if (grabbed && mGrabbed[port]) fail("port " + std::to_string(port) + " begun twice");
    if (!grabbed && !mGrabbed[port]) fail("port " + std::to_string(port) + " ended without a begin");
    mGrabbed[port] = grabbed;
  }
  void Write(uint32_t port, float value) override {
    if (port >= mControls->size()) return fail("a write to port " + std::to_string(port) + ", not a control");
    const bool choice = mLayout.ChoiceOfPort(port) >= 0;
    const bool ok = choice ? (value == 0.0f || value == 1.0f || value == 2.0f) : (value >= 0.0f && value <= 1.0f);
    if (!ok) fail("the editor wrote " + std::to_string(value) + " to port " + std::to_string(port));
    (*mControls)[port] = value;
  }
  int Grabbed() const {
    for (size_t k = 0; k < mGrabbed.size(); ++k)
      if (mGrabbed[k]) return static_cast<int>(k);
    return -1;
  }

private:
  void fail(const std::string& what) {
    if (mFault->empty()) *mFault = what;
  }
  std::vector<float>* mControls;
  const LV2PortLayout& mLayout;
  std::string* mFault;
  std::vector<bool> mGrabbed;
};

class EditorSession {
public:
  explicit EditorSession(FuzzBytes& in) : mIn(in) {}
  ~EditorSession();
  std::string Run();

private:
  bool open();
  void event();
  void mouse(int kind);
  void key();
  void settle();
  void check();
  void fail(const std::string& what) {
    if (mFault.empty()) mFault = what;
  }
  double coordinate(int extent);

  FuzzBytes& mIn;
  std::string mFault;
  UridMap mMap;
  const LV2_Descriptor* mDesc = CorvaneLV2Descriptor(0);
  LV2_Handle mHandle = nullptr;
  Corvane* mPlug = nullptr;
  IGraphicsMac* mEditor = nullptr;
  mac_test::RecordingWindowing mWindowing{kTopLeftGeometry};
  std::unique_ptr<IGraphicsCocoa_vCorvane_au> mView;
  std::unique_ptr<PortWriter> mWriter;
  std::vector<float> mControls;
  std::vector<float> mAudio[4];
  float mEnabled = 1.0f, mLatency = 0.0f;
  bool mHeld[2] = {false, false};  // left, right
  bool mDrained = false;            // the last settle drained the editor's writes
  double mX = 0, mY = 0;
};

EditorSession::~EditorSession() {
  mView.reset();
  if (!mHandle) return;
  mDesc->deactivate(mHandle);
  mDesc->cleanup(mHandle);
}

bool EditorSession::open() {
  const LV2_Feature mapFeature = {LV2_URID__map, &mMap.feature};
  const LV2_Feature* features[] = {&mapFeature, nullptr};
  mHandle = mDesc->instantiate(mDesc, 44100.0, "/nowhere/corvane.lv2/", features);
  if (!mHandle) return false;
  auto* lv2 = static_cast<IPlugLV2*>(mHandle);
  mPlug = static_cast<Corvane*>(static_cast<IPlugBase*>(lv2));
  const LV2PortLayout& layout = lv2->Layout();
  mControls.assign(layout.NControls(), 0.0f);
  for (int k = 0; k < layout.NControls(); ++k) {
    const int p = layout.ParamOfPort(static_cast<uint32_t>(k));
    mControls[k] = p >= 0 ? static_cast<float>(mPlug->GetParam(p)->Value()) : 0.0f;
    mDesc->connect_port(mHandle, static_cast<uint32_t>(k), &mControls[k]);
  }
  mDesc->connect_port(mHandle, layout.Enabled(), &mEnabled);
  mDesc->connect_port(mHandle, layout.Latency(), &mLatency);
  for (int c = 0; c < 2; ++c) {
    mAudio[c].assign(kBlock, 0.0f);
    mAudio[2 + c].assign(kBlock, 0.0f);
    mDesc->connect_port(mHandle, layout.AudioIn(c), mAudio[c].data());
    mDesc->connect_port(mHandle, layout.AudioOut(c), mAudio[2 + c].data());
  }
  mDesc->activate(mHandle);
  mWriter = std::make_unique<PortWriter>(&mControls, layout, &mFault);
  mEditor = dynamic_cast<IGraphicsMac*>(mPlug->Editor());
  if (!mEditor) return false;
  mEditor->SetScale(1 + mIn.Pick(2));
  mView = std::make_unique<IGraphicsCocoa_vCorvane_au>(mEditor, &mWindowing);
  return mView->Open(nullptr);
}

// A coordinate in the view, mostly inside it, sometimes around or far off.
double EditorSession::coordinate(int extent) {
  const int s = mEditor->Scale();
  switch (mIn.Pick(8)) {
    case 0: return -1.0 - mIn.Byte();
    case 1: return extent * s + mIn.Byte();
    case 2: return (mIn.Pick(2) ? -1 : 1) * 1e9;
    default: return static_cast<double>(mIn.U16() % static_cast<unsigned>(extent * s * 16)) / 16.0;
  }
}

void EditorSession::mouse(int kind) {
  const ViewButton button = mIn.Pick(4) == 0 ? ViewButton::kRight : ViewButton::kLeft;
  const int b = button == ViewButton::kRight ? 1 : 0;
  const uint8_t m = mIn.Byte();
  const ViewModifiers mods{(m & 1) != 0, (m & 2) != 0, (m & 4) != 0, (m & 8) != 0};
  const bool moveOn = mIn.Pick(3) != 0;  // most events come from somewhere else
  if (moveOn) {
    mX = coordinate(mEditor->Width());
    mY = coordinate(mEditor->Height());
  }
  switch (kind) {
    case 0:
      if (mHeld[b]) return mView->MouseDragged(mX, mY, button, mods);  // no second press without a release
      mHeld[b] = true;
      return mView->MouseDown(mX, mY, button, mods, 1 + mIn.Pick(3));
    case 1:
      mHeld[b] = false;
      return mView->MouseUp(mX, mY, button, mods);
    case 2:
      if (mHeld[0] || mHeld[1]) return mView->MouseDragged(mX, mY, mHeld[0] ? ViewButton::kLeft : ViewButton::kRight, mods);
      return mView->MouseMoved(mX, mY, mods);
    default: {
      const double deltas[] = {1.0, -1.0, 3.0, -3.0, 0.1, -0.4, 0.0, 120.0, -1e10, 1e10};
      return mView->ScrollWheel(mX, mY, mods, deltas[mIn.Pick(10)]);
    }
  }
}

void EditorSession::key() {
  const int codes[] = {kViewKeySpace, kViewKeyUp, kViewKeyDown, kViewKeyLeft, kViewKeyRight, 0, 36, 53};
  const int code = mIn.Pick(9) < 8 ? codes[mIn.Pick(8)] : static_cast<int>(mIn.U16());
  std::string chars;
  for (int n = mIn.Pick(3); n > 0; --n) chars += static_cast<char>(mIn.Byte());
  mView->KeyDown(code, chars);
}

// What a host does between two events with the editor open: the editor's
// writes reach the ports, the plug-in runs (and takes them), the redraw
// timer ticks.
void EditorSession::settle() {
  // A host's UI thread drains at its own pace: events often come faster.
  mDrained = mIn.Pick(2) == 0;
  if (mDrained) static_cast<IPlugLV2*>(static_cast<IPlugBase*>(mPlug))->DrainHostUpdates(mWriter.get());
  mDesc->run(mHandle, mIn.Pick(4) == 0 ? kBlock : 0);
  mView->OnTimer(mWindowing.lastTimer);
  if (mIn.Pick(8) == 0 && !mWindowing.needsDisplay.empty()) {
    mView->DrawRect(mWindowing.needsDisplay.back());
    mWindowing.needsDisplay.clear();
  }
}

void EditorSession::event() {
  const int kind = mIn.Pick(8);
  if (kind < 4) {
    mouse(kind);
  } else if (kind == 4) {
    key();
  } else if (kind == 5) {  // the host automates a port meanwhile
    const int k = mIn.Pick(static_cast<int>(mControls.size()));
    mControls[k] = static_cast<float>(mIn.Byte() % 3 == 0 ? mIn.Pick(3) : mIn.Byte() / 255.0);
  } else if (kind == 6) {
    mView->MouseMoved(mX, mY, ViewModifiers{});
  } else {
    mIn.Pick(2) ? mView->TextEditingEnded(std::to_string(mIn.Byte())) : mView->TextEditingCancelled();
  }
  settle();
  check();
}

void EditorSession::check() {
  StateProperties props;
  const auto* state = static_cast<const LV2_State_Interface*>(mDesc->extension_data(LV2_STATE__interface));
  if (state->save(mHandle, StoreProperty, &props, 0, nullptr) != LV2_STATE_SUCCESS || props.size() != 1 ||
      props[0].bytes.size() != kNumCorvaneParams * sizeof(double))
    return fail("no state saved");
  double v[kNumCorvaneParams];
  std::memcpy(v, props[0].bytes.data(), sizeof v);
  int modes = 0;
  for (int i = 0; i < kNumCorvaneParams; ++i)
    if (!(v[i] >= 0.0 && v[i] <= 1.0)) return fail("parameter " + std::to_string(i) + " out of range");
  for (int m = 1; m <= 3; ++m) modes += v[kMode1 + m - 1] == 1.0;
  if (modes != 1) return fail(std::to_string(modes) + " modes on");
  if (v[kSoloTransient] > 0.5 && v[kSoloResidual] > 0.5) return fail("both solos on");
  // The buttons show the parameters once the editor's writes have come
  // back through the host (they show a click at once, before that).
  if (!mDrained) return;
  for (int m = 1; m <= 3; ++m)
    if (mPlug->ModeButton(m)->GetValue() != (v[kMode1 + m - 1] == 1.0 ? 1.0 : 0.0))
      return fail("mode button " + std::to_string(m) + " disagrees with its parameter");
  for (int part = 0; part < 2; ++part)
    if (mPlug->SoloButton(part)->GetValue() != (v[kSoloTransient + part] > 0.5 ? 1.0 : 0.0))
      return fail("solo button " + std::to_string(part) + " disagrees with its parameter");
  if (mHeld[0] || mHeld[1]) return;
  if (mWriter->Grabbed() >= 0) return fail("port " + std::to_string(mWriter->Grabbed()) + " left grabbed");
  if (mEditor->GetMouseCapture() >= 0) return fail("a control holds the mouse with no button down");
}

std::string EditorSession::Run() {
  if (!mDesc || !open()) return "the editor did not open";
  for (int e = 0; e < kMaxEvents && mIn.More() && mFault.empty(); ++e) event();
  // The user lets go of everything.
  for (int b = 0; b < 2 && mFault.empty(); ++b) {
    if (!mHeld[b]) continue;
    mHeld[b] = false;
    mView->MouseUp(mX, mY, b ? ViewButton::kRight : ViewButton::kLeft, ViewModifiers{});
  }
  static_cast<IPlugLV2*>(static_cast<IPlugBase*>(mPlug))->DrainHostUpdates(mWriter.get());
  mDrained = true;
  mDesc->run(mHandle, 0);
  mView->OnTimer(mWindowing.lastTimer);
  if (mFault.empty()) check();
  return mFault;
}

}  // namespace

std::string RunEditorEventScript(const uint8_t* data, size_t size) {
  FuzzBytes in(data, size);
  EditorSession session(in);
  return session.Run();
}

}  // namespace fuzz_test
