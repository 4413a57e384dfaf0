#pragma once
// The part of an editor's graphics context that the plug-in base talks to.
//
// The base holds its editor through this interface rather than the GUI
// toolkit's graphics context itself, so the framework builds and is tested
// without the GUI; the graphics context derives from it.
class IGraphicsLink {
public:
  virtual ~IGraphicsLink() = default;
  // Any thread, the audio thread included (lock-free, no allocation): sends a
  // parameter's value to the controls bound to it; value is 0..1 when
  // normalized, else in the parameter's real units.
  virtual void SetParameterFromPlug(int paramIdx, double value, bool normalized) = 0;
  // User-interface thread: the values sent since the last call reach their
  // controls.
  virtual void ApplyPlugUpdates() = 0;
  // Creates the back buffer; called once, when the editor is attached.
  virtual void PrepDraw() = 0;
};
