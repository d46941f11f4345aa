#pragma once
// The editor window on Linux: a child X window inside the host's editor
// frame, on the editor's own connection to the X server.
//
// Threads. The host opens and closes the window from its dispatcher thread
// with PlugLock held. Each open window has one editor thread of its own,
// which alone talks to the X server between open and close: it waits for
// X events and for the 25 Hz timer, draws the controls into the surface and
// copies dirty rectangles (and exposed ones) to the window. No drawing or X
// call ever happens on the audio thread or on the host's threads after the
// window is up.
//
// The editor thread takes PlugLock for mouse and key handling only (a
// gesture reaches the plug-in and the host under it), and only with TryLock,
// checking between tries whether it must stop; it never waits for the lock
// unboundedly. So CloseWindow, which holds PlugLock, can stop the thread and
// join it: the thread is either drawing (bounded), waiting for events, or
// trying for the lock, and each of those ends when told to stop. Drawing
// takes no lock: values reach the controls as atomics. After the join,
// CloseWindow ends a gesture left open. A host that closes the editor from
// inside one of our own gesture callbacks (on the editor thread) cannot
// join it there: the thread then tears its window down itself and is joined
// at the next open, close or destruction. A lost X connection ends the
// thread quietly, ending an open gesture first.
//
// No X header here: the window is an X id carried in a void*.

#include <atomic>
#include <cstdint>

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
  // [dispatcher thread; no lock] Closes an open window first.
  ~IGraphicsX11() override;

  // [editor thread; no lock] Copies rect of the surface to the window.
  bool PaintSurface(const Rect& rect) override;
  // [editor thread; takes PlugLock (blocking: no control of Veltrax
  // resizes)] Resizes the window with the surface.
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

  // [dispatcher thread; PlugLock held] parent is the host's X window id.
  // None when there is no X server, no usable visual, or parent is no
  // window; an X error then stays on the editor's own connection.
  void* OpenWindow(void* parent) override;
  // [dispatcher thread; PlugLock held] Stops and joins the editor thread,
  // ends a gesture left open, destroys the window and the connection.
  void CloseWindow() override;
  // [any thread; no lock] The window's X id, or none.
  void* WindowHandle() override;
  // [dispatcher thread; PlugLock held] Nothing to do: the editor thread
  // keeps its own time, whether or not the host sends idle calls.
  void Idle() override {}
 private:
  friend struct X11Session;
  // Joins and frees a session whose thread closed its own window.
  void ReapRetired();

  X11Session* session = nullptr;  // the open window, none while closed
  X11Session* retired = nullptr;  // closed from its own thread, not yet joined
  std::atomic<uint32_t> windowId{0};  // the open window's X id, 0 while closed
};

}  // namespace veltrax
