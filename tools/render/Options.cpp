#include "Options.h"

#include <getopt.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace veltrax {

namespace {

enum LongOnly { kDouble = 256, kLoadState, kSaveState, kBankState, kList, kDemo, kVersion };

const option kLongOptions[] = {
    {"plugin", required_argument, nullptr, 'p'},
    {"set", required_argument, nullptr, 's'},
    {"block-size", required_argument, nullptr, 'b'},
    {"double", no_argument, nullptr, kDouble},
    {"load-state", required_argument, nullptr, kLoadState},
    {"save-state", required_argument, nullptr, kSaveState},
    {"bank-state", no_argument, nullptr, kBankState},
    {"list", no_argument, nullptr, kList},
    {"demo", no_argument, nullptr, kDemo},
    {"quiet", no_argument, nullptr, 'q'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

bool ParseBlockSize(const char* text, int& blockSize) {
  errno = 0;
  char* end = nullptr;
  long value = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0') return false;
  if (value < kMinBlockSize || value > kMaxBlockSize) return false;
  blockSize = static_cast<int>(value);
  return true;
}

}  // namespace

bool SplitSetting(const std::string& text, ParameterSetting& setting) {
  // The first '=' separates: parameter names do not contain one, values might.
  std::string::size_type equals = text.find('=');
  if (equals == std::string::npos || equals == 0) return false;
  setting.name = text.substr(0, equals);
  setting.value = text.substr(equals + 1);
  return true;
}

namespace {

// The option getopt_long just stopped at, for messages: a long one as
// written, a short one by its letter (inside a cluster such as "-xq",
// optind has not moved past the cluster yet).
std::string OptionName(int argc, char** argv) {
  const char* last = optind >= 1 && optind <= argc ? argv[optind - 1] : nullptr;
  const bool lastIsLong = last && std::strncmp(last, "--", 2) == 0;
  if (optopt > 0 && optopt < 128 && !lastIsLong) return std::string("-") + static_cast<char>(optopt);
  return last ? last : "?";
}

}  // namespace

bool ParseOptions(int argc, char** argv, RenderOptions& options, std::string& error) {
  opterr = 0;  // our own messages
  // 0, not 1: glibc then starts afresh. With 1 it keeps its place inside the
  // previous command line's last short-option cluster and reads on from
  // there, which may be freed memory by now.
  optind = 0;
  int code;
  while ((code = getopt_long(argc, argv, ":p:s:b:qh", kLongOptions, nullptr)) != -1) {
    switch (code) {
      case 'p':
        options.pluginPath = optarg;
        break;
      case 's': {
        ParameterSetting setting;
        if (!SplitSetting(optarg, setting)) {
          error = "--set expects NAME=VALUE, got \"" + std::string(optarg) + "\"";
          return false;
        }
        options.settings.push_back(setting);
        break;
      }
      case 'b':
        if (!ParseBlockSize(optarg, options.blockSize)) {
          error = "--block-size expects a whole number from " + std::to_string(kMinBlockSize) +
                  " to " + std::to_string(kMaxBlockSize) + ", got \"" + optarg + "\"";
          return false;
        }
        break;
      case kDouble: options.useDouble = true; break;
      case kLoadState: options.loadStatePath = optarg; break;
      case kSaveState: options.saveStatePath = optarg; break;
      case kBankState: options.bankState = true; break;
      case kList: options.list = true; break;
      case kDemo: options.demo = true; break;
      case 'q': options.quiet = true; break;
      case 'h': options.help = true; return true;
      case kVersion: options.version = true; return true;
      case ':':
        error = "option " + OptionName(argc, argv) + " needs a value";
        return false;
      default:
        error = "unknown option " + OptionName(argc, argv);
        return false;
    }
  }

  std::vector<std::string> positional(argv + optind, argv + argc);
  if (positional.size() > 2) {
    error = "too many file names (expected at most INPUT and OUTPUT): \"" + positional[2] + "\"";
    return false;
  }
  if (options.list) {
    if (!positional.empty()) {
      error = "--list renders nothing; give it no file names";
      return false;
    }
    return true;
  }
  // Without INPUT the renderer synthesises its demo input; with --demo the
  // first file name says where that demo input goes.
  if (positional.empty()) options.demo = true;
  if (options.demo) {
    options.inputPath = positional.size() > 0 ? positional[0] : "demo-in.wav";
    options.outputPath = positional.size() > 1 ? positional[1] : DeriveOutputPath(options.inputPath);
  } else {
    options.inputPath = positional[0];
    options.outputPath = positional.size() > 1 ? positional[1] : DeriveOutputPath(options.inputPath);
  }
  if (options.inputPath.empty() || options.outputPath.empty()) {
    error = "empty file name";
    return false;
  }
  return true;
}

std::string DeriveOutputPath(const std::string& inputPath) {
  std::string::size_type slash = inputPath.rfind('/');
  std::string::size_type nameStart = slash == std::string::npos ? 0 : slash + 1;
  std::string::size_type dot = inputPath.rfind('.');
  // A dot that starts the name (".wav") or lies in a folder is no extension.
  if (dot == std::string::npos || dot <= nameStart) dot = inputPath.size();
  std::string stem = inputPath.substr(0, dot);
  std::string extension = inputPath.substr(dot);
  const std::string inSuffix = "-in";
  if (stem.size() - nameStart > inSuffix.size() &&
      stem.compare(stem.size() - inSuffix.size(), inSuffix.size(), inSuffix) == 0) {
    stem.erase(stem.size() - inSuffix.size());
  }
  return stem + "-out" + extension;
}

std::string UsageText() {
  return
      "Usage: veltrax-render [OPTIONS] [INPUT [OUTPUT]]\n"
      "       veltrax-render --demo [OPTIONS] [DEMO_IN [OUTPUT]]\n"
      "       veltrax-render --list [OPTIONS]\n"
      "\n"
      "Renders an audio file (WAV, AIFF, FLAC and whatever else libsndfile reads;\n"
      "mono or stereo) through a VST 2.4 plug-in, by default the Veltrax.so built\n"
      "alongside. The output keeps the input's sample rate and format. OUTPUT\n"
      "defaults to INPUT with \"-out\" added to its name (\"x-in.wav\" gives \"x-out.wav\").\n"
      "Without INPUT, or with --demo, a built-in demo signal is written to DEMO_IN\n"
      "(default demo-in.wav) and rendered to OUTPUT (default demo-out.wav).\n"
      "\n"
      "Options:\n"
      "  -p, --plugin PATH       the VST 2.4 plug-in (.so) to load\n"
      "  -s, --set NAME=VALUE    set a parameter, by name or index, from text as the\n"
      "                          plug-in reads it (e.g. --set \"Gain Left=150\",\n"
      "                          --set Equalizer=3, --set \"Power On/Off=off\");\n"
      "                          repeatable, applied in order after --load-state\n"
      "  -b, --block-size N      frames per processing block (1..65536, default 1024)\n"
      "      --double            process in double precision (processDoubleReplacing)\n"
      "      --load-state FILE   load a state chunk into the plug-in before rendering\n"
      "      --save-state FILE   save the plug-in's state chunk after rendering\n"
      "      --bank-state        state files hold bank chunks (default: program chunks)\n"
      "      --list              show the plug-in's identity, parameters, programs and\n"
      "                          channel configurations, after --load-state and --set\n"
      "      --demo              render the built-in demo signal\n"
      "  -q, --quiet             no progress and no summary\n"
      "  -h, --help              this text\n"
      "      --version           the renderer's version\n"
      "\n"
      "Exit status: 0 on success, 1 when rendering failed (nothing is written then),\n"
      "2 on a usage error, 128 + the signal's number when a signal ended it (130 for\n"
      "Ctrl-C; no partial file is left).\n";
}

}  // namespace veltrax
