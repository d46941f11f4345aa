// The renderer as a host of any VST 2.4 plug-in, seen from a stub plug-in.

#include <gtest/gtest.h>

#include <sstream>

#include "RenderSupport.h"

namespace veltrax {

namespace {

// The stub's log of dispatcher calls as "opcode value" pairs, in order.
std::vector<std::pair<int, long>> DispatcherCalls(const std::string& log) {
  std::vector<std::pair<int, long>> calls;
  std::istringstream lines(log);
  std::string line;
  while (std::getline(lines, line)) {
    int opcode = 0;
    long value = 0;
    if (std::sscanf(line.c_str(), "stub: opcode %d value %ld", &opcode, &value) == 2)
      calls.emplace_back(opcode, value);
  }
  return calls;
}

}  // namespace

TEST(RenderHost, DrivesAnyPluginThroughTheHostLifecycle) {
  ScratchFolder scratch;
  WriteAudio(scratch.Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 48000, 2,
             TestSignal(1000, 2, 48000));
  RunResult run = RunRenderer(scratch, {"-q", "-b", "256", "--plugin", STUB_PLUGIN_PATH, "in.wav"});
  ASSERT_EQ(run.exitCode, 0) << run.err;

  AudioData in = ReadAudio(scratch.Path("in.wav"));
  AudioData out = ReadAudio(scratch.Path("in-out.wav"));
  ASSERT_EQ(in.samples.size(), out.samples.size());
  for (size_t i = 0; i < in.samples.size(); ++i) ASSERT_EQ(out.samples[i], in.samples[i] * 0.5) << i;

  // Open, rate, block size, layout, resume ... suspend, close; nothing after.
  std::vector<std::pair<int, long>> calls = DispatcherCalls(run.err);
  auto position = [&calls](int opcode, long value) {
    for (size_t i = 0; i < calls.size(); ++i)
      if (calls[i].first == opcode && (value < 0 || calls[i].second == value)) return static_cast<long>(i);
    return -1L;
  };
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.front().first, 0);               // effOpen first
  EXPECT_EQ(calls.back(), std::make_pair(1, 0L));  // effClose last
  const long open = 0, rate = position(10, 0), block = position(11, 256), layout = position(42, -1);
  const long resume = position(12, 1), suspend = position(12, 0), close = static_cast<long>(calls.size()) - 1;
  EXPECT_LT(open, rate);
  EXPECT_LT(rate, block);
  EXPECT_LT(block, layout);  // the speaker arrangement while suspended
  EXPECT_LT(layout, resume);
  EXPECT_LT(resume, suspend);
  EXPECT_LT(suspend, close);
}

TEST(RenderHost, MonoFileNeedsAMonoConfiguration) {
  ScratchFolder scratch;
  WriteAudio(scratch.Path("mono.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1,
             TestSignal(500, 1, 44100));
  RunResult run = RunRenderer(scratch, {"--plugin", STUB_PLUGIN_PATH, "mono.wav"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(Contains(run.err, "Stub has no mono (1 in, 1 out) configuration")) << run.err;
  EXPECT_EQ(scratch.Files(), (std::vector<std::string>{"mono.wav"}));
}

TEST(RenderHost, EffectRecordWithoutTheMagicNumberIsRefused) {
  ScratchFolder scratch;
  WriteAudio(scratch.Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2,
             TestSignal(500, 2, 44100));
  RunResult run = RunRenderer(scratch, {"--plugin", STUB_BROKEN_PLUGIN_PATH, "in.wav"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(Contains(run.err, "is not a VST 2.4 plug-in: its entry point returned no effect record"))
      << run.err;
  EXPECT_EQ(scratch.Files(), (std::vector<std::string>{"in.wav"}));
}

}  // namespace veltrax
