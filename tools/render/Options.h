#pragma once
// Command line of veltrax-render: what to render, through which plug-in,
// with which settings.

#include <string>
#include <vector>

namespace veltrax {

struct ParameterSetting {
  std::string name;   // a parameter name or a decimal index
  std::string value;  // text as the plug-in reads it
};

// Splits "NAME=VALUE" at the first '=' (names hold none, values might);
// false without a name or an '='.
bool SplitSetting(const std::string& text, ParameterSetting& setting);

struct RenderOptions {
  bool help = false;
  bool version = false;
  bool list = false;
  bool demo = false;       // no INPUT given, or --demo: synthesise the demo input first
  bool useDouble = false;  // processDoubleReplacing instead of processReplacing
  bool bankState = false;  // state files hold bank chunks instead of program chunks
  bool quiet = false;
  int blockSize = 1024;
  std::string pluginPath;  // empty: the Veltrax.so built alongside the renderer
  std::string inputPath;   // with demo: where the demo input is written
  std::string outputPath;
  std::string loadStatePath;
  std::string saveStatePath;
  std::vector<ParameterSetting> settings;
};

constexpr int kMinBlockSize = 1;
constexpr int kMaxBlockSize = 65536;

// Fills options from argv. On a usage error returns false with a message;
// nothing is read from or written to disk here.
bool ParseOptions(int argc, char** argv, RenderOptions& options, std::string& error);

std::string UsageText();

// "song.wav" -> "song-out.wav"; a stem ending in "-in" becomes "-out"
// ("demo-in.wav" -> "demo-out.wav"). The folder is kept.
std::string DeriveOutputPath(const std::string& inputPath);

}  // namespace veltrax
