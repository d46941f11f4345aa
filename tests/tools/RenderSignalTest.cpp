// A signal that ends a tool: no partial file is left, not even a hidden
// temporary one, one line says what stopped it, and the status is 128 + the
// signal's number. Each signal is sent while the tool is stopped at a test
// stop point, so it arrives at a known place.

#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>

#include "RenderSupport.h"

namespace veltrax {

namespace {

struct Tool {
  const char* name;
  const char* program;
  std::vector<std::string> arguments;
  std::string output;
};

std::vector<Tool> BothTools() {
  return {{"veltrax-render", VELTRAX_RENDER_PATH, {"-q", "--save-state", "s.state", "in.wav", "out.wav"},
           "out.wav"},
          {"veltrax-snapshot", VELTRAX_SNAPSHOT_PATH, {"--input", "in.wav", "out.png"}, "out.png"}};
}

void ExpectInterrupted(const char* place, std::initializer_list<int> signals) {
  ScratchFolder scratch;
  WriteAudio(scratch.Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2,
             TestSignal(1024 * 4, 2, 44100));
  for (const Tool& tool : BothTools()) {
    for (int signal : signals) {
      RunResult run = SignalAt(tool.program, scratch, place, signal, tool.arguments);
      const std::string expected = std::string(tool.name) + ": interrupted (" + strsignal(signal) +
                                   "); " + tool.output + " was not written\n";
      EXPECT_EQ(run.exitCode, 128 + signal) << tool.name << " " << strsignal(signal) << "\n" << run.err;
      EXPECT_EQ(run.err, expected);
      EXPECT_EQ(scratch.Files(), std::vector<std::string>{"in.wav"}) << tool.name;
    }
  }
}

}  // namespace

TEST(ToolSignals, EndingSignalOnceTheTemporaryExistsLeavesNoPartialFile) {
  ExpectInterrupted("temporary", {SIGHUP, SIGINT, SIGTERM, SIGPIPE, SIGQUIT, SIGUSR1, SIGALRM});
}

TEST(ToolSignals, SignalDuringTheAudioIsReported) { ExpectInterrupted("audio", {SIGINT, SIGTERM}); }

}  // namespace veltrax
