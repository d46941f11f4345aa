// Options that pick what to render and how: parameter names, derived output
// names, the listing.

#include <gtest/gtest.h>

#include "RenderSupport.h"

namespace veltrax {

TEST(RenderOptions, ParameterByExactNameAnyCaseOrIndexGivesTheSameRender) {
  ScratchFolder scratch;
  WriteAudio(scratch.Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 2,
             TestSignal(2000, 2, 44100));
  RunResult exact = RunRenderer(scratch, {"--set", "Gain Right=55.5", "in.wav", "a.wav"});
  RunResult anyCase = RunRenderer(scratch, {"-q", "--set=gain RIGHT=55.5", "in.wav", "b.wav"});
  RunResult index = RunRenderer(scratch, {"-q", "-s", "1=55.5", "in.wav", "c.wav"});
  RunResult plain = RunRenderer(scratch, {"-q", "in.wav", "d.wav"});
  for (const RunResult* run : {&exact, &anyCase, &index, &plain}) ASSERT_EQ(run->exitCode, 0) << run->err;
  EXPECT_TRUE(Contains(exact.out, "Set       Gain Right = 55.50 %")) << exact.out;
  std::vector<double> a = ReadAudio(scratch.Path("a.wav")).samples;
  EXPECT_TRUE(a == ReadAudio(scratch.Path("b.wav")).samples);
  EXPECT_TRUE(a == ReadAudio(scratch.Path("c.wav")).samples);
  EXPECT_FALSE(a == ReadAudio(scratch.Path("d.wav")).samples);
}

TEST(RenderOptions, LaterSettingsWinAndApplyAfterTheLoadedState) {
  ScratchFolder scratch;
  WriteAudio(scratch.Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 1,
             TestSignal(2000, 1, 44100));
  ASSERT_EQ(RunRenderer(scratch, {"-q", "--set", "Equalizer=5", "--save-state", "eq5.state", "in.wav",
                                  "a.wav"}).exitCode, 0);
  RunResult run = RunRenderer(scratch, {"--load-state", "eq5.state", "--set", "Equalizer=4", "--set",
                                        "Equalizer=2", "in.wav", "b.wav"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(Contains(run.out, "Set       Equalizer = 2")) << run.out;
  ASSERT_EQ(RunRenderer(scratch, {"-q", "--set", "Equalizer=2", "in.wav", "c.wav"}).exitCode, 0);
  EXPECT_TRUE(ReadAudio(scratch.Path("b.wav")).samples == ReadAudio(scratch.Path("c.wav")).samples);
}

TEST(RenderOptions, OutputNameDerivedFromTheInput) {
  ScratchFolder scratch;
  WriteAudio(scratch.Path("take-in.aiff"), SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 44100, 1,
             TestSignal(500, 1, 44100));
  WriteAudio(scratch.Path("loop.flac"), SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 1,
             TestSignal(500, 1, 44100));
  ASSERT_EQ(RunRenderer(scratch, {"-q", "take-in.aiff"}).exitCode, 0);
  ASSERT_EQ(RunRenderer(scratch, {"-q", "loop.flac"}).exitCode, 0);
  EXPECT_EQ(scratch.Files(),
            (std::vector<std::string>{"loop-out.flac", "loop.flac", "take-in.aiff", "take-out.aiff"}));
}

TEST(RenderOptions, ListShowsIdentityParametersProgramsAndConfigurations) {
  ScratchFolder scratch;
  RunResult run = RunRenderer(scratch, {"--list", "--set", "Equalizer=4"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  for (const char* line : {"Effect         Veltrax", "Vendor         Quillmarsh", "Version        1.0.0",
                           "Unique ID      Vltx (0x566C7478)", "  1 in, 1 out  mono files",
                           "  2 in, 2 out  stereo files", "    0  Gain Left                100.00           %",
                           "    2  Equalizer                4", "    3  Power On/Off             on",
                           "Programs       1", "    0  -"})
    EXPECT_TRUE(Contains(run.out, line)) << line << "\n" << run.out;
  EXPECT_TRUE(scratch.Files().empty());
}

}  // namespace veltrax
