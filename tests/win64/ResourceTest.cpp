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

struct Image {
  int id;
  const char* file;
};

const Image kImages[] = {
    {101, "orvoback.png"},     {102, "orvoreclevelknob.png"}, {103, "orvoeqknob.png"},
    {104, "orvopowerswitch.png"}, {105, "orvoVUmeter.png"},   {106, "orvolight.png"},
};

HMODULE Plugin() {
  static std::string error;
  static void* module = OpenModule(VELTRAX_PLUGIN_PATH, error);
  EXPECT_NE(module, nullptr) << error;
  return static_cast<HMODULE>(module);
}

std::vector<unsigned char> ImageFile(const char* name) {
  std::string path = std::string(VELTRAX_IMAGE_DIR) + "/" + name;
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
  for (const Image& image : kImages) {
    SCOPED_TRACE(image.file);
    EXPECT_NE(FindResourceA(module, MAKEINTRESOURCEA(image.id), "PNG"), nullptr);
    const std::vector<unsigned char> file = ImageFile(image.file);
    ASSERT_GT(file.size(), 8u);
    EXPECT_TRUE(Resource(module, image.id, "PNG") == file) << "resource " << image.id << " differs from the file";
  }
}

// Only the six numbers exist, and only under the type "PNG".
TEST(Resources, NoOtherNumberOrTypeAnswers) {
  HMODULE module = Plugin();
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(FindResourceA(module, MAKEINTRESOURCEA(100), "PNG"), nullptr);
  EXPECT_EQ(FindResourceA(module, MAKEINTRESOURCEA(107), "PNG"), nullptr);
  EXPECT_EQ(FindResourceA(module, MAKEINTRESOURCEA(101), MAKEINTRESOURCEA(10) /* RT_RCDATA */), nullptr);
}

}  // namespace

}  // namespace veltrax
