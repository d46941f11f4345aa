// The host hears the editor without PlugLock held: hosts whose callbacks are
// slow, or take the host's own locks, must neither stall the audio nor
// deadlock. Each test waits for a condition that only holds when the lock is
// free, and fails by watchdog instead of hanging.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "EffectVST.h"
#include "IGraphics.h"
#include "PluginHost.h"

extern "C" veltrax::AEffect* VSTPluginMain(veltrax::audioMasterCallback hostCallback);

namespace veltrax {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kWatchdog = std::chrono::seconds(10);

AudioThread* audio = nullptr;  // the blocks the slow host waits for
std::atomic<bool> automateWaitsForAudio{false};
std::atomic<bool> watchdogFired{false};
std::mutex hostMutex;  // the host's own lock, taken by its callbacks
std::atomic<bool> callbacksTakeHostMutex{false};

// A host whose automate callback does not return until the audio thread has
// run 20 more blocks: with PlugLock held across the call it never would.
intptr_t VST_CALLBACK DemandingHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  if (opcode == audioMasterVersion) return 2400;
  if (opcode != audioMasterAutomate && opcode != audioMasterBeginEdit && opcode != audioMasterEndEdit)
    return 0;
  if (callbacksTakeHostMutex.load()) {
    std::lock_guard<std::mutex> guard(hostMutex);
  }
  if (opcode == audioMasterAutomate && automateWaitsForAudio.load() && !watchdogFired.load()) {
    const int target = audio->blocks.load() + 20;
    const Clock::time_point deadline = Clock::now() + kWatchdog;
    while (audio->blocks.load() < target) {
      if (Clock::now() > deadline) {
        watchdogFired.store(true);
        break;
      }
      std::this_thread::yield();
    }
  }
  return 0;
}

IGraphics* PanelOf(const Instance& plug) {
  return dynamic_cast<IGraphics*>(static_cast<IEffectVST*>(plug.effect()->object)->Plugin()->Editor());
}

// A drag on the left record level, as the editor's input thread makes it.
void DragLeftGain(IGraphics* panel) {
  MouseModifiers held;
  held.left = true;
  panel->HandleMouseDown(127, 77, held);
  for (int y = 76; y > 60; --y) panel->HandleMouseDrag(127, y, held);
  panel->HandleMouseUp(127, 60, MouseModifiers{});
}

TEST(HostCalls, ASlowAutomateCallbackDoesNotHoldUpTheAudio) {
  Instance plug(&VSTPluginMain, &DemandingHost);
  ASSERT_TRUE(plug);
  AudioThread blocks(plug, 64);
  audio = &blocks;
  watchdogFired.store(false);
  automateWaitsForAudio.store(true);
  DragLeftGain(PanelOf(plug));
  automateWaitsForAudio.store(false);
  audio = nullptr;
  EXPECT_FALSE(watchdogFired.load());
  EXPECT_GT(plug.Get(0), std::sqrt(0.5f));  // up raises
}

// The host's user-interface thread holds its own lock while it asks for a
// parameter's text; the editor's callbacks take that lock too.
TEST(HostCalls, AHostLockAroundParameterTextsDoesNotDeadlockAGesture) {
  Instance plug(&VSTPluginMain, &DemandingHost);
  ASSERT_TRUE(plug);
  callbacksTakeHostMutex.store(true);
  std::atomic<bool> done{false};
  std::atomic<int> texts{0};
  std::thread hostThread([&] {
    while (!done.load()) {
      std::lock_guard<std::mutex> guard(hostMutex);
      char text[64] = "";
      plug.effect()->dispatcher(plug.effect(), effGetParamDisplay, 0, 0, text, 0.0f);
      texts.fetch_add(1);
    }
  });
  std::thread editorThread([&] {
    while (texts.load() == 0) std::this_thread::yield();
    for (int i = 0; i < 20; ++i) DragLeftGain(PanelOf(plug));
    done.store(true);
  });
  const Clock::time_point deadline = Clock::now() + kWatchdog;
  while (!done.load() && Clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const bool finished = done.load();
  if (!finished) {
    // Deadlocked: report rather than hang (the threads cannot be joined).
    ADD_FAILURE() << "the gesture and the host's text requests deadlocked";
    std::_Exit(1);
  }
  editorThread.join();
  hostThread.join();
  callbacksTakeHostMutex.store(false);
  EXPECT_GT(texts.load(), 0);
}

}  // namespace
}  // namespace veltrax
