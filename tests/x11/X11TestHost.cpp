#include "X11TestHost.h"

#include <xcb/xtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "IGraphics.h"
#include "Veltrax.h"

namespace veltrax {

void AutomationLog::Add(const Automation& entry) {
  std::lock_guard<std::mutex> guard(mutex);
  entries.push_back(entry);
}

std::vector<Automation> AutomationLog::For(const AEffect* effect) const {
  std::lock_guard<std::mutex> guard(mutex);
  std::vector<Automation> mine;
  for (const Automation& a : entries) {
    if (a.effect == effect) mine.push_back(a);
  }
  return mine;
}

int AutomationLog::Count(const AEffect* effect, int32_t opcode) const {
  int n = 0;
  for (const Automation& a : For(effect)) n += a.opcode == opcode ? 1 : 0;
  return n;
}

void AutomationLog::Clear() {
  std::lock_guard<std::mutex> guard(mutex);
  entries.clear();
}

AutomationLog& Log() {
  static AutomationLog log;
  return log;
}

intptr_t VST_CALLBACK AutomationHost(AEffect* effect, int32_t opcode, int32_t index,
                                     intptr_t /*value*/, void* /*ptr*/, float opt) {
  if (opcode == audioMasterVersion) return 2400;
  if (opcode == audioMasterAutomate || opcode == audioMasterBeginEdit ||
      opcode == audioMasterEndEdit) {
    Log().Add(Automation{effect, opcode, index, opt, std::this_thread::get_id()});
  }
  return 0;
}

xcb_connection_t* Connection() {
  static xcb_connection_t* const connection = xcb_connect(nullptr, nullptr);
  return connection;
}

xcb_screen_t* Screen() { return xcb_setup_roots_iterator(xcb_get_setup(Connection())).data; }

void Sync() { std::free(xcb_get_input_focus_reply(Connection(), xcb_get_input_focus(Connection()), nullptr)); }

xcb_window_t CreateTopWindow(int x, int y, int width, int height) {
  xcb_connection_t* c = Connection();
  const xcb_window_t window = xcb_generate_id(c);
  const uint32_t values[] = {Screen()->black_pixel, 1,
                             XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE};
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window, Screen()->root, static_cast<int16_t>(x),
                    static_cast<int16_t>(y), static_cast<uint16_t>(width),
                    static_cast<uint16_t>(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                    XCB_COPY_FROM_PARENT,
                    XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
  xcb_map_window(c, window);
  Sync();
  return window;
}

xcb_window_t CreateChildWindow(xcb_window_t parent, int x, int y, int width, int height) {
  xcb_connection_t* c = Connection();
  const xcb_window_t window = xcb_generate_id(c);
  const uint32_t values[] = {Screen()->black_pixel};
  xcb_create_window(c, XCB_COPY_FROM_PARENT, window, parent, static_cast<int16_t>(x),
                    static_cast<int16_t>(y), static_cast<uint16_t>(width),
                    static_cast<uint16_t>(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                    XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL, values);
  xcb_map_window(c, window);
  Sync();
  return window;
}

void DestroyWindow(xcb_window_t window) {
  xcb_destroy_window(Connection(), window);
  Sync();
}

std::vector<xcb_window_t> Children(xcb_window_t window) {
  std::vector<xcb_window_t> children;
  xcb_query_tree_reply_t* tree =
      xcb_query_tree_reply(Connection(), xcb_query_tree(Connection(), window), nullptr);
  if (tree == nullptr) return children;
  const xcb_window_t* list = xcb_query_tree_children(tree);
  children.assign(list, list + xcb_query_tree_children_length(tree));
  std::free(tree);
  return children;
}

void MovePointer(int x, int y) {
  xcb_test_fake_input(Connection(), XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, Screen()->root,
                      static_cast<int16_t>(x), static_cast<int16_t>(y), 0);
  Sync();
}

void Button(int button, bool down, bool sync) {
  xcb_test_fake_input(Connection(), down ? XCB_BUTTON_PRESS : XCB_BUTTON_RELEASE,
                      static_cast<uint8_t>(button), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
  if (sync) Sync();
}

void Click(int x, int y, int button) {
  MovePointer(x, y);
  Button(button, true);
  Button(button, false);
}

void Drag(int fromX, int fromY, int toX, int toY, bool keepHeld) {
  MovePointer(fromX, fromY);
  Button(1, true);
  int x = fromX;
  int y = fromY;
  while (x != toX || y != toY) {
    x += std::max(-8, std::min(8, toX - x));
    y += std::max(-8, std::min(8, toY - y));
    MovePointer(x, y);
  }
  if (!keepHeld) Button(1, false);
}

void Key(uint32_t keysym, bool down) {
  xcb_connection_t* c = Connection();
  const xcb_setup_t* setup = xcb_get_setup(c);
  const int count = setup->max_keycode - setup->min_keycode + 1;
  xcb_get_keyboard_mapping_reply_t* map = xcb_get_keyboard_mapping_reply(
      c, xcb_get_keyboard_mapping(c, setup->min_keycode, static_cast<uint8_t>(count)), nullptr);
  if (map == nullptr) return;
  const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
  for (int i = 0; i < count * map->keysyms_per_keycode; ++i) {
    if (syms[i] != keysym) continue;
    const auto keycode = static_cast<uint8_t>(setup->min_keycode + i / map->keysyms_per_keycode);
    xcb_test_fake_input(c, down ? XCB_KEY_PRESS : XCB_KEY_RELEASE, keycode, XCB_CURRENT_TIME,
                        XCB_NONE, 0, 0, 0);
    break;
  }
  std::free(map);
  Sync();
}

std::vector<uint32_t> ReadPixels(xcb_window_t window, int width, int height) {
  std::vector<uint32_t> pixels;
  xcb_get_image_reply_t* image = xcb_get_image_reply(
      Connection(),
      xcb_get_image(Connection(), XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0,
                    static_cast<uint16_t>(width), static_cast<uint16_t>(height), ~0u),
      nullptr);
  if (image == nullptr) return pixels;
  const auto* data = reinterpret_cast<const uint32_t*>(xcb_get_image_data(image));
  if (xcb_get_image_data_length(image) == width * height * 4) {
    pixels.assign(data, data + width * height);
    for (uint32_t& p : pixels) p &= 0xFFFFFFu;
  }
  std::free(image);
  return pixels;
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

std::vector<uint32_t> OffscreenPanel(const std::function<double(int)>& value, int scale) {
  Veltrax reference;
  {
    PlugLockGuard guard(reference.Lock());
    for (int i = 0; i < Veltrax::kParamCount; ++i) {
      const double v = value(i);
      if (v >= 0.0) reference.SetParameterFromHost(i, v);
    }
  }
  auto* graphics = static_cast<IGraphics*>(reference.Editor());
  graphics->SetUserScale(scale);
  graphics->MarkAllDirty();
  const int width = graphics->PanelWidth(), height = graphics->PanelHeight();
  graphics->Redraw(Rect{0, 0, width, height});
  std::vector<uint32_t> pixels;
  for (int y = 0; y < height * scale; ++y) {
    const Pixel* row = graphics->Surface()->Row(y);
    for (int x = 0; x < width * scale; ++x) pixels.push_back(row[x] & 0xFFFFFFu);
  }
  return pixels;
}

}  // namespace veltrax
