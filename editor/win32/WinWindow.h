#pragma once
// The editor window on Windows: a child window inside the host's editor
// frame, redrawn from the editor's surface on a timer of its own, driven by
// the mouse and the keyboard, with an in-place text entry and tooltips. The
// dialogs, menus, folders, links and clipboard are WinServices'. Window
// handles are kept as void* so that this header stays free of the system's
// headers; only the .cpp files of this folder include them.
//
// Thread tags: [who calls; which lock]. Everything here runs on the thread
// that opens the window, the host's UI thread, which is also the thread
// that closes it; no lock of the plug-in is held there. The host's run loop
// is not used: the window has its own Win32 timer on that thread, as hosts
// expect. Control gestures reach the plug-in through SetParameterFromEditor,
// which takes PlugLock itself for the store only, and the host after
// releasing it. A close from another thread (a host destroying the instance
// elsewhere) has the owner thread destroy the window and never waits with
// PlugLock held.

#include <atomic>
#include <cstdint>

#include "IGraphics.h"

namespace veltrax {

struct WindowLink;

// What the timer does with an open text entry.
enum TextEntryState : int {
  EntryIdle = 0,
  EntryFocused = 1,     // the box has the keyboard; the editor waits
  EntryRedrawn = 2,     // a redraw happened while the box was open
  EntryCancel = 3,      // close it at the next tick without effect
  EntryCommit = 4,      // take its text at the next tick, then close it
};

class WinWindow : public IPlatformWindow {
 public:
  // [construction thread; no lock] editor owns the window; module is where
  // the window class and the text box belong.
  WinWindow(IGraphics& editor, ModuleHandle module);
  // [UI thread; no lock] Closes the window (ending any entry, menu or
  // capture of it); the editor has forgotten its gesture already.
  ~WinWindow() override;

  // [UI thread; PlugLock not held] The child window inside parent; none
  // when it cannot be made. The run loop is ignored. A window that is still
  // open is replaced by one of the same size and relative position.
  void* Open(void* parent, IHostRunLoop* loop) override;
  // [any thread; PlugLock not held] Ends an open gesture, entry, menu and
  // capture, then destroys the window; nothing when none is open. From
  // another thread the owner thread is asked to do it (one that does not
  // answer within 5 s has the window cut off from the editor instead), and
  // the close returns once no message of ours is being handled there: a
  // handler in a modal loop (a menu, a dialog) is waited for.
  void Close() override;
  // [any thread; no lock]
  void* Handle() override { return window; }
  // [editor thread; no lock] Copies rect of the surface to the window while
  // it paints; true without a window (the surface is the result).
  bool Paint(const Rect& rect) override;
  // [UI thread, which draws; no lock] The window, and its parent and
  // grandparent when they are plain child windows, grow by the difference.
  void SetSize(int width, int height, bool framesFollow) override;
  // [editor thread; no lock] Hidden while a control drags it; restored where it was.
  void HideCursor() override;
  void RestoreCursor() override;

  // The in-place text entry, a child of the window; the services pass the
  // editor's requests on. [editor thread; no lock] Nothing without a window
  // or while an entry is open.
  void BeginTextEntry(IControl* control, const TextStyle& style, const Rect& rect,
                      const char* initialText, Parameter* parameter);
  // Closed at the next tick without effect.
  void CancelTextEntry();

  // For the services' modal menus and dialogs. [editor thread; no lock]
  IGraphics& Editor() const { return editor; }
  // The parent of the last open, kept after the close.
  void* ParentWindow() const { return parentWindow; }
  // A popup menu of this window is tracking: a close ends it first.
  void SetMenuActive(bool active) { menuActive = active; }

  // [editor thread; no lock] For tests and tools.
  int EntryState() const { return entryState; }
  void* EntryBox() const { return entryBox; }
  void* TooltipWindow() const { return tooltipWindow; }

  // [editor thread; no lock] The window procedures of the editor window and
  // of the text box; the system reaches them through thin wrappers.
  static intptr_t WindowProc(void* hwnd, unsigned message, uintptr_t wParam, intptr_t lParam);
  static intptr_t EntryBoxProc(void* hwnd, unsigned message, uintptr_t wParam, intptr_t lParam);

 private:
  intptr_t HandleMessage(unsigned message, uintptr_t wParam, intptr_t lParam);
  intptr_t HandleEntryBoxMessage(unsigned message, uintptr_t wParam, intptr_t lParam);
  void HandleCreate();
  void TimerTick();
  void CommitTextEntry();
  void CloseTextEntry();
  void HandleHover(int x, int y, const MouseModifiers& modifiers);
  void CreateTooltips();
  void DestroyTooltips();
  void ShowTooltip(const char* text);
  void HideTooltip();
  // Ends whatever holds the mouse or the keyboard modally before the window
  // goes: the popup menu, the text entry, the capture and the gesture.
  void EndModalStateForClose();
  // Everything a close does but destroying the window itself.
  void ForgetWindow();
  // Destroys the window on the thread that owns it.
  void DestroyWindowOnOwnerThread();
  // Lets go of the window procedure's way to this window; with wait, also
  // waits until no message of ours is being handled on the window's thread.
  void DropLink(bool wait);

  IGraphics& editor;
  ModuleHandle module;
  // Written on the owner thread (and by a close from another thread that
  // it does not answer); Handle reads it anywhere.
  std::atomic<void*> window{nullptr};
  WindowLink* link = nullptr;  // one reference while the window is ours
  void* parentWindow = nullptr;
  void* entryBox = nullptr;
  void* tooltipWindow = nullptr;
  IControl* entryControl = nullptr;    // not owned
  Parameter* entryParameter = nullptr; // not owned; none for free text
  intptr_t entryPreviousHandler = 0;
  void* entryFont = nullptr;           // the box's font, deleted with the box
  int entryState = EntryIdle;
  EditorColour entryBackground;        // the text box's colours, from its style
  EditorColour entryText;
  bool tooltipShown = false;
  int tooltipIndex = -1;
  bool menuActive = false;        // a popup menu of this window is tracking
  bool releasingCapture = false;  // our own ReleaseCapture, not a lost capture
  bool cursorHidden = false;
  int savedCursorX = -1;
  int savedCursorY = -1;
};

}  // namespace veltrax
