#pragma once
// The editor's services on Windows: choice menus, message boxes, the
// well-known folders, file and colour dialogs, opening a link and reading
// the clipboard; text entry goes to the window, whose child the box is.
//
// Thread tags: [who calls; which lock]. Menus and dialogs are modal and
// owned by the editor window: the host may close the editor, or destroy the
// instance, from inside their message loops. Each one keeps a copy of the
// services' liveness token and touches nothing of the editor once it is
// gone.

#include <atomic>
#include <memory>

#include "WinWindow.h"

namespace veltrax {

class WinServices : public IEditorServices {
 public:
  // [construction thread; no lock] window: the owner of menus and dialogs
  // (none: they answer as if cancelled); it outlives the services' use of
  // it. module: the plug-in's own binary, for its folder.
  WinServices(WinWindow* window, ModuleHandle module);
  // [UI thread; no lock] A menu or dialog returning from here on leaves the
  // editor alone.
  ~WinServices() override;

  // [editor thread; no lock; modal] Owned by the host's top-level window.
  int ShowMessageBox(const char* text, const char* caption, int type) override;
  // [editor thread; no lock; modal] At the bottom left of rect (device
  // pixels of the window). None without an open window.
  ChoiceMenu* ShowChoiceMenu(ChoiceMenu& menu, const Rect& rect) override;
  // [editor thread; no lock] Passed to the window.
  void BeginTextEntry(IControl* control, const TextStyle& style, const Rect& rect,
                      const char* initialText, Parameter* parameter) override;
  void CancelTextEntry() override;
  // [editor thread; no lock; modal] Nothing chosen without an open window.
  void PromptForFile(GrowString& fileName, int action, GrowString& directory,
                     const char* extensions) override;
  bool PromptForColour(EditorColour& colour, const char* prompt) override;
  // [editor thread; no lock] Opens http:, https: and mailto: addresses only.
  bool OpenUrl(const char* url, const char* caption, const char* confirmText,
               const char* errorText) override;
  // [any thread; no lock] UTF-8.
  bool ReadClipboardText(GrowString& out) override;
  // [any thread; no lock] Folders end with a backslash; an answer that does
  // not fit or cannot be read is empty, never cut.
  void HostFolder(GrowString& out) override;
  void PluginFolder(GrowString& out) override;
  void DesktopFolder(GrowString& out) override;
  void AppDataFolder(GrowString& out, bool allUsers) override;

 private:
  // The open editor window, or none.
  void* OwnerWindow() const;
  // The host's top-level window, found once (owner of message boxes).
  void* FindHostTopWindow();

  WinWindow* window;  // not owned
  ModuleHandle module;
  unsigned long* customColours = nullptr;  // 16 words, made on first use
  unsigned long processId = 0;
  void* hostTopWindow = nullptr;
  char hostWindowClass[257] = "";  // class names have at most 256 characters
  // Shared with every modal call in progress: false once the services are
  // destroyed, so a menu or dialog that returns afterwards touches nothing.
  std::shared_ptr<std::atomic<bool>> alive;
};

}  // namespace veltrax
