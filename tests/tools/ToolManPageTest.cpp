// Each tool's manual page names every long option its --help names, so an
// option added to a tool does not go missing from the page.

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "RenderSupport.h"

namespace veltrax {

TEST(ToolManPages, NameEveryOptionOfTheUsageText) {
  ScratchFolder scratch;
  for (const auto& [program, page] :
       {std::pair{VELTRAX_RENDER_PATH, "veltrax-render"}, std::pair{VELTRAX_SNAPSHOT_PATH, "veltrax-snapshot"}}) {
    const RunResult help = RunTool(program, scratch, {"--help"});
    ASSERT_EQ(help.exitCode, 0) << page;
    std::ifstream file(std::string(VELTRAX_SOURCE_DIR "/packaging/man/") + page + ".txt");
    ASSERT_TRUE(file) << page;
    std::stringstream text;
    text << file.rdbuf();
    const std::regex option("--[a-z][a-z-]*");
    for (std::sregex_iterator it(help.out.begin(), help.out.end(), option), end; it != end; ++it) {
      EXPECT_TRUE(Contains(text.str(), "`" + it->str() + "`")) << page << ".txt lacks " << it->str();
    }
  }
}

}  // namespace veltrax
