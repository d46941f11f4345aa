#pragma once
// Controls: one rectangle of the editor that shows a normalised value 0..1
// and, usually, lets the user change it. Values come from the plug-in side
// (host automation, preset recall, the effect's meters) through
// SetValueFromPlug and from the user through mouse gestures; a control only
// raises flags, and the graphics core decides when to draw it.
//
// Thread tags: [who calls; which lock]. The value and the redraw flags are
// atomics: the host's parameter thread and the audio thread store them while
// the editor thread reads them. Everything else belongs to the editor thread.

#include <atomic>
#include <cstdint>

#include "EditorTypes.h"
#include "GrowBuffer.h"
#include "GrowString.h"

namespace veltrax {

class IEffectBase;
class IGraphics;
class Parameter;

struct AuxBinding {
  std::atomic<double> value{0.0};  // the last normalised value received
  int paramIndex = -1;
};

// Whatever shows a parameter's name or value text beside a control.
class ILabelControl {
 public:
  virtual ~ILabelControl() = default;
  // [editor thread; no lock] Nothing when the text is unchanged.
  virtual void SetLabelText(const char* text) = 0;
};

class IControl {
 public:
  // [editor thread, or construction; no lock]
  IControl(IEffectBase* plugin, const Rect& rect, int paramIndex = -1,
           ControlBlend blend = ControlBlend{});
  // [editor thread, or construction; no lock] Labels are not destroyed.
  virtual ~IControl();
  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  // Mouse and keys. [editor thread; no lock; a change reaches the plug-in
  // through SetParameterFromEditor, which takes PlugLock]
  virtual void MouseDown(int x, int y, const MouseModifiers& modifiers);
  virtual void MouseUp(int /*x*/, int /*y*/, const MouseModifiers& /*modifiers*/) {}
  virtual void MouseDrag(int /*x*/, int /*y*/, int /*dx*/, int /*dy*/,
                         const MouseModifiers& /*modifiers*/) {}
  virtual void MouseDoubleClick(int x, int y, const MouseModifiers& modifiers);
  virtual void MouseWheel(int /*x*/, int /*y*/, const MouseModifiers& /*modifiers*/,
                          int /*delta*/) {}
  virtual bool KeyDown(int /*x*/, int /*y*/, int /*key*/) { return false; }
  virtual void MouseOver(int /*x*/, int /*y*/, const MouseModifiers& /*modifiers*/) {}
  virtual void MouseOut() {}
  // [editor thread; no lock] Draws into the graphics' surface.
  virtual bool Draw(IGraphics* graphics) = 0;

  // [any thread; PlugLock held: the host's threads and the audio thread]
  // Stores the value and raises the flags (atomics); never draws, notifies
  // or waits.
  // The first value received also becomes the default.
  virtual void SetValueFromPlug(double v);
  // [editor thread; no lock] Notifies the plug-in when the value changes.
  virtual void SetValueFromUser(double v);
  // [editor thread; no lock] The text of a text entry opened without a parameter.
  virtual void TextEntered(const char* /*text*/) {}
  // [editor thread; no lock]
  virtual void SetHidden(bool hide);
  // [editor thread; no lock] Greyed: drawn at opacity 0.25 and not hit.
  virtual void SetGreyed(bool grey);
  // [editor thread; no lock] Whether the target rectangle holds the point.
  virtual bool HitTest(int x, int y);
  // [any thread; see SetValueFromPlug] Clamps the value into clampLow..
  // clampHigh and marks the control for drawing; with notifyPlugin [editor
  // thread only] the plug-in takes the value and the labels follow.
  virtual void MarkDirty(bool notifyPlugin);
  // [editor thread; no lock] After drawing: dirty again only if a value
  // arrived meanwhile or asked for a second drawing.
  virtual void MarkDrawn();
  // [any thread; no lock]
  virtual bool IsDirty() const;
  // [any thread; as SetValueFromPlug] Out-of-range bindings do nothing.
  virtual void SetAuxValueFromPlug(int bindingIndex, double v);

  // [any thread; no lock]
  double Value() const { return value.load(std::memory_order_relaxed); }
  double DefaultValue() const { return defaultValue.load(std::memory_order_relaxed); }
  int ParamIndex() const { return paramIndex; }
  // [editor thread, or construction; no lock]
  const Rect& GetRect() const { return rect; }
  const Rect& TargetRect() const { return targetRect; }
  void SetTargetRect(const Rect& r) { targetRect = r; }
  bool IsHidden() const { return hidden; }
  bool IsGreyed() const { return greyed; }
  const ControlBlend& Blend() const { return blend; }
  TextStyle& Text() { return text; }
  const char* Tooltip() const { return tooltip.Get(); }
  void SetTooltip(const char* tip) { tooltip.Set(tip ? tip : ""); }
  void SetClamp(double low, double high) { clampLow = low; clampHigh = high; }
  void SetLabels(ILabelControl* valueLabelControl, ILabelControl* nameLabelControl) {
    valueLabel = valueLabelControl;
    nameLabel = nameLabelControl;
  }
  // [editor thread, or construction; no lock] Appends a further parameter
  // that drives this control; false when it cannot be stored.
  bool AddAuxBinding(int param);
  int AuxBindingCount() const { return auxBindings.Count(); }
  // Index of the first binding to param, or -1.
  int AuxBindingFor(int param) const;
  double AuxValue(int bindingIndex) const;

  int textEntryLimit = 7;       // characters a text entry for this control takes
  bool promptDisabled = true;   // a right click opens no prompt
  bool doubleClickAsPress = false;
  bool hoverWhenGreyed = false;

 protected:
  // The editor this control belongs to, through the plug-in; none without one.
  IGraphics* Graphics() const;
  // value := v; the flags follow. [any thread]
  void StoreValue(double v) { value.store(v, std::memory_order_relaxed); }
  // v forced into clampLow..clampHigh (a NaN stays as it is).
  double Clamped(double v) const { return clampLow > v ? clampLow : (v > clampHigh ? clampHigh : v); }
  // Both flags: drawn at the next two redraws. [any thread]
  void RaiseRedraw();
  // The value a gesture moves from: a NaN value shows frame 1 and counts as
  // clampLow. [editor thread]
  double GestureStart() const;

  TextStyle text;
  IEffectBase* plugin;  // owner of the bound parameter; not owned
  Rect rect;
  Rect targetRect;
  int paramIndex;
  OwnedList<AuxBinding> auxBindings;
  double clampLow = 0.0;
  double clampHigh = 1.0;
  bool hidden = false;
  bool greyed = false;
  ControlBlend blend;
  ILabelControl* valueLabel = nullptr;  // not owned
  ILabelControl* nameLabel = nullptr;   // not owned
  GrowString tooltip;

 private:
  // dirty: must be drawn at the next redraw; redrawPending: becomes dirty
  // after that drawing. One word, so that the editor's MarkDrawn and a
  // value arriving from another thread cannot lose each other's flags.
  enum RedrawFlags : unsigned { kDirty = 1u, kRedrawPending = 2u };

  std::atomic<double> value{0.0};
  std::atomic<double> defaultValue{-1.0};  // negative: not yet known
  std::atomic<unsigned> redrawFlags{kDirty};
};

// The frame a value shows in an image of frameCount frames: truncate
// ((frameCount - 1) x value + 0.5) + 1, held to 1..frameCount. Not a number
// shows frame 1.
int FrameForValue(double value, int frameCount);

// Shows one frame of a multi-frame image chosen by the value.
class IBitmapControl : public IControl {
 public:
  // [editor thread, or construction; no lock] rect = (x, y, x + width,
  // y + height / frameCount) for stacked frames, (x, y, x + width /
  // frameCount, y + height) for frames side by side.
  IBitmapControl(IEffectBase* plugin, int x, int y, int paramIndex, const EditorBitmap& bitmap,
                 ControlBlend blend = ControlBlend{});
  // [editor thread; no lock] Nothing without an image.
  bool Draw(IGraphics* graphics) override;
  const EditorBitmap& Bitmap() const { return bitmap; }

 protected:
  // The background's rectangle is the whole image, whatever the frames.
  IBitmapControl(IEffectBase* plugin, const Rect& rect, int paramIndex, const EditorBitmap& bitmap,
                 ControlBlend blend);
  friend class IGraphics;

  EditorBitmap bitmap;
};

// Steps through its frames on each click: 0, 1/(n - 1), ..., 1, then 0.
class ISwitchControl : public IBitmapControl {
 public:
  // [editor thread, or construction; no lock]
  ISwitchControl(IEffectBase* plugin, int x, int y, int paramIndex, const EditorBitmap& bitmap,
                 ControlBlend blend = ControlBlend{});
  // [editor thread; no lock] Any button steps the switch.
  void MouseDown(int x, int y, const MouseModifiers& modifiers) override;
  void MouseDoubleClick(int x, int y, const MouseModifiers& modifiers) override;
};

// Turned by dragging and by the wheel.
class IKnobControl : public IControl {
 public:
  enum Direction : int { kVertical = 0, kHorizontal = 1 };

  // [editor thread; no lock] Vertical: moving up raises the value; a travel
  // of gearing times the height sweeps 0..1 (ten times that with shift or
  // control).
  void MouseDrag(int x, int y, int dx, int dy, const MouseModifiers& modifiers) override;
  // [editor thread; no lock] 0.01 a notch, 0.001 with shift or control.
  void MouseWheel(int x, int y, const MouseModifiers& modifiers, int delta) override;

  int direction = kVertical;
  double gearing = 4.0;

 protected:
  IKnobControl(IEffectBase* plugin, const Rect& rect, int paramIndex, ControlBlend blend,
               int direction, double gearing);
};

// A knob showing one frame of a multi-frame image.
class IKnobMultiControl : public IKnobControl {
 public:
  // [editor thread, or construction; no lock] Blends with the image's alpha.
  IKnobMultiControl(IEffectBase* plugin, int x, int y, int paramIndex, const EditorBitmap& bitmap,
                    int direction = kVertical, double gearing = 4.0);
  // [editor thread; no lock] Nothing without an image.
  bool Draw(IGraphics* graphics) override;
  const EditorBitmap& Bitmap() const { return bitmap; }

 private:
  EditorBitmap bitmap;
};

// The rectangle at (x, y) of one frame of bitmap.
Rect FrameRect(int x, int y, const EditorBitmap& bitmap);

}  // namespace veltrax
