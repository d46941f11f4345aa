#pragma once
// The block loop: read a block, split its channels, let the plug-in process
// it, interleave the result and write it. All buffers are made before the
// first block.

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

// The host is open, its channels configured and resumed. An ending signal
// (see Interruption.h) stops the loop at the next block.
bool RenderFile(PluginHost& host, AudioFileReader& reader, AudioFileWriter& writer, int blockSize,
                bool useDouble, Progress& progress, RenderResult& result, std::string& error);

}  // namespace veltrax
