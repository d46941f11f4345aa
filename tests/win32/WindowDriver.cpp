#include "WindowDriver.h"

#include <cstring>

namespace veltrax {
namespace wintest {

namespace {

HWND watchedEditor = nullptr;
TickStats tickStats;

double NowMs() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN || message == WM_KEYUP) {
    HostKeys().push_back(KeyRecord{message, wParam});
    return 0;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

void DispatchOne(MSG& message) {
  TranslateMessage(&message);
  const bool tick = message.message == WM_TIMER && message.hwnd && message.hwnd == watchedEditor;
  const double start = tick ? NowMs() : 0.0;
  DispatchMessageA(&message);
  if (tick) {
    const double took = NowMs() - start;
    ++tickStats.ticks;
    tickStats.totalMs += took;
    if (took > tickStats.maxMs) tickStats.maxMs = took;
  }
}

void SendMouse(DWORD flags, LONG dx = 0, LONG dy = 0, DWORD data = 0) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dx = dx;
  input.mi.dy = dy;
  input.mi.mouseData = data;
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof input);
}

}  // namespace

std::vector<KeyRecord>& HostKeys() {
  static std::vector<KeyRecord> keys;
  return keys;
}

HWND CreateHostWindow(int x, int y, int w, int h) {
  static const bool registered = [] {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = HostProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    windowClass.lpszClassName = "VeltraxTestHost";
    return RegisterClassA(&windowClass) != 0;
  }();
  (void)registered;
  RECT frame = {0, 0, w, h};
  AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
  HWND host = CreateWindowExA(0, "VeltraxTestHost", "Veltrax test host", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                              x, y, frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  if (!host) return nullptr;
  SetForegroundWindow(host);
  SetActiveWindow(host);
  PumpUntil([host] { return GetForegroundWindow() == host && IsWindowVisible(host); }, 2000);
  HostKeys().clear();
  return host;
}

void WatchEditor(HWND editor) {
  watchedEditor = editor;
  tickStats = TickStats();
}

const TickStats& Ticks() { return tickStats; }

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  const double deadline = NowMs() + timeoutMs;
  for (;;) {
    if (done()) return true;
    MSG message;
    bool any = false;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      any = true;
      DispatchOne(message);
      if (done()) return true;
    }
    const double left = deadline - NowMs();
    if (left <= 0) return done();
    if (!any) MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left < 10 ? left : 10), QS_ALLINPUT);
  }
}

bool PumpTicks(int count, int timeoutMs) {
  const int target = tickStats.ticks + count;
  return PumpUntil([target] { return tickStats.ticks >= target; }, timeoutMs);
}

void PumpPending() {
  MSG message;
  for (int quiet = 0; quiet < 3;) {
    if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      DispatchOne(message);
      quiet = 0;
    } else {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
      ++quiet;
    }
  }
}

bool MoveMouse(int x, int y) {
  const int w = GetSystemMetrics(SM_CXSCREEN);
  const int h = GetSystemMetrics(SM_CYSCREEN);
  // Absolute input is in 1/65536 of the screen; nudge until the pointer
  // lands on the very pixel, whatever rounding the system applies.
  LONG dx = static_cast<LONG>((static_cast<long long>(x) * 65536 + w - 1) / w);
  LONG dy = static_cast<LONG>((static_cast<long long>(y) * 65536 + h - 1) / h);
  for (int attempt = 0; attempt < 8; ++attempt) {
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, dx, dy);
    POINT at = {};
    GetCursorPos(&at);
    if (at.x == x && at.y == y) return true;
    dx += (x - at.x) * 65536 / w + (x > at.x ? 1 : x < at.x ? -1 : 0);
    dy += (y - at.y) * 65536 / h + (y > at.y ? 1 : y < at.y ? -1 : 0);
  }
  return false;
}

void MouseButton(bool down, bool right) {
  if (right) {
    SendMouse(down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP);
  } else {
    SendMouse(down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
  }
}

void Wheel(int notches) { SendMouse(MOUSEEVENTF_WHEEL, 0, 0, static_cast<DWORD>(notches * WHEEL_DELTA)); }

void Key(WORD virtualKey, bool down) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  SendInput(1, &input, sizeof input);
}

void TypeText(const wchar_t* text) {
  for (const wchar_t* c = text; *c; ++c) {
    INPUT input[2] = {};
    for (int i = 0; i < 2; ++i) {
      input[i].type = INPUT_KEYBOARD;
      input[i].ki.wScan = *c;
      input[i].ki.dwFlags = KEYEVENTF_UNICODE | (i == 1 ? KEYEVENTF_KEYUP : 0);
    }
    SendInput(2, input, sizeof(INPUT));
  }
}

POINT ScreenPoint(HWND window, int x, int y) {
  POINT point = {x, y};
  ClientToScreen(window, &point);
  return point;
}

void Click(HWND window, int x, int y) {
  const POINT at = ScreenPoint(window, x, y);
  MoveMouse(at.x, at.y);
  MouseButton(true);
  MouseButton(false);
}

std::vector<uint32_t> ReadWindowPixels(HWND window, int w, int h) {
  std::vector<uint32_t> pixels;
  HDC source = GetDC(window);
  if (!source) return pixels;
  HDC copy = CreateCompatibleDC(source);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (copy && section && bits) {
    HGDIOBJ previous = SelectObject(copy, section);
    BitBlt(copy, 0, 0, w, h, source, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* words = static_cast<const uint32_t*>(bits);
    pixels.assign(words, words + static_cast<size_t>(w) * h);
    for (uint32_t& p : pixels) p &= 0xFFFFFF;
    SelectObject(copy, previous);
  }
  if (section) DeleteObject(section);
  if (copy) DeleteDC(copy);
  ReleaseDC(window, source);
  return pixels;
}

}  // namespace wintest
}  // namespace veltrax
