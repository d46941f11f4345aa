#pragma once
// Key translation for the X11 window: an X keysym to the editor's KeyCode.

#include <cstdint>

namespace veltrax {

// [any thread; no lock] Space, the four arrows, the digits and the letters
// (either case) translate; -1 for every other key, which goes to the host.
int KeyCodeForKeysym(uint32_t keysym);

}  // namespace veltrax
