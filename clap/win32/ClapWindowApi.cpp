#include "../ClapWindowApi.h"

namespace veltrax {

const char* ClapWindowApi() { return CLAP_WINDOW_API_WIN32; }

void* ClapParentWindow(const clap_window& window) { return window.win32; }

bool ClapWindowUsesRunLoop() { return false; }

}  // namespace veltrax
