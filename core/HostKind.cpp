#include "HostKind.h"

#include <cstring>

namespace veltrax {

namespace {
struct HostKey {
  const char* key;
  HostKind kind;
};

// Test order matters: the first key found wins, so "cubase" beats "nuendo"
// and "live" beats "logic" in a name that holds both.
constexpr HostKey kHostKeys[] = {
    {"cubase", Cubase},         {"reaper", Reaper},
    {"nuendo", Nuendo},         {"cakewalk", Cakewalk},
    {"samplitude", Samplitude}, {"fruity", Fruity},
    {"live", Live},             {"melodyne", Melodyne},
    {"vstmanlib", VstManLib},   {"aulab", AuLab},
    {"garageband", GarageBand}, {"forte", Forte},
    {"chainer", Chainer},       {"audition", Audition},
    {"orion", Orion},           {"sawstudio", SawStudio},
    {"logic", Logic},           {"digital", Digital},
    {"audiomulch", AudioMulch}, {"presonus", PreSonus},
    {"vst3plugintesthost", Vst3TestHost},
    {"protools", ProTools},     {"ardour", Ardour},
    {"openmpt", OpenMpt},       {"renoise", Renoise},
    {"standalone", Standalone},
};

constexpr size_t kWorkingSize = 256;
constexpr intptr_t kLargestMajor = 0x7FFF;  // keeps the packed version a positive int32
}  // namespace

HostKind LookUpHostKind(const char* productName) {
  if (!productName) return Unknown;
  // C-locale lower case; a name longer than the working buffer is cut.
  char lowered[kWorkingSize];
  size_t length = 0;
  for (; length + 1 < kWorkingSize && productName[length] != '\0'; ++length) {
    const char c = productName[length];
    lowered[length] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  lowered[length] = '\0';

  for (const HostKey& entry : kHostKeys) {
    if (std::strstr(lowered, entry.key)) return entry.kind;
  }
  return Unknown;
}

int32_t HostVersionFromDecimal(intptr_t decimal) {
  // A negative answer is no version; an absurd major number is capped rather
  // than overflowing the packed word.
  if (decimal <= 0) return 0;
  intptr_t major = decimal / 10000;
  if (major > kLargestMajor) major = kLargestMajor;
  const intptr_t minor = (decimal % 10000) / 100;
  const intptr_t patch = decimal % 100;
  return static_cast<int32_t>((major << 16) + (minor << 8) + patch);
}

}  // namespace veltrax
