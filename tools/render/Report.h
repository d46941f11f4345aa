#pragma once
// What the renderer tells the user: levels, progress on a terminal, the
// summary after a render and the plug-in listing of --list.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace veltrax {

class PluginHost;

// Peak and RMS over all channels of a file, relative to full scale (1.0):
// a full-scale sine reads 0.0 dBFS peak and -3.0 dBFS RMS.
struct LevelMeter {
  double peak = 0.0;
  double sumOfSquares = 0.0;
  int64_t samples = 0;

  template <typename Sample>
  void Add(const Sample* interleaved, int64_t count) {
    for (int64_t i = 0; i < count; ++i) {
      double x = static_cast<double>(interleaved[i]);
      double magnitude = x < 0.0 ? -x : x;
      if (magnitude > peak) peak = magnitude;
      sumOfSquares += x * x;
    }
    samples += count;
  }
  double PeakDbfs() const;
  double RmsDbfs() const;
};

// "-3.01 dBFS", "-inf dBFS" for silence.
std::string FormatDbfs(double dbfs);

// A one-line progress display on stderr, shown only on a terminal and only
// once a render has taken longer than half a second.
class Progress {
 public:
  Progress(bool enabled, int64_t totalFrames, double sampleRate);
  void Update(int64_t framesDone);
  void Finish();

 private:
  bool enabled;
  bool shown = false;
  int64_t totalFrames;
  double sampleRate;
  std::chrono::steady_clock::time_point start;
  std::chrono::steady_clock::time_point lastDraw;
};

struct RenderSummary {
  std::string inputPath;
  std::string outputPath;
  std::string formatText;  // "WAV (Microsoft), Signed 24 bit PCM"
  int channels = 0;
  int sampleRate = 0;
  std::string pluginText;  // "Veltrax 1.0.0 by Quillmarsh"
  std::vector<std::string> settings;  // "Gain Left = 150.00 %"
  bool doublePrecision = false;
  int blockSize = 0;
  int64_t frames = 0;
  double totalSeconds = 0.0;   // reading, processing and writing
  double pluginSeconds = 0.0;  // inside the plug-in's callbacks
  LevelMeter input;
  LevelMeter output;
  int64_t clippedSamples = 0;
  std::string stateSavedTo;
};

void PrintSummary(std::FILE* out, const RenderSummary& summary);

// "1.0.0" from a VST 2.4 version number (10000) or a plain counter.
std::string FormatVstVersion(int32_t version);
// "Vltx" for 0x566C7478; non-printable bytes as hex.
std::string FourCharacters(int32_t code);

void PrintPluginList(std::FILE* out, PluginHost& host);

}  // namespace veltrax
