#pragma once
// The byte format in which the plug-in's state travels: little-endian int32,
// IEEE-754 doubles, length-prefixed names and one-byte flags. Reads take a
// position and answer the position after the item, or -1 when it does not fit.

#include <cstdint>

#include "GrowBuffer.h"

namespace veltrax {

constexpr int32_t kChunkMagic = 0x70666674;          // bytes 74 66 66 70
constexpr int32_t kChunkFormatVersion = 0x00010000;  // independent of the plug-in's version

// A state hosts keep is a bank of a few hundred bytes; this bound keeps a
// damaged or foreign stream from filling memory before it is refused.
constexpr int32_t kMaxStateBytes = 1 << 20;

// A host's stream that a state is read from, block by block. Each format's
// adapter wraps its own kind of stream in one.
class StateSource {
 public:
  // Up to capacity bytes into buffer: the count read, 0 at the end, -1
  // when the stream fails.
  virtual int32_t Read(uint8_t* buffer, int32_t capacity) = 0;

 protected:
  ~StateSource() = default;
};

class StateChunk {
 public:
  StateChunk() : bytes_(4096) {}
  StateChunk(const StateChunk&) = delete;
  StateChunk& operator=(const StateChunk&) = delete;

  int32_t Size() const { return bytes_.Size(); }
  const uint8_t* Data() const { return bytes_.Bytes(); }
  void Clear() { bytes_.Resize(0); }
  // Replaces the contents with count bytes (a negative count counts as 0).
  bool Assign(const void* data, int32_t count);

  bool PutInt32(int32_t v);
  bool PutDouble(double v);
  bool PutFlag(bool v);
  // int32 length, then the characters without terminator.
  bool PutString(const char* text);
  bool Append(const StateChunk& other);
  // Appends the rest of source, read straight into the chunk. False when
  // the stream fails, would take the chunk beyond limit bytes, or memory
  // runs out; what was read is then left in the chunk.
  bool AppendFrom(StateSource& source, int32_t limit);

  int32_t GetInt32(int32_t* v, int32_t position) const;
  int32_t GetDouble(double* v, int32_t position) const;
  int32_t GetFlag(bool* v, int32_t position) const;
  // Reads a length-prefixed name record and answers its end. The name ends at
  // the first zero byte or after length bytes, cut to outSize - 1 characters;
  // it is empty when the length is 0 or runs past the chunk (the end is still
  // answered, so the next read fails there). Answers -1 when the length field
  // does not fit, the length is negative or the end lies beyond INT32_MAX.
  int32_t GetString(int32_t position, char* out, int32_t outSize) const;

 private:
  bool Fits(int32_t position, int32_t count) const;
  GrowBuffer bytes_;
};

// Clears the chunk and writes magic and format version.
bool WriteChunkHeader(StateChunk& chunk);
// Answers the format version and moves position past the header; a chunk
// without the magic answers 0 with position unchanged, a cut header sets -1.
int32_t ReadChunkHeader(const StateChunk& chunk, int32_t& position);

}  // namespace veltrax
