// The command-line parser called in-process, as the fuzzer calls it.

#include <gtest/gtest.h>

#include <cstring>

#include "Options.h"

namespace veltrax {

TEST(OptionParser, EachCallStartsAfreshAfterAClusterItStoppedIn) {
  RenderOptions first;
  std::string error;
  char program[] = "veltrax-render";
  char cluster[] = "-lpx";
  char* firstLine[] = {program, cluster, nullptr};
  EXPECT_FALSE(ParseOptions(2, firstLine, first, error));
  EXPECT_EQ(error, "unknown option -l");
  // The first command line's memory is reused for something else.
  std::strcpy(cluster, "-lpZ");

  RenderOptions second;
  char input[] = "in.wav";
  char* secondLine[] = {program, input, nullptr};
  ASSERT_TRUE(ParseOptions(2, secondLine, second, error)) << error;
  EXPECT_EQ(second.pluginPath, "");
  EXPECT_EQ(second.inputPath, "in.wav");
  EXPECT_EQ(second.outputPath, "in-out.wav");
}

}  // namespace veltrax
