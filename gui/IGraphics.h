#pragma once
// IGraphics: the editor's drawing and input hub. One per plug-in instance,
// whether or not a window is open. It owns the ordered control list (index 0
// is the background), a back buffer of the editor's size into which controls
// draw through the primitives below, and routes mouse and key events to
// controls (hit-tested in reverse attach order). A view host derives from it
// and supplies the platform operations.
//
// The editor is laid out in units: Width() x Height(), control rectangles,
// hit tests, mouse positions and every coordinate a primitive takes. The
// scale says how many back-buffer pixels a unit covers (1, or 2 on
// high-density screens): the back buffer, the window and a snapshot are
// scale times the editor's size, images are drawn from their 2x twins and
// fills, lines and text at twice the size, so the same controls draw a sharp
// editor at either scale.
//
// Threads: controls, input, idle and redraw belong to the user-interface
// thread. SetParameterFromPlug may run on any thread (the host's, the audio
// thread's): it only posts the value to a mailbox, which ApplyPlugUpdates
// hands to the controls on the user-interface thread (every timer tick, when
// a window opens, on an LV2 UI's idle).
#include <memory>
#include <vector>

#include "framework/Containers.h"
#include "framework/IGraphicsLink.h"
#include "lice/LicePixel.h"
#include "gui/IControls.h"
#include "gui/IGraphicsStructs.h"
#include "gui/IPopupMenu.h"
#include "gui/PlugValueMailbox.h"
#include "gui/ScaledImages.h"

class IParam;
class IPlugBase;
class LICE_IBitmap;
class LICE_MemBitmap;
class LICE_SysBitmap;

class IGraphics : public IGraphicsLink {
public:
  IGraphics(IPlugBase* plug, int w, int h, int fps = 0);
  ~IGraphics() override;
  IGraphics(const IGraphics&) = delete;
  IGraphics& operator=(const IGraphics&) = delete;

  // Platform operations, supplied by a view host.
  virtual bool DrawScreen(IRECT* rect) = 0;
  virtual bool MeasureIText(IText* text, char* str, IRECT* rect) { return DrawIText(text, str, rect, true); }
  virtual void ForceEndUserEdit() = 0;
  virtual void Resize(int w, int h);
  virtual bool WindowIsOpen() { return GetWindow() != nullptr; }
  virtual const char* GetGUIAPI() { return ""; }
  virtual int ShowMessageBox(const char* text, const char* caption, int type) = 0;
  virtual IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, IRECT* rect) = 0;
  virtual void CreateTextEntry(IControl* control, IText* text, IRECT* rect, const char* str,
                               IParam* param) = 0;
  virtual void HostPath(WDL_String* path) = 0;
  virtual void PluginPath(WDL_String* path) = 0;
  virtual void DesktopPath(WDL_String* path) = 0;
  virtual void PromptForFile(WDL_String* fileName, EFileAction action, WDL_String* dir,
                             char* extensions) = 0;
  virtual bool PromptForColor(IColor* color, char* prompt) = 0;
  virtual bool OpenURL(const char* url, const char* windowTitle, const char* confirmMsg,
                       const char* errMsg) = 0;
  virtual void* OpenWindow(void* parent) = 0;
  virtual void* OpenWindow(void* window, void* control, short x, short y) { return nullptr; }
  virtual void AttachSubWindow(void* hostWindow) {}
  virtual void RemoveSubWindow() {}
  virtual void CloseWindow() = 0;
  virtual void* GetWindow() = 0;
  virtual void HideMouseCursor() {}
  virtual void ShowMouseCursor() {}
  // Decodes the named image resource into a 32-bit bitmap, or null.
  virtual LICE_IBitmap* OSLoadBitmap(int id, const char* name) = 0;

  // Set-up.
  // Back-buffer pixels per editor unit, 1 or 2. User-interface thread, while
  // no window is open (a view host reopens its window to change it); false,
  // and nothing changes, for another value or with a window open. A back
  // buffer already made is remade at the new size and every control redraws.
  bool SetScale(int scale);
  int Scale() const { return mScale; }
  void PrepDraw() override;
  IBitmap LoadIBitmap(int id, const char* name, int nStates = 1, bool framesAreHoriz = false);
  void AttachBackground(int id, const char* name);
  void AttachPanelBackground(const IColor* color);
  int AttachControl(IControl* control);
  void AttachKeyCatcher(IControl* control);
  void RetainBitmap(IBitmap* bitmap);
  void ReleaseBitmap(IBitmap* bitmap);
  IBitmap ScaleBitmap(IBitmap* bitmap, int w, int h);
  IBitmap CropBitmap(IBitmap* bitmap, IRECT* rect);

  // Parameter and control state.
  // Any thread: posts the value for the controls bound to the parameter.
  void SetParameterFromPlug(int paramIdx, double value, bool normalized) override;
  // User-interface thread: the posted values reach their controls, then the
  // plug-in brings the rest of its editor up to date (OnEditorRefresh).
  void ApplyPlugUpdates() override;
  // User-interface thread.
  void SetControlFromPlug(int controlIdx, double normalizedValue);
  void HideControl(int paramIdx, bool hide);
  void GrayOutControl(int paramIdx, bool gray);
  void ClampControl(int paramIdx, double lo, double hi, bool normalized);
  void SetAllControlsDirty();
  void SetStrictDrawing(bool strict);
  void HandleMouseOver(bool handle) { mHandleMouseOver = handle; }
  void OnGUIIdle();

  // Redraw: the union of dirty control rectangles, then drawing it.
  bool IsDirty(IRECT* rect);
  bool Draw(IRECT* rect);

  // Input, in editor coordinates.
  void OnMouseDown(int x, int y, IMouseMod* mod);
  void OnMouseUp(int x, int y, IMouseMod* mod);
  void OnMouseDrag(int x, int y, IMouseMod* mod);
  bool OnMouseDblClick(int x, int y, IMouseMod* mod);
  bool OnMouseOver(int x, int y, IMouseMod* mod);
  void OnMouseOut();
  void OnMouseWheel(int x, int y, IMouseMod* mod, int d);
  bool OnKeyDown(int x, int y, int key);
  void ReleaseMouseCapture();
  int GetMouseControlIdx(int x, int y, bool mouseOver = false);

  // Value prompting (popup menu for enumerations, text entry otherwise).
  void PromptUserInput(IControl* control, IParam* param, IRECT* rect);
  void SetFromStringAfterPrompt(IControl* control, IParam* param, char* text);

  // Drawing primitives: all draw into the back buffer and return true.
  bool DrawBitmap(IBitmap* bitmap, IRECT* dest, int srcX, int srcY, const IChannelBlend* blend);
  bool DrawBitmap(IBitmap* bitmap, IRECT* dest, int frame = 1, const IChannelBlend* blend = nullptr);
  bool DrawRotatedBitmap(IBitmap* bitmap, int destCtrX, int destCtrY, double angle,
                         int yOffsetZeroDeg = 0, const IChannelBlend* blend = nullptr);
  bool DrawRotatedMask(IBitmap* base, IBitmap* mask, IBitmap* top, int x, int y, double angle,
                       const IChannelBlend* blend = nullptr);
  bool FillIRect(const IColor* color, IRECT* rect, const IChannelBlend* blend = nullptr);
  bool DrawRect(const IColor* color, IRECT* rect);
  bool DrawLine(const IColor* color, float x1, float y1, float x2, float y2,
                const IChannelBlend* blend = nullptr, bool antiAlias = false);
  bool DrawRadialLine(const IColor* color, float cx, float cy, float angle, float rMin, float rMax,
                      const IChannelBlend* blend = nullptr, bool antiAlias = false);
  bool DrawPoint(const IColor* color, float x, float y, const IChannelBlend* blend = nullptr,
                 bool antiAlias = false);
  bool ForcePixel(const IColor* color, int x, int y);
  IColor GetPoint(int x, int y);
  bool DrawVerticalLine(const IColor* color, int x, int y1, int y2);
  bool DrawHorizontalLine(const IColor* color, int y, int x1, int x2);
  bool DrawArc(const IColor* color, float cx, float cy, float r, float minAngle, float maxAngle,
               const IChannelBlend* blend = nullptr, bool antiAlias = false);
  bool DrawCircle(const IColor* color, float cx, float cy, float r,
                  const IChannelBlend* blend = nullptr, bool antiAlias = false);
  bool RoundRect(const IColor* color, IRECT* rect, const IChannelBlend* blend, int cornerradius,
                 bool antiAlias);
  bool FillRoundRect(const IColor* color, IRECT* rect, const IChannelBlend* blend, int cornerradius,
                     bool antiAlias);
  bool FillCircle(const IColor* color, int cx, int cy, float r, const IChannelBlend* blend = nullptr,
                  bool antiAlias = false);
  bool FillTriangle(const IColor* color, int x1, int y1, int x2, int y2, int x3, int y3,
                    const IChannelBlend* blend = nullptr);
  bool FillIConvexPolygon(const IColor* color, int* x, int* y, int npoints,
                          const IChannelBlend* blend = nullptr);
  // Measuring gives units, the same at every scale: text is measured with
  // the 1x font and drawn with one of scale times its size.
  bool DrawIText(IText* text, char* str, IRECT* rect, bool measure = false);
  // The back buffer: Width() x Height() units, Scale() times as many pixels each way.
  LICE_pixel* GetBits();
  LICE_IBitmap* GetDrawBitmap() const;

  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  int FPS() const { return mFPS; }
  IPlugBase* GetPlug() { return mPlug; }
  int GetNControls() const { return static_cast<int>(mControls.size()); }
  IControl* GetControl(int idx) { return idx >= 0 && idx < GetNControls() ? mControls[idx] : nullptr; }
  IControl* GetKeyCatcher() { return mKeyCatcher; }
  int GetMouseCapture() const { return mMouseCapture; }
  int GetMouseOver() const { return mMouseOver; }
  bool GetStrictDrawing() const { return mStrict; }
  const IRECT& GetDrawRECT() const { return mDrawRECT; }

  // Used by the view host to hide the cursor during drags.
  bool mCursorHidden = false;
  int mHiddenMousePointX = -1, mHiddenMousePointY = -1;

protected:
  std::vector<IControl*> mControls;  // owned
  IPlugBase* mPlug;
  IRECT mDrawRECT;

private:
  LICE_CachedFont* CacheFont(IText* text);
  IParam* paramOf(int paramIdx);
  void BeginGesture(int paramIdx);
  void EndGesture();
  void applyFromPlug(int paramIdx, double value);
  // The twins of the loaded images at the current scale.
  void loadTwins();
  // Drawing at a scale above 1 (the 1x path stays as it always was).
  void blitScaled(IBitmap* bitmap, const IRECT& r, int srcX, int srcY, const IChannelBlend* blend);
  void lineScaled(float x1, float y1, float x2, float y2, LICE_pixel color, float alpha, int mode,
                  bool antiAlias);
  void outlineScaled(const IRECT& r, LICE_pixel color);

  PlugValueMailbox mFromPlug;  // one slot per parameter
  std::unique_ptr<LICE_SysBitmap> mDrawBitmap;
  std::unique_ptr<LICE_MemBitmap> mTmpBitmap;
  ScaledImages mScaledImages;  // the images loaded, with their twins at mScale
  int mScale = 1;
  int mWidth, mHeight, mFPS;
  int mMouseCapture = -1, mMouseOver = -1;
  int mMouseX = 0, mMouseY = 0;
  // The parameter whose gesture the host has been told began. Its controls
  // take no value from the plug-in until the gesture ends: the control under
  // the user's hand must not jump back to a value the host reports late (an
  // LV2 host echoes each value the editor sent, a period or two behind).
  int mGestureParam = -1;
  bool mHandleMouseOver = false;
  bool mStrict = true;
  IControl* mKeyCatcher = nullptr;  // owned
};
