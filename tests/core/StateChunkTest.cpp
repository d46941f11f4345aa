#include <gtest/gtest.h>

#include <vector>

#include "StateChunk.h"

namespace veltrax {

namespace {
void Assign(StateChunk& chunk, const std::vector<uint8_t>& bytes) {
  chunk.Assign(bytes.data(), static_cast<int32_t>(bytes.size()));
}

int32_t ReadName(const std::vector<uint8_t>& bytes, char* out, int32_t size) {
  StateChunk chunk;
  Assign(chunk, bytes);
  return chunk.GetString(0, out, size);
}
}  // namespace

TEST(ChunkPrimitives, LittleEndianBytesReadBackAndFailOutOfRange) {
  StateChunk chunk;
  ASSERT_TRUE(WriteChunkHeader(chunk));
  ASSERT_TRUE(chunk.PutDouble(1.0) && chunk.PutString("ab") && chunk.PutFlag(true));
  const std::vector<uint8_t> expected = {0x74, 0x66, 0x66, 0x70, 0, 0, 1, 0, 0,   0,   0, 0,
                                         0,    0,    0xF0, 0x3F, 2, 0, 0, 0, 'a', 'b', 1};
  EXPECT_EQ(std::vector<uint8_t>(chunk.Data(), chunk.Data() + chunk.Size()), expected);

  int32_t position = 0;
  EXPECT_EQ(ReadChunkHeader(chunk, position), kChunkFormatVersion);
  double v = 0;
  position = chunk.GetDouble(&v, position);
  EXPECT_EQ(v, 1.0);
  char name[8];
  position = chunk.GetString(position, name, sizeof name);
  EXPECT_STREQ(name, "ab");
  bool flag = false;
  EXPECT_EQ(chunk.GetFlag(&flag, position), chunk.Size());
  EXPECT_TRUE(flag);

  for (int32_t bad : {-1, 16, INT32_MAX - 2}) EXPECT_EQ(chunk.GetDouble(&v, bad), -1) << bad;
  EXPECT_EQ(chunk.GetFlag(&flag, chunk.Size()), -1);
  ASSERT_TRUE(WriteChunkHeader(chunk));  // starts over
  EXPECT_EQ(chunk.Size(), 8);
}

TEST(ChunkHeader, TellsRawCutAndFullHeadersApart) {
  StateChunk raw;
  Assign(raw, std::vector<uint8_t>(72, 0x40));
  int32_t position = 0;
  EXPECT_EQ(ReadChunkHeader(raw, position), 0);
  EXPECT_EQ(position, 0);

  StateChunk cut;
  Assign(cut, {0x74, 0x66, 0x66, 0x70, 0x00, 0x00});
  EXPECT_EQ(ReadChunkHeader(cut, position), 0);
  EXPECT_EQ(position, -1);
  EXPECT_EQ(ReadChunkHeader(cut, position), 0);
  EXPECT_EQ(position, -1);
}

TEST(ChunkString, ZeroBytesOverlongAndNegativeLengths) {
  char name[256];
  EXPECT_EQ(ReadName({0, 0, 0, 0}, name, sizeof name), 4);
  EXPECT_STREQ(name, "");
  // A zero byte ends the name; the record still spans its full length.
  EXPECT_EQ(ReadName({5, 0, 0, 0, 'a', 'b', 0, 'c', 'd'}, name, sizeof name), 9);
  EXPECT_STREQ(name, "ab");
  char small[4];
  EXPECT_EQ(ReadName({6, 0, 0, 0, 'a', 'b', 'c', 'd', 'e', 'f'}, small, 4), 10);
  EXPECT_STREQ(small, "abc");

  // Past the end: empty name, end still answered unless it leaves 32 bits.
  EXPECT_EQ(ReadName({9, 0, 0, 0, 'x'}, name, sizeof name), 13);
  EXPECT_STREQ(name, "");
  EXPECT_EQ(ReadName({0xFF, 0xFF, 0xFF, 0x7F, 'x'}, name, sizeof name), -1);
  // A negative length would lead the reader backwards.
  EXPECT_EQ(ReadName({0xFC, 0xFF, 0xFF, 0xFF, 'x'}, name, sizeof name), -1);
}

}  // namespace veltrax
