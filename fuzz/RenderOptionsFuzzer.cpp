// The renderer's command line: the bytes split at NUL into arguments, parsed
// twice in a row as the process would never do but a library user may. The
// two parses must agree; a successful one names what it needs.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "Options.h"

using namespace veltrax;

namespace {

bool Parse(std::vector<std::string> arguments, RenderOptions& options, std::string& error) {
  // Fresh copies each time: getopt may reorder them, and the previous
  // command line is gone by the next parse.
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  return ParseOptions(static_cast<int>(arguments.size()), argv.data(), options, error);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> arguments = {"veltrax-render"};
  std::string current;
  for (size_t i = 0; i < size && arguments.size() < 64; ++i) {
    if (data[i] == 0) {
      arguments.push_back(current);
      current.clear();
    } else {
      current.push_back(static_cast<char>(data[i]));
    }
  }
  if (!current.empty()) arguments.push_back(current);

  RenderOptions first, second;
  std::string firstError, secondError;
  const bool firstOk = Parse(arguments, first, firstError);
  const bool secondOk = Parse(arguments, second, secondError);
  if (firstOk != secondOk || firstError != secondError) std::abort();
  if (firstOk) {
    if (first.pluginPath != second.pluginPath || first.inputPath != second.inputPath ||
        first.outputPath != second.outputPath || first.settings.size() != second.settings.size())
      std::abort();
    if (first.blockSize < kMinBlockSize || first.blockSize > kMaxBlockSize) std::abort();
    const bool done = first.help || first.version || first.list;
    if (!done && (first.inputPath.empty() || first.outputPath.empty())) std::abort();
  } else if (firstError.empty()) {
    std::abort();  // a refusal always says why
  }
  return 0;
}
