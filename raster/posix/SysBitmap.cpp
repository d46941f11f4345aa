// Linux drawing surface: a plain top-down 32-bit pixel buffer with the same
// span rules as the Windows DIB section, and no device context.

#include <cstdlib>

#include "RasterBitmap.h"

namespace veltrax {

SysBitmap::SysBitmap(int newWidth, int newHeight) { SetSize(newWidth, newHeight); }

SysBitmap::~SysBitmap() { FreeStorage(); }

bool SysBitmap::CanHoldStorage() const { return true; }

Pixel* SysBitmap::CreateStorage(int span, int rows) {
  // Cleared like a fresh DIB section, so both platforms start from black.
  section = std::calloc(static_cast<size_t>(span) * static_cast<size_t>(rows), sizeof(Pixel));
  return static_cast<Pixel*>(section);
}

void SysBitmap::FreeStorage() {
  std::free(section);
  section = nullptr;
}

}  // namespace veltrax
