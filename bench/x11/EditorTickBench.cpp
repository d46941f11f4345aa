// The editor thread's CPU time per timer tick, read from the scheduler's
// statistics while the window is open on a real X server: with nothing
// moving, with the meters and lamp moving as under audio, and with the whole
// panel redrawn every tick. Each iteration watches the window for one second
// (25 ticks).

#include <benchmark/benchmark.h>
#include <dirent.h>
#include <xcb/xcb.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "IGraphics.h"
#include "Veltrax.h"

namespace {

using veltrax::IGraphics;


// Nanoseconds the thread named veltrax-editor has run so far; -1 without one.
long long EditorThreadNanoseconds() {
  long long ns = -1;
  DIR* tasks = opendir("/proc/self/task");
  if (tasks == nullptr) return ns;
  while (dirent* task = readdir(tasks)) {
    char path[300];
    char name[32] = "";
    std::snprintf(path, sizeof path, "/proc/self/task/%s/comm", task->d_name);
    if (std::FILE* comm = std::fopen(path, "r")) {
      if (std::fgets(name, sizeof name, comm) == nullptr) name[0] = '\0';
      std::fclose(comm);
    }
    if (std::strcmp(name, "veltrax-editor\n") != 0) continue;
    std::snprintf(path, sizeof path, "/proc/self/task/%s/schedstat", task->d_name);
    if (std::FILE* stat = std::fopen(path, "r")) {
      if (std::fscanf(stat, "%lld", &ns) != 1) ns = -1;
      std::fclose(stat);
    }
  }
  closedir(tasks);
  return ns;
}

enum Load { kStill, kMeters, kWholePanel };

void EditorTick(benchmark::State& state, Load load) {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c)) {
    state.SkipWithError("no X display (run under xvfb-run)");
    xcb_disconnect(c);
    return;
  }
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const xcb_window_t top = xcb_generate_id(c);
  const uint32_t overrideRedirect = 1;
  xcb_create_window(c, XCB_COPY_FROM_PARENT, top, screen->root, 0, 0, 700, 160, 0,
                    XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT,
                    &overrideRedirect);
  xcb_map_window(c, top);
  std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));

  veltrax::Veltrax plug;
  auto* graphics = static_cast<IGraphics*>(plug.Editor());
  graphics->OpenWindow(reinterpret_cast<void*>(static_cast<uintptr_t>(top)), nullptr);
  std::atomic<bool> stop{false};
  // What the audio thread does after every block, a block a millisecond.
  std::thread feeder([&] {
    for (int i = 0; !stop.load(); ++i) {
      if (load == kMeters) {
        graphics->SetValueFromPlug(5, (i % 50) / 49.0);
        graphics->SetValueFromPlug(6, ((i + 25) % 50) / 49.0);
        graphics->SetValueFromPlug(7, (i / 100) % 2);
      } else if (load == kWholePanel) {
        graphics->MarkAllDirty();
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the first paint
  long long total = 0;
  for (auto _ : state) {
    const long long before = EditorThreadNanoseconds();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    total += EditorThreadNanoseconds() - before;
    state.SetIterationTime(1.0);
  }
  stop.store(true);
  feeder.join();
  graphics->CloseWindow();
  state.counters["cpu_us_per_tick"] =
      static_cast<double>(total) / 1000.0 / (25.0 * static_cast<double>(state.iterations()));
  xcb_destroy_window(c, top);
  std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  xcb_disconnect(c);
}

BENCHMARK_CAPTURE(EditorTick, Still, kStill)->Iterations(3)->UseManualTime();
BENCHMARK_CAPTURE(EditorTick, MetersMoving, kMeters)->Iterations(3)->UseManualTime();
BENCHMARK_CAPTURE(EditorTick, WholePanel, kWholePanel)->Iterations(3)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
