// The editor across threads: the audio thread feeds the meters and the lamp
// and a host thread sets parameters while the editor thread collects,
// redraws and turns a knob. Run under ThreadSanitizer (label "threads") it
// must report nothing; in any build every value must end in range.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "Controls.h"
#include "EditorTestSupport.h"

namespace veltrax {

TEST(EditorThreads, AudioAndHostThreadsFeedControlsWhileTheEditorRedraws) {
  PanelInstance panel;
  ASSERT_NE(panel.graphics, nullptr);
  IGraphics& graphics = *panel.graphics;
  std::atomic<bool> stop{false};
  std::atomic<long> blocks{0};

  std::thread audio([&] {
    while (!stop.load()) {
      panel.ProcessBlock(64, 0.7);
      ++blocks;
    }
  });
  std::thread host([&] {
    float v = 0.0f;
    while (!stop.load()) {
      for (int i = 0; i < 8; ++i) {
        panel.SetParameter(i, v);
        v = std::fmod(v + 0.137f, 1.0f);
      }
      (void)panel.GetParameter(0);
    }
  });

  int redraws = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
  while (std::chrono::steady_clock::now() < end || redraws < 20 || blocks.load() < 20) {
    Rect region{};
    if (graphics.CollectDirty(region)) graphics.Redraw(region);
    ++redraws;
    // A gesture on the equaliser now and then: its change takes PlugLock.
    if (redraws % 8 == 0) {
      graphics.HandleMouseDown(217, 77, MouseModifiers{});
      graphics.HandleMouseDrag(217, 77 - redraws % 40, MouseModifiers{});
      graphics.HandleMouseUp(217, 77 - redraws % 40, MouseModifiers{});
    }
  }
  stop.store(true);
  audio.join();
  host.join();

  for (int position = 1; position < graphics.ControlCount(); ++position) {
    const double value = graphics.GetControl(position)->Value();
    EXPECT_TRUE(value >= 0.0 && value <= 1.0) << position << ": " << value;
  }
  for (int i = 0; i < 8; ++i) EXPECT_TRUE(std::isfinite(panel.GetParameter(i)));
}

}  // namespace veltrax
