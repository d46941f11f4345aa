// Windows drawing surface: a top-down 32-bit DIB section selected into a
// memory device context of its own, so GDI can draw into it and the window can
// be painted from it.

#include <windows.h>

#include "RasterBitmap.h"

namespace veltrax {

namespace {
HDC AsDc(DeviceContextHandle handle) { return static_cast<HDC>(handle); }
}  // namespace

SysBitmap::SysBitmap(int newWidth, int newHeight) {
  deviceContext = CreateCompatibleDC(nullptr);
  SetSize(newWidth, newHeight);
}

SysBitmap::~SysBitmap() {
  FreeStorage();
  if (deviceContext) DeleteDC(AsDc(deviceContext));
}

bool SysBitmap::CanHoldStorage() const { return deviceContext != nullptr; }

Pixel* SysBitmap::CreateStorage(int span, int rows) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = span;
  info.bmiHeader.biHeight = RowsBottomUp() ? rows : -rows;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP created = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!created || !bits) {
    if (created) DeleteObject(created);
    return nullptr;
  }
  section = created;
  previousBitmap = SelectObject(AsDc(deviceContext), created);
  return static_cast<Pixel*>(bits);
}

void SysBitmap::FreeStorage() {
  if (previousBitmap) {
    SelectObject(AsDc(deviceContext), previousBitmap);
    previousBitmap = nullptr;
  }
  if (section) DeleteObject(static_cast<HBITMAP>(section));
  section = nullptr;
}

}  // namespace veltrax
