#pragma once
// Command line of veltrax-snapshot: the settings, the audio that runs
// before the picture is taken, the control values put in afterwards and
// where the picture goes.

#include <cstdint>
#include <string>
#include <vector>

#include "Options.h"

namespace veltrax {

// --value POSITION=V: control at list position POSITION gets V (0..1).
struct ControlValue {
  int position = 0;
  double value = 0.0;
};

struct SnapshotOptions {
  bool help = false;
  bool version = false;
  bool demo = false;
  std::string inputPath;  // empty: no audio file
  int blockSize = 1024;
  int64_t blockLimit = -1;  // -1: the whole input
  int scale = 0;            // 1 or 2; 0: as VELTRAX_PANEL_SCALE says, else 1
  std::vector<ParameterSetting> settings;
  std::vector<ControlValue> values;
  std::string outputPath;
};

// Fills options from argv without touching the disk; false with a message
// on a usage error. Parsed without any hidden state, so it may run again.
bool ParseSnapshotOptions(int argc, char** argv, SnapshotOptions& options, std::string& error);

std::string SnapshotUsageText();

}  // namespace veltrax
