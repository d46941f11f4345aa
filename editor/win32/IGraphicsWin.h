#pragma once
// The editor on Windows: a child window inside the host's editor frame,
// redrawn from the surface on a timer, driven by the mouse and the keyboard,
// with an in-place text entry, tooltips and the platform's dialogs, menus,
// folders, links and clipboard. Window handles are kept as void* so that this
// header stays free of the system's headers; only the .cpp files of this
// folder include them.
//
// Thread tags: [who calls; which lock]. Everything here runs on the thread
// that owns the window, the host's UI thread, which is also the thread that
// calls effEditOpen and effEditClose; no lock of the plug-in is held there.
// Control gestures reach the plug-in through SetParameterFromEditor, which
// takes PlugLock itself for the store only, and the host after releasing it.
// A close from another thread (a host destroying the instance elsewhere)
// has the owner thread destroy the window and never waits with PlugLock
// held.

#include <memory>

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

class IGraphicsWin : public IGraphics {
 public:
  // [construction thread; creation lock held] module: where the window
  // class, the text box and the images belong.
  IGraphicsWin(IEffectBase* plugin, int width, int height, int frameRate, ModuleHandle module);
  // [dispatcher thread; no lock] Closes the window (ending any gesture,
  // entry, menu or dialog of it) before the controls go.
  ~IGraphicsWin() override;

  // The window. [editor thread; no lock]
  bool PaintSurface(const Rect& rect) override;
  void CancelTextEntry() override;
  // [editor thread; takes PlugLock] The base rebuild, then the window, its
  // parent and grandparent grow by the difference.
  void Resize(int newWidth, int newHeight) override;
  const char* DrawingApiName() override { return "Windows GDI"; }
  void BeginTextEntry(IControl* control, const TextStyle& style, const Rect& rect,
                      const char* initialText, Parameter* parameter) override;
  // [the host's UI thread; PlugLock not held] The child window inside
  // parent; none when it cannot be made. A window that is still open is
  // replaced by one of the same size and relative position.
  void* OpenWindow(void* parent) override;
  // [any thread; PlugLock not held] Ends an open gesture, entry, menu and
  // capture, then destroys the window; nothing when none is open. From
  // another thread the owner thread is asked to do it; one that does not
  // answer within 5 s has the window cut off from the editor, once no
  // message of ours is being handled there.
  void CloseWindow() override;
  void* WindowHandle() override { return window; }
  void HideCursor() override;
  void RestoreCursor() override;
  // [construction thread; no lock] PNG files only, from the module.
  RasterBitmap* LoadImageResource(int resourceId, const char* fileName) override;

  // The services. [editor thread; no lock; menus and dialogs are modal]
  int ShowMessageBox(const char* text, const char* caption, int type) override;
  ChoiceMenu* ShowChoiceMenu(ChoiceMenu& menu, const Rect& rect) override;
  // Folders end with a backslash; an answer that does not fit or cannot be
  // read is empty, never cut.
  void HostFolder(GrowString& out) override;
  void PluginFolder(GrowString& out) override;
  void DesktopFolder(GrowString& out) override;
  void AppDataFolder(GrowString& out, bool allUsers) override;
  void PromptForFile(GrowString& fileName, int action, GrowString& directory,
                     const char* extensions) override;
  bool PromptForColour(EditorColour& colour, const char* prompt) override;
  // Opens http:, https: and mailto: addresses only.
  bool OpenUrl(const char* url, const char* caption, const char* confirmText,
               const char* errorText) override;
  bool ReadClipboardText(GrowString& out) override;

  // [editor thread; no lock] For tests and tools.
  int EntryState() const { return entryState; }
  void* EntryBox() const { return entryBox; }
  void* TooltipWindow() const { return tooltipWindow; }

  // [editor thread; no lock] The window procedures of the editor window and
  // of the text box; the system reaches them through thin wrappers.
  static intptr_t WindowProc(void* hwnd, unsigned message, uintptr_t wParam, intptr_t lParam);
  static intptr_t EntryBoxProc(void* hwnd, unsigned message, uintptr_t wParam, intptr_t lParam);

  ModuleHandle module;

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
  // The host's top-level window, found once (owner of message boxes).
  void* FindHostTopWindow();
  // Ends whatever holds the mouse or the keyboard modally before the window
  // goes: the popup menu, the text entry, the capture and the gesture.
  void EndModalStateForClose();
  // Everything a close does but destroying the window itself.
  void ForgetWindow();
  // Destroys the window on the thread that owns it.
  void DestroyWindowOnOwnerThread();
  // Lets go of the window procedure's way to this editor; with wait, also
  // waits until no message of ours is being handled on the window's thread.
  void DropLink(bool wait);

  void* window = nullptr;
  WindowLink* link = nullptr;  // one reference while the window is ours
  void* entryBox = nullptr;
  void* tooltipWindow = nullptr;
  IControl* entryControl = nullptr;    // not owned
  Parameter* entryParameter = nullptr; // not owned; none for free text
  intptr_t entryPreviousHandler = 0;
  void* entryFont = nullptr;           // the box's font, deleted with the box
  int entryState = EntryIdle;
  bool tooltipShown = false;
  int tooltipIndex = -1;
  unsigned long* customColours = nullptr;  // 16 words, made on first use
  unsigned long processId = 0;
  void* parentWindow = nullptr;
  void* hostTopWindow = nullptr;
  char hostWindowClass[257] = "";  // class names have at most 256 characters
  EditorColour entryBackground;    // the text box's colours, from its style
  EditorColour entryText;
  bool menuActive = false;        // a popup menu of this window is tracking
  bool releasingCapture = false;  // our own ReleaseCapture, not a lost capture
  // Shared with every modal call in progress: false once the editor is
  // destroyed, so a menu or dialog that returns afterwards touches nothing.
  std::shared_ptr<bool> alive;
};

}  // namespace veltrax
