#include "SnapshotOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "ParameterSettings.h"
#include "PngImage.h"

namespace veltrax {

namespace {

bool ParseWhole(const std::string& text, long long low, long long high, long long& value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long long parsed = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || parsed < low || parsed > high) return false;
  value = parsed;
  return true;
}

bool ParseControlValue(const std::string& text, ControlValue& control, std::string& error) {
  const std::string::size_type equals = text.find('=');
  long long position = 0;
  if (equals == std::string::npos ||
      !ParseWhole(text.substr(0, equals), 0, 1 << 20, position)) {
    error = "--value expects POSITION=V with a control position from 0, got \"" + text + "\"";
    return false;
  }
  const std::string number = text.substr(equals + 1);
  char* end = nullptr;
  const double value = number.empty() ? NAN : std::strtod(number.c_str(), &end);
  if (number.empty() || *end != '\0' || !(value >= 0.0 && value <= 1.0)) {
    error = "--value expects a normalised value from 0 to 1, got \"" + number + "\" in \"" +
            text + "\"";
    return false;
  }
  control.position = static_cast<int>(position);
  control.value = value;
  return true;
}

}  // namespace

bool ParseSnapshotOptions(int argc, char** argv, SnapshotOptions& options, std::string& error) {
  std::vector<std::string> positional;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
      positional.push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    // "--name=value" and "--name value" alike; no abbreviations.
    std::string name = argument;
    std::string value;
    bool inlineValue = false;
    const std::string::size_type equals = argument.find('=');
    if (argument.compare(0, 2, "--") == 0 && equals != std::string::npos) {
      name = argument.substr(0, equals);
      value = argument.substr(equals + 1);
      inlineValue = true;
    }
    auto takeValue = [&](std::string& out) {
      if (inlineValue) {
        out = value;
        return true;
      }
      if (i + 1 >= argc) {
        error = "option " + name + " needs a value";
        return false;
      }
      out = argv[++i];
      return true;
    };
    auto noValue = [&] {
      if (!inlineValue) return true;
      error = "option " + name + " takes no value";
      return false;
    };

    std::string text;
    if (name == "-h" || name == "--help") {
      if (!noValue()) return false;
      options.help = true;
      return true;
    } else if (name == "--version") {
      if (!noValue()) return false;
      options.version = true;
      return true;
    } else if (name == "-s" || name == "--set") {
      if (!takeValue(text)) return false;
      ParameterSetting setting;
      if (!SplitSetting(text, setting)) {
        error = "--set expects NAME=VALUE, got \"" + text + "\"";
        return false;
      }
      options.settings.push_back(setting);
    } else if (name == "--value") {
      if (!takeValue(text)) return false;
      ControlValue control;
      if (!ParseControlValue(text, control, error)) return false;
      options.values.push_back(control);
    } else if (name == "-i" || name == "--input") {
      if (!takeValue(options.inputPath)) return false;
      if (options.inputPath.empty()) {
        error = "--input needs a file name";
        return false;
      }
    } else if (name == "--demo") {
      if (!noValue()) return false;
      options.demo = true;
    } else if (name == "-b" || name == "--block-size") {
      long long frames = 0;
      if (!takeValue(text)) return false;
      if (!ParseWhole(text, kMinBlockSize, kMaxBlockSize, frames)) {
        error = "--block-size expects a whole number from " + std::to_string(kMinBlockSize) +
                " to " + std::to_string(kMaxBlockSize) + ", got \"" + text + "\"";
        return false;
      }
      options.blockSize = static_cast<int>(frames);
    } else if (name == "--scale") {
      if (!takeValue(text)) return false;
      if (text != "1" && text != "2") {
        error = "--scale takes 1 (the panel's own 700 x 160) or 2 (1400 x 320), got \"" + text + "\"";
        return false;
      }
      options.scale = text == "1" ? 1 : 2;
    } else if (name == "--blocks") {
      long long blocks = 0;
      if (!takeValue(text)) return false;
      if (!ParseWhole(text, 1, INT64_MAX, blocks)) {
        error = "--blocks expects a whole number of blocks from 1, got \"" + text + "\"";
        return false;
      }
      options.blockLimit = blocks;
    } else {
      error = "unknown option " + argument;
      return false;
    }
  }

  if (!options.inputPath.empty() && options.demo) {
    error = "--input and --demo both name the audio to run; give one of them";
    return false;
  }
  if (options.blockLimit > 0 && options.inputPath.empty() && !options.demo) {
    error = "--blocks limits the audio of --input or --demo; give one of them";
    return false;
  }
  if (positional.empty()) {
    error = "no output file: name the PNG file to write";
    return false;
  }
  if (positional.size() > 1) {
    error = "one output file expected, got \"" + positional[0] + "\" and \"" + positional[1] +
            "\"";
    return false;
  }
  options.outputPath = positional[0];
  if (!HasPngExtension(options.outputPath.c_str())) {
    error = "the output is a PNG image, but \"" + options.outputPath +
            "\" does not end in .png; choose a .png name";
    return false;
  }
  return true;
}

std::string SnapshotUsageText() {
  return
      "Usage: veltrax-snapshot [OPTIONS] OUTPUT.png\n"
      "\n"
      "Draws the Veltrax front panel (700 x 160) exactly as its editor draws it and\n"
      "writes it as a PNG image. The panel shows the parameters after --set and, with\n"
      "--input or --demo, what that audio leaves on the meters and the lamp; without\n"
      "audio the lamp is dark and the meters rest. --value then puts a normalised\n"
      "value straight into a control, as the audio does for the meters and the lamp.\n"
      "\n"
      "Options:\n"
      "  -s, --set NAME=VALUE    set a parameter, by name or index, from text as the\n"
      "                          plug-in reads it (e.g. --set \"Gain Left=150\",\n"
      "                          --set Equalizer=3, --set \"Power On/Off=off\");\n"
      "                          repeatable, applied in order before any audio\n"
      "  -i, --input FILE        run an audio file through the effect (WAV, AIFF, FLAC\n"
      "                          and whatever else libsndfile reads; mono or stereo)\n"
      "      --demo              run the renderer's built-in demo signal instead\n"
      "  -b, --block-size N      frames per processing block (1..65536, default 1024)\n"
      "      --blocks N          run only the first N blocks of the audio\n"
      "      --scale N           1: the panel at its own 700 x 160; 2: at 1400 x 320,\n"
      "                          drawn from the images made for that size (default:\n"
      "                          VELTRAX_PANEL_SCALE, else 1)\n"
      "      --value POSITION=V  control at list position POSITION (0 background,\n"
      "                          1 and 2 gain knobs, 3 equaliser, 4 power switch,\n"
      "                          5 and 6 meters, 7 lamp, 8 headphones switch) shows\n"
      "                          the normalised value V (0..1); repeatable, applied\n"
      "                          in order after the audio\n"
      "  -h, --help              this text\n"
      "      --version           the tool's version\n"
      "\n"
      "Exit status: 0 when the image was written, 1 when audio could not be read or\n"
      "the image not written, 2 for a mistake in the arguments (nothing is written\n"
      "then), 128 + the signal's number when a signal ended it (no partial file is\n"
      "left).\n";
}

}  // namespace veltrax
