#include <gtest/gtest.h>

#include <string>

#include "GrowBuffer.h"
#include "GrowString.h"

namespace veltrax {

TEST(GrowBuffer, AllocatesByTheGrowthFormulaAndShrinksBelowTheThreshold) {
  EXPECT_EQ(GrowBuffer::AllocationFor(0, 4096), 0);
  EXPECT_EQ(GrowBuffer::AllocationFor(1, 4096), 4000);       // one page less the heap header
  EXPECT_EQ(GrowBuffer::AllocationFor(10000, 4096), 12192);  // (10000 + 96 + 4096) & ~4095, - 96
  EXPECT_EQ(GrowBuffer::AllocationFor(1000, 128), 1500);     // size + max(size / 2, granularity)
  EXPECT_EQ(GrowBuffer::AllocationFor(INT32_MAX, 4096), -1);

  GrowBuffer buffer(128);
  ASSERT_TRUE(buffer.Resize(1000));
  ASSERT_TRUE(buffer.Resize(750));  // threshold min(1500 - 512, 750)
  EXPECT_EQ(buffer.Allocated(), 1500);
  ASSERT_TRUE(buffer.Resize(749));
  EXPECT_EQ(buffer.Allocated(), 749 + 374);
  ASSERT_TRUE(buffer.Resize(-3));
  EXPECT_EQ(buffer.Data(), nullptr);
}

TEST(GrowBuffer, AppendsFromItselfAcrossReallocations) {
  GrowBuffer buffer(1);
  ASSERT_TRUE(buffer.Append("xyz", 3));
  for (int i = 0; i < 6; ++i) ASSERT_TRUE(buffer.Append(buffer.Data(), buffer.Size()));
  ASSERT_EQ(buffer.Size(), 3 * 64);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer.Bytes()) + 189, 3), "xyz");
}

TEST(GrowString, CopiesFromInsideItself) {
  GrowString text;
  EXPECT_STREQ(text.Get(), "");
  ASSERT_TRUE(text.Set("hello world"));
  ASSERT_TRUE(text.Set(text.Get() + 6));
  EXPECT_STREQ(text.Get(), "world");
  ASSERT_TRUE(text.Append(text.Get()));
  EXPECT_STREQ(text.Get(), "worldworld");
  ASSERT_TRUE(text.Set("AB", 2, 3));
  EXPECT_STREQ(text.Get(), "worAB");
}

}  // namespace veltrax
