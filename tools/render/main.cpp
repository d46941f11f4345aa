// veltrax-render: renders audio files through a VST 2.4 plug-in, by default
// the Veltrax.so built alongside.

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "AudioFile.h"
#include "DemoSignal.h"
#include "Interruption.h"
#include "Options.h"
#include "ParameterSettings.h"
#include "PluginHost.h"
#include "Render.h"
#include "Report.h"

namespace veltrax {

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int Fail(const std::string& message) {
  std::fprintf(stderr, "veltrax-render: error: %s\n", message.c_str());
  return kExitFailure;
}

int Interrupted(const std::string& what) { return ReportInterruption("veltrax-render", what); }

bool FileExists(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0;
}

// The plug-in built alongside (its path relative to this executable's folder
// is fixed when the renderer is built), else the one installed with it: the
// Debian package and the Linux archive put the renderer in bin/ and the
// plug-in in lib/vst/. When neither is there, the first names the problem.
std::string DefaultPluginPath() {
  char self[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
  if (length <= 0) return VELTRAX_DEFAULT_PLUGIN;
  self[length] = '\0';
  std::string folder(self);
  folder.erase(folder.rfind('/'));
  std::string path = folder + "/" + VELTRAX_DEFAULT_PLUGIN;
  const std::string installed = folder + "/" + VELTRAX_INSTALLED_PLUGIN;
  if (!FileExists(path) && FileExists(installed)) path = installed;
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved)) return resolved;
  return path;
}

// The bytes of --load-state, read before the plug-in is loaded so a wrong
// file is refused before anything is written.
bool ReadState(const RenderOptions& options, std::vector<uint8_t>& state, std::string& error) {
  if (options.loadStatePath.empty()) return true;
  if (!ReadStateFile(options.loadStatePath, state, error)) return false;
  if (state.empty()) {
    error = "cannot load state from " + options.loadStatePath + ": the file is empty";
    return false;
  }
  return true;
}

// The state read by ReadState, then every --set in order.
bool ApplyState(PluginHost& host, const RenderOptions& options, const std::vector<uint8_t>& state,
                std::vector<std::string>& applied, std::string& error) {
  const char* kind = options.bankState ? "bank" : "program";
  if (!options.loadStatePath.empty()) {
    if (!host.LoadStateChunk(state, options.bankState)) {
      error = "the plug-in refused the state in " + options.loadStatePath + " (" +
              std::to_string(state.size()) + " bytes read as a " + kind + " chunk)";
      return false;
    }
    applied.push_back("state from " + options.loadStatePath);
  }
  return ApplyParameterSettings(host, options.settings, &applied, error);
}

std::string PluginText(PluginHost& host) {
  std::string name = host.EffectName();
  std::string text = (name.empty() ? host.Path() : name) + " " + FormatVstVersion(host.Version());
  std::string vendor = host.VendorString();
  if (!vendor.empty()) text += " by " + vendor;
  return text;
}

int ListPlugin(PluginHost& host, const RenderOptions& options, const std::vector<uint8_t>& state) {
  host.Open(44100.0, options.blockSize);
  std::vector<std::string> applied;
  std::string error;
  if (!ApplyState(host, options, state, applied, error)) return Fail(error);
  PrintPluginList(stdout, host);
  return 0;
}

// Names that would make the renderer write over one of its own inputs, or
// that are too long for their folder, are refused before any work.
bool CheckFileNames(const RenderOptions& options, std::string& error) {
  if (options.list) return true;
  const std::string& loaded = options.loadStatePath;
  if (!loaded.empty() && SameFile(loaded, options.outputPath)) {
    error = "the output " + options.outputPath + " is the state file " + loaded +
            " loaded with --load-state; name another output so the state file is kept";
    return false;
  }
  if (!loaded.empty() && options.demo && SameFile(loaded, options.inputPath)) {
    error = "the demo input " + options.inputPath + " is the state file " + loaded +
            " loaded with --load-state; name another demo input so the state file is kept";
    return false;
  }
  if (!options.saveStatePath.empty()) {
    if (SameFile(options.saveStatePath, options.inputPath)) {
      error = "the state file " + options.saveStatePath + " is the input file" +
              (options.demo ? " (the demo input)" : "") +
              "; name another state file so the input is kept";
      return false;
    }
    if (SameFile(options.saveStatePath, options.outputPath)) {
      error = "the state file " + options.saveStatePath + " is the output file " +
              options.outputPath + "; name another state file";
      return false;
    }
    if (!OutputNameFits(options.saveStatePath, error)) return false;
  }
  if (options.demo && !OutputNameFits(options.inputPath, error)) return false;
  return OutputNameFits(options.outputPath, error);
}

int Render(PluginHost& host, const RenderOptions& options, const std::vector<uint8_t>& state) {
  using Clock = std::chrono::steady_clock;
  std::string error;
  if (endingSignal) return Interrupted("nothing was written");
  if (options.demo) {
    if (!ExtensionFitsContainer(options.inputPath, SF_FORMAT_WAV))
      return Fail("the demo input is a WAV file, but " + options.inputPath +
                  " names another kind of file; choose a .wav name");
    if (!WriteDemoFile(options.inputPath, error)) return Fail(error);
    if (!options.quiet) std::printf("Demo      wrote %s\n", options.inputPath.c_str());
  }

  AudioFileReader reader;
  if (!reader.Open(options.inputPath, error)) return Fail(error);
  const SF_INFO& info = reader.Info();
  if (info.channels > 2) {
    return Fail(options.inputPath + " has " + std::to_string(info.channels) +
                " channels; the renderer takes mono or stereo files");
  }
  if (SameFile(options.inputPath, options.outputPath)) {
    return Fail("the output " + options.outputPath +
                " is the input file; name another output so the input is kept");
  }
  if (!ExtensionFitsContainer(options.outputPath, info.format)) {
    return Fail("the output keeps the input's format (" + DescribeFormat(info.format) + "), but " +
                options.outputPath + " names another kind of file; choose a matching extension");
  }

  host.Open(info.samplerate, options.blockSize);
  if (!host.ConfigureChannels(info.channels, error)) return Fail(error);
  if (options.useDouble && !host.CanReplaceDouble())
    return Fail(PluginText(host) + " cannot process double precision; render without --double");
  RenderSummary summary;
  if (!ApplyState(host, options, state, summary.settings, error)) return Fail(error);

  AudioFileWriter writer;
  if (!writer.Create(options.outputPath, info, error)) return Fail(error);

  Clock::time_point start = Clock::now();
  Progress progress(!options.quiet, info.frames, info.samplerate);
  RenderResult result;
  host.Resume();
  bool rendered = RenderFile(host, reader, writer, options.blockSize, options.useDouble, progress,
                             result, error);
  host.Suspend();
  // Checked first: a signal may also end the reading early without an error.
  if (endingSignal) return Interrupted(options.outputPath + " was not written");
  if (!rendered) return Fail(error);

  // The state file first: if it cannot be written, no output appears either.
  if (!options.saveStatePath.empty()) {
    std::vector<uint8_t> chunk;
    if (!host.SaveStateChunk(chunk, options.bankState))
      return Fail("the plug-in gave no state chunk to save in " + options.saveStatePath);
    if (!WriteWholeFile(options.saveStatePath, chunk, error)) return Fail(error);
    summary.stateSavedTo = options.saveStatePath;
  }
  if (!writer.Commit(error)) return Fail(error);
  // A signal during the last steps ends the run once the files are whole.
  if (endingSignal) return Interrupted(options.outputPath + " was written completely");

  if (options.quiet) return 0;
  summary.inputPath = options.inputPath;
  summary.outputPath = options.outputPath;
  summary.formatText = DescribeFormat(info.format);
  summary.channels = info.channels;
  summary.sampleRate = info.samplerate;
  summary.pluginText = PluginText(host);
  summary.doublePrecision = options.useDouble;
  summary.blockSize = options.blockSize;
  summary.frames = result.frames;
  summary.totalSeconds = std::chrono::duration<double>(Clock::now() - start).count();
  summary.pluginSeconds = result.pluginSeconds;
  summary.input = result.input;
  summary.output = result.output;
  summary.clippedSamples = writer.ClippedSamples();
  PrintSummary(stdout, summary);
  return 0;
}

}  // namespace

}  // namespace veltrax

using namespace veltrax;

int main(int argc, char** argv) {
  RenderOptions options;
  std::string error;
  if (!ParseOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "veltrax-render: %s\nTry 'veltrax-render --help'.\n", error.c_str());
    return kExitUsage;
  }
  if (options.help) {
    std::fputs(UsageText().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("veltrax-render %s\n", VELTRAX_RENDER_VERSION);
    return 0;
  }
  if (!CheckFileNames(options, error)) return Fail(error);
  CatchEndingSignals();
  std::vector<uint8_t> state;
  if (!ReadState(options, state, error)) {
    if (endingSignal) return Interrupted("nothing was written");
    return Fail(error);
  }

  std::string pluginPath = options.pluginPath;
  if (pluginPath.empty()) {
    pluginPath = DefaultPluginPath();
    if (!FileExists(pluginPath))
      return Fail("the Veltrax plug-in is not at " + pluginPath +
                  "; build it, or name a plug-in with --plugin");
  } else if (!FileExists(pluginPath)) {
    return Fail("cannot load plug-in " + pluginPath + ": no such file");
  }

  PluginHost host;
  if (!host.Load(pluginPath, error)) return Fail(error);
  int status = options.list ? ListPlugin(host, options, state) : Render(host, options, state);
  std::fflush(stdout);
  // A signal while the summary or the listing was printed (a closed pipe):
  // the files are whole, but the status tells the caller what happened.
  if (status == 0 && endingSignal)
    status = Interrupted(options.list ? "the listing may be cut short"
                                      : options.outputPath + " was written completely");
  return status;
}
