// A signal that ends the renderer mid-render: no partial file is left, not
// even a hidden temporary one, and the status is 128 + the signal's number.

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "RenderSupport.h"

namespace veltrax {

namespace {

bool HasTemporaryFile(const ScratchFolder& scratch) {
  for (const std::string& name : scratch.Files())
    if (name.find(".part-") != std::string::npos) return true;
  return false;
}

}  // namespace

TEST(RenderSignals, EndingSignalLeavesNoPartialFile) {
  ScratchFolder scratch;
  WriteAudio(scratch.Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2,
             TestSignal(64 * 200, 2, 44100));
  // The stub plugin takes 10 ms per block: two seconds for the whole file.
  setenv("STUB_BLOCK_DELAY_MS", "10", 1);
  for (int signal : {SIGHUP, SIGINT, SIGTERM, SIGPIPE, SIGQUIT, SIGUSR1, SIGALRM}) {
    pid_t child = StartTool(VELTRAX_RENDER_PATH, scratch,
                            {"-q", "--plugin", STUB_PLUGIN_PATH, "--block-size", "64", "--save-state",
                             "s.state", "in.wav", "out.wav"});
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!HasTemporaryFile(scratch) && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(HasTemporaryFile(scratch)) << "the render did not start";
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    kill(child, signal);
    RunResult run = FinishTool(scratch, child);
    EXPECT_EQ(run.exitCode, 128 + signal) << strsignal(signal) << "\n" << run.err;
    EXPECT_TRUE(Contains(run.err, "; out.wav was not written")) << run.err;
    EXPECT_EQ(scratch.Files(), std::vector<std::string>{"in.wav"}) << strsignal(signal);
  }
  unsetenv("STUB_BLOCK_DELAY_MS");
}

}  // namespace veltrax
