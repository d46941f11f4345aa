// Bad input: a clear message, a non-zero exit and no output file, not even
// a temporary one.

#include <dlfcn.h>
#include <gnu/libc-version.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "RenderSupport.h"

namespace veltrax {

namespace {

void WriteBytes(const std::string& path, const std::string& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

// The render failed with `message` in its error text and left only `files`.
void ExpectRefused(const RunResult& run, const std::string& message, const ScratchFolder& scratch,
                   const std::vector<std::string>& files) {
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_TRUE(Contains(run.err, message)) << run.err;
  EXPECT_TRUE(Contains(run.err, "veltrax-render: error: ")) << run.err;
  EXPECT_EQ(scratch.Files(), files);
}

class RenderErrors : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteAudio(scratch.Path("in.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2,
               TestSignal(2000, 2, 44100));
  }
  ScratchFolder scratch;
};

}  // namespace

TEST_F(RenderErrors, UnknownParameterNameListsTheValidOnes) {
  RunResult run = RunRenderer(scratch, {"--set", "Gain Centre=100", "in.wav", "out.wav"});
  ExpectRefused(run, "unknown parameter \"Gain Centre\"", scratch, {"in.wav"});
  for (const char* name : {"0  Gain Left", "1  Gain Right", "2  Equalizer", "3  Power On/Off",
                           "4  (unnamed)", "7  Headphones On/Off"})
    EXPECT_TRUE(Contains(run.err, name)) << name;
  ExpectRefused(RunRenderer(scratch, {"--set", "8=1", "in.wav"}), "unknown parameter \"8\"", scratch,
                {"in.wav"});
}

TEST_F(RenderErrors, ValueThePluginRefusesNamesParameterAndCurrentValue) {
  // The switch reads its display texts exactly: "on" is accepted, "ON" is not.
  RunResult run = RunRenderer(scratch, {"--set", "Power On/Off=ON", "in.wav", "out.wav"});
  ExpectRefused(run, "refused the value \"ON\" for parameter \"Power On/Off\" (it stays at \"on\")",
                scratch, {"in.wav"});
}

TEST_F(RenderErrors, TextThatIsNeitherANumberNorADisplayText) {
  RunResult run = RunRenderer(scratch, {"--set", "Gain Left=loud", "in.wav", "out.wav"});
  ExpectRefused(run, "\"loud\" is not a number for parameter \"Gain Left\" (the plug-in read it as \"0.00\")",
                scratch, {"in.wav"});
}

TEST_F(RenderErrors, MissingOrUndecodableInput) {
  ExpectRefused(RunRenderer(scratch, {"absent.wav", "out.wav"}),
                "cannot read absent.wav: No such file or directory", scratch, {"in.wav"});
  WriteBytes(scratch.Path("text.wav"), "this is not audio, only text that ends in .wav\n");
  ExpectRefused(RunRenderer(scratch, {"text.wav", "out.wav"}), "cannot decode text.wav as audio",
                scratch, {"in.wav", "text.wav"});
}

TEST_F(RenderErrors, MoreThanTwoChannels) {
  WriteAudio(scratch.Path("surround.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 3,
             TestSignal(100, 3, 44100));
  ExpectRefused(RunRenderer(scratch, {"surround.wav"}), "surround.wav has 3 channels", scratch,
                {"in.wav", "surround.wav"});
}

TEST_F(RenderErrors, BinaryThatIsNotAPlugin) {
  WriteBytes(scratch.Path("fake.so"), "not a shared library\n");
  ExpectRefused(RunRenderer(scratch, {"--plugin", "fake.so", "in.wav", "out.wav"}),
                "fake.so is not a VST 2.4 plug-in", scratch, {"fake.so", "in.wav"});

  // A real shared library without the entry point: the C library (found
  // through a function that no sanitizer replaces in the test program).
  Dl_info info{};
  ASSERT_NE(dladdr(reinterpret_cast<void*>(&gnu_get_libc_version), &info), 0);
  ExpectRefused(RunRenderer(scratch, {"--plugin", info.dli_fname, "in.wav", "out.wav"}),
                "exports neither VSTPluginMain nor main", scratch, {"fake.so", "in.wav"});

  ExpectRefused(RunRenderer(scratch, {"--plugin", "nowhere.so", "in.wav", "out.wav"}),
                "cannot load plug-in nowhere.so: no such file", scratch, {"fake.so", "in.wav"});
}

TEST_F(RenderErrors, StateChunkThePluginRefuses) {
  // Starts like a chunk header but ends inside it.
  WriteBytes(scratch.Path("short.state"), std::string("\x74\x66\x66\x70\x00\x00", 6));
  ExpectRefused(RunRenderer(scratch, {"--load-state", "short.state", "in.wav", "out.wav"}),
                "the plug-in refused the state in short.state (6 bytes read as a program chunk)",
                scratch, {"in.wav", "short.state"});
  WriteBytes(scratch.Path("empty.state"), "");
  ExpectRefused(RunRenderer(scratch, {"--load-state", "empty.state", "in.wav", "out.wav"}),
                "empty.state: the file is empty", scratch, {"empty.state", "in.wav", "short.state"});
  ExpectRefused(RunRenderer(scratch, {"--load-state", "none.state", "in.wav", "out.wav"}),
                "cannot read none.state", scratch, {"empty.state", "in.wav", "short.state"});
}

TEST_F(RenderErrors, StateFileLargerThanAnyChunk) {
  WriteBytes(scratch.Path("big.state"), "");
  ASSERT_EQ(truncate(scratch.Path("big.state").c_str(), (1 << 20) + 1), 0);
  ExpectRefused(RunRenderer(scratch, {"--load-state", "big.state", "--demo", "d.wav"}),
                "cannot load state from big.state: it is 1048577 bytes, more than the 1048576 bytes",
                scratch, {"big.state", "in.wav"});
  // A device has no size: the read stops at the limit.
  ExpectRefused(RunRenderer(scratch, {"--load-state", "/dev/zero", "--demo", "d.wav"}),
                "cannot load state from /dev/zero: it holds more than the 1048576 bytes", scratch,
                {"big.state", "in.wav"});
}

TEST_F(RenderErrors, OutputThatWouldReplaceTheInputOrChangeItsKind) {
  ExpectRefused(RunRenderer(scratch, {"in.wav", "./in.wav"}), "is the input file", scratch, {"in.wav"});
  ExpectRefused(RunRenderer(scratch, {"in.wav", "out.flac"}), "names another kind of file", scratch,
                {"in.wav"});
  ExpectRefused(RunRenderer(scratch, {"--demo", "demo.flac"}), "the demo input is a WAV file", scratch,
                {"in.wav"});
  ExpectRefused(RunRenderer(scratch, {"in.wav", "missing-folder/out.wav"}),
                "cannot create missing-folder/out.wav", scratch, {"in.wav"});
}

TEST_F(RenderErrors, StateFileThatIsTheInputOrTheOutput) {
  ASSERT_EQ(symlink("in.wav", scratch.Path("soft.wav").c_str()), 0);
  ASSERT_EQ(link(scratch.Path("in.wav").c_str(), scratch.Path("hard.wav").c_str()), 0);
  const std::vector<std::string> files = {"hard.wav", "in.wav", "soft.wav"};
  const std::vector<double> input = ReadAudio(scratch.Path("in.wav")).samples;
  for (const char* state : {"in.wav", "./in.wav", "soft.wav", "hard.wav"})
    ExpectRefused(RunRenderer(scratch, {"-q", "--save-state", state, "in.wav", "out.wav"}),
                  "is the input file; name another state file", scratch, files);
  ExpectRefused(RunRenderer(scratch, {"-q", "--save-state", "out.wav", "in.wav", "out.wav"}),
                "the state file out.wav is the output file out.wav", scratch, files);
  ExpectRefused(RunRenderer(scratch, {"-q", "--save-state", "in-out.wav", "in.wav"}),
                "is the output file", scratch, files);
  ExpectRefused(RunRenderer(scratch, {"-q", "--demo", "--save-state", "demo-in.wav"}),
                "is the input file (the demo input)", scratch, files);
  EXPECT_TRUE(ReadAudio(scratch.Path("in.wav")).samples == input);
}

TEST_F(RenderErrors, UsageErrorsExitWithTwo) {
  for (std::vector<std::string> arguments :
       {std::vector<std::string>{"--block-size", "0", "in.wav"},
        std::vector<std::string>{"--block-size", "64k", "in.wav"},
        std::vector<std::string>{"--set", "Gain Left", "in.wav"},
        std::vector<std::string>{"--frobnicate", "in.wav"},
        std::vector<std::string>{"in.wav", "a.wav", "b.wav"},
        std::vector<std::string>{"--plugin"}}) {
    RunResult run = RunRenderer(scratch, arguments);
    EXPECT_EQ(run.exitCode, 2) << arguments[0];
    EXPECT_TRUE(Contains(run.err, "--help")) << run.err;
  }
  EXPECT_EQ(scratch.Files(), (std::vector<std::string>{"in.wav"}));
}

}  // namespace veltrax
