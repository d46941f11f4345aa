#pragma once
// The editor window's way from its window procedures to its WinWindow;
// only the Windows window's own files include it.

#include <windows.h>

namespace veltrax {

class WinWindow;

// The window handles that the portable headers carry as void*.
inline HWND AsWindow(void* handle) { return static_cast<HWND>(handle); }

// What the window procedure reaches the WinWindow through. The system's
// window holds a reference until its last message, the WinWindow one while
// it keeps that window, and every message being handled one more, so the
// link outlives them all. A close from another thread that the owner thread
// does not answer cuts the WinWindow off here and waits until no message of
// ours is being handled: only then may the instance go.
struct WindowLink {
  SRWLOCK lock = SRWLOCK_INIT;
  CONDITION_VARIABLE idle = CONDITION_VARIABLE_INIT;
  WinWindow* owner;
  int busy = 0;        // messages being handled for the owner
  int references = 2;  // the system's window and the owner

  explicit WindowLink(WinWindow* window) : owner(window) {}

  void AddRef() {
    AcquireSRWLockExclusive(&lock);
    ++references;
    ReleaseSRWLockExclusive(&lock);
  }
  // The owner for one message, or none once cut off.
  WinWindow* Enter() {
    AcquireSRWLockExclusive(&lock);
    WinWindow* reached = owner;
    if (reached != nullptr) {
      ++busy;
      ++references;
    }
    ReleaseSRWLockExclusive(&lock);
    return reached;
  }
  void Leave() {
    AcquireSRWLockExclusive(&lock);
    --busy;
    WakeAllConditionVariable(&idle);
    ReleaseSRWLockExclusive(&lock);
    Release();
  }
  // Cut off: no message reaches the owner from here on. With wait, also
  // until none is being handled any more (a close from another thread).
  void CutOff(bool wait) {
    AcquireSRWLockExclusive(&lock);
    owner = nullptr;
    while (wait && busy > 0) SleepConditionVariableSRW(&idle, &lock, INFINITE, 0);
    ReleaseSRWLockExclusive(&lock);
  }
  void Release() {
    AcquireSRWLockExclusive(&lock);
    const bool last = --references == 0;
    ReleaseSRWLockExclusive(&lock);
    if (last) delete this;
  }
  // One message of a window reached through link (may be none): handled by
  // the owner while it is there and the window is its own, else by Windows.
  template <class Handler>
  static LRESULT Deliver(WindowLink* link, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                         Handler handle) {
    WinWindow* reached = link ? link->Enter() : nullptr;
    if (!reached) return DefWindowProcA(hwnd, message, wParam, lParam);
    const LRESULT result = handle(*reached);
    link->Leave();
    return result;
  }
};

}  // namespace veltrax
