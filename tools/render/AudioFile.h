#pragma once
// Audio files through libsndfile. Reading gives samples normalised to
// -1..1; writing goes to a temporary file next to the destination that is
// renamed only when complete, so a failed or interrupted render leaves no
// partial output behind.

#include <sndfile.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace veltrax {

class AudioFileReader {
 public:
  ~AudioFileReader();
  bool Open(const std::string& path, std::string& error);
  const SF_INFO& Info() const { return info; }
  const std::string& Path() const { return path; }
  // Interleaved frames; returns the count read, 0 at the end, -1 on error.
  int64_t Read(float* interleaved, int64_t frames, std::string& error);
  int64_t Read(double* interleaved, int64_t frames, std::string& error);

 private:
  int64_t Checked(sf_count_t result, std::string& error);
  std::string path;
  SNDFILE* file = nullptr;
  SF_INFO info{};
};

class AudioFileWriter {
 public:
  ~AudioFileWriter();  // discards the temporary file unless committed
  // Opens a temporary file in the destination's folder with `format`.
  bool Create(const std::string& path, const SF_INFO& format, std::string& error);
  // Interleaved frames. Integer formats are rounded to nearest and clipped
  // here, so -1..1 maps onto the file's codes the way reading maps back.
  bool Write(const float* interleaved, int64_t frames, std::string& error);
  bool Write(const double* interleaved, int64_t frames, std::string& error);
  // Finishes the file and renames it to its destination.
  bool Commit(std::string& error);
  void Discard();
  int64_t ClippedSamples() const { return clippedSamples; }
  const std::string& Path() const { return path; }

 private:
  template <typename Sample>
  bool WriteSamples(const Sample* interleaved, int64_t frames, std::string& error);

  std::string path;
  std::string temporaryPath;
  SNDFILE* file = nullptr;
  SF_INFO info{};
  int integerBits = 0;  // 8, 16, 24 or 32 for PCM codes; 0: libsndfile converts
  int64_t clippedSamples = 0;
  std::vector<int32_t> codes;
};

// "WAV, 24-bit PCM" and the like.
std::string DescribeFormat(int format);
// False when the file name's extension names another container than
// `format` has ("x.flac" for a WAV stream); unknown extensions fit anything.
bool ExtensionFitsContainer(const std::string& path, int format);
// Opens a new file with a short name of its own in the folder of `path`, to
// be renamed to `path` once complete (the same folder keeps that rename on
// one file system, so it is atomic); -1 with a message when it cannot.
// Callers check OutputNameFits first, before any work.
int CreateTemporaryNextTo(const std::string& path, std::string& temporaryPath, std::string& error);
// False, with a message, when the name in `path` is longer than its folder
// allows, so the final rename would fail after all the work.
bool OutputNameFits(const std::string& path, std::string& error);

// The most a state file may hold. Veltrax's chunks are under a hundred bytes
// (a program 72, its bank 78); 1 MiB leaves room for far larger plug-ins yet
// refuses a wrong file (an audio file, a device that never ends) at once
// instead of filling memory with it.
constexpr size_t kStateFileLimit = size_t{1} << 20;
// The whole file, refused when larger than kStateFileLimit: by its size when
// it has one, by reading no further than the limit when it is a pipe or a
// device. An ending signal stops the read (see Interruption.h).
bool ReadStateFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

// Through a temporary file and a rename, like the audio output.
bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);
// True when both names lead to the same file: one existing file (by path,
// hard link or symbolic link), or one still to be made.
bool SameFile(const std::string& first, const std::string& second);

}  // namespace veltrax
