// What the renderer writes: the input's format kept, the plug-in's samples
// delivered unchanged, both precisions, state files, the demo.

#include <gtest/gtest.h>

#include <cstring>

#include "RenderSupport.h"

namespace veltrax {

namespace {

struct FormatCase {
  const char* name;
  int format;
  int sampleRate;
  int channels;
};

const FormatCase kFormats[] = {
    {"in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 48000, 1},
    {"in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 44100, 2},
    {"in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 2},
    {"in.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 96000, 2},
    {"in.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 44100, 1},
    {"in.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 22050, 1},
    {"in.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 44100, 2},
};

std::string Describe(const FormatCase& c) {
  return std::string(c.name) + " format 0x" + std::to_string(c.format) + " at " +
         std::to_string(c.sampleRate) + " Hz, " + std::to_string(c.channels) + " channel(s)";
}

}  // namespace

TEST(RenderFormats, OutputKeepsContainerEncodingRateChannelsAndLength) {
  for (const FormatCase& c : kFormats) {
    SCOPED_TRACE(Describe(c));
    ScratchFolder scratch;
    WriteAudio(scratch.Path(c.name), c.format, c.sampleRate, c.channels,
               TestSignal(3001, c.channels, c.sampleRate));
    RunResult run = RunRenderer(scratch, {"--quiet", c.name, "out" + std::string(std::strchr(c.name, '.'))});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    AudioData out = ReadAudio(scratch.Path("out" + std::string(std::strchr(c.name, '.'))));
    EXPECT_EQ(out.info.format, c.format);
    EXPECT_EQ(out.info.samplerate, c.sampleRate);
    EXPECT_EQ(out.info.channels, c.channels);
    EXPECT_EQ(out.info.frames, 3001);
  }
}

// Power off passes samples through bit for bit, so a render must give back
// every integer code: a wrong scale or rounding on reading or writing shows.
TEST(RenderFormats, BypassedPluginReproducesEveryCode) {
  for (const FormatCase& c : kFormats) {
    SCOPED_TRACE(Describe(c));
    ScratchFolder scratch;
    std::vector<double> signal = TestSignal(2000, c.channels, c.sampleRate, 0.99);
    WriteAudio(scratch.Path(c.name), c.format, c.sampleRate, c.channels, signal);
    RunResult run = RunRenderer(scratch, {"-q", "--set", "Power On/Off=off", c.name, "out" +
                                          std::string(std::strchr(c.name, '.'))});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    AudioData in = ReadAudio(scratch.Path(c.name));
    AudioData out = ReadAudio(scratch.Path("out" + std::string(std::strchr(c.name, '.'))));
    ASSERT_EQ(in.codes.size(), out.codes.size());
    EXPECT_TRUE(in.codes == out.codes);
    EXPECT_TRUE(in.samples == out.samples);
  }
}

// The renderer's output equals processReplacing on the same blocks: no
// channel swapped, no block lost or repeated, mono through one pin.
TEST(RenderOutput, EqualsThePluginDrivenDirectly) {
  const std::vector<std::pair<int, std::string>> settings = {{0, "40"}, {1, "170"}, {2, "3"}};
  for (int channels = 1; channels <= 2; ++channels) {
    SCOPED_TRACE(channels);
    ScratchFolder scratch;
    std::vector<double> signal = TestSignal(5000, channels, 44100, 0.9);
    WriteAudio(scratch.Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, channels, signal);
    RunResult run = RunRenderer(scratch, {"-q", "-b", "300", "--set", "Gain Left=40", "--set",
                                          "Gain Right=170", "--set", "Equalizer=3", "in.wav"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    AudioData out = ReadAudio(scratch.Path("in-out.wav"));
    std::vector<float> expected = ReferenceRender(signal, channels, 44100, 300, settings);
    ASSERT_EQ(out.samples.size(), expected.size());
    size_t mismatches = 0;
    for (size_t i = 0; i < expected.size(); ++i)
      if (out.samples[i] != static_cast<double>(expected[i])) ++mismatches;
    EXPECT_EQ(mismatches, 0u);
    EXPECT_FALSE(out.samples == signal);  // the plug-in did something
  }
}

// The single-precision path differs from the double one only by rounding
// the plug-in's output to float.
TEST(RenderOutput, SingleAndDoublePrecisionAgreeUpToFloatRounding) {
  ScratchFolder scratch;
  WriteAudio(scratch.Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_DOUBLE, 44100, 2,
             TestSignal(4000, 2, 44100, 0.95));
  RunResult single = RunRenderer(scratch, {"-q", "--set", "Headphones On/Off=on", "in.wav", "single.wav"});
  RunResult twice = RunRenderer(scratch, {"-q", "--double", "--set", "Headphones On/Off=on", "in.wav",
                                          "double.wav"});
  ASSERT_EQ(single.exitCode, 0) << single.err;
  ASSERT_EQ(twice.exitCode, 0) << twice.err;
  AudioData a = ReadAudio(scratch.Path("single.wav"));
  AudioData b = ReadAudio(scratch.Path("double.wav"));
  ASSERT_EQ(a.samples.size(), b.samples.size());
  size_t mismatches = 0, notFloat = 0;
  for (size_t i = 0; i < a.samples.size(); ++i) {
    if (a.samples[i] != static_cast<double>(static_cast<float>(b.samples[i]))) ++mismatches;
    if (b.samples[i] != static_cast<double>(static_cast<float>(b.samples[i]))) ++notFloat;
  }
  EXPECT_EQ(mismatches, 0u);
  EXPECT_GT(notFloat, a.samples.size() / 2);  // the double path kept its precision
}

TEST(RenderState, SavedStateLoadsBackToTheSameSound) {
  for (bool bank : {false, true}) {
    SCOPED_TRACE(bank ? "bank chunk" : "program chunk");
    ScratchFolder scratch;
    WriteAudio(scratch.Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 2,
               TestSignal(3000, 2, 44100));
    std::vector<std::string> kind = bank ? std::vector<std::string>{"--bank-state"}
                                         : std::vector<std::string>{};
    std::vector<std::string> first = {"-q", "--set", "Gain Left=150", "--set", "Equalizer=4",
                                      "--save-state", "tape.state", "in.wav", "a.wav"};
    first.insert(first.end(), kind.begin(), kind.end());
    RunResult saved = RunRenderer(scratch, first);
    ASSERT_EQ(saved.exitCode, 0) << saved.err;

    std::vector<uint8_t> state;
    {
      FILE* file = std::fopen(scratch.Path("tape.state").c_str(), "rb");
      ASSERT_NE(file, nullptr);
      uint8_t byte;
      while (std::fread(&byte, 1, 1, file) == 1) state.push_back(byte);
      std::fclose(file);
    }
    // Program: header and 8 doubles; bank: header, name "-", flag, 8 doubles.
    EXPECT_EQ(state.size(), bank ? 78u : 72u);
    ASSERT_GE(state.size(), 8u);
    EXPECT_EQ(std::vector<uint8_t>(state.begin(), state.begin() + 4),
              (std::vector<uint8_t>{0x74, 0x66, 0x66, 0x70}));

    std::vector<std::string> second = {"-q", "--load-state", "tape.state", "in.wav", "b.wav"};
    second.insert(second.end(), kind.begin(), kind.end());
    RunResult loaded = RunRenderer(scratch, second);
    ASSERT_EQ(loaded.exitCode, 0) << loaded.err;
    RunResult plain = RunRenderer(scratch, {"-q", "in.wav", "c.wav"});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_TRUE(ReadAudio(scratch.Path("a.wav")).samples == ReadAudio(scratch.Path("b.wav")).samples);
    EXPECT_FALSE(ReadAudio(scratch.Path("a.wav")).samples == ReadAudio(scratch.Path("c.wav")).samples);
  }
}

TEST(RenderDemo, WritesTheDemoInputAndItsRendering) {
  ScratchFolder scratch;
  RunResult named = RunRenderer(scratch, {"--demo", "a.wav", "b.wav"});
  ASSERT_EQ(named.exitCode, 0) << named.err;
  RunResult plain = RunRenderer(scratch, {"-q"});
  ASSERT_EQ(plain.exitCode, 0) << plain.err;
  EXPECT_EQ(scratch.Files(), (std::vector<std::string>{"a.wav", "b.wav", "demo-in.wav", "demo-out.wav"}));

  AudioData in = ReadAudio(scratch.Path("a.wav"));
  AudioData out = ReadAudio(scratch.Path("b.wav"));
  EXPECT_EQ(in.info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
  EXPECT_EQ(in.info.channels, 2);
  EXPECT_EQ(in.info.samplerate, 44100);
  EXPECT_GE(in.info.frames, 44100 * 3);
  EXPECT_EQ(out.info.frames, in.info.frames);
  EXPECT_TRUE(in.codes == ReadAudio(scratch.Path("demo-in.wav")).codes);  // the same every time
  EXPECT_FALSE(in.codes == out.codes);
  // The summary names the length, the speed and both levels.
  EXPECT_TRUE(Contains(named.out, "Length    6.000 s (264600 frames)")) << named.out;
  EXPECT_TRUE(Contains(named.out, "x real time")) << named.out;
  EXPECT_TRUE(Contains(named.out, "  input   -3.00 dBFS")) << named.out;
  EXPECT_TRUE(Contains(named.out, "  output  ")) << named.out;
}

}  // namespace veltrax
