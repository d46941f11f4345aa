// The editor's per-frame work allocates nothing: collecting the dirty
// region, redrawing (both strategies) and storing values from the plug-in.
// Every allocation in the process is counted.

#include <gtest/gtest.h>

#include "Controls.h"
#include "CountingAllocator.h"
#include "EditorTestSupport.h"

namespace veltrax {

TEST(EditorAllocation, CollectDirtyRedrawAndSetValueFromPlugAllocateNothing) {
  const long beforeCreation = AllocationCount();
  PanelInstance panel;
  ASSERT_NE(panel.graphics, nullptr);
  EXPECT_GT(AllocationCount(), beforeCreation);  // the counter sees the editor being made
  IGraphics& graphics = *panel.graphics;
  IControl* meter = graphics.GetControl(5);
  IControl* knob = graphics.GetControl(1);
  panel.RedrawAll();

  const long before = AllocationCount();
  for (bool strict : {true, false}) {
    graphics.strictDrawing = strict;
    graphics.MarkAllDirty();
    Rect region{};
    graphics.CollectDirty(region);
    graphics.Redraw(region);
    for (int i = 0; i < 100; ++i) meter->SetValueFromPlug(i * 0.01);
    graphics.SetValueFromPlug(7, strict ? 1.0 : 0.0);
    knob->SetValueFromPlug(strict ? 0.3 : 0.6);
    region = Rect{};
    graphics.CollectDirty(region);
    graphics.Redraw(region);
  }
  EXPECT_EQ(AllocationCount(), before);
}

}  // namespace veltrax
