// The VST3 plug-in against the VST 2 plug-in of the same build: the same
// settings, blocks and parameter changes give the same bits, in both
// precisions and both arrangements; states are VST 2 bank chunks both ways.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <type_traits>
#include <vector>

#include "PluginHost.h"
#include "Vst3Host.h"

namespace veltrax::vst3 {
namespace {

const ParamID kIds[] = {0, 1, 2, 3, 7};

struct Point {
  int32_t offset;
  ParamID id;
  float value;
};

// Runs one block through both plug-ins: VST3 with the points in its queues,
// VST 2 split at each point's offset around setParameter.
template <class Sample>
void RunBoth(Plugin& plug, const veltrax::Instance& vst2, std::vector<Sample> (&in)[2],
             std::vector<Sample> (&out3)[2], std::vector<Sample> (&out2)[2], int channels,
             int32_t start, int32_t frames, std::vector<Point> points) {
  const int32_t size = std::is_same<Sample, double>::value ? kSample64 : kSample32;
  ParameterChanges changes;
  for (const Point& p : points) changes.For(p.id).points.emplace_back(p.offset, p.value);
  void* in3[2] = {in[0].data() + start, in[1].data() + start};
  void* o3[2] = {out3[0].data() + start, out3[1].data() + start};
  ASSERT_EQ(plug.Process(in3, o3, channels, frames, size, &changes), kResultOk);

  std::stable_sort(points.begin(), points.end(),
                   [](const Point& a, const Point& b) { return a.offset < b.offset; });
  int32_t done = 0;
  size_t next = 0;
  AEffect* effect = vst2.effect();
  while (done < frames || next < points.size()) {
    const int32_t until = next < points.size() ? points[next].offset : frames;
    if (until > done) {
      Sample* i2[2] = {in[0].data() + start + done, in[1].data() + start + done};
      Sample* o2[2] = {out2[0].data() + start + done, out2[1].data() + start + done};
      if constexpr (std::is_same<Sample, double>::value)
        effect->processDoubleReplacing(effect, i2, o2, until - done);
      else
        effect->processReplacing(effect, i2, o2, until - done);
      done = until;
    }
    for (; next < points.size() && points[next].offset <= done; ++next)
      vst2.Set(static_cast<int>(points[next].id), points[next].value);
  }
}

template <class Sample>
void CompareRandomRuns(int32_t sampleSize) {
  std::mt19937 random(1234 + sampleSize);
  const double rates[] = {44100.0, 48000.0, 96000.0};
  for (int round = 0; round < 12; ++round) {
    const bool mono = round % 4 == 3;
    const int channels = mono ? 1 : 2;
    const double rate = rates[random() % 3];
    const int32_t maxBlock = 1 + static_cast<int32_t>(random() % 1024);
    SCOPED_TRACE("round " + std::to_string(round) + " block " + std::to_string(maxBlock));

    veltrax::Instance vst2;
    Plugin plug;
    ASSERT_TRUE(vst2 && plug);
    vst2.Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
    vst2.Dispatch(effSetBlockSize, 0, maxBlock);
    if (mono) {
      VstSpeakerArrangement arrangement{};
      arrangement.type = kSpeakerArrMono;
      arrangement.numChannels = 1;
      vst2.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&arrangement), &arrangement);
    }
    vst2.Dispatch(effMainsChanged, 0, 1);
    plug.Start(rate, maxBlock, sampleSize, mono);

    const int32_t total = 6000;
    std::vector<Sample> in[2], out3[2], out2[2];
    for (int c = 0; c < 2; ++c) {
      const std::vector<double> signal = veltrax::TestSignal(total, c);
      in[c].assign(signal.begin(), signal.end());
      out3[c].assign(total, Sample(0));
      out2[c].assign(total, Sample(0));
    }
    auto value = [&] { return std::uniform_real_distribution<float>(0.0f, 1.0f)(random); };
    std::vector<Point> settings;  // the random settings, at the very start
    for (ParamID id : kIds) settings.push_back({0, id, value()});
    for (int32_t start = 0; start < total;) {
      const int32_t frames = std::min<int32_t>(total - start, 1 + static_cast<int32_t>(random() % maxBlock));
      std::vector<Point> points = start == 0 ? settings : std::vector<Point>{};
      for (int n = static_cast<int>(random() % 4); n > 0; --n)
        points.push_back({static_cast<int32_t>(random() % frames), kIds[random() % 5], value()});
      // A queue's points come in offset order.
      std::stable_sort(points.begin(), points.end(),
                       [](const Point& a, const Point& b) { return a.offset < b.offset; });
      RunBoth(plug, vst2, in, out3, out2, channels, start, frames, points);
      start += frames;
    }
    for (int c = 0; c < channels; ++c)
      ASSERT_EQ(0, std::memcmp(out3[c].data(), out2[c].data(), total * sizeof(Sample))) << "channel " << c;
    ASSERT_EQ(plug.State(), vst2.Chunk(true));
  }
}

TEST(Audio, BitIdenticalToTheVst2PluginIn32Bits) { CompareRandomRuns<float>(kSample32); }
TEST(Audio, BitIdenticalToTheVst2PluginIn64Bits) { CompareRandomRuns<double>(kSample64); }

// Several points of one queue each take effect at their own frame: applied
// at the block's start instead, the output differs.
TEST(Audio, EveryPointOfAQueueLandsOnItsFrame) {
  Plugin exact, early;
  ASSERT_TRUE(exact && early);
  exact.Start(44100.0, 256, kSample64);
  early.Start(44100.0, 256, kSample64);
  std::vector<double> in = veltrax::TestSignal(256, 0), a(256), b(256), right(256);
  void* inputs[2] = {in.data(), in.data()};
  void* outA[2] = {a.data(), right.data()};
  void* outB[2] = {b.data(), right.data()};
  ParameterChanges atOffsets, atStart;
  atOffsets.For(0).points = {{10, 0.2}, {100, 0.9}, {200, 0.4}};
  atStart.For(0).points = {{0, 0.2}, {0, 0.9}, {0, 0.4}};
  ASSERT_EQ(exact.Process(inputs, outA, 2, 256, kSample64, &atOffsets), kResultOk);
  ASSERT_EQ(early.Process(inputs, outB, 2, 256, kSample64, &atStart), kResultOk);
  EXPECT_NE(a, b);
  EXPECT_EQ(exact.State(), early.State());  // the same last value
}

// A block of no frames only brings parameter changes; buffers stay untouched.
TEST(Audio, ACallWithoutFramesAppliesItsChanges) {
  Plugin plug;
  ASSERT_TRUE(plug);
  plug.Start(44100.0, 64, kSample32);
  float untouched[4] = {7.0f, 7.0f, 7.0f, 7.0f};
  void* channels[2] = {untouched, untouched};
  ParameterChanges changes;
  changes.For(3).points = {{0, 0.0}};
  changes.For(99).points = {{0, 1.0}};  // no such parameter: ignored
  ASSERT_EQ(plug.Process(channels, channels, 2, 0, kSample32, &changes), kResultOk);
  EXPECT_EQ(untouched[0], 7.0f);
  veltrax::Instance vst2;
  vst2.Set(3, 0.0f);
  EXPECT_EQ(plug.State(), vst2.Chunk(true));
}

TEST(State, IsTheVst2BankChunkBothWays) {
  veltrax::Instance vst2, back;
  Plugin plug, other;
  ASSERT_TRUE(vst2 && back && plug && other);
  const float values[] = {0.3f, 0.8f, 0.75f, 0.0f, 1.0f};
  for (int i = 0; i < 5; ++i) vst2.Set(static_cast<int>(kIds[i]), values[i]);
  const std::vector<uint8_t> chunk = vst2.Chunk(true);
  ASSERT_EQ(plug.SetState(chunk), kResultOk);
  EXPECT_EQ(plug.State(), chunk);
  for (ParamID id : kIds)
    EXPECT_EQ(static_cast<float>(plug.controller->getParamNormalized(id)), vst2.Get(static_cast<int>(id)));

  const std::vector<uint8_t> state = plug.State();
  ASSERT_EQ(back.SetChunk(true, state.data(), static_cast<intptr_t>(state.size())), 1);
  EXPECT_EQ(back.Chunk(true), chunk);
  // As a host restores a project: the component, then the controller.
  MemoryStream stream(state), again(state);
  ASSERT_EQ(other.component->setState(&stream), kResultOk);
  ASSERT_EQ(other.controller->setComponentState(&again), kResultOk);
  EXPECT_EQ(other.State(), chunk);
  for (ParamID id : kIds)
    EXPECT_EQ(static_cast<float>(other.controller->getParamNormalized(id)), vst2.Get(static_cast<int>(id)));
  MemoryStream controllerState;
  EXPECT_EQ(other.controller->getState(&controllerState), kResultOk);
  EXPECT_TRUE(controllerState.data.empty());
}

// A stream that fails to read, is cut anywhere or exceeds 1 MiB gets
// kResultFalse and leaves every value as it was.
TEST(State, CutFailingOrOversizedStreamsChangeNothing) {
  veltrax::Instance vst2;
  Plugin plug;
  ASSERT_TRUE(vst2 && plug);
  vst2.Set(0, 0.1f);
  vst2.Set(2, 1.0f);
  const std::vector<uint8_t> chunk = vst2.Chunk(true);
  const std::vector<uint8_t> before = plug.State();
  for (size_t cut = 0; cut < chunk.size(); ++cut) {
    ASSERT_EQ(plug.SetState(std::vector<uint8_t>(chunk.begin(), chunk.begin() + cut)), kResultFalse) << cut;
    ASSERT_EQ(plug.State(), before) << cut;
  }
  std::vector<uint8_t> huge = chunk;
  huge.resize((1u << 20) + 1, 0);
  EXPECT_EQ(plug.SetState(huge), kResultFalse);

  struct FailingStream : MemoryStream {
    tresult VST3_CALL read(void*, int32_t, int32_t* got) override {
      if (got != nullptr) *got = -5;
      return kInternalError;
    }
  } failing;
  EXPECT_EQ(plug.component->setState(&failing), kResultFalse);
  EXPECT_EQ(plug.State(), before);
  EXPECT_EQ(failing.references, 1u);
}

}  // namespace
}  // namespace veltrax::vst3
