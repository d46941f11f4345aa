#pragma once
// The editor's view for VST3 hosts: the effect's editor window inside the
// host's, 700 x 160 for Veltrax or twice that at the host's content scale,
// and not resizable by the user. On Linux the host's run
// loop (from its IEditorFrame) serves the window's X connection and timer on
// the host's UI thread; a frame without one leaves the window its own thread.
//
// Thread tags: [who calls; which lock]. Everything here runs on the host's
// UI thread without PlugLock, which is taken only to tell the effect.

#include <atomic>
#include <cstdint>

#include "EditorLink.h"
#include "Vst3Abi.h"

namespace veltrax {

class IEffectVST3;
class RunLoopHandler;

class Vst3PlugView final : public vst3::IEditorView,
                           public vst3::IEditorViewContentScale,
                           public IHostRunLoop {
 public:
  using tresult = vst3::tresult;

  // [UI thread; no lock] Holds a reference to its component; starts with
  // one reference, the caller's.
  explicit Vst3PlugView(IEffectVST3* owner);
  Vst3PlugView(const Vst3PlugView&) = delete;
  Vst3PlugView& operator=(const Vst3PlugView&) = delete;

  // FUnknown. [any thread; no lock]
  tresult VST3_CALL queryInterface(const vst3::TUID interfaceId, void** obj) override;
  uint32_t VST3_CALL addRef() override;
  uint32_t VST3_CALL release() override;

  // IEditorView. [UI thread; PlugLock not held]
  tresult VST3_CALL isPlatformTypeSupported(vst3::FIDString type) override;
  tresult VST3_CALL attached(void* parent, vst3::FIDString type) override;
  tresult VST3_CALL removed() override;
  tresult VST3_CALL onWheel(float distance) override;
  tresult VST3_CALL onKeyDown(vst3::char16 key, int16_t keyCode, int16_t modifiers) override;
  tresult VST3_CALL onKeyUp(vst3::char16 key, int16_t keyCode, int16_t modifiers) override;
  tresult VST3_CALL getSize(vst3::ViewRect* size) override;
  tresult VST3_CALL onSize(vst3::ViewRect* newSize) override;
  tresult VST3_CALL onFocus(vst3::TBool state) override;
  tresult VST3_CALL setFrame(vst3::IEditorFrame* frame) override;
  tresult VST3_CALL canResize() override;
  tresult VST3_CALL checkSizeConstraint(vst3::ViewRect* rect) override;

  // IEditorViewContentScale: the host's factor for the panel.
  // [UI thread; PlugLock not held]
  tresult VST3_CALL setContentScaleFactor(ScaleFactor factor) override;

  // [UI thread; PlugLock not held] Asks the host's frame to take this size
  // (device pixels); false when there is none or it refuses.
  bool RequestResize(int width, int height);

  // IHostRunLoop, on the host's IRunLoop. [UI thread; PlugLock not held]
  bool RegisterTimer(int periodMilliseconds) override;
  void UnregisterTimer() override;
  bool RegisterFd(int fd) override;
  void UnregisterFd(int fd) override;

 private:
  // [last release; no lock] Removes a window the host left attached.
  ~Vst3PlugView();
  void ReleaseRunLoop();
  vst3::ViewRect Size() const;

  IEffectVST3* const owner;  // one reference
  std::atomic<uint32_t> references{1};
  vst3::IEditorFrame* frame = nullptr;      // one reference while set
  vst3::IRunLoop* runLoop = nullptr;      // one reference while attached
  RunLoopHandler* loopHandler = nullptr;  // one reference while attached
  bool open = false;
};

}  // namespace veltrax
