#include "ScalarSchedule.h"

namespace veltrax {

ScalarSchedule::ScalarSchedule(double sampleRate, int maxFrames) {
  shelfLeftCoeffs = shelfRightCoeffs = DesignLowShelf(1.0, sampleRate);
  for (std::vector<double>& buffer : scratch) buffer.assign(static_cast<size_t>(maxFrames), 0.0);
}

void ScalarSchedule::ProcessBlock(double** inputs, double** outputs, int32_t frames) {
  const double* inLeft = inputs[0];
  const double* inRight = inputs[1];
  double* outLeft = outputs[0];
  double* outRight = outputs[1];
  // Locals, so that the output stores cannot force reloads of the state.
  const double gainL = gainLeft;
  const double gainR = gainRight;
  const BiquadCoeffs highPass = highPassCoeffs;
  const BiquadCoeffs shelfL = shelfLeftCoeffs;
  const BiquadCoeffs shelfR = shelfRightCoeffs;
  const BiquadCoeffs lowPass = lowPassCoeffs;
  BiquadState highPassL = highPassLeft, highPassR = highPassRight;
  BiquadState shelfStateL = shelfLeft, shelfStateR = shelfRight;
  BiquadState lowPassL = lowPassLeft, lowPassR = lowPassRight;
  double peakL = peakLeft;
  double peakR = peakRight;

  for (int32_t i = 0; i < frames; ++i) {
    const double driveL = Saturate(inLeft[i], gainL);
    const double driveR = Saturate(inRight[i], gainR);

    double y = RunSection(highPass, highPassL, driveL);
    y = RunSection(shelfL, shelfStateL, y);
    y = RunSection(lowPass, lowPassL, y);
    if (y > peakL) peakL = y;
    outLeft[i] = y;

    y = RunSection(highPass, highPassR, driveR);
    y = RunSection(shelfR, shelfStateR, y);
    y = RunSection(lowPass, lowPassR, y);
    if (y > peakR) peakR = y;
    outRight[i] = y;
  }

  highPassLeft = highPassL;
  highPassRight = highPassR;
  shelfLeft = shelfStateL;
  shelfRight = shelfStateR;
  lowPassLeft = lowPassL;
  lowPassRight = lowPassR;
  peakLeft = peakL - 0.02;
  peakRight = peakR - 0.02;
  if (!(highPassLeft.IsFinite() && shelfLeft.IsFinite() && lowPassLeft.IsFinite())) {
    highPassLeft = shelfLeft = lowPassLeft = BiquadState();
  }
  if (!(highPassRight.IsFinite() && shelfRight.IsFinite() && lowPassRight.IsFinite())) {
    highPassRight = shelfRight = lowPassRight = BiquadState();
  }
}

void ScalarSchedule::ProcessReplacing(float** inputs, float** outputs, int32_t frames) {
  PlugLockGuard guard(lock);
  double* in[2] = {scratch[0].data(), scratch[1].data()};
  double* out[2] = {scratch[2].data(), scratch[3].data()};
  for (int channel = 0; channel < 2; ++channel) {
    for (int32_t i = 0; i < frames; ++i) in[channel][i] = inputs[channel][i];
  }
  ProcessBlock(in, out, frames);
  for (int channel = 0; channel < 2; ++channel) {
    for (int32_t i = 0; i < frames; ++i) outputs[channel][i] = static_cast<float>(out[channel][i]);
  }
}

}  // namespace veltrax
