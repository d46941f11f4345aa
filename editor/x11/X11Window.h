#pragma once
// The editor window on Linux: a child X window inside the host's editor
// frame, on the editor's own connection to the X server.
//
// Threads. Two ways to keep the window going:
// - The host drives it (CLAP and VST3 hosts): the window registers the X
//   connection's descriptor and a 25 Hz timer with the host's run loop, and
//   everything (X events, the user's input, drawing) happens on the host's
//   user-interface thread when they fire.
// - Otherwise (VST 2, or a host without a run loop) the window has a thread
//   of its own, which alone talks to the X server between open and close:
//   it waits for X events and for the timer, draws the controls into the
//   surface and copies dirty rectangles (and exposed ones) to the window.
//   The user's input is not applied there: the thread turns X events into a
//   queue of mouse events, and whoever applies them calls the host (begin,
//   automate, end). When the host sends idle calls, that is the idling
//   thread, the host's user-interface thread, as hosts expect; a host that
//   has not idled for half a second (or never does) has them applied by the
//   window thread instead, in the same order.
// Drawing takes no lock: values reach the controls as atomics. No lock of
// the plug-in is held while the host is called: PlugLock is taken only
// inside SetParameterFromEditor, for the store.
//
// Closing (the host's user-interface thread; no lock) stops and joins the
// window thread, waits for input being applied on another thread, ends a
// gesture left open and destroys the window. A close from inside one of our
// own host calls drops the rest of the event being applied. A host that
// closes the editor from inside a callback on the window thread cannot have
// that thread joined there: the thread then tears its window down itself
// and is joined at the next open, close or destruction.
//
// No X header here: the window is an X id carried in a void*.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "IGraphics.h"

namespace veltrax {

struct X11Session;

class X11Window : public IPlatformWindow {
 public:
  // [construction thread; no lock] editor owns the window.
  explicit X11Window(IGraphics& editor);
  // [UI thread; no lock] Closes an open window first.
  ~X11Window() override;

  // [UI thread; PlugLock not held] parent is the host's X window id. None
  // when there is no X server, no usable visual, or parent is no window; an
  // X error then stays on the editor's own connection.
  void* Open(void* parent, IHostRunLoop* loop) override;
  // [UI thread, or the window thread from inside a host callback; PlugLock
  // not held] See the file comment.
  void Close() override;
  // [any thread; no lock] The window's X id, or none.
  void* Handle() override;
  // [UI thread; PlugLock not held] Applies the user's input that waits, so
  // that the host hears of it on this thread.
  void Idle() override;
  // [UI thread; PlugLock not held] The host's run loop: its timer draws,
  // its watch of our connection brings the events.
  void OnTimer() override;
  void OnFdReady(int fd) override;
  // [editor thread; no lock] Copies rect of the surface to the window.
  bool Paint(const Rect& rect) override;
  // [any thread; no lock] The size for whoever owns the connection to
  // apply. Only the window itself: an X window embedded in the host's frame.
  void SetSize(int width, int height, bool framesFollow) override;

 private:
  friend struct X11Session;
  // Joins and frees a session whose thread closed its own window (one
  // whose thread is this one is let go instead).
  void ReapRetired();
  // Whether this thread is the retired session's own.
  bool RetiredHere() const;
  std::shared_ptr<X11Session> OpenSession() const;

  IGraphics& editor;
  // Guards session and retired: idle calls may come from anywhere, and a
  // window thread that closes its own window retires it.
  mutable std::mutex sessionMutex;
  std::shared_ptr<X11Session> session;  // the open window, none while closed
  std::shared_ptr<X11Session> retired;  // closed from its own thread, not yet joined
  std::atomic<uint32_t> windowId{0};    // the open window's X id, 0 while closed
};

}  // namespace veltrax
