// Veltrax.clap's audio against the VST 2 binary of the same platform: bit
// for bit for random settings and block sizes in both precisions and in
// mono, parameter events taking effect at their frame, and sleep on silence.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "ClapTestHost.h"
#include "PluginHost.h"

namespace veltrax {
namespace {

constexpr clap_id kHostIds[] = {0, 1, 2, 3, 7};

// A setting both formats can express exactly: a float position for VST 2,
// the CLAP value that means the same.
struct Setting {
  clap_id id;
  float position;
  double ClapValue() const { return id == 2 ? 1.0 + 4.0 * position : position; }
};

Setting RandomSetting(std::mt19937& random) {
  const clap_id id = kHostIds[random() % 5];
  float position;
  if (id == 2) {
    position = static_cast<float>(random() % 5) / 4.0f;
  } else if (id == 3 || id == 7) {
    position = static_cast<float>(random() % 2);
  } else {
    position = std::uniform_real_distribution<float>(0.0f, 1.0f)(random);
  }
  return Setting{id, position};
}

// The two formats side by side, opened and switched on the same way.
class Pair {
 public:
  Pair(ClapTestHost& host, uint32_t maxFrames, bool mono = false) : clap(host), vst2() {
    if (mono) {
      const auto* configs = clap.Ext<clap_plugin_audio_ports_config>(CLAP_EXT_AUDIO_PORTS_CONFIG);
      configs->select(clap.plugin, 1);
      VstSpeakerArrangement one{};
      one.type = kSpeakerArrMono;
      one.numChannels = 1;
      vst2.Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&one), &one);
    }
    clap.Start(44100.0, maxFrames);
    vst2.Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    vst2.Dispatch(effSetBlockSize, 0, maxFrames);
    vst2.Dispatch(effMainsChanged, 0, 1);
  }
  ClapInstance clap;
  Instance vst2;
};

template <class Sample>
struct Block {
  Block(int channels, int frames, int seed) {
    for (int c = 0; c < channels; ++c) {
      const std::vector<double> signal = TestSignal(frames + seed, c);
      in.emplace_back(signal.begin() + seed, signal.end());
      clapOut.emplace_back(frames, Sample{7});
      vstOut.emplace_back(frames, Sample{7});
    }
    for (int c = 0; c < channels; ++c) {
      inPointers.push_back(in[c].data());
      clapPointers.push_back(clapOut[c].data());
      vstPointers.push_back(vstOut[c].data());
    }
  }
  std::vector<std::vector<Sample>> in, clapOut, vstOut;
  std::vector<Sample*> inPointers, clapPointers, vstPointers;
};

void Vst2Process(const Instance& vst2, float** in, float** out, int frames) {
  vst2.effect()->processReplacing(vst2.effect(), in, out, frames);
}
void Vst2Process(const Instance& vst2, double** in, double** out, int frames) {
  vst2.effect()->processDoubleReplacing(vst2.effect(), in, out, frames);
}

// Runs blocks of random sizes with settings changed between them (on the
// CLAP side as an event at frame 0) and compares every output bit.
template <class Sample>
void CompareRandomRuns(bool mono) {
  const int channels = mono ? 1 : 2;
  std::mt19937 random(mono ? 11 : (sizeof(Sample) == 8 ? 29 : 47));
  for (int run = 0; run < 4; ++run) {
    ClapTestHost host;
    const uint32_t maxFrames = 1u << (5 + random() % 6);
    Pair pair(host, maxFrames, mono);
    ASSERT_TRUE(pair.clap);
    for (int b = 0; b < 12; ++b) {
      EventsIn events;
      for (int n = static_cast<int>(random() % 3); n > 0; --n) {
        const Setting s = RandomSetting(random);
        events.Add(0, s.id, s.ClapValue());
        pair.vst2.Set(static_cast<int>(s.id), s.position);
      }
      const int frames = 1 + static_cast<int>(random() % maxFrames);
      Block<Sample> block(channels, frames, b * 37 + run);
      pair.clap.Process(block.inPointers.data(), block.clapPointers.data(), channels, frames, &events);
      Vst2Process(pair.vst2, block.inPointers.data(), block.vstPointers.data(), frames);
      for (int c = 0; c < channels; ++c) {
        ASSERT_NE(block.clapOut[c][0], Sample{7}) << "not processed";
        ASSERT_EQ(std::memcmp(block.clapOut[c].data(), block.vstOut[c].data(), frames * sizeof(Sample)), 0)
            << "run " << run << " block " << b << " channel " << c;
      }
    }
  }
}

TEST(ClapAudio, BitIdenticalToVst2InBothPrecisions) {
  ASSERT_NE(ClapLibrary().factory, nullptr) << ClapLibrary().error;
  ASSERT_NE(Library().pluginMain, nullptr) << Library().error;
  CompareRandomRuns<float>(false);
  CompareRandomRuns<double>(false);
  CompareRandomRuns<float>(true);
}

// An event at frame k: what VST 2 gives for k frames, setParameter, the rest.
TEST(ClapAudio, EventsTakeEffectAtTheirFrame) {
  constexpr int kFrames = 256;
  for (const uint32_t k : {0u, 1u, 31u, 32u, 200u, 255u}) {
    ClapTestHost host;
    Pair pair(host, kFrames);
    Block<float> block(2, kFrames, static_cast<int>(k));
    EventsIn events;
    events.Add(k, 0, static_cast<double>(0.95f));  // what VST 2's float position means
    events.Add(k, 2, 5.0);
    pair.clap.Process(block.inPointers.data(), block.clapPointers.data(), 2, kFrames, &events);
    float* in[2] = {block.inPointers[0], block.inPointers[1]};
    float* out[2] = {block.vstPointers[0], block.vstPointers[1]};
    if (k > 0) Vst2Process(pair.vst2, in, out, static_cast<int>(k));
    pair.vst2.Set(0, 0.95f);
    pair.vst2.Set(2, 1.0f);
    float* inRest[2] = {in[0] + k, in[1] + k};
    float* outRest[2] = {out[0] + k, out[1] + k};
    Vst2Process(pair.vst2, inRest, outRest, kFrames - static_cast<int>(k));
    for (int c = 0; c < 2; ++c) {
      ASSERT_EQ(std::memcmp(block.clapOut[c].data(), block.vstOut[c].data(), kFrames * sizeof(float)), 0)
          << "offset " << k << " channel " << c;
    }
  }
}

// Silence into filters at rest lets the host stop calling; sound does not.
TEST(ClapAudio, SilenceAtRestMaySleep) {
  ClapTestHost host;
  ClapInstance plug(host);
  ASSERT_TRUE(plug.Start(44100.0, 512));
  std::vector<float> zeros(512, 0.0f), out(512);
  float* in[2] = {zeros.data(), zeros.data()};
  float* outs[2] = {out.data(), out.data()};
  // The meters start full and fall by a step each block.
  clap_process_status status = CLAP_PROCESS_CONTINUE;
  for (int b = 0; b < 60 && status != CLAP_PROCESS_SLEEP; ++b) status = plug.Process(in, outs, 2, 512, nullptr, nullptr, 3);
  EXPECT_EQ(status, CLAP_PROCESS_SLEEP);
  std::vector<float> tone(512, 0.5f);
  float* loud[2] = {tone.data(), tone.data()};
  EXPECT_EQ(plug.Process(loud, outs, 2, 512), CLAP_PROCESS_CONTINUE);
  EXPECT_EQ(plug.Process(in, outs, 2, 512, nullptr, nullptr, 3), CLAP_PROCESS_CONTINUE);
}

}  // namespace
}  // namespace veltrax
