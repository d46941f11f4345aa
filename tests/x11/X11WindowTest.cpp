// The Linux editor window, driven as a host drives it: Veltrax.so loaded
// through its entry point, the editor opened in a top-level X window of the
// test, real input through the XTEST extension, pixels read back from the
// server. Unless a test says so it calls no effEditIdle: the window then
// draws and applies input on its own.

#include <dirent.h>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "IGraphics.h"
#include "RasterBitmap.h"
#include "EffectVST.h"
#include "Veltrax.h"
#include "X11TestHost.h"

namespace veltrax {
namespace {

constexpr int kWidth = 700;
constexpr int kHeight = 160;
// Points on the panel (the editor sits at the top-left corner of its host window).
constexpr int kPowerX = 650, kPowerY = 100;
constexpr int kLeftMeterX = 430, kLeftMeterY = 70;
constexpr int kLampX = 480, kLampY = 10;
const float kDefaultGain = std::sqrt(0.5f);

using Clock = std::chrono::steady_clock;
double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void* AsParent(xcb_window_t window) { return reinterpret_cast<void*>(static_cast<uintptr_t>(window)); }

bool Open(const Instance& plug, xcb_window_t parent) {
  return plug.Dispatch(effEditOpen, 0, 0, AsParent(parent)) == 1;
}
void Close(const Instance& plug) { plug.Dispatch(effEditClose); }

xcb_window_t EditorIn(xcb_window_t parent) {
  const std::vector<xcb_window_t> children = Children(parent);
  return children.empty() ? 0 : children.front();
}

// The panel for the same parameter state.
std::vector<uint32_t> OffscreenPanel(const Instance& plug, int scale = 1) {
  return veltrax::OffscreenPanel([&](int i) { return plug.Get(i); }, scale);
}

bool Shows(xcb_window_t editor, const std::vector<uint32_t>& panel, int scale = 1) {
  return ReadPixels(editor, kWidth * scale, kHeight * scale) == panel;
}

// One gesture for the host: begin, the values, end, all for one parameter.
void ExpectFramed(const std::vector<Automation>& log, int index) {
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log.front().opcode, audioMasterBeginEdit);
  EXPECT_EQ(log.back().opcode, audioMasterEndEdit);
  for (size_t i = 0; i < log.size(); ++i) {
    EXPECT_EQ(log[i].index, index);
    if (i > 0 && i + 1 < log.size()) {
      EXPECT_EQ(log[i].opcode, audioMasterAutomate);
    }
  }
}

// The log as letters: B begin, A automate, E end.
std::string Opcodes(const std::vector<Automation>& log) {
  std::string letters;
  for (const Automation& a : log) {
    letters += a.opcode == audioMasterBeginEdit ? 'B' : a.opcode == audioMasterEndEdit ? 'E' : 'A';
  }
  return letters;
}

bool WaitForEnds(const Instance& plug, int count) {
  return WaitFor([&] { return Log().Count(plug.effect(), audioMasterEndEdit) >= count; });
}

int CountEntries(const char* folder) {
  int n = 0;
  if (DIR* dir = opendir(folder)) {
    while (readdir(dir) != nullptr) ++n;
    closedir(dir);
  }
  return n;
}

class EditorWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(xcb_connection_has_error(Connection())) << "no X display";
    ASSERT_NE(Library().pluginMain, nullptr) << Library().error;
    Log().Clear();
    top = CreateTopWindow(0, 0, 800, 300);
  }
  void TearDown() override { DestroyWindow(top); }

  xcb_window_t top = 0;
};

TEST_F(EditorWindow, ShowsTheOffscreenPanelAndFollowsTheHost) {
  Instance plug(&AutomationHost);
  const std::vector<uint32_t> initial = OffscreenPanel(plug);
  const Clock::time_point opened = Clock::now();
  ASSERT_TRUE(Open(plug, top));
  const xcb_window_t editor = EditorIn(top);
  ASSERT_NE(editor, 0u);
  ASSERT_TRUE(WaitFor([&] { return Shows(editor, initial); }));
  std::printf("first paint after %.1f ms\n", MillisecondsSince(opened));

  const std::vector<uint32_t> moved = [&] {
    plug.Set(Veltrax::kGainLeft, 0.2f);
    std::vector<uint32_t> panel = OffscreenPanel(plug);
    plug.Set(Veltrax::kGainLeft, kDefaultGain);
    return panel;
  }();
  ASSERT_NE(moved, initial);
  ASSERT_TRUE(WaitFor([&] { return Shows(editor, initial); }));
  plug.Set(Veltrax::kGainLeft, 0.2f);
  const Clock::time_point changed = Clock::now();
  EXPECT_TRUE(WaitFor([&] { return Shows(editor, moved); }, std::chrono::milliseconds(1000)));
  std::printf("host setParameter on screen after %.1f ms (a frame is 40 ms)\n",
              MillisecondsSince(changed));
  Close(plug);
  EXPECT_TRUE(Children(top).empty());
}

TEST_F(EditorWindow, GesturesReachTheHostInOrder) {
  Instance plug(&AutomationHost);
  ASSERT_TRUE(Open(plug, top));
  const AEffect* effect = plug.effect();

  Click(kPowerX, kPowerY);
  ASSERT_TRUE(WaitForEnds(plug, 1));
  ExpectFramed(Log().For(effect), Veltrax::kPower);
  EXPECT_EQ(plug.Get(Veltrax::kPower), 0.0f);

  // Up by one knob height at gearing 4: a quarter of the travel.
  Log().Clear();
  Drag(120, 70, 120, 6);
  ASSERT_TRUE(WaitForEnds(plug, 1));
  ExpectFramed(Log().For(effect), Veltrax::kGainLeft);
  EXPECT_NEAR(plug.Get(Veltrax::kGainLeft), kDefaultGain + 0.25f, 1e-4);

  // Shift: a tenth of that.
  Log().Clear();
  Key(0xFFE1, true);  // Shift_L
  Drag(130, 80, 130, 16);
  Key(0xFFE1, false);
  ASSERT_TRUE(WaitForEnds(plug, 1));
  EXPECT_NEAR(plug.Get(Veltrax::kGainLeft), kDefaultGain + 0.275f, 1e-4);

  // The wheel: a hundredth a notch, a thousandth with control.
  Log().Clear();
  Click(300, 70, 4);
  Click(300, 70, 4);
  Click(300, 70, 5);
  Key(0xFFE3, true);  // Control_L
  Click(300, 70, 4);
  Key(0xFFE3, false);
  ASSERT_TRUE(WaitFor([&] { return Log().Count(effect, audioMasterAutomate) == 4; }));
  EXPECT_NEAR(plug.Get(Veltrax::kGainRight), kDefaultGain + 0.011f, 1e-4);

  // The pointer stays grabbed while the button is held: the drag goes on
  // below the panel, down to the knob's end.
  Log().Clear();
  Drag(300, 60, 300, 260);
  ASSERT_TRUE(WaitForEnds(plug, 1));
  EXPECT_EQ(plug.Get(Veltrax::kGainRight), 0.0f);

  // A double click restores the default: the first press is an edit of
  // its own, the reset another.
  Log().Clear();
  MovePointer(140, 95);
  for (int i = 0; i < 4; ++i) Button(1, i % 2 == 0, /*sync=*/i == 3);
  ASSERT_TRUE(WaitForEnds(plug, 2));
  const std::vector<Automation> log = Log().For(effect);
  EXPECT_EQ(Opcodes(log), "BEBAE");
  EXPECT_NEAR(log[3].value, kDefaultGain, 1e-6);
  Close(plug);
}

// Chords, a right click during a drag, a release outside the panel: every
// edit is begin, values, end, and nothing ends that did not begin.
TEST_F(EditorWindow, EveryButtonPatternKeepsTheEditsWhole) {
  Instance plug(&AutomationHost);
  ASSERT_TRUE(Open(plug, top));
  const AEffect* effect = plug.effect();
  // Left held on the left gain, right pressed on the right one, released in turn.
  Drag(120, 70, 120, 50, /*keepHeld=*/true);
  MovePointer(300, 70);
  Button(3, true);
  Button(3, false);
  Button(1, false);
  ASSERT_TRUE(WaitForEnds(plug, 2));
  EXPECT_EQ(Opcodes(Log().For(effect)).substr(0, 1), "B");
  EXPECT_EQ(Opcodes(Log().For(effect)).substr(Opcodes(Log().For(effect)).size() - 3), "EBE");
  // A drag released far outside the window.
  Log().Clear();
  Drag(120, 70, 760, 280);
  ASSERT_TRUE(WaitForEnds(plug, 1));
  ExpectFramed(Log().For(effect), Veltrax::kGainLeft);
  Close(plug);
}

// The pointer taken away mid-drag: the host hides the frame the panel sits
// in (an unmap), or a window further up (the grab ends without a release
// reaching us). The edit ends then; the release later ends nothing.
TEST_F(EditorWindow, AHiddenFrameEndsTheDrag) {
  Instance plug(&AutomationHost);
  const AEffect* effect = plug.effect();
  const xcb_window_t frame = CreateChildWindow(top, 0, 0, 720, 200);
  ASSERT_TRUE(Open(plug, frame));
  for (const xcb_window_t hidden : {frame, top}) {
    Log().Clear();
    Drag(120, 70, 120, 40, /*keepHeld=*/true);
    ASSERT_TRUE(WaitFor([&] { return Log().Count(effect, audioMasterAutomate) > 0; }));
    xcb_unmap_window(Connection(), hidden);
    Sync();
    EXPECT_TRUE(WaitForEnds(plug, 1)) << (hidden == frame ? "frame" : "top window");
    Button(1, false);
    xcb_map_window(Connection(), hidden);
    Sync();
    Click(kPowerX, kPowerY);  // everything before it has been seen once this ends
    ASSERT_TRUE(WaitForEnds(plug, 2));
    const std::string letters = Opcodes(Log().For(effect));
    EXPECT_EQ(letters.substr(0, 1), "B");
    EXPECT_EQ(letters.substr(letters.size() - 4), "EBAE");
    EXPECT_EQ(Log().Count(effect, audioMasterBeginEdit), 2);
  }
  Close(plug);
}

// A host that idles: everything the panel tells it comes on the idling thread.
TEST_F(EditorWindow, WithIdleCallsTheHostHearsTheEditorOnItsOwnThread) {
  Instance plug(&AutomationHost);
  ASSERT_TRUE(Open(plug, top));
  const AEffect* effect = plug.effect();
  auto idleUntil = [&](const std::function<bool()>& done) {
    return WaitFor([&] {
      plug.Dispatch(effEditIdle);
      return done();
    });
  };
  plug.Dispatch(effEditIdle);
  Click(kPowerX, kPowerY);
  Drag(120, 70, 120, 40);
  Click(300, 70, 4);
  MovePointer(140, 95);
  for (int i = 0; i < 4; ++i) Button(1, i % 2 == 0, /*sync=*/i == 3);
  ASSERT_TRUE(idleUntil([&] { return Log().Count(effect, audioMasterEndEdit) >= 5; }));
  const std::vector<Automation> log = Log().For(effect);
  for (const Automation& a : log) EXPECT_EQ(a.thread, std::this_thread::get_id());
  Close(plug);
}

TEST_F(EditorWindow, MetersAndLampIgnoreTheMouse) {
  Instance plug(&AutomationHost);
  ASSERT_TRUE(Open(plug, top));
  Click(kLeftMeterX, kLeftMeterY);
  Drag(kLeftMeterX + 100, kLeftMeterY, kLeftMeterX + 100, 5);
  Click(kLeftMeterX, kLeftMeterY, 4);
  Click(kLampX, kLampY);
  // A gesture that does count, to know the editor has seen everything before it.
  Click(kPowerX, kPowerY);
  ASSERT_TRUE(WaitForEnds(plug, 1));
  ExpectFramed(Log().For(plug.effect()), Veltrax::kPower);
  Close(plug);
}

TEST_F(EditorWindow, ClosingUnderAHeldButtonEndsTheGesture) {
  Instance plug(&AutomationHost);
  ASSERT_TRUE(Open(plug, top));
  Drag(120, 70, 120, 30, /*keepHeld=*/true);
  ASSERT_TRUE(WaitFor([&] { return Log().Count(plug.effect(), audioMasterAutomate) > 0; }));
  Close(plug);
  Button(1, false);
  const std::vector<Automation> log = Log().For(plug.effect());
  EXPECT_EQ(Log().Count(plug.effect(), audioMasterBeginEdit), 1);
  EXPECT_EQ(Log().Count(plug.effect(), audioMasterEndEdit), 1);
  EXPECT_EQ(log.back().opcode, audioMasterEndEdit);

  // Reopened, the panel shows the values as they are now.
  ASSERT_TRUE(Open(plug, top));
  const std::vector<uint32_t> now = OffscreenPanel(plug);
  EXPECT_TRUE(WaitFor([&] { return Shows(EditorIn(top), now); }));
  Close(plug);
}

TEST_F(EditorWindow, OpeningAndClosingAHundredTimesLeaksNothing) {
  Instance plug(&AutomationHost);
  ASSERT_TRUE(Open(plug, top));  // the X library loads once, on the first open
  Close(plug);
  const int fds = CountEntries("/proc/self/fd");
  const int threads = CountEntries("/proc/self/task");
  const std::vector<uint32_t> panel = OffscreenPanel(plug);
  const Clock::time_point start = Clock::now();
  for (int i = 0; i < 100; ++i) {
    ASSERT_TRUE(Open(plug, top));
    // Every tenth time the window is drawn before it closes.
    if (i % 10 == 0) {
      ASSERT_TRUE(WaitFor([&] { return Shows(EditorIn(top), panel); }));
    }
    Close(plug);
  }
  std::printf("100 open/close cycles in %.0f ms\n", MillisecondsSince(start));
  EXPECT_EQ(CountEntries("/proc/self/fd"), fds);
  EXPECT_EQ(CountEntries("/proc/self/task"), threads);
  // Each editor's X resources live on its own connection: no window is left
  // and no connection (the descriptors above) stays open.
  EXPECT_TRUE(Children(top).empty());
}

TEST_F(EditorWindow, TwoEditorsAtOnceEachServeTheirOwnInstance) {
  Instance first(&AutomationHost);
  Instance second(&AutomationHost);
  const xcb_window_t secondTop = CreateTopWindow(0, 400, 800, 300);
  ASSERT_TRUE(Open(first, top));
  ASSERT_TRUE(Open(second, secondTop));
  second.Set(Veltrax::kEqualizer, 1.0f);
  Click(kPowerX, 400 + kPowerY);
  ASSERT_TRUE(WaitForEnds(second, 1));
  EXPECT_EQ(Log().For(first.effect()).size(), 0u);
  EXPECT_EQ(second.Get(Veltrax::kPower), 0.0f);
  EXPECT_EQ(first.Get(Veltrax::kPower), 1.0f);
  const std::vector<uint32_t> firstPanel = OffscreenPanel(first);
  const std::vector<uint32_t> secondPanel = OffscreenPanel(second);
  EXPECT_TRUE(WaitFor([&] { return Shows(EditorIn(top), firstPanel); }));
  EXPECT_TRUE(WaitFor([&] { return Shows(EditorIn(secondTop), secondPanel); }));
  Close(first);
  Close(second);
  DestroyWindow(secondTop);
}

// Closing from the host's thread while the button is held, the timer draws
// (the host moves a knob all the time and sends idle calls) and the audio
// runs: never a deadlock over PlugLock, never a gesture left open.
TEST_F(EditorWindow, ClosingDuringDragDrawingAndAudioIsSafe) {
  Instance plug(&AutomationHost);
  AudioThread audio(plug, 256);
  std::atomic<bool> stop{false};
  std::thread automation([&] {
    for (int i = 0; !stop.load(); ++i) {
      plug.Set(Veltrax::kEqualizer, (i % 5) / 4.0f);
      plug.Dispatch(effEditIdle);  // a host that idles often: nothing to do
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  for (int i = 0; i < 20; ++i) {
    ASSERT_TRUE(Open(plug, top));
    Drag(120, 70, 120, 40 + i, /*keepHeld=*/true);
    if (i % 2 == 0) {
      WaitFor([&] { return Log().Count(plug.effect(), audioMasterBeginEdit) > i / 2; },
              std::chrono::milliseconds(500));
    }
    Close(plug);
    Button(1, false);
    MovePointer(500 + i * 5, 200);  // no double click from one cycle to the next
  }
  stop.store(true);
  automation.join();
  EXPECT_GT(audio.blocks.load(), 0);
  EXPECT_EQ(Log().Count(plug.effect(), audioMasterBeginEdit),
            Log().Count(plug.effect(), audioMasterEndEdit));
}

TEST_F(EditorWindow, ParentsThatAreNoWindowAnswerZero) {
  Instance plug(&AutomationHost);
  AudioThread audio(plug, 256);
  const xcb_window_t gone = CreateTopWindow(0, 400, 100, 100);
  DestroyWindow(gone);
  const xcb_pixmap_t pixmap = xcb_generate_id(Connection());
  xcb_create_pixmap(Connection(), 24, pixmap, top, 8, 8);
  Sync();
  EXPECT_FALSE(Open(plug, 0));
  EXPECT_FALSE(Open(plug, gone));
  EXPECT_FALSE(Open(plug, pixmap));
  EXPECT_FALSE(Open(plug, 0x1FFFFFF0));
  xcb_free_pixmap(Connection(), pixmap);
  // Still alive, still playing, and a real window opens.
  const int blocks = audio.blocks.load();
  EXPECT_TRUE(WaitFor([&] { return audio.blocks.load() > blocks; }));
  EXPECT_TRUE(Open(plug, top));
  Close(plug);
}

TEST_F(EditorWindow, ALostDisplayEndsDrawingQuietly) {
  Instance plug(&AutomationHost);
  AudioThread audio(plug, 256);
  ASSERT_TRUE(Open(plug, top));
  Drag(120, 70, 120, 40, /*keepHeld=*/true);
  ASSERT_TRUE(WaitFor([&] { return Log().Count(plug.effect(), audioMasterAutomate) > 0; }));
  // The server drops the editor's connection, as when the display goes away.
  xcb_kill_client(Connection(), EditorIn(top));
  Sync();
  Button(1, false);
  // The gesture ends for the host; audio and parameters go on.
  EXPECT_TRUE(WaitForEnds(plug, 1));
  const int blocks = audio.blocks.load();
  EXPECT_TRUE(WaitFor([&] { return audio.blocks.load() > blocks; }));
  plug.Set(Veltrax::kGainLeft, 0.5f);
  EXPECT_EQ(plug.Get(Veltrax::kGainLeft), 0.5f);
  Close(plug);
  ASSERT_TRUE(Open(plug, top));
  Close(plug);
}

// Some hosts close the editor from inside the automation callback of a
// gesture, on the editor's own thread: it cannot join itself.
AEffect* closingInside = nullptr;
intptr_t VST_CALLBACK ClosingHost(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                  void* ptr, float opt) {
  const intptr_t answer = AutomationHost(effect, opcode, index, value, ptr, opt);
  if (opcode == audioMasterBeginEdit && effect == closingInside) {
    effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
  }
  return answer;
}

TEST_F(EditorWindow, ClosingFromInsideAGestureCallbackIsSafe) {
  Instance plug(&ClosingHost);
  closingInside = plug.effect();
  ASSERT_TRUE(Open(plug, top));
  Click(kPowerX, kPowerY);
  EXPECT_TRUE(WaitFor([&] { return Children(top).empty(); }));
  EXPECT_TRUE(WaitForEnds(plug, 1));
  // The rest of the click is dropped: the switch did not move.
  EXPECT_EQ(Opcodes(Log().For(plug.effect())), "BE");
  EXPECT_EQ(plug.Get(Veltrax::kPower), 1.0f);
  closingInside = nullptr;
  ASSERT_TRUE(Open(plug, top));
  Close(plug);
}

TEST_F(EditorWindow, AFrameDestroyedBeforeCloseIsNoHarm) {
  Instance plug(&AutomationHost);
  const xcb_window_t frame = CreateTopWindow(0, 400, 800, 300);
  ASSERT_TRUE(Open(plug, frame));
  DestroyWindow(frame);
  Close(plug);
  ASSERT_TRUE(Open(plug, top));
  const std::vector<uint32_t> panel = OffscreenPanel(plug);
  EXPECT_TRUE(WaitFor([&] { return Shows(EditorIn(top), panel); }));
  Close(plug);
}

TEST_F(EditorWindow, ClosingTheInstanceWithItsEditorOpenEndsTheGesture) {
  const AEffect* effect = nullptr;
  {
    Instance plug(&AutomationHost);
    effect = plug.effect();
    ASSERT_TRUE(Open(plug, top));
    Drag(120, 70, 120, 40, /*keepHeld=*/true);
    ASSERT_TRUE(WaitFor([&] { return Log().Count(effect, audioMasterAutomate) > 0; }));
  }  // effClose without effEditClose
  Button(1, false);
  EXPECT_EQ(Log().Count(effect, audioMasterEndEdit), 1);
  EXPECT_TRUE(Children(top).empty());
}

// A host that answers the panel's resize requests as a test tells it,
// reading the editor's size again from inside the request, as hosts do.
bool acceptResize = true;
std::vector<std::pair<int32_t, intptr_t>> resizes;
std::vector<std::pair<int, int>> sizesSeenInside;
std::pair<int, int> EditRect(AEffect* effect) {
  ERect* rect = nullptr;
  if (effect->dispatcher(effect, effEditGetRect, 0, 0, &rect, 0.0f) != 1 || rect == nullptr) return {0, 0};
  return {rect->right - rect->left, rect->bottom - rect->top};
}
intptr_t VST_CALLBACK ResizingHost(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                   void* ptr, float opt) {
  if (opcode == audioMasterSizeWindow) {
    resizes.emplace_back(index, value);
    sizesSeenInside.push_back(EditRect(effect));
    return acceptResize ? 1 : 0;
  }
  return AutomationHost(effect, opcode, index, value, ptr, opt);
}

void SendHostScale(const Instance& plug, float factor) {
  ASSERT_EQ(plug.Dispatch(effVendorSpecific, 0x50726553, 0x41654373, nullptr, factor), 1);
}

// The host's scale before open: a 1400 x 320 window of the panel drawn for
// it, and the mouse in the panel's units: 128 device pixels are 64 of the
// panel, a quarter of a knob's travel.
TEST_F(EditorWindow, AtTwiceTheSizeTheDoublePanelAndTheSameTravel) {
  Instance plug(&ResizingHost);
  SendHostScale(plug, 2.0f);
  ERect* rect = nullptr;
  ASSERT_EQ(plug.Dispatch(effEditGetRect, 0, 0, &rect), 1);
  EXPECT_EQ(rect->right, 1400);
  EXPECT_EQ(rect->bottom, 320);
  const xcb_window_t big = CreateTopWindow(0, 0, 1500, 400);
  ASSERT_TRUE(Open(plug, big));
  const xcb_window_t editor = EditorIn(big);
  EXPECT_TRUE(WaitFor([&] { return Shows(editor, OffscreenPanel(plug, 2), 2); }));
  Drag(240, 150, 240, 22);
  ASSERT_TRUE(WaitForEnds(plug, 1));
  ExpectFramed(Log().For(plug.effect()), Veltrax::kGainLeft);
  EXPECT_NEAR(plug.Get(Veltrax::kGainLeft), kDefaultGain + 0.25f, 1e-4);
  Close(plug);
  DestroyWindow(big);
}

// The host's scale while open: the panel asks the host for the new size
// and takes it; a host that refuses keeps a working panel as it was.
TEST_F(EditorWindow, TheHostsScaleWhileOpenResizesUnlessTheHostRefuses) {
  Instance plug(&ResizingHost);
  const xcb_window_t big = CreateTopWindow(0, 0, 1500, 400);
  ASSERT_TRUE(Open(plug, big));
  const xcb_window_t editor = EditorIn(big);
  ASSERT_TRUE(WaitFor([&] { return Shows(editor, OffscreenPanel(plug)); }));
  resizes.clear();
  sizesSeenInside.clear();
  acceptResize = true;
  SendHostScale(plug, 2.0f);
  ASSERT_EQ(resizes.size(), 1u);
  EXPECT_EQ(resizes[0], (std::pair<int32_t, intptr_t>{1400, 320}));
  EXPECT_EQ(sizesSeenInside[0], (std::pair<int, int>{1400, 320}));
  EXPECT_TRUE(WaitFor([&] { return Shows(editor, OffscreenPanel(plug, 2), 2); }));
  acceptResize = false;
  SendHostScale(plug, 1.0f);
  EXPECT_EQ(resizes.size(), 2u);
  EXPECT_EQ(sizesSeenInside[1], (std::pair<int, int>{700, 160}));
  EXPECT_EQ(EditRect(plug.effect()), (std::pair<int, int>{1400, 320}));  // refused: as it was
  plug.Set(Veltrax::kPower, 0.0f);  // still drawn, still at twice the size
  EXPECT_TRUE(WaitFor([&] { return Shows(editor, OffscreenPanel(plug, 2), 2); }));
  acceptResize = true;
  Close(plug);
  DestroyWindow(big);
}

TEST_F(EditorWindow, WithoutAnXServerOpenAnswersZero) {
  Instance plug(&AutomationHost);
  const std::string display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
  unsetenv("DISPLAY");
  EXPECT_FALSE(Open(plug, top));
  setenv("DISPLAY", ":4093", 1);  // no server there
  EXPECT_FALSE(Open(plug, top));
  setenv("DISPLAY", display.c_str(), 1);
  EXPECT_TRUE(Children(top).empty());
}

// The panel selects no keys: the server delivers them to the host's window
// as real events, not as events the editor sent on.
TEST_F(EditorWindow, KeysGoToTheHostAsRealEvents) {
  Instance plug(&AutomationHost);
  ASSERT_TRUE(Open(plug, top));
  xcb_set_input_focus(Connection(), XCB_INPUT_FOCUS_POINTER_ROOT, top, XCB_CURRENT_TIME);
  MovePointer(300, 140);
  while (xcb_generic_event_t* old = xcb_poll_for_event(Connection())) std::free(old);
  Key('a', true);
  Key('a', false);
  int real = 0, sent = 0;
  WaitFor([&] {
    while (xcb_generic_event_t* event = xcb_poll_for_event(Connection())) {
      const uint8_t type = event->response_type;
      if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE) ++real;
      if (type == (XCB_KEY_PRESS | 0x80) || type == (XCB_KEY_RELEASE | 0x80)) ++sent;
      std::free(event);
    }
    return real == 2;
  });
  EXPECT_EQ(real, 2);
  EXPECT_EQ(sent, 0);
  Close(plug);
}

}  // namespace
}  // namespace veltrax
