#pragma once
// The signal path as it was scheduled before both channels ran side by side:
// one frame at a time, the saturator inline, every operation scalar. Same
// arithmetic, same bits; kept only so that the benchmarks can time the two
// schedules in turns on the same machine.

#include <cstdint>
#include <vector>

#include "PlugLock.h"
#include "TapeDsp.h"

namespace veltrax {

class ScalarSchedule {
 public:
  // The effect as a host opens it (default parameters) at the given rate.
  ScalarSchedule(double sampleRate, int maxFrames);

  void ProcessBlock(double** inputs, double** outputs, int32_t frames);
  // What processReplacing adds around it: the lock, the input conversion
  // into double scratch and the conversion back.
  void ProcessReplacing(float** inputs, float** outputs, int32_t frames);

 private:
  double gainLeft = 1.0;
  double gainRight = 1.0;
  double peakLeft = 0.0;
  double peakRight = 0.0;
  BiquadCoeffs highPassCoeffs = kHighPassCoeffs;
  BiquadCoeffs shelfLeftCoeffs;
  BiquadCoeffs shelfRightCoeffs;
  BiquadCoeffs lowPassCoeffs = kEqualizerTable[0];
  BiquadState highPassLeft, highPassRight, shelfLeft, shelfRight, lowPassLeft, lowPassRight;
  PlugLock lock;
  std::vector<double> scratch[4];  // inputs left, right; outputs left, right
};

}  // namespace veltrax
