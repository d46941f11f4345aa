#pragma once
// Creating the platform's fonts for CachedFont::SetGdiFont. On Windows a GDI
// font (CreateFontA); on Linux a FreeType face found through fontconfig, where
// a face the system lacks falls back to the closest match (a sans face such
// as DejaVu Sans for "Verdana").

#include "RasterTypes.h"

namespace veltrax {

struct SystemFontRequest {
  int height = 12;         // > 0: cell height (ascent + descent); < 0: character height; 0: default
  int width = 0;           // 0: the face's own proportions
  int escapement = 0;      // tenths of a degree (Windows only)
  int orientation = 0;     // tenths of a degree (Windows only)
  int weight = 0;          // 0 default, 400 normal, 700 bold
  bool italic = false;
  bool underline = false;  // Windows only
  bool strikeOut = false;  // Windows only
  int quality = 0;         // 0 system default, 1 not antialiased, 2 antialiased, 3 ClearType; others: not antialiased
  char face[32] = "";
};

// A new font handle, or none when the font cannot be created. Whoever holds
// it deletes it with DeleteSystemFont (or hands it to a CachedFont with
// FontOwnsHandle).
// [any thread]
FontHandle CreateSystemFont(const SystemFontRequest& request);
void DeleteSystemFont(FontHandle font);

}  // namespace veltrax
