// veltrax-snapshot as a user runs it: its pictures against the panel
// composed from the image files, and its refusals (exit 2, or 1 for a file
// it cannot read) leaving nothing behind.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "EditorTestSupport.h"
#include "PngImage.h"

namespace veltrax {

namespace {

namespace fs = std::filesystem;

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

class Snapshot : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "veltrax-snapshot-test.XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder = pattern;
  }
  void TearDown() override { fs::remove_all(folder); }

  // Runs the tool in the scratch folder; stderr is kept in errors.
  int Run(const std::vector<std::string>& arguments) {
    std::string command = "cd " + Quoted(folder.string()) + " && " + Quoted(VELTRAX_SNAPSHOT_PATH);
    for (const std::string& argument : arguments) command += " " + Quoted(argument);
    const fs::path log = folder.parent_path() / (folder.filename().string() + ".err");
    command += " >/dev/null 2>" + Quoted(log.string());
    const int status = std::system(command.c_str());
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    errors = text.str();
    fs::remove(log);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  void ExpectPicture(const std::string& name, const PanelFrames& frames) {
    std::unique_ptr<MemBitmap> picture(LoadPngFile((folder / name).string().c_str()));
    ASSERT_NE(picture, nullptr) << name;
    auto expected = ComposePanel(frames);
    ASSERT_NE(expected, nullptr);
    EXPECT_EQ(FirstDifference(*picture, *expected), "") << name;
    for (int y = 0; y < picture->Height(); ++y) {
      for (int x = 0; x < picture->Width(); ++x) ASSERT_EQ(picture->Row(y)[x] >> 24, 0xFFu);
    }
  }

  bool FolderIsEmpty() const { return fs::is_empty(folder); }

  fs::path folder;
  std::string errors;
};

}  // namespace

TEST_F(Snapshot, DrawsThePanelAsTheEditorShowsIt) {
  ASSERT_EQ(Run({"default.png"}), 0) << errors;
  ExpectPicture("default.png", PanelFrames{});

  ASSERT_EQ(Run({"--set", "Gain Left=0", "--set=Gain Right=200", "--set", "Equalizer=3",
                 "--set", "Power On/Off=off", "--set", "headphones on/off=on", "--value", "5=0.5",
                 "--value=6=1", "--value", "7=1", "busy.png"}),
            0)
      << errors;
  ExpectPicture("busy.png", BusyPanelFrames());

  // Audio lights the lamp; --value comes after it.
  ASSERT_EQ(Run({"--demo", "--blocks", "1", "--value", "5=0", "--value", "6=0", "lit.png"}), 0)
      << errors;
  PanelFrames lit;
  lit.lamp = 2;
  ExpectPicture("lit.png", lit);
}

// scripts/make-panel-picture.sh draws it; rerun that after changing the panel.
TEST_F(Snapshot, TheReadmePictureIsWhatTheToolDrawsNow) {
  ASSERT_EQ(Run({"--demo", "--blocks", "1", "--scale", "2", "panel.png"}), 0) << errors;
  std::unique_ptr<MemBitmap> fresh(LoadPngFile((folder / "panel.png").string().c_str()));
  std::unique_ptr<MemBitmap> shown(LoadPngFile(VELTRAX_README_PANEL));
  ASSERT_NE(fresh, nullptr);
  ASSERT_NE(shown, nullptr) << VELTRAX_README_PANEL;
  EXPECT_EQ(FirstDifference(*shown, *fresh), "");
}

TEST_F(Snapshot, BadArgumentsAreRefusedAndNothingIsWritten) {
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"--set", "Loud=3", "x.png"}, "unknown parameter \"Loud\""},
      {{"--set", "Gain Left=loud", "x.png"}, "is not a number for parameter \"Gain Left\""},
      {{"--set", "Power On/Off=maybe", "x.png"}, "refused the value \"maybe\""},
      {{"--value", "9=0.5", "x.png"}, "positions 0 to 8"},
      {{"--value", "5=1.5", "x.png"}, "from 0 to 1"},
      {{"--demo", "--input", "a.wav", "x.png"}, "give one of them"},
      {{"--blocks", "2", "x.png"}, "give one of them"},
      {{"--demo", "x.txt"}, "does not end in .png"},
      {{"--colour", "x.png"}, "unknown option --colour"},
      {{"--scale", "1.5", "x.png"}, "--scale takes 1"},
      {{}, "no output file"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Run(c.arguments), 2) << c.message;
    EXPECT_NE(errors.find(c.message), std::string::npos) << errors;
    EXPECT_TRUE(FolderIsEmpty()) << c.message;
  }
  EXPECT_EQ(Run({"--input", "missing.wav", "x.png"}), 1);
  EXPECT_NE(errors.find("missing.wav"), std::string::npos) << errors;
  EXPECT_TRUE(FolderIsEmpty());
}

}  // namespace veltrax
