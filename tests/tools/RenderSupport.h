#pragma once
// Helpers for the tools tests: a scratch folder per test, running the built
// renderer and snapshot tool, writing and reading audio files, and a
// reference that drives the plug-in binary directly.

#include <sndfile.h>
#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

namespace veltrax {

struct RunResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// A fresh folder, removed with its contents at the end of the test.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  std::string Path(const std::string& name) const { return folder + "/" + name; }
  const std::string& Folder() const { return folder; }
  std::vector<std::string> Files() const;  // sorted names, hidden ones included

 private:
  std::string root;    // holds the folder and the run logs
  std::string folder;  // where the renderer works
};

// Runs `program` (VELTRAX_RENDER_PATH or VELTRAX_SNAPSHOT_PATH) with
// `arguments` inside the scratch folder. A run that outlasts 30 s is killed
// and reported as exit code -1.
RunResult RunTool(const char* program, const ScratchFolder& scratch,
                  const std::vector<std::string>& arguments);
RunResult RunRenderer(const ScratchFolder& scratch, const std::vector<std::string>& arguments);
// RunTool in two steps, for a test that acts while the tool runs.
pid_t StartTool(const char* program, const ScratchFolder& scratch,
                const std::vector<std::string>& arguments, const char* stopAt = nullptr);
RunResult FinishTool(const ScratchFolder& scratch, pid_t child);
// Runs `program` until it stops itself at the test stop point `place`,
// sends it `signal` there and lets it go on.
RunResult SignalAt(const char* program, const ScratchFolder& scratch, const char* place, int signal,
                   const std::vector<std::string>& arguments);

struct AudioData {
  SF_INFO info{};
  std::vector<double> samples;  // interleaved, normalised
  std::vector<int> codes;       // interleaved, as 32-bit integer codes
};

// `interleaved` values are stored as given (float files keep them exactly
// when they are floats).
void WriteAudio(const std::string& path, int format, int sampleRate, int channels,
                const std::vector<double>& interleaved);
AudioData ReadAudio(const std::string& path);

// A deterministic test signal: a different tone and a little noise per
// channel, peaking near `amplitude`; values are representable as floats.
std::vector<double> TestSignal(int frames, int channels, int sampleRate, double amplitude = 0.6);

// Processes `interleaved` through the plug-in binary with processReplacing
// in blocks, after effString2Parameter with each (index, text).
std::vector<float> ReferenceRender(const std::vector<double>& interleaved, int channels,
                                   int sampleRate, int blockSize,
                                   const std::vector<std::pair<int, std::string>>& settings);

bool Contains(const std::string& text, const std::string& part);

}  // namespace veltrax
