// Allocation, row span and resizing of the two bitmap kinds.

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <memory>

#include "RasterBitmap.h"

namespace veltrax {

namespace {

bool Aligned64(const void* p) { return reinterpret_cast<uintptr_t>(p) % 64 == 0; }

TEST(MemBitmap, RowsArePaddedToFourPixelsAndStartOn64Bytes) {
  MemBitmap bitmap(5, 2);
  EXPECT_EQ(bitmap.Width(), 5);
  EXPECT_EQ(bitmap.Height(), 2);
  EXPECT_EQ(bitmap.RowSpan(), 8);
  EXPECT_EQ(bitmap.AllocatedBytes(), 8 * 2 * 4);
  ASSERT_NE(bitmap.PixelData(), nullptr);
  EXPECT_TRUE(Aligned64(bitmap.PixelData()));
  EXPECT_EQ(bitmap.Row(1), bitmap.PixelData() + 8);
  EXPECT_FALSE(bitmap.RowsBottomUp());
  EXPECT_EQ(bitmap.DeviceContext(), nullptr);
  EXPECT_EQ(bitmap.ExtensionCall(0x59555678, 0), 0);
  EXPECT_EQ(bitmap.ExtensionCall(0x51B7000, 0), 0);
}

TEST(MemBitmap, EmptyConstructionHasNoStorage) {
  MemBitmap none;
  EXPECT_EQ(none.PixelData(), nullptr);
  EXPECT_EQ(none.Width(), 0);
  MemBitmap flat(7, 0);
  EXPECT_EQ(flat.PixelData(), nullptr);
  EXPECT_EQ(flat.Width(), 0);
  EXPECT_EQ(flat.Height(), 0);
}

TEST(MemBitmap, BufferGrowsWithSlackAndNeverShrinks) {
  MemBitmap bitmap(4, 4);
  EXPECT_FALSE(bitmap.SetSize(4, 4));  // same size: nothing to do
  Pixel* first = bitmap.PixelData();

  EXPECT_TRUE(bitmap.SetSize(1, 1));
  EXPECT_EQ(bitmap.PixelData(), first);
  EXPECT_EQ(bitmap.AllocatedBytes(), 64);
  EXPECT_EQ(bitmap.RowSpan(), 4);

  EXPECT_TRUE(bitmap.SetSize(8, 8));  // 256 bytes needed: 25 % more is kept
  EXPECT_EQ(bitmap.AllocatedBytes(), 256 + 64);
  EXPECT_TRUE(Aligned64(bitmap.PixelData()));
  EXPECT_TRUE(bitmap.SetSize(9, 8));  // 12 x 8 x 4 = 384 > 320: grows again
  EXPECT_EQ(bitmap.AllocatedBytes(), 384 + 96);
  EXPECT_TRUE(bitmap.SetSize(10, 8));  // 384 still fits
  EXPECT_EQ(bitmap.AllocatedBytes(), 384 + 96);

  EXPECT_TRUE(bitmap.SetSize(0, 0));
  EXPECT_EQ(bitmap.PixelData(), nullptr);
  EXPECT_EQ(bitmap.AllocatedBytes(), 0);
}

TEST(MemBitmap, ImpossibleSizesLeaveItEmptyButAnswerTrue) {
  MemBitmap bitmap(4, 4);
  EXPECT_TRUE(bitmap.SetSize(INT_MAX, INT_MAX));  // would wrap a 32-bit size
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.Height(), 0);
  EXPECT_EQ(bitmap.PixelData(), nullptr);
  EXPECT_TRUE(bitmap.SetSize(-5, 3));
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.PixelData(), nullptr);
  EXPECT_TRUE(bitmap.SetSize(3, 3));  // and it recovers
  EXPECT_NE(bitmap.PixelData(), nullptr);
}

TEST(SysBitmap, SmallerSizesKeepTheStorageAndItsSpan) {
  SysBitmap bitmap(10, 6);
  ASSERT_NE(bitmap.PixelData(), nullptr);
  EXPECT_EQ(bitmap.RowSpan(), 12);
  Pixel* pixels = bitmap.PixelData();
  bitmap.PixelData()[0] = 0x12345678;

  EXPECT_TRUE(bitmap.SetSize(5, 3));
  EXPECT_EQ(bitmap.Width(), 5);
  EXPECT_EQ(bitmap.Height(), 3);
  EXPECT_EQ(bitmap.RowSpan(), 12);
  EXPECT_EQ(bitmap.PixelData(), pixels);
  EXPECT_EQ(bitmap.PixelData()[0], 0x12345678u);

  EXPECT_TRUE(bitmap.SetSize(13, 3));  // one past the allocated width
  EXPECT_EQ(bitmap.RowSpan(), 16);
  ASSERT_NE(bitmap.PixelData(), nullptr);
  EXPECT_EQ(bitmap.Row(2), bitmap.PixelData() + 32);
}

TEST(SysBitmap, FreshStorageIsClearedAndTopDown) {
  SysBitmap bitmap(3, 3);
  ASSERT_NE(bitmap.PixelData(), nullptr);
  for (int i = 0; i < bitmap.RowSpan() * 3; ++i) EXPECT_EQ(bitmap.PixelData()[i], 0u);
  EXPECT_FALSE(bitmap.RowsBottomUp());
  EXPECT_FALSE(bitmap.SetSize(3, 3));
#ifdef _WIN32
  EXPECT_NE(bitmap.DeviceContext(), nullptr);
#else
  EXPECT_EQ(bitmap.DeviceContext(), nullptr);
#endif
}

TEST(SysBitmap, EmptyAndImpossibleSizes) {
  SysBitmap bitmap(0, 0);
  EXPECT_EQ(bitmap.PixelData(), nullptr);
  EXPECT_TRUE(bitmap.SetSize(4, 4));
  EXPECT_NE(bitmap.PixelData(), nullptr);
  EXPECT_FALSE(bitmap.SetSize(0, 4));  // nothing to allocate
  EXPECT_EQ(bitmap.PixelData(), nullptr);
  EXPECT_FALSE(bitmap.SetSize(5, 0));  // the span is still rounded up
  EXPECT_EQ(bitmap.Width(), 5);
  EXPECT_EQ(bitmap.Height(), 0);
  EXPECT_EQ(bitmap.RowSpan(), 8);
  EXPECT_EQ(bitmap.PixelData(), nullptr);
  EXPECT_TRUE(bitmap.SetSize(INT_MAX - 2, 2));  // does not fit: a failed creation
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.Height(), 0);
  EXPECT_EQ(bitmap.PixelData(), nullptr);
}

}  // namespace

}  // namespace veltrax
