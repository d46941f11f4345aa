#pragma once
// The editor window's way from its window procedures to the editor; only
// the Windows window's own files include it.

#include <windows.h>

namespace veltrax {

class IGraphicsWin;

// What the window procedure reaches the editor through. The window holds a
// reference until its last message, the editor one while it keeps the
// window, and every message being handled one more, so the link outlives
// them all. A close from another thread that the owner thread does not
// answer cuts the editor off here and waits until no message of ours is
// being handled: only then may the instance go.
struct WindowLink {
  SRWLOCK lock = SRWLOCK_INIT;
  CONDITION_VARIABLE idle = CONDITION_VARIABLE_INIT;
  IGraphicsWin* editor;
  int busy = 0;        // messages being handled for the editor
  int references = 2;  // the window and the editor

  explicit WindowLink(IGraphicsWin* owner) : editor(owner) {}

  // The editor for one message, or none once cut off.
  IGraphicsWin* Enter() {
    AcquireSRWLockExclusive(&lock);
    IGraphicsWin* reached = editor;
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
  // Cut off: no message reaches the editor from here on. With wait, also
  // until none is being handled any more (a close from another thread).
  void CutOff(bool wait) {
    AcquireSRWLockExclusive(&lock);
    editor = nullptr;
    while (wait && busy > 0) SleepConditionVariableSRW(&idle, &lock, INFINITE, 0);
    ReleaseSRWLockExclusive(&lock);
  }
  void Release() {
    AcquireSRWLockExclusive(&lock);
    const bool last = --references == 0;
    ReleaseSRWLockExclusive(&lock);
    if (last) delete this;
  }
};

}  // namespace veltrax
