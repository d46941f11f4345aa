// The files both tools write: names as long as the file system allows.

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
  RunResult picture = FinishTool(scratch, StartTool(VELTRAX_SNAPSHOT_PATH, scratch, {longest + ".png"}));
  ASSERT_EQ(picture.exitCode, 0) << picture.err;
  const std::vector<std::string> written = {longest + ".png", longest + ".wav", "in.wav"};
  EXPECT_EQ(scratch.Files(), written);

  const std::string tooLong = longest + "a";
  const std::string message =
      "bytes long; the file system there allows at most " + std::to_string(limit) + " bytes per name";
  for (const RunResult& run :
       {RunRenderer(scratch, {"-q", "in.wav", tooLong + ".wav"}),
        RunRenderer(scratch, {"-q", "--save-state", tooLong + ".state", "in.wav", "out.wav"}),
        FinishTool(scratch, StartTool(VELTRAX_SNAPSHOT_PATH, scratch, {tooLong + ".png"}))}) {
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_TRUE(Contains(run.err, message)) << run.err;
  }
  EXPECT_EQ(scratch.Files(), written);
}

}  // namespace veltrax
