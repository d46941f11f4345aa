#pragma once
// 32-bit bitmaps: the abstract RasterBitmap, MemBitmap (pixels on the heap)
// and SysBitmap (the platform's drawing surface with its own device context on
// Windows, a plain top-down pixel buffer on Linux).
//
// A bitmap belongs to its owner and is used by one thread at a time.

#include <cstdint>

#include "RasterTypes.h"

namespace veltrax {

class RasterBitmap {
 public:
  virtual ~RasterBitmap() = default;

  // First pixel of row 0, or none when the bitmap has no storage.
  virtual Pixel* PixelData() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Distance between rows in pixels; may exceed the width.
  virtual int RowSpan() const = 0;
  virtual bool RowsBottomUp() const { return false; }
  // True when the size changed. Pixel contents are undefined afterwards.
  virtual bool SetSize(int width, int height) = 0;
  virtual DeviceContextHandle DeviceContext() const { return nullptr; }
  virtual intptr_t ExtensionCall(int /*query*/, intptr_t /*argument*/) { return 0; }

  // Address of stored row y (0 = top row of the picture).
  Pixel* Row(int y) const;
};

class MemBitmap : public RasterBitmap {
 public:
  explicit MemBitmap(int width = 0, int height = 0);
  ~MemBitmap() override;
  MemBitmap(const MemBitmap&) = delete;
  MemBitmap& operator=(const MemBitmap&) = delete;

  // 64-byte aligned; rows are padded to a multiple of 4 pixels.
  Pixel* PixelData() const override;
  int Width() const override { return width; }
  int Height() const override { return height; }
  int RowSpan() const override { return (width + rowAlignMask) & ~rowAlignMask; }
  // Grows the buffer with 25 % slack and never shrinks it; allocation failure
  // leaves the bitmap 0 x 0 (still answering true).
  bool SetSize(int width, int height) override;

  // Bytes of pixel area the buffer holds (without the alignment slack).
  int AllocatedBytes() const { return allocated; }

 private:
  void* buffer = nullptr;
  int width = 0;
  int height = 0;
  int allocated = 0;
  int rowAlignMask = 3;
};

class SysBitmap : public RasterBitmap {
 public:
  SysBitmap(int width, int height);
  ~SysBitmap() override;
  SysBitmap(const SysBitmap&) = delete;
  SysBitmap& operator=(const SysBitmap&) = delete;

  Pixel* PixelData() const override { return pixels; }
  int Width() const override { return width; }
  int Height() const override { return height; }
  // The allocated width: a smaller size keeps the storage and its span.
  int RowSpan() const override { return allocatedWidth; }
  bool SetSize(int width, int height) override;
  DeviceContextHandle DeviceContext() const override { return deviceContext; }

 private:
  // The platform's part; SetSize decides sizes and spans for both.
  bool CanHoldStorage() const;               // false when the surface could not be made
  Pixel* CreateStorage(int span, int rows);  // sets section; nullptr on failure
  void FreeStorage();                        // releases section, if any

  int width = 0;
  int height = 0;
  DeviceContextHandle deviceContext = nullptr;
  Pixel* pixels = nullptr;
  int allocatedWidth = 0;
  int allocatedHeight = 0;
  BitmapHandle section = nullptr;
  BitmapHandle previousBitmap = nullptr;
};

}  // namespace veltrax
