#pragma once
// The editor's services beside its window: menus, dialogs, text entry,
// clipboard, links and folders. Implemented once per platform; the
// offscreen services answer as if the user cancelled and know no folders.
//
// Thread tags: [who calls; which lock]. Menus and dialogs are modal.

#include "EditorTypes.h"
#include "GrowString.h"

namespace veltrax {

class IControl;
class Parameter;

class IEditorServices {
 public:
  virtual ~IEditorServices() = default;

  // [input thread; PlugLock not held] Rectangles and font sizes in the
  // window's device pixels.
  virtual int ShowMessageBox(const char* text, const char* caption, int type) = 0;
  // The menu (or submenu) in which an item was chosen, or none.
  virtual ChoiceMenu* ShowChoiceMenu(ChoiceMenu& menu, const Rect& rect) = 0;
  // A one-line text entry over rect; the value reaches control when done.
  virtual void BeginTextEntry(IControl* control, const TextStyle& style, const Rect& rect,
                              const char* initialText, Parameter* parameter) = 0;
  virtual void CancelTextEntry() = 0;
  // action 1 saves, any other opens; an empty fileName afterwards means
  // nothing was chosen.
  virtual void PromptForFile(GrowString& fileName, int action, GrowString& directory,
                             const char* extensions) = 0;
  virtual bool PromptForColour(EditorColour& colour, const char* prompt) = 0;
  virtual bool OpenUrl(const char* url, const char* caption, const char* confirmText,
                       const char* errorText) = 0;
  // [any thread; no lock]
  virtual bool ReadClipboardText(GrowString& out) = 0;
  virtual void HostFolder(GrowString& out) = 0;
  virtual void PluginFolder(GrowString& out) = 0;
  virtual void DesktopFolder(GrowString& out) = 0;
  virtual void AppDataFolder(GrowString& out, bool allUsers) = 0;
};

// Services that show nothing: every dialog and menu answers as if the user
// cancelled, and no folder, link or clipboard is known. [any thread]
class NoServices : public IEditorServices {
 public:
  int ShowMessageBox(const char*, const char*, int) override { return 0; }
  ChoiceMenu* ShowChoiceMenu(ChoiceMenu&, const Rect&) override { return nullptr; }
  void BeginTextEntry(IControl*, const TextStyle&, const Rect&, const char*, Parameter*) override {}
  void CancelTextEntry() override {}
  void PromptForFile(GrowString& fileName, int, GrowString&, const char*) override {
    fileName.Clear();
  }
  bool PromptForColour(EditorColour&, const char*) override { return false; }
  bool OpenUrl(const char*, const char*, const char*, const char*) override { return false; }
  bool ReadClipboardText(GrowString& out) override {
    out.Clear();
    return false;
  }
  void HostFolder(GrowString& out) override { out.Clear(); }
  void PluginFolder(GrowString& out) override { out.Clear(); }
  void DesktopFolder(GrowString& out) override { out.Clear(); }
  void AppDataFolder(GrowString& out, bool) override { out.Clear(); }
};

}  // namespace veltrax
