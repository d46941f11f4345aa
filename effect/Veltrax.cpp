#include "Veltrax.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "Controls.h"
#include "EffectFactory.h"
#include "PlatformGraphics.h"
#include "PluginModule.h"

namespace veltrax {

namespace {

constexpr int32_t FourCharCode(const char (&code)[5]) {
  return static_cast<int32_t>((static_cast<uint32_t>(static_cast<unsigned char>(code[0])) << 24) |
                              (static_cast<uint32_t>(static_cast<unsigned char>(code[1])) << 16) |
                              (static_cast<uint32_t>(static_cast<unsigned char>(code[2])) << 8) |
                              static_cast<uint32_t>(static_cast<unsigned char>(code[3])));
}

constexpr int32_t kVersion = 0x00010000;  // 1.0.0

// An empty target rectangle: the mouse never hits the control.
IControl* Untargeted(IControl* control) {
  control->SetTargetRect(Rect{});
  return control;
}

}  // namespace

IEffectBase* CreateEffectInstance() { return new (std::nothrow) Veltrax(); }

Veltrax::Veltrax()
    : IEffectBase(kParamCount, "1-1 2-2", 1, "Veltrax", "", "Quillmarsh", kVersion,
                  FourCharCode("Vltx"), FourCharCode("Qmsh"), false, false) {
  gainLeft = gainRight = 1.0;
  eqPosition = 1;
  powerOn = true;
  peakLeft = peakRight = 1.0;
  headphonesOn = false;

  InitParameters();

  // Built whether or not the host ever opens it, before the preset takes
  // the parameter values.
  BuildEditor();

  FillEmptyPresets("-", 1);

  shelfLeft.coeffs = kInitialShelfCoeffs;
  // The host's opening pass designs the right shelf before any audio; until
  // then it holds the design for the default gain rather than nothing.
  shelfRight.coeffs = DesignLowShelf(1.0, sampleRate);
  lowPass.coeffs = kEqualizerTable[kInitialLowPassRow - 1];
  highPass.coeffs = kHighPassCoeffs;
  ClearHistories();
  headphones = HeadphoneStage();
}

Veltrax::~Veltrax() {
  // effClose closes an open window before it deletes the instance; owners
  // that delete it themselves (tools, tests) get the same, while the effect
  // is still whole for the gesture's end and the window's thread.
  if (IEditorLink* link = Editor()) link->CloseWindow();
}

void Veltrax::InitParameters() {
  // Records the base failed to allocate are skipped; the host then sees them unnamed.
  if (Parameter* p = ParamAt(kGainLeft)) {
    p->InitNumber("Gain Left", 100.0, 0.0, 200.0, 0.01, "%", "", 1.0);
    p->SetCurve(2.0);
  }
  if (Parameter* p = ParamAt(kGainRight)) {
    p->InitNumber("Gain Right", 100.0, 0.0, 200.0, 0.01, "%", "", 1.0);
    p->SetCurve(2.0);
  }
  if (Parameter* p = ParamAt(kEqualizer)) {
    p->type = Int;  // keeps its kind through InitNumber: whole numbers, no decimals
    p->InitNumber("Equalizer", 1.0, 1.0, 5.0, 1.0, "%", "", 1.0);
  }
  if (Parameter* p = ParamAt(kPower)) p->InitToggle("Power On/Off", true, "%", "");
  if (Parameter* p = ParamAt(kHeadphones)) p->InitToggle("Headphones On/Off", false, "%", "");
}

void Veltrax::BuildEditor() {
  IGraphics* editor = CreatePlatformGraphics(this, kEditorWidth, kEditorHeight, kEditorFrameRate,
                                             PluginModuleHandle());
  if (!editor) return;  // no memory for it: the effect runs without a panel
  graphics = editor;
  const ControlBlend withAlpha{BlendKindAlpha, 1.0f};
  editor->AttachBackground(101, "resources/img/orvoback.png");

  const EditorBitmap gainKnob = editor->LoadImage(102, "resources/img/orvoreclevelknob.png", 40);
  editor->AttachControl(new IKnobMultiControl(this, 95, 45, kGainLeft, gainKnob));
  editor->AttachControl(new IKnobMultiControl(this, 280, 45, kGainRight, gainKnob));

  const EditorBitmap eqKnob = editor->LoadImage(103, "resources/img/orvoeqknob.png", 5);
  editor->AttachControl(new IKnobMultiControl(this, 195, 55, kEqualizer, eqKnob));

  const EditorBitmap toggle = editor->LoadImage(104, "resources/img/orvopowerswitch.png", 2);
  editor->AttachControl(new ISwitchControl(this, 630, 80, kPower, toggle, withAlpha));

  // Meters and lamp only show what the audio leaves them: the mouse never
  // hits them.
  const EditorBitmap meter = editor->LoadImage(105, "resources/img/orvoVUmeter.png", 50);
  editor->AttachControl(Untargeted(new IKnobMultiControl(this, 390, 45, kLeftMeterParam, meter)));
  editor->AttachControl(Untargeted(new IKnobMultiControl(this, 485, 45, kRightMeterParam, meter)));

  const EditorBitmap lamp = editor->LoadImage(106, "resources/img/orvolight.png", 2);
  editor->AttachControl(Untargeted(new IKnobMultiControl(this, 465, -5, kLampParam, lamp)));

  editor->AttachControl(new ISwitchControl(this, 630, 30, kHeadphones, toggle, withAlpha));

  AttachEditor(editor);
}

void Veltrax::ClearHistories() {
  shelfLeft.state = BiquadState();
  shelfRight.state = BiquadState();
  lowPass.left = lowPass.right = BiquadState();
  highPass.left = highPass.right = BiquadState();
}

void Veltrax::DesignShelf(ChannelSection& shelf, double gainFraction) {
  // At 100 Hz and below the 50 Hz corner lies at or past Nyquist: the tangent
  // is negative or arbitrary and the design unstable, and a rate such as 0 or
  // NaN gives no number at all. Either would soon turn the output into
  // infinities or NaN; keep the last usable design instead. Every real rate
  // (8 kHz up, by far) designs a stable shelf.
  const BiquadCoeffs designed = DesignLowShelf(gainFraction, sampleRate);
  if (IsStable(designed)) shelf.coeffs = designed;
}

void Veltrax::ParameterChanged(int index) {
  PlugLockGuard guard(Lock());
  const Parameter* parameter = ParamAt(index);
  if (!parameter) return;
  const double v = parameter->value;
  switch (index) {
    case kGainLeft:
      gainLeft = v / 100.0;
      DesignShelf(shelfLeft, gainLeft);
      break;
    case kGainRight:
      gainRight = v / 100.0;
      DesignShelf(shelfRight, gainRight);
      break;
    case kEqualizer:
      eqPosition = TruncateToInt32(v);
      if (const BiquadCoeffs* row = EqualizerRow(eqPosition)) lowPass.coeffs = *row;
      break;
    case kPower:
      peakLeft = peakRight = 0.0;
      powerOn = v >= 0.5;
      break;
    case kHeadphones:
      headphonesOn = v >= 0.5;
      break;
    default:
      break;
  }
}

void Veltrax::ProcessBlock(double** inputs, double** outputs, int32_t frames) {
  const double* inLeft = inputs ? inputs[0] : nullptr;
  const double* inRight = inputs ? inputs[1] : nullptr;
  double* outLeft = outputs ? outputs[0] : nullptr;
  double* outRight = outputs ? outputs[1] : nullptr;

  if (frames > 0 && inLeft && inRight && outLeft && outRight) {
    if (!powerOn) {
      // Bypass: bit-exact copy; histories and peaks stay frozen.
      for (int32_t i = 0; i < frames; ++i) {
        const double left = inLeft[i];
        const double right = inRight[i];
        outLeft[i] = left;
        outRight[i] = right;
      }
    } else if (headphonesOn) {
      RunChains<true>(inLeft, inRight, outLeft, outRight, frames);
    } else {
      RunChains<false>(inLeft, inRight, outLeft, outRight, frames);
    }
  }

  peakLeft -= 0.02;  // per block, whatever its length or the rate
  peakRight -= 0.02;
  FeedMeters();
}

template <bool kHeadphonesOn>
void Veltrax::RunChains(const double* inLeft, const double* inRight, double* outLeft,
                        double* outRight, int32_t frames) {
  // Both channels run side by side in the lanes of a StereoFrame. The work
  // goes in runs: the saturator has no state, so it first does the whole
  // run, which keeps its long chain of operations out of the filters'
  // recurrences; then the cascade, the peaks and the headphones stage.
  // Every sample still sees the scalar operations in the scalar order.
  constexpr int32_t kRunFrames = 32;

  // Local copies: the compiler must assume that the output stores may alias
  // the members and would reload them on every sample otherwise.
  const StereoFrame gains = {gainLeft, gainRight};
  const StereoCoeffs highPassCoeffs = SideBySide(highPass.coeffs, highPass.coeffs);
  const StereoCoeffs shelfCoeffs = SideBySide(shelfLeft.coeffs, shelfRight.coeffs);
  const StereoCoeffs lowPassCoeffs = SideBySide(lowPass.coeffs, lowPass.coeffs);
  const HeadphoneStage stage = headphones;
  const double phonesSlope = kHeadphonesOn ? stage.DivisorSlope() : 0.0;
  const double phonesOffset = kHeadphonesOn ? stage.DivisorOffset() : 0.0;
  StereoHistory highPassHistory = SideBySide(highPass.left, highPass.right);
  StereoHistory shelfHistory = SideBySide(shelfLeft.state, shelfRight.state);
  StereoHistory lowPassHistory = SideBySide(lowPass.left, lowPass.right);
  StereoFrame peaks = {peakLeft, peakRight};

  for (int32_t start = 0; start < frames; start += kRunFrames) {
    const int32_t count = frames - start < kRunFrames ? frames - start : kRunFrames;
    StereoFrame run[kRunFrames];
    // The whole run is read before any of it is written: hosts may process in place.
    for (int32_t i = 0; i < count; ++i) {
      run[i] = Saturate(StereoFrame{inLeft[start + i], inRight[start + i]}, gains);
    }
    double* runLeft = outLeft + start;
    double* runRight = outRight + start;
    for (int32_t i = 0; i < count; ++i) {
      StereoFrame y = RunSection(highPassCoeffs, highPassHistory, run[i]);
      y = RunSection(shelfCoeffs, shelfHistory, y);
      y = RunSection(lowPassCoeffs, lowPassHistory, y);
      peaks = y > peaks ? y : peaks;  // signed, per lane: negative half-waves count by value
      if (kHeadphonesOn) {
        run[i] = y;
      } else {
        runLeft[i] = y[0];
        runRight[i] = y[1];
      }
    }
    if (kHeadphonesOn) {
      for (int32_t i = 0; i < count; ++i) {
        const StereoFrame y = stage.Apply(run[i], phonesSlope, phonesOffset);
        runLeft[i] = y[0];
        runRight[i] = y[1];
      }
    }
  }

  // Silence after signal costs no more than the signal: histories that rang
  // down below the smallest normal number are cleared once per block.
  FlushSubnormals(highPassHistory);
  FlushSubnormals(shelfHistory);
  FlushSubnormals(lowPassHistory);
  highPass.left = Lane(highPassHistory, 0);
  highPass.right = Lane(highPassHistory, 1);
  shelfLeft.state = Lane(shelfHistory, 0);
  shelfRight.state = Lane(shelfHistory, 1);
  lowPass.left = Lane(lowPassHistory, 0);
  lowPass.right = Lane(lowPassHistory, 1);
  peakLeft = peaks[0];
  peakRight = peaks[1];

  const StereoFrame probe = NonFiniteProbe(highPassHistory) + NonFiniteProbe(shelfHistory) +
                            NonFiniteProbe(lowPassHistory);
  if (!(probe[0] == 0.0 && probe[1] == 0.0)) RecoverFromNonFiniteHistory();
}

bool Veltrax::IsQuiet() const {
  if (peakLeft > 0.0 || peakRight > 0.0) return false;
  if (!powerOn) return true;
  const BiquadState histories[] = {highPass.left, highPass.right, shelfLeft.state,
                                   shelfRight.state, lowPass.left, lowPass.right};
  for (const BiquadState& h : histories) {
    if (h.x1 != 0.0 || h.x2 != 0.0 || h.y1 != 0.0 || h.y2 != 0.0) return false;
  }
  return true;
}

// An impulse falls 120 dB at the slowest setting (a low record level) in
// 3242 frames at 44.1 kHz, 4662 at 96 kHz, 7638 at 192 kHz. The low shelf
// follows the rate, the fixed filters do not; this bound covers both.
uint32_t Veltrax::TailFrames() const {
  const double rate =
      std::isfinite(sampleRate) && sampleRate > 0.0 ? std::min(sampleRate, 1e7) : 44100.0;
  return 2048u + static_cast<uint32_t>(rate / 32.0);
}

void Veltrax::RecoverFromNonFiniteHistory() {
  // A non-finite input sample (or one so large that the saturator overflows)
  // leaves NaN in the histories, which would silence the instance with NaN
  // for good. Clear the affected channel once per block; finite signals
  // never reach this.
  if (!(highPass.left.IsFinite() && shelfLeft.state.IsFinite() && lowPass.left.IsFinite())) {
    highPass.left = shelfLeft.state = lowPass.left = BiquadState();
  }
  if (!(highPass.right.IsFinite() && shelfRight.state.IsFinite() && lowPass.right.IsFinite())) {
    highPass.right = shelfRight.state = lowPass.right = BiquadState();
  }
}

void Veltrax::FeedMeters() {
  // Values only: the controls clamp the frame they draw, and the editor's
  // timer redraws them on its own thread. Positions the editor lacks do
  // nothing.
  IEditorLink* link = Editor();
  if (!link) return;
  link->SetValueFromPlug(kLampControl, powerOn ? 1.0 : 0.0);
  link->SetValueFromPlug(kLeftMeterControl, peakLeft);
  link->SetValueFromPlug(kRightMeterControl, peakRight);
}

}  // namespace veltrax
