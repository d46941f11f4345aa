// The editor window on Windows: the window class, opening and closing, the
// message table, the redraw timer, painting from the surface, the mouse and
// keyboard translation and the pointer. Text entry and tooltips live in
// WinTextEntry.cpp, menus, dialogs and the other services in WinServices.cpp.

#include <windows.h>
#include <windowsx.h>

#include <atomic>
#include <new>

#include "Controls.h"
#include "WinWindow.h"
#include "WinWindowLink.h"

namespace veltrax {

namespace {

constexpr char kWindowClass[] = "IEffectWndClass";
constexpr char kWindowTitle[] = "IEffect";
constexpr UINT_PTR kRedrawTimer = 2;
// Sent by Close called on another thread: the window is destroyed by
// the thread that owns it, the only one that may.
constexpr UINT kCloseOnOwnerThread = WM_USER + 0x5654;
constexpr UINT kCloseTimeoutMs = 5000;

// Editor windows of all instances in this module, counted by every thread
// that opens or closes one; the class is unregistered when none is left.
// Registering again is harmless; unregistering fails while a window of the
// class still exists.
std::atomic<int> windowCount{0};

// Sent to a child window after its parent when the DPI changes (missing
// from older headers). Top-level windows get WM_DPICHANGED; ours never is one.
constexpr UINT kDpiChangedAfterParent = 0x02E3;

// The DPI of a window: Windows 10 says it per window (looked up at run time,
// for older systems), older ones per screen.
UINT WindowDpi(HWND window) {
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  if (getDpiForWindow != nullptr && window != nullptr) {
    if (const UINT dpi = getDpiForWindow(window)) return dpi;
  }
  HDC screen = GetDC(window);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
  if (screen) ReleaseDC(window, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

LRESULT CALLBACK EditorWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return WinWindow::WindowProc(hwnd, message, wParam, lParam);
}

bool RegisterEditorClass(HINSTANCE module) {
  WNDCLASSA windowClass = {};
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = EditorWindowProc;
  windowClass.hInstance = module;
  windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  windowClass.lpszClassName = kWindowClass;
  // Another editor of this module may have left it registered.
  return RegisterClassA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// The key numbering of the editor, or -1 for a key it leaves to the host.
int TranslateKey(WPARAM virtualKey) {
  if (virtualKey == VK_SPACE) return KeySpace;
  if (virtualKey == VK_UP) return KeyUp;
  if (virtualKey == VK_DOWN) return KeyDown;
  if (virtualKey == VK_LEFT) return KeyLeft;
  if (virtualKey == VK_RIGHT) return KeyRight;
  if (virtualKey >= '0' && virtualKey <= '9') return static_cast<int>(virtualKey) - 43;
  if (virtualKey >= 'A' && virtualKey <= 'Z') return static_cast<int>(virtualKey) - 50;
  return -1;
}

MouseModifiers ModifiersOf(WPARAM keyState) {
  MouseModifiers modifiers;
  modifiers.left = (keyState & MK_LBUTTON) != 0;
  modifiers.right = (keyState & MK_RBUTTON) != 0;
  modifiers.shift = (keyState & MK_SHIFT) != 0;
  modifiers.control = (keyState & MK_CONTROL) != 0;
  modifiers.alt = (GetKeyState(VK_MENU) & 0x8000) != 0;
  return modifiers;
}

}  // namespace

WinWindow::WinWindow(IGraphics& owner, ModuleHandle newModule)
    : editor(owner), module(newModule) {}

WinWindow::~WinWindow() {
  Close();
  if (windowCount == 0) UnregisterClassA(kWindowClass, static_cast<HINSTANCE>(module));
}

// ---------------------------------------------------------------------------
// Opening and closing

void* WinWindow::Open(void* parent, IHostRunLoop* /*loop*/) {
  parentWindow = parent;
  int x = 0;
  int y = 0;
  int w = editor.Width();
  int h = editor.Height();
  const bool reopening = window != nullptr;
  if (window) {
    // A second open while the window exists: the new one takes the old one's
    // size and its place in the (new) parent.
    RECT old = {};
    GetWindowRect(AsWindow(window), &old);
    POINT corner = {old.left, old.top};
    if (parent) ScreenToClient(AsWindow(parent), &corner);
    x = corner.x;
    y = corner.y;
    w = old.right - old.left;
    h = old.bottom - old.top;
    Close();
  }

  // The screen's scale, from the DPI of the host's window; the host's frame
  // may have to grow for it before the window is made.
  if (parent) {
    editor.SetScreenScale(WindowDpi(AsWindow(parent)) / 96.0);
    if (!reopening) {
      w = editor.Width();
      h = editor.Height();
    }
  }

  HINSTANCE instance = static_cast<HINSTANCE>(module);
  windowCount.fetch_add(1);
  if (!RegisterEditorClass(instance)) {
    windowCount.fetch_sub(1);
    return nullptr;
  }
  link = new (std::nothrow) WindowLink(this);
  HWND created = link ? CreateWindowExA(0, kWindowClass, kWindowTitle, WS_CHILD | WS_VISIBLE, x, y,
                                        w, h, AsWindow(parent), nullptr, instance, this)
                      : nullptr;
  if (!created && link) {
    // The window never took its reference.
    link->Release();
    link->Release();
    link = nullptr;
  }
  if (!created) {
    window = nullptr;
    if (windowCount.fetch_sub(1) == 1) UnregisterClassA(kWindowClass, instance);
    return nullptr;
  }
  // The editor marked every control dirty before the open: the first tick
  // draws the whole panel.
  window = created;
  if (editor.tooltipsEnabled) CreateTooltips();
  return window;
}

void WinWindow::Close() {
  if (!window) return;
  HWND hwnd = AsWindow(window);
  if (GetWindowThreadProcessId(hwnd, nullptr) != GetCurrentThreadId()) {
    DestroyWindowOnOwnerThread();
    return;
  }
  ForgetWindow();
  DestroyWindow(hwnd);
  // Fails while a window of the class still exists (one the host destroyed
  // is gone only after its messages); the destructor tries again.
  if (windowCount == 0) UnregisterClassA(kWindowClass, static_cast<HINSTANCE>(module));
}

void WinWindow::ForgetWindow() {
  HWND hwnd = AsWindow(window);
  EndModalStateForClose();
  DestroyTooltips();
  KillTimer(hwnd, kRedrawTimer);
  // From here on the window procedure no longer reaches this object.
  DropLink(false);
  window = nullptr;
  windowCount.fetch_sub(1);
}

void WinWindow::DropLink(bool wait) {
  if (!link) return;
  link->CutOff(wait);
  link->Release();
  link = nullptr;
}

void WinWindow::DestroyWindowOnOwnerThread() {
  HWND hwnd = AsWindow(window);
  // A reference of our own: the owner thread's close lets go of the
  // window's, and the link must last through the wait below.
  WindowLink* held = link;
  held->AddRef();
  DWORD_PTR answer = 0;
  if (SendMessageTimeoutA(hwnd, kCloseOnOwnerThread, 0, 0, SMTO_NORMAL, kCloseTimeoutMs, &answer) &&
      !window) {
    // Closed there, perhaps from inside a modal loop that one of our own
    // handlers runs (a menu opened by a press): the caller frees the editor
    // only once that thread has left them all.
    held->CutOff(true);
    held->Release();
    return;
  }
  held->Release();
  // The owner thread does not answer (it is busy, or gone): cut the window
  // off from this object and wait until no message of ours is being handled
  // there, so that nothing touches the editor once the caller frees it. The
  // window itself can only be destroyed by its own thread, or goes with it.
  DropLink(true);
  // The window thread can no longer reach the editor: its gesture state is
  // ours, and the host hears the end of an edit left open.
  editor.EndOpenGesture();
  window = nullptr;
  entryBox = nullptr;
  tooltipWindow = nullptr;
  windowCount.fetch_sub(1);
}

void WinWindow::EndModalStateForClose() {
  HWND hwnd = AsWindow(window);
  if (menuActive) EndMenu();
  if (entryBox) CloseTextEntry();
  if (GetCapture() == hwnd) {
    releasingCapture = true;
    ReleaseCapture();
    releasingCapture = false;
  }
  // A button still held on a control: the host hears the end of the edit
  // it was told had begun.
  editor.EndOpenGesture();
  RestoreCursor();
}

// ---------------------------------------------------------------------------
// Messages

intptr_t WinWindow::WindowProc(void* handle, unsigned message, uintptr_t wParam, intptr_t lParam) {
  HWND hwnd = AsWindow(handle);
  if (message == WM_CREATE) {
    const CREATESTRUCTA* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    auto* opening = static_cast<WinWindow*>(create->lpCreateParams);
    if (!opening || !opening->link) return -1;
    opening->window = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(opening->link));
    opening->HandleCreate();
    return 0;
  }
  auto* link = reinterpret_cast<WindowLink*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (message == WM_NCDESTROY && link) {
    // The window's last message: its reference goes.
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    link->Release();
    return DefWindowProcA(hwnd, message, wParam, lParam);
  }
  return WindowLink::Deliver(link, hwnd, message, wParam, lParam, [&](WinWindow& owner) {
    return owner.window == handle ? owner.HandleMessage(message, wParam, lParam)
                                  : DefWindowProcA(hwnd, message, wParam, lParam);
  });
}

void WinWindow::HandleCreate() {
  SetTimer(AsWindow(window), kRedrawTimer, static_cast<UINT>(editor.FramePeriodMs()), nullptr);
  SetFocus(AsWindow(window));
}

intptr_t WinWindow::HandleMessage(unsigned message, uintptr_t wParam, intptr_t lParam) {
  HWND hwnd = AsWindow(window);
  // Housekeeping that no text entry may hold back.
  switch (message) {
    case kCloseOnOwnerThread:
      Close();
      return 0;
    case WM_CAPTURECHANGED:
      // The capture went elsewhere (another window took it, the system
      // cancelled it) while a button was held: the gesture is over.
      if (!releasingCapture && reinterpret_cast<HWND>(lParam) != hwnd) editor.EndOpenGesture();
      return 0;
    case WM_DESTROY:
      // Destroyed from outside (the host destroyed its frame before
      // effEditClose): the same bookkeeping as a close.
      ForgetWindow();
      return 0;
    default:
      break;
  }

  if (entryBox && entryState == EntryFocused) {
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) {
      entryState = EntryCancel;
      return 0;
    }
    // The release of the press that opened the entry still ends that
    // press: the capture goes and the host hears the end of the edit.
    const bool release = message == WM_LBUTTONUP || message == WM_RBUTTONUP || message == WM_MBUTTONUP;
    if (!release) return DefWindowProcA(hwnd, message, wParam, lParam);
  }

  // The panel's own units, at any scale.
  const int x = editor.ToPanel(GET_X_LPARAM(lParam));
  const int y = editor.ToPanel(GET_Y_LPARAM(lParam));
  switch (message) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      return 0;
    case WM_PAINT: {
      RECT update = {};
      if (GetUpdateRect(hwnd, &update, FALSE)) {
        editor.Redraw(editor.ToPanel(Rect{update.left, update.top, update.right, update.bottom}));
        // Redraw paints nothing without controls; the region is done all the same.
        if (window) ValidateRect(hwnd, nullptr);
      }
      return 0;
    }
    case WM_CLOSE:
      Close();
      return 0;
    case WM_KEYDOWN:
    case WM_KEYUP: {
      if (message == WM_KEYDOWN) {
        const int key = TranslateKey(wParam);
        if (key >= 0) {
          POINT cursor = {};
          GetCursorPos(&cursor);
          ScreenToClient(hwnd, &cursor);
          if (editor.HandleKeyDown(editor.ToPanel(cursor.x), editor.ToPanel(cursor.y), key)) return 0;
        }
      }
      // Keys the editor does not use belong to the host (its shortcuts,
      // transport keys); a window without a foreign root keeps them.
      HWND root = GetAncestor(hwnd, GA_ROOT);
      if (root && root != hwnd) SendMessageA(root, message, wParam, lParam);
      return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    case WM_TIMER:
      if (wParam == kRedrawTimer) TimerTick();
      return 0;
    case WM_CTLCOLOREDIT: {
      if (!entryControl) return 0;
      HDC dc = reinterpret_cast<HDC>(wParam);
      const COLORREF background = RGB(entryBackground.red, entryBackground.green, entryBackground.blue);
      SetBkColor(dc, background);
      SetTextColor(dc, RGB(entryText.red, entryText.green, entryText.blue));
      SetBkMode(dc, OPAQUE);
      SetDCBrushColor(dc, background);
      return reinterpret_cast<intptr_t>(GetStockObject(DC_BRUSH));
    }
    case WM_MOUSEMOVE: {
      const MouseModifiers modifiers = ModifiersOf(wParam);
      if (modifiers.left || modifiers.right) {
        if (GetCapture() == hwnd && !entryBox) editor.HandleMouseDrag(x, y, modifiers);
      } else {
        HandleHover(x, y, modifiers);
      }
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      HideTooltip();
      if (entryBox) {
        entryState = EntryCommit;
        return 0;
      }
      SetFocus(hwnd);
      SetCapture(hwnd);
      editor.HandleMouseDown(x, y, ModifiersOf(wParam));
      return 0;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      // The middle button is released like the others: its press began an
      // edit and captured the mouse too.
      releasingCapture = true;
      ReleaseCapture();
      releasingCapture = false;
      editor.HandleMouseUp(x, y, ModifiersOf(wParam));
      return 0;
    case WM_LBUTTONDBLCLK:
      if (editor.HandleDoubleClick(x, y, ModifiersOf(wParam))) SetCapture(hwnd);
      return 0;
    case WM_MOUSEWHEEL: {
      if (entryBox) {
        entryState = EntryCancel;
        return 0;
      }
      const int delta = static_cast<short>(HIWORD(wParam)) / WHEEL_DELTA;
      RECT frame = {};
      GetWindowRect(hwnd, &frame);
      editor.HandleWheel(editor.ToPanel(GET_X_LPARAM(lParam) - frame.left),
                         editor.ToPanel(GET_Y_LPARAM(lParam) - frame.top),
                         ModifiersOf(GET_KEYSTATE_WPARAM(wParam)), delta);
      return 0;
    }
    case kDpiChangedAfterParent:
      editor.SetScreenScale(WindowDpi(hwnd) / 96.0);
      return 0;
    case WM_MOUSEHOVER: {
      const IControl* control = editor.GetControl(tooltipIndex);
      ShowTooltip(control ? control->Tooltip() : "");
      tooltipShown = true;
      return 0;
    }
    case WM_MOUSELEAVE:
      HideTooltip();
      editor.HandleMouseOut();
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

void WinWindow::HandleHover(int x, int y, const MouseModifiers& modifiers) {
  if (!editor.HandleMouseOver(x, y, modifiers)) return;
  TRACKMOUSEEVENT request = {};
  request.cbSize = sizeof request;
  request.dwFlags = TME_LEAVE;
  request.hwndTrack = AsWindow(window);
  request.dwHoverTime = HOVER_DEFAULT;
  if (editor.tooltipsEnabled && editor.HoverIndex() != tooltipIndex) {
    tooltipIndex = editor.HoverIndex();
    if (tooltipIndex >= 0) request.dwFlags |= TME_HOVER;
    HideTooltip();
  }
  TrackMouseEvent(&request);
}

// ---------------------------------------------------------------------------
// Redrawing

void WinWindow::TimerTick() {
  HWND hwnd = AsWindow(window);
  if (entryBox) {
    if (entryState == EntryCancel) {
      CloseTextEntry();
      return;
    }
    if (entryState == EntryCommit) {
      CommitTextEntry();
      CloseTextEntry();
      return;
    }
    if (entryState != EntryIdle) {
      entryState = EntryIdle;
      return;
    }
  }
  Rect dirty{};
  if (!editor.CollectDirty(dirty)) return;
  const Rect device = editor.ToDevice(dirty);
  RECT region = {device.left, device.top, device.right, device.bottom};
  InvalidateRect(hwnd, &region, FALSE);
  if (entryBox && entryControl) {
    // The box covers the edited control: leave that part alone.
    const Rect edited = editor.ToDevice(entryControl->GetRect());
    RECT keep = {edited.left, edited.top, edited.right, edited.bottom};
    ValidateRect(hwnd, &keep);
    UpdateWindow(hwnd);
    entryState = EntryRedrawn;
  } else {
    UpdateWindow(hwnd);
  }
}

bool WinWindow::Paint(const Rect& rect) {
  // Drawn without a window (tests, tools): the surface is the result.
  if (!window) return true;
  HWND hwnd = AsWindow(window);
  PAINTSTRUCT paint = {};
  HDC target = BeginPaint(hwnd, &paint);
  SysBitmap* surface = editor.Surface();
  HDC source = surface ? static_cast<HDC>(surface->DeviceContext()) : nullptr;
  if (target && source) {
    BitBlt(target, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, source,
           rect.left, rect.top, SRCCOPY);
  }
  EndPaint(hwnd, &paint);
  return true;
}

void WinWindow::SetSize(int newWidth, int newHeight, bool framesFollow) {
  // A new scale: the surface is made again here, on the thread that draws.
  editor.ApplyScale();
  if (!window) return;
  HWND hwnd = AsWindow(window);
  RECT shown = {};
  GetClientRect(hwnd, &shown);
  const int dw = newWidth - shown.right;
  const int dh = newHeight - shown.bottom;

  // The window, and its parent and grandparent when they are plain child
  // windows (the host's frames), grow by the same amount.
  auto isPlainChild = [](HWND w) {
    return (GetWindowLongA(w, GWL_STYLE) & WS_CHILD) != 0 &&
           (GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_MDICHILD) == 0;
  };
  auto grow = [dw, dh](HWND w) {
    RECT r = {};
    GetWindowRect(w, &r);
    SetWindowPos(w, nullptr, 0, 0, r.right - r.left + dw, r.bottom - r.top + dh,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  };
  HWND parent = isPlainChild(hwnd) ? GetParent(hwnd) : nullptr;
  HWND grandparent = parent && isPlainChild(parent) ? GetParent(parent) : nullptr;
  if (dw != 0 || dh != 0) {
    grow(hwnd);
    if (framesFollow && parent) grow(parent);
    if (framesFollow && grandparent) grow(grandparent);
  }
  // The editor made its surface afresh, whatever the size.
  RECT whole = {0, 0, newWidth, newHeight};
  InvalidateRect(hwnd, &whole, FALSE);
}

// ---------------------------------------------------------------------------
// The pointer

void WinWindow::HideCursor() {
  if (cursorHidden) return;
  POINT position = {};
  GetCursorPos(&position);
  savedCursorX = position.x;
  savedCursorY = position.y;
  ShowCursor(FALSE);
  cursorHidden = true;
}

void WinWindow::RestoreCursor() {
  if (!cursorHidden) return;
  SetCursorPos(savedCursorX, savedCursorY);
  ShowCursor(TRUE);
  cursorHidden = false;
}

}  // namespace veltrax
