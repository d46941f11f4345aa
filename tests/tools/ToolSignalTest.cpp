// A signal that ends a tool: no partial file is left, not even a hidden
// temporary one, one line says what stopped it, and the status is 128 + the
// signal's number. Each signal is sent while the tool is stopped at a test
// stop point, so it arrives at a known place.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

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

// A state file that is a pipe with nothing written yet: the read waits, and
// the signal ends the wait.
TEST(ToolSignals, SignalEndsAStateReadThatWaits) {
  ScratchFolder scratch;
  ASSERT_EQ(mkfifo(scratch.Path("state.pipe").c_str(), 0600), 0);
  pid_t child = StartTool(VELTRAX_RENDER_PATH, scratch,
                          {"-q", "--load-state", "state.pipe", "--demo", "d.wav", "out.wav"});
  // Opening the writing end succeeds once the renderer has opened the pipe.
  int writer = -1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while ((writer = open(scratch.Path("state.pipe").c_str(), O_WRONLY | O_NONBLOCK)) < 0 &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_GE(writer, 0) << "the renderer did not open the pipe";
  kill(child, SIGTERM);
  RunResult run = FinishTool(scratch, child);
  close(writer);
  EXPECT_EQ(run.exitCode, 128 + SIGTERM) << run.err;
  EXPECT_EQ(run.err, std::string("veltrax-render: interrupted (") + strsignal(SIGTERM) +
                         "); nothing was written\n");
  EXPECT_EQ(scratch.Files(), std::vector<std::string>{"state.pipe"});
}

}  // namespace veltrax
