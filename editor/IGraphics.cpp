#include "IGraphics.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "Blit.h"
#include "Controls.h"
#include "EditorCaches.h"
#include "EffectBase.h"
#include "Parameter.h"
#include "PngImage.h"
#include "RasterPlatform.h"
#include "RasterFont.h"
#include "SystemFont.h"
#include "TextCopy.h"

namespace veltrax {

namespace {

int ClampToInt(int64_t v) {
  return static_cast<int>(std::min<int64_t>(std::max<int64_t>(v, INT32_MIN), INT32_MAX));
}

// Rounded towards minus infinity, in 64 bits: every int has an answer.
int64_t FloorDiv(int64_t v, int64_t divisor) {
  return v >= 0 ? v / divisor : -((-v + divisor - 1) / divisor);
}

}  // namespace

namespace {

// A factor as a scale: 1 or 2, or 0 for none (not a positive finite
// number up to 8).
int ScaleOfFactor(double factor) {
  if (!(factor > 0.0 && factor <= 8.0)) return 0;
  return factor >= 1.75 ? 2 : 1;
}

// The user's override, read once: exactly 1 or 2.
int UserScale() {
  const char* text = std::getenv("VELTRAX_PANEL_SCALE");
  if (text == nullptr) return 0;
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  if (end == text || *end != '\0') return 0;
  return value == 1.0 ? 1 : (value == 2.0 ? 2 : 0);
}

}  // namespace

IGraphics::IGraphics(IEffectBase* newPlugin, int newWidth, int newHeight, int newFrameRate,
                     ModuleHandle newModule)
    : plugin(newPlugin),
      module(newModule),
      width(newWidth),
      height(newHeight),
      frameRate(newFrameRate),
      userScale(UserScale()) {
  targetScale.store(userScale == 2 ? 2 : 1);
}

IGraphics::~IGraphics() {
  // The plug-in is being destroyed around its editor and can no longer be
  // told of a gesture (its adapter closes the window earlier, while it
  // still can): one left open is forgotten.
  ResetCapture();
  // The window closes first, while the controls it may still reach are
  // whole; a close from another thread returns once the window's thread
  // has left our handlers. A modal call of the services that returns after
  // them touches nothing.
  if (window) window->Close();
  if (services != &noServices) delete services;
  services = &noServices;
  delete window;
  window = nullptr;
  delete keyCatcher;
  keyCatcher = nullptr;
  controls.DeleteAll();
  DestroySurface();
}

void IGraphics::SetPlatform(IPlatformWindow* newWindow, IEditorServices* newServices) {
  if (newWindow != window) delete window;
  if (newServices != services && services != &noServices) delete services;
  window = newWindow;
  services = newServices ? newServices : &noServices;
}

// ---------------------------------------------------------------------------
// The platform

bool IGraphics::PaintSurface(const Rect& rect) {
  return window ? window->Paint(ToDevice(rect)) : true;
}

int IGraphics::ToPanel(int device) const { return static_cast<int>(FloorDiv(device, DrawnScale())); }

// Right and bottom go up to the next whole panel pixel: the result covers
// every device pixel of the rectangle.
Rect IGraphics::ToPanel(const Rect& device) const {
  const int s = DrawnScale();
  const auto up = [s](int v) { return static_cast<int>(-FloorDiv(-int64_t{v}, s)); };
  return Rect{ToPanel(device.left), ToPanel(device.top), up(device.right), up(device.bottom)};
}

int IGraphics::ToDevice(int panel) const { return ClampToInt(int64_t{panel} * DrawnScale()); }

Rect IGraphics::ToDevice(const Rect& panel) const {
  return Rect{ToDevice(panel.left), ToDevice(panel.top), ToDevice(panel.right), ToDevice(panel.bottom)};
}

void* IGraphics::OpenWindow(void* parent, IHostRunLoop* loop) {
  if (!window || !surface) return nullptr;
  ApplyScale();
  MarkAllDirty();
  // The window may find the screen's scale while it opens: the host's frame
  // is sized already, so a change asks the host first.
  opening = true;
  void* opened = window->Open(parent, loop);
  opening = false;
  return opened;
}

bool IGraphics::DrawText(TextStyle& style, const char* text, const Rect& rect) {
  Rect target = ToDevice(rect);
  if (DrawnScale() == 1) return RenderStyledText(style, text, target, false);
  TextStyle scaled = style;
  scaled.font = nullptr;
  scaled.size = ToDevice(style.size);
  return RenderStyledText(scaled, text, target, false);
}

void IGraphics::CloseWindow() {
  if (window) window->Close();
}

void IGraphics::Idle() {
  if (window) window->Idle();
}

void IGraphics::OnHostTimer() {
  if (window) window->OnTimer();
}

void IGraphics::OnHostFd(int fd) {
  if (window) window->OnFdReady(fd);
}

void* IGraphics::WindowHandle() { return window ? window->Handle() : nullptr; }

void IGraphics::HideCursor() {
  if (window) window->HideCursor();
}

void IGraphics::RestoreCursor() {
  if (window) window->RestoreCursor();
}

int IGraphics::ShowMessageBox(const char* text, const char* caption, int type) {
  return services->ShowMessageBox(text, caption, type);
}

ChoiceMenu* IGraphics::ShowChoiceMenu(ChoiceMenu& menu, const Rect& rect) {
  // The press that opened the menu loses the mouse to it, and its release
  // goes to the menu: the press's edit ends here for the host. The choice,
  // if any, is an edit of its own.
  EndOpenGesture();
  return services->ShowChoiceMenu(menu, ToDevice(rect));
}

void IGraphics::BeginTextEntry(IControl* control, const TextStyle& style, const Rect& rect,
                               const char* initialText, Parameter* parameter) {
  // The box over the control, its text at the panel's scale.
  TextStyle device = style;
  device.font = nullptr;
  device.size = ToDevice(style.size);
  services->BeginTextEntry(control, device, ToDevice(rect), initialText, parameter);
}

void IGraphics::CancelTextEntry() { services->CancelTextEntry(); }

// A folder that cannot be stored whole leaves the answer empty, not stale.
void IGraphics::HostFolder(GrowString& out) {
  out.Clear();
  services->HostFolder(out);
}

void IGraphics::PluginFolder(GrowString& out) {
  out.Clear();
  services->PluginFolder(out);
}

void IGraphics::DesktopFolder(GrowString& out) {
  out.Clear();
  services->DesktopFolder(out);
}

void IGraphics::AppDataFolder(GrowString& out, bool allUsers) {
  out.Clear();
  services->AppDataFolder(out, allUsers);
}

void IGraphics::PromptForFile(GrowString& fileName, int action, GrowString& directory,
                              const char* extensions) {
  services->PromptForFile(fileName, action, directory, extensions);
}

bool IGraphics::PromptForColour(EditorColour& colour, const char* prompt) {
  return services->PromptForColour(colour, prompt);
}

bool IGraphics::OpenUrl(const char* url, const char* caption, const char* confirmText,
                        const char* errorText) {
  return services->OpenUrl(url, caption, confirmText, errorText);
}

bool IGraphics::ReadClipboardText(GrowString& out) { return services->ReadClipboardText(out); }

RasterBitmap* IGraphics::LoadImageResource(int resourceId, const char* fileName) {
  // The name chooses the decoder only; the image always comes from the module.
  if (!HasPngExtension(fileName)) return nullptr;
  return LoadPngResource(module, resourceId);
}

// ---------------------------------------------------------------------------
// Controls and the editor link

int IGraphics::ControlCount() const { return controls.Count(); }

IControl* IGraphics::GetControl(int index) const { return controls.Get(index); }

int IGraphics::ControlParamIndex(int position) const { return ParamOf(position); }

int IGraphics::ParamOf(int index) const {
  const IControl* control = controls.Get(index);
  return control ? control->ParamIndex() : -1;
}

int IGraphics::ControlAuxBindingFor(int position, int param) const {
  const IControl* control = controls.Get(position);
  return control ? control->AuxBindingFor(param) : -1;
}

void IGraphics::SetValueFromPlug(int position, double normalised) {
  if (IControl* control = controls.Get(position)) control->SetValueFromPlug(normalised);
}

void IGraphics::SetAuxValueFromPlug(int position, int binding, double normalised) {
  if (IControl* control = controls.Get(position)) control->SetAuxValueFromPlug(binding, normalised);
}

void IGraphics::SetParameterFromPlug(int param, double value, bool normalised) {
  const Parameter* parameter = plugin ? plugin->ParamAt(param) : nullptr;
  if (!parameter) return;
  const double v = normalised ? value : parameter->Normalize(value);
  for (int i = 0; i < controls.Count(); ++i) {
    IControl* control = controls.Get(i);
    if (control->ParamIndex() == param) control->SetValueFromPlug(v);
    const int binding = control->AuxBindingFor(param);
    if (binding >= 0) control->SetAuxValueFromPlug(binding, v);
  }
}

int IGraphics::ChosenScale() const {
  int scale = userScale;
  if (scale == 0) scale = hostScale.load(std::memory_order_acquire);
  if (scale == 0) scale = screenScale.load(std::memory_order_acquire);
  if (scale == 0) scale = 1;
  // Without its images the panel is not drawn at twice the size.
  const void* data = nullptr;
  int size = 0;
  if (scale == 2 && backgroundResource != 0 &&
      !rasterplatform::FindModuleResource(module, backgroundResource + kDoubleSizeResourceOffset, "PNG",
                                          &data, &size)) {
    scale = 1;
  }
  return scale;
}

void IGraphics::SetUserScale(int scale) {
  if (scale != 1 && scale != 2) return;
  userScale = scale;
  targetScale.store(ChosenScale(), std::memory_order_release);
  ApplyScale();
}

void IGraphics::SetHostScale(double factor) {
  hostScale.store(ScaleOfFactor(factor), std::memory_order_release);
  ChangeScale(ChosenScale());
}

void IGraphics::SetScreenScale(double factor) {
  screenScale.store(ScaleOfFactor(factor), std::memory_order_release);
  ChangeScale(ChosenScale());
}

void IGraphics::ChangeScale(int wanted) {
  if (wanted == Scale()) return;
  // A window that is open (or opening, in a frame the host has sized
  // already) takes its new size from the host's frame: a host that refuses
  // keeps the panel as it is. Hosts read the size again from inside the
  // request: it is the new one until the answer.
  const bool open = IsWindowOpen();
  if (open || opening) {
    requestedScale.store(wanted, std::memory_order_release);
    const bool agreed = plugin && plugin->ResizeEditorWindow(width * wanted, height * wanted);
    if (agreed) targetScale.store(wanted, std::memory_order_release);
    requestedScale.store(0, std::memory_order_release);
    if (!agreed) return;
  } else {
    targetScale.store(wanted, std::memory_order_release);
  }
  if (window && open) {
    window->SetSize(Width(), Height(), /*framesFollow=*/false);
  } else {
    ApplyScale();
  }
}

bool IGraphics::ApplyScale() {
  if (Scale() == DrawnScale() && surface) return false;
  PrepareSurface();
  MarkAllDirty();
  return true;
}

RasterBitmap* IGraphics::DoubleSizeImage(const EditorBitmap& bitmap) {
  if (bitmap.resourceId == 0) return nullptr;
  const int id = bitmap.resourceId + kDoubleSizeResourceOffset;
  RasterBitmap* image = imagecache::Find(id);
  if (!image) {
    if (RasterBitmap* loaded = LoadImageResource(id, bitmap.fileName)) {
      imagecache::Add(id, loaded);
      image = imagecache::Find(id);
    }
  }
  return image;
}

EditorBitmap IGraphics::LoadImage(int resourceId, const char* fileName, int frameCount,
                                  bool framesSideBySide) {
  RasterBitmap* image = imagecache::Find(resourceId);
  if (!image) {
    // Loaded outside the cache's lock; should two editors miss at once,
    // both append and the first entry is the one used from then on.
    if (RasterBitmap* loaded = LoadImageResource(resourceId, fileName)) {
      imagecache::Add(resourceId, loaded);
      image = imagecache::Find(resourceId);
    }
  }
  EditorBitmap bitmap;
  bitmap.image = image;
  bitmap.width = image ? image->Width() : 0;
  bitmap.height = image ? image->Height() : 0;
  bitmap.frameCount = frameCount > 1 ? frameCount : 1;
  bitmap.framesSideBySide = framesSideBySide;
  bitmap.resourceId = resourceId;
  bitmap.fileName = fileName;
  return bitmap;
}

void IGraphics::AttachBackground(int resourceId, const char* fileName) {
  const EditorBitmap bitmap = LoadImage(resourceId, fileName, 1, false);
  backgroundResource = bitmap.image ? resourceId : 0;
  // The art is known now: the user's scale applies from the first size
  // the host asks for.
  targetScale.store(ChosenScale(), std::memory_order_release);
  const Rect whole{0, 0, bitmap.width, bitmap.height};
  controls.Insert(0, new IBitmapControl(plugin, whole, -1, bitmap, ControlBlend{BlendKindOpaque, 1.0f}));
}

void IGraphics::AttachControl(IControl* control) {
  if (control) controls.Add(control);
}

void IGraphics::SetKeyCatcher(IControl* control) {
  if (control == keyCatcher) return;
  delete keyCatcher;
  keyCatcher = control;
}

void IGraphics::PrepareSurface() {
  DestroySurface();
  const int s = Scale();
  drawnScale.store(s, std::memory_order_relaxed);
  surface = new (std::nothrow) SysBitmap(width * s, height * s);
  spareBitmap = new (std::nothrow) MemBitmap();
}

void IGraphics::DestroySurface() {
  delete surface;
  surface = nullptr;
  delete spareBitmap;
  spareBitmap = nullptr;
}

void IGraphics::Resize(int newWidth, int newHeight) {
  if (!plugin) return;
  // The control holding a gesture is about to go: the host gets its end,
  // before the lock is taken.
  EndOpenGesture();
  width = newWidth;
  height = newHeight;
  // The surface is this thread's alone: made before the rebuild, which may
  // measure text, and without the lock.
  PrepareSurface();
  {
    // The audio thread reaches the controls by position under PlugLock; the
    // list must not change under it.
    PlugLockGuard guard(plugin->Lock());
    hoverIndex = -1;
    controls.DeleteAll();
    plugin->EditorResized();
  }
  if (window) window->SetSize(Width(), Height(), /*framesFollow=*/true);
}

// ---------------------------------------------------------------------------
// Redrawing

bool IGraphics::CollectDirty(Rect& rect) {
  bool any = false;
  for (int i = 0; i < controls.Count(); ++i) {
    const IControl* control = controls.Get(i);
    if (!control->IsDirty()) continue;
    any = true;
    const Rect& r = control->GetRect();
    if (IsEmpty(rect)) {
      rect = r;
    } else if (!IsEmpty(r)) {
      rect = Union(rect, r);
    }
  }
  return any;
}

void IGraphics::MarkAllDirty() {
  for (int i = 0; i < controls.Count(); ++i) controls.Get(i)->MarkDirty(false);
}

bool IGraphics::Redraw(const Rect& rect) {
  const int count = controls.Count();
  if (count == 0) return true;
  if (strictDrawing) {
    clipRect = rect;
    for (int i = 0; i < count; ++i) {
      IControl* control = controls.Get(i);
      const Rect& r = control->GetRect();
      if (!control->IsHidden() && !IsEmpty(rect) && !IsEmpty(r) && Intersects(rect, r)) {
        control->Draw(this);
      }
      control->MarkDrawn();
    }
  } else {
    IControl* background = controls.Get(0);
    if (background->IsDirty()) {
      clipRect = background->GetRect();
      for (int i = 0; i < count; ++i) {
        IControl* control = controls.Get(i);
        if (i == 0 || !control->IsHidden()) {
          control->Draw(this);
          control->MarkDrawn();
        }
      }
    } else {
      for (int i = 1; i < count; ++i) {
        IControl* dirty = controls.Get(i);
        if (!dirty->IsDirty()) continue;
        clipRect = dirty->GetRect();
        for (int j = 0; j < count; ++j) {
          IControl* control = controls.Get(j);
          if (control->IsHidden()) continue;
          const Rect& r = control->GetRect();
          if (j == i || (!IsEmpty(r) && Intersects(r, clipRect))) control->Draw(this);
        }
        dirty->MarkDrawn();
      }
    }
  }
  return PaintSurface(rect);
}

bool IGraphics::DrawBitmap(const EditorBitmap& bitmap, const Rect& rect, int srcX, int srcY,
                           const ControlBlend* blend) {
  Rect c{};
  if (!IsEmpty(rect) && !IsEmpty(clipRect) && Intersects(rect, clipRect)) {
    c = Intersection(rect, clipRect);
  }
  // In 64 bits, held to the int range: far-off rectangles must not wrap.
  const int64_t left = int64_t{srcX} + c.left - rect.left;
  const int64_t top = int64_t{srcY} + c.top - rect.top;
  Rect source;
  source.left = ClampToInt(left);
  source.top = ClampToInt(top);
  source.right = ClampToInt(left + (int64_t{c.right} - c.left));
  source.bottom = ClampToInt(top + (int64_t{c.bottom} - c.top));
  if (!surface || !bitmap.image) return true;
  const float weight = blend ? blend->weight : 1.0f;
  if (DrawnScale() == 1) {
    Blit(surface, bitmap.image, c.left, c.top, &source, weight, BlitModeFor(blend));
    return true;
  }
  // At twice the size: the image drawn for it, at twice the positions. A
  // panel without that image draws nothing there rather than a blur.
  RasterBitmap* image = DoubleSizeImage(bitmap);
  if (!image) return true;
  const Rect doubled = ToDevice(source);
  Blit(surface, image, ToDevice(c.left), ToDevice(c.top), &doubled, weight, BlitModeFor(blend));
  return true;
}

bool IGraphics::DrawBitmapFrame(const EditorBitmap& bitmap, const Rect& rect, int frame,
                                const ControlBlend* blend) {
  int srcX = 0;
  int srcY = 0;
  if (bitmap.frameCount > 1 && frame > 1) {
    if (bitmap.framesSideBySide) {
      srcX = TruncateToInt32(static_cast<double>(bitmap.width) * (frame - 1) / bitmap.frameCount + 0.5);
    } else {
      srcY = TruncateToInt32(static_cast<double>(bitmap.height) * (frame - 1) / bitmap.frameCount + 0.5);
    }
  }
  return DrawBitmap(bitmap, rect, srcX, srcY, blend);
}

// ---------------------------------------------------------------------------
// Text

namespace {

CachedFont* ResolveFont(TextStyle& style) {
  if (style.font) return style.font;
  char face[sizeof style.face];
  CopyTextBounded(face, style.face, sizeof face);
  CachedFont* font = fontcache::Find(style.size, style.orientation, style.style, face);
  if (!font) {
    SystemFontRequest request;
    request.height = style.size;
    request.width = 0;
    request.escapement = style.orientation * 10;
    request.orientation = style.orientation * 10;
    request.weight = style.style == 1 ? 700 : 400;
    request.italic = style.style == 2;
    request.quality = (style.quality == 0 || style.quality == 2 || style.quality == 3) ? style.quality : 1;
    CopyTextBounded(request.face, face, sizeof request.face);
    const FontHandle handle = CreateSystemFont(request);
    // Nothing is cached for a font that cannot be made: the next call tries again.
    if (!handle) return nullptr;
    CachedFont* created = new (std::nothrow) CachedFont();
    if (!created) {
      DeleteSystemFont(handle);
      return nullptr;
    }
    created->SetGdiFont(handle, FontOwnsHandle | FontNativeGdi);
    fontcache::Add(style.size, style.orientation, style.style, face, created);
    font = fontcache::Find(style.size, style.orientation, style.style, face);
  }
  style.font = font;
  return font;
}

Pixel InkOf(const EditorColour& colour) {
  return (static_cast<Pixel>(colour.alpha & 0xFF) << 24) | (static_cast<Pixel>(colour.red & 0xFF) << 16) |
         (static_cast<Pixel>(colour.green & 0xFF) << 8) | static_cast<Pixel>(colour.blue & 0xFF);
}

}  // namespace

bool IGraphics::RenderStyledText(TextStyle& style, const char* text, Rect& rect, bool measure) {
  if (!text || text[0] == '\0') return true;
  TextDrawingGuard shared;
  CachedFont* font = ResolveFont(style);
  if (!font) return false;
  font->SetInkColor(InkOf(style.colour));
  uint32_t format = TextNoClip;
  if ((style.colour.alpha & 0xFF) != 255) format |= TextUseColorAlpha;
  if (style.alignment == 1) {
    format |= TextCentre;
  } else if (style.alignment != 0) {
    format |= TextRight;
  }
  if (!measure) {
    if (surface) {
      Rect target = rect;
      font->RenderText(surface, text, -1, &target, format);
    }
    return true;
  }
  Rect extent{};
  font->RenderText(surface, text, -1, &extent, format | TextMeasure);
  const int w = extent.right - extent.left;
  const int h = extent.bottom - extent.top;
  if (style.alignment == 0) {
    rect.right = rect.left + w;
  } else if (style.alignment == 1) {
    const int centre = static_cast<int>(static_cast<float>(rect.left + rect.right) * 0.5f);
    rect.left = -(w / 2) + centre;
    rect.right = rect.left + w;
  } else {
    rect.left = rect.right - w;
  }
  rect.bottom = rect.top + h;
  return true;
}



bool IGraphics::MeasureText(TextStyle& style, const char* text, Rect& rect) {
  return RenderStyledText(style, text, rect, true);
}

// ---------------------------------------------------------------------------
// Mouse and keys

int IGraphics::FindControl(int x, int y, bool allowGreyed) const {
  for (int i = controls.Count() - 1; i >= 0; --i) {
    IControl* control = controls.Get(i);
    if (control->IsHidden()) continue;
    if (control->IsGreyed() && !(allowGreyed && control->hoverWhenGreyed)) continue;
    if (control->HitTest(x, y)) return i;
  }
  return -1;
}

void IGraphics::ResetCapture() {
  lastMouseX = lastMouseY = -1;
  captureIndex = -1;
  gestureParam = -1;
}

bool IGraphics::BeginGesture(int index, int x, int y) {
  captureIndex = index;
  lastMouseX = x;
  lastMouseY = y;
  const int param = ParamOf(index);
  if (!plugin || param < 0) return true;
  gestureParam = param;
  plugin->BeginEditFromEditor(param);
  // A host that closed the editor from inside its begin callback has had
  // the end already: the rest of the press is dropped.
  return captureIndex == index && gestureParam == param;
}

void IGraphics::HandleMouseDown(int x, int y, const MouseModifiers& modifiers) {
  // A press while another button still holds a gesture (left held, right
  // pressed): the host must get the end of the first edit before a new one.
  EndOpenGesture();
  const int index = FindControl(x, y);
  if (index < 0) return;
  if (!BeginGesture(index, x, y)) return;
  controls.Get(index)->MouseDown(x, y, modifiers);
}

// Only the press that captured ends: a release without one (the second
// button of a chord, a press that began outside) tells the host nothing.
void IGraphics::HandleMouseUp(int x, int y, const MouseModifiers& modifiers) {
  IControl* control = controls.Get(captureIndex);
  const int param = gestureParam;
  ResetCapture();
  if (!control) return;
  control->MouseUp(x, y, modifiers);
  if (plugin && param >= 0) plugin->EndEditFromEditor(param);
}

void IGraphics::EndOpenGesture() {
  IControl* control = controls.Get(captureIndex);
  const int param = gestureParam;
  const int x = lastMouseX;
  const int y = lastMouseY;
  ResetCapture();
  if (!control) return;
  control->MouseUp(x, y, MouseModifiers{});
  if (plugin && param >= 0) plugin->EndEditFromEditor(param);
}

void IGraphics::HandleMouseDrag(int x, int y, const MouseModifiers& modifiers) {
  IControl* control = controls.Get(captureIndex);
  if (!control || (x == lastMouseX && y == lastMouseY)) return;
  const int dx = x - lastMouseX;
  const int dy = y - lastMouseY;
  lastMouseX = x;
  lastMouseY = y;
  control->MouseDrag(x, y, dx, dy, modifiers);
}

// A double click that acts as a press begins a gesture like one; any other
// changes the value at once, and the plug-in frames that one value as a
// complete edit for the host.
bool IGraphics::HandleDoubleClick(int x, int y, const MouseModifiers& modifiers) {
  EndOpenGesture();
  const int index = FindControl(x, y);
  if (index < 0) return false;
  IControl* control = controls.Get(index);
  if (control->doubleClickAsPress) {
    if (!BeginGesture(index, x, y)) return false;
    control->MouseDown(x, y, modifiers);
    return true;
  }
  control->MouseDoubleClick(x, y, modifiers);
  return false;
}

void IGraphics::HandleWheel(int x, int y, const MouseModifiers& modifiers, int delta) {
  const int index = captureIndex >= 0 ? captureIndex : FindControl(x, y);
  if (IControl* control = controls.Get(index)) control->MouseWheel(x, y, modifiers, delta);
}

bool IGraphics::HandleMouseOver(int x, int y, const MouseModifiers& modifiers) {
  if (!hoverTracking) return false;
  const int index = captureIndex >= 0 ? captureIndex : FindControl(x, y, true);
  IControl* control = controls.Get(index);
  if (!control) return true;
  lastMouseX = x;
  lastMouseY = y;
  control->MouseOver(x, y, modifiers);
  if (hoverIndex >= 0 && hoverIndex != index) {
    if (IControl* previous = controls.Get(hoverIndex)) previous->MouseOut();
  }
  hoverIndex = index;
  return true;
}

void IGraphics::HandleMouseOut() {
  for (int i = 0; i < controls.Count(); ++i) controls.Get(i)->MouseOut();
  hoverIndex = -1;
}

bool IGraphics::HandleKeyDown(int x, int y, int key) {
  const int index = captureIndex >= 0 ? captureIndex : FindControl(x, y);
  if (index >= 1) {
    if (IControl* control = controls.Get(index)) return control->KeyDown(x, y, key);
  }
  return keyCatcher ? keyCatcher->KeyDown(x, y, key) : false;
}

// ---------------------------------------------------------------------------
// Prompts

void IGraphics::PromptUserInput(IControl* control, Parameter* parameter, const Rect& rect) {
  if (!control || !parameter || IsEmpty(rect)) return;
  const int textCount = parameter->DisplayTextCount();
  if ((parameter->type == Bool && textCount > 0) || parameter->type == Enum) {
    ChoiceMenu menu;
    char current[Parameter::kTextSize];
    parameter->FormatCurrent(current, sizeof current);
    for (int i = 0; i < textCount; ++i) {
      const char* text = "";
      for (int k = 0; k < textCount; ++k) {
        const DisplayText* entry = parameter->DisplayTextAt(k);
        if (entry && entry->value == i) {
          text = entry->text;
          break;
        }
      }
      menu.AddItem(text, std::strcmp(text, current) == 0 ? ChoiceItemChecked : 0);
    }
    // A menu handed back without a chosen item changes nothing.
    ChoiceMenu* chosen = ShowChoiceMenu(menu, rect);
    if (chosen && chosen->chosenIndex >= 0) {
      control->SetValueFromUser(parameter->Normalize(chosen->chosenIndex));
    }
    return;
  }
  double shown = parameter->value;
  if (parameter->negateDisplay) shown = -shown;
  char text[64];
  if (parameter->displayPrecision == 0) {
    std::snprintf(text, sizeof text, "%d", TruncateToInt32(shown));
  } else {
    std::snprintf(text, sizeof text, "%.*f", parameter->displayPrecision, shown);
  }
  BeginTextEntry(control, control->Text(), rect, text, parameter);
}

}  // namespace veltrax
