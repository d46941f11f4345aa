// Windows drawing surface: a top-down 32-bit DIB section selected into a
// memory device context of its own, so GDI can draw into it and the window can
// be painted from it.

#include <windows.h>

#include <cstdint>

#include "RasterBitmap.h"

namespace {
constexpr int64_t kLargestSection = INT32_MAX;

HDC AsDc(DeviceContextHandle handle) { return static_cast<HDC>(handle); }
}  // namespace

SysBitmap::SysBitmap(int newWidth, int newHeight) {
  deviceContext = CreateCompatibleDC(nullptr);
  SetSize(newWidth, newHeight);
}

SysBitmap::~SysBitmap() {
  if (previousBitmap && deviceContext) SelectObject(AsDc(deviceContext), previousBitmap);
  if (section) DeleteObject(static_cast<HBITMAP>(section));
  if (deviceContext) DeleteDC(AsDc(deviceContext));
}

bool SysBitmap::SetSize(int newWidth, int newHeight) {
  if (!deviceContext) {
    width = 0;
    height = 0;
    pixels = nullptr;
    return false;
  }
  if (newWidth == width && newHeight == height) return false;
  width = newWidth;
  height = newHeight;
  if (newWidth != 0 && newHeight != 0 && newWidth <= allocatedWidth && newHeight <= allocatedHeight && pixels) {
    return true;
  }
  const int64_t span = (static_cast<int64_t>(newWidth) + 3) & ~static_cast<int64_t>(3);
  if (previousBitmap) {
    SelectObject(AsDc(deviceContext), previousBitmap);
    previousBitmap = nullptr;
  }
  if (section) DeleteObject(static_cast<HBITMAP>(section));
  section = nullptr;
  pixels = nullptr;
  if (span < 1 || newHeight < 1 || span > kLargestSection / 4 / newHeight) {
    allocatedWidth = 0;
    allocatedHeight = 0;
    if (span < 1 || newHeight < 1) return false;
    // Too large for a 32-bit size: treated as a failed creation.
    width = 0;
    height = 0;
    return true;
  }
  allocatedWidth = static_cast<int>(span);
  allocatedHeight = newHeight;

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = allocatedWidth;
  info.bmiHeader.biHeight = RowsBottomUp() ? newHeight : -newHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP created = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (created && bits) {
    section = created;
    pixels = static_cast<Pixel*>(bits);
    previousBitmap = SelectObject(AsDc(deviceContext), created);
  } else {
    if (created) DeleteObject(created);
    width = 0;
    height = 0;
  }
  return true;
}
