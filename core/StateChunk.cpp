#include "StateChunk.h"

#include <climits>
#include <cstring>

namespace veltrax {

namespace {
// Byte by byte, so the format is little-endian whatever the machine is.
void StoreLittleEndian(uint8_t* bytes, uint64_t v, int count) {
  for (int i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint64_t LoadLittleEndian(const uint8_t* bytes, int count) {
  uint64_t v = 0;
  for (int i = 0; i < count; ++i) v |= static_cast<uint64_t>(bytes[i]) << (8 * i);
  return v;
}
}  // namespace

bool StateChunk::Fits(int32_t position, int32_t count) const {
  return position >= 0 && count >= 0 &&
         static_cast<int64_t>(position) + count <= static_cast<int64_t>(Size());
}

bool StateChunk::Assign(const void* data, int32_t count) {
  if (count < 0) count = 0;
  const uint8_t* source = static_cast<const uint8_t*>(data);
  uint8_t* own = bytes_.Bytes();
  if (source && own && source >= own && source < own + bytes_.Allocated()) {
    // Part of our own storage: move it to the front before a resize can move it.
    const int64_t available = own + bytes_.Allocated() - source;
    if (count > available) return false;
    std::memmove(own, source, static_cast<size_t>(count));
    return bytes_.Resize(count);
  }
  if (!bytes_.Resize(count)) return false;
  if (count > 0) {
    if (source) {
      std::memcpy(bytes_.Bytes(), source, static_cast<size_t>(count));
    } else {
      std::memset(bytes_.Bytes(), 0, static_cast<size_t>(count));
    }
  }
  return true;
}

bool StateChunk::PutInt32(int32_t v) {
  uint8_t bytes[4];
  StoreLittleEndian(bytes, static_cast<uint32_t>(v), 4);
  return bytes_.Append(bytes, 4);
}

bool StateChunk::PutDouble(double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  uint8_t bytes[8];
  StoreLittleEndian(bytes, bits, 8);
  return bytes_.Append(bytes, 8);
}

bool StateChunk::PutFlag(bool v) {
  const uint8_t byte = v ? 1 : 0;
  return bytes_.Append(&byte, 1);
}

bool StateChunk::PutString(const char* text) {
  if (!text) text = "";
  const size_t length = std::strlen(text);
  if (length > static_cast<size_t>(INT32_MAX - 4)) return false;
  const int32_t oldSize = Size();
  if (!PutInt32(static_cast<int32_t>(length))) return false;
  if (!bytes_.Append(text, static_cast<int32_t>(length))) {
    // No length field without its characters.
    bytes_.Resize(oldSize, false);
    return false;
  }
  return true;
}

bool StateChunk::Append(const StateChunk& other) {
  return bytes_.Append(other.Data(), other.Size());
}

bool StateChunk::AppendFrom(StateSource& source, int32_t limit) {
  constexpr int32_t kBlock = 4096;
  for (;;) {
    const int32_t start = Size();
    if (start > INT32_MAX - kBlock || !bytes_.Resize(start + kBlock, false)) return false;
    const int32_t got = source.Read(bytes_.Bytes() + start, kBlock);
    const bool fits = got >= 0 && got <= kBlock && got <= limit - start;
    bytes_.Resize(fits ? start + got : start, false);
    if (!fits) return false;
    if (got == 0) return true;
  }
}

int32_t StateChunk::GetInt32(int32_t* v, int32_t position) const {
  if (!Fits(position, 4)) return -1;
  const uint32_t bits = static_cast<uint32_t>(LoadLittleEndian(Data() + position, 4));
  if (v) std::memcpy(v, &bits, sizeof bits);
  return position + 4;
}

int32_t StateChunk::GetDouble(double* v, int32_t position) const {
  if (!Fits(position, 8)) return -1;
  const uint64_t bits = LoadLittleEndian(Data() + position, 8);
  if (v) std::memcpy(v, &bits, sizeof bits);
  return position + 8;
}

int32_t StateChunk::GetFlag(bool* v, int32_t position) const {
  if (!Fits(position, 1)) return -1;
  if (v) *v = Data()[position] != 0;
  return position + 1;
}

int32_t StateChunk::GetString(int32_t position, char* out, int32_t outSize) const {
  const bool canWrite = out && outSize > 0;
  if (canWrite) out[0] = '\0';

  int32_t length = 0;
  const int32_t start = GetInt32(&length, position);
  if (start < 0) return -1;
  // A negative length would move the reader backwards over bytes already read.
  if (length < 0) return -1;
  const int64_t end = static_cast<int64_t>(start) + length;

  if (length > 0 && end <= Size() && canWrite) {
    const uint8_t* name = Data() + start;
    int32_t count = 0;
    while (count < length && count < outSize - 1 && name[count] != 0) ++count;
    std::memcpy(out, name, static_cast<size_t>(count));
    out[count] = '\0';
  }
  // A record that runs past the chunk still answers its end, so that the next
  // read fails there; an end beyond any 32-bit position fails at once.
  return end <= INT32_MAX ? static_cast<int32_t>(end) : -1;
}

bool WriteChunkHeader(StateChunk& chunk) {
  chunk.Clear();
  return chunk.PutInt32(kChunkMagic) && chunk.PutInt32(kChunkFormatVersion);
}

int32_t ReadChunkHeader(const StateChunk& chunk, int32_t& position) {
  int32_t magic = 0;
  const int32_t afterMagic = chunk.GetInt32(&magic, position);
  // No magic: the chunk holds raw state from this position.
  if (afterMagic < 0 || magic != kChunkMagic) return 0;
  int32_t version = 0;
  const int32_t afterVersion = chunk.GetInt32(&version, afterMagic);
  if (afterVersion < 0) {
    position = -1;
    return 0;
  }
  position = afterVersion;
  return version;
}

}  // namespace veltrax
