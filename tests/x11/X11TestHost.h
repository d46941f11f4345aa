#pragma once
// The X side of the editor window tests: a host that owns a top-level X
// window, records the plug-in's automation callbacks from any thread, drives
// the pointer and keyboard through the XTEST extension and reads pixels back.

#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "PluginHost.h"

namespace veltrax {

struct Automation {
  const AEffect* effect;
  int32_t opcode;  // audioMasterBeginEdit, audioMasterAutomate or audioMasterEndEdit
  int32_t index;
  float value;
  std::thread::id thread;  // the thread the plug-in called on
};

// The callbacks an editor made, in order. [any thread]
class AutomationLog {
 public:
  void Add(const Automation& entry);
  std::vector<Automation> For(const AEffect* effect) const;
  int Count(const AEffect* effect, int32_t opcode) const;
  void Clear();

 private:
  mutable std::mutex mutex;
  std::vector<Automation> entries;
};
AutomationLog& Log();
intptr_t VST_CALLBACK AutomationHost(AEffect* effect, int32_t opcode, int32_t index,
                                     intptr_t value, void* ptr, float opt);

// The test's own connection. [test thread]
xcb_connection_t* Connection();
xcb_screen_t* Screen();
// Waits until the server has handled everything sent so far.
void Sync();

// A mapped top-level window at (x, y) on the root window.
xcb_window_t CreateTopWindow(int x, int y, int width, int height);
// A mapped child window of parent.
xcb_window_t CreateChildWindow(xcb_window_t parent, int x, int y, int width, int height);
void DestroyWindow(xcb_window_t window);
std::vector<xcb_window_t> Children(xcb_window_t window);

// Real input, in root coordinates (the test windows sit at known places).
void MovePointer(int x, int y);
// sync false sends without waiting for the server, for events that must
// arrive close together (a double click).
void Button(int button, bool down, bool sync = true);
void Click(int x, int y, int button = 1);
// Presses at from, moves in steps of at most 8 pixels to to, and releases
// unless keepHeld.
void Drag(int fromX, int fromY, int toX, int toY, bool keepHeld = false);
void Key(uint32_t keysym, bool down);

// The window's pixels (RGB, the unused byte cleared), row by row.
std::vector<uint32_t> ReadPixels(xcb_window_t window, int width, int height);

// The panel drawn offscreen by the effect linked in, at the scale given (RGB
// as ReadPixels gives it), with each parameter value(index) returns as a
// host's normalised value, or the default where it returns a negative one.
std::vector<uint32_t> OffscreenPanel(const std::function<double(int)>& value, int scale = 1);

// Polls until done() or the timeout; false on timeout.
bool WaitFor(const std::function<bool()>& done,
             std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));

}  // namespace veltrax
