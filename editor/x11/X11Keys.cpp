#include "X11Keys.h"

#include "EditorTypes.h"

namespace veltrax {

int KeyCodeForKeysym(uint32_t keysym) {
  switch (keysym) {
    case 0x0020: return KeySpace;
    case 0xFF52: return KeyUp;     // XK_Up
    case 0xFF54: return KeyDown;   // XK_Down
    case 0xFF51: return KeyLeft;   // XK_Left
    case 0xFF53: return KeyRight;  // XK_Right
    default: break;
  }
  if (keysym >= '0' && keysym <= '9') return KeyDigit0 + static_cast<int>(keysym - '0');
  if (keysym >= 'A' && keysym <= 'Z') return KeyLetterA + static_cast<int>(keysym - 'A');
  if (keysym >= 'a' && keysym <= 'z') return KeyLetterA + static_cast<int>(keysym - 'a');
  return -1;
}

}  // namespace veltrax
