#include "EditorTypes.h"

#include <algorithm>
#include <cstdio>

#include "Blit.h"

namespace veltrax {

bool IsEmpty(const Rect& r) { return r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0; }

bool Intersects(const Rect& a, const Rect& b) {
  return !IsEmpty(a) && !IsEmpty(b) && a.right >= b.left && a.left < b.right &&
         a.bottom >= b.top && a.top < b.bottom;
}

Rect Intersection(const Rect& a, const Rect& b) {
  return Rect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
}

Rect Union(const Rect& a, const Rect& b) {
  if (IsEmpty(a)) return b;
  if (IsEmpty(b)) return a;
  return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}

bool Contains(const Rect& r, int x, int y) {
  return !IsEmpty(r) && r.left <= x && x < r.right && r.top <= y && y < r.bottom;
}

bool operator==(const Rect& a, const Rect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

int BlitModeFor(const ControlBlend* blend) {
  switch (blend ? blend->kind : BlendKindAlpha) {
    case BlendKindOpaque: return BlendCopy;
    case BlendKindAdd: return BlendAdd | BlendUseSourceAlpha;
    case BlendKindDodge: return BlendDodge | BlendUseSourceAlpha;
    default: return BlendCopy | BlendUseSourceAlpha;
  }
}

ChoiceMenuItem::~ChoiceMenuItem() { delete submenu; }

ChoiceMenuItem* ChoiceMenu::AddItem(const char* text, int flags, ChoiceMenu* submenu) {
  ChoiceMenuItem* item = new ChoiceMenuItem();
  item->text.Set(text ? text : "");
  item->flags = flags;
  item->submenu = submenu;
  return items.Add(item) ? item : nullptr;
}

void ChoiceMenu::ItemLabel(int index, char* out, int outSize) const {
  if (!out || outSize <= 0) return;
  const ChoiceMenuItem* item = ItemAt(index);
  const char* text = item ? item->text.Get() : "";
  const int number = index + 1;
  switch (prefixKind) {
    case 1: std::snprintf(out, static_cast<size_t>(outSize), "%1d: %s", number, text); break;
    case 2: std::snprintf(out, static_cast<size_t>(outSize), "%02d: %s", number, text); break;
    case 3: std::snprintf(out, static_cast<size_t>(outSize), "%03d: %s", number, text); break;
    default: std::snprintf(out, static_cast<size_t>(outSize), "%s", text); break;
  }
}

}  // namespace veltrax
