#include "Controls.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "EffectBase.h"
#include "IGraphics.h"
#include "Parameter.h"

namespace veltrax {

namespace {

// A frame of a bitmap: the whole image divided by the frame count (never
// below one frame).
int FrameCountOf(const EditorBitmap& bitmap) { return bitmap.frameCount > 1 ? bitmap.frameCount : 1; }

}  // namespace

Rect FrameRect(int x, int y, const EditorBitmap& bitmap) {
  const int frames = FrameCountOf(bitmap);
  if (bitmap.framesSideBySide) return Rect{x, y, x + bitmap.width / frames, y + bitmap.height};
  return Rect{x, y, x + bitmap.width, y + bitmap.height / frames};
}

int FrameForValue(double value, int frameCount) {
  if (frameCount <= 1) return 1;
  // Saturating truncation: NaN gives 0 (frame 1), infinities the end frames.
  const int32_t step = TruncateToInt32(static_cast<double>(frameCount - 1) * value + 0.5);
  if (step < 0) return 1;
  if (step >= frameCount - 1) return frameCount;
  return step + 1;
}

// ---------------------------------------------------------------------------
// IControl

IControl::IControl(IEffectBase* newPlugin, const Rect& newRect, int newParamIndex,
                   ControlBlend newBlend)
    : plugin(newPlugin),
      rect(newRect),
      targetRect(newRect),
      paramIndex(newParamIndex),
      blend(newBlend) {}

IControl::~IControl() = default;

IGraphics* IControl::Graphics() const {
  return plugin ? dynamic_cast<IGraphics*>(plugin->Editor()) : nullptr;
}

void IControl::RaiseRedraw() {
  // Both flags are all the word holds, so storing them equals or-ing them
  // in, without a locked instruction on the audio thread.
  redrawFlags.store(kDirty | kRedrawPending, std::memory_order_release);
}

void IControl::MouseDown(int /*x*/, int /*y*/, const MouseModifiers& modifiers) {
  if (!modifiers.right || paramIndex < 0 || promptDisabled || !plugin) return;
  Parameter* parameter = plugin->ParamAt(paramIndex);
  IGraphics* graphics = Graphics();
  if (!parameter || !graphics) return;
  Rect box = rect;
  if (parameter->DisplayTextCount() == 0) {
    // A small entry box centred on the control.
    const int cx = static_cast<int>(static_cast<float>(rect.left + rect.right) * 0.5f);
    const int cy = static_cast<int>(static_cast<float>(rect.top + rect.bottom) * 0.5f);
    box = Rect{cx - 20, cy - 8, cx + 20, cy + 8};
  }
  graphics->PromptUserInput(this, parameter, box);
  redrawFlags.fetch_or(kRedrawPending, std::memory_order_release);
}

void IControl::MouseDoubleClick(int /*x*/, int /*y*/, const MouseModifiers& /*modifiers*/) {
  // A control that never heard from the plug-in has no default to restore.
  const double restored = DefaultValue();
  if (!(restored >= 0.0)) return;
  StoreValue(restored);
  MarkDirty(true);
}

void IControl::SetValueFromPlug(double v) {
  // The first value from the plug-in is the control's default. A NaN is
  // none: a double click could not restore it, so the default stays unknown
  // until a number arrives (and moving away from the NaN is a change).
  if (DefaultValue() < 0.0 && !std::isnan(v)) {
    const bool wasNan = std::isnan(Value());
    defaultValue.store(v, std::memory_order_relaxed);
    StoreValue(v);
    if (wasNan) {
      MarkDirty(false);
      RaiseRedraw();
    }
  }
  const double current = Value();
  // Any difference counts, a NaN included. What MarkDirty(false) would do,
  // folded into one store and one flag update: the audio thread comes here
  // for every meter after every block.
  if (!(current == v)) {
    StoreValue(Clamped(v));
    RaiseRedraw();
  }
}

void IControl::SetValueFromUser(double v) {
  // Not a number is no choice of the user's: the plug-in never hears of it.
  if (Value() == v || std::isnan(v)) return;
  StoreValue(v);
  MarkDirty(true);
  redrawFlags.fetch_or(kRedrawPending, std::memory_order_release);
}

void IControl::SetAuxValueFromPlug(int bindingIndex, double v) {
  AuxBinding* binding = auxBindings.Get(bindingIndex);
  if (!binding) return;
  if (binding->value.load(std::memory_order_relaxed) == v) return;
  binding->value.store(v, std::memory_order_relaxed);
  MarkDirty(false);
  RaiseRedraw();
}

void IControl::SetHidden(bool hide) {
  hidden = hide;
  redrawFlags.fetch_or(kRedrawPending, std::memory_order_release);
  MarkDirty(false);
}

void IControl::SetGreyed(bool grey) {
  greyed = grey;
  blend.weight = grey ? 0.25f : 1.0f;
  MarkDirty(false);
}

bool IControl::HitTest(int x, int y) { return Contains(targetRect, x, y); }

double IControl::GestureStart() const {
  const double v = Value();
  return std::isnan(v) ? clampLow : v;
}

void IControl::MarkDirty(bool notifyPlugin) {
  const double v = Value();
  const double clamped = Clamped(v);
  if (!(clamped == v) && !std::isnan(v)) StoreValue(clamped);
  redrawFlags.fetch_or(kDirty, std::memory_order_release);
  // A NaN (which no clamp moves) never reaches the plug-in or the host.
  if (!notifyPlugin || !plugin || paramIndex < 0 || std::isnan(Value())) return;

  plugin->SetParameterFromEditor(paramIndex, Value());
  const Parameter* parameter = plugin->ParamAt(paramIndex);
  if (!parameter) return;
  if (valueLabel) {
    char display[Parameter::kTextSize];
    parameter->FormatCurrent(display, sizeof display);
    char label[2 * Parameter::kTextSize + 2];
    std::snprintf(label, sizeof label, "%.32s %.32s", display, parameter->LabelForHost());
    valueLabel->SetLabelText(label);
  }
  if (nameLabel) nameLabel->SetLabelText(parameter->name);
}

void IControl::MarkDrawn() {
  // dirty := redrawPending; redrawPending := false, as one step, so that a
  // value stored by another thread meanwhile keeps its flags.
  unsigned flags = redrawFlags.load(std::memory_order_relaxed);
  unsigned next;
  do {
    next = (flags & kRedrawPending) ? kDirty : 0u;
  } while (!redrawFlags.compare_exchange_weak(flags, next, std::memory_order_acq_rel,
                                              std::memory_order_relaxed));
}

bool IControl::IsDirty() const {
  return (redrawFlags.load(std::memory_order_acquire) & kDirty) != 0;
}

bool IControl::AddAuxBinding(int param) {
  AuxBinding* binding = new AuxBinding();
  binding->paramIndex = param;
  return auxBindings.Add(binding);
}

int IControl::AuxBindingFor(int param) const {
  for (int i = 0; i < auxBindings.Count(); ++i) {
    if (auxBindings.Get(i)->paramIndex == param) return i;
  }
  return -1;
}

double IControl::AuxValue(int bindingIndex) const {
  const AuxBinding* binding = auxBindings.Get(bindingIndex);
  return binding ? binding->value.load(std::memory_order_relaxed) : 0.0;
}

// ---------------------------------------------------------------------------
// Image controls

IBitmapControl::IBitmapControl(IEffectBase* plugin, int x, int y, int paramIndex,
                               const EditorBitmap& newBitmap, ControlBlend blend)
    : IControl(plugin, FrameRect(x, y, newBitmap), paramIndex, blend), bitmap(newBitmap) {}

IBitmapControl::IBitmapControl(IEffectBase* plugin, const Rect& rect, int paramIndex,
                               const EditorBitmap& newBitmap, ControlBlend blend)
    : IControl(plugin, rect, paramIndex, blend), bitmap(newBitmap) {}

bool IBitmapControl::Draw(IGraphics* graphics) {
  if (!graphics || !bitmap.image) return false;
  const int frame = FrameForValue(Value(), FrameCountOf(bitmap));
  return graphics->DrawBitmapFrame(bitmap, rect, frame, &blend);
}

ISwitchControl::ISwitchControl(IEffectBase* plugin, int x, int y, int paramIndex,
                               const EditorBitmap& bitmap, ControlBlend blend)
    : IBitmapControl(plugin, x, y, paramIndex, bitmap, blend) {}

void ISwitchControl::MouseDown(int /*x*/, int /*y*/, const MouseModifiers& /*modifiers*/) {
  const int frames = FrameCountOf(bitmap);
  const double step = frames > 1 ? 1.0 / (frames - 1) : 1.0;
  double next = GestureStart() + step;
  // 1.001, not 1.0: a value that reached 1 through accumulated steps stays.
  if (next > 1.001) next = 0.0;
  StoreValue(next);
  MarkDirty(true);
}

void ISwitchControl::MouseDoubleClick(int x, int y, const MouseModifiers& modifiers) {
  MouseDown(x, y, modifiers);
}

// ---------------------------------------------------------------------------
// Knobs

IKnobControl::IKnobControl(IEffectBase* plugin, const Rect& rect, int paramIndex,
                           ControlBlend blend, int newDirection, double newGearing)
    : IControl(plugin, rect, paramIndex, blend), direction(newDirection), gearing(newGearing) {}

void IKnobControl::MouseDrag(int /*x*/, int /*y*/, int dx, int dy,
                             const MouseModifiers& modifiers) {
  double g = gearing;
  if (modifiers.control || modifiers.shift) g *= 10.0;
  // A knob without extent (no image) cannot be turned: no division by zero.
  double change;
  if (direction == kHorizontal) {
    const int span = rect.right - rect.left;
    if (span == 0) return;
    change = (static_cast<double>(dx) / span) / g;
  } else {
    const int span = rect.top - rect.bottom;  // negative: moving up raises
    if (span == 0) return;
    change = (static_cast<double>(dy) / span) / g;
  }
  // A gearing of 0 or NaN gives no usable step.
  if (!std::isfinite(change)) return;
  StoreValue(GestureStart() + change);
  MarkDirty(true);
}

void IKnobControl::MouseWheel(int /*x*/, int /*y*/, const MouseModifiers& modifiers, int delta) {
  const double notch = (modifiers.control || modifiers.shift) ? 0.001 : 0.01;
  StoreValue(GestureStart() + delta * notch);
  MarkDirty(true);
}

IKnobMultiControl::IKnobMultiControl(IEffectBase* plugin, int x, int y, int paramIndex,
                                     const EditorBitmap& newBitmap, int direction, double gearing)
    : IKnobControl(plugin, FrameRect(x, y, newBitmap), paramIndex, ControlBlend{}, direction,
                   gearing),
      bitmap(newBitmap) {}

bool IKnobMultiControl::Draw(IGraphics* graphics) {
  if (!graphics || !bitmap.image) return false;
  const int frame = FrameForValue(Value(), FrameCountOf(bitmap));
  return graphics->DrawBitmapFrame(bitmap, rect, frame, &blend);
}

}  // namespace veltrax
