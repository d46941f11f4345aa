#pragma once
// The editor without a window: everything but the screen. The surface is
// drawn exactly as a window would show it; painting succeeds without copying
// anything, images come from the module's "PNG" resources, and dialogs and
// menus answer that nothing was chosen. Tools and tests draw the panel with
// it, and it stands in for a window on platforms that have none.

#include "IGraphics.h"

namespace veltrax {

// An editor with no platform window and no services is offscreen.
using IGraphicsOffscreen = IGraphics;

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
