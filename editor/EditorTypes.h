#pragma once
// The editor's shared records: rectangle rules, colours, text style, image
// references, input records and choice menus.

#include <cstdint>

#include "GrowBuffer.h"
#include "GrowString.h"
#include "RasterTypes.h"

namespace veltrax {

class CachedFont;
class RasterBitmap;

// Rect (raster layer): left, top, right, bottom in editor pixels. Only
// (0, 0, 0, 0) is empty; a zero-width rectangle elsewhere is not.
bool IsEmpty(const Rect& r);
// Not symmetric: a rectangle whose right edge equals the other's left edge
// intersects it, the reverse does not.
bool Intersects(const Rect& a, const Rect& b);
Rect Intersection(const Rect& a, const Rect& b);
// The union with an empty rectangle is the other one.
Rect Union(const Rect& a, const Rect& b);
bool Contains(const Rect& r, int x, int y);
bool operator==(const Rect& a, const Rect& b);
inline bool operator!=(const Rect& a, const Rect& b) { return !(a == b); }

// Each component 0..255.
struct EditorColour {
  int32_t alpha = 255;
  int32_t red = 0;
  int32_t green = 0;
  int32_t blue = 0;
};

struct TextStyle {
  char face[32] = "Verdana";
  int size = 12;
  EditorColour colour{255, 0, 0, 0};
  EditorColour entryBackground{255, 255, 255, 255};
  EditorColour entryText{255, 0, 0, 0};
  int style = 0;        // 0 normal, 1 bold, 2 italic
  int alignment = 1;    // 0 left, 1 centre, 2 right
  int orientation = 0;  // degrees
  int quality = 0;      // 0 system default, 1 not antialiased, 2 antialiased, 3 ClearType
  CachedFont* font = nullptr;  // resolved on first use; owned by the font cache
};

// A reference into the image cache, copied by value into controls. A missing
// image (none) has no size and draws nothing.
struct EditorBitmap {
  RasterBitmap* image = nullptr;  // owned by the image cache
  int width = 0;                  // whole image
  int height = 0;
  int frameCount = 1;             // >= 1
  bool framesSideBySide = false;  // false: frames stacked top to bottom
  // Where the image came from: its twice-size sibling is found by the same
  // way (resourceId + 100) when the panel is drawn at 2x.
  int resourceId = 0;
  const char* fileName = nullptr;  // a literal, for the decoder's choice
};

struct MouseModifiers {
  bool left = false;
  bool right = false;
  bool shift = false;
  bool control = false;
  bool alt = false;
};

enum BlendKind : int {
  BlendKindAlpha = 0,   // copy with the image's alpha
  BlendKindOpaque = 1,  // plain copy
  BlendKindAdd = 2,
  BlendKindDodge = 3,
};

struct ControlBlend {
  int kind = BlendKindAlpha;
  float weight = 1.0f;  // opacity 0..1
};

// The Blit mode and opacity that draw with blend (none: alpha at 1.0).
int BlitModeFor(const ControlBlend* blend);

// The editor's key numbering.
enum KeyCode : int {
  KeySpace = 0,
  KeyUp = 1,
  KeyDown = 2,
  KeyLeft = 3,
  KeyRight = 4,
  KeyDigit0 = 5,   // '0'..'9' are 5..14
  KeyLetterA = 15,  // 'A'..'Z' (either case) are 15..40
  KeyLetterZ = 40,
};

class ChoiceMenu;

enum ChoiceItemFlags : int {
  ChoiceItemGreyed = 0x1,
  ChoiceItemDisabled = 0x2,
  ChoiceItemChecked = 0x4,
  ChoiceItemSeparator = 0x8,
};

struct ChoiceMenuItem {
  ChoiceMenuItem() = default;
  ~ChoiceMenuItem();
  ChoiceMenuItem(const ChoiceMenuItem&) = delete;
  ChoiceMenuItem& operator=(const ChoiceMenuItem&) = delete;

  GrowString text;
  ChoiceMenu* submenu = nullptr;  // owned
  int flags = 0;
};

class ChoiceMenu {
 public:
  // 0 no numbering; 1 "%1d: ", 2 "%02d: ", 3 "%03d: " before each item,
  // counting from 1 in its own menu.
  int prefixKind = 0;
  int chosenIndex = -1;  // -1 until an item is chosen

  // Appends an item; submenu (may be none) becomes the item's. None when the
  // item cannot be stored.
  ChoiceMenuItem* AddItem(const char* text, int flags = 0, ChoiceMenu* submenu = nullptr);
  int ItemCount() const { return items.Count(); }
  ChoiceMenuItem* ItemAt(int index) const { return items.Get(index); }
  // The item's text with the menu's numbering put in front.
  void ItemLabel(int index, char* out, int outSize) const;

 private:
  OwnedList<ChoiceMenuItem> items;
};

}  // namespace veltrax
