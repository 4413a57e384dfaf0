// The LV2 X11 UI: instantiation from the host's features, idle, write-back
// to the host's ports and cleanup (see IPlugLV2UI.h).
#include "host/lv2/ui/IPlugLV2UI.h"

#include <lv2/instance-access/instance-access.h>
#include <lv2/atom/atom.h>
#include <lv2/log/log.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "gui/x11/IGraphicsX11.h"

namespace {

const void* FeatureData(const LV2_Feature* const* features, const char* uri, bool* pFound = nullptr) {
  if (pFound) *pFound = false;
  for (int i = 0; features && features[i]; ++i) {
    if (features[i]->URI && std::strcmp(features[i]->URI, uri) == 0) {
      if (pFound) *pFound = true;
      return features[i]->data;
    }
  }
  return nullptr;
}

// Tells the host's log, when it has one, why the UI could not be made.
void LogError(const LV2_Feature* const* features, const char* uiUri, const char* why) {
  auto* log = static_cast<const LV2_Log_Log*>(FeatureData(features, LV2_LOG__log));
  auto* map = static_cast<const LV2_URID_Map*>(FeatureData(features, LV2_URID__map));
  if (!log || !log->printf || !map || !map->map) return;
  const LV2_URID error = map->map(map->handle, LV2_LOG__Error);
  log->printf(log->handle, error, "%s: %s\n", uiUri ? uiUri : "UI", why);
}

// The editor scale for a host's scale factor: the nearer of 1 and 2 (1.5
// and above give 2); anything that is no positive number gives 1.
int EditorScaleFor(double factor) { return std::isfinite(factor) && factor >= 1.5 ? 2 : 1; }

// The scale the host asks for with ui:scaleFactor, or 1 when it does not.
int ScaleOption(const LV2_Feature* const* features) {
  auto* options = static_cast<const LV2_Options_Option*>(FeatureData(features, LV2_OPTIONS__options));
  auto* map = static_cast<const LV2_URID_Map*>(FeatureData(features, LV2_URID__map));
  if (!options || !map || !map->map) return 1;
  const LV2_URID key = map->map(map->handle, LV2_UI__scaleFactor);
  const LV2_URID atomFloat = map->map(map->handle, LV2_ATOM__Float);
  const LV2_URID atomDouble = map->map(map->handle, LV2_ATOM__Double);
  const LV2_URID atomInt = map->map(map->handle, LV2_ATOM__Int);
  for (const LV2_Options_Option* o = options; o->key || o->value; ++o) {
    if (o->key != key || !o->value) continue;
    if (o->type == atomFloat && o->size == sizeof(float)) return EditorScaleFor(*static_cast<const float*>(o->value));
    if (o->type == atomDouble && o->size == sizeof(double))
      return EditorScaleFor(*static_cast<const double*>(o->value));
    if (o->type == atomInt && o->size == sizeof(int32_t)) return EditorScaleFor(*static_cast<const int32_t*>(o->value));
  }
  return 1;
}

// One UI instance: the editor of one plug-in instance, opened in the host's
// window (or a top-level one) for as long as the host keeps the UI.
class LV2EditorUI : private IPlugLV2HostWriter {
public:
  LV2EditorUI(IPlugLV2* plug, IGraphicsX11* editor, LV2UI_Write_Function write,
              LV2UI_Controller controller, const LV2UI_Resize* resize, const LV2UI_Touch* touch)
      : mPlug(plug), mEditor(editor), mWrite(write), mController(controller), mResize(resize),
        mTouch(touch) {}
  ~LV2EditorUI() override { Close(); }
  LV2EditorUI(const LV2EditorUI&) = delete;
  LV2EditorUI& operator=(const LV2EditorUI&) = delete;

  // Opens the editor at the scale into `parent` (0: top level). False when
  // no window could be made.
  bool Open(unsigned long parent, const char* title, int scale) {
    if (!mEditor->SetScale(scale) || !mEditor->OpenEditor(parent, title)) return false;
    mWindow = mEditor->XWindow();
    // A size the plug-in asked for before this UI existed is stale: the
    // host learns the editor's actual size.
    mPlug->TakeResizeRequest(nullptr, nullptr);
    const int s = mEditor->Scale();
    if (mResize && mResize->ui_resize) mResize->ui_resize(mResize->handle, mEditor->Width() * s, mEditor->Height() * s);
    return true;
  }

  unsigned long Window() const { return mWindow; }

  // Non-zero once the window is gone (closed by the user, or its parent destroyed).
  int Idle() {
    const bool open = OwnsWindow() && mEditor->Idle();
    if (open) mEditor->ApplyPlugUpdates();
    mPlug->DrainHostUpdates(this);
    int w = 0, h = 0;
    if (mPlug->TakeResizeRequest(&w, &h) && mResize && mResize->ui_resize)
      mResize->ui_resize(mResize->handle, w * mEditor->Scale(), h * mEditor->Scale());
    if (!open) mWindow = 0;
    return open ? 0 : 1;
  }

private:
  // The editor's window is still the one this UI opened.
  bool OwnsWindow() const { return mWindow != 0 && mEditor->WindowIsOpen() && mEditor->XWindow() == mWindow; }

  void Close() {
    if (OwnsWindow()) mEditor->CloseWindow();
    mWindow = 0;
  }

  void Touch(uint32_t portIndex, bool grabbed) override {
    if (mTouch && mTouch->touch) mTouch->touch(mTouch->handle, portIndex, grabbed);
  }
  void Write(uint32_t portIndex, float value) override {
    // Protocol 0: a control port's single float.
    if (mWrite) mWrite(mController, portIndex, sizeof(float), 0, &value);
  }

  IPlugLV2* mPlug;
  IGraphicsX11* mEditor;
  LV2UI_Write_Function mWrite;
  LV2UI_Controller mController;
  const LV2UI_Resize* mResize;  // null: the host offers none
  const LV2UI_Touch* mTouch;    // null: the host offers none
  unsigned long mWindow = 0;    // the X window this UI opened, 0 once gone
};

LV2EditorUI* UIOf(LV2UI_Handle ui) { return static_cast<LV2EditorUI*>(ui); }

// The variant of a definition with this plug-in URI, or -1.
int VariantOfUri(const IPlugLV2Def* def, const char* pluginUri) {
  for (int v = 0; pluginUri && v < def->nVariants; ++v)
    if (def->variants[v].uri && std::strcmp(def->variants[v].uri, pluginUri) == 0) return v;
  return -1;
}

LV2UI_Handle Instantiate(const LV2UI_Descriptor* descriptor, const char* pluginUri, const char*,
                         LV2UI_Write_Function write, LV2UI_Controller controller, LV2UI_Widget* widget,
                         const LV2_Feature* const* features) {
  const auto* desc = reinterpret_cast<const IPlugLV2UIDescriptor*>(descriptor);
  const char* uri = desc ? desc->lv2.URI : nullptr;
  try {
    if (widget) *widget = nullptr;
    if (!desc || !desc->def) return nullptr;
    const IPlugLV2Def* def = desc->def;
    const int variant = VariantOfUri(def, pluginUri);
    if (variant < 0) {
      LogError(features, uri, "not a UI for this plug-in");
      return nullptr;
    }
    bool hasIdle = false;
    FeatureData(features, LV2_UI__idleInterface, &hasIdle);
    auto* plug = static_cast<IPlugLV2*>(const_cast<void*>(FeatureData(features, LV2_INSTANCE_ACCESS_URI)));
    if (!plug) {
      LogError(features, uri, "the host offers no instance access");
      return nullptr;
    }
    if (!hasIdle) {
      LogError(features, uri, "the host offers no idle interface");
      return nullptr;
    }
    // The instance must be the plug-in this UI belongs to, set up by its descriptor.
    if (plug->Def() != def || plug->Variant() != variant) {
      LogError(features, uri, "the instance is not the plug-in named");
      return nullptr;
    }
    IGraphicsX11* editor = X11EditorOfPlug(plug);
    if (!editor) {
      LogError(features, uri, "the plug-in has no X11 editor");
      return nullptr;
    }
    if (editor->WindowIsOpen()) {
      LogError(features, uri, "the plug-in's editor is already open");
      return nullptr;
    }
    const unsigned long parent =
        static_cast<unsigned long>(reinterpret_cast<uintptr_t>(FeatureData(features, LV2_UI__parent)));
    const std::string title = std::string(plug->GetEffectName()) + def->variants[variant].nameSuffix;
    std::unique_ptr<LV2EditorUI> ui(new LV2EditorUI(
        plug, editor, write, controller, static_cast<const LV2UI_Resize*>(FeatureData(features, LV2_UI__resize)),
        static_cast<const LV2UI_Touch*>(FeatureData(features, LV2_UI__touch))));
    if (!ui->Open(parent, title.c_str(), ScaleOption(features))) {
      LogError(features, uri, "cannot open a window on the X server");
      return nullptr;
    }
    if (widget) *widget = reinterpret_cast<LV2UI_Widget>(static_cast<uintptr_t>(ui->Window()));
    return ui.release();
  } catch (...) {
    return nullptr;
  }
}

void Cleanup(LV2UI_Handle ui) {
  try {
    delete UIOf(ui);
  } catch (...) {
  }
}

void PortEvent(LV2UI_Handle, uint32_t, uint32_t, uint32_t, const void*) {}

int Idle(LV2UI_Handle ui) {
  try {
    return ui ? UIOf(ui)->Idle() : 1;
  } catch (...) {
    return 1;
  }
}

const void* ExtensionData(const char* uri) {
  static const LV2UI_Idle_Interface kIdle = {Idle};
  if (uri && std::strcmp(uri, LV2_UI__idleInterface) == 0) return &kIdle;
  return nullptr;
}

}  // namespace

void FillLV2UIDescriptor(IPlugLV2UIDescriptor* pDesc, const IPlugLV2Def* pDef) {
  pDesc->lv2.URI = pDef->uiUri;
  pDesc->lv2.instantiate = Instantiate;
  pDesc->lv2.cleanup = Cleanup;
  pDesc->lv2.port_event = PortEvent;
  pDesc->lv2.extension_data = ExtensionData;
  pDesc->def = pDef;
}
