// Windows text: GDI fonts, GDI glyph rendering into the scratch DIB section,
// native DrawText drawing, and the check for a Wine environment, where the
// cached path is taken instead.

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "Blit.h"
#include "FontPlatform.h"
#include "SystemFont.h"

namespace veltrax {

namespace {

HDC ContextOf(const RasterBitmap& bitmap) { return static_cast<HDC>(bitmap.DeviceContext()); }
HFONT AsFont(FontHandle font) { return static_cast<HFONT>(font); }
COLORREF AsColorRef(Pixel colour) { return RGB((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF); }

// [editor thread] -1 not yet determined, 0 no, 1 yes.
int wineIndicator = -1;

constexpr UINT kAlignmentBits = DT_CENTER | DT_RIGHT | DT_VCENTER | DT_BOTTOM;

// A lead byte with the continuation bytes it needs. Four-byte leads are
// recognised by their first two continuation bytes.
bool ContainsUtf8Sequence(const char* text, int length) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
  auto continuation = [&](int i) { return i < length && bytes[i] >= 0x80 && bytes[i] <= 0xBF; };
  for (int i = 0; i < length; ++i) {
    const unsigned char a = bytes[i];
    if (a >= 0xC2 && a <= 0xDF && continuation(i + 1)) return true;
    if (a >= 0xE0 && a <= 0xF4 && continuation(i + 1) && continuation(i + 2)) return true;
  }
  return false;
}

// The text as UTF-16 when it looks like UTF-8 and converts; otherwise the
// narrow bytes are drawn as given.
class TextForGdi {
 public:
  TextForGdi(const char* text, int length) : narrow(text), narrowLength(length) {
    if (length < 1 || !ContainsUtf8Sequence(text, length)) return;
    const int count = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, length, nullptr, 0);
    if (count < 1) return;
    wchar_t* buffer = count < 1000 ? local : static_cast<wchar_t*>(std::malloc(sizeof(wchar_t) * (count + 32)));
    if (buffer && MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, length, buffer, count) == count) {
      wide = buffer;
      wideLength = count;
    } else if (buffer != local) {
      std::free(buffer);
    }
  }
  ~TextForGdi() {
    if (wide && wide != local) std::free(wide);
  }
  TextForGdi(const TextForGdi&) = delete;
  TextForGdi& operator=(const TextForGdi&) = delete;

  int Draw(HDC dc, RECT* rect, UINT format) const {
    return wide ? DrawTextW(dc, wide, wideLength, rect, format) : DrawTextA(dc, narrow, narrowLength, rect, format);
  }

 private:
  const char* narrow;
  int narrowLength;
  wchar_t local[1024];
  wchar_t* wide = nullptr;
  int wideLength = 0;
};

void SetTextColours(HDC dc, const fontplatform::NativeTextRequest& request) {
  SetTextColor(dc, AsColorRef(request.inkColor));
  SetBkMode(dc, request.backMode);
  if (request.backMode == OPAQUE) SetBkColor(dc, AsColorRef(request.backColor));
}

// Native drawing onto a bitmap without a device context: the covered part is
// copied into the text scratch, drawn on by GDI and copied back.
int DrawThroughScratch(const fontplatform::NativeTextRequest& request, const TextForGdi& text) {
  SysBitmap* scratch = AcquireTextScratch(4, 4);
  if (!scratch || !scratch->DeviceContext()) return 0;
  HDC dc = ContextOf(*scratch);
  HGDIOBJ previous = SelectObject(dc, AsFont(request.font));
  RECT measured = {0, 0, 0, 0};
  const UINT format = request.format & ~kAlignmentBits;
  const int result = text.Draw(dc, &measured, format | DT_CALCRECT | DT_NOPREFIX);
  const int width = measured.right - measured.left, height = measured.bottom - measured.top;
  Rect& rect = *request.rect;
  if (!request.bitmap || (request.format & DT_CALCRECT)) {
    // Measuring only: nothing is drawn, also when a bitmap was passed.
    rect.right = rect.left + width;
    rect.bottom = rect.top + height;
    SelectObject(dc, previous);
    return result;
  }
  RasterBitmap& bitmap = *request.bitmap;
  int64_t x = rect.left, y = rect.top;
  if (request.format & DT_RIGHT) {
    x = static_cast<int64_t>(rect.right) - width;
  } else if (request.format & DT_CENTER) {
    x = (static_cast<int64_t>(rect.left) + rect.right - width) / 2;
  }
  if (request.format & DT_BOTTOM) {
    y = static_cast<int64_t>(rect.bottom) - height;
  } else if (request.format & DT_VCENTER) {
    y = (static_cast<int64_t>(rect.top) + rect.bottom - height) / 2;
  }
  int64_t left = std::max<int64_t>(x, 0), top = std::max<int64_t>(y, 0);
  int64_t right = std::min<int64_t>(x + width, bitmap.Width()), bottom = std::min<int64_t>(y + height, bitmap.Height());
  if (!(request.format & DT_NOCLIP)) {
    left = std::max<int64_t>(left, std::max(rect.left, 0));
    top = std::max<int64_t>(top, std::max(rect.top, 0));
    right = std::min<int64_t>(right, rect.right);
    bottom = std::min<int64_t>(bottom, rect.bottom);
  }
  if (right > left && bottom > top) {
    const int64_t margin = std::min<int64_t>(left, request.lineHeight < 16 ? 2 : request.lineHeight / 16 + 2);
    left -= margin;
    const int boxWidth = static_cast<int>(right - left), boxHeight = static_cast<int>(bottom - top);
    scratch = AcquireTextScratch(boxWidth, boxHeight);
    if (scratch) {
      const Rect box = {static_cast<int>(left), static_cast<int>(top), static_cast<int>(right), static_cast<int>(bottom)};
      Blit(scratch, &bitmap, 0, 0, &box, 1.0f, BlendCopy);
      SetTextColours(dc, request);
      RECT at = {static_cast<LONG>(x - left), static_cast<LONG>(y - top), static_cast<LONG>(x - left + width),
                 static_cast<LONG>(y - top + height)};
      text.Draw(dc, &at, format | DT_NOPREFIX);
      GdiFlush();
      const Rect drawn = {0, 0, boxWidth, boxHeight};
      Blit(&bitmap, scratch, box.left, box.top, &drawn, request.opacity, BlendCopy);
    }
  }
  SelectObject(dc, previous);
  return result;
}

}  // namespace

FontHandle CreateSystemFont(const SystemFontRequest& request) {
  DWORD quality;
  switch (request.quality) {
    case 0:
      quality = DEFAULT_QUALITY;
      break;
    case 2:
      quality = ANTIALIASED_QUALITY;
      break;
    case 3:
      quality = CLEARTYPE_QUALITY;
      break;
    default:
      quality = NONANTIALIASED_QUALITY;
  }
  char face[sizeof request.face];
  std::memcpy(face, request.face, sizeof face);
  face[sizeof face - 1] = 0;
  return CreateFontA(request.height, request.width, request.escapement, request.orientation, request.weight,
                     request.italic, request.underline, request.strikeOut, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, quality, DEFAULT_PITCH | FF_DONTCARE, face);
}

void DeleteSystemFont(FontHandle font) {
  if (font) DeleteObject(AsFont(font));
}

namespace fontplatform {

const bool kHasNativeText = true;

void PrepareGlyphScratch(SysBitmap& scratch) {
  HDC dc = ContextOf(scratch);
  if (!dc) return;
  SetTextColor(dc, RGB(255, 255, 255));
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, RGB(0, 0, 0));
}

int LineHeight(FontHandle font, SysBitmap& scratch) {
  HDC dc = ContextOf(scratch);
  if (!dc || !font) return 0;
  HGDIOBJ previous = SelectObject(dc, AsFont(font));
  TEXTMETRICA metrics = {};
  const BOOL measured = GetTextMetricsA(dc, &metrics);
  SelectObject(dc, previous);
  return measured ? metrics.tmHeight : 0;
}

void MeasureCharacter(FontHandle font, SysBitmap& scratch, int code, int* advance, int* height) {
  *advance = 0;
  *height = 0;
  HDC dc = ContextOf(scratch);
  if (!dc) return;
  HGDIOBJ previous = SelectObject(dc, AsFont(font));
  const wchar_t character = static_cast<wchar_t>(code);
  RECT r = {0, 0, 0, 0};
  DrawTextW(dc, &character, 1, &r, DT_NOPREFIX | DT_CALCRECT | DT_SINGLELINE);
  SelectObject(dc, previous);
  *advance = r.right;
  *height = r.bottom;
}

void DrawCharacter(FontHandle font, SysBitmap& scratch, int code, int left) {
  HDC dc = ContextOf(scratch);
  if (!dc) return;
  HGDIOBJ previous = SelectObject(dc, AsFont(font));
  const wchar_t character = static_cast<wchar_t>(code);
  RECT r = {left, 0, left, 0};
  DrawTextW(dc, &character, 1, &r, DT_NOPREFIX | DT_NOCLIP | DT_SINGLELINE);
  SelectObject(dc, previous);
  // The pixels are read straight from the section next.
  GdiFlush();
}

bool UnderWine() {
  if (wineIndicator < 0) {
    HKEY key = nullptr;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Wine", &key) == ERROR_SUCCESS) {
      RegCloseKey(key);
      wineIndicator = 1;
    } else {
      wineIndicator = 0;
    }
  }
  return wineIndicator == 1;
}

int WineIndicator() { return wineIndicator; }

int DrawTextNative(const NativeTextRequest& request) {
  const TextForGdi text(request.text, request.length);
  HDC dc = request.bitmap ? ContextOf(*request.bitmap) : nullptr;
  if (!dc) return DrawThroughScratch(request, text);
  HGDIOBJ previous = SelectObject(dc, AsFont(request.font));
  SetTextColours(dc, request);
  Rect& rect = *request.rect;
  RECT r = {rect.left, rect.top, rect.right, rect.bottom};
  const int result = text.Draw(dc, &r, request.format | DT_NOPREFIX);
  if (request.format & DT_CALCRECT) rect = {r.left, r.top, r.right, r.bottom};
  SelectObject(dc, previous);
  GdiFlush();
  return result;
}

}  // namespace fontplatform

}  // namespace veltrax
