// Linux builds get the X11 window and services.

#include <new>

#include "PlatformGraphics.h"
#include "X11Services.h"
#include "X11Window.h"

namespace veltrax {

IGraphics* CreatePlatformGraphics(IEffectBase* plugin, int width, int height, int frameRate,
                                  ModuleHandle module) {
  auto* graphics = new (std::nothrow) IGraphics(plugin, width, height, frameRate, module);
  if (graphics == nullptr) return nullptr;
  // Without memory for either the editor is still whole, offscreen.
  graphics->SetPlatform(new (std::nothrow) X11Window(*graphics),
                        new (std::nothrow) X11Services(module));
  return graphics;
}

}  // namespace veltrax
