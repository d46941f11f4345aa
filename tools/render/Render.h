#pragma once
// The block loop: read a block, split its channels, let the plug-in process
// it, interleave the result and write it. All buffers are made before the
// first block.

#include <csignal>
#include <cstdint>
#include <string>

#include "Report.h"

namespace veltrax {

class PluginHost;
class AudioFileReader;
class AudioFileWriter;

struct RenderResult {
  int64_t frames = 0;
  double pluginSeconds = 0.0;
  LevelMeter input;
  LevelMeter output;
};

// The number of the first signal that asked the renderer to stop, set by its
// handler; the loop stops at the next block.
extern volatile std::sig_atomic_t renderInterrupted;

// The host is open, its channels configured and resumed.
bool RenderFile(PluginHost& host, AudioFileReader& reader, AudioFileWriter& writer, int blockSize,
                bool useDouble, Progress& progress, RenderResult& result, std::string& error);

}  // namespace veltrax
