// Renders a fixed test signal through the built plug-in binary at a set of
// fixed settings, through processReplacing and processDoubleReplacing, and
// writes the output as raw little-endian samples. Built in both lanes: the
// Windows build renders under Wine and compares its output with the Linux
// build's, sample by sample.
//
//   veltrax-render-raw PLUGIN OUTPUT.raw [--compare REFERENCE.raw [--summary FILE]]
//
// The input is made from integers and correctly rounded divisions only, so it
// is the same bit for bit on every platform; any difference in the output
// comes from the plug-in and the runtime it was built with.

#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ModuleLoader.h"
#include "VstAbi.h"

namespace veltrax {

namespace {

using PluginEntry = AEffect* (*)(audioMasterCallback);

constexpr int kFrames = 16384;
constexpr int kBlock = 500;  // not a power of two: the last block is short

struct Setting {
  const char* name;
  float sampleRate;
  // Normalised positions; a negative value leaves the default.
  float gainLeft, gainRight, equalizer, power, headphones;
};

const Setting kSettings[] = {
    {"defaults", 44100.0f, -1, -1, -1, -1, -1},
    {"eq2 low gains", 44100.0f, 0.3f, 0.55f, 0.25f, 1, 0},
    {"eq3 headphones", 48000.0f, 1.0f, 0.05f, 0.5f, 1, 1},
    {"eq4", 96000.0f, 0.6f, 0.6f, 0.75f, 1, 0},
    {"eq5 resonant headphones", 44100.0f, 0.8f, 0.45f, 1.0f, 1, 1},
    {"low record level, full shelf", 22050.0f, 0.02f, 0.1f, 0.0f, 1, 0},
    {"eq1 high rate headphones", 192000.0f, 0.75f, 0.95f, 0.0f, 1, 1},
    {"power off", 44100.0f, 0.9f, 0.2f, 1.0f, 0, 1},
};
constexpr int kSettingCount = sizeof(kSettings) / sizeof(kSettings[0]);

intptr_t VST_CALLBACK QuietHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

// Saw waves, noise from a linear congruential generator, and an envelope
// that steps from quiet to beyond full scale and to silence.
std::vector<double> InputChannel(int channel) {
  static const double envelope[] = {0.05, 0.5, 1.0, 1.6, 0.0, 0.25, 3.0, 0.8};
  uint32_t noiseState = channel == 0 ? 12345u : 67890u;
  std::vector<double> samples(kFrames);
  for (int frame = 0; frame < kFrames; ++frame) {
    noiseState = noiseState * 1664525u + 1013904223u;
    const double noise = static_cast<int32_t>(noiseState) / 2147483648.0;
    const double saw1 = ((frame * 37 + channel * 1000) % 401) / 200.5 - 1.0;
    const double saw2 = ((frame * 11 + channel * 7) % 2999) / 1499.5 - 1.0;
    const double amplitude = envelope[(frame / 2048) % 8];
    samples[frame] = amplitude * (0.6 * saw1 + 0.3 * saw2 + 0.1 * noise);
  }
  return samples;
}

struct Plugin {
  void* module = nullptr;
  PluginEntry entry = nullptr;
};

AEffect* OpenInstance(const Plugin& plugin, const Setting& s) {
  AEffect* e = plugin.entry(&QuietHost);
  if (e == nullptr) return nullptr;
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, s.sampleRate);
  e->dispatcher(e, effSetBlockSize, 0, kBlock, nullptr, 0.0f);
  const float values[] = {s.gainLeft, s.gainRight, s.equalizer, s.power};
  for (int i = 0; i < 4; ++i)
    if (values[i] >= 0.0f) e->setParameter(e, i, values[i]);
  if (s.headphones >= 0.0f) e->setParameter(e, 7, s.headphones);
  e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
  return e;
}

void CloseInstance(AEffect* e) {
  e->dispatcher(e, effMainsChanged, 0, 0, nullptr, 0.0f);
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
}

// One setting rendered in single, then double precision, channels interleaved.
template <typename Sample>
bool Render(const Plugin& plugin, const Setting& s, std::vector<unsigned char>& out) {
  AEffect* e = OpenInstance(plugin, s);
  if (e == nullptr) return false;
  std::vector<Sample> in[2], result[2];
  for (int c = 0; c < 2; ++c) {
    in[c].resize(kFrames);
    result[c].resize(kFrames);
  }
  for (int c = 0; c < 2; ++c) {
    const std::vector<double> x = InputChannel(c);
    for (int i = 0; i < kFrames; ++i) in[c][i] = static_cast<Sample>(x[i]);
  }
  for (int start = 0; start < kFrames; start += kBlock) {
    const int n = std::min(kBlock, kFrames - start);
    Sample* inputs[2] = {in[0].data() + start, in[1].data() + start};
    Sample* outputs[2] = {result[0].data() + start, result[1].data() + start};
    if constexpr (sizeof(Sample) == sizeof(float))
      e->processReplacing(e, inputs, outputs, n);
    else
      e->processDoubleReplacing(e, inputs, outputs, n);
  }
  CloseInstance(e);
  for (int i = 0; i < kFrames; ++i)
    for (int c = 0; c < 2; ++c) {
      unsigned char bytes[sizeof(Sample)];
      std::memcpy(bytes, &result[c][i], sizeof(Sample));  // x86-64: little-endian already
      out.insert(out.end(), bytes, bytes + sizeof(Sample));
    }
  return true;
}

// Distance in units in the last place; +0 and -0 count as equal.
template <typename Sample, typename Bits>
uint64_t UlpDistance(Sample a, Sample b) {
  if (a == b) return 0;
  Bits x, y;
  std::memcpy(&x, &a, sizeof x);
  std::memcpy(&y, &b, sizeof y);
  constexpr Bits sign = Bits(1) << (sizeof(Bits) * 8 - 1);
  const Bits kx = (x & sign) ? Bits(~x) : Bits(x | sign);
  const Bits ky = (y & sign) ? Bits(~y) : Bits(y | sign);
  return kx > ky ? kx - ky : ky - kx;
}

struct Largest {
  uint64_t ulps = 0;
  double absolute = 0.0;
  double value = 0.0;
  int setting = -1;
  int frame = -1;
};

template <typename Sample, typename Bits>
void CompareBlock(const unsigned char* mine, const unsigned char* theirs, int setting, Largest& largest) {
  for (int i = 0; i < kFrames * 2; ++i) {
    Sample a, b;
    std::memcpy(&a, mine + i * sizeof(Sample), sizeof a);
    std::memcpy(&b, theirs + i * sizeof(Sample), sizeof b);
    const uint64_t ulps = UlpDistance<Sample, Bits>(a, b);
    if (ulps > largest.ulps) {
      largest = {ulps, a > b ? double(a) - double(b) : double(b) - double(a), double(b), setting, i / 2};
    }
  }
}

bool ReadFile(const char* path, std::vector<unsigned char>& bytes) {
  FILE* f = std::fopen(path, "rb");
  if (f == nullptr) return false;
  unsigned char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  std::fclose(f);
  return true;
}

std::string Describe(const char* precision, const Largest& l) {
  char text[256];
  if (l.setting < 0)
    std::snprintf(text, sizeof text, "%s: identical", precision);
  else
    std::snprintf(text, sizeof text, "%s: %" PRIu64 " ulps (%.3g absolute, at %.17g) in \"%s\", frame %d", precision,
                  l.ulps, l.absolute, l.value, kSettings[l.setting].name, l.frame);
  return text;
}

}  // namespace

}  // namespace veltrax

using namespace veltrax;

int main(int argc, char** argv) {
  if (argc != 3 && argc != 5 && argc != 7) {
    std::fprintf(stderr, "usage: %s PLUGIN OUTPUT.raw [--compare REFERENCE.raw [--summary FILE]]\n", argv[0]);
    return 2;
  }
  const char* reference = argc >= 5 && std::strcmp(argv[3], "--compare") == 0 ? argv[4] : nullptr;
  const char* summary = argc == 7 && std::strcmp(argv[5], "--summary") == 0 ? argv[6] : nullptr;
  if (argc >= 5 && (reference == nullptr || (argc == 7 && summary == nullptr))) {
    std::fprintf(stderr, "%s: unknown option\n", argv[0]);
    return 2;
  }

  std::string error;
  Plugin plugin;
  plugin.module = OpenModule(argv[1], error);
  if (plugin.module == nullptr) {
    std::fprintf(stderr, "cannot load %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  plugin.entry = reinterpret_cast<PluginEntry>(ModuleSymbol(plugin.module, "VSTPluginMain"));
  if (plugin.entry == nullptr) {
    std::fprintf(stderr, "%s exports no VSTPluginMain\n", argv[1]);
    return 1;
  }

  std::vector<unsigned char> out;
  for (const Setting& s : kSettings) {
    if (!Render<float>(plugin, s, out) || !Render<double>(plugin, s, out)) {
      std::fprintf(stderr, "the plug-in made no instance for \"%s\"\n", s.name);
      return 1;
    }
  }
  CloseModule(plugin.module);

  FILE* f = std::fopen(argv[2], "wb");
  if (f == nullptr || std::fwrite(out.data(), 1, out.size(), f) != out.size() || std::fclose(f) != 0) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  if (reference == nullptr) return 0;

  std::vector<unsigned char> theirs;
  if (!ReadFile(reference, theirs)) {
    std::fprintf(stderr, "cannot read %s\n", reference);
    return 1;
  }
  if (theirs.size() != out.size()) {
    std::fprintf(stderr, "%s holds %zu bytes, this render %zu\n", reference, theirs.size(), out.size());
    return 1;
  }
  Largest singles, doubles;
  const size_t floatBytes = kFrames * 2 * sizeof(float), doubleBytes = kFrames * 2 * sizeof(double);
  size_t offset = 0;
  for (int s = 0; s < kSettingCount; ++s) {
    CompareBlock<float, uint32_t>(&out[offset], &theirs[offset], s, singles);
    offset += floatBytes;
    CompareBlock<double, uint64_t>(&out[offset], &theirs[offset], s, doubles);
    offset += doubleBytes;
  }
  const std::string report = "largest difference from the reference render: " + Describe("single", singles) + "; " +
                             Describe("double", doubles);
  std::printf("%s\n", report.c_str());
  if (summary != nullptr) {
    FILE* s = std::fopen(summary, "w");
    if (s != nullptr) {
      std::fprintf(s, "%s\n", report.c_str());
      std::fclose(s);
    }
  }
  // Coefficients designed with another runtime's pow and tan may differ in
  // their last bits; a filter carries such a difference into its output at a
  // similar scale. Anything beyond that is a fault.
  const uint64_t kSingleLimit = 4, kDoubleLimit = 1u << 12;
  return singles.ulps <= kSingleLimit && doubles.ulps <= kDoubleLimit ? 0 : 1;
}
