#pragma once
// What the CLAP adapter's window needs to know of the platform: which
// window API hosts hand us, how the parent arrives, and whether the host's
// run loop drives the window.

#include "ClapAbi.h"

namespace veltrax {

// "x11" on Linux, "win32" on Windows.
const char* ClapWindowApi();
// The host's window as the editor takes it.
void* ClapParentWindow(const clap_window& window);
// Linux: the X connection and the timer run on the host's main thread
// through its timer and descriptor support. Windows: the window's own timer
// runs on the thread that opens it, which is the host's main thread.
bool ClapWindowUsesRunLoop();

}  // namespace veltrax
