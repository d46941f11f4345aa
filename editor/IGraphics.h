#pragma once
// The platform-independent editor: the ordered control list, the drawing
// surface every control paints into, the redraw cycle and the mouse and key
// dispatch. A platform gives it a window (the window contract,
// PlatformWindow.h) and services (menus, dialogs, clipboard, links and
// folders, EditorServices.h); nothing here, and nothing a portable file
// includes, needs a system window header.
//
// Thread tags: [who calls; which lock]. The host's threads and the audio
// thread reach the editor only through SetParameterFromPlug and
// SetValueFromPlug, which store values and raise flags in the controls. The
// editor thread draws; the input thread applies the user's mouse and keys.
// They are one thread on Windows and where the host drives the window;
// under a VST 2 host on Linux the window's own thread draws while the
// host's user-interface thread applies input at its idle calls. Input
// touches only values and flags of the controls (atomics) that drawing
// reads, and its own capture state.

#include <atomic>

#include "EditorLink.h"
#include "EditorServices.h"
#include "EditorTypes.h"
#include "PlatformWindow.h"
#include "GrowBuffer.h"
#include "GrowString.h"
#include "RasterBitmap.h"

namespace veltrax {

class IControl;
class IEffectBase;
class Parameter;

class IGraphics : public IEditorLink {
 public:
  // [construction thread; no lock] No surface until PrepareSurface; module
  // is where the images are found.
  IGraphics(IEffectBase* plugin, int width, int height, int frameRate, ModuleHandle module = nullptr);
  // [UI thread; no lock] Forgets an open gesture (the plug-in is going),
  // closes the window, then destroys the services, the window, the key
  // catcher, the controls (highest index first) and the surface; images and
  // fonts stay cached.
  ~IGraphics() override;
  IGraphics(const IGraphics&) = delete;
  IGraphics& operator=(const IGraphics&) = delete;

  // The platform's window and services, owned; set once by the platform's
  // factory before the window can open. No window: the editor draws
  // offscreen. No services: NoServices answer, as if cancelled.
  // [construction thread; no lock]
  void SetPlatform(IPlatformWindow* window, IEditorServices* services);
  IPlatformWindow* Window() const { return window; }
  IEditorServices* Services() const { return services; }

  // What the editor asks of its platform, passed to the window and the
  // services (virtual, so that tests can watch them). [editor thread; no
  // lock] unless noted.
  // Copies rect of the surface to the screen; true without a window.
  virtual bool PaintSurface(const Rect& rect);
  // Sets rect to where the text would be drawn in style; false when the font
  // cannot be created.
  virtual bool MeasureText(TextStyle& style, const char* text, Rect& rect);
  // Rebuilds for a new size: an open gesture ends, the controls are
  // destroyed and the plug-in is told to build them afresh; the window
  // follows. [the thread that draws, which is also the one that applies
  // input (tools and tests: Veltrax never resizes); PlugLock not held:
  // taken for the control list]
  virtual void Resize(int newWidth, int newHeight);
  bool IsWindowOpen() { return WindowHandle() != nullptr; }
  // [input thread; PlugLock not held] The services; see EditorServices.h.
  // Rectangles in the panel's units; the services get device pixels. A
  // menu takes the mouse: the press that opened it ends its edit first.
  virtual int ShowMessageBox(const char* text, const char* caption, int type);
  virtual ChoiceMenu* ShowChoiceMenu(ChoiceMenu& menu, const Rect& rect);
  virtual void BeginTextEntry(IControl* control, const TextStyle& style, const Rect& rect,
                              const char* initialText, Parameter* parameter);
  virtual void CancelTextEntry();
  void HostFolder(GrowString& out);
  void PluginFolder(GrowString& out);
  void DesktopFolder(GrowString& out);
  void AppDataFolder(GrowString& out, bool allUsers);
  void UserAppDataFolder(GrowString& out) { AppDataFolder(out, false); }
  void PromptForFile(GrowString& fileName, int action, GrowString& directory,
                     const char* extensions);
  bool PromptForColour(EditorColour& colour, const char* prompt);
  bool OpenUrl(const char* url, const char* caption, const char* confirmText,
               const char* errorText);
  bool ReadClipboardText(GrowString& out);
  // [UI thread; PlugLock not held] See IEditorLink; none without a window.
  void* OpenWindow(void* parent, IHostRunLoop* loop) override;
  void CloseWindow() override;
  void Idle() override;
  void OnHostTimer() override;
  void OnHostFd(int fd) override;
  // [any thread; no lock]
  void* WindowHandle();
  // [editor thread; no lock]
  void HideCursor();
  void RestoreCursor();
  // [construction thread; no lock] The image for a resource of the module,
  // or none.
  virtual RasterBitmap* LoadImageResource(int resourceId, const char* fileName);

  // The editor link. [any thread; no lock] Sizes and bindings never change
  // while a host thread or the audio thread can ask.
  // Device pixels: the panel at the scale the window has, or at the one it
  // is asking the host for while that request is out (hosts ask for the
  // size again from inside their answer).
  int Width() const override { return width * ShownScale(); }
  int Height() const override { return height * ShownScale(); }
  // [any thread; no lock] The panel's own size; controls, mouse positions
  // and drawing calls are in these units at every scale.
  int PanelWidth() const { return width; }
  int PanelHeight() const { return height; }

  // Scale: the panel at its own size (1) or at twice it (2), drawn from
  // images made for that size. The scale comes from, first usable wins: the
  // user's VELTRAX_PANEL_SCALE (1 or 2), the host's factor, the screen's,
  // else 1. Factors from 1.75 up give 2, others 1; one that is not a
  // positive finite number up to 8 counts as none, and so does 2 when the
  // module has no images for it.
  static constexpr int kDoubleSizeResourceOffset = 100;
  // [any thread; no lock] The scale the window has or is about to take.
  int Scale() const { return targetScale.load(std::memory_order_acquire); }
  // [any thread; no lock] The scale the surface is drawn at.
  int DrawnScale() const { return drawnScale.load(std::memory_order_relaxed); }
  // Device pixels of the window and the panel's own units, at the scale
  // the surface is drawn at. [any thread; no lock] A point goes to the
  // panel rounded down (a captured pointer may be left of or above the
  // window), a rectangle out to the panel pixels it touches; to device
  // pixels, held to the int range.
  int ToPanel(int device) const;
  Rect ToPanel(const Rect& device) const;
  int ToDevice(int panel) const;
  Rect ToDevice(const Rect& panel) const;
  // [UI thread; PlugLock not held] The host's factor: the panel takes the
  // scale the sources now choose; an open window asks the host for its new
  // size first and keeps the old one when the host refuses.
  void SetHostScale(double factor) override;
  // [UI thread; PlugLock not held] The screen's factor, as the window finds
  // it (at open, or when the screen changes); as SetHostScale.
  void SetScreenScale(double factor);
  // [construction thread, no window open; no lock] The user's scale (1 or 2)
  // as a tool sets it, over VELTRAX_PANEL_SCALE.
  void SetUserScale(int scale);
  // [the thread that draws: the window's, or the UI thread while none is
  // open; no lock] Rebuilds the surface at the scale the window is to take,
  // every control dirty; the window calls it where it draws. True when the
  // scale changed.
  bool ApplyScale();
  int ControlCount() const override;
  int ControlParamIndex(int position) const override;
  int ControlAuxBindingFor(int position, int param) const override;
  // [any thread; PlugLock held: the host's threads and the audio thread]
  // Values and flags only.
  void SetValueFromPlug(int position, double normalised) override;
  void SetAuxValueFromPlug(int position, int binding, double normalised) override;
  // Moves every control bound to param; value is plain unless normalised.
  void SetParameterFromPlug(int param, double value, bool normalised) override;
  // [construction thread (under PlugLock there), or the thread that draws
  // as for ApplyScale; no lock needed: only that thread touches the
  // surface] (Re)creates the surface at the target scale.
  void PrepareSurface() override;
  // Building the panel. [construction thread; no lock]
  // Looks the image up in the process-wide cache, loading it on a miss; a
  // missing image gives a bitmap without image and size.
  EditorBitmap LoadImage(int resourceId, const char* fileName, int frameCount = 1,
                         bool framesSideBySide = false);
  // Inserts an opaque image control of the whole image at index 0.
  void AttachBackground(int resourceId, const char* fileName);
  // Appends; the list takes the control (deleted when it cannot be stored).
  void AttachControl(IControl* control);
  // [any thread; no lock] None for an index outside the list.
  IControl* GetControl(int index) const;
  // [construction thread; no lock] Receives keys no control takes; the
  // editor takes ownership.
  void SetKeyCatcher(IControl* control);

  // The redraw cycle. [editor thread; no lock]
  // Widens rect (start empty) by the rectangles of the dirty controls,
  // hidden ones included; true when at least one was dirty.
  bool CollectDirty(Rect& rect);
  // Draws the controls that rect touches into the surface, marks them drawn
  // and paints rect to the screen.
  bool Redraw(const Rect& rect);
  // Every control dirty, nobody notified: the next redraw draws everything.
  void MarkAllDirty();

  // Mouse and keys from the window. [input thread; PlugLock not held: a
  // gesture reaches the plug-in through calls that take the lock briefly and
  // the host after it is released] A press begins an edit for the host and
  // its release ends it; a press or double click while a gesture is open
  // ends that one first, and a release that no press captured ends nothing.
  void HandleMouseDown(int x, int y, const MouseModifiers& modifiers);
  void HandleMouseUp(int x, int y, const MouseModifiers& modifiers);
  void HandleMouseDrag(int x, int y, const MouseModifiers& modifiers);
  // True when the window must capture the mouse.
  bool HandleDoubleClick(int x, int y, const MouseModifiers& modifiers);
  void HandleWheel(int x, int y, const MouseModifiers& modifiers, int delta);
  // Answers hoverTracking.
  bool HandleMouseOver(int x, int y, const MouseModifiers& modifiers);
  void HandleMouseOut();
  // True when a control or the key catcher took the key.
  bool HandleKeyDown(int x, int y, int key);
  // Ends a gesture left open (the window closes under a held button): the
  // captured control is released and the host's edit ended.
  void EndOpenGesture();

  // Called by controls. [editor thread; no lock]
  bool DrawBitmap(const EditorBitmap& bitmap, const Rect& rect, int srcX, int srcY,
                  const ControlBlend* blend);
  // frame is 1-based.
  bool DrawBitmapFrame(const EditorBitmap& bitmap, const Rect& rect, int frame,
                       const ControlBlend* blend);
  bool DrawText(TextStyle& style, const char* text, const Rect& rect);
  // A choice menu for switches and enumerations, a text entry otherwise.
  void PromptUserInput(IControl* control, Parameter* parameter, const Rect& rect);

  // [editor thread; no lock]
  IEffectBase* Plugin() const { return plugin; }
  SysBitmap* Surface() const { return surface; }
  const Rect& ClipRect() const { return clipRect; }
  int FrameRate() const { return frameRate; }
  // [any thread; no lock] Milliseconds between frames, at least 1; a rate
  // that is not positive gives 25 a second.
  int FramePeriodMs() const { return frameRate > 0 ? (frameRate < 1000 ? 1000 / frameRate : 1) : 40; }
  int CaptureIndex() const { return captureIndex; }
  int HoverIndex() const { return hoverIndex; }

  bool hoverTracking = false;    // mouse-over events only when set
  bool strictDrawing = true;     // redraw strategy; see Redraw
  bool tooltipsEnabled = false;  // a window makes tooltips only when set

 protected:
  // The topmost control at (x, y) that is shown, not greyed (unless
  // allowGreyed and it asks for hover when greyed) and hit; -1 for none.
  int FindControl(int x, int y, bool allowGreyed = false) const;
  // Captures the mouse for the control at index and begins its parameter's
  // edit; false when the host closed the window from inside that begin.
  bool BeginGesture(int index, int x, int y);
  // The parameter the control at index is bound to, or -1.
  int ParamOf(int index) const;
  // Forgets the captured control and its gesture, telling neither the
  // control nor the plug-in: for a plug-in being destroyed around its
  // editor.
  void ResetCapture();
  void DestroySurface();
  // Text through the cached font of style; measuring sets rect's size.
  bool RenderStyledText(TextStyle& style, const char* text, Rect& rect, bool measure);

  IEffectBase* plugin;  // not owned
  ModuleHandle module;
  IPlatformWindow* window = nullptr;     // owned
  NoServices noServices;
  IEditorServices* services = &noServices;  // owned unless noServices
  OwnedList<IControl> controls;
  Rect clipRect;
  SysBitmap* surface = nullptr;      // owned
  MemBitmap* spareBitmap = nullptr;  // owned, empty; made and freed with the surface
  int width;   // panel units
  int height;
  int frameRate;
  // The scale's sources (0: none) and results.
  int userScale = 0;
  std::atomic<int> hostScale{0};
  std::atomic<int> screenScale{0};
  std::atomic<int> targetScale{1};
  std::atomic<int> requestedScale{0};  // asked of the host, while it answers; 0: none
  std::atomic<int> drawnScale{1};  // written by the thread that draws
  int backgroundResource = 0;  // the image that tells whether 2x art exists
  bool opening = false;        // inside OpenWindow [UI thread]

  // The twice-size image of bitmap, loaded on first use; none without one.
  RasterBitmap* DoubleSizeImage(const EditorBitmap& bitmap);
  int captureIndex = -1;
  int gestureParam = -1;  // the edit the captured press began, or -1
  int hoverIndex = -1;
  int lastMouseX = -1;
  int lastMouseY = -1;
  IControl* keyCatcher = nullptr;  // owned

 private:
  // What the sources choose now. [any thread; no lock]
  int ChosenScale() const;
  // Taking a scale (with the host's consent for an open window).
  void ChangeScale(int wanted);
  // The scale asked of the host while it answers, else the target.
  int ShownScale() const {
    const int requested = requestedScale.load(std::memory_order_acquire);
    return requested != 0 ? requested : Scale();
  }
};

}  // namespace veltrax
