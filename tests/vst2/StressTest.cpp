// Threads hammering one instance the way a host's threads do at once: audio
// blocks, parameter automation, state and texts, sample-rate and block-size
// changes with suspend and resume, and the editor's thread redrawing the
// panel and turning its knobs and switches. Bounded in time (a few seconds;
// VELTRAX_STRESS_SECONDS sets another), run under ThreadSanitizer in its lane.
// Checks: output always finite, every parameter within 0..1, every chunk the
// instance gives loads back, and no thread stalls (a deadlock fails the test
// instead of hanging it).

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "Controls.h"
#include "EffectVST.h"
#include "IGraphics.h"
#include "PluginHost.h"

extern "C" veltrax::AEffect* VSTPluginMain(veltrax::audioMasterCallback hostCallback);

namespace veltrax {

namespace {

// Answers only what the plug-in needs; safe from any thread.
intptr_t VST_CALLBACK QuietHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

class Stress {
 public:
  explicit Stress(const Instance& plug) : plug(plug) {}

  const Instance& plug;

  void Fail(const std::string& what) {
    std::lock_guard<std::mutex> guard(failuresLock);
    if (failures.size() < 20) failures.push_back(what);
  }
  std::vector<std::string> Failures() {
    std::lock_guard<std::mutex> guard(failuresLock);
    return failures;
  }

 private:
  std::mutex failuresLock;
  std::vector<std::string> failures;
};

// One thread of the stress: a step repeated until the time is up.
struct Role {
  const char* name;
  std::function<void(Stress&, std::mt19937&)> step;
};

void AudioStep(Stress& stress, std::mt19937& random) {
  constexpr int kFrames = 64;
  static thread_local int64_t position = 0;
  const bool useDouble = random() & 1;
  double inD[2][kFrames], outD[2][kFrames];
  float inF[2][kFrames], outF[2][kFrames];
  for (int i = 0; i < kFrames; ++i) {
    const double t = static_cast<double>(position + i);
    inD[0][i] = 0.9 * std::sin(0.031 * t) + ((position + i) % 97 == 0 ? 0.6 : 0.0);
    inD[1][i] = 0.7 * std::sin(0.17 * t);
    inF[0][i] = static_cast<float>(inD[0][i]);
    inF[1][i] = static_cast<float>(inD[1][i]);
  }
  position += kFrames;
  AEffect* effect = stress.plug.effect();
  if (useDouble) {
    double* in[2] = {inD[0], inD[1]};
    double* out[2] = {outD[0], outD[1]};
    effect->processDoubleReplacing(effect, in, out, kFrames);
    for (auto& channel : outD)
      for (double y : channel)
        if (!std::isfinite(y)) return stress.Fail("non-finite double output");
  } else {
    float* in[2] = {inF[0], inF[1]};
    float* out[2] = {outF[0], outF[1]};
    effect->processReplacing(effect, in, out, kFrames);
    for (auto& channel : outF)
      for (float y : channel)
        if (!std::isfinite(y)) return stress.Fail("non-finite float output");
  }
}

void HostStep(Stress& stress, std::mt19937& random) {
  const int count = stress.plug.effect()->numParams;
  std::uniform_real_distribution<float> value(-0.25f, 1.25f);
  stress.plug.Set(static_cast<int>(random() % count), value(random));
  const float read = stress.plug.Get(static_cast<int>(random() % count));
  if (!(read >= 0.0f && read <= 1.0f)) stress.Fail("parameter outside 0..1: " + std::to_string(read));
}

void DispatcherStep(Stress& stress, std::mt19937& random) {
  const bool bank = random() & 1;
  const std::vector<uint8_t> chunk = stress.plug.Chunk(bank);
  if (chunk.empty()) return stress.Fail("no chunk given");
  if (stress.plug.SetChunk(bank, chunk.data(), static_cast<intptr_t>(chunk.size())) != 1)
    stress.Fail(std::string("own ") + (bank ? "bank" : "program") + " chunk refused");
  const int index = static_cast<int>(random() % stress.plug.effect()->numParams);
  for (int32_t opcode : {effGetParamName, effGetParamDisplay, effGetParamLabel}) {
    char text[64];
    text[0] = '\0';
    stress.plug.Dispatch(opcode, index, 0, text);
    if (std::memchr(text, '\0', kVstExtMaxParamStrLen) == nullptr) stress.Fail("unterminated text");
  }
}

void RateStep(Stress& stress, std::mt19937& random) {
  // The usual rates, and two a host should never send.
  static const float kRates[] = {44100.0f, 48000.0f, 96000.0f, 8000.0f, 768000.0f, 70.0f, 0.0f};
  static const intptr_t kBlocks[] = {32, 64, 512, 4096};
  stress.plug.Dispatch(effMainsChanged, 0, 0);
  stress.plug.Dispatch(effSetSampleRate, 0, 0, nullptr, kRates[random() % 7]);
  stress.plug.Dispatch(effSetBlockSize, 0, kBlocks[random() % 4]);
  stress.plug.Dispatch(effMainsChanged, 0, 1);
}

// What a window's thread does: redraw what changed, and now and then a
// gesture (press, a few drag steps, release) on a knob or a switch, which
// takes PlugLock for each change. The window itself is left out: the panel
// is reached through the instance, as the window reaches it.
void EditorStep(Stress& stress, std::mt19937& random) {
  IGraphics* editor =
      dynamic_cast<IGraphics*>(static_cast<IEffectVST*>(stress.plug.effect()->object)->Plugin()->Editor());
  if (!editor) return stress.Fail("no editor");
  Rect dirty{};
  if (editor->CollectDirty(dirty)) editor->Redraw(dirty);
  if (random() % 4 != 0) return;
  // Record levels, equaliser, power and headphones, at their centres.
  static const int kTargets[][2] = {{127, 77}, {312, 77}, {217, 77}, {650, 100}, {650, 50}};
  const int* target = kTargets[random() % 5];
  MouseModifiers press;
  press.left = true;
  press.shift = random() & 1;
  editor->HandleMouseDown(target[0], target[1], press);
  for (int step = 1; step <= 4; ++step) {
    editor->HandleMouseDrag(target[0], target[1] - static_cast<int>(random() % 40) + 20, press);
  }
  editor->HandleMouseUp(target[0], target[1], MouseModifiers{});
  for (int i = 0; i < editor->ControlCount(); ++i) {
    const double value = editor->GetControl(i)->Value();
    if (!(value >= 0.0 && value <= 1.0)) stress.Fail("control value outside 0..1");
  }
}

const std::vector<Role>& Roles() {
  static const std::vector<Role> roles = {
      {"audio", AudioStep},
      {"host", HostStep},
      {"dispatcher", DispatcherStep},
      {"rate", RateStep},
      {"editor", EditorStep},
  };
  return roles;
}

double StressSeconds() {
  const char* text = std::getenv("VELTRAX_STRESS_SECONDS");
  const double seconds = text ? std::atof(text) : 0.0;
  return seconds > 0.0 ? seconds : 3.0;
}

}  // namespace

TEST(Stress, ThreadsOnOneInstance) {
  using Clock = std::chrono::steady_clock;
  Instance plug(&VSTPluginMain, &QuietHost);
  ASSERT_TRUE(plug);
  plug.Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
  plug.Dispatch(effSetBlockSize, 0, 512);
  plug.Dispatch(effMainsChanged, 0, 1);

  Stress stress(plug);
  const std::vector<Role>& roles = Roles();
  std::atomic<bool> stop{false};
  std::vector<std::atomic<int64_t>> steps(roles.size());
  std::vector<std::thread> threads;
  for (size_t r = 0; r < roles.size(); ++r) {
    steps[r] = 0;
    threads.emplace_back([&, r] {
      std::mt19937 random(static_cast<uint32_t>(1234 + r));
      while (!stop.load(std::memory_order_relaxed)) {
        roles[r].step(stress, random);
        steps[r].fetch_add(1, std::memory_order_relaxed);
      }
    });
  }

  // Watch that every thread keeps moving; one that stands still for this
  // long is waiting on a lock it will never get.
  const auto stallLimit = std::chrono::seconds(20);
  const Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                    std::chrono::duration<double>(StressSeconds()));
  std::vector<int64_t> seen(roles.size(), -1);
  std::vector<Clock::time_point> moved(roles.size(), Clock::now());
  for (;;) {
    const Clock::time_point now = Clock::now();
    bool allStarted = true;
    for (size_t r = 0; r < roles.size(); ++r) {
      const int64_t count = steps[r].load(std::memory_order_relaxed);
      if (count != seen[r]) {
        seen[r] = count;
        moved[r] = now;
      } else if (now - moved[r] > stallLimit) {
        std::fprintf(stderr, "stress: the %s thread has not moved for %lld s: deadlock\n", roles[r].name,
                     static_cast<long long>(stallLimit.count()));
        std::abort();
      }
      allStarted = allStarted && count > 0;
    }
    if (now >= end && allStarted) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  stop = true;
  for (std::thread& thread : threads) thread.join();

  for (size_t r = 0; r < roles.size(); ++r) {
    std::printf("stress: %-10s %lld steps\n", roles[r].name, static_cast<long long>(steps[r].load()));
    EXPECT_GT(steps[r].load(), 0) << roles[r].name;
  }
  for (const std::string& failure : stress.Failures()) ADD_FAILURE() << failure;
}

}  // namespace veltrax
