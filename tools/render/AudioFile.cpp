#include "AudioFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "Interruption.h"

namespace veltrax {

namespace {

std::string SystemError() { return std::strerror(errno); }

// The folder a name is in ("." for a bare name) and the name itself.
void SplitPath(const std::string& path, std::string& folder, std::string& name) {
  const std::string::size_type slash = path.rfind('/');
  folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
  name = slash == std::string::npos ? path : path.substr(slash + 1);
}

int IntegerBitsOf(int format) {
  switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8: return 8;
    case SF_FORMAT_PCM_16: return 16;
    case SF_FORMAT_PCM_24: return 24;
    case SF_FORMAT_PCM_32: return 32;
    default: return 0;
  }
}

bool IsFloatingPoint(int format) {
  int subformat = format & SF_FORMAT_SUBMASK;
  return subformat == SF_FORMAT_FLOAT || subformat == SF_FORMAT_DOUBLE;
}

std::string FormatName(int code) {
  SF_FORMAT_INFO formatInfo{};
  formatInfo.format = code;
  if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &formatInfo, sizeof(formatInfo)) != 0 ||
      !formatInfo.name)
  {
    char text[32];
    std::snprintf(text, sizeof(text), "format 0x%X", static_cast<unsigned>(code));
    return text;
  }
  return formatInfo.name;
}

std::string ExtensionOf(const std::string& path) {
  std::string::size_type slash = path.rfind('/');
  std::string::size_type dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return path.substr(dot + 1);
}

}  // namespace

int CreateTemporaryNextTo(const std::string& path, std::string& temporaryPath, std::string& error) {
  std::string folder, name;
  SplitPath(path, folder, name);
  if (name.empty()) {
    error = path + " names a folder, not a file";
    return -1;
  }
  // A short name of its own, so an output name as long as the folder allows
  // still leaves room for it.
  std::string pattern = folder + "/.veltrax.part-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  int fd = mkstemp(buffer.data());
  if (fd < 0) {
    error = "cannot create " + path + ": " + SystemError() + " (in folder " + folder + ")";
    return -1;
  }
  // Permissions follow the umask as a plain create would.
  mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  temporaryPath = buffer.data();
  TestStopPoint("temporary");
  return fd;
}

bool OutputNameFits(const std::string& path, std::string& error) {
  std::string folder, name;
  SplitPath(path, folder, name);
  const long limit = pathconf(folder.c_str(), _PC_NAME_MAX);
  if (limit <= 0 || name.size() <= static_cast<size_t>(limit)) return true;
  error = "cannot write " + path + ": its name is " + std::to_string(name.size()) +
          " bytes long; the file system there allows at most " + std::to_string(limit) +
          " bytes per name";
  return false;
}

AudioFileReader::~AudioFileReader() {
  if (file) sf_close(file);
}

bool AudioFileReader::Open(const std::string& filePath, std::string& error) {
  path = filePath;
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) {
    error = "cannot read " + path + ": " + SystemError();
    return false;
  }
  if (S_ISDIR(status.st_mode)) {
    error = "cannot read " + path + ": it is a folder";
    return false;
  }
  info = SF_INFO{};
  file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) {
    error = "cannot decode " + path + " as audio: " + sf_strerror(nullptr);
    return false;
  }
  if (info.samplerate <= 0 || info.channels <= 0) {
    error = "cannot decode " + path + " as audio: it declares no sample rate or no channels";
    return false;
  }
  return true;
}

int64_t AudioFileReader::Checked(sf_count_t result, std::string& error) {
  if (result == 0 && sf_error(file) != SF_ERR_NO_ERROR) {
    error = "cannot read " + path + ": " + sf_strerror(file);
    return -1;
  }
  return result;
}

int64_t AudioFileReader::Read(float* interleaved, int64_t frames, std::string& error) {
  return Checked(sf_readf_float(file, interleaved, frames), error);
}

int64_t AudioFileReader::Read(double* interleaved, int64_t frames, std::string& error) {
  return Checked(sf_readf_double(file, interleaved, frames), error);
}

AudioFileWriter::~AudioFileWriter() { Discard(); }

bool AudioFileWriter::Create(const std::string& filePath, const SF_INFO& format, std::string& error) {
  path = filePath;
  info = SF_INFO{};
  info.samplerate = format.samplerate;
  info.channels = format.channels;
  info.format = format.format;
  if (!sf_format_check(&info)) {
    error = "cannot write " + path + ": libsndfile cannot write " + DescribeFormat(info.format);
    return false;
  }
  int fd = CreateTemporaryNextTo(path, temporaryPath, error);
  if (fd < 0) return false;
  file = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
  if (!file) {
    error = "cannot write " + path + ": " + sf_strerror(nullptr);
    close(fd);
    Discard();
    return false;
  }
  // Integer codes are made here; libsndfile only converts the formats it
  // alone knows (compressed ones), and clips instead of wrapping there.
  integerBits = IntegerBitsOf(info.format);
  sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  return true;
}

template <typename Sample>
bool AudioFileWriter::WriteSamples(const Sample* interleaved, int64_t frames, std::string& error) {
  const int64_t count = frames * info.channels;
  sf_count_t written;
  if (integerBits > 0) {
    // Nearest code for x * 2^(bits-1): the inverse of libsndfile's reading,
    // so a sample that passes a plug-in unchanged lands on its original code.
    const double scale = std::ldexp(1.0, integerBits - 1);
    const double shift = std::ldexp(1.0, 32 - integerBits);
    const double highest = scale - 1.0;
    codes.resize(static_cast<size_t>(count));
    for (int64_t i = 0; i < count; ++i) {
      double code = std::nearbyint(static_cast<double>(interleaved[i]) * scale);
      if (std::isnan(code)) code = 0.0;
      if (code > highest) {
        code = highest;
        ++clippedSamples;
      } else if (code < -scale) {
        code = -scale;
        ++clippedSamples;
      }
      codes[static_cast<size_t>(i)] = static_cast<int32_t>(code * shift);
    }
    written = sf_writef_int(file, codes.data(), frames);
  } else {
    if (!IsFloatingPoint(info.format)) {
      for (int64_t i = 0; i < count; ++i)
        if (std::fabs(interleaved[i]) > 1.0) ++clippedSamples;
    }
    if constexpr (sizeof(Sample) == sizeof(float))
      written = sf_writef_float(file, interleaved, frames);
    else
      written = sf_writef_double(file, interleaved, frames);
  }
  if (written != frames) {
    error = "cannot write " + path + ": " + sf_strerror(file);
    return false;
  }
  return true;
}

bool AudioFileWriter::Write(const float* interleaved, int64_t frames, std::string& error) {
  return WriteSamples(interleaved, frames, error);
}

bool AudioFileWriter::Write(const double* interleaved, int64_t frames, std::string& error) {
  return WriteSamples(interleaved, frames, error);
}

bool AudioFileWriter::Commit(std::string& error) {
  if (!file) {
    error = "cannot write " + path + ": the file is not open";
    return false;
  }
  sf_write_sync(file);
  int closed = sf_close(file);
  file = nullptr;
  if (closed != 0) {
    error = "cannot write " + path + ": " + sf_error_number(closed);
    Discard();
    return false;
  }
  if (std::rename(temporaryPath.c_str(), path.c_str()) != 0) {
    error = "cannot write " + path + ": " + SystemError();
    Discard();
    return false;
  }
  temporaryPath.clear();
  return true;
}

void AudioFileWriter::Discard() {
  if (file) {
    sf_close(file);
    file = nullptr;
  }
  if (!temporaryPath.empty()) {
    unlink(temporaryPath.c_str());
    temporaryPath.clear();
  }
}

std::string DescribeFormat(int format) {
  return FormatName(format & SF_FORMAT_TYPEMASK) + ", " + FormatName(format & SF_FORMAT_SUBMASK);
}

bool ExtensionFitsContainer(const std::string& path, int format) {
  struct Known {
    const char* extension;
    int container;
  };
  static const Known kKnown[] = {
      {"wav", SF_FORMAT_WAV},   {"wav", SF_FORMAT_WAVEX}, {"wav", SF_FORMAT_RF64},
      {"aif", SF_FORMAT_AIFF},  {"aiff", SF_FORMAT_AIFF}, {"aifc", SF_FORMAT_AIFF},
      {"flac", SF_FORMAT_FLAC}, {"ogg", SF_FORMAT_OGG},   {"oga", SF_FORMAT_OGG},
      {"opus", SF_FORMAT_OGG},  {"au", SF_FORMAT_AU},     {"snd", SF_FORMAT_AU},
      {"caf", SF_FORMAT_CAF},   {"w64", SF_FORMAT_W64},   {"rf64", SF_FORMAT_RF64},
      {"mp3", SF_FORMAT_MPEG},
  };
  const std::string extension = ExtensionOf(path);
  const int container = format & SF_FORMAT_TYPEMASK;
  bool known = false;
  for (const Known& entry : kKnown) {
    if (strcasecmp(entry.extension, extension.c_str()) != 0) continue;
    known = true;
    if (entry.container == container) return true;
  }
  return !known;
}

bool ReadStateFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
  const std::string limitText = std::to_string(kStateFileLimit) + " bytes (1 MiB)";
  // Not blocking: a pipe with no writer yet waits in WaitForInput, where a
  // signal ends the wait, rather than in open.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = "cannot read " + path + ": " + SystemError();
    return false;
  }
  struct stat status {};
  if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
      status.st_size > static_cast<off_t>(kStateFileLimit)) {
    error = "cannot load state from " + path + ": it is " + std::to_string(status.st_size) +
            " bytes, more than the " + limitText + " a state file may hold";
    close(fd);
    return false;
  }
  bytes.clear();
  uint8_t block[65536];
  for (;;) {
    if (!WaitForInput(fd)) {
      error = "interrupted";
      break;
    }
    const ssize_t got = read(fd, block, sizeof(block));
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got < 0) {
      error = "cannot read " + path + ": " + SystemError();
      break;
    }
    if (got == 0) {
      close(fd);
      return true;
    }
    // A pipe or a device has no size to look at first.
    if (bytes.size() + static_cast<size_t>(got) > kStateFileLimit) {
      error = "cannot load state from " + path + ": it holds more than the " + limitText +
              " a state file may hold";
      break;
    }
    bytes.insert(bytes.end(), block, block + got);
  }
  close(fd);
  bytes.clear();
  return false;
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
  std::string temporaryPath;
  int fd = CreateTemporaryNextTo(path, temporaryPath, error);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      error = "cannot write " + path + ": " + SystemError();
      close(fd);
      unlink(temporaryPath.c_str());
      return false;
    }
    done += static_cast<size_t>(wrote);
  }
  bool synced = fsync(fd) == 0;
  bool closed = close(fd) == 0;
  if (!synced || !closed || std::rename(temporaryPath.c_str(), path.c_str()) != 0) {
    error = "cannot write " + path + ": " + SystemError();
    unlink(temporaryPath.c_str());
    return false;
  }
  return true;
}

namespace {

// Where a name leads: an existing file through every link; a file still to
// be made as its folder's real path and its own name.
std::string ResolvedPath(const std::string& path) {
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved)) return resolved;
  std::string folder, name;
  SplitPath(path, folder, name);
  if (name.empty() || name == "." || name == ".." || !realpath(folder.c_str(), resolved)) return path;
  std::string result = resolved;
  if (result != "/") result += "/";
  return result + name;
}

}  // namespace

bool SameFile(const std::string& first, const std::string& second) {
  struct stat a {}, b {};
  if (stat(first.c_str(), &a) == 0 && stat(second.c_str(), &b) == 0)
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
  return ResolvedPath(first) == ResolvedPath(second);
}

}  // namespace veltrax
