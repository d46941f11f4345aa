#pragma once
// The built-in demo input: a few seconds of program-like material (a drum
// pattern, a bass line and a slow sine sweep), synthesised the same way on
// every machine so the README's run command needs no sample files.

#include <string>
#include <vector>

namespace veltrax {

constexpr int kDemoSampleRate = 44100;
constexpr int kDemoChannels = 2;
constexpr double kDemoSeconds = 6.0;

// Interleaved stereo at kDemoSampleRate, peaking at -3 dBFS.
std::vector<float> SynthesiseDemoSignal();

// The demo as a 24-bit stereo WAV file (written whole or not at all).
bool WriteDemoFile(const std::string& path, std::string& error);

}  // namespace veltrax
