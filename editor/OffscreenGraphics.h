#pragma once
// The editor without a window: everything but the screen. The surface is
// drawn exactly as a window would show it; painting succeeds without copying
// anything, images come from the module's "PNG" resources, and dialogs and
// menus answer that nothing was chosen. Tools and tests draw the panel with
// it, and it stands in for a window on platforms that have none.

#include "IGraphics.h"

namespace veltrax {

// An editor with no platform window and no services (NoServices answer
// for it) is offscreen.
using IGraphicsOffscreen = IGraphics;

}  // namespace veltrax
