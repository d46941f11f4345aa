#pragma once
// The window contract: what a platform's window does for the editor. The
// editor draws into its surface and applies input; the window shows the
// surface, brings the user's input and keeps time. Implemented once per
// platform (win32/, x11/); an editor without one is offscreen.
//
// Thread tags: [who calls; which lock]. "UI thread" is the thread the host
// opens and closes the editor on.

#include "EditorLink.h"
#include "EditorTypes.h"

namespace veltrax {

class IPlatformWindow {
 public:
  // [UI thread; no lock] Closes an open window first.
  virtual ~IPlatformWindow() = default;

  // [UI thread; PlugLock not held] The window inside the host's parent; none
  // when it cannot be made. With a run loop (none: the window keeps its own
  // time) its events and its timer run on the host's thread.
  virtual void* Open(void* parent, IHostRunLoop* loop) = 0;
  // [UI thread; PlugLock not held] Ends a gesture left open and destroys
  // the window; nothing when none is open.
  virtual void Close() = 0;
  // [any thread; no lock] The open window, or none.
  virtual void* Handle() = 0;

  // Time: the host's idle call, or its run loop's timer and descriptor.
  // [UI thread; PlugLock not held]
  virtual void Idle() {}
  virtual void OnTimer() {}
  virtual void OnFdReady(int /*fd*/) {}

  // [editor thread; no lock] Copies rect of the surface to the screen.
  virtual bool Paint(const Rect& rect) = 0;
  // [UI thread (a new scale) or the thread that draws (a new panel); no
  // lock] The panel's new size in device pixels: the window follows. A new
  // scale's surface is made by the editor's ApplyScale, which the window
  // calls on the thread that draws, before it draws at the new size. With
  // framesFollow the host's own frames around it grow too; otherwise the
  // host has sized them already.
  virtual void SetSize(int width, int height, bool framesFollow) = 0;
  // [editor thread; no lock] The pointer while a control drags it.
  virtual void HideCursor() {}
  virtual void RestoreCursor() {}
};

}  // namespace veltrax
