// veltrax-snapshot: draws the Veltrax front panel as its editor draws it
// and writes it as a PNG image. The effect is linked in and made through
// CreateVstInstance, then driven through its effect record (dispatcher,
// audio callbacks) by the same host the renderer uses.

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "AudioFile.h"
#include "Controls.h"
#include "DemoSignal.h"
#include "EffectVST.h"
#include "IGraphics.h"
#include "Interruption.h"
#include "ParameterSettings.h"
#include "PluginHost.h"
#include "PluginModule.h"
#include "PngWriter.h"
#include "SnapshotOptions.h"

namespace veltrax {

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int Fail(const std::string& message, int status) {
  std::fprintf(stderr, "veltrax-snapshot: error: %s\n", message.c_str());
  return status;
}

int Interrupted(const std::string& what) { return ReportInterruption("veltrax-snapshot", what); }

// The instance the entry below made: the host sees its record, the tool
// reaches its editor through it, as a window would.
IEffectVST* createdInstance = nullptr;

// What VSTPluginMain does, on the effect linked into this program.
AEffect* CreateVeltrax(audioMasterCallback hostCallback) {
  CreationLockGuard creation;
  createdInstance = CreateVstInstance(hostCallback);  // presets filled as for hosts
  return createdInstance ? createdInstance->Effect() : nullptr;
}

// Hands interleaved audio to the plug-in block by block, each channel on its
// pin; pins beyond the audio's channels get silence.
class AudioFeed {
 public:
  AudioFeed(PluginHost& host, int channels, int blockSize)
      : host(host),
        channels(channels),
        inputs(std::max(host.NumInputs(), channels), std::vector<float>(blockSize)),
        outputs(std::max(host.NumOutputs(), channels), std::vector<float>(blockSize)) {
    for (auto& pin : inputs) inputPointers.push_back(pin.data());
    for (auto& pin : outputs) outputPointers.push_back(pin.data());
  }

  void Process(const float* interleaved, int frames) {
    for (int i = 0; i < frames; ++i) {
      for (int c = 0; c < channels; ++c) inputs[c][i] = interleaved[i * channels + c];
    }
    host.ProcessFloat(inputPointers.data(), outputPointers.data(), frames);
  }

 private:
  PluginHost& host;
  int channels;
  std::vector<std::vector<float>> inputs, outputs;
  std::vector<float*> inputPointers, outputPointers;
};

// The audio of --input or --demo, then as many blocks as asked for.
bool RunAudio(PluginHost& host, const SnapshotOptions& options, std::string& error,
              int& failureStatus) {
  failureStatus = kExitFailure;
  AudioFileReader reader;
  std::vector<float> demo;
  int channels = kDemoChannels;
  double sampleRate = kDemoSampleRate;
  if (options.demo) {
    demo = SynthesiseDemoSignal();
  } else {
    if (!reader.Open(options.inputPath, error)) return false;
    channels = reader.Info().channels;
    sampleRate = reader.Info().samplerate;
    if (channels > 2) {
      error = options.inputPath + " has " + std::to_string(channels) +
              " channels; the effect takes mono or stereo audio";
      return false;
    }
  }
  host.Open(sampleRate, options.blockSize);
  if (!host.ConfigureChannels(channels, error)) return false;
  if (!ApplyParameterSettings(host, options.settings, nullptr, error)) {
    failureStatus = kExitUsage;
    return false;
  }

  AudioFeed feed(host, channels, options.blockSize);
  std::vector<float> block(static_cast<size_t>(options.blockSize) * channels);
  const int64_t demoFrames = static_cast<int64_t>(demo.size()) / channels;
  int64_t done = 0;
  host.Resume();
  for (int64_t blocks = 0; options.blockLimit < 0 || blocks < options.blockLimit; ++blocks) {
    if (endingSignal) {
      host.Suspend();
      error = "interrupted";
      return false;
    }
    int64_t frames;
    const float* samples;
    if (options.demo) {
      frames = std::min<int64_t>(options.blockSize, demoFrames - done);
      samples = demo.data() + done * channels;
    } else {
      frames = reader.Read(block.data(), options.blockSize, error);
      if (frames < 0) {
        host.Suspend();
        return false;
      }
      samples = block.data();
    }
    if (frames <= 0) break;
    feed.Process(samples, static_cast<int>(frames));
    done += frames;
    TestStopPoint("audio");
  }
  host.Suspend();
  return true;
}

// Through a temporary file in the destination's folder, renamed when whole,
// as the renderer writes its output.
bool WritePicture(const RasterBitmap& surface, const std::string& path, std::string& error) {
  std::string temporary;
  const int descriptor = CreateTemporaryNextTo(path, temporary, error);
  if (descriptor < 0) return false;
  close(descriptor);
  if (!SavePngFile(surface, temporary.c_str())) {
    std::remove(temporary.c_str());
    error = "cannot write " + path;
    return false;
  }
  // The picture is written in one call; a signal during it is seen here.
  if (endingSignal) {
    std::remove(temporary.c_str());
    error = "interrupted";
    return false;
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

int TakeSnapshot(const SnapshotOptions& options) {
  PluginHost host;
  std::string error;
  if (!host.Attach(&CreateVeltrax, "Veltrax", error)) return Fail(error, kExitFailure);
  IGraphics* graphics = dynamic_cast<IGraphics*>(createdInstance->Plugin()->Editor());
  if (!graphics || !graphics->Surface()) return Fail("the effect has no front panel", kExitFailure);
  const int controls = graphics->ControlCount();
  for (const ControlValue& value : options.values) {
    if (value.position >= controls) {
      return Fail("--value " + std::to_string(value.position) +
                      ": the panel's controls are at positions 0 to " +
                      std::to_string(controls - 1),
                  kExitUsage);
    }
  }

  const std::string notWritten = options.outputPath + " was not written";
  if (options.demo || !options.inputPath.empty()) {
    int status = kExitFailure;
    if (!RunAudio(host, options, error, status)) {
      // Checked first: a signal may also end the reading with an error.
      if (endingSignal) return Interrupted(notWritten);
      return Fail(error, status);
    }
  } else {
    host.Open(kDemoSampleRate, options.blockSize);
    if (!ApplyParameterSettings(host, options.settings, nullptr, error)) {
      return Fail(error, kExitUsage);
    }
  }

  {
    // As the audio thread stores its values: under the instance lock.
    PlugLockGuard guard(createdInstance->Plugin()->Lock());
    for (const ControlValue& value : options.values) {
      graphics->GetControl(value.position)->SetValueFromPlug(value.value);
    }
  }
  if (options.scale != 0) graphics->SetUserScale(options.scale);
  graphics->ApplyScale();
  if (graphics->DrawnScale() != graphics->Scale()) return Fail("the panel cannot be drawn at that scale", kExitFailure);
  graphics->MarkAllDirty();
  graphics->Redraw(Rect{0, 0, graphics->PanelWidth(), graphics->PanelHeight()});
  if (endingSignal) return Interrupted(notWritten);
  if (!WritePicture(*graphics->Surface(), options.outputPath, error)) {
    if (endingSignal) return Interrupted(notWritten);
    return Fail(error, kExitFailure);
  }
  // A signal after the rename: the picture is whole, the status still says.
  if (endingSignal) return Interrupted(options.outputPath + " was written completely");
  return 0;
}

}  // namespace

}  // namespace veltrax

using namespace veltrax;

int main(int argc, char** argv) {
  SnapshotOptions options;
  std::string error;
  if (!ParseSnapshotOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "veltrax-snapshot: %s\nTry 'veltrax-snapshot --help'.\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(SnapshotUsageText().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("veltrax-snapshot %s\n", VELTRAX_SNAPSHOT_VERSION);
    return 0;
  }
  // Whatever its name, the input is not to be replaced by the picture.
  if (!options.inputPath.empty() && SameFile(options.inputPath, options.outputPath)) {
    return Fail("the output " + options.outputPath +
                    " is the input file; name another output so the input is kept",
                kExitFailure);
  }
  if (!OutputNameFits(options.outputPath, error)) return Fail(error, kExitFailure);
  CatchEndingSignals();
  return TakeSnapshot(options);
}
