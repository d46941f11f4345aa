// The VST3 view under an X server, in a host whose frame lends its run loop:
// the test thread is the host's UI thread and serves the loop with a small
// poll loop. The window must start no thread, show the offscreen panel,
// follow the host, and bring the user's drag to the component handler on
// this thread.

#include <dirent.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include "IGraphics.h"
#include "Veltrax.h"
#include "Vst3Host.h"
#include "X11TestHost.h"

namespace veltrax::vst3 {
namespace {

constexpr int kWidth = 700;
constexpr int kHeight = 160;
const ParamID kIds[] = {0, 1, 2, 3, 7};

// The host's frame and run loop in one object, as hosts commonly make it.
class HostFrame : public IEditorFrame, public IRunLoop {
 public:
  tresult VST3_CALL queryInterface(const TUID iid, void** obj) override {
    *obj = nullptr;
    if (tuidsEqual(iid, FUnknown::iid) || tuidsEqual(iid, IEditorFrame::iid)) {
      *obj = static_cast<IEditorFrame*>(this);
    } else if (tuidsEqual(iid, IRunLoop::iid) && lendsRunLoop) {
      *obj = static_cast<IRunLoop*>(this);
    } else {
      return kNoInterface;
    }
    addRef();
    return kResultOk;
  }
  uint32_t VST3_CALL addRef() override { return ++references; }
  uint32_t VST3_CALL release() override { return --references; }
  // As hosts do: the view is sized before the answer.
  tresult VST3_CALL resizeView(IEditorView* view, ViewRect* size) override {
    resizes.push_back({size->getWidth(), size->getHeight()});
    if (!acceptResize) return kResultFalse;
    return view->onSize(size) == kResultTrue ? kResultOk : kResultFalse;
  }

  tresult VST3_CALL registerEventHandler(IEventHandler* handler, FileDescriptor fd) override {
    handler->addRef();
    watches.push_back({handler, fd});
    return kResultOk;
  }
  tresult VST3_CALL unregisterEventHandler(IEventHandler* handler) override {
    for (size_t i = 0; i < watches.size(); ++i) {
      if (watches[i].handler != handler) continue;
      watches.erase(watches.begin() + static_cast<long>(i));
      handler->release();
      return kResultOk;
    }
    return kInvalidArgument;
  }
  tresult VST3_CALL registerTimer(ITimerHandler* handler, TimerInterval ms) override {
    handler->addRef();
    timers.push_back({handler, std::chrono::milliseconds(ms), Clock::now()});
    return kResultOk;
  }
  tresult VST3_CALL unregisterTimer(ITimerHandler* handler) override {
    for (size_t i = 0; i < timers.size(); ++i) {
      if (timers[i].handler != handler) continue;
      timers.erase(timers.begin() + static_cast<long>(i));
      handler->release();
      return kResultOk;
    }
    return kInvalidArgument;
  }

  // One turn of the host's loop: readable descriptors, then due timers.
  void Pump() {
    std::vector<pollfd> fds;
    for (const Watch& w : watches) fds.push_back({w.fd, POLLIN, 0});
    poll(fds.data(), fds.size(), 5);
    for (size_t i = 0; i < fds.size() && i < watches.size(); ++i) {
      if ((fds[i].revents & POLLIN) != 0) watches[i].handler->onFDIsSet(fds[i].fd);
    }
    const Clock::time_point now = Clock::now();
    for (size_t i = 0; i < timers.size(); ++i) {
      if (now < timers[i].due) continue;
      timers[i].due = now + timers[i].period;
      timers[i].handler->onTimer();
    }
    pumpedOn = std::this_thread::get_id();
  }

  using Clock = std::chrono::steady_clock;
  struct Watch {
    IEventHandler* handler;
    int fd;
  };
  struct Timer {
    ITimerHandler* handler;
    std::chrono::milliseconds period;
    Clock::time_point due;
  };
  std::vector<Watch> watches;
  std::vector<Timer> timers;
  uint32_t references = 1;
  bool lendsRunLoop = true;
  bool acceptResize = true;
  std::vector<std::pair<int, int>> resizes;
  std::thread::id pumpedOn;
};

int Threads() {
  int n = 0;
  if (DIR* dir = opendir("/proc/self/task")) {
    while (readdir(dir) != nullptr) ++n;
    closedir(dir);
  }
  return n;
}


// The panel for the controller's values.
std::vector<uint32_t> OffscreenPanel(IEditController* controller, int scale = 1) {
  return veltrax::OffscreenPanel(
      [&](int i) {
        for (ParamID id : kIds) {
          // As the VST 2 binary's position, a float.
          if (static_cast<int>(id) == i)
            return static_cast<double>(static_cast<float>(controller->getParamNormalized(id)));
        }
        return -1.0;
      },
      scale);
}

void* AsParent(xcb_window_t window) { return reinterpret_cast<void*>(static_cast<uintptr_t>(window)); }

class Vst3Window : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(xcb_connection_has_error(Connection())) << "no X display";
    ASSERT_TRUE(plug) << Module().error;
    top = CreateTopWindow(0, 0, 1500, 400);
    plug.controller->setComponentHandler(&handler);
    view = plug.controller->createView("editor");
    ASSERT_NE(view, nullptr);
    view->setFrame(&frame);
  }
  void TearDown() override {
    if (view != nullptr) {
      EXPECT_EQ(view->release(), 0u);
    }
    EXPECT_EQ(frame.references, 1u);
    DestroyWindow(top);
  }
  // Serves the host's loop until done() or the timeout.
  bool PumpUntil(const std::function<bool()>& done) {
    return WaitFor([&] {
      frame.Pump();
      return done();
    });
  }
  bool Shows(const std::vector<uint32_t>& panel, int scale = 1) {
    const std::vector<xcb_window_t> children = Children(top);
    return !children.empty() && ReadPixels(children.front(), kWidth * scale, kHeight * scale) == panel;
  }
  ViewRect Size() {
    ViewRect size{};
    EXPECT_EQ(view->getSize(&size), kResultOk);
    return size;
  }
  IEditorViewContentScale* Scaling() {
    void* scaling = nullptr;
    EXPECT_EQ(view->queryInterface(IEditorViewContentScale::iid, &scaling), kResultOk);
    view->release();  // the reference the query added
    return static_cast<IEditorViewContentScale*>(scaling);
  }

  Plugin plug;
  RecordingHandler handler;
  HostFrame frame;
  IEditorView* view = nullptr;
  xcb_window_t top = 0;
};

TEST_F(Vst3Window, RunsOnTheHostsLoopShowsThePanelAndFollowsTheHost) {
  const int threads = Threads();
  ASSERT_EQ(view->attached(AsParent(top), kPlatformTypeX11EmbedWindowID), kResultOk);
  EXPECT_EQ(Threads(), threads);  // no window thread
  ASSERT_EQ(frame.watches.size(), 1u);
  ASSERT_EQ(frame.timers.size(), 1u);
  EXPECT_EQ(frame.timers[0].period.count(), 40);  // the panel's 25 frames a second
  const std::vector<uint32_t> initial = OffscreenPanel(plug.controller);
  EXPECT_TRUE(PumpUntil([&] { return Shows(initial); }));

  ASSERT_EQ(plug.controller->setParamNormalized(0, 0.25), kResultOk);
  ASSERT_EQ(plug.controller->setParamNormalized(3, 0.0), kResultOk);
  const std::vector<uint32_t> moved = OffscreenPanel(plug.controller);
  ASSERT_NE(moved, initial);
  EXPECT_TRUE(PumpUntil([&] { return Shows(moved); }));

  EXPECT_EQ(view->removed(), kResultOk);
  EXPECT_TRUE(Children(top).empty());
  EXPECT_TRUE(frame.watches.empty());
  EXPECT_TRUE(frame.timers.empty());
}

TEST_F(Vst3Window, ADragReachesTheHandlerInOrderOnTheUiThread) {
  ASSERT_EQ(view->attached(AsParent(top), kPlatformTypeX11EmbedWindowID), kResultOk);
  ASSERT_TRUE(PumpUntil([&] { return Shows(OffscreenPanel(plug.controller)); }));
  // Up by one knob height at gearing 4: a quarter of the travel.
  Drag(120, 70, 120, 6);
  ASSERT_TRUE(PumpUntil([&] { return handler.Kinds().find('E') != std::string::npos; }));
  const std::vector<Edit> edits = handler.Edits();
  const std::string kinds = handler.Kinds();
  EXPECT_EQ(kinds.front(), 'B');
  EXPECT_EQ(kinds.back(), 'E');
  EXPECT_EQ(kinds.find_first_not_of('P', 1), kinds.size() - 1) << kinds;
  for (const Edit& edit : edits) {
    EXPECT_EQ(edit.id, 0u);
    EXPECT_EQ(edit.thread, std::this_thread::get_id());
  }
  EXPECT_NEAR(edits[edits.size() - 2].value, std::sqrt(0.5) + 0.25, 1e-4);
  EXPECT_EQ(plug.controller->getParamNormalized(0), edits[edits.size() - 2].value);
  EXPECT_EQ(view->removed(), kResultOk);
}

// A lost display ends the held gesture for the host, and the host's loop
// lets go of the window's descriptor and timer rather than call forever.
TEST_F(Vst3Window, ALostDisplayLeavesTheHostsLoop) {
  ASSERT_EQ(view->attached(AsParent(top), kPlatformTypeX11EmbedWindowID), kResultOk);
  ASSERT_TRUE(PumpUntil([&] { return Shows(OffscreenPanel(plug.controller)); }));
  Drag(120, 70, 120, 40, /*keepHeld=*/true);
  ASSERT_TRUE(PumpUntil([&] { return handler.Kinds().find('P') != std::string::npos; }));
  xcb_kill_client(Connection(), Children(top).front());
  Sync();
  EXPECT_TRUE(PumpUntil([&] { return frame.watches.empty() && frame.timers.empty(); }));
  EXPECT_EQ(handler.Kinds().back(), 'E');
  Button(1, false);
  EXPECT_EQ(view->removed(), kResultOk);
}

// The audio thread's blocks, with parameter points, go on through a drag, a
// host's moves of the panel and state calls on the UI thread.
TEST_F(Vst3Window, AudioBlocksRunThroughADragAndStateCalls) {
  plug.Start(44100.0, 256, kSample32);
  std::atomic<bool> stop{false};
  std::atomic<int> blocks{0};
  std::thread audio([&] {
    std::vector<float> in(256, 0.25f), left(256), right(256);
    void* inputs[2] = {in.data(), in.data()};
    void* outputs[2] = {left.data(), right.data()};
    while (!stop.load()) {
      ParameterChanges changes;
      changes.For(2).points = {{17, (blocks.load() % 5) / 4.0}};
      if (plug.Process(inputs, outputs, 2, 256, kSample32, &changes) != kResultOk) break;
      blocks.fetch_add(1);
    }
  });
  ASSERT_EQ(view->attached(AsParent(top), kPlatformTypeX11EmbedWindowID), kResultOk);
  Drag(120, 70, 120, 30);
  for (int i = 0; i < 20; ++i) {
    frame.Pump();
    plug.controller->setParamNormalized(1, i / 20.0);
    ASSERT_EQ(plug.SetState(plug.State()), kResultOk);
  }
  EXPECT_TRUE(PumpUntil([&] { return handler.Kinds().find('E') != std::string::npos; }));
  EXPECT_EQ(view->removed(), kResultOk);
  stop.store(true);
  audio.join();
  EXPECT_GT(blocks.load(), 0);
  EXPECT_EQ(handler.Kinds().front(), 'B');
}

// The host's content scale: before attaching it sets the size the host
// reads; while attached the view asks its frame, and a frame that refuses
// keeps the panel as it is.
TEST_F(Vst3Window, TheHostsContentScaleSizesThePanel) {
  IEditorViewContentScale* scaling = Scaling();
  ASSERT_NE(scaling, nullptr);
  EXPECT_EQ(scaling->setContentScaleFactor(0.0f), kInvalidArgument);
  ASSERT_EQ(scaling->setContentScaleFactor(2.0f), kResultOk);
  EXPECT_EQ(Size().getWidth(), 2 * kWidth);
  EXPECT_EQ(Size().getHeight(), 2 * kHeight);
  EXPECT_TRUE(frame.resizes.empty());
  ASSERT_EQ(view->attached(AsParent(top), kPlatformTypeX11EmbedWindowID), kResultOk);
  EXPECT_TRUE(PumpUntil([&] { return Shows(OffscreenPanel(plug.controller, 2), 2); }));

  ASSERT_EQ(scaling->setContentScaleFactor(1.0f), kResultOk);
  ASSERT_EQ(frame.resizes.size(), 1u);
  EXPECT_EQ(frame.resizes[0], (std::pair<int, int>{kWidth, kHeight}));
  EXPECT_EQ(Size().getWidth(), kWidth);
  EXPECT_TRUE(PumpUntil([&] { return Shows(OffscreenPanel(plug.controller)); }));

  frame.acceptResize = false;
  ASSERT_EQ(scaling->setContentScaleFactor(2.0f), kResultOk);
  EXPECT_EQ(frame.resizes.size(), 2u);
  EXPECT_EQ(Size().getWidth(), kWidth);
  ASSERT_EQ(plug.controller->setParamNormalized(3, 0.0), kResultOk);  // still drawn, at 1x
  EXPECT_TRUE(PumpUntil([&] { return Shows(OffscreenPanel(plug.controller)); }));
  EXPECT_EQ(view->removed(), kResultOk);
}

// A frame without a run loop: the window keeps its own thread, as for VST 2.
TEST_F(Vst3Window, WithoutARunLoopTheWindowRunsItself) {
  frame.lendsRunLoop = false;
  ASSERT_EQ(view->attached(AsParent(top), kPlatformTypeX11EmbedWindowID), kResultOk);
  EXPECT_TRUE(frame.watches.empty());
  // Drawn with no turn of the host's loop.
  EXPECT_TRUE(WaitFor([&] { return Shows(OffscreenPanel(plug.controller)); }));
  // Released while attached: the view closes its window on the way out.
  EXPECT_EQ(view->release(), 0u);
  view = nullptr;
  EXPECT_TRUE(Children(top).empty());
}

}  // namespace
}  // namespace veltrax::vst3
