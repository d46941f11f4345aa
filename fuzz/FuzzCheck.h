#pragma once
// What every fuzzer shares: the check that stops a run, and a reader that
// takes values from the fuzzer's bytes.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace veltrax::fuzz {

[[noreturn]] inline void Fail(const char* check, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: fuzz check failed: %s\n", file, line, check);
  std::abort();
}

#define FUZZ_CHECK(condition) \
  ((condition) ? (void)0 : ::veltrax::fuzz::Fail(#condition, __FILE__, __LINE__))

// The fuzzer's bytes read front to back; past the end every value is 0.
class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data(data), size(size) {}
  bool Empty() const { return position >= size; }
  size_t Left() const { return size - position; }
  uint8_t U8() { return position < size ? data[position++] : 0; }
  uint16_t U16() { return static_cast<uint16_t>(U8() | (U8() << 8)); }
  uint32_t U32() { return static_cast<uint32_t>(U16()) | (static_cast<uint32_t>(U16()) << 16); }
  float Float() {
    uint32_t bits = U32();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  // Up to `limit` bytes as they stand: any byte but 0, so the text is one C string.
  std::string Text(size_t limit) {
    size_t length = U8() % (limit + 1);
    std::string text;
    while (length-- > 0 && !Empty()) {
      uint8_t byte = U8();
      text.push_back(static_cast<char>(byte == 0 ? ' ' : byte));
    }
    return text;
  }
  // The next `count` bytes, or fewer at the end.
  const uint8_t* Take(size_t& count) {
    if (count > Left()) count = Left();
    const uint8_t* taken = data + position;
    position += count;
    return taken;
  }

 private:
  const uint8_t* data;
  size_t size;
  size_t position = 0;
};

}  // namespace veltrax::fuzz
