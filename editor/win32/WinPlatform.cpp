// Windows builds get the Windows window and services.

#include <new>

#include "PlatformGraphics.h"
#include "WinServices.h"
#include "WinWindow.h"

namespace veltrax {

IGraphics* CreatePlatformGraphics(IEffectBase* plugin, int width, int height, int frameRate,
                                  ModuleHandle module) {
  auto* graphics = new (std::nothrow) IGraphics(plugin, width, height, frameRate, module);
  if (graphics == nullptr) return nullptr;
  // Without memory for the window the editor is still whole, offscreen; the
  // services then answer as if cancelled.
  auto* window = new (std::nothrow) WinWindow(*graphics, module);
  graphics->SetPlatform(window, new (std::nothrow) WinServices(window, module));
  return graphics;
}

}  // namespace veltrax
