#pragma once
// Veltrax: a stereo effect that colours sound like the record path of a
// reel-to-reel tape deck. Per channel: saturator driven by the record level,
// fixed 35 Hz high-pass, 50 Hz low shelf following the record level, and a
// five-position low-pass equaliser; a power switch bypasses everything and a
// headphones switch adds an output stage. Peaks feed the editor's meters.

#include <cstdint>

#include "EffectBase.h"
#include "TapeDsp.h"

namespace veltrax {

class IGraphics;

class Veltrax : public IEffectBase {
 public:
  enum ParamIndex : int {
    kGainLeft = 0,
    kGainRight = 1,
    kEqualizer = 2,
    kPower = 3,
    kLeftMeterParam = 4,  // unnamed; only give the editor's meters and lamp an index
    kRightMeterParam = 5,
    kLampParam = 6,
    kHeadphones = 7,
    kParamCount = 8,
  };

  // Editor control list positions fed after every block.
  enum MeterControl : int {
    kLeftMeterControl = 5,
    kRightMeterControl = 6,
    kLampControl = 7,
  };
  static constexpr int kEditorWidth = 700;
  static constexpr int kEditorHeight = 160;
  static constexpr int kEditorFrameRate = 25;

  // [any host thread; creation lock held] Whatever format drives it, an
  // adapter binds itself after construction.
  Veltrax();
  // [dispatcher thread; no lock] Closes the editor's window first, while the
  // host can still be told the end of a gesture left open in it.
  ~Veltrax() override;

  // [any thread; takes PlugLock]
  void ParameterChanged(int index) override;
  // [audio thread; PlugLock held] inputs and outputs each hold the left and
  // the right channel; both chains always run.
  void ProcessBlock(double** inputs, double** outputs, int32_t frames) override;
  // [audio thread; PlugLock held] Every filter history at zero (or the deck
  // bypassed) and both meters at rest.
  bool IsQuiet() const override;
  // [any thread; PlugLock held] How long an impulse rings at the slowest
  // setting, with room.
  uint32_t TailFrames() const override;

 private:
  // A section with its own coefficients (the shelves follow each channel's gain).
  struct ChannelSection {
    BiquadState state;
    BiquadCoeffs coeffs;
  };
  // A section whose coefficients both channels share.
  struct SharedSection {
    BiquadState left;
    BiquadCoeffs coeffs;
    BiquadState right;
  };

  void InitParameters();
  // The front panel: six images, nine controls, attached to the base.
  void BuildEditor();
  void ClearHistories();
  void DesignShelf(ChannelSection& shelf, double gainFraction);
  template <bool kHeadphonesOn>
  void RunChains(const double* inLeft, const double* inRight, double* outLeft, double* outRight,
                 int32_t frames);
  void RecoverFromNonFiniteHistory();
  // [audio thread; PlugLock held] Stores values in the editor's controls only.
  void FeedMeters();

  friend struct VeltraxProbe;  // tests read the filter state

  IGraphics* graphics = nullptr;  // the panel; owned by the base as its editor
  double gainLeft = 1.0;   // "Gain Left" / 100
  double gainRight = 1.0;  // "Gain Right" / 100
  int32_t eqPosition = 1;  // "Equalizer" truncated
  bool powerOn = true;
  double peakLeft = 1.0;
  double peakRight = 1.0;
  bool headphonesOn = false;
  HeadphoneStage headphones;  // hpA..hpF, never changed
  ChannelSection shelfLeft;
  ChannelSection shelfRight;
  SharedSection lowPass;
  SharedSection highPass;
};

}  // namespace veltrax
