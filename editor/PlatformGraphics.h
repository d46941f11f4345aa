#pragma once
// The editor of the platform the binary is built for: a window where one
// exists, the offscreen editor otherwise. The effect builds its panel on
// whatever this returns.

#include "IGraphics.h"

namespace veltrax {

// [construction thread, creation lock held] The caller owns the result
// (none when memory is short). module is where the images are found.
IGraphics* CreatePlatformGraphics(IEffectBase* plugin, int width, int height, int frameRate,
                                  ModuleHandle module);

}  // namespace veltrax
