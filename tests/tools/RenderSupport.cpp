#include "RenderSupport.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "VstAbi.h"

namespace veltrax {

namespace {

void RemoveTree(const std::string& path) {
  if (DIR* dir = opendir(path.c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      std::string child = path + "/" + name;
      struct stat status {};
      if (lstat(child.c_str(), &status) == 0 && S_ISDIR(status.st_mode))
        RemoveTree(child);
      else
        unlink(child.c_str());
    }
    closedir(dir);
  }
  rmdir(path.c_str());
}

std::string ReadText(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

intptr_t VST_CALLBACK ReferenceHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

}  // namespace

ScratchFolder::ScratchFolder() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/veltrax-render-test-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  char* made = mkdtemp(buffer.data());
  if (!made) std::abort();
  root = made;
  folder = root + "/work";
  mkdir(folder.c_str(), 0755);
}

ScratchFolder::~ScratchFolder() { RemoveTree(root); }

std::vector<std::string> ScratchFolder::Files() const {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

RunResult RunTool(const char* program, const ScratchFolder& scratch,
                  const std::vector<std::string>& arguments) {
  return FinishTool(scratch, StartTool(program, scratch, arguments));
}

RunResult RunRenderer(const ScratchFolder& scratch, const std::vector<std::string>& arguments) {
  return RunTool(VELTRAX_RENDER_PATH, scratch, arguments);
}

pid_t StartTool(const char* program, const ScratchFolder& scratch,
                const std::vector<std::string>& arguments, const char* stopAt) {
  const std::string outPath = scratch.Folder() + "/../stdout.txt";
  const std::string errPath = scratch.Folder() + "/../stderr.txt";
  std::vector<std::string> argv = {program};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<char*> pointers;
  for (std::string& argument : argv) pointers.push_back(argument.data());
  pointers.push_back(nullptr);

  pid_t child = fork();
  if (child == 0) {
    int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0 || chdir(scratch.Folder().c_str()) != 0) _exit(127);
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    if (stopAt) setenv("VELTRAX_TEST_STOP_AT", stopAt, 1);
    execv(pointers[0], pointers.data());
    _exit(127);
  }
  return child;
}

RunResult FinishTool(const ScratchFolder& scratch, pid_t child) {
  const std::string outPath = scratch.Folder() + "/../stdout.txt";
  const std::string errPath = scratch.Folder() + "/../stderr.txt";
  RunResult result;
  int status = 0;
  bool timedOut = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      timedOut = true;
      break;
    }
    usleep(2000);
  }
  result.exitCode = timedOut             ? -1
                    : WIFEXITED(status) ? WEXITSTATUS(status)
                                        : 128 + WTERMSIG(status);
  result.out = ReadText(outPath);
  result.err = ReadText(errPath);
  return result;
}

RunResult SignalAt(const char* program, const ScratchFolder& scratch, const char* place, int signal,
                   const std::vector<std::string>& arguments) {
  pid_t child = StartTool(program, scratch, arguments, place);
  int status = 0;
  waitpid(child, &status, WUNTRACED);
  if (WIFSTOPPED(status)) {
    kill(child, signal);
    kill(child, SIGCONT);
  } else {
    ADD_FAILURE() << "the tool did not stop at " << place;
  }
  return FinishTool(scratch, child);
}

void WriteAudio(const std::string& path, int format, int sampleRate, int channels,
                const std::vector<double>& interleaved) {
  SF_INFO info{};
  info.samplerate = sampleRate;
  info.channels = channels;
  info.format = format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
  sf_count_t frames = static_cast<sf_count_t>(interleaved.size() / channels);
  EXPECT_EQ(sf_writef_double(file, interleaved.data(), frames), frames);
  sf_close(file);
}

AudioData ReadAudio(const std::string& path) {
  AudioData data;
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &data.info);
  EXPECT_NE(file, nullptr) << path << ": " << sf_strerror(nullptr);
  if (!file) return data;
  size_t count = static_cast<size_t>(data.info.frames * data.info.channels);
  data.samples.resize(count);
  data.codes.resize(count);
  sf_readf_double(file, data.samples.data(), data.info.frames);
  sf_seek(file, 0, SEEK_SET);
  sf_readf_int(file, data.codes.data(), data.info.frames);
  sf_close(file);
  return data;
}

std::vector<double> TestSignal(int frames, int channels, int sampleRate, double amplitude) {
  std::vector<double> samples(static_cast<size_t>(frames) * channels);
  uint32_t noise = 12345u;
  for (int i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c) {
      noise = noise * 1664525u + 1013904223u;
      double hiss = (static_cast<double>(noise >> 8) / 8388608.0 - 1.0) * 0.05;
      double tone = std::sin(2.0 * M_PI * (110.0 + 230.0 * c) * i / sampleRate);
      double sample = amplitude * 0.9 * tone + hiss;
      samples[static_cast<size_t>(i) * channels + c] = static_cast<float>(sample);
    }
  }
  return samples;
}

std::vector<float> ReferenceRender(const std::vector<double>& interleaved, int channels,
                                   int sampleRate, int blockSize,
                                   const std::vector<std::pair<int, std::string>>& settings) {
  std::vector<float> result;
  void* library = dlopen(VELTRAX_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
  EXPECT_NE(library, nullptr) << dlerror();
  if (!library) return result;
  auto entry = reinterpret_cast<AEffect* (*)(audioMasterCallback)>(dlsym(library, "VSTPluginMain"));
  AEffect* effect = entry ? entry(ReferenceHost) : nullptr;
  EXPECT_NE(effect, nullptr);
  if (!effect) return result;
  auto dispatch = [effect](int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
  };
  dispatch(effOpen, 0, 0, nullptr, 0.0f);
  dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
  dispatch(effSetBlockSize, 0, blockSize, nullptr, 0.0f);
  VstSpeakerArrangement arrangement{};
  arrangement.type = channels == 1 ? kSpeakerArrMono : kSpeakerArrStereo;
  arrangement.numChannels = channels;
  dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&arrangement), &arrangement, 0.0f);
  for (const auto& setting : settings) {
    std::string text = setting.second;
    EXPECT_EQ(dispatch(effString2Parameter, setting.first, 0, text.data(), 0.0f), 1);
  }
  dispatch(effMainsChanged, 0, 1, nullptr, 0.0f);

  const size_t frames = interleaved.size() / channels;
  std::vector<std::vector<float>> in(2, std::vector<float>(blockSize)), out(2, std::vector<float>(blockSize));
  float* inPointers[2] = {in[0].data(), in[1].data()};
  float* outPointers[2] = {out[0].data(), out[1].data()};
  result.resize(interleaved.size());
  for (size_t start = 0; start < frames; start += blockSize) {
    size_t count = std::min<size_t>(blockSize, frames - start);
    for (size_t i = 0; i < count; ++i)
      for (int c = 0; c < channels; ++c)
        in[c][i] = static_cast<float>(interleaved[(start + i) * channels + c]);
    effect->processReplacing(effect, inPointers, outPointers, static_cast<int32_t>(count));
    for (size_t i = 0; i < count; ++i)
      for (int c = 0; c < channels; ++c) result[(start + i) * channels + c] = out[c][i];
  }
  dispatch(effMainsChanged, 0, 0, nullptr, 0.0f);
  dispatch(effClose, 0, 0, nullptr, 0.0f);
  dlclose(library);
  return result;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

}  // namespace veltrax
