#include "OffscreenGraphics.h"

#include "PngImage.h"

namespace veltrax {

IGraphicsOffscreen::IGraphicsOffscreen(IEffectBase* plugin, int width, int height, int frameRate,
                                       ModuleHandle newModule)
    : IGraphics(plugin, width, height, frameRate), module(newModule) {}

bool IGraphicsOffscreen::PaintSurface(const Rect& /*rect*/) { return true; }

int IGraphicsOffscreen::ShowMessageBox(const char* /*text*/, const char* /*caption*/,
                                       int /*type*/) {
  return 0;  // no button was pressed
}

ChoiceMenu* IGraphicsOffscreen::ShowChoiceMenu(ChoiceMenu& /*menu*/, const Rect& /*rect*/) {
  ResetCapture();
  return nullptr;
}

void IGraphicsOffscreen::BeginTextEntry(IControl* /*control*/, const TextStyle& /*style*/,
                                        const Rect& /*rect*/, const char* /*initialText*/,
                                        Parameter* /*parameter*/) {}

void IGraphicsOffscreen::PromptForFile(GrowString& fileName, int /*action*/,
                                       GrowString& /*directory*/, const char* /*extensions*/) {
  fileName.Clear();
}

bool IGraphicsOffscreen::PromptForColour(EditorColour& /*colour*/, const char* /*prompt*/) {
  return false;
}

bool IGraphicsOffscreen::OpenUrl(const char* /*url*/, const char* /*caption*/,
                                 const char* /*confirmText*/, const char* /*errorText*/) {
  return false;
}

void* IGraphicsOffscreen::OpenWindow(void* /*parent*/) { return nullptr; }

bool IGraphicsOffscreen::ReadClipboardText(GrowString& out) {
  out.Clear();
  return false;
}

RasterBitmap* IGraphicsOffscreen::LoadImageResource(int resourceId, const char* fileName) {
  // The name chooses the decoder only; the image always comes from the module.
  if (!HasPngExtension(fileName)) return nullptr;
  return LoadPngResource(module, resourceId);
}

}  // namespace veltrax
