// Veltrax.dll's editor in a host window under a real window system: loaded
// through its entry point, opened with effEditOpen and driven with real input.
// What it shows is compared with the panel that a statically linked copy of
// the effect draws offscreen for the same state.

#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "EffectVST.h"
#include "IGraphics.h"
#include "PluginHost.h"
#include "WindowDriver.h"

using namespace veltrax;
using namespace veltrax::wintest;

namespace {

constexpr int kWidth = 700;
constexpr int kHeight = 160;
constexpr double kDefaultGain = 0.70710678118654752;  // sqrt(0.5): 100 % of 200 % on curve 2
const Rect kGainKnob{95, 45, 159, 109};
const Rect kPowerSwitch{630, 80, 670, 120};
const Rect kLamp{465, 0, 497, 27};

double NowMs() {
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The same panel drawn without a window by the effect linked into this program.
class ReferencePanel {
 public:
  ReferencePanel() : effect(CreateVstInstance(nullptr)) {}
  ~ReferencePanel() { delete effect; }

  // params: the eight normalised values; lamp and meters as the audio left
  // them; at scale 2 the panel drawn at twice the size.
  std::vector<uint32_t> Draw(const std::vector<float>& params, double lamp = 0.0, double meterLeft = 0.0,
                             double meterRight = 0.0, int scale = 1) {
    AEffect* record = effect->Effect();
    for (int i = 0; i < static_cast<int>(params.size()); ++i) record->setParameter(record, i, params[i]);
    auto* graphics = dynamic_cast<IGraphics*>(effect->Plugin()->Editor());
    graphics->SetUserScale(scale);
    graphics->SetValueFromPlug(5, meterLeft);
    graphics->SetValueFromPlug(6, meterRight);
    graphics->SetValueFromPlug(7, lamp);
    graphics->MarkAllDirty();
    graphics->Redraw(Rect{0, 0, kWidth, kHeight});
    std::vector<uint32_t> pixels;
    const SysBitmap* surface = graphics->Surface();
    for (int y = 0; y < kHeight * scale; ++y) {
      const Pixel* row = surface->Row(y);
      for (int x = 0; x < kWidth * scale; ++x) pixels.push_back(row[x] & 0xFFFFFF);
    }
    return pixels;
  }

 private:
  IEffectVST* effect;
};

// Pixels of region that differ (both images kWidth x kHeight).
int Differences(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, Rect region = Rect{0, 0, kWidth, kHeight}) {
  if (a.size() != b.size() || a.size() != static_cast<size_t>(kWidth) * kHeight) return kWidth * kHeight;
  int count = 0;
  for (int y = region.top; y < region.bottom; ++y) {
    for (int x = region.left; x < region.right; ++x) count += a[y * kWidth + x] != b[y * kWidth + x];
  }
  return count;
}

bool Same(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, Rect region) {
  return Differences(a, b, region) == 0;
}

// Windows of this thread, top-level ones and all their descendants (under
// Wine GetGuiResources answers 0, so this is the count that can be checked).
int CountThreadWindows() {
  int count = 0;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND top, LPARAM counter) {
        ++*reinterpret_cast<int*>(counter);
        EnumChildWindows(
            top, [](HWND, LPARAM inner) { return ++*reinterpret_cast<int*>(inner), TRUE; }, counter);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count;
}

int CenterX(const Rect& r) { return (r.left + r.right) / 2; }
int CenterY(const Rect& r) { return (r.top + r.bottom) / 2; }

class EditorWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(Library().pluginMain, nullptr) << Library().error;
    host = HostWindow(0);
    ASSERT_NE(host, nullptr);
    SetForegroundWindow(host);
    Host().Reset();
    plug = MakeInstance();
    ASSERT_TRUE(plug && *plug);
  }

  void TearDown() override {
    if (plug) plug->Dispatch(effEditClose);
    plug.reset();
    PumpPending();
  }

  static std::unique_ptr<Instance> MakeInstance() {
    auto instance = std::make_unique<Instance>();
    if (!*instance) return instance;
    instance->Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    instance->Dispatch(effSetBlockSize, 0, 256);
    instance->Dispatch(effMainsChanged, 0, 1);
    return instance;
  }

  HWND OpenEditor(Instance& instance, HWND parent) {
    if (instance.Dispatch(effEditOpen, 0, 0, parent) != 1) return nullptr;
    HWND editor = FindWindowExA(parent, nullptr, "IEffectWndClass", nullptr);
    WatchEditor(editor);
    return editor;
  }

  static std::vector<float> Params(const Instance& instance) {
    std::vector<float> values;
    for (int i = 0; i < 8; ++i) values.push_back(instance.Get(i));
    return values;
  }

  // Begin, automate and end requests for one parameter, in order.
  static std::vector<HostRequest> Edits(int index) {
    std::vector<HostRequest> edits;
    for (const HostRequest& r : Host().requests) {
      if (r.index == index &&
          (r.opcode == audioMasterBeginEdit || r.opcode == audioMasterAutomate || r.opcode == audioMasterEndEdit))
        edits.push_back(r);
    }
    return edits;
  }

  // The edits of one parameter as letters: B begin, A automate, E end.
  static std::string Letters(int index) {
    std::string letters;
    for (const HostRequest& r : Edits(index))
      letters += r.opcode == audioMasterBeginEdit ? 'B' : r.opcode == audioMasterEndEdit ? 'E' : 'A';
    return letters;
  }

  // Empty when the host heard every edit as begin, values, end, one
  // parameter at a time, with none left open; otherwise what broke that.
  static std::string GrammarFault() {
    int open = -1;
    for (size_t i = 0; i < Host().requests.size(); ++i) {
      const HostRequest& r = Host().requests[i];
      const std::string at = " (request " + std::to_string(i) + ")";
      if (r.opcode == audioMasterBeginEdit) {
        if (open >= 0) return "a begin inside an open edit" + at;
        open = r.index;
      } else if (r.opcode == audioMasterAutomate) {
        if (open != r.index) return "a value outside its edit" + at;
      } else if (r.opcode == audioMasterEndEdit) {
        if (open != r.index) return "an end without its begin" + at;
        open = -1;
      }
    }
    return open >= 0 ? "an edit left open" : "";
  }

  static bool Seen(int32_t opcode, int index) {
    for (const HostRequest& r : Host().requests)
      if (r.opcode == opcode && r.index == index) return true;
    return false;
  }

  static float LastAutomated(int index) {
    float value = -1.0f;
    for (const HostRequest& r : Host().requests)
      if (r.opcode == audioMasterAutomate && r.index == index) value = r.opt;
    return value;
  }

  // A block of the shared test signal at a level that varies with step.
  static void ProcessSignal(const Instance& instance, int step) {
    std::vector<float> left(256), right(256), outLeft(256), outRight(256);
    const std::vector<double> signalLeft = TestSignal(256, 0);
    const std::vector<double> signalRight = TestSignal(256, 1);
    const double level = 0.2 + 0.03 * (step % 20);
    for (int i = 0; i < 256; ++i) {
      left[i] = static_cast<float>(level * signalLeft[i]);
      right[i] = static_cast<float>(level * signalRight[i]);
    }
    float* inputs[2] = {left.data(), right.data()};
    float* outputs[2] = {outLeft.data(), outRight.data()};
    instance.effect()->processReplacing(instance.effect(), inputs, outputs, 256);
  }

  static void ProcessSilence(const Instance& instance) {
    std::vector<float> left(256, 0.0f), right(256, 0.0f), outLeft(256), outRight(256);
    float* inputs[2] = {left.data(), right.data()};
    float* outputs[2] = {outLeft.data(), outRight.data()};
    instance.effect()->processReplacing(instance.effect(), inputs, outputs, 256);
  }

  // Presses at (x, y) of the editor, moves up by each step in turn, releases.
  static void DragUp(HWND editor, int x, int y, std::initializer_list<int> steps) {
    const POINT start = ScreenPoint(editor, x, y);
    MoveMouse(start.x, start.y);
    MouseButton(true);
    for (int step : steps) MoveMouse(start.x, start.y - step);
    MouseButton(false);
  }

  // Two host frames for the whole program (see CreateHostWindow).
  static HWND HostWindow(int which) {
    static HWND hosts[2] = {CreateHostWindow(40, 40, 760, 220), CreateHostWindow(40, 300, 760, 220)};
    return hosts[which];
  }

  HWND host = nullptr;
  std::unique_ptr<Instance> plug;
  ReferencePanel reference;
};

TEST_F(EditorWindow, FirstTicksShowThePanelTheEditorDrawsOffscreen) {
  const std::vector<uint32_t> expected = reference.Draw(Params(*plug));
  const double opened = NowMs();
  HWND editor = OpenEditor(*plug, host);
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return Differences(ReadWindowPixels(editor, kWidth, kHeight), expected) == 0; }));
  const double firstPaint = NowMs() - opened;
  ASSERT_TRUE(PumpTicks(2));
  EXPECT_EQ(Differences(ReadWindowPixels(editor, kWidth, kHeight), expected), 0);

  // Ticks that redraw: a block of audio before each moves the meters.
  WatchEditor(editor);
  for (int i = 0; i < 25; ++i) {
    ProcessSignal(*plug, i);
    ASSERT_TRUE(PumpTicks(1));
  }
  std::printf("first paint %.1f ms after effEditOpen; a tick redrawing the meters takes %.2f ms on "
              "average, %.2f ms at most\n",
              firstPaint, Ticks().totalMs / Ticks().ticks, Ticks().maxMs);
}

TEST_F(EditorWindow, PowerSwitchClickEditsThroughTheHostAndTheLampFollowsTheAudio) {
  ProcessSilence(*plug);  // the lamp lights with the first block
  HWND editor = OpenEditor(*plug, host);
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(PumpTicks(2));
  const std::vector<uint32_t> before = ReadWindowPixels(editor, kWidth, kHeight);
  Host().requests.clear();

  Click(editor, CenterX(kPowerSwitch), CenterY(kPowerSwitch));
  ASSERT_TRUE(PumpUntil([] { return Seen(audioMasterEndEdit, 3); }));
  const std::vector<HostRequest> edits = Edits(3);
  ASSERT_EQ(edits.size(), 3u);
  EXPECT_EQ(edits[0].opcode, audioMasterBeginEdit);
  EXPECT_EQ(edits[1].opcode, audioMasterAutomate);
  EXPECT_EQ(edits[1].opt, 0.0f);
  EXPECT_EQ(edits[2].opcode, audioMasterEndEdit);
  EXPECT_EQ(plug->Get(3), 0.0f);

  ASSERT_TRUE(PumpTicks(2));
  std::vector<uint32_t> after = ReadWindowPixels(editor, kWidth, kHeight);
  EXPECT_FALSE(Same(after, before, kPowerSwitch));
  EXPECT_TRUE(Same(after, reference.Draw(Params(*plug), 1.0), kPowerSwitch));
  EXPECT_TRUE(Same(after, before, kLamp)) << "the lamp waits for the next block";

  ProcessSilence(*plug);
  ASSERT_TRUE(PumpTicks(2));
  after = ReadWindowPixels(editor, kWidth, kHeight);
  EXPECT_TRUE(Same(after, reference.Draw(Params(*plug), 0.0), kLamp));
  EXPECT_FALSE(Same(after, before, kLamp));

  Click(editor, CenterX(kPowerSwitch), CenterY(kPowerSwitch));
  // Soon after the first click this one arrives as a double click, which
  // steps a switch the same way.
  EXPECT_TRUE(PumpUntil([&] { return plug->Get(3) == 1.0f; }));
}

TEST_F(EditorWindow, DragWheelAndDoubleClickTurnTheKnobsWhileMetersIgnoreTheMouse) {
  HWND editor = OpenEditor(*plug, host);
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(PumpTicks(1));
  const int knobX = CenterX(kGainKnob);
  const int knobY = CenterY(kGainKnob);

  DragUp(editor, knobX, knobY, {16, 32, 48, 64});
  ASSERT_TRUE(PumpUntil([] { return Seen(audioMasterEndEdit, 0); }));
  EXPECT_NEAR(LastAutomated(0), kDefaultGain + 0.25, 1e-6);
  EXPECT_NEAR(plug->Get(0), kDefaultGain + 0.25, 1e-4);

  Host().requests.clear();
  Key(VK_SHIFT, true);
  DragUp(editor, knobX, knobY, {20, 40, 64});
  Key(VK_SHIFT, false);
  ASSERT_TRUE(PumpUntil([] { return Seen(audioMasterEndEdit, 0); }));
  EXPECT_NEAR(LastAutomated(0), kDefaultGain + 0.275, 1e-6);

  // Two notches over the equaliser, one at a time.
  const POINT equaliser = ScreenPoint(editor, 217, 77);
  MoveMouse(equaliser.x, equaliser.y);
  Wheel(1);
  ASSERT_TRUE(PumpUntil([] { return Seen(audioMasterAutomate, 2); }));
  EXPECT_NEAR(LastAutomated(2), 0.01, 1e-6);
  Wheel(1);
  ASSERT_TRUE(PumpUntil([] { return std::fabs(LastAutomated(2) - 0.02) < 1e-6; }));

  // Press, release, double click, release: the knob's default comes back.
  Host().requests.clear();
  const POINT knob = ScreenPoint(editor, knobX, knobY);
  MoveMouse(knob.x, knob.y);
  for (int i = 0; i < 2; ++i) {
    MouseButton(true);
    MouseButton(false);
  }
  ASSERT_TRUE(PumpUntil([] { return Seen(audioMasterAutomate, 0); }));
  EXPECT_NEAR(LastAutomated(0), kDefaultGain, 1e-6);
  EXPECT_NEAR(plug->Get(0), kDefaultGain, 1e-4);

  // Meters and lamp: clicks, drags and the wheel change nothing.
  PumpPending();
  Host().requests.clear();
  Click(editor, 431, 70);
  DragUp(editor, 520, 70, {30});
  Wheel(1);
  Click(editor, 481, 12);
  PumpPending();
  ASSERT_TRUE(PumpTicks(1));
  for (const HostRequest& r : Host().requests) {
    EXPECT_NE(r.opcode, audioMasterBeginEdit);
    EXPECT_NE(r.opcode, audioMasterAutomate);
  }
}

TEST_F(EditorWindow, HostSetParameterShowsWithinTwoTimerPeriods) {
  HWND editor = OpenEditor(*plug, host);
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(PumpTicks(2));
  plug->Set(0, 0.2f);
  const std::vector<uint32_t> expected = reference.Draw(Params(*plug));
  const int start = Ticks().ticks;
  int checked = start;
  // Looked at once after every tick: how many ticks did it take?
  const bool shown = PumpUntil(
      [&] {
        if (Ticks().ticks == checked) return false;
        checked = Ticks().ticks;
        return Same(ReadWindowPixels(editor, kWidth, kHeight), expected, kGainKnob);
      },
      2000);
  ASSERT_TRUE(shown);
  EXPECT_LE(Ticks().ticks - start, 2);
}

TEST_F(EditorWindow, UnusedKeysAndEveryKeyReleaseReachTheHostWindow) {
  HWND editor = OpenEditor(*plug, host);
  ASSERT_NE(editor, nullptr);
  Click(editor, 20, 20);  // the background: focus, no edit
  PumpPending();
  EXPECT_EQ(GetFocus(), editor);
  HostKeys().clear();
  Key('A', true);
  Key('A', false);
  Key(VK_F5, true);
  Key(VK_F5, false);
  ASSERT_TRUE(PumpUntil([] { return HostKeys().size() >= 4; }));
  ASSERT_EQ(HostKeys().size(), 4u);
  EXPECT_EQ(HostKeys()[0].message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(HostKeys()[0].key, static_cast<WPARAM>('A'));
  EXPECT_EQ(HostKeys()[1].message, static_cast<UINT>(WM_KEYUP));
  EXPECT_EQ(HostKeys()[2].key, static_cast<WPARAM>(VK_F5));
  EXPECT_EQ(HostKeys()[3].message, static_cast<UINT>(WM_KEYUP));
}

TEST_F(EditorWindow, FiftyOpenCloseCyclesLeaveNoHandlesAndUnregisterTheClass) {
  const std::vector<uint32_t> expected = reference.Draw(Params(*plug));
  HMODULE dll = static_cast<HMODULE>(Library().handle);
  auto cycle = [&] {
    HWND editor = OpenEditor(*plug, host);
    if (!editor || !PumpTicks(1)) return false;
    const bool same = Differences(ReadWindowPixels(editor, kWidth, kHeight), expected) == 0;
    plug->Dispatch(effEditClose);
    PumpPending();
    return same;
  };
  ASSERT_TRUE(cycle());  // the first open makes what stays for the process
  const DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  const DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  DWORD handles = 0;
  GetProcessHandleCount(GetCurrentProcess(), &handles);
  const int windows = CountThreadWindows();
  int differing = 0;
  for (int i = 0; i < 50; ++i) differing += cycle() ? 0 : 1;
  EXPECT_EQ(differing, 0);
  DWORD handlesAfter = 0;
  GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);
  EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdi);
  EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), user);
  EXPECT_LE(handlesAfter, handles);
  EXPECT_EQ(CountThreadWindows(), windows);
  std::printf("after 50 cycles: GDI objects %lu -> %lu, USER objects %lu -> %lu, handles %lu -> %lu, "
              "windows %d -> %d\n",
              gdi, GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), user,
              GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), handles, handlesAfter, windows,
              CountThreadWindows());
  WNDCLASSA registered;
  EXPECT_FALSE(GetClassInfoA(dll, "IEffectWndClass", &registered));
}

TEST_F(EditorWindow, TwoInstancesEditorsOpenAtOnceWorkIndependently) {
  HWND secondHost = HostWindow(1);
  ASSERT_NE(secondHost, nullptr);
  std::unique_ptr<Instance> second = MakeInstance();
  HWND secondEditor = OpenEditor(*second, secondHost);
  HWND editor = OpenEditor(*plug, host);
  ASSERT_NE(editor, nullptr);
  ASSERT_NE(secondEditor, nullptr);
  ASSERT_TRUE(PumpTicks(2));
  const std::vector<uint32_t> secondBefore = ReadWindowPixels(secondEditor, kWidth, kHeight);

  SetForegroundWindow(host);
  Click(editor, CenterX(kPowerSwitch), CenterY(kPowerSwitch));
  ASSERT_TRUE(PumpUntil([] { return Seen(audioMasterEndEdit, 3); }));
  ASSERT_TRUE(PumpTicks(2));
  EXPECT_EQ(plug->Get(3), 0.0f);
  EXPECT_EQ(second->Get(3), 1.0f);
  EXPECT_TRUE(Same(ReadWindowPixels(editor, kWidth, kHeight), reference.Draw(Params(*plug)), kPowerSwitch));
  EXPECT_EQ(Differences(ReadWindowPixels(secondEditor, kWidth, kHeight), secondBefore), 0);

  // The first close leaves the other window running.
  second->Dispatch(effEditClose);
  EXPECT_FALSE(IsWindow(secondEditor));
  WNDCLASSA registered;
  EXPECT_TRUE(GetClassInfoA(static_cast<HMODULE>(Library().handle), "IEffectWndClass", &registered));
  plug->Set(0, 0.1f);
  const std::vector<uint32_t> expected = reference.Draw(Params(*plug));
  EXPECT_TRUE(PumpUntil([&] { return Same(ReadWindowPixels(editor, kWidth, kHeight), expected, kGainKnob); }));
  second.reset();
}

TEST_F(EditorWindow, ClosingUnderAHeldButtonEndsTheGestureForTheHost) {
  HWND editor = OpenEditor(*plug, host);
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(PumpTicks(1));
  const POINT knob = ScreenPoint(editor, CenterX(kGainKnob), CenterY(kGainKnob));
  MoveMouse(knob.x, knob.y);
  MouseButton(true);
  MoveMouse(knob.x, knob.y - 32);
  ASSERT_TRUE(PumpUntil([] { return Seen(audioMasterAutomate, 0); }));
  ASSERT_EQ(GetCapture(), editor);

  plug->Dispatch(effEditClose);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_TRUE(Seen(audioMasterEndEdit, 0));
  ASSERT_FALSE(Edits(0).empty());
  EXPECT_EQ(Edits(0).back().opcode, audioMasterEndEdit);
  MouseButton(false);
  PumpPending();

  editor = OpenEditor(*plug, host);
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(PumpTicks(2));
  EXPECT_NEAR(plug->Get(0), kDefaultGain + 0.125, 1e-4);
  EXPECT_EQ(Differences(ReadWindowPixels(editor, kWidth, kHeight), reference.Draw(Params(*plug))), 0);
}

TEST_F(EditorWindow, DestroyingTheInstanceUnderAHeldButtonEndsTheGestureAndTheWindow) {
  HWND editor = OpenEditor(*plug, host);
  ASSERT_NE(editor, nullptr);
  const POINT knob = ScreenPoint(editor, CenterX(kGainKnob), CenterY(kGainKnob));
  MoveMouse(knob.x, knob.y);
  MouseButton(true);
  ASSERT_TRUE(PumpUntil([] { return Seen(audioMasterBeginEdit, 0); }));
  plug.reset();  // effClose with the window still open
  EXPECT_TRUE(Seen(audioMasterEndEdit, 0));
  EXPECT_FALSE(IsWindow(editor));
  EXPECT_EQ(GetCapture(), nullptr);
  MouseButton(false);
  PumpPending();
  WNDCLASSA registered;
  EXPECT_FALSE(GetClassInfoA(static_cast<HMODULE>(Library().handle), "IEffectWndClass", &registered));
}

TEST_F(EditorWindow, OpeningAgainWhileOpenKeepsSizeAndPlace) {
  HWND editor = OpenEditor(*plug, host);
  ASSERT_NE(editor, nullptr);
  SetWindowPos(editor, nullptr, 12, 7, 650, 150, SWP_NOZORDER | SWP_NOACTIVATE);
  HWND again = OpenEditor(*plug, host);
  ASSERT_NE(again, nullptr);
  EXPECT_FALSE(IsWindow(editor));
  RECT frame = {};
  GetWindowRect(again, &frame);
  POINT corner = {frame.left, frame.top};
  ScreenToClient(host, &corner);
  EXPECT_EQ(corner.x, 12);
  EXPECT_EQ(corner.y, 7);
  EXPECT_EQ(frame.right - frame.left, 650);
  EXPECT_EQ(frame.bottom - frame.top, 150);
}

// A double click, chords of two buttons over two knobs, a right click
// during a drag, a release outside the window: every edit stays whole.
TEST_F(EditorWindow, EveryButtonPatternKeepsTheEditsWhole) {
  HWND editor = OpenEditor(*plug, host);
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(PumpTicks(1));
  const POINT knob = ScreenPoint(editor, CenterX(kGainKnob), CenterY(kGainKnob));
  const POINT equaliser = ScreenPoint(editor, 217, 77);
  Host().requests.clear();

  MoveMouse(knob.x, knob.y);
  for (int i = 0; i < 2; ++i) {
    MouseButton(true);
    MouseButton(false);
  }
  ASSERT_TRUE(PumpUntil([] { return Letters(0) == "BEBAE"; })) << Letters(0);

  // Left held on the knob, right pressed on the equaliser, both released.
  MoveMouse(knob.x, knob.y - 40);  // away from the double click's place
  MouseButton(true);
  MoveMouse(knob.x, knob.y - 48);
  MoveMouse(equaliser.x, equaliser.y);
  MouseButton(true, true);
  MouseButton(false, true);
  MouseButton(false);
  // Left dragging the knob, right pressed on the same knob.
  MoveMouse(knob.x, knob.y);
  MouseButton(true);
  MoveMouse(knob.x, knob.y - 8);
  MouseButton(true, true);
  MouseButton(false, true);
  MouseButton(false);
  // A drag released far outside the window.
  MoveMouse(knob.x + 2, knob.y);
  MouseButton(true);
  MoveMouse(knob.x + 2, knob.y + 300);
  MouseButton(false);
  PumpPending();
  ASSERT_TRUE(PumpTicks(1));
  EXPECT_EQ(GrammarFault(), "");
  EXPECT_EQ(plug->Get(0), 0.0f);  // the last drag went down to the end
}

// A host that closes the editor from inside its begin callback has had the
// end already: the rest of the click is dropped.
AEffect* closingInside = nullptr;
intptr_t VST_CALLBACK ClosingHost(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                  void* ptr, float opt) {
  const intptr_t answer = RecordingHost(effect, opcode, index, value, ptr, opt);
  if (opcode == audioMasterBeginEdit && effect == closingInside)
    effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
  return answer;
}

TEST_F(EditorWindow, ClosingFromInsideTheBeginCallbackDropsTheRestOfTheClick) {
  Instance closing(&ClosingHost);
  ASSERT_TRUE(closing);
  closingInside = closing.effect();
  HWND editor = OpenEditor(closing, host);
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(PumpTicks(1));
  Host().requests.clear();
  Click(editor, CenterX(kPowerSwitch), CenterY(kPowerSwitch));
  ASSERT_TRUE(PumpUntil([] { return Seen(audioMasterEndEdit, 3); }));
  PumpPending();
  EXPECT_EQ(Letters(3), "BE");
  EXPECT_EQ(closing.Get(3), 1.0f);
  EXPECT_FALSE(IsWindow(editor));
  closingInside = nullptr;
}

// The instance destroyed on another thread while the window's thread is
// inside one of our host calls and cannot answer: the close waits out its
// timeout, cuts the window off, waits until that call has returned, ends the
// edit, and only then frees the instance.
std::atomic<bool> blockInBegin{false};
std::atomic<bool> insideBegin{false};
std::atomic<bool> closeStarted{false};
std::atomic<bool> closeReturned{false};
std::atomic<bool> returnedBeforeClose{false};
intptr_t VST_CALLBACK BlockingHost(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                   void* ptr, float opt) {
  if (opcode == audioMasterBeginEdit && blockInBegin.exchange(false)) {
    insideBegin.store(true);
    while (!closeStarted.load()) Sleep(1);
    Sleep(5500);  // past the close's 5 s wait for this thread
    returnedBeforeClose.store(!closeReturned.load());
  }
  return RecordingHost(effect, opcode, index, value, ptr, opt);
}

TEST_F(EditorWindow, ACloseFromAnotherThreadNeverFreesTheInstanceUnderTheWindowThread) {
  auto blocking = std::make_unique<Instance>(&BlockingHost);
  ASSERT_TRUE(*blocking);
  HWND editor = OpenEditor(*blocking, host);
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(PumpTicks(1));
  Host().requests.clear();
  blockInBegin.store(true);
  AEffect* effect = blocking->effect();
  std::thread closer([&] {
    while (!insideBegin.load()) Sleep(1);
    closeStarted.store(true);
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    closeReturned.store(true);
  });
  Click(editor, CenterX(kPowerSwitch), CenterY(kPowerSwitch));
  ASSERT_TRUE(PumpUntil([] { return closeReturned.load(); }, 15000));
  closer.join();
  blocking->Forget();  // closed above
  EXPECT_TRUE(returnedBeforeClose.load());
  PumpPending();  // the window's late messages no longer reach the editor
  EXPECT_EQ(GrammarFault(), "");
  EXPECT_EQ(Letters(3), "BAE");
  DestroyWindow(editor);
}

// The host's scale ('PreS', 'AeCs', the factor in opt): before the window
// opens it sets the size the host is told; while open the panel asks the
// host for its new size and keeps the old one when refused. At twice the
// size the window shows the panel drawn for it, and 128 device pixels of
// drag are a quarter of a knob's travel, as 64 are at 1.
TEST_F(EditorWindow, AtTwiceTheSizeTheDoublePanelTheSameTravelAndTheHostsConsent) {
  static HWND big = CreateHostWindow(20, 20, 1500, 420);
  auto sendScale = [&](float factor) {
    return plug->Dispatch(effVendorSpecific, 0x50726553, 0x41654373, nullptr, factor);
  };
  ASSERT_EQ(sendScale(2.0f), 1);
  ERect* rect = nullptr;
  ASSERT_EQ(plug->Dispatch(effEditGetRect, 0, 0, &rect), 1);
  EXPECT_EQ(rect->right, 1400);
  EXPECT_EQ(rect->bottom, 320);
  HWND editor = OpenEditor(*plug, big);
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(PumpTicks(2));
  EXPECT_EQ(ReadWindowPixels(editor, 2 * kWidth, 2 * kHeight), reference.Draw(Params(*plug), 0, 0, 0, 2));
  Host().requests.clear();
  const POINT knob = ScreenPoint(editor, 2 * CenterX(kGainKnob), 2 * CenterY(kGainKnob));
  MoveMouse(knob.x, knob.y);
  MouseButton(true);
  for (int up = 32; up <= 128; up += 32) MoveMouse(knob.x, knob.y - up);
  MouseButton(false);
  ASSERT_TRUE(PumpUntil([] { return Seen(audioMasterEndEdit, 0); }));
  EXPECT_EQ(GrammarFault(), "");
  EXPECT_NEAR(plug->Get(0), kDefaultGain + 0.25, 1e-4);

  // Back to 1 while open: refused, then granted.
  ASSERT_EQ(sendScale(1.0f), 1);
  EXPECT_EQ(Host().Count(audioMasterSizeWindow), 1);
  ASSERT_TRUE(PumpTicks(2));
  EXPECT_EQ(ReadWindowPixels(editor, 2 * kWidth, 2 * kHeight), reference.Draw(Params(*plug), 0, 0, 0, 2));
  Host().sizeWindowAnswer = 1;
  ASSERT_EQ(sendScale(1.0f), 1);
  ASSERT_TRUE(PumpTicks(2));
  RECT client = {};
  GetClientRect(editor, &client);
  EXPECT_EQ(client.right, kWidth);
  EXPECT_EQ(Differences(ReadWindowPixels(editor, kWidth, kHeight), reference.Draw(Params(*plug))), 0);
}

TEST_F(EditorWindow, AWindowThatCannotBeMadeIsReportedAndTheEditorStaysUsable) {
  HWND notAWindow = reinterpret_cast<HWND>(static_cast<intptr_t>(0x7ff0));
  EXPECT_EQ(plug->Dispatch(effEditOpen, 0, 0, notAWindow), 0);
  WNDCLASSA registered;
  EXPECT_FALSE(GetClassInfoA(static_cast<HMODULE>(Library().handle), "IEffectWndClass", &registered));
  HWND editor = OpenEditor(*plug, host);
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(PumpTicks(1));
  EXPECT_EQ(Differences(ReadWindowPixels(editor, kWidth, kHeight), reference.Draw(Params(*plug))), 0);
}

}  // namespace
