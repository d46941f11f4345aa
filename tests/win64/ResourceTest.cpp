// The panel images travel inside Veltrax.dll as resources of type "PNG";
// the editor finds them by number through the module handle.

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ModuleLoader.h"

namespace veltrax {

namespace {

// Ids 101 to 106 hold resources/img, 201 to 206 the same names in resources/img@2x.
const char* const kFiles[] = {"orvoback.png",        "orvoreclevelknob.png", "orvoeqknob.png",
                              "orvopowerswitch.png", "orvoVUmeter.png",      "orvolight.png"};

struct ImageSet {
  int firstId;
  const char* folder;
};

const ImageSet kSets[] = {{101, "img"}, {201, "img@2x"}};

HMODULE Plugin() {
  static std::string error;
  static void* module = OpenModule(VELTRAX_PLUGIN_PATH, error);
  EXPECT_NE(module, nullptr) << error;
  return static_cast<HMODULE>(module);
}

std::vector<unsigned char> ImageFile(const std::string& name) {
  std::string path = std::string(VELTRAX_RESOURCE_DIR) + "/" + name;
  if (path[0] == '/') path = "Z:" + path;  // the build machine's root under Wine
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot read " << path;
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<unsigned char> Resource(HMODULE module, int id, const char* type) {
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
  if (found == nullptr) return {};
  const DWORD size = SizeofResource(module, found);
  HGLOBAL loaded = LoadResource(module, found);
  const auto* bytes = static_cast<const unsigned char*>(LockResource(loaded));
  if (bytes == nullptr) return {};
  return {bytes, bytes + size};
}

TEST(Resources, EachImageIsAPngResourceHoldingTheFileByteForByte) {
  HMODULE module = Plugin();
  ASSERT_NE(module, nullptr);
  for (const ImageSet& set : kSets) {
    for (int i = 0; i < 6; ++i) {
      const int id = set.firstId + i;
      const std::string name = std::string(set.folder) + "/" + kFiles[i];
      SCOPED_TRACE(name);
      EXPECT_NE(FindResourceA(module, MAKEINTRESOURCEA(id), "PNG"), nullptr);
      const std::vector<unsigned char> file = ImageFile(name);
      ASSERT_GT(file.size(), 8u);
      EXPECT_TRUE(Resource(module, id, "PNG") == file) << "resource " << id << " differs from the file";
    }
  }
}

// Only the twelve numbers exist, and only under the type "PNG".
TEST(Resources, NoOtherNumberOrTypeAnswers) {
  HMODULE module = Plugin();
  ASSERT_NE(module, nullptr);
  for (int id : {100, 107, 200, 207}) EXPECT_EQ(FindResourceA(module, MAKEINTRESOURCEA(id), "PNG"), nullptr) << id;
  EXPECT_EQ(FindResourceA(module, MAKEINTRESOURCEA(101), MAKEINTRESOURCEA(10) /* RT_RCDATA */), nullptr);
  EXPECT_EQ(FindResourceA(module, MAKEINTRESOURCEA(201), MAKEINTRESOURCEA(10) /* RT_RCDATA */), nullptr);
}

}  // namespace

}  // namespace veltrax
