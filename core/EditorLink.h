#pragma once
// What the plug-in base and its adapters see of an attached editor. The
// editor layer implements it; the core knows nothing else of drawing.
//
// Thread tags: [who calls; which lock].

namespace veltrax {

// A host that runs the editor's events on its own user-interface thread
// (CLAP and VST3 hosts on Linux) lends its timer and its watch of a file
// descriptor through this; the editor is called back through OnHostTimer
// and OnHostFd on that thread. [the host's user-interface thread]
class IHostRunLoop {
 public:
  // False when the host cannot: the editor then runs a thread of its own.
  virtual bool RegisterTimer(int periodMilliseconds) = 0;
  virtual void UnregisterTimer() = 0;
  virtual bool RegisterFd(int fd) = 0;
  virtual void UnregisterFd(int fd) = 0;

 protected:
  ~IHostRunLoop() = default;
};

class IEditorLink {
 public:
  // [dispatcher thread; no lock] With the instance.
  virtual ~IEditorLink() = default;

  // [any thread; no lock] The window's size in device pixels: the panel at
  // its scale, or at the one an open window is asking the host for while
  // the host answers. Changes only through SetHostScale or the screen's
  // scale.
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // [the host's user-interface thread; PlugLock not held] The host's scale
  // factor for the panel (1.0 at 96 dpi). An open window asks the host for
  // its new size (IHostBinding::ResizeEditorWindow) before it changes.
  virtual void SetHostScale(double /*factor*/) {}

  // Controls in list order with their parameter bindings (-1 for none).
  // [any thread; no lock]
  virtual int ControlCount() const = 0;
  virtual int ControlParamIndex(int position) const = 0;
  // Index of the control's first auxiliary binding to param, or -1.
  virtual int ControlAuxBindingFor(int position, int param) const = 0;

  // [any thread; PlugLock held, on the audio thread too] Store a value and
  // mark the control dirty (atomics, no drawing, no waiting). Positions
  // outside the list do nothing.
  virtual void SetValueFromPlug(int position, double normalised) = 0;
  virtual void SetAuxValueFromPlug(int position, int binding, double normalised) = 0;
  // [any thread; PlugLock held] Updates every control bound to param; value
  // is plain unless normalised.
  virtual void SetParameterFromPlug(int param, double value, bool normalised) = 0;
  // [construction thread; PlugLock held or not: the editor's own surface]
  virtual void PrepareSurface() = 0;

  // [the host's user-interface thread; PlugLock not held: closing may end a
  // gesture with the host, and may wait for a window thread that waits for
  // the lock] The host's editor window: the editor's own window inside
  // parent, or none when it cannot be made. With a run loop (may be none)
  // the window's events and timer run on the host's thread through it.
  virtual void* OpenWindow(void* parent, IHostRunLoop* loop) = 0;
  virtual void CloseWindow() = 0;
  // [the host's user-interface thread; PlugLock not held] The host's editor
  // idle call: the editor may apply the user's input here, so that what it
  // tells the host comes on this thread.
  virtual void Idle() {}
  // [the host's user-interface thread; PlugLock not held] The run loop's
  // timer fired; the descriptor the editor registered is readable.
  virtual void OnHostTimer() {}
  virtual void OnHostFd(int /*fd*/) {}
};

}  // namespace veltrax
