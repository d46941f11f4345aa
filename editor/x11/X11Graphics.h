#pragma once
// The editor window on Linux: a child X window inside the host's editor
// frame, on the editor's own connection to the X server.
//
// Threads. Each open window has a thread of its own, which alone talks to
// the X server between open and close: it waits for X events and for the
// 25 Hz timer, draws the controls into the surface and copies dirty
// rectangles (and exposed ones) to the window. Drawing takes no lock:
// values reach the controls as atomics.
//
// The user's input is not applied there. The window thread turns X events
// into a queue of mouse events; whoever applies them calls the host (begin,
// automate, end). When the host sends idle calls, that is the idling thread,
// the host's user-interface thread, as hosts expect; a host that has not
// idled for half a second (or never does) has them applied by the window
// thread instead, in the same order. Either way no lock of the plug-in is
// held while the host is called: PlugLock is taken only inside
// SetParameterFromEditor, for the store.
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

#include "OffscreenGraphics.h"

namespace veltrax {

struct X11Session;

// Builds on the offscreen editor: images from the module, and the dialogs,
// menus and text entry answering as if cancelled. Linux has no toolkit of
// ours to show them with, and no control of Veltrax reaches them (its
// right-click prompt is disabled).
class IGraphicsX11 : public IGraphicsOffscreen {
 public:
  // [construction thread; no lock]
  IGraphicsX11(IEffectBase* plugin, int width, int height, int frameRate, ModuleHandle module);
  // [the host's user-interface thread; no lock] Closes an open window first.
  ~IGraphicsX11() override;

  // [editor thread; no lock] Copies rect of the surface to the window.
  bool PaintSurface(const Rect& rect) override;
  // [window thread; no lock] Resizes the window with the surface.
  void Resize(int newWidth, int newHeight) override;
  const char* DrawingApiName() override { return "X11"; }

  // Folders. [any thread; no lock] Host and plug-in folders end with '/';
  // empty when unknown.
  void HostFolder(GrowString& out) override;
  void PluginFolder(GrowString& out) override;
  // The XDG desktop folder (user-dirs.dirs, else ~/Desktop).
  void DesktopFolder(GrowString& out) override;
  // XDG_DATA_HOME (~/.local/share), or the first of XDG_DATA_DIRS for all users.
  void AppDataFolder(GrowString& out, bool allUsers) override;
  // [any thread; no lock] http, https and mailto addresses only, handed to
  // xdg-open; false for anything else and when a confirmation was asked
  // for, since there is no message box to ask with.
  bool OpenUrl(const char* url, const char* caption, const char* confirmText,
               const char* errorText) override;
  // [any thread; no lock] The CLIPBOARD selection as UTF-8, asked for on a
  // connection of its own; false when there is none within half a second.
  bool ReadClipboardText(GrowString& out) override;

  // [the host's user-interface thread; PlugLock not held] parent is the
  // host's X window id. None when there is no X server, no usable visual,
  // or parent is no window; an X error then stays on the editor's own
  // connection.
  void* OpenWindow(void* parent) override;
  // [the host's user-interface thread, or the window thread from inside a
  // host callback; PlugLock not held] See the file comment.
  void CloseWindow() override;
  // [any thread; no lock] The window's X id, or none.
  void* WindowHandle() override;
  // [the host's user-interface thread; PlugLock not held] Applies the
  // user's input that waits, so that the host hears of it on this thread.
  void Idle() override;

 private:
  friend struct X11Session;
  // Joins and frees a session whose thread closed its own window.
  void ReapRetired();
  std::shared_ptr<X11Session> OpenSession();

  std::mutex sessionMutex;  // guards session: idle calls may come from anywhere
  std::shared_ptr<X11Session> session;  // the open window, none while closed
  std::shared_ptr<X11Session> retired;  // closed from its own thread, not yet joined
  std::atomic<uint32_t> windowId{0};    // the open window's X id, 0 while closed
};

}  // namespace veltrax
