// The VST3 view of the bundle's DLL in a host window under a real window
// system: it shows the panel the effect draws offscreen, follows the host,
// and a click reaches the component handler on the thread that attached it.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "EffectVST.h"
#include "IGraphics.h"
#include "Vst3Host.h"
#include "WindowDriver.h"

namespace veltrax::vst3 {
namespace {

using namespace wintest;

constexpr int kWidth = 700;
constexpr int kHeight = 160;

// The panel for the controller's values, drawn without a window by the
// effect linked into this program.
std::vector<uint32_t> OffscreenPanel(IEditController* controller) {
  IEffectVST* reference = CreateVstInstance(nullptr);
  AEffect* record = reference->Effect();
  for (ParamID id : {0u, 1u, 2u, 3u, 7u})
    record->setParameter(record, static_cast<int32_t>(id), static_cast<float>(controller->getParamNormalized(id)));
  auto* graphics = dynamic_cast<IGraphics*>(reference->Plugin()->Editor());
  graphics->MarkAllDirty();
  graphics->Redraw(Rect{0, 0, kWidth, kHeight});
  std::vector<uint32_t> pixels;
  for (int y = 0; y < kHeight; ++y) {
    const Pixel* row = graphics->Surface()->Row(y);
    for (int x = 0; x < kWidth; ++x) pixels.push_back(row[x] & 0xFFFFFF);
  }
  delete reference;
  return pixels;
}

TEST(Vst3View, ShowsThePanelFollowsTheHostAndClicksReachTheHandlerOnItsThread) {
  Plugin plug;
  ASSERT_TRUE(plug) << Module().error;
  RecordingHandler handler;
  plug.controller->setComponentHandler(&handler);
  // Kept for the process: without a window manager a destroyed top-level
  // window leaves the window system waiting.
  static HWND host = CreateHostWindow(40, 40, 760, 220);
  SetForegroundWindow(host);
  IEditorView* view = plug.controller->createView("editor");
  ASSERT_NE(view, nullptr);
  ASSERT_EQ(view->attached(host, kPlatformTypeHWND), kResultOk);
  HWND editor = FindWindowExA(host, nullptr, "IEffectWndClass", nullptr);
  ASSERT_NE(editor, nullptr);
  const auto shows = [&](const std::vector<uint32_t>& panel) {
    return PumpUntil([&] { return ReadWindowPixels(editor, kWidth, kHeight) == panel; });
  };
  const std::vector<uint32_t> initial = OffscreenPanel(plug.controller);
  EXPECT_TRUE(shows(initial));

  Click(editor, 650, 100);  // the power switch
  ASSERT_TRUE(PumpUntil([&] { return handler.Kinds().find('E') != std::string::npos; }));
  EXPECT_EQ(handler.Kinds(), "BPE");
  for (const Edit& edit : handler.Edits()) {
    EXPECT_EQ(edit.id, 3u);
    EXPECT_EQ(edit.thread, std::this_thread::get_id());
  }
  EXPECT_EQ(handler.Edits()[1].value, 0.0);

  ASSERT_EQ(plug.controller->setParamNormalized(0, 0.25), kResultOk);
  const std::vector<uint32_t> moved = OffscreenPanel(plug.controller);
  ASSERT_NE(moved, initial);
  EXPECT_TRUE(shows(moved));

  EXPECT_EQ(view->removed(), kResultOk);
  EXPECT_EQ(FindWindowExA(host, nullptr, "IEffectWndClass", nullptr), nullptr);
  EXPECT_EQ(view->release(), 0u);
  PumpPending();
}

}  // namespace
}  // namespace veltrax::vst3
