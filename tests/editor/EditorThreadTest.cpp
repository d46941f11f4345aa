// The editor across threads: the audio thread feeds the meters and the lamp
// and a host thread sets parameters while the editor thread collects,
// redraws and turns a knob. Run under ThreadSanitizer (label "threads") it
// must report nothing; in any build every value must end in range.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

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

// Two open panels draw on threads of their own (Linux windows do): text
// shares fonts and the renderer's scratch bitmaps across them. Afterwards
// a panel still draws its text exactly as before.
TEST(EditorThreads, TwoPanelsDrawTextAtOnce) {
  PanelInstance first, second;
  ASSERT_NE(first.graphics, nullptr);
  ASSERT_NE(second.graphics, nullptr);
  auto draw = [](IGraphics& graphics, int rounds) {
    for (int i = 0; i < rounds; ++i) {
      TextStyle style;  // resolved afresh each time: the font cache is shared too
      style.size = 10 + i % 7;
      graphics.DrawText(style, i % 2 ? "Veltrax 1.0" : "record level", Rect{20, 20, 260, 60});
    }
  };
  auto snapshot = [&] {
    first.RedrawAll();
    draw(*first.graphics, 7);
    std::vector<Pixel> pixels;
    for (int y = 0; y < 160; ++y) {
      const Pixel* row = first.graphics->Surface()->Row(y);
      pixels.insert(pixels.end(), row, row + 700);
    }
    return pixels;
  };
  const std::vector<Pixel> before = snapshot();
  std::thread other([&] { draw(*second.graphics, 200); });
  draw(*first.graphics, 200);
  other.join();
  EXPECT_TRUE(snapshot() == before);
}

}  // namespace veltrax
