#include "../ClapWindowApi.h"

#include <cstdint>

namespace veltrax {

const char* ClapWindowApi() { return CLAP_WINDOW_API_X11; }

void* ClapParentWindow(const clap_window& window) {
  return reinterpret_cast<void*>(static_cast<uintptr_t>(window.x11));
}

bool ClapWindowUsesRunLoop() { return true; }

}  // namespace veltrax
