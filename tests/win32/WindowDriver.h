#pragma once
// Drives editor windows the way a user and a host do: a top-level host
// window, a message pump that waits with bounded polling (never a fixed
// sleep), real input through SendInput, and pixels read back from a window.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace veltrax {
namespace wintest {

// A visible top-level window whose client area is at least w x h, brought to
// the foreground. Its procedure records the keys it receives. Keep it for
// the process: without a window manager, destroying a top-level window
// makes the window system wait for an answer that never comes.
HWND CreateHostWindow(int x, int y, int w, int h);
struct KeyRecord {
  UINT message;  // WM_KEYDOWN or WM_KEYUP
  WPARAM key;
};
std::vector<KeyRecord>& HostKeys();

// Timer ticks of the watched editor window: counted and timed as the pump
// dispatches them.
struct TickStats {
  int ticks = 0;
  double totalMs = 0.0;
  double maxMs = 0.0;
};
void WatchEditor(HWND editor);
const TickStats& Ticks();

// Dispatches messages until done() holds or timeoutMs pass; done() is
// checked after every message and whenever the queue runs dry.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 3000);
// Until count more ticks of the watched editor were dispatched.
bool PumpTicks(int count, int timeoutMs = 3000);
// Dispatches what is queued now, plus whatever arrives in the next moment
// of quiet (a few milliseconds without messages).
void PumpPending();

// Real input. Positions are screen pixels.
bool MoveMouse(int x, int y);
void MouseButton(bool down, bool right = false);
void Wheel(int notches);
void Key(WORD virtualKey, bool down);
void TypeText(const wchar_t* text);
// Screen position of a client point of window.
POINT ScreenPoint(HWND window, int x, int y);
// Moves there, presses and releases the left button.
void Click(HWND window, int x, int y);

// The window's client pixels 0x00RRGGBB, row by row from the top.
std::vector<uint32_t> ReadWindowPixels(HWND window, int w, int h);

}  // namespace wintest
}  // namespace veltrax
