// Veltrax.clap's panel in a host that drives it: the host's timer and its
// watch of the X connection run everything on the host's thread (no thread
// of the plug-in's own), the pixels equal the offscreen panel, a drag comes
// out as gesture events in order, and a host value shows within two ticks.

#include <dirent.h>
#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <vector>

#include "ClapTestHost.h"
#include "IGraphics.h"
#include "Veltrax.h"
#include "X11TestHost.h"

namespace veltrax {
namespace {

constexpr int kWidth = 700;
constexpr int kHeight = 160;

int ThreadCount() {
  int n = 0;
  if (DIR* dir = opendir("/proc/self/task")) {
    while (readdir(dir) != nullptr) ++n;
    closedir(dir);
  }
  return n;
}

// The panel for these CLAP values.
std::vector<uint32_t> OffscreenPanel(const ClapInstance& plug) {
  return veltrax::OffscreenPanel([&](int i) {
    if (i > 3 && i != 7) return -1.0;
    const double v = plug.Value(static_cast<clap_id>(i));
    return i == 2 ? (v - 1.0) / 4.0 : v;
  });
}

// The host's main loop: its timer, its watch of the plug-in's descriptor,
// and a flush whenever the plug-in asks for one.
class MainLoop {
 public:
  MainLoop(ClapTestHost& host, ClapInstance& plug) : host(host), plug(plug) {
    gui = plug.Ext<clap_plugin_gui>(CLAP_EXT_GUI);
    timers = plug.Ext<clap_plugin_timer_support>(CLAP_EXT_TIMER_SUPPORT);
    fds = plug.Ext<clap_plugin_posix_fd_support>(CLAP_EXT_POSIX_FD_SUPPORT);
  }
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      Step();
    }
    return true;
  }
  void Step() {
    pollfd watch{host.fd, POLLIN, 0};
    if (host.fd >= 0 && poll(&watch, 1, 2) > 0) fds->on_fd(plug.plugin, host.fd, CLAP_POSIX_FD_READ);
    const auto now = std::chrono::steady_clock::now();
    if (host.timerId != CLAP_INVALID_ID && now >= nextTick) {
      timers->on_timer(plug.plugin, host.timerId);
      ++ticks;
      nextTick = now + std::chrono::milliseconds(host.timerPeriod);
    }
    if (host.flushRequests.load() != flushesSeen) {
      flushesSeen = host.flushRequests.load();
      plug.Flush(nullptr, &out);
    }
  }
  ClapTestHost& host;
  ClapInstance& plug;
  const clap_plugin_gui* gui;
  const clap_plugin_timer_support* timers;
  const clap_plugin_posix_fd_support* fds;
  EventsOut out;
  int ticks = 0;
  int flushesSeen = 0;
  std::chrono::steady_clock::time_point nextTick{};
};

TEST(ClapWindow, RunsOnTheHostsThreadShowsThePanelAndSendsGesturesInOrder) {
  ASSERT_FALSE(xcb_connection_has_error(Connection())) << "no X display";
  ClapTestHost host;
  ClapInstance plug(host);
  ASSERT_TRUE(plug);
  MainLoop loop(host, plug);
  ASSERT_NE(loop.gui, nullptr);
  const xcb_window_t top = CreateTopWindow(0, 0, 800, 300);
  const int threads = ThreadCount();
  ASSERT_TRUE(loop.gui->create(plug.plugin, CLAP_WINDOW_API_X11, false));
  uint32_t width = 0, height = 0;
  ASSERT_TRUE(loop.gui->get_size(plug.plugin, &width, &height));
  EXPECT_EQ(width, 700u);
  EXPECT_EQ(height, 160u);
  EXPECT_FALSE(loop.gui->can_resize(plug.plugin));
  clap_window parent{};
  parent.api = CLAP_WINDOW_API_X11;
  parent.x11 = top;
  ASSERT_TRUE(loop.gui->set_parent(plug.plugin, &parent));
  ASSERT_TRUE(loop.gui->show(plug.plugin));
  EXPECT_EQ(ThreadCount(), threads) << "the window must not start a thread of its own";
  EXPECT_GE(host.fd, 0);
  EXPECT_EQ(host.timerPeriod, 40u);
  const std::vector<xcb_window_t> children = Children(top);
  ASSERT_EQ(children.size(), 1u);
  const xcb_window_t editor = children.front();
  std::vector<uint32_t> expected = OffscreenPanel(plug);
  EXPECT_TRUE(loop.RunUntil([&] { return ReadPixels(editor, kWidth, kHeight) == expected; }));

  // A drag up on the left record level: begin, values, end, in that order.
  Drag(120, 70, 120, 30);
  ASSERT_TRUE(loop.RunUntil([&] {
    return !loop.out.events.empty() && loop.out.events.back().type == CLAP_EVENT_PARAM_GESTURE_END;
  }));
  const std::vector<EventOut>& events = loop.out.events;
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(events.front().type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
  for (size_t i = 1; i + 1 < events.size(); ++i) EXPECT_EQ(events[i].type, CLAP_EVENT_PARAM_VALUE);
  for (const EventOut& e : events) EXPECT_EQ(e.param, 0u);
  EXPECT_NEAR(events[events.size() - 2].value, plug.Value(0), 1e-12);
  EXPECT_GT(plug.Value(0), std::sqrt(0.5));

  // The host moves the right record level: on screen within two ticks.
  EventsIn change;
  change.Add(0, 1, 0.2);
  plug.Flush(&change, nullptr);
  expected = OffscreenPanel(plug);
  const int ticks = loop.ticks;
  EXPECT_TRUE(loop.RunUntil([&] { return loop.ticks >= ticks + 2; }));
  EXPECT_EQ(ReadPixels(editor, kWidth, kHeight), expected);
  EXPECT_EQ(host.callsOffThread.load(), 0);
  DestroyWindow(top);
}

// Destroyed with its window open, or without a host run loop: the window
// goes with it, and falls back to a thread of its own.
TEST(ClapWindow, DestroyWithTheWindowOpenAndHostsWithoutARunLoop) {
  ASSERT_FALSE(xcb_connection_has_error(Connection())) << "no X display";
  const xcb_window_t top = CreateTopWindow(0, 0, 800, 300);
  for (bool runLoop : {true, false}) {
    ClapTestHost host;
    host.offerTimers = host.offerFds = runLoop;
    {
      ClapInstance plug(host);
      const auto* gui = plug.Ext<clap_plugin_gui>(CLAP_EXT_GUI);
      ASSERT_TRUE(gui->create(plug.plugin, CLAP_WINDOW_API_X11, false));
      clap_window parent{};
      parent.api = CLAP_WINDOW_API_X11;
      parent.x11 = top;
      ASSERT_TRUE(gui->set_parent(plug.plugin, &parent));
      EXPECT_EQ(Children(top).size(), 1u);
      if (!runLoop) {
        const std::vector<uint32_t> expected = OffscreenPanel(plug);
        EXPECT_TRUE(WaitFor([&] { return ReadPixels(Children(top).front(), kWidth, kHeight) == expected; }));
      }
    }
    EXPECT_TRUE(Children(top).empty());
    EXPECT_EQ(host.fd, -1);
    EXPECT_EQ(host.timerId, CLAP_INVALID_ID);
  }
  DestroyWindow(top);
}

}  // namespace
}  // namespace veltrax
