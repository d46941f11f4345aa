// The Veltrax front panel inside a whole instance, made and driven through
// its effect record as the binary's entry point makes it: what the host is
// told, the gestures and their automation, host and chunk changes moving the
// controls, and the pixels against the panel composed from the image files.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "Controls.h"
#include "EditorTestSupport.h"

namespace veltrax {

namespace {

// Centres of the controls, by list position.
constexpr int kGainLeftX = 127, kGainLeftY = 77;
constexpr int kEqualiserX = 217, kEqualiserY = 77;
constexpr int kPowerX = 650, kPowerY = 100;
constexpr int kHeadphonesX = 650, kHeadphonesY = 50;

MouseModifiers Plain() { return MouseModifiers{}; }
MouseModifiers WithShift() {
  MouseModifiers m;
  m.shift = true;
  return m;
}
MouseModifiers WithControl() {
  MouseModifiers m;
  m.control = true;
  return m;
}

void Press(IGraphics& g, int x, int y) { g.HandleMouseDown(x, y, Plain()); }
void Release(IGraphics& g, int x, int y) { g.HandleMouseUp(x, y, Plain()); }

// Drags the captured control from (x, y) by dy pixels in steps of step.
void DragBy(IGraphics& g, int x, int y, int dy, int step, const MouseModifiers& modifiers) {
  const int direction = dy < 0 ? -1 : 1;
  for (int moved = 0; moved != dy;) {
    moved += direction * std::min(step, std::abs(dy - moved));
    g.HandleMouseDrag(x, y + moved, modifiers);
  }
}

void ExpectPanel(PanelInstance& panel, const PanelFrames& frames, int scale = 1) {
  auto expected = ComposePanel(frames, scale);
  ASSERT_NE(expected, nullptr) << "the panel images cannot be read";
  ASSERT_NE(panel.graphics->Surface(), nullptr);
  EXPECT_EQ(FirstDifference(*panel.graphics->Surface(), *expected), "");
}

class Panel : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(panel.effect, nullptr);
    ASSERT_NE(panel.graphics, nullptr);
    graphics = panel.graphics;
    panel.ClearEvents();
  }

  PanelInstance panel;
  IGraphics* graphics = nullptr;
};

}  // namespace

TEST_F(Panel, EveryInstanceCarriesItsEditorWithoutAWindow) {
  EXPECT_EQ(panel.effect->flags, 0x1019);
  ERect* rect = nullptr;
  ASSERT_EQ(panel.Dispatch(effEditGetRect, 0, 0, &rect), 1);
  EXPECT_EQ(rect->top, 0);
  EXPECT_EQ(rect->left, 0);
  EXPECT_EQ(rect->bottom, 160);
  EXPECT_EQ(rect->right, 700);
  EXPECT_EQ(panel.Dispatch(effEditOpen), 0);
  panel.Dispatch(effEditIdle);
  EXPECT_EQ(panel.Dispatch(effEditClose), 1);

  ASSERT_EQ(graphics->ControlCount(), 9);
  const int params[9] = {-1, 0, 1, 2, 3, 4, 5, 6, 7};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(graphics->ControlParamIndex(i), params[i]) << i;
  EXPECT_DOUBLE_EQ(panel.ControlValue(1), std::sqrt(0.5));
  EXPECT_EQ(panel.ControlValue(3), 0.0);
  EXPECT_EQ(panel.ControlValue(4), 1.0);
  EXPECT_EQ(panel.ControlValue(8), 0.0);
  // The first block lights the lamp and moves the meters.
  panel.ProcessBlock(256, 0.5);
  EXPECT_EQ(panel.ControlValue(7), 1.0);
  EXPECT_GT(panel.ControlValue(5), 0.3);
}

TEST_F(Panel, DraggingAGainKnobFramesItsAutomationForTheHost) {
  Press(*graphics, kGainLeftX, kGainLeftY);
  DragBy(*graphics, kGainLeftX, kGainLeftY, -64, 16, Plain());
  Release(*graphics, kGainLeftX, kGainLeftY - 64);

  const std::vector<HostEvent> events = panel.Events();
  ASSERT_EQ(events.size(), 6u);
  EXPECT_EQ(events.front().opcode, audioMasterBeginEdit);
  EXPECT_EQ(events.back().opcode, audioMasterEndEdit);
  for (const HostEvent& e : events) EXPECT_EQ(e.index, 0);
  for (size_t i = 1; i + 1 < events.size(); ++i) EXPECT_EQ(events[i].opcode, audioMasterAutomate);
  // One knob height up with gearing 4: a quarter of the range.
  const double expected = std::sqrt(0.5) + 0.25;
  EXPECT_NEAR(panel.ControlValue(1), expected, 1e-12);
  EXPECT_FLOAT_EQ(events[4].value, static_cast<float>(expected));
  EXPECT_NEAR(panel.GetParameter(0), events[4].value, 1e-4);  // the value snaps to 0.01 %
  EXPECT_NEAR(panel.GetParameter(1), std::sqrt(0.5), 1e-6);

  // Past the end it stays at 1; back down it moves at once.
  Press(*graphics, kGainLeftX, kGainLeftY);
  DragBy(*graphics, kGainLeftX, kGainLeftY, -40, 40, Plain());
  EXPECT_EQ(panel.ControlValue(1), 1.0);
  DragBy(*graphics, kGainLeftX, kGainLeftY - 40, 16, 16, Plain());
  EXPECT_NEAR(panel.ControlValue(1), 1.0 - 0.0625, 1e-12);
  Release(*graphics, kGainLeftX, kGainLeftY);
}

TEST_F(Panel, EveryEditTheHostWasToldOfIsEnded) {
  // A second button pressed while the first still holds the knob.
  Press(*graphics, kGainLeftX, kGainLeftY);
  graphics->HandleMouseDrag(kGainLeftX, kGainLeftY - 8, Plain());
  Press(*graphics, kPowerX, kPowerY);
  Release(*graphics, kPowerX, kPowerY);
  // A window closing under a held button.
  Press(*graphics, kEqualiserX, kEqualiserY);
  graphics->EndOpenGesture();
  EXPECT_EQ(graphics->CaptureIndex(), -1);

  std::vector<int> open(8, 0);
  for (const HostEvent& e : panel.Events()) {
    if (e.opcode == audioMasterBeginEdit) {
      EXPECT_EQ(open[e.index]++, 0) << e.index;
    } else if (e.opcode == audioMasterEndEdit) {
      EXPECT_EQ(--open[e.index], 0) << e.index;
    }
  }
  EXPECT_EQ(open, std::vector<int>(8, 0));
}

TEST_F(Panel, ShiftOrControlMakeTheDragTenTimesFiner) {
  for (const MouseModifiers& fine : {WithShift(), WithControl()}) {
    const double before = panel.ControlValue(2);
    Press(*graphics, 312, 77);
    DragBy(*graphics, 312, 77, -64, 8, fine);
    Release(*graphics, 312, 13);
    EXPECT_NEAR(panel.ControlValue(2) - before, 0.025, 1e-12);
  }
}

TEST_F(Panel, WheelMovesByNotchesAndADoubleClickRestoresTheDefault) {
  graphics->HandleWheel(kEqualiserX, kEqualiserY, Plain(), 3);
  EXPECT_NEAR(panel.ControlValue(3), 0.03, 1e-12);
  graphics->HandleWheel(kEqualiserX, kEqualiserY, WithShift(), -3);
  EXPECT_NEAR(panel.ControlValue(3), 0.027, 1e-12);

  Press(*graphics, kGainLeftX, kGainLeftY);
  DragBy(*graphics, kGainLeftX, kGainLeftY, 32, 32, Plain());
  Release(*graphics, kGainLeftX, kGainLeftY + 32);
  panel.ClearEvents();
  // What a window delivers for a double click: press, release, double
  // click, release. The press is an edit of its own, and so is the reset;
  // the last release ends nothing, since nothing was pressed.
  Press(*graphics, kGainLeftX, kGainLeftY);
  Release(*graphics, kGainLeftX, kGainLeftY);
  EXPECT_FALSE(graphics->HandleDoubleClick(kGainLeftX, kGainLeftY, Plain()));
  Release(*graphics, kGainLeftX, kGainLeftY);
  EXPECT_DOUBLE_EQ(panel.ControlValue(1), std::sqrt(0.5));
  const std::vector<HostEvent> events = panel.Events();
  const std::vector<int32_t> opcodes = {audioMasterBeginEdit, audioMasterEndEdit,
                                        audioMasterBeginEdit, audioMasterAutomate,
                                        audioMasterEndEdit};
  ASSERT_EQ(events.size(), opcodes.size());
  for (size_t i = 0; i < events.size(); ++i) EXPECT_EQ(events[i].opcode, opcodes[i]) << i;
  EXPECT_FLOAT_EQ(events[3].value, static_cast<float>(std::sqrt(0.5)));
  EXPECT_NEAR(panel.GetParameter(0), std::sqrt(0.5), 1e-6);
}

// Whatever the buttons do, the host hears each edit as begin, values, end.
TEST_F(Panel, EveryEditReachesTheHostAsBeginValuesEnd) {
  auto opcodes = [&] {
    std::vector<int32_t> list;
    for (const HostEvent& e : panel.Events()) list.push_back(e.opcode);
    panel.ClearEvents();
    return list;
  };
  constexpr int32_t B = audioMasterBeginEdit, A = audioMasterAutomate, E = audioMasterEndEdit;
  MouseModifiers right;
  right.right = true;

  // Left held on one knob, right pressed on another, both released: the
  // second press ends the first edit; the first release ends the second.
  Press(*graphics, kGainLeftX, kGainLeftY);
  graphics->HandleMouseDrag(kGainLeftX, kGainLeftY - 8, Plain());
  graphics->HandleMouseDown(kEqualiserX, kEqualiserY, right);
  Release(*graphics, kEqualiserX, kEqualiserY);
  Release(*graphics, kGainLeftX, kGainLeftY);
  EXPECT_EQ(opcodes(), (std::vector<int32_t>{B, A, E, B, E}));

  // A release that no press captured, and a wheel notch: the notch is a
  // whole edit of its own.
  Release(*graphics, kGainLeftX, kGainLeftY);
  graphics->HandleWheel(kGainLeftX, kGainLeftY, Plain(), 1);
  EXPECT_EQ(opcodes(), (std::vector<int32_t>{B, A, E}));

  // The wheel during a drag moves the knob inside the edit of the drag.
  Press(*graphics, kGainLeftX, kGainLeftY);
  graphics->HandleWheel(kGainLeftX, kGainLeftY, Plain(), 1);
  Release(*graphics, kGainLeftX, kGainLeftY);
  EXPECT_EQ(opcodes(), (std::vector<int32_t>{B, A, E}));
}

TEST_F(Panel, SwitchesToggleTheirParameterAndTheLampFollowsAtTheNextBlock) {
  Press(*graphics, kPowerX, kPowerY);
  Release(*graphics, kPowerX, kPowerY);
  const std::vector<HostEvent> events = panel.Events();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].opcode, audioMasterBeginEdit);
  EXPECT_EQ(events[1].opcode, audioMasterAutomate);
  EXPECT_EQ(events[1].value, 0.0f);
  EXPECT_EQ(events[2].opcode, audioMasterEndEdit);
  EXPECT_EQ(panel.GetParameter(3), 0.0f);
  EXPECT_EQ(panel.ControlValue(7), 0.0);
  panel.ProcessBlock(64, 0.5);
  EXPECT_EQ(panel.ControlValue(7), 0.0);
  Press(*graphics, kPowerX, kPowerY);
  Release(*graphics, kPowerX, kPowerY);
  panel.ProcessBlock(64, 0.5);
  EXPECT_EQ(panel.ControlValue(7), 1.0);

  Press(*graphics, kHeadphonesX, kHeadphonesY);
  Release(*graphics, kHeadphonesX, kHeadphonesY);
  EXPECT_EQ(panel.GetParameter(7), 1.0f);
}

TEST_F(Panel, MetersAndLampIgnoreTheMouse) {
  panel.ProcessBlock(256, 0.5);
  const double left = panel.ControlValue(5), right = panel.ControlValue(6);
  struct Point {
    int x, y;
  };
  for (const Point& p : {Point{430, 70}, Point{525, 70}, Point{480, 10}}) {
    Press(*graphics, p.x, p.y);
    graphics->HandleMouseDrag(p.x, p.y - 30, Plain());
    Release(*graphics, p.x, p.y - 30);
    graphics->HandleDoubleClick(p.x, p.y, Plain());
    graphics->HandleWheel(p.x, p.y, Plain(), 5);
  }
  EXPECT_TRUE(panel.Events().empty());
  EXPECT_EQ(panel.ControlValue(5), left);
  EXPECT_EQ(panel.ControlValue(6), right);
  EXPECT_EQ(panel.ControlValue(7), 1.0);
}

TEST_F(Panel, HostValuesAndChunksMoveTheControls) {
  panel.SetParameter(0, 0.3f);
  EXPECT_EQ(panel.ControlValue(1), static_cast<double>(0.3f));
  char text[] = "3";
  EXPECT_EQ(panel.Dispatch(effString2Parameter, 2, 0, text), 1);
  EXPECT_EQ(panel.ControlValue(3), 0.5);

  void* data = nullptr;
  const intptr_t size = panel.Dispatch(effGetChunk, 1, 0, &data);
  ASSERT_GT(size, 0);
  std::vector<char> chunk(static_cast<const char*>(data), static_cast<const char*>(data) + size);
  panel.SetParameter(0, 0.9f);
  panel.SetParameter(7, 1.0f);
  EXPECT_EQ(panel.ControlValue(8), 1.0);
  EXPECT_EQ(panel.Dispatch(effSetChunk, 1, size, chunk.data()), 1);
  EXPECT_NEAR(panel.ControlValue(1), 0.3, 1e-4);
  EXPECT_EQ(panel.ControlValue(8), 0.0);
  EXPECT_EQ(panel.ControlValue(3), 0.5);
  EXPECT_TRUE(panel.Events().empty());  // the host is not told of its own changes
}

TEST_F(Panel, DefaultPanelIsDrawnAsComposedFromTheImages) {
  panel.RedrawAll();
  ExpectPanel(panel, PanelFrames{});
}

// The settings of BusyPanelFrames.
void MakeBusy(PanelInstance& panel) {
  char zero[] = "0", full[] = "200", three[] = "3", off[] = "off", on[] = "on";
  panel.Dispatch(effString2Parameter, 0, 0, zero);
  panel.Dispatch(effString2Parameter, 1, 0, full);
  panel.Dispatch(effString2Parameter, 2, 0, three);
  panel.Dispatch(effString2Parameter, 3, 0, off);
  panel.Dispatch(effString2Parameter, 7, 0, on);
  panel.graphics->SetValueFromPlug(5, 0.5);
  panel.graphics->SetValueFromPlug(6, 1.0);
  panel.graphics->SetValueFromPlug(7, 1.0);
}

TEST_F(Panel, BusyPanelIsDrawnAsComposedFromTheImages) {
  MakeBusy(panel);
  panel.RedrawAll();
  ExpectPanel(panel, BusyPanelFrames());
}

// At twice the size: the images drawn for it at twice the places, and the
// mouse in the panel's own units, so a knob moves as far per panel pixel.
TEST_F(Panel, AtTwiceTheSizeTheImagesForItAtTwiceThePlaces) {
  graphics->SetUserScale(2);
  EXPECT_EQ(graphics->Width(), 1400);
  EXPECT_EQ(graphics->Height(), 320);
  panel.RedrawAll();
  ExpectPanel(panel, PanelFrames{}, 2);
  MakeBusy(panel);
  panel.RedrawAll();
  ExpectPanel(panel, BusyPanelFrames(), 2);
}

// The user's scale, as a shell would set it (none: unset).
void SetUserScaleVariable(const char* value) {
#if defined(_WIN32)
  _putenv_s("VELTRAX_PANEL_SCALE", value != nullptr ? value : "");
#else
  if (value != nullptr) {
    setenv("VELTRAX_PANEL_SCALE", value, 1);
  } else {
    unsetenv("VELTRAX_PANEL_SCALE");
  }
#endif
}

// Where the scale comes from, first usable wins: the user's, the host's,
// the screen's, 1. Factors from 1.75 give 2; none that is no factor.
TEST(PanelScale, SourcesInOrder) {
  SetUserScaleVariable(nullptr);
  {
    PanelInstance panel;
    IGraphics& g = *panel.graphics;
    EXPECT_EQ(g.Scale(), 1);
    g.SetScreenScale(2.0);
    EXPECT_EQ(g.Scale(), 2);
    g.SetHostScale(1.5);
    EXPECT_EQ(g.Scale(), 1);  // the host's, rounded: a 150 % desktop gets 1
    for (double none : {0.0, -2.0, std::nan(""), 1e9}) {
      g.SetHostScale(none);
      EXPECT_EQ(g.Scale(), 2) << none;  // the screen's again
    }
    g.SetHostScale(1.75);
    EXPECT_EQ(g.Scale(), 2);
    g.SetScreenScale(0.0);
    g.SetHostScale(0.0);
    EXPECT_EQ(g.Scale(), 1);
  }
  SetUserScaleVariable("1");
  {
    PanelInstance panel;
    panel.graphics->SetHostScale(2.0);
    EXPECT_EQ(panel.graphics->Scale(), 1);
  }
  SetUserScaleVariable("2");
  {
    PanelInstance panel;
    EXPECT_EQ(panel.graphics->Scale(), 2);
    ERect* rect = nullptr;
    ASSERT_EQ(panel.Dispatch(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right, 1400);
    EXPECT_EQ(rect->bottom, 320);
  }
  SetUserScaleVariable("3");  // not a scale: as if unset
  {
    PanelInstance panel;
    EXPECT_EQ(panel.graphics->Scale(), 1);
  }
  SetUserScaleVariable(nullptr);
}

TEST_F(Panel, OnlyTheDirtyRegionIsRedrawnWithEitherStrategy) {
  panel.RedrawAll();
  PanelFrames frames;
  for (bool strict : {true, false}) {
    graphics->strictDrawing = strict;
    // The meters and the lamp, whose rectangle starts above the surface.
    frames.lamp = strict ? 2 : 1;
    frames.meterLeft = strict ? 50 : 11;
    graphics->SetValueFromPlug(7, strict ? 1.0 : 0.0);
    graphics->SetValueFromPlug(5, strict ? 1.0 : 0.2);
    Rect region{};
    ASSERT_TRUE(graphics->CollectDirty(region));
    EXPECT_TRUE(region == (Rect{390, -5, 497, 96}));
    graphics->Redraw(region);
    ExpectPanel(panel, frames);
  }
}

}  // namespace veltrax
