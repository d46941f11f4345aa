// Linux builds get the X11 window.

#include <new>

#include "PlatformGraphics.h"
#include "X11Graphics.h"

namespace veltrax {

IGraphics* CreatePlatformGraphics(IEffectBase* plugin, int width, int height, int frameRate,
                                  ModuleHandle module) {
  return new (std::nothrow) IGraphicsX11(plugin, width, height, frameRate, module);
}

}  // namespace veltrax
