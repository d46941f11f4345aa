// The graphics core and the controls on a plug-in base with stand-in
// controls: rectangle rules, frames, the dirty region and both redraw
// strategies, hit testing, keys, the value prompt, Resize, and the mends
// for missing images, out-of-range indices and values that are not numbers.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "Blit.h"
#include "Controls.h"
#include "OffscreenGraphics.h"
#include "StubEffect.h"

namespace veltrax {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

bool SameRect(const Rect& a, const Rect& b) { return a == b; }

// The test's thread plays the editor's input thread: no lock held.
class RecordingEffect : public StubEffect {
 public:
  RecordingEffect() {
    ConfigureLikeVeltrax();
    Lock().Unlock();
  }
  ~RecordingEffect() override { Lock().Lock(); }
  void BeginParameterEdit(int index) override { edits.push_back("begin " + std::to_string(index)); }
  void EndParameterEdit(int index) override { edits.push_back("end " + std::to_string(index)); }
  void EditorResized() override { ++resized; }

  std::vector<std::string> edits;
  int resized = 0;
};

// The offscreen editor with its dialogs recorded and the clip rectangle
// settable, so single draws can be checked.
class RecordingGraphics : public IGraphicsOffscreen {
 public:
  explicit RecordingGraphics(IEffectBase* plugin, int width = 700, int height = 160)
      : IGraphicsOffscreen(plugin, width, height, 25, nullptr) {}

  bool PaintSurface(const Rect& rect) override {
    painted.push_back(rect);
    return true;
  }
  ChoiceMenu* ShowChoiceMenu(ChoiceMenu& menu, const Rect& rect) override {
    menuRect = rect;
    menuItems.clear();
    for (int i = 0; i < menu.ItemCount(); ++i) {
      const ChoiceMenuItem* item = menu.ItemAt(i);
      menuItems.push_back(std::string(item->text.Get()) +
                          ((item->flags & ChoiceItemChecked) ? "*" : ""));
    }
    if (!answerMenu) return nullptr;
    menu.chosenIndex = choice;
    return &menu;
  }
  void BeginTextEntry(IControl*, const TextStyle&, const Rect& rect, const char* text,
                      Parameter*) override {
    entryRect = rect;
    entryText = text;
  }
  void SetClip(const Rect& rect) { clipRect = rect; }

  std::vector<Rect> painted;
  Rect menuRect{};
  std::vector<std::string> menuItems;
  bool answerMenu = false;
  int choice = -1;
  Rect entryRect{};
  std::string entryText;
};

// Draws nothing; logs its draws and the keys it gets.
class LoggingControl : public IControl {
 public:
  LoggingControl(IEffectBase* plugin, const Rect& rect, int id, std::vector<int>* log,
                 int param = -1)
      : IControl(plugin, rect, param), id(id), log(log) {}
  bool Draw(IGraphics* graphics) override {
    log->push_back(id);
    clips.push_back(graphics->ClipRect());
    return true;
  }
  bool KeyDown(int, int, int key) override {
    keys.push_back(key);
    return true;
  }
  void MouseDown(int x, int y, const MouseModifiers& modifiers) override {
    ++presses;
    IControl::MouseDown(x, y, modifiers);
  }

  int id;
  std::vector<int>* log;
  std::vector<Rect> clips;
  std::vector<int> keys;
  int presses = 0;
};

// A background and three controls: one inside it, one overlapping that one,
// and one without a rectangle.
struct Board {
  Board() {
    graphics = new RecordingGraphics(&effect);
    for (const Rect& r : {Rect{0, 0, 100, 100}, Rect{10, 10, 30, 30}, Rect{20, 20, 40, 40},
                          Rect{}}) {
      auto* control = new LoggingControl(&effect, r, static_cast<int>(controls.size()), &log);
      controls.push_back(control);
      graphics->AttachControl(control);
    }
    effect.AttachEditor(graphics);
    // Their defaults: from here on a new value is a change.
    for (LoggingControl* control : controls) control->SetValueFromPlug(0.0);
    Clean();
  }
  // Everything drawn twice: no flag left over.
  void Clean() {
    graphics->Redraw(Rect{0, 0, 100, 100});
    graphics->Redraw(Rect{0, 0, 100, 100});
    log.clear();
    graphics->painted.clear();
  }

  RecordingEffect effect;
  RecordingGraphics* graphics;  // owned by the effect
  std::vector<LoggingControl*> controls;
  std::vector<int> log;
};

// An image whose pixel in row r holds r in its colour bytes: the row a
// draw starts from can be read off the surface.
std::unique_ptr<MemBitmap> RowNumberedImage(int width, int height) {
  auto image = std::make_unique<MemBitmap>(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) image->Row(y)[x] = 0xFF000000u | static_cast<Pixel>(y);
  }
  return image;
}

EditorBitmap BitmapOf(RasterBitmap* image, int frames) {
  EditorBitmap bitmap;
  bitmap.image = image;
  bitmap.width = image ? image->Width() : 0;
  bitmap.height = image ? image->Height() : 0;
  bitmap.frameCount = frames;
  return bitmap;
}

}  // namespace

TEST(EditorRect, EmptinessIntersectionUnionAndContainment) {
  EXPECT_TRUE(IsEmpty(Rect{}));
  EXPECT_FALSE(IsEmpty(Rect{5, 5, 5, 9}));  // zero width, yet not empty
  // Touching edges: the left one intersects the right one, not the reverse.
  EXPECT_TRUE(Intersects(Rect{0, 0, 10, 10}, Rect{10, 0, 20, 10}));
  EXPECT_FALSE(Intersects(Rect{10, 0, 20, 10}, Rect{0, 0, 10, 10}));
  EXPECT_FALSE(Intersects(Rect{}, Rect{-5, -5, 5, 5}));
  EXPECT_TRUE(SameRect(Intersection(Rect{0, 0, 10, 10}, Rect{5, -5, 20, 8}), Rect{5, 0, 10, 8}));
  EXPECT_TRUE(SameRect(Union(Rect{}, Rect{1, 2, 3, 4}), Rect{1, 2, 3, 4}));
  EXPECT_TRUE(SameRect(Union(Rect{1, 2, 3, 4}, Rect{-1, 5, 2, 9}), Rect{-1, 2, 3, 9}));
  EXPECT_TRUE(Contains(Rect{0, 0, 10, 10}, 0, 9));
  EXPECT_FALSE(Contains(Rect{0, 0, 10, 10}, 10, 5));
  EXPECT_FALSE(Contains(Rect{}, 0, 0));
}

TEST(EditorFrames, ValueChoosesTheRoundedFrameHeldToTheStrip) {
  EXPECT_EQ(FrameForValue(0.5, 40), 21);
  EXPECT_EQ(FrameForValue(std::sqrt(0.5), 40), 29);
  EXPECT_EQ(FrameForValue(0.5, 50), 26);
  EXPECT_EQ(FrameForValue(0.99 / 98, 50), 1);
  EXPECT_EQ(FrameForValue(97.0 / 98, 50), 50);
  EXPECT_EQ(FrameForValue(-0.3, 50), 1);
  EXPECT_EQ(FrameForValue(1.7, 50), 50);
  EXPECT_EQ(FrameForValue(0.49, 2), 1);
  EXPECT_EQ(FrameForValue(0.5, 2), 2);
  EXPECT_EQ(FrameForValue(0.9, 1), 1);
  // Not a number shows frame 1; infinities the end frames.
  EXPECT_EQ(FrameForValue(kNaN, 50), 1);
  EXPECT_EQ(FrameForValue(kInf, 50), 50);
  EXPECT_EQ(FrameForValue(-kInf, 50), 1);
}

TEST(EditorFrames, DrawBitmapFrameStartsAtTheFrameRowAndKeepsInsideTheClip) {
  RecordingEffect effect;
  RecordingGraphics graphics(&effect);
  graphics.PrepareSurface();
  FillRectangle(graphics.Surface(), 0, 0, 700, 160, 0, 1.0f, BlendCopy);
  auto image = RowNumberedImage(2, 2560);
  const EditorBitmap knob = BitmapOf(image.get(), 40);
  const ControlBlend opaque{BlendKindOpaque, 1.0f};
  SysBitmap& surface = *graphics.Surface();
  auto rowAt = [&](int x, int y) { return static_cast<int>(surface.Row(y)[x] & 0xFFFF); };

  graphics.SetClip(Rect{0, 0, 700, 160});
  graphics.DrawBitmapFrame(knob, Rect{0, 0, 2, 64}, 40, &opaque);
  EXPECT_EQ(rowAt(0, 0), 2496);
  // Beyond the strip nothing is drawn; frames below 1 show frame 1.
  graphics.DrawBitmapFrame(knob, Rect{0, 0, 2, 64}, 41, &opaque);
  EXPECT_EQ(rowAt(0, 0), 2496);
  graphics.DrawBitmapFrame(knob, Rect{0, 0, 2, 64}, 0, &opaque);
  EXPECT_EQ(rowAt(0, 0), 0);
  EXPECT_EQ(rowAt(1, 63), 63);
  // Above the surface's top edge: the rows that remain are the frame's lower ones.
  graphics.DrawBitmapFrame(knob, Rect{10, -5, 12, 59}, 2, &opaque);
  EXPECT_EQ(rowAt(10, 0), 64 + 5);
  // Only the clip rectangle is painted.
  graphics.SetClip(Rect{20, 10, 21, 11});
  graphics.DrawBitmapFrame(knob, Rect{20, 0, 22, 64}, 3, &opaque);
  EXPECT_EQ(rowAt(20, 10), 128 + 10);
  EXPECT_EQ(surface.Row(9)[20], 0u);
  EXPECT_EQ(surface.Row(10)[21], 0u);
}

TEST(EditorRedraw, CollectDirtyUnitesTheDirtyRectanglesHiddenOnesIncluded) {
  Board board;
  Rect region{};
  EXPECT_FALSE(board.graphics->CollectDirty(region));
  EXPECT_TRUE(IsEmpty(region));

  board.controls[2]->SetHidden(true);
  board.controls[1]->SetValueFromPlug(0.4);
  EXPECT_TRUE(board.graphics->CollectDirty(region));
  EXPECT_TRUE(SameRect(region, Rect{10, 10, 40, 40}));

  // A dirty control without a rectangle counts but widens nothing.
  board.Clean();
  board.controls[3]->SetValueFromPlug(0.9);
  region = Rect{};
  EXPECT_TRUE(board.graphics->CollectDirty(region));
  EXPECT_TRUE(IsEmpty(region));
}

TEST(EditorRedraw, StrictDrawingPaintsWhatTheRegionTouchesInListOrder) {
  Board board;
  board.controls[2]->SetHidden(true);
  board.Clean();

  // Inside control 1 only: the background, then control 1 on top; the
  // hidden one is skipped (and marked drawn all the same).
  board.controls[1]->SetValueFromPlug(0.5);
  board.controls[2]->MarkDirty(false);
  EXPECT_TRUE(board.graphics->Redraw(Rect{12, 12, 18, 18}));
  EXPECT_EQ(board.log, (std::vector<int>{0, 1}));
  EXPECT_TRUE(SameRect(board.controls[1]->clips.back(), Rect{12, 12, 18, 18}));
  ASSERT_EQ(board.graphics->painted.size(), 1u);
  EXPECT_TRUE(SameRect(board.graphics->painted[0], Rect{12, 12, 18, 18}));

  // A value from the plug-in is drawn at two redraws, a plain MarkDirty at one.
  EXPECT_TRUE(board.controls[1]->IsDirty());
  EXPECT_FALSE(board.controls[2]->IsDirty());
  board.graphics->Redraw(Rect{12, 12, 18, 18});
  EXPECT_FALSE(board.controls[1]->IsDirty());

  // An empty region draws nothing and still marks everything drawn.
  board.log.clear();
  board.controls[1]->MarkDirty(false);
  board.graphics->Redraw(Rect{});
  EXPECT_TRUE(board.log.empty());
  EXPECT_FALSE(board.controls[1]->IsDirty());
}

TEST(EditorRedraw, NonStrictDrawingRedrawsEachDirtyControlWithWhatItOverlaps) {
  Board board;
  board.graphics->strictDrawing = false;
  board.Clean();

  // Control 1 dirty: drawn within its own rectangle together with what
  // overlaps it (the background, and control 2 on top).
  board.controls[1]->MarkDirty(false);
  board.graphics->Redraw(Rect{10, 10, 30, 30});
  EXPECT_EQ(board.log, (std::vector<int>{0, 1, 2}));
  EXPECT_TRUE(SameRect(board.controls[0]->clips.back(), Rect{10, 10, 30, 30}));
  EXPECT_FALSE(board.controls[1]->IsDirty());

  // A dirty background draws everything within the background; hidden
  // controls other than it keep their flags.
  board.log.clear();
  board.controls[2]->SetHidden(true);
  board.controls[0]->MarkDirty(false);
  board.graphics->Redraw(Rect{0, 0, 100, 100});
  EXPECT_EQ(board.log, (std::vector<int>{0, 1, 3}));
  EXPECT_TRUE(board.controls[2]->IsDirty());
}

TEST(EditorMouse, TheTopmostShownControlWithATargetTakesThePress) {
  Board board;
  board.controls[2]->SetTargetRect(Rect{});  // as the meters and the lamp
  board.graphics->HandleMouseDown(25, 25, MouseModifiers{});
  EXPECT_EQ(board.graphics->CaptureIndex(), 1);
  board.graphics->HandleMouseUp(25, 25, MouseModifiers{});
  EXPECT_EQ(board.graphics->CaptureIndex(), -1);

  board.controls[1]->SetGreyed(true);
  board.graphics->HandleMouseDown(25, 25, MouseModifiers{});
  EXPECT_EQ(board.graphics->CaptureIndex(), 0);
  board.controls[0]->SetHidden(true);
  board.graphics->HandleMouseDown(25, 25, MouseModifiers{});
  EXPECT_EQ(board.graphics->CaptureIndex(), -1);
  EXPECT_EQ(board.controls[1]->presses, 1);
  EXPECT_TRUE(board.effect.edits.empty());  // no parameter, no edit framing
}

TEST(EditorKeys, KeysGoToTheControlUnderThePointerOrTheCapturedOneElseToTheCatcher) {
  Board board;
  EXPECT_TRUE(board.graphics->HandleKeyDown(15, 15, KeyUp));
  EXPECT_EQ(board.controls[1]->keys, (std::vector<int>{KeyUp}));
  // Over the background only: no catcher, the host gets the key.
  EXPECT_FALSE(board.graphics->HandleKeyDown(80, 80, KeySpace));
  EXPECT_TRUE(board.controls[0]->keys.empty());

  std::vector<int> catcherLog;
  auto* catcher = new LoggingControl(&board.effect, Rect{}, 9, &catcherLog);
  board.graphics->SetKeyCatcher(catcher);
  EXPECT_TRUE(board.graphics->HandleKeyDown(80, 80, KeyDigit0 + 3));
  EXPECT_TRUE(board.graphics->HandleKeyDown(500, 500, KeyLetterZ));
  EXPECT_EQ(catcher->keys, (std::vector<int>{KeyDigit0 + 3, KeyLetterZ}));

  // A captured control takes keys wherever the pointer is.
  board.graphics->HandleMouseDown(35, 35, MouseModifiers{});
  board.graphics->HandleKeyDown(80, 80, KeyLeft);
  EXPECT_EQ(board.controls[2]->keys, (std::vector<int>{KeyLeft}));
}

TEST(EditorPrompt, RightClickOffersAMenuForTogglesAndATextEntryForNumbers) {
  RecordingEffect effect;
  auto* graphics = new RecordingGraphics(&effect);
  MemBitmap knobImage(64, 2560), toggleImage(40, 80), selectorImage(45, 225);
  auto* toggle = new IKnobMultiControl(&effect, 630, 80, 3, BitmapOf(&toggleImage, 2));
  auto* gain = new IKnobMultiControl(&effect, 95, 45, 0, BitmapOf(&knobImage, 40));
  auto* selector = new IKnobMultiControl(&effect, 195, 55, 2, BitmapOf(&selectorImage, 5));
  graphics->AttachControl(toggle);
  graphics->AttachControl(gain);
  graphics->AttachControl(selector);
  effect.AttachEditor(graphics);
  MouseModifiers right;
  right.right = true;

  // Disabled by default.
  graphics->HandleMouseDown(100, 50, right);
  graphics->HandleMouseUp(100, 50, right);
  EXPECT_TRUE(graphics->entryText.empty());
  EXPECT_TRUE(graphics->menuItems.empty());

  // A toggle with display texts: a menu over the control, current item
  // checked. A menu handed back without a chosen item changes nothing.
  toggle->promptDisabled = false;
  graphics->answerMenu = true;
  graphics->HandleMouseDown(640, 90, right);
  graphics->HandleMouseUp(640, 90, right);
  EXPECT_EQ(effect.ParamAt(3)->value, 1.0);
  graphics->choice = 0;
  effect.edits.clear();
  graphics->HandleMouseDown(640, 90, right);
  graphics->HandleMouseUp(640, 90, right);
  EXPECT_EQ(graphics->menuItems, (std::vector<std::string>{"off", "on*"}));
  EXPECT_TRUE(SameRect(graphics->menuRect, Rect{630, 80, 670, 120}));
  EXPECT_EQ(effect.ParamAt(3)->value, 0.0);
  EXPECT_EQ(effect.edits, (std::vector<std::string>{"begin 3", "end 3"}));

  // No display texts: a 40 x 16 box centred on the control, the plain value.
  gain->promptDisabled = false;
  graphics->HandleMouseDown(100, 50, right);
  EXPECT_TRUE(SameRect(graphics->entryRect, Rect{107, 69, 147, 85}));
  EXPECT_EQ(graphics->entryText, "100.00");

  // A whole number with display texts: the entry covers the control.
  effect.ParamAt(2)->AddDisplayText(1, "bright");
  selector->promptDisabled = false;
  graphics->HandleMouseDown(200, 60, right);
  EXPECT_TRUE(SameRect(graphics->entryRect, Rect{195, 55, 240, 100}));
  EXPECT_EQ(graphics->entryText, "1");
}

TEST(EditorResize, ResizeEmptiesThePanelAndAsksThePlugInToRebuild) {
  Board board;
  board.graphics->AttachControl(new LoggingControl(&board.effect, Rect{50, 50, 60, 60}, 4,
                                                   &board.log, 0));
  board.graphics->HandleMouseDown(55, 55, MouseModifiers{});
  board.graphics->Resize(320, 200);
  EXPECT_EQ(board.effect.resized, 1);
  EXPECT_EQ(board.effect.edits, (std::vector<std::string>{"begin 0", "end 0"}));
  EXPECT_EQ(board.graphics->ControlCount(), 0);
  EXPECT_EQ(board.graphics->CaptureIndex(), -1);
  ASSERT_NE(board.graphics->Surface(), nullptr);
  EXPECT_EQ(board.graphics->Surface()->Width(), 320);
  EXPECT_EQ(board.graphics->Surface()->Height(), 200);
  EXPECT_TRUE(board.graphics->Redraw(Rect{0, 0, 320, 200}));
}

TEST(EditorSwitch, AFourFrameSwitchStepsAThirdAndWrapsToZero) {
  RecordingEffect effect;
  auto* graphics = new RecordingGraphics(&effect);
  auto* selector = new ISwitchControl(&effect, 0, 0, 7, BitmapOf(nullptr, 4));
  graphics->AttachControl(selector);
  effect.AttachEditor(graphics);
  selector->SetTargetRect(Rect{0, 0, 10, 10});
  std::vector<double> seen;
  for (int i = 0; i < 4; ++i) {
    graphics->HandleMouseDown(5, 5, MouseModifiers{});
    graphics->HandleMouseUp(5, 5, MouseModifiers{});
    seen.push_back(selector->Value());
  }
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_NEAR(seen[0], 1.0 / 3, 1e-12);
  EXPECT_NEAR(seen[1], 2.0 / 3, 1e-12);
  EXPECT_NEAR(seen[2], 1.0, 1e-12);
  EXPECT_EQ(seen[3], 0.0);
  // A double click steps like a click.
  graphics->HandleDoubleClick(5, 5, MouseModifiers{});
  EXPECT_NEAR(selector->Value(), 1.0 / 3, 1e-12);
}

TEST(EditorMends, MissingImagesDrawNothingAndTheLayoutStillBuilds) {
  RecordingEffect effect;
  auto* graphics = new RecordingGraphics(&effect);
  graphics->AttachBackground(999, "resources/img/missing.png");
  const EditorBitmap missing = graphics->LoadImage(998, "resources/img/missing.png", 40);
  EXPECT_EQ(missing.image, nullptr);
  auto* knob = new IKnobMultiControl(&effect, 95, 45, 0, missing);
  graphics->AttachControl(knob);
  graphics->AttachControl(new ISwitchControl(&effect, 630, 80, 3, missing));
  effect.AttachEditor(graphics);
  ASSERT_EQ(graphics->ControlCount(), 3);
  EXPECT_TRUE(IsEmpty(graphics->GetControl(0)->GetRect()));

  SysBitmap& surface = *graphics->Surface();
  FillRectangle(&surface, 0, 0, 700, 160, 0xFF123456u, 1.0f, BlendCopy);
  graphics->Redraw(Rect{0, 0, 700, 160});
  graphics->strictDrawing = false;
  graphics->MarkAllDirty();
  graphics->Redraw(Rect{0, 0, 700, 160});
  for (int y = 0; y < surface.Height(); ++y) {
    for (int x = 0; x < surface.Width(); ++x) ASSERT_EQ(surface.Row(y)[x], 0xFF123456u);
  }
  // A knob without extent cannot be turned (no division by zero).
  knob->SetTargetRect(Rect{95, 45, 100, 50});
  graphics->HandleMouseDown(96, 46, MouseModifiers{});
  graphics->HandleMouseDrag(96, 10, MouseModifiers{});
  EXPECT_EQ(knob->Value(), effect.ParamAt(0)->Normalize(100.0));
}

TEST(EditorMends, OutOfRangeIndicesDoNothing) {
  Board board;
  IGraphics& graphics = *board.graphics;
  EXPECT_EQ(graphics.GetControl(-1), nullptr);
  EXPECT_EQ(graphics.GetControl(4), nullptr);
  EXPECT_EQ(graphics.ControlParamIndex(4), -1);
  EXPECT_EQ(graphics.ControlAuxBindingFor(-3, 0), -1);
  graphics.SetValueFromPlug(4, 0.5);
  graphics.SetValueFromPlug(-1, 0.5);
  graphics.SetAuxValueFromPlug(1, 5, 0.5);
  graphics.SetParameterFromPlug(8, 0.5, true);
  graphics.SetParameterFromPlug(-1, 50.0, false);
  board.controls[1]->SetAuxValueFromPlug(-1, 0.5);
  graphics.HandleMouseUp(-100, -100, MouseModifiers{});
  graphics.HandleMouseDrag(5, 5, MouseModifiers{});
  graphics.HandleWheel(5000, 5, MouseModifiers{}, 3);
  Rect region{};
  EXPECT_FALSE(graphics.CollectDirty(region));
  // An editor without a plug-in: gestures reach nobody, and nothing breaks.
  RecordingGraphics orphan(nullptr);
  orphan.AttachControl(new IKnobMultiControl(nullptr, 0, 0, 2, EditorBitmap{}));
  orphan.GetControl(0)->SetTargetRect(Rect{0, 0, 10, 10});
  orphan.HandleMouseDown(5, 5, MouseModifiers{});
  orphan.HandleMouseUp(5, 5, MouseModifiers{});
  orphan.Resize(10, 10);
  // A rectangle far off the surface does not wrap the source position.
  orphan.PrepareSurface();
  orphan.SetClip(Rect{0, 0, 700, 160});
  auto image = RowNumberedImage(2, 2);
  EXPECT_TRUE(orphan.DrawBitmap(BitmapOf(image.get(), 1), Rect{INT32_MIN + 1, 0, 10, 10},
                                INT32_MAX, 0, nullptr));

  ChoiceMenu menu;
  menu.AddItem("one");
  char label[16] = "x";
  menu.ItemLabel(3, label, sizeof label);
  EXPECT_STREQ(label, "");
}

TEST(EditorMends, ValuesThatAreNotNumbersNeverReachThePlugInOrAWrongFrame) {
  RecordingEffect effect;
  auto* graphics = new RecordingGraphics(&effect);
  auto image = RowNumberedImage(2, 100);
  auto* meter = new IKnobMultiControl(&effect, 0, 0, 4, BitmapOf(image.get(), 50));
  auto* knob = new IKnobMultiControl(&effect, 10, 0, 5, BitmapOf(image.get(), 50));
  graphics->AttachControl(meter);
  graphics->AttachControl(knob);
  graphics->PrepareSurface();
  auto shownFrame = [&] {
    graphics->MarkAllDirty();
    graphics->Redraw(Rect{0, 0, 700, 160});
    return static_cast<int>(graphics->Surface()->Row(0)[0] & 0xFF) / 2 + 1;
  };

  // A NaN first value is drawn as frame 1 and does not become the default.
  meter->SetValueFromPlug(kNaN);
  EXPECT_EQ(shownFrame(), 1);
  EXPECT_LT(meter->DefaultValue(), 0.0);
  meter->SetValueFromPlug(0.5);
  EXPECT_EQ(meter->DefaultValue(), 0.5);
  meter->SetValueFromPlug(kInf);
  EXPECT_EQ(shownFrame(), 50);
  meter->SetValueFromPlug(-kInf);
  EXPECT_EQ(shownFrame(), 1);
  meter->SetValueFromPlug(kNaN);
  EXPECT_EQ(shownFrame(), 1);

  // Gestures on a NaN start from the frame shown; NaN from the user is no choice.
  effect.AttachEditor(graphics);
  knob->SetTargetRect(Rect{10, 0, 20, 10});
  knob->SetValueFromPlug(kNaN);
  effect.notified.clear();
  knob->SetValueFromUser(kNaN);
  EXPECT_TRUE(effect.notified.empty());
  graphics->HandleWheel(15, 5, MouseModifiers{}, 2);
  ASSERT_EQ(effect.notified.size(), 1u);
  EXPECT_NEAR(effect.notified[0].second, 0.02, 1e-12);
  knob->gearing = 0.0;
  graphics->HandleMouseDown(15, 5, MouseModifiers{});
  graphics->HandleMouseDrag(15, 1, MouseModifiers{});
  EXPECT_EQ(effect.notified.size(), 1u);
}

}  // namespace veltrax
