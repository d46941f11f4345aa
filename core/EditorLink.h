#pragma once

namespace veltrax {
// What the plug-in base and its adapters see of an attached editor. The
// editor layer implements it; the core knows nothing else of drawing.

class IEditorLink {
 public:
  virtual ~IEditorLink() = default;

  virtual int Width() const = 0;
  virtual int Height() const = 0;

  // Controls in list order with their parameter bindings (-1 for none).
  virtual int ControlCount() const = 0;
  virtual int ControlParamIndex(int position) const = 0;
  // Index of the control's first auxiliary binding to param, or -1.
  virtual int ControlAuxBindingFor(int position, int param) const = 0;

  // Any thread: store a value and mark the control dirty; no drawing.
  virtual void SetValueFromPlug(int position, double normalised) = 0;
  virtual void SetAuxValueFromPlug(int position, int binding, double normalised) = 0;
  // Updates every control bound to param; value is plain unless normalised.
  virtual void SetParameterFromPlug(int param, double value, bool normalised) = 0;
  virtual void PrepareSurface() = 0;

  // Dispatcher thread: the host's editor window.
  virtual void* OpenWindow(void* parent) = 0;
  virtual void CloseWindow() = 0;
};

}  // namespace veltrax
