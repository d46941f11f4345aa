#include "EditorCaches.h"

#include <cstring>

#include "GrowBuffer.h"
#include "PlugLock.h"
#include "RasterFont.h"
#include "TextCopy.h"

namespace veltrax {

namespace {

struct ImageEntry {
  ~ImageEntry() { delete image; }
  int resourceId = 0;
  RasterBitmap* image = nullptr;
};

struct FontEntry {
  ~FontEntry() { delete font; }
  int size = 0;
  int orientation = 0;
  int style = 0;
  char face[36] = "";
  CachedFont* font = nullptr;
};

// Made when the library loads and destroyed when it unloads, in reverse
// order: the entries (with their images and fonts) before their locks.
PlugLock imageLock;
PlugLock fontLock;
PlugLock textLock;
OwnedList<ImageEntry> imageEntries;
OwnedList<FontEntry> fontEntries;

}  // namespace

namespace imagecache {

RasterBitmap* Find(int resourceId) {
  PlugLockGuard guard(imageLock);
  for (int i = 0; i < imageEntries.Count(); ++i) {
    const ImageEntry* entry = imageEntries.Get(i);
    if (entry->resourceId == resourceId) return entry->image;
  }
  return nullptr;
}

void Add(int resourceId, RasterBitmap* image) {
  if (!image) return;
  ImageEntry* entry = new ImageEntry();
  entry->resourceId = resourceId;
  entry->image = image;
  PlugLockGuard guard(imageLock);
  imageEntries.Add(entry);  // deletes the entry and its image on failure
}

int Count() {
  PlugLockGuard guard(imageLock);
  return imageEntries.Count();
}

}  // namespace imagecache

namespace fontcache {

CachedFont* Find(int size, int orientation, int style, const char* face) {
  char key[sizeof FontEntry::face];
  CopyTextBounded(key, face, sizeof key);
  PlugLockGuard guard(fontLock);
  for (int i = 0; i < fontEntries.Count(); ++i) {
    const FontEntry* entry = fontEntries.Get(i);
    if (entry->size == size && entry->orientation == orientation && entry->style == style &&
        std::strcmp(entry->face, key) == 0) {
      return entry->font;
    }
  }
  return nullptr;
}

void Add(int size, int orientation, int style, const char* face, CachedFont* font) {
  if (!font) return;
  FontEntry* entry = new FontEntry();
  entry->size = size;
  entry->orientation = orientation;
  entry->style = style;
  CopyTextBounded(entry->face, face, sizeof entry->face);
  entry->font = font;
  PlugLockGuard guard(fontLock);
  fontEntries.Add(entry);
}

int Count() {
  PlugLockGuard guard(fontLock);
  return fontEntries.Count();
}

}  // namespace fontcache

TextDrawingGuard::TextDrawingGuard() { textLock.Lock(); }
TextDrawingGuard::~TextDrawingGuard() { textLock.Unlock(); }

}  // namespace veltrax
