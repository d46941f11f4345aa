// The X11 window: connection, child window, its timer (the host's run loop
// or a thread of its own), painting, and the user's input turned into a
// queue that the host's thread (or the window thread) applies.

#include "X11Window.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>

#include "GrowBuffer.h"
#include "RasterBitmap.h"
#include "XcbLibrary.h"

namespace veltrax {

namespace {

using Clock = std::chrono::steady_clock;

// A second left press within this interval and distance is a double click:
// the usual desktop settings.
constexpr uint32_t kDoubleClickMilliseconds = 400;
constexpr int kDoubleClickDistance = 4;
// put_image requests stay below this even where the server allows more.
constexpr uint32_t kMaxPaintRequestBytes = 4u << 20;
constexpr uint32_t kHighestXid = 0x1FFFFFFF;  // X ids have 29 bits
// A host that has not sent an idle call for this long is taken to have
// stopped: the window thread applies the input itself.
constexpr auto kIdleLapse = std::chrono::milliseconds(500);

// No key events: the panel takes no keys, and a window that selects none
// lets the server deliver them to the host's window, as real events.
// Leaving the window is watched for the grabs others take and for the end
// of our own grab.
constexpr uint32_t kEventMask = XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS |
                                XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_BUTTON_MOTION |
                                XCB_EVENT_MASK_LEAVE_WINDOW | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
constexpr uint32_t kHoverEventMask = XCB_EVENT_MASK_POINTER_MOTION;

MouseModifiers ModifiersOf(uint16_t state) {
  MouseModifiers m;
  m.left = (state & XCB_BUTTON_MASK_1) != 0;
  m.right = (state & XCB_BUTTON_MASK_3) != 0;
  m.shift = (state & XCB_MOD_MASK_SHIFT) != 0;
  m.control = (state & XCB_MOD_MASK_CONTROL) != 0;
  m.alt = (state & XCB_MOD_MASK_1) != 0;
  return m;
}

// X reports the button state from before the event: a press does not yet
// include its button, a release still does. The editor expects the state
// after it, as the Windows window reports it.
MouseModifiers ModifiersAfter(uint16_t state, uint8_t button, bool pressed) {
  MouseModifiers m = ModifiersOf(state);
  if (button == 1) m.left = pressed;
  if (button == 3) m.right = pressed;
  return m;
}

// The session whose window thread is running here: painting and resizing
// reach the X server only from there.
thread_local X11Session* threadSession = nullptr;

// threadSession for a scope, restored after it.
class ThreadSessionScope {
 public:
  explicit ThreadSessionScope(X11Session* session) : saved(threadSession) { threadSession = session; }
  ~ThreadSessionScope() { threadSession = saved; }
  ThreadSessionScope(const ThreadSessionScope&) = delete;
  ThreadSessionScope& operator=(const ThreadSessionScope&) = delete;

 private:
  X11Session* saved;
};

// One mouse event for the editor, as the window thread read it.
struct InputEvent {
  enum Kind : uint8_t { kPress, kDoubleClick, kRelease, kDrag, kWheel, kHover, kLeave, kEndGesture };
  Kind kind;
  int x;
  int y;
  int delta;
  MouseModifiers modifiers;
};

}  // namespace

// One open window. Created and closed by the host's user-interface thread;
// between the two, the X connection belongs to the window thread, and the
// input queue to whoever applies it (under applyMutex).
struct X11Session {
  X11Session(X11Window* window, IGraphics& graphics, const xcb::Functions* functions)
      : owner(window), editor(graphics), x(functions) {}
  ~X11Session() {
    if (wakeFd >= 0) close(wakeFd);
  }
  X11Session(const X11Session&) = delete;
  X11Session& operator=(const X11Session&) = delete;

  // [user-interface thread; no lock] Connects and creates the window;
  // false (with everything undone) when either fails.
  bool Create(xcb_window_t parentWindow);
  bool ChooseVisual(const xcb_setup_t* setup, const xcb_screen_t* screen);
  void WatchAncestors();
  double ScreenFactor(xcb_window_t root);
  // [whichever thread owns the connection] Window, colormap and connection.
  void Teardown();
  // [any thread; no lock]
  void RequestStop();

  // The window thread.
  void Run();
  // The host's run loop, on its thread: the timer draws, the descriptor
  // brings events. Both apply the input at once.
  void HostTick(bool draw);
  void Draw();
  void ApplyPendingSize();
  void ReadEvents();
  void HandleEvent(const xcb_generic_event_t* event);
  void HandleButtonPress(const xcb_button_press_event_t* e);
  void FlushMotion();
  void Paint(const Rect& rect);
  // Whether the host has stopped idling, or never did.
  bool WindowThreadApplies() const;

  // The input queue. [window thread pushes; the applying thread pops]
  void Queue(InputEvent::Kind kind, int px, int py, const MouseModifiers& modifiers, int delta = 0);
  bool Pop(InputEvent& event);
  // [idle thread or window thread; takes applyMutex if free] Applies what
  // waits, in order, until the queue is empty or the window closes.
  void ApplyInput();
  void Apply(const InputEvent& event);

  X11Window* owner;
  IGraphics& editor;
  const xcb::Functions* x;
  xcb_connection_t* connection = nullptr;
  xcb_window_t parent = 0;
  xcb_window_t window = 0;
  xcb_colormap_t ownColormap = 0;  // only when the visual is not the screen's default
  xcb_gcontext_t gc = 0;
  xcb_visualid_t visual = 0;
  xcb_colormap_t colormap = 0;
  bool swapBytes = false;  // the server wants the most significant byte first
  uint32_t maxRequestBytes = 0;
  GrowBuffer rows;  // pixels of one put_image request
  int wakeFd = -1;
  std::thread thread;
  std::atomic<bool> stop{false};
  bool closedFromOwnThread = false;
  IHostRunLoop* loop = nullptr;  // the host drives the window; none: the thread does
  bool lost = false;  // the host-driven connection failed; its loop no longer calls [UI thread]
  int connectionFd = -1;
  // A new size for the window, applied by whoever owns the connection.
  std::atomic<uint32_t> pendingSize{0};  // width << 16 | height; 0: none

  // Input. The queue's mutex is held for a push or a pop only; applyMutex
  // while events are applied (host calls included), so that a close on
  // another thread waits for the event in progress. Recursive: a host may
  // close the window from inside the callback of an event being applied.
  static constexpr int kQueueCapacity = 256;
  std::mutex queueMutex;
  InputEvent queue[kQueueCapacity];
  int queueHead = 0;
  int queueCount = 0;
  std::recursive_mutex applyMutex;
  bool applying = false;             // under applyMutex: no nested applying
  std::atomic<bool> inputClosed{false};  // set under applyMutex by the close
  std::atomic<int64_t> lastIdle{0};  // steady-clock nanoseconds; 0: never

  // Window-thread state.
  bool windowGone = false;  // the host destroyed our parent before closing
  bool motionPending = false;
  xcb_motion_notify_event_t motion{};
  bool firstPressValid = false;
  uint32_t firstPressTime = 0;
  int firstPressX = 0;
  int firstPressY = 0;
  Rect exposed{};
};

// ---------------------------------------------------------------------------
// Opening and closing

bool X11Session::Create(xcb_window_t parentWindow) {
  parent = parentWindow;
  int screenNumber = 0;
  connection = x->xcb_connect(nullptr, &screenNumber);
  if (x->xcb_connection_has_error(connection)) {
    Teardown();
    return false;
  }
  // The parent must be a drawable of this display; its root names the screen.
  xcb_generic_error_t* error = nullptr;
  xcb_get_geometry_reply_t* geometry =
      x->xcb_get_geometry_reply(connection, x->xcb_get_geometry(connection, parent), &error);
  std::free(error);
  if (geometry == nullptr) {
    Teardown();
    return false;
  }
  const xcb_window_t root = geometry->root;
  std::free(geometry);
  const xcb_setup_t* setup = x->xcb_get_setup(connection);
  const xcb_screen_t* screen = nullptr;
  for (xcb_screen_iterator_t it = x->xcb_setup_roots_iterator(setup); it.rem > 0;
       x->xcb_screen_next(&it)) {
    if (it.data->root == root) screen = it.data;
  }
  if (screen == nullptr || !ChooseVisual(setup, screen)) {
    Teardown();
    return false;
  }
  colormap = screen->default_colormap;
  if (visual != screen->root_visual) {
    ownColormap = x->xcb_generate_id(connection);
    x->xcb_create_colormap(connection, XCB_COLORMAP_ALLOC_NONE, ownColormap, root, visual);
    colormap = ownColormap;
  }

  // The screen's scale, where the desktop sets one; the host's frame may
  // have to grow for it before the window is made.
  const double screenFactor = ScreenFactor(screen->root);
  if (screenFactor > 0.0) editor.SetScreenScale(screenFactor);

  window = x->xcb_generate_id(connection);
  // No background: the window shows the surface only, without a flash of
  // colour before the first paint. Border pixel and colormap make the
  // window valid under a parent of another visual.
  const uint32_t eventMask = kEventMask | (editor.hoverTracking ? kHoverEventMask : 0u);
  const uint32_t values[] = {XCB_BACK_PIXMAP_NONE, 0, eventMask, colormap};
  const xcb_void_cookie_t created = x->xcb_create_window_checked(
      connection, 24, window, parent, 0, 0, static_cast<uint16_t>(editor.Width()),
      static_cast<uint16_t>(editor.Height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, visual,
      XCB_CW_BACK_PIXMAP | XCB_CW_BORDER_PIXEL | XCB_CW_EVENT_MASK | XCB_CW_COLORMAP, values);
  // The error of a parent that is no window comes back on this request, on
  // our own connection: the host's error handling never sees it.
  if (xcb_generic_error_t* failed = x->xcb_request_check(connection, created)) {
    std::free(failed);
    window = 0;
    Teardown();
    return false;
  }
  WatchAncestors();
  gc = x->xcb_generate_id(connection);
  const uint32_t gcValues[] = {0};
  x->xcb_create_gc(connection, gc, window, XCB_GC_GRAPHICS_EXPOSURES, gcValues);
  x->xcb_map_window(connection, window);

  maxRequestBytes = x->xcb_get_maximum_request_length(connection) * 4u;
  if (maxRequestBytes > kMaxPaintRequestBytes) maxRequestBytes = kMaxPaintRequestBytes;
  wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeFd < 0 || x->xcb_flush(connection) <= 0) {
    Teardown();
    return false;
  }
  return true;
}

// Xft.dpi in the server's resource database (RESOURCE_MANAGER on the root
// window), where desktops put their scale: 96 is 1. 0 when none is set.
double X11Session::ScreenFactor(xcb_window_t root) {
  xcb_get_property_reply_t* reply = x->xcb_get_property_reply(
      connection,
      x->xcb_get_property(connection, 0, root, XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING, 0, 1u << 16),
      nullptr);
  if (reply == nullptr) return 0.0;
  const int length = x->xcb_get_property_value_length(reply);
  const char* text = static_cast<const char*>(x->xcb_get_property_value(reply));
  double dpi = 0.0;
  constexpr char kKey[] = "Xft.dpi:";
  const int keyLength = static_cast<int>(sizeof kKey) - 1;
  for (int line = 0; line < length; ) {
    int end = line;
    while (end < length && text[end] != '\n') ++end;
    if (end - line > keyLength && std::memcmp(text + line, kKey, static_cast<size_t>(keyLength)) == 0) {
      char value[32] = "";
      const int count = std::min(end - line - keyLength, static_cast<int>(sizeof value) - 1);
      std::memcpy(value, text + line + keyLength, static_cast<size_t>(count));
      dpi = std::strtod(value, nullptr);
    }
    line = end + 1;
  }
  std::free(reply);
  return std::isfinite(dpi) && dpi > 0.0 ? dpi / 96.0 : 0.0;
}

// The surface is 32-bit 0xAARRGGBB: it goes to the screen unconverted
// through a 24-bit TrueColor visual stored as 32 bits a pixel.
bool X11Session::ChooseVisual(const xcb_setup_t* setup, const xcb_screen_t* screen) {
  bool fourBytes = false;
  for (xcb_format_iterator_t it = x->xcb_setup_pixmap_formats_iterator(setup); it.rem > 0;
       x->xcb_format_next(&it)) {
    if (it.data->depth == 24) fourBytes = it.data->bits_per_pixel == 32;
  }
  if (!fourBytes) return false;
  visual = 0;
  for (xcb_depth_iterator_t d = x->xcb_screen_allowed_depths_iterator(screen); d.rem > 0;
       x->xcb_depth_next(&d)) {
    if (d.data->depth != 24) continue;
    for (xcb_visualtype_iterator_t v = x->xcb_depth_visuals_iterator(d.data); v.rem > 0;
         x->xcb_visualtype_next(&v)) {
      const xcb_visualtype_t* type = v.data;
      if (type->_class != XCB_VISUAL_CLASS_TRUE_COLOR || type->red_mask != 0xFF0000u ||
          type->green_mask != 0xFF00u || type->blue_mask != 0xFFu) {
        continue;
      }
      // The screen's own visual when it fits: no colormap of our own.
      if (visual == 0 || type->visual_id == screen->root_visual) visual = type->visual_id;
    }
  }
  const bool littleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
  swapBytes = (setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST) != littleEndian;
  return visual != 0;
}

// The host hiding its frame, or any window above it, ends a gesture held in
// the panel: the server ends our grab without a release or a crossing event
// reaching us, so the unmap itself is watched. These selections are our
// connection's own; the host's are not touched.
void X11Session::WatchAncestors() {
  const uint32_t structure[] = {XCB_EVENT_MASK_STRUCTURE_NOTIFY};
  xcb_window_t ancestor = parent;
  for (int depth = 0; depth < 32; ++depth) {
    xcb_query_tree_reply_t* tree =
        x->xcb_query_tree_reply(connection, x->xcb_query_tree(connection, ancestor), nullptr);
    if (tree == nullptr) return;
    const xcb_window_t root = tree->root;
    const xcb_window_t above = tree->parent;
    std::free(tree);
    if (ancestor == root) return;
    x->xcb_change_window_attributes(connection, ancestor, XCB_CW_EVENT_MASK, structure);
    ancestor = above;
  }
}

void X11Session::Teardown() {
  if (connection != nullptr) {
    if (!x->xcb_connection_has_error(connection)) {
      // A window the host already destroyed with its parent answers with an
      // error on this connection, which closes unread.
      if (window != 0) x->xcb_destroy_window(connection, window);
      if (ownColormap != 0) x->xcb_free_colormap(connection, ownColormap);
      // A round trip: the window is gone when the host's close returns, and
      // the server never sees us hang up on requests it has not read yet
      // (Xvfb then refused the next connection).
      std::free(x->xcb_get_input_focus_reply(connection, x->xcb_get_input_focus(connection),
                                             nullptr));
    }
    x->xcb_disconnect(connection);
  }
  connection = nullptr;
  window = 0;
  ownColormap = 0;
}

void X11Session::RequestStop() {
  stop.store(true, std::memory_order_release);
  if (wakeFd >= 0) {
    const uint64_t one = 1;
    ssize_t written = write(wakeFd, &one, sizeof one);
    (void)written;  // a counter already raised wakes the thread just as well
  }
}

// ---------------------------------------------------------------------------
// The window thread

bool X11Session::WindowThreadApplies() const {
  const int64_t idled = lastIdle.load(std::memory_order_acquire);
  if (idled == 0) return true;
  const auto since = Clock::now().time_since_epoch() - Clock::duration(idled);
  return since > kIdleLapse;
}

void X11Session::Run() {
  const xcb::SigpipeGuard noSigpipe;
  const ThreadSessionScope drawing(this);
  pthread_setname_np(pthread_self(), "veltrax-editor");  // shown by debuggers and top
  const auto period = std::chrono::milliseconds(editor.FramePeriodMs());
  Clock::time_point nextTick = Clock::now();  // the whole panel at once
  while (!stop.load(std::memory_order_acquire)) {
    ReadEvents();
    if (x->xcb_connection_has_error(connection)) {
      // The display went away: drawing ends here, quietly. A gesture in
      // progress ends for the host now rather than at close.
      Queue(InputEvent::kEndGesture, 0, 0, MouseModifiers{});
      if (WindowThreadApplies()) ApplyInput();
      break;
    }
    if (WindowThreadApplies()) ApplyInput();
    if (stop.load(std::memory_order_acquire)) break;
    ApplyPendingSize();
    const Clock::time_point now = Clock::now();
    if (now >= nextTick) {
      Draw();
      nextTick += period;
      if (nextTick <= now) nextTick = now + period;  // late: no burst to catch up
    }
    if (!IsEmpty(exposed)) {
      Paint(exposed);
      exposed = Rect{};
    }
    x->xcb_flush(connection);
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(nextTick - Clock::now());
    pollfd fds[2] = {{connectionFd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    poll(fds, 2, wait.count() > 0 ? static_cast<int>(wait.count()) : 0);
  }
  if (closedFromOwnThread) Teardown();
}

void X11Session::Draw() {
  Rect dirty{};
  if (editor.CollectDirty(dirty)) editor.Redraw(dirty);
}

void X11Session::HostTick(bool draw) {
  if (lost) return;
  const ThreadSessionScope drawing(this);
  ReadEvents();
  if (x->xcb_connection_has_error(connection)) {
    // The display went away: the window stays dark until it is closed. Its
    // descriptor stays readable at the end of the connection: the host's
    // loop lets go of it and of the timer now, rather than call forever.
    lost = true;
    loop->UnregisterTimer();
    loop->UnregisterFd(connectionFd);
    Queue(InputEvent::kEndGesture, 0, 0, MouseModifiers{});
    ApplyInput();
    return;
  }
  ApplyInput();
  // The host may have closed the window from inside one of its callbacks.
  if (!stop.load(std::memory_order_acquire)) {
    ApplyPendingSize();
    if (draw) Draw();
    if (!IsEmpty(exposed)) {
      Paint(exposed);
      exposed = Rect{};
    }
    x->xcb_flush(connection);
  }
}

void X11Session::ApplyPendingSize() {
  const uint32_t size = pendingSize.exchange(0, std::memory_order_acq_rel);
  if (size == 0) return;
  // A new scale: the surface is made again here, where it is drawn.
  editor.ApplyScale();
  const uint32_t values[] = {size >> 16, size & 0xFFFFu};
  x->xcb_configure_window(connection, window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                          values);
}

void X11Session::ReadEvents() {
  while (!stop.load(std::memory_order_acquire)) {
    xcb_generic_event_t* event = x->xcb_poll_for_event(connection);
    if (event == nullptr) break;
    HandleEvent(event);
    std::free(event);
  }
  FlushMotion();
}

void X11Session::HandleEvent(const xcb_generic_event_t* event) {
  const uint8_t type = event->response_type & 0x7F;
  // Drags are coalesced: one step for a run of motion events.
  if (type == XCB_MOTION_NOTIFY) {
    motion = *reinterpret_cast<const xcb_motion_notify_event_t*>(event);
    motionPending = true;
    return;
  }
  FlushMotion();
  switch (type) {
    case XCB_EXPOSE: {
      const auto* e = reinterpret_cast<const xcb_expose_event_t*>(event);
      const Rect r{e->x, e->y, e->x + e->width, e->y + e->height};
      exposed = IsEmpty(exposed) ? r : Union(exposed, r);
      break;
    }
    case XCB_BUTTON_PRESS:
      HandleButtonPress(reinterpret_cast<const xcb_button_press_event_t*>(event));
      break;
    case XCB_BUTTON_RELEASE: {
      const auto* e = reinterpret_cast<const xcb_button_release_event_t*>(event);
      if (e->detail < 1 || e->detail > 3) break;
      Queue(InputEvent::kRelease, e->event_x, e->event_y, ModifiersAfter(e->state, e->detail, false));
      break;
    }
    case XCB_LEAVE_NOTIFY: {
      const auto* e = reinterpret_cast<const xcb_leave_notify_event_t*>(event);
      if (e->mode == XCB_NOTIFY_MODE_GRAB || e->mode == XCB_NOTIFY_MODE_UNGRAB) {
        // Another client took the pointer, or our grab ended without a
        // release reaching us: a held button no longer drags anything.
        Queue(InputEvent::kEndGesture, 0, 0, MouseModifiers{});
      } else if (editor.hoverTracking) {
        Queue(InputEvent::kLeave, 0, 0, MouseModifiers{});
      }
      break;
    }
    case XCB_UNMAP_NOTIFY:
      // The panel or a window above it went out of sight under a held button.
      Queue(InputEvent::kEndGesture, 0, 0, MouseModifiers{});
      break;
    case XCB_DESTROY_NOTIFY:
      if (reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window == window) {
        windowGone = true;
      }
      break;
    default:
      break;  // errors of our own requests included: nothing to do
  }
}

void X11Session::HandleButtonPress(const xcb_button_press_event_t* e) {
  const int px = e->event_x;
  const int py = e->event_y;
  if (e->detail == 4 || e->detail == 5) {  // one wheel notch up or down
    Queue(InputEvent::kWheel, px, py, ModifiersOf(e->state), e->detail == 4 ? 1 : -1);
    return;
  }
  if (e->detail < 1 || e->detail > 3) return;
  // While a button is held, X grabs the pointer for this window (the
  // implicit grab of the press): drags and the release arrive here even
  // outside it.
  const MouseModifiers modifiers = ModifiersAfter(e->state, e->detail, true);
  const bool doubleClick = e->detail == 1 && firstPressValid &&
                           e->time - firstPressTime <= kDoubleClickMilliseconds &&
                           std::abs(px - firstPressX) <= kDoubleClickDistance &&
                           std::abs(py - firstPressY) <= kDoubleClickDistance;
  if (doubleClick) {
    firstPressValid = false;  // a third press starts afresh
    Queue(InputEvent::kDoubleClick, px, py, modifiers);
    return;
  }
  firstPressValid = e->detail == 1;
  firstPressTime = e->time;
  firstPressX = px;
  firstPressY = py;
  Queue(InputEvent::kPress, px, py, modifiers);
}

void X11Session::FlushMotion() {
  if (!motionPending) return;
  motionPending = false;
  const xcb_motion_notify_event_t& e = motion;
  if ((e.state & (XCB_BUTTON_MASK_1 | XCB_BUTTON_MASK_3)) != 0) {
    Queue(InputEvent::kDrag, e.event_x, e.event_y, ModifiersOf(e.state));
  } else if (editor.hoverTracking) {
    Queue(InputEvent::kHover, e.event_x, e.event_y, ModifiersOf(e.state));
  }
}

void X11Session::Paint(const Rect& rect) {
  const SysBitmap* surface = editor.Surface();
  if (windowGone || surface == nullptr || surface->PixelData() == nullptr) return;
  const int left = rect.left > 0 ? rect.left : 0;
  const int top = rect.top > 0 ? rect.top : 0;
  const int right = rect.right < surface->Width() ? rect.right : surface->Width();
  const int bottom = rect.bottom < surface->Height() ? rect.bottom : surface->Height();
  if (left >= right || top >= bottom) return;
  const int width = right - left;
  const uint32_t rowBytes = static_cast<uint32_t>(width) * 4u;
  constexpr uint32_t kRequestHeader = 24;
  if (maxRequestBytes < kRequestHeader + rowBytes) return;  // a row wider than any request
  const int rowsPerRequest = static_cast<int>((maxRequestBytes - kRequestHeader) / rowBytes);
  for (int y = top; y < bottom; y += rowsPerRequest) {
    const int count = bottom - y < rowsPerRequest ? bottom - y : rowsPerRequest;
    const auto bytes = static_cast<int32_t>(rowBytes * static_cast<uint32_t>(count));
    if (!rows.Resize(bytes, false)) return;
    auto* out = static_cast<uint32_t*>(rows.Data());
    for (int r = 0; r < count; ++r) {
      const Pixel* in = surface->Row(y + r) + left;
      uint32_t* line = out + static_cast<std::ptrdiff_t>(r) * width;
      if (swapBytes) {
        for (int i = 0; i < width; ++i) line[i] = __builtin_bswap32(in[i]);
      } else {
        std::memcpy(line, in, rowBytes);
      }
    }
    x->xcb_put_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, gc,
                     static_cast<uint16_t>(width), static_cast<uint16_t>(count),
                     static_cast<int16_t>(left), static_cast<int16_t>(y), 0, 24,
                     static_cast<uint32_t>(bytes), static_cast<const uint8_t*>(rows.Data()));
  }
}

// ---------------------------------------------------------------------------
// Input

void X11Session::Queue(InputEvent::Kind kind, int px, int py, const MouseModifiers& modifiers,
                       int delta) {
  px = editor.ToPanel(px);  // the panel's own units
  py = editor.ToPanel(py);
  std::lock_guard<std::mutex> guard(queueMutex);
  if (queueCount > 0 && (kind == InputEvent::kDrag || kind == InputEvent::kHover)) {
    // A host that idles slowly sees one step for all the motion in between.
    InputEvent& last = queue[(queueHead + queueCount - 1) % kQueueCapacity];
    if (last.kind == kind) {
      last = InputEvent{kind, px, py, delta, modifiers};
      return;
    }
  }
  // A full queue means nobody has applied input for a long while: what
  // comes now is dropped, except a release or the end of a gesture, which
  // replaces the newest entry so that no edit is left open.
  if (queueCount == kQueueCapacity) {
    if (kind != InputEvent::kEndGesture && kind != InputEvent::kRelease) return;
    --queueCount;
  }
  queue[(queueHead + queueCount) % kQueueCapacity] = InputEvent{kind, px, py, delta, modifiers};
  ++queueCount;
}

bool X11Session::Pop(InputEvent& event) {
  std::lock_guard<std::mutex> guard(queueMutex);
  if (queueCount == 0) return false;
  event = queue[queueHead];
  queueHead = (queueHead + 1) % kQueueCapacity;
  --queueCount;
  return true;
}

void X11Session::ApplyInput() {
  std::unique_lock<std::recursive_mutex> hold(applyMutex, std::try_to_lock);
  // Busy elsewhere (the other thread applies), or a host calling its idle
  // from inside one of our own callbacks: the events wait.
  if (!hold.owns_lock() || applying) return;
  applying = true;
  InputEvent event;
  // A close (or its request) drops what still waits.
  while (!inputClosed.load(std::memory_order_acquire) && !stop.load(std::memory_order_acquire) &&
         Pop(event)) {
    Apply(event);
  }
  applying = false;
}

void X11Session::Apply(const InputEvent& e) {
  switch (e.kind) {
    case InputEvent::kPress: editor.HandleMouseDown(e.x, e.y, e.modifiers); break;
    case InputEvent::kDoubleClick: editor.HandleDoubleClick(e.x, e.y, e.modifiers); break;
    case InputEvent::kRelease: editor.HandleMouseUp(e.x, e.y, e.modifiers); break;
    case InputEvent::kDrag: editor.HandleMouseDrag(e.x, e.y, e.modifiers); break;
    case InputEvent::kWheel: editor.HandleWheel(e.x, e.y, e.modifiers, e.delta); break;
    case InputEvent::kHover: editor.HandleMouseOver(e.x, e.y, e.modifiers); break;
    case InputEvent::kLeave: editor.HandleMouseOut(); break;
    case InputEvent::kEndGesture: editor.EndOpenGesture(); break;
  }
}

// ---------------------------------------------------------------------------
// X11Window

X11Window::X11Window(IGraphics& graphics) : editor(graphics) {}

X11Window::~X11Window() {
  Close();
  ReapRetired();
}

void X11Window::ReapRetired() {
  std::shared_ptr<X11Session> reaped;
  {
    std::lock_guard<std::mutex> guard(sessionMutex);
    reaped = std::move(retired);
  }
  if (reaped == nullptr) return;
  if (reaped->thread.get_id() == std::this_thread::get_id()) {
    reaped->thread.detach();  // destroyed from inside its own callback: a host fault
  } else {
    reaped->thread.join();
  }
}

bool X11Window::RetiredHere() const {
  std::lock_guard<std::mutex> guard(sessionMutex);
  return retired != nullptr && retired->thread.get_id() == std::this_thread::get_id();
}

std::shared_ptr<X11Session> X11Window::OpenSession() const {
  std::lock_guard<std::mutex> guard(sessionMutex);
  return session;
}

void* X11Window::Open(void* parent, IHostRunLoop* loop) {
  const xcb::SigpipeGuard noSigpipe;  // on the host's thread
  Close();
  // Reopened from inside the callback in which its own thread closed the
  // window: that thread cannot be joined here.
  if (RetiredHere()) return nullptr;
  ReapRetired();
  const auto parentId = reinterpret_cast<uintptr_t>(parent);
  if (parentId == 0 || parentId > kHighestXid || editor.Surface() == nullptr) return nullptr;
  const xcb::Functions* functions = xcb::Library();
  if (functions == nullptr) return nullptr;
  std::shared_ptr<X11Session> opened(new (std::nothrow) X11Session(this, editor, functions));
  if (opened == nullptr) return nullptr;
  if (!opened->Create(static_cast<xcb_window_t>(parentId))) return nullptr;
  opened->connectionFd = functions->xcb_get_file_descriptor(opened->connection);
  if (loop != nullptr) {
    // Events and timer on the host's thread, where its run loop allows.
    if (loop->RegisterFd(opened->connectionFd)) {
      if (loop->RegisterTimer(editor.FramePeriodMs())) {
        opened->loop = loop;
      } else {
        loop->UnregisterFd(opened->connectionFd);
      }
    }
  }
  if (opened->loop == nullptr) {
    try {
      opened->thread = std::thread(&X11Session::Run, opened.get());
    } catch (...) {
      opened->Teardown();
      return nullptr;
    }
  }
  {
    std::lock_guard<std::mutex> guard(sessionMutex);
    session = opened;
  }
  windowId.store(opened->window, std::memory_order_release);
  // The first picture now rather than at the host's first timer.
  if (opened->loop != nullptr) opened->HostTick(true);
  return Handle();
}

void X11Window::Close() {
  const xcb::SigpipeGuard noSigpipe;  // on the host's thread
  std::shared_ptr<X11Session> closing;
  {
    std::lock_guard<std::mutex> guard(sessionMutex);
    closing = std::move(session);
  }
  if (closing == nullptr) return;
  windowId.store(0, std::memory_order_release);
  closing->RequestStop();
  if (closing->loop != nullptr && !closing->lost) {
    closing->loop->UnregisterTimer();
    closing->loop->UnregisterFd(closing->connectionFd);
  }
  const bool ownThread = closing->thread.joinable() && closing->thread.get_id() == std::this_thread::get_id();
  // The host closed the editor from inside a callback of the window
  // thread's own input: it cannot be joined here; it tears its window down
  // when the callback returns, and is joined by the next open, close or
  // the destructor.
  if (!ownThread && closing->thread.joinable()) closing->thread.join();
  {
    // Waits for an event being applied on another thread; a close from
    // inside one (this thread) drops the rest of it.
    std::lock_guard<std::recursive_mutex> hold(closing->applyMutex);
    closing->inputClosed.store(true, std::memory_order_release);
    editor.EndOpenGesture();
  }
  if (ownThread) {
    closing->closedFromOwnThread = true;
    std::lock_guard<std::mutex> guard(sessionMutex);
    retired = std::move(closing);
    return;
  }
  closing->Teardown();
  ReapRetired();
}

// Writes nothing to the X server: the input goes to the editor and the host.
void X11Window::Idle() {
  std::shared_ptr<X11Session> open = OpenSession();
  if (open == nullptr || open->loop != nullptr) return;
  open->lastIdle.store(Clock::now().time_since_epoch().count(), std::memory_order_release);
  // The reference keeps the session whole should the host close the window
  // from inside one of the host calls made here.
  open->ApplyInput();
}

void X11Window::OnTimer() {
  const xcb::SigpipeGuard noSigpipe;  // on the host's thread
  std::shared_ptr<X11Session> open = OpenSession();
  if (open != nullptr && open->loop != nullptr) open->HostTick(true);
}

void X11Window::OnFdReady(int /*fd*/) {
  const xcb::SigpipeGuard noSigpipe;  // on the host's thread
  std::shared_ptr<X11Session> open = OpenSession();
  if (open != nullptr && open->loop != nullptr) open->HostTick(false);
}

void* X11Window::Handle() {
  return reinterpret_cast<void*>(static_cast<uintptr_t>(windowId.load(std::memory_order_acquire)));
}

bool X11Window::Paint(const Rect& rect) {
  // Only where the connection is in use: a test drawing the panel without a
  // window, or another thread, has no screen here.
  if (threadSession != nullptr && threadSession->owner == this) threadSession->Paint(rect);
  return true;
}

void X11Window::SetSize(int width, int height, bool /*framesFollow*/) {
  std::shared_ptr<X11Session> open = OpenSession();
  if (open == nullptr || width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF) return;
  open->pendingSize.store(static_cast<uint32_t>(width) << 16 | static_cast<uint32_t>(height),
                          std::memory_order_release);
  if (open->loop == nullptr) {
    const uint64_t one = 1;  // the window thread applies it now
    ssize_t written = write(open->wakeFd, &one, sizeof one);
    (void)written;
  }
}

}  // namespace veltrax
