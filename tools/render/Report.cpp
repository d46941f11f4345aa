#include "Report.h"

#include <unistd.h>

#include <cctype>
#include <cstdarg>
#include <cmath>
#include <limits>

#include "PluginHost.h"
#include "VstAbi.h"

namespace veltrax {

namespace {

double ToDbfs(double linear) {
  if (linear <= 0.0) return -std::numeric_limits<double>::infinity();
  return 20.0 * std::log10(linear);
}

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* format, ...) {
  char text[512];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof(text), format, arguments);
  va_end(arguments);
  return text;
}

std::string MinutesAndSeconds(double seconds) {
  int whole = static_cast<int>(seconds);
  return Printf("%d:%02d", whole / 60, whole % 60);
}

std::string ChannelsText(int channels) {
  if (channels == 1) return "mono";
  if (channels == 2) return "stereo";
  return std::to_string(channels) + " channels";
}

std::string FlagsText(int32_t flags) {
  struct Named {
    int32_t flag;
    const char* name;
  };
  static const Named kNames[] = {
      {effFlagsHasEditor, "editor"},
      {effFlagsCanMono, "mono"},
      {effFlagsCanReplacing, "replacing"},
      {effFlagsProgramChunks, "program chunks"},
      {effFlagsIsSynth, "instrument"},
      {effFlagsNoSoundInStop, "no sound in stop"},
      {effFlagsCanDoubleReplacing, "double replacing"},
  };
  std::string text = Printf("0x%X", static_cast<unsigned>(flags));
  const char* separator = " (";
  for (const Named& entry : kNames) {
    if (!(flags & entry.flag)) continue;
    text += separator;
    text += entry.name;
    separator = ", ";
  }
  if (separator[0] == ',') text += ")";
  return text;
}

}  // namespace

double LevelMeter::PeakDbfs() const { return ToDbfs(peak); }

double LevelMeter::RmsDbfs() const {
  if (samples == 0) return ToDbfs(0.0);
  return ToDbfs(std::sqrt(sumOfSquares / static_cast<double>(samples)));
}

std::string FormatDbfs(double dbfs) {
  if (std::isinf(dbfs) && dbfs < 0.0) return "-inf dBFS";
  return Printf("%.2f dBFS", dbfs);
}

Progress::Progress(bool wanted, int64_t total, double rate)
    : enabled(wanted && isatty(STDERR_FILENO)), totalFrames(total), sampleRate(rate) {
  start = lastDraw = std::chrono::steady_clock::now();
}

void Progress::Update(int64_t framesDone) {
  if (!enabled) return;
  auto now = std::chrono::steady_clock::now();
  if (now - start < std::chrono::milliseconds(500)) return;
  if (shown && now - lastDraw < std::chrono::milliseconds(100)) return;
  lastDraw = now;
  shown = true;
  double done = framesDone / sampleRate;
  if (totalFrames > 0) {
    int percent = static_cast<int>(100.0 * static_cast<double>(framesDone) / totalFrames);
    std::fprintf(stderr, "\rrendering %3d%%  %s of %s ", percent, MinutesAndSeconds(done).c_str(),
                 MinutesAndSeconds(totalFrames / sampleRate).c_str());
  } else {
    std::fprintf(stderr, "\rrendering  %s ", MinutesAndSeconds(done).c_str());
  }
  std::fflush(stderr);
}

void Progress::Finish() {
  if (!shown) return;
  std::fprintf(stderr, "\r%*s\r", 40, "");
  std::fflush(stderr);
  shown = false;
}

std::string FormatVstVersion(int32_t version) {
  if (version >= 10000)
    return Printf("%d.%d.%d", version / 10000, (version / 100) % 100, version % 100);
  return std::to_string(version);
}

std::string FourCharacters(int32_t code) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    unsigned char c = static_cast<unsigned char>((static_cast<uint32_t>(code) >> shift) & 0xFF);
    if (!std::isprint(c)) return Printf("0x%08X", static_cast<unsigned>(code));
    text += static_cast<char>(c);
  }
  return text;
}

void PrintSummary(std::FILE* out, const RenderSummary& s) {
  const double seconds = s.sampleRate > 0 ? static_cast<double>(s.frames) / s.sampleRate : 0.0;
  std::fprintf(out, "Input     %s\n", s.inputPath.c_str());
  std::fprintf(out, "Output    %s\n", s.outputPath.c_str());
  std::fprintf(out, "Format    %s, %d Hz, %s\n", s.formatText.c_str(), s.sampleRate,
               ChannelsText(s.channels).c_str());
  std::fprintf(out, "Plug-in   %s\n", s.pluginText.c_str());
  for (const std::string& setting : s.settings) std::fprintf(out, "Set       %s\n", setting.c_str());
  std::fprintf(out, "Length    %.3f s (%lld frames)\n", seconds, static_cast<long long>(s.frames));
  std::fprintf(out, "Time      %.3f s, %.3f s of it in the plug-in (%s precision, blocks of %d)\n",
               s.totalSeconds, s.pluginSeconds, s.doublePrecision ? "double" : "single", s.blockSize);
  if (s.totalSeconds > 0.0 && s.pluginSeconds > 0.0) {
    std::fprintf(out, "Speed     %.1fx real time (plug-in alone %.1fx)\n", seconds / s.totalSeconds,
                 seconds / s.pluginSeconds);
  }
  std::fprintf(out, "Levels    %-16s %s\n", "peak", "RMS");
  std::fprintf(out, "  input   %-16s %s\n", FormatDbfs(s.input.PeakDbfs()).c_str(),
               FormatDbfs(s.input.RmsDbfs()).c_str());
  std::fprintf(out, "  output  %-16s %s\n", FormatDbfs(s.output.PeakDbfs()).c_str(),
               FormatDbfs(s.output.RmsDbfs()).c_str());
  if (s.clippedSamples > 0) {
    std::fprintf(out, "Clipped   %lld samples of the output exceeded full scale and were clipped\n",
                 static_cast<long long>(s.clippedSamples));
  }
  if (!s.stateSavedTo.empty()) std::fprintf(out, "State     saved to %s\n", s.stateSavedTo.c_str());
}

void PrintPluginList(std::FILE* out, PluginHost& host) {
  auto orNone = [](const std::string& text) { return text.empty() ? std::string("(none)") : text; };
  std::fprintf(out, "Plug-in        %s\n", host.Path().c_str());
  std::fprintf(out, "Effect         %s\n", orNone(host.EffectName()).c_str());
  std::fprintf(out, "Vendor         %s\n", orNone(host.VendorString()).c_str());
  std::fprintf(out, "Product        %s\n", orNone(host.ProductString()).c_str());
  std::fprintf(out, "Version        %s (vendor version %d, VST %d)\n",
               FormatVstVersion(host.Version()).c_str(), host.VendorVersion(), host.VstVersion());
  std::fprintf(out, "Unique ID      %s (0x%08X)\n", FourCharacters(host.UniqueId()).c_str(),
               static_cast<unsigned>(host.UniqueId()));
  int32_t category = host.PlugCategory();
  std::fprintf(out, "Category       %s\n",
               category == kPlugCategEffect  ? "effect"
               : category == kPlugCategSynth ? "instrument"
                                             : Printf("%d", category).c_str());
  std::fprintf(out, "Flags          %s\n", FlagsText(host.Flags()).c_str());
  std::fprintf(out, "Latency        %d samples, tail %d samples\n", host.InitialDelay(),
               host.TailSize());

  std::fprintf(out, "Channels       %d in, %d out\n", host.NumInputs(), host.NumOutputs());
  std::fprintf(out, "Configurations\n");
  if (host.NumInputs() == 1 && host.NumOutputs() == 1) {
    std::fprintf(out, "  1 in, 1 out  mono files\n");
  } else {
    if (host.CanMono()) std::fprintf(out, "  1 in, 1 out  mono files\n");
    std::fprintf(out, "  %d in, %d out%s\n", host.NumInputs(), host.NumOutputs(),
                 host.NumInputs() >= 2 && host.NumOutputs() >= 2 ? "  stereo files" : "");
  }
  for (int input = 1; input >= 0; --input) {
    int count = input ? host.NumInputs() : host.NumOutputs();
    for (int i = 0; i < count; ++i) {
      std::string label;
      int32_t flags = 0;
      if (!host.PinProperties(input, i, label, flags)) break;
      std::fprintf(out, "  %-6s %d  %s%s\n", input ? "input" : "output", i, label.c_str(),
                   (flags & kVstPinIsStereo) ? " (first of a stereo pair)" : "");
    }
  }

  std::fprintf(out, "Parameters     %d\n", host.NumParams());
  std::fprintf(out, "  %3s  %-24s %-16s %s\n", "#", "Name", "Display", "Label");
  for (int i = 0; i < host.NumParams(); ++i) {
    std::fprintf(out, "  %3d  %-24s %-16s %s\n", i, orNone(host.ParameterName(i)).c_str(),
                 host.ParameterDisplay(i).c_str(), host.ParameterLabel(i).c_str());
  }
  std::fprintf(out, "Programs       %d\n", host.NumPrograms());
  for (int i = 0; i < host.NumPrograms(); ++i)
    std::fprintf(out, "  %3d  %s\n", i, orNone(host.ProgramName(i)).c_str());
}

}  // namespace veltrax
