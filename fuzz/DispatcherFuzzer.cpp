// Call sequences as a careless host makes them: dispatcher requests with
// arbitrary numbers but valid buffers, parameter changes and reads, and audio
// blocks of any length, in any order. Checks: output always finite, every
// parameter within 0..1, and no text written past the size that its request
// allows (the VST 2.4 sizes; 32 for parameter texts, as hosts allocate).

#include <vector>

#include "FuzzSupport.h"

using namespace veltrax;
using namespace veltrax::fuzz;

namespace {

// A text buffer with a guard: `limit` bytes for the plug-in, then a pattern
// that must survive the call.
class GuardedText {
 public:
  static constexpr size_t kSize = 512;
  static constexpr uint8_t kPattern = 0xA5;

  explicit GuardedText(size_t limit) : limit(limit) { std::memset(bytes, kPattern, sizeof bytes); }
  char* Data() { return reinterpret_cast<char*>(bytes); }
  void Check() const {
    for (size_t i = limit; i < kSize; ++i) FUZZ_CHECK(bytes[i] == kPattern);
    // What was written is terminated within the limit.
    bool written = false, terminated = false;
    for (size_t i = 0; i < limit; ++i) {
      if (bytes[i] != kPattern) written = true;
      if (bytes[i] == 0) terminated = true;
    }
    FUZZ_CHECK(!written || terminated);
  }

 private:
  size_t limit;
  uint8_t bytes[kSize];
};

// Any object the plug-in fills, with guard bytes behind it.
template <typename Record>
struct Guarded {
  Record record;
  uint8_t guard[64];
  Guarded() {
    std::memset(&record, 0, sizeof record);
    std::memset(guard, 0xA5, sizeof guard);
  }
  void Check() const {
    for (uint8_t byte : guard) FUZZ_CHECK(byte == 0xA5);
  }
};

const int32_t kOpcodes[] = {
    effOpen, effSetProgram, effGetProgram, effSetProgramName, effGetProgramName, effGetParamLabel,
    effGetParamDisplay, effGetParamName, effSetSampleRate, effSetBlockSize, effMainsChanged,
    effEditGetRect, effEditIdle, effIdentify, effGetChunk, effSetChunk, effProcessEvents,
    effCanBeAutomated, effString2Parameter, effGetProgramNameIndexed, effGetInputProperties,
    effGetOutputProperties, effGetPlugCategory, effProcessVarIo, effSetSpeakerArrangement,
    effSetBypass, effGetEffectName, effGetVendorString, effGetProductString, effGetVendorVersion,
    effVendorSpecific, effCanDo, effGetTailSize, effIdle, effGetParameterProperties,
    effGetVstVersion, effGetMidiKeyName, effGetSpeakerArrangement, effStartProcess, effStopProcess};

// Small numbers mostly, any number sometimes.
int32_t Index(ByteReader& in) {
  const uint8_t pick = in.U8();
  if (pick < 200) return static_cast<int32_t>(pick % 12) - 2;
  return static_cast<int32_t>(in.U32());
}

// A sample rate: the usual ones, hostile ones, or any float.
float Rate(ByteReader& in) {
  static const float kRates[] = {44100.0f, 48000.0f, 8000.0f, 768000.0f, 22050.0f, 100.0f,
                                 70.0f,    1e-30f,   0.0f,    -1.0f,     1e30f,    3.4e38f};
  const uint8_t pick = in.U8();
  if (pick < 2 * sizeof kRates / sizeof kRates[0]) return kRates[pick / 2];
  return in.Float();
}

void Request(Plugin& plugin, ByteReader& in) {
  const uint8_t pick = in.U8();
  const int32_t opcode = pick < 240 ? kOpcodes[pick % (sizeof kOpcodes / sizeof kOpcodes[0])]
                                    : static_cast<int32_t>(in.U16());
  // Closing ends the instance; the sequence goes on with it open.
  if (opcode == effClose) return;
  const int32_t index = Index(in);
  switch (opcode) {
    case effGetParamLabel:
    case effGetParamDisplay:
    case effGetParamName:
    case effGetProgramName:
    case effGetProgramNameIndexed:
    case effGetEffectName:
    case effGetVendorString:
    case effGetProductString: {
      size_t limit = kVstExtMaxParamStrLen;
      if (opcode == effGetProgramName || opcode == effGetProgramNameIndexed) limit = kVstMaxProgNameLen;
      if (opcode == effGetEffectName) limit = kVstMaxEffectNameLen;
      if (opcode == effGetVendorString) limit = kVstMaxVendorStrLen;
      if (opcode == effGetProductString) limit = kVstMaxProductStrLen;
      GuardedText text(limit);
      plugin.Dispatch(opcode, index, 0, text.Data());
      text.Check();
      break;
    }
    case effVendorSpecific: {
      GuardedText text(kVstExtMaxParamStrLen);
      plugin.Dispatch(opcode, 7 + (in.U8() & 1), Index(in), text.Data(), in.Float());
      text.Check();
      break;
    }
    case effSetProgramName:
    case effString2Parameter:
    case effCanDo: {
      std::string text = in.Text(100);
      plugin.Dispatch(opcode, index, 0, text.data());
      break;
    }
    case effSetSampleRate:
      plugin.Dispatch(opcode, 0, 0, nullptr, Rate(in));
      break;
    case effSetBlockSize:
      plugin.Dispatch(opcode, 0, in.U8() < 200 ? in.U16() % 8193 : static_cast<int32_t>(in.U32()));
      break;
    case effGetChunk: {
      void* chunk = nullptr;
      const intptr_t size = plugin.Dispatch(opcode, index, 0, &chunk);
      if (size > 0) {
        FUZZ_CHECK(chunk != nullptr);
        std::vector<uint8_t> copy(static_cast<uint8_t*>(chunk), static_cast<uint8_t*>(chunk) + size);
        FUZZ_CHECK(plugin.Dispatch(effSetChunk, index, size, copy.data()) == 1);
      }
      break;
    }
    case effSetChunk: {
      size_t count = in.U8();
      const uint8_t* bytes = in.Take(count);
      std::vector<uint8_t> chunk(bytes, bytes + count);
      plugin.Dispatch(opcode, index, static_cast<intptr_t>(chunk.size()), chunk.empty() ? nullptr : chunk.data());
      break;
    }
    case effProcessEvents: {
      VstMidiEvent midi{};
      midi.type = kVstMidiType;
      midi.byteSize = sizeof midi;
      midi.deltaFrames = static_cast<int32_t>(in.U16());
      for (char& byte : midi.midiData) byte = static_cast<char>(in.U8());
      std::vector<char> dump(in.U8());
      for (char& byte : dump) byte = static_cast<char>(in.U8());
      VstMidiSysexEvent sysex{};
      sysex.type = kVstSysExType;
      sysex.byteSize = sizeof sysex;
      sysex.dumpBytes = static_cast<int32_t>(dump.size());
      sysex.sysexDump = dump.data();
      VstEvents events{};
      events.numEvents = in.U8() % 3;
      events.events[0] = reinterpret_cast<VstEvent*>(&midi);
      events.events[1] = reinterpret_cast<VstEvent*>(&sysex);
      plugin.Dispatch(opcode, 0, 0, &events);
      break;
    }
    case effGetInputProperties:
    case effGetOutputProperties: {
      Guarded<VstPinProperties> pin;
      plugin.Dispatch(opcode, index, 0, &pin.record);
      pin.Check();
      FUZZ_CHECK(std::memchr(pin.record.label, 0, sizeof pin.record.label) != nullptr);
      break;
    }
    case effSetSpeakerArrangement: {
      Guarded<VstSpeakerArrangement> input, output;
      input.record.numChannels = Index(in);
      output.record.numChannels = Index(in);
      plugin.Dispatch(opcode, 0, reinterpret_cast<intptr_t>(in.U8() & 1 ? &input.record : nullptr), &output.record);
      break;
    }
    case effGetSpeakerArrangement: {
      VstSpeakerArrangement* input = nullptr;
      VstSpeakerArrangement* output = nullptr;
      plugin.Dispatch(opcode, 0, reinterpret_cast<intptr_t>(&input), &output);
      break;
    }
    case effEditGetRect: {
      ERect* rect = nullptr;
      plugin.Dispatch(opcode, 0, 0, &rect);
      break;
    }
    case effGetMidiKeyName: {
      Guarded<MidiKeyName> key;
      key.record.thisProgramIndex = index;
      key.record.thisKeyNumber = Index(in);
      plugin.Dispatch(opcode, index, 0, &key.record);
      key.Check();
      FUZZ_CHECK(std::memchr(key.record.keyName, 0, sizeof key.record.keyName) != nullptr);
      break;
    }
    case effGetParameterProperties: {
      // Not answered by this plug-in; a generous buffer all the same.
      Guarded<uint8_t[1024]> properties;
      plugin.Dispatch(opcode, index, 0, &properties.record);
      properties.Check();
      break;
    }
    default:
      // Requests that take no pointer: any number.
      plugin.Dispatch(opcode, index, static_cast<intptr_t>(static_cast<int32_t>(in.U32())), nullptr,
                      in.Float());
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ByteReader in(data, size);
  Plugin plugin;
  for (int step = 0; step < 256 && !in.Empty(); ++step) {
    switch (in.U8() % 8) {
      case 0:
      case 1:
      case 2:
        Request(plugin, in);
        break;
      case 3:
        plugin.effect->setParameter(plugin.effect, Index(in), in.Float());
        break;
      case 4: {
        const int32_t index = Index(in);
        const float value = plugin.effect->getParameter(plugin.effect, index);
        if (index >= 0 && index < plugin.effect->numParams) FUZZ_CHECK(value >= 0.0f && value <= 1.0f);
        break;
      }
      case 5:
        plugin.Process<float>(in.U16() % (Plugin::kMaxFrames + 1), in.U8() & 1);
        break;
      case 6:
        plugin.Process<double>(in.U16() % (Plugin::kMaxFrames + 1), 0);
        break;
      case 7:
        plugin.CheckParameters();
        break;
    }
  }
  plugin.CheckParameters();
  plugin.Process<float>(64, 0);
  return 0;
}
