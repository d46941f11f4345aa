// The files both tools write: names as long as the file system allows, and
// never over the tool's own input.

#include <unistd.h>

#include <gtest/gtest.h>

#include "RenderSupport.h"

namespace veltrax {

TEST(ToolFiles, OutputNamesUpToTheFileSystemLimit) {
  ScratchFolder scratch;
  WriteAudio(scratch.Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2,
             TestSignal(2000, 2, 44100));
  const long limit = pathconf(scratch.Folder().c_str(), _PC_NAME_MAX);
  ASSERT_GT(limit, 8);
  const std::string longest = std::string(limit - 4, 'a');
  ASSERT_EQ(RunRenderer(scratch, {"-q", "in.wav", longest + ".wav"}).exitCode, 0);
  RunResult picture = RunTool(VELTRAX_SNAPSHOT_PATH, scratch, {longest + ".png"});
  ASSERT_EQ(picture.exitCode, 0) << picture.err;
  const std::vector<std::string> written = {longest + ".png", longest + ".wav", "in.wav"};
  EXPECT_EQ(scratch.Files(), written);

  const std::string tooLong = longest + "a";
  const std::string message =
      "bytes long; the file system there allows at most " + std::to_string(limit) + " bytes per name";
  for (const RunResult& run :
       {RunRenderer(scratch, {"-q", "in.wav", tooLong + ".wav"}),
        RunRenderer(scratch, {"-q", "--save-state", tooLong + ".state", "in.wav", "out.wav"}),
        RunTool(VELTRAX_SNAPSHOT_PATH, scratch, {tooLong + ".png"})}) {
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_TRUE(Contains(run.err, message)) << run.err;
  }
  EXPECT_EQ(scratch.Files(), written);
}

TEST(ToolFiles, NoToolWritesOverItsInput) {
  ScratchFolder scratch;
  WriteAudio(scratch.Path("take.png"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2,
             TestSignal(2000, 2, 44100));
  const std::vector<double> audio = ReadAudio(scratch.Path("take.png")).samples;
  ASSERT_EQ(symlink("take.png", scratch.Path("soft.png").c_str()), 0);
  ASSERT_EQ(link(scratch.Path("take.png").c_str(), scratch.Path("hard.png").c_str()), 0);
  for (const char* output : {"take.png", "./take.png", "soft.png", "hard.png"}) {
    RunResult run = RunTool(VELTRAX_SNAPSHOT_PATH, scratch, {"--input", "take.png", output});
    EXPECT_EQ(run.exitCode, 1) << output;
    EXPECT_TRUE(Contains(run.err, "is the input file; name another output")) << run.err;
  }
  // The renderer's state file is an input too.
  RunResult run = RunRenderer(scratch, {"-q", "--demo", "--load-state", "take.png", "d.wav", "soft.png"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(Contains(run.err, "is the state file take.png loaded with --load-state")) << run.err;
  EXPECT_TRUE(ReadAudio(scratch.Path("take.png")).samples == audio);
  EXPECT_EQ(scratch.Files(), (std::vector<std::string>{"hard.png", "soft.png", "take.png"}));
}

}  // namespace veltrax
