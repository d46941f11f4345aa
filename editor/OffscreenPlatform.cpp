// Builds without a window of their own get the offscreen editor.

#include <new>

#include "OffscreenGraphics.h"
#include "PlatformGraphics.h"

namespace veltrax {

IGraphics* CreatePlatformGraphics(IEffectBase* plugin, int width, int height, int frameRate,
                                  ModuleHandle module) {
  return new (std::nothrow) IGraphics(plugin, width, height, frameRate, module);
}

}  // namespace veltrax
