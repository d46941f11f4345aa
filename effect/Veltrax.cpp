#include "Veltrax.h"

#include <new>

namespace veltrax {

namespace {

constexpr int32_t FourCharCode(const char (&code)[5]) {
  return static_cast<int32_t>((static_cast<uint32_t>(static_cast<unsigned char>(code[0])) << 24) |
                              (static_cast<uint32_t>(static_cast<unsigned char>(code[1])) << 16) |
                              (static_cast<uint32_t>(static_cast<unsigned char>(code[2])) << 8) |
                              static_cast<uint32_t>(static_cast<unsigned char>(code[3])));
}

constexpr int32_t kVersion = 0x00010000;  // 1.0.0

}  // namespace

IEffectVST* CreateEffectInstance(audioMasterCallback hostCallback) {
  return new (std::nothrow) Veltrax(hostCallback);
}

Veltrax::Veltrax(audioMasterCallback hostCallback)
    : IEffectVST(hostCallback, kParamCount, "1-1 2-2", 1, "Veltrax", "", "Quillmarsh", kVersion,
                 FourCharCode("Vltx"), FourCharCode("Qmsh"), false, false) {
  gainLeft = gainRight = 1.0;
  eqPosition = 1;
  powerOn = true;
  peakLeft = peakRight = 1.0;
  headphonesOn = false;

  InitParameters();

  // The editor is built and attached here (AttachEditor), before the preset
  // takes the parameter values.

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
  // Work on local copies: the compiler must assume that the output stores may
  // alias these members and would reload them on every sample otherwise.
  const double gainL = gainLeft;
  const double gainR = gainRight;
  const BiquadCoeffs highPassCoeffs = highPass.coeffs;
  const BiquadCoeffs shelfLeftCoeffs = shelfLeft.coeffs;
  const BiquadCoeffs shelfRightCoeffs = shelfRight.coeffs;
  const BiquadCoeffs lowPassCoeffs = lowPass.coeffs;
  const HeadphoneStage stage = headphones;
  BiquadState highPassL = highPass.left;
  BiquadState highPassR = highPass.right;
  BiquadState shelfL = shelfLeft.state;
  BiquadState shelfR = shelfRight.state;
  BiquadState lowPassL = lowPass.left;
  BiquadState lowPassR = lowPass.right;
  double peakL = peakLeft;
  double peakR = peakRight;

  for (int32_t i = 0; i < frames; ++i) {
    // Both inputs are read before either output is written.
    const double driveL = Saturate(inLeft[i], gainL);
    const double driveR = Saturate(inRight[i], gainR);

    double y = RunSection(highPassCoeffs, highPassL, driveL);
    y = RunSection(shelfLeftCoeffs, shelfL, y);
    y = RunSection(lowPassCoeffs, lowPassL, y);
    if (y > peakL) peakL = y;  // signed: negative half-waves count by value
    if (kHeadphonesOn) y = stage.Apply(y);
    outLeft[i] = y;

    y = RunSection(highPassCoeffs, highPassR, driveR);
    y = RunSection(shelfRightCoeffs, shelfR, y);
    y = RunSection(lowPassCoeffs, lowPassR, y);
    if (y > peakR) peakR = y;
    if (kHeadphonesOn) y = stage.Apply(y);
    outRight[i] = y;
  }

  highPass.left = highPassL;
  highPass.right = highPassR;
  shelfLeft.state = shelfL;
  shelfRight.state = shelfR;
  lowPass.left = lowPassL;
  lowPass.right = lowPassR;
  peakLeft = peakL;
  peakRight = peakR;

  RecoverFromNonFiniteHistory();
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
  // timer redraws them on its own thread.
  IEditorLink* link = Editor();
  if (!link || link->ControlCount() <= kLampControl) return;
  link->SetValueFromPlug(kLampControl, powerOn ? 1.0 : 0.0);
  link->SetValueFromPlug(kLeftMeterControl, peakLeft);
  link->SetValueFromPlug(kRightMeterControl, peakRight);
}

}  // namespace veltrax
