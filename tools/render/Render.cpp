#include "Render.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "AudioFile.h"
#include "Interruption.h"
#include "PluginHost.h"

namespace veltrax {

namespace {

template <typename Sample>
bool RenderBlocks(PluginHost& host, AudioFileReader& reader, AudioFileWriter& writer, int blockSize,
                  Progress& progress, RenderResult& result, std::string& error) {
  using Clock = std::chrono::steady_clock;
  const int channels = reader.Info().channels;
  // Pins beyond the file's channels get their own silent input and a
  // scratch output that is not written to the file.
  const int inputCount = std::max(host.NumInputs(), channels);
  const int outputCount = std::max(host.NumOutputs(), channels);
  const size_t frames = static_cast<size_t>(blockSize);

  std::vector<Sample> interleavedIn(frames * channels), interleavedOut(frames * channels);
  std::vector<std::vector<Sample>> inputs(inputCount, std::vector<Sample>(frames));
  std::vector<std::vector<Sample>> outputs(outputCount, std::vector<Sample>(frames));
  std::vector<Sample*> inputPointers, outputPointers;
  for (auto& channel : inputs) inputPointers.push_back(channel.data());
  for (auto& channel : outputs) outputPointers.push_back(channel.data());

  Clock::duration inPlugin{};
  for (;;) {
    if (endingSignal) {
      error = "interrupted";
      return false;
    }
    int64_t got = reader.Read(interleavedIn.data(), blockSize, error);
    if (got < 0) return false;
    if (got == 0) break;
    const size_t count = static_cast<size_t>(got);
    for (size_t i = 0; i < count; ++i)
      for (int c = 0; c < channels; ++c) inputs[c][i] = interleavedIn[i * channels + c];
    // A plug-in may scribble on its inputs; the extra pins stay silent.
    for (int c = channels; c < inputCount; ++c) std::fill(inputs[c].begin(), inputs[c].end(), Sample(0));

    Clock::time_point before = Clock::now();
    if constexpr (sizeof(Sample) == sizeof(float))
      host.ProcessFloat(inputPointers.data(), outputPointers.data(), static_cast<int32_t>(got));
    else
      host.ProcessDouble(inputPointers.data(), outputPointers.data(), static_cast<int32_t>(got));
    inPlugin += Clock::now() - before;

    for (size_t i = 0; i < count; ++i)
      for (int c = 0; c < channels; ++c) interleavedOut[i * channels + c] = outputs[c][i];
    result.input.Add(interleavedIn.data(), got * channels);
    result.output.Add(interleavedOut.data(), got * channels);
    if (!writer.Write(interleavedOut.data(), got, error)) return false;
    result.frames += got;
    progress.Update(result.frames);
    TestStopPoint("audio");
  }
  result.pluginSeconds = std::chrono::duration<double>(inPlugin).count();
  return true;
}

}  // namespace

bool RenderFile(PluginHost& host, AudioFileReader& reader, AudioFileWriter& writer, int blockSize,
                bool useDouble, Progress& progress, RenderResult& result, std::string& error) {
  bool ok = useDouble ? RenderBlocks<double>(host, reader, writer, blockSize, progress, result, error)
                      : RenderBlocks<float>(host, reader, writer, blockSize, progress, result, error);
  progress.Finish();
  return ok;
}

}  // namespace veltrax
