#pragma once
// The process-wide image and font caches shared by every editor of every
// instance. Entries are never evicted; images and fonts are destroyed when
// the library is unloaded. Each cache has its own lock, held only for one
// lookup or one append and never while loading or drawing; nothing else is
// taken while it is held.

#include "RasterBitmap.h"

namespace veltrax {

class CachedFont;

namespace imagecache {
// [any thread; takes the image cache lock] The first image stored under the
// id, or none.
RasterBitmap* Find(int resourceId);
// [any thread; takes the image cache lock] The cache takes the image. Two
// threads that missed at once may both append; the first entry stays the
// one found.
void Add(int resourceId, RasterBitmap* image);
// [any thread; takes the image cache lock]
int Count();
}  // namespace imagecache

namespace fontcache {
// [any thread; takes the font cache lock] The font stored for exactly this
// size, orientation, style and face (up to 35 characters), or none.
CachedFont* Find(int size, int orientation, int style, const char* face);
// [any thread; takes the font cache lock] The cache takes the font.
void Add(int size, int orientation, int style, const char* face, CachedFont* font);
// [any thread; takes the font cache lock]
int Count();
}  // namespace fontcache

// Held while one text is measured or drawn: the cached fonts and the text
// renderer's scratch bitmaps are shared by every editor of the process, and
// on Linux each open window draws on a thread of its own. Taken on editor
// threads only, never by the audio thread; the font cache's lock may be
// taken inside it.
class TextDrawingGuard {
 public:
  TextDrawingGuard();
  ~TextDrawingGuard();
  TextDrawingGuard(const TextDrawingGuard&) = delete;
  TextDrawingGuard& operator=(const TextDrawingGuard&) = delete;
};

}  // namespace veltrax
