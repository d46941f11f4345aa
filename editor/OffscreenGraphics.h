#pragma once
// The editor without a window: everything but the screen. The surface is
// drawn exactly as a window would show it; painting succeeds without copying
// anything, images come from the module's "PNG" resources, and dialogs and
// menus answer that nothing was chosen. Tools and tests draw the panel with
// it, and it stands in for a window on platforms that have none.

#include "IGraphics.h"

namespace veltrax {

class IGraphicsOffscreen : public IGraphics {
 public:
  // [construction thread; no lock]
  IGraphicsOffscreen(IEffectBase* plugin, int width, int height, int frameRate, ModuleHandle module);

  // [editor thread; no lock] See the class comment.
  bool PaintSurface(const Rect& rect) override;
  void CancelTextEntry() override {}
  const char* DrawingApiName() override { return "offscreen"; }
  int ShowMessageBox(const char* text, const char* caption, int type) override;
  ChoiceMenu* ShowChoiceMenu(ChoiceMenu& menu, const Rect& rect) override;
  void BeginTextEntry(IControl* control, const TextStyle& style, const Rect& rect,
                      const char* initialText, Parameter* parameter) override;
  void HostFolder(GrowString& out) override { out.Clear(); }
  void PluginFolder(GrowString& out) override { out.Clear(); }
  void DesktopFolder(GrowString& out) override { out.Clear(); }
  void AppDataFolder(GrowString& out, bool /*allUsers*/) override { out.Clear(); }
  void PromptForFile(GrowString& fileName, int action, GrowString& directory,
                     const char* extensions) override;
  bool PromptForColour(EditorColour& colour, const char* prompt) override;
  bool OpenUrl(const char* url, const char* caption, const char* confirmText,
               const char* errorText) override;
  // [dispatcher thread; PlugLock held] There is no window to open.
  void* OpenWindow(void* parent) override;
  void CloseWindow() override {}
  void* WindowHandle() override { return nullptr; }
  bool ReadClipboardText(GrowString& out) override;
  // [construction thread; no lock] PNG files only, from the module.
  RasterBitmap* LoadImageResource(int resourceId, const char* fileName) override;

  ModuleHandle module;  // where the images are found
};

}  // namespace veltrax
