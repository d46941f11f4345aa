#include "PlugView.h"

#include <cmath>
#include <cstring>
#include <new>

#include "EffectVST3.h"

namespace veltrax {

using namespace vst3;

namespace {

#if defined(_WIN32)
constexpr const char* kPlatformType = kPlatformTypeHWND;
#else
constexpr const char* kPlatformType = kPlatformTypeX11EmbedWindowID;
#endif

}  // namespace

// The object the host's run loop calls: its timer and its watch of the X
// connection, passed on to the editor. The host may keep a reference past
// the view's end; it then reaches no editor.
class RunLoopHandler final : public ITimerHandler, public IEventHandler {
 public:
  explicit RunLoopHandler(IEditorLink* editor) : editor(editor) {}

  // [any thread; no lock]
  tresult VST3_CALL queryInterface(const TUID interfaceId, void** obj) override {
    if (obj == nullptr) return kInvalidArgument;
    *obj = nullptr;
    if (interfaceId == nullptr) return kInvalidArgument;
    if (tuidsEqual(interfaceId, FUnknown::iid) || tuidsEqual(interfaceId, ITimerHandler::iid)) {
      *obj = static_cast<ITimerHandler*>(this);
    } else if (tuidsEqual(interfaceId, IEventHandler::iid)) {
      *obj = static_cast<IEventHandler*>(this);
    } else {
      return kNoInterface;
    }
    addRef();
    return kResultOk;
  }
  uint32_t VST3_CALL addRef() override { return references.fetch_add(1, std::memory_order_relaxed) + 1; }
  uint32_t VST3_CALL release() override {
    const uint32_t left = references.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
  }

  // [the host's UI thread; PlugLock not held]
  void VST3_CALL onTimer() override {
    if (editor != nullptr) editor->OnHostTimer();
  }
  void VST3_CALL onFDIsSet(FileDescriptor fd) override {
    if (editor != nullptr) editor->OnHostFd(fd);
  }

  // [UI thread] The view is gone: later calls reach nothing.
  void Detach() { editor = nullptr; }

  ITimerHandler* Timer() { return this; }
  IEventHandler* Events() { return this; }

 private:
  ~RunLoopHandler() = default;
  IEditorLink* editor;
  std::atomic<uint32_t> references{1};
};

Vst3PlugView::Vst3PlugView(IEffectVST3* component) : owner(component) { owner->addRef(); }

// A host that releases an attached view without removing it first still
// gets its window closed.
Vst3PlugView::~Vst3PlugView() {
  if (open) removed();
  if (frame != nullptr) frame->release();
  owner->ViewClosed(this);
  owner->release();
}

tresult Vst3PlugView::queryInterface(const TUID interfaceId, void** obj) {
  if (obj == nullptr) return kInvalidArgument;
  *obj = nullptr;
  if (interfaceId == nullptr) return kInvalidArgument;
  if (tuidsEqual(interfaceId, FUnknown::iid) || tuidsEqual(interfaceId, IEditorView::iid)) {
    *obj = static_cast<IEditorView*>(this);
  } else if (tuidsEqual(interfaceId, IEditorViewContentScale::iid)) {
    *obj = static_cast<IEditorViewContentScale*>(this);
  } else {
    return kNoInterface;
  }
  addRef();
  return kResultOk;
}

uint32_t Vst3PlugView::addRef() { return references.fetch_add(1, std::memory_order_relaxed) + 1; }

uint32_t Vst3PlugView::release() {
  const uint32_t left = references.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) delete this;
  return left;
}

tresult Vst3PlugView::isPlatformTypeSupported(FIDString type) {
  if (type == nullptr) return kInvalidArgument;
  return std::strcmp(type, kPlatformType) == 0 ? kResultTrue : kResultFalse;
}

tresult Vst3PlugView::attached(void* parent, FIDString type) {
  if (parent == nullptr || type == nullptr) return kInvalidArgument;
  if (isPlatformTypeSupported(type) != kResultTrue || open) return kResultFalse;
  IEffectBase* plug = owner->Plugin();
  IEditorLink* editor = plug->Editor();
  if (editor == nullptr) return kResultFalse;
#if !defined(_WIN32)
  // The run loop is the Linux host's; a frame without one leaves the
  // window its own thread.
  if (frame != nullptr &&
      frame->queryInterface(IRunLoop::iid, reinterpret_cast<void**>(&runLoop)) != kResultOk)
    runLoop = nullptr;
  if (runLoop != nullptr) {
    loopHandler = new (std::nothrow) RunLoopHandler(editor);
    if (loopHandler == nullptr) ReleaseRunLoop();
  }
#endif
  if (editor->OpenWindow(parent, runLoop != nullptr ? this : nullptr) == nullptr) {
    ReleaseRunLoop();
    return kResultFalse;
  }
  open = true;
  PlugLockGuard guard(plug->Lock());
  plug->EditorOpened();
  return kResultOk;
}

tresult Vst3PlugView::removed() {
  if (!open) return kResultFalse;
  open = false;
  IEffectBase* plug = owner->Plugin();
  {
    PlugLockGuard guard(plug->Lock());
    plug->EditorClosed();
  }
  // Closing unregisters the window's timer and descriptor from the run loop.
  if (IEditorLink* editor = plug->Editor()) editor->CloseWindow();
  ReleaseRunLoop();
  return kResultOk;
}

void Vst3PlugView::ReleaseRunLoop() {
  if (loopHandler != nullptr) {
    loopHandler->Detach();
    loopHandler->release();
    loopHandler = nullptr;
  }
  if (runLoop != nullptr) {
    runLoop->release();
    runLoop = nullptr;
  }
}

// Keys and the wheel are the host's: the panel takes its input from the
// window's own events.
tresult Vst3PlugView::onWheel(float /*distance*/) { return kResultFalse; }
tresult Vst3PlugView::onKeyDown(char16, int16_t, int16_t) { return kResultFalse; }
tresult Vst3PlugView::onKeyUp(char16, int16_t, int16_t) { return kResultFalse; }

ViewRect Vst3PlugView::Size() const {
  const IEditorLink* editor = owner->Plugin()->Editor();
  return ViewRect{0, 0, editor != nullptr ? editor->Width() : 0,
                  editor != nullptr ? editor->Height() : 0};
}

tresult Vst3PlugView::getSize(ViewRect* size) {
  if (size == nullptr) return kInvalidArgument;
  *size = Size();
  return kResultOk;
}

// The panel has one size at each scale: the one the editor reports, which
// is the size asked of the frame while it answers (hosts size the view
// before resizeView returns). Any other is refused.
tresult Vst3PlugView::onSize(ViewRect* newSize) {
  if (newSize == nullptr) return kInvalidArgument;
  const ViewRect size = Size();
  return newSize->getWidth() == size.getWidth() && newSize->getHeight() == size.getHeight() ? kResultTrue
                                                                                            : kResultFalse;
}

// The editor chooses among the user's, the host's and the screen's
// factors; an open panel asks the frame for its new size through
// RequestResize.
tresult Vst3PlugView::setContentScaleFactor(ScaleFactor factor) {
  IEditorLink* editor = owner->Plugin()->Editor();
  if (editor == nullptr) return kResultFalse;
  if (!std::isfinite(factor) || factor <= 0.0f) return kInvalidArgument;
  editor->SetHostScale(factor);
  return kResultOk;
}

bool Vst3PlugView::RequestResize(int width, int height) {
  if (frame == nullptr || width <= 0 || height <= 0) return false;
  ViewRect size{0, 0, width, height};
  return frame->resizeView(this, &size) == kResultOk;
}

tresult Vst3PlugView::onFocus(TBool /*state*/) { return kResultOk; }

// Kept for the run loop it may offer when the view is attached.
tresult Vst3PlugView::setFrame(IEditorFrame* newFrame) {
  if (newFrame != nullptr) newFrame->addRef();
  if (frame != nullptr) frame->release();
  frame = newFrame;
  return kResultOk;
}

tresult Vst3PlugView::canResize() { return kResultFalse; }

tresult Vst3PlugView::checkSizeConstraint(ViewRect* rect) {
  if (rect == nullptr) return kInvalidArgument;
  const ViewRect size = Size();
  rect->right = rect->left + size.getWidth();
  rect->bottom = rect->top + size.getHeight();
  return kResultTrue;
}

bool Vst3PlugView::RegisterTimer(int periodMilliseconds) {
  if (runLoop == nullptr || loopHandler == nullptr || periodMilliseconds <= 0) return false;
  return runLoop->registerTimer(loopHandler->Timer(), static_cast<TimerInterval>(periodMilliseconds)) ==
         kResultOk;
}

void Vst3PlugView::UnregisterTimer() {
  if (runLoop != nullptr && loopHandler != nullptr) runLoop->unregisterTimer(loopHandler->Timer());
}

bool Vst3PlugView::RegisterFd(int fd) {
  if (runLoop == nullptr || loopHandler == nullptr || fd < 0) return false;
  return runLoop->registerEventHandler(loopHandler->Events(), fd) == kResultOk;
}

void Vst3PlugView::UnregisterFd(int /*fd*/) {
  if (runLoop != nullptr && loopHandler != nullptr)
    runLoop->unregisterEventHandler(loopHandler->Events());
}

}  // namespace veltrax
