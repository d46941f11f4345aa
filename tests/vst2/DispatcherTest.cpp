// Dispatcher answers, parameter and program texts, capabilities and pins,
// with the bounds on every host buffer.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "PluginHost.h"

namespace veltrax {

namespace {

constexpr unsigned char kCanary = 0xA5;

// A host buffer of 256 bytes filled with a canary; Written() tells how many
// bytes the plug-in touched (the last byte that is no longer the canary).
struct CanaryBuffer {
  unsigned char bytes[256];
  CanaryBuffer() { std::memset(bytes, kCanary, sizeof bytes); }
  char* data() { return reinterpret_cast<char*>(bytes); }
  int Written() const {
    for (int i = sizeof bytes - 1; i >= 0; --i)
      if (bytes[i] != kCanary) return i + 1;
    return 0;
  }
  std::string Text() const { return std::string(reinterpret_cast<const char*>(bytes), strnlen(reinterpret_cast<const char*>(bytes), sizeof bytes)); }
};

TEST(Dispatcher, FixedAnswers) {
  Instance plug;
  ASSERT_TRUE(plug);
  EXPECT_EQ(plug.Dispatch(effGetVstVersion), 2400);
  EXPECT_EQ(plug.Dispatch(effIdentify), 0x4E764566);
  EXPECT_EQ(plug.Dispatch(effGetVendorVersion), 10000);
  EXPECT_EQ(plug.Dispatch(effGetPlugCategory), kPlugCategEffect);
  EXPECT_EQ(plug.Dispatch(effGetTailSize), 0);
  EXPECT_EQ(plug.Dispatch(effGetProgram), 0);
  EXPECT_EQ(plug.Dispatch(effCanBeAutomated, 0), 1);
  EXPECT_EQ(plug.Dispatch(effCanBeAutomated, 99), 1);
  for (int32_t opcode : {9, 16, 17, 18, 20, 21, 28, 30, 36, 43, 44, 46, 54, 56, 60, 67, 68, 70, 71,
                         72, 1000, -1, -100})
    EXPECT_EQ(plug.Dispatch(opcode, 0, 0, nullptr), 0) << "opcode " << opcode;
  for (int32_t opcode : {effEditIdle, effIdle, effProcessVarIo, effSetSampleRate, effSetBlockSize,
                         effMainsChanged})
    EXPECT_EQ(plug.Dispatch(opcode, 0, 512, nullptr, 48000.0f), 0) << "opcode " << opcode;
}

TEST(Dispatcher, IdentityStrings) {
  Instance plug;
  ASSERT_TRUE(plug);
  CanaryBuffer name, vendor, product;
  EXPECT_EQ(plug.Dispatch(effGetEffectName, 0, 0, name.data()), 1);
  EXPECT_EQ(plug.Dispatch(effGetVendorString, 0, 0, vendor.data()), 1);
  EXPECT_EQ(plug.Dispatch(effGetProductString, 0, 0, product.data()), 1);
  EXPECT_EQ(name.Text(), "Veltrax");
  EXPECT_EQ(name.Written(), 8);
  EXPECT_EQ(vendor.Text(), "Quillmarsh");
  EXPECT_EQ(product.Text(), "");
  EXPECT_EQ(product.Written(), 1);
  EXPECT_EQ(plug.Dispatch(effGetEffectName), 0);
  EXPECT_EQ(plug.Dispatch(effGetVendorString), 0);
  EXPECT_EQ(plug.Dispatch(effGetProductString), 0);
}

TEST(Dispatcher, ParameterNamesLabelsAndDisplays) {
  Instance plug;
  ASSERT_TRUE(plug);
  const char* names[8] = {"Gain Left", "Gain Right", "Equalizer", "Power On/Off", "", "", "",
                          "Headphones On/Off"};
  const char* labels[8] = {"%", "%", "%", "", "", "", "", ""};  // toggles show "on"/"off" instead
  const char* displays[8] = {"100.00", "100.00", "1", "on", "0", "0", "0", "off"};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(plug.ParamName(i), names[i]) << i;
    EXPECT_EQ(plug.ParamLabel(i), labels[i]) << i;
    EXPECT_EQ(plug.ParamDisplay(i), displays[i]) << i;
  }
  for (int index : {-1, 8, 1000}) {
    CanaryBuffer buffer;
    for (int32_t opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay}) {
      EXPECT_EQ(plug.Dispatch(opcode, index, 0, buffer.data()), 0);
      EXPECT_EQ(buffer.Written(), 0) << "index " << index << " opcode " << opcode;
    }
  }
  plug.Set(0, 0.5f);
  EXPECT_EQ(plug.ParamDisplay(0), "50.00");
  plug.Set(2, 0.6f);  // 3.4 snaps to 3
  EXPECT_EQ(plug.ParamDisplay(2), "3");
  plug.Set(3, 0.49f);
  EXPECT_EQ(plug.ParamDisplay(3), "off");
}

// Parameter texts go into buffers of 32 bytes at most, the size hosts
// allocate in practice; our own names fit whole.
TEST(Dispatcher, ParameterTextsStayWithinThirtyTwoBytes) {
  Instance plug;
  ASSERT_TRUE(plug);
  for (int i = 0; i < 8; ++i) {
    for (int32_t opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay}) {
      CanaryBuffer buffer;
      plug.Dispatch(opcode, i, 0, buffer.data());
      EXPECT_LE(buffer.Written(), kVstExtMaxParamStrLen);
      EXPECT_EQ(buffer.Written(), static_cast<int>(buffer.Text().size()) + 1);
    }
  }
}

TEST(Dispatcher, TextRequestsWithoutBufferAnswerZero) {
  Instance plug;
  ASSERT_TRUE(plug);
  for (int32_t opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay, effGetProgramName,
                         effGetProgramNameIndexed, effSetProgramName})
    EXPECT_EQ(plug.Dispatch(opcode, 0, 0, nullptr), 0) << "opcode " << opcode;
  EXPECT_EQ(plug.Text(effGetProgramName), "-");
  EXPECT_EQ(plug.Dispatch(effGetChunk, 0, 0, nullptr), 0);
  EXPECT_EQ(plug.Dispatch(effSetChunk, 0, 72, nullptr), 0);
  EXPECT_EQ(plug.Dispatch(effCanDo, 0, 0, nullptr), 0);
  EXPECT_EQ(plug.Dispatch(effProcessEvents, 0, 0, nullptr), 0);
  EXPECT_EQ(plug.Dispatch(effGetInputProperties, 0, 0, nullptr), 0);
  EXPECT_EQ(plug.Dispatch(effGetMidiKeyName, 0, 0, nullptr), 0);
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, 7, 0, nullptr), 0);
}

TEST(Dispatcher, ProgramNames) {
  Instance plug;
  ASSERT_TRUE(plug);
  EXPECT_EQ(plug.Text(effGetProgramName), "-");
  CanaryBuffer indexed;
  EXPECT_EQ(plug.Dispatch(effGetProgramNameIndexed, 0, 0, indexed.data()), 1);
  EXPECT_EQ(indexed.Text(), "-");
  CanaryBuffer outside;
  EXPECT_EQ(plug.Dispatch(effGetProgramNameIndexed, 1, 0, outside.data()), 0);
  EXPECT_EQ(outside.Text(), "");
  EXPECT_EQ(plug.Dispatch(effGetProgramNameIndexed, -1, 0, outside.data()), 0);

  char name[] = "Warm tape";
  EXPECT_EQ(plug.Dispatch(effSetProgramName, 0, 0, name), 0);
  EXPECT_EQ(plug.Text(effGetProgramName), "Warm tape");
  name[0] = 'X';  // the plug-in keeps its own copy
  EXPECT_EQ(plug.Text(effGetProgramName), "Warm tape");
}

// A name the host passes is read up to 255 characters even without a
// terminator; the preset keeps it whole, and hosts get it cut to the 24
// bytes the interface gives program names.
TEST(Dispatcher, LongProgramNamesAreBoundedBothWays) {
  Instance plug;
  ASSERT_TRUE(plug);
  std::vector<char> unterminated(300, 'n');  // no terminator anywhere
  plug.Dispatch(effSetProgramName, 0, 0, unterminated.data());

  CanaryBuffer current, indexed;
  plug.Dispatch(effGetProgramName, 0, 0, current.data());
  EXPECT_EQ(plug.Dispatch(effGetProgramNameIndexed, 0, 0, indexed.data()), 1);
  EXPECT_EQ(current.Written(), kVstMaxProgNameLen);
  EXPECT_EQ(current.Text(), std::string(kVstMaxProgNameLen - 1, 'n'));
  EXPECT_EQ(indexed.Written(), kVstMaxProgNameLen);

  // The bank keeps all 255 characters: header, length, name, flag, state.
  const std::vector<uint8_t> bank = plug.Chunk(true);
  ASSERT_EQ(bank.size(), 8u + 4u + 255u + 1u + 64u);
  int32_t length = 0;
  std::memcpy(&length, bank.data() + 8, 4);
  EXPECT_EQ(length, 255);
}

TEST(Dispatcher, CanDo) {
  Instance plug;
  ASSERT_TRUE(plug);
  auto canDo = [&](const char* text) { return plug.Dispatch(effCanDo, 0, 0, const_cast<char*>(text)); };
  EXPECT_EQ(canDo("receiveVstTimeInfo"), 1);
  EXPECT_EQ(canDo("sendVstEvents"), 0);
  EXPECT_EQ(canDo("sendVstMidiEvent"), 0);
  EXPECT_EQ(canDo("receiveVstEvents"), 0);
  EXPECT_EQ(canDo("receiveVstMidiEvent"), 0);
  EXPECT_EQ(canDo("hasHostExtensions"), 0xBEEF0000);
  EXPECT_GT(canDo("hasHostExtensions"), 0);  // positive: the upper half is zero
  EXPECT_EQ(canDo("hasHostViewAsConfig"), 0xBEEF0000);
  EXPECT_EQ(canDo("HasHostExtensions"), 0);
  EXPECT_EQ(canDo("ReceiveVstTimeInfo"), 0);
  EXPECT_EQ(canDo("receiveVstTimeInfoX"), 0);
  EXPECT_EQ(canDo(""), 0);
  EXPECT_EQ(canDo("bypass"), 0);
}

TEST(Dispatcher, PinProperties) {
  Instance plug;
  ASSERT_TRUE(plug);
  for (int32_t opcode : {effGetInputProperties, effGetOutputProperties}) {
    const std::string prefix = opcode == effGetInputProperties ? "Input " : "Output ";
    VstPinProperties pin;
    std::memset(&pin, kCanary, sizeof pin);
    ASSERT_EQ(plug.Dispatch(opcode, 0, 0, &pin), 1);
    EXPECT_EQ(pin.flags, kVstPinIsActive | kVstPinIsStereo);
    EXPECT_EQ(std::string(pin.label), prefix + "1");
    // Fields not set are left as the host gave them.
    EXPECT_EQ(static_cast<unsigned char>(pin.shortLabel[0]), kCanary);
    EXPECT_EQ(static_cast<uint32_t>(pin.arrangementType), 0xA5A5A5A5u);

    ASSERT_EQ(plug.Dispatch(opcode, 1, 0, &pin), 1);
    EXPECT_EQ(pin.flags, kVstPinIsActive);
    EXPECT_EQ(std::string(pin.label), prefix + "2");

    EXPECT_EQ(plug.Dispatch(opcode, 2, 0, &pin), 0);
    EXPECT_EQ(plug.Dispatch(opcode, -1, 0, &pin), 0);
    EXPECT_EQ(plug.Dispatch(opcode, 0, 0, nullptr), 0);
  }
}

TEST(Dispatcher, SpeakerArrangementsAreStereo) {
  Instance plug;
  ASSERT_TRUE(plug);
  VstSpeakerArrangement* input = nullptr;
  VstSpeakerArrangement* output = nullptr;
  EXPECT_EQ(plug.Dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&input), &output), 1);
  ASSERT_NE(input, nullptr);
  ASSERT_NE(output, nullptr);
  EXPECT_EQ(input->type, kSpeakerArrStereo);
  EXPECT_EQ(input->numChannels, 2);
  EXPECT_EQ(output->type, kSpeakerArrStereo);
  EXPECT_EQ(output->numChannels, 2);
  EXPECT_EQ(plug.Dispatch(effGetSpeakerArrangement, 0, 0, nullptr), 1);
}

// Editor requests without an editor: nothing to report, nothing written.
// The panel exists in every instance; without a parent window to open it
// in, opening is refused.
TEST(Dispatcher, EditorRectangleAndWindowRequests) {
  Instance plug;
  ASSERT_TRUE(plug);
  ERect* rect = nullptr;
  ASSERT_EQ(plug.Dispatch(effEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->top, 0);
  EXPECT_EQ(rect->left, 0);
  EXPECT_EQ(rect->bottom, 160);
  EXPECT_EQ(rect->right, 700);
  EXPECT_EQ(plug.Dispatch(effEditGetRect, 0, 0, nullptr), 0);
  EXPECT_EQ(plug.Dispatch(effEditOpen, 0, 0, nullptr), 0);
  EXPECT_EQ(plug.Dispatch(effEditIdle), 0);
  EXPECT_EQ(plug.Dispatch(effEditClose), 1);
}

TEST(Dispatcher, StringToParameter) {
  Instance plug;
  ASSERT_TRUE(plug);
  auto convert = [&](int index, const char* text) {
    return plug.Dispatch(effString2Parameter, index, 0, const_cast<char*>(text));
  };
  // Without text the host asks whether conversion works at all.
  EXPECT_EQ(convert(0, nullptr), 1);
  EXPECT_EQ(plug.ParamDisplay(0), "100.00");
  EXPECT_EQ(convert(8, "1"), 0);
  EXPECT_EQ(convert(-1, nullptr), 0);

  EXPECT_EQ(convert(0, "150.5abc"), 1);
  EXPECT_EQ(plug.ParamDisplay(0), "150.50");
  EXPECT_FLOAT_EQ(plug.Get(0), static_cast<float>(std::sqrt(150.5 / 200.0)));
  EXPECT_EQ(convert(0, "300"), 1);
  EXPECT_EQ(plug.ParamDisplay(0), "200.00");
  EXPECT_EQ(convert(1, "  -20"), 1);
  EXPECT_EQ(plug.ParamDisplay(1), "0.00");
  EXPECT_EQ(convert(1, "no number"), 1);  // reads as 0
  EXPECT_EQ(plug.ParamDisplay(1), "0.00");
  EXPECT_EQ(convert(2, "4.7"), 1);  // clamped, not snapped; shown truncated
  EXPECT_EQ(plug.ParamDisplay(2), "4");

  // Toggles take their display texts, exactly.
  EXPECT_EQ(convert(3, "off"), 1);
  EXPECT_EQ(plug.Get(3), 0.0f);
  EXPECT_EQ(convert(3, "on"), 1);
  EXPECT_EQ(plug.Get(3), 1.0f);
  EXPECT_EQ(convert(7, "ON"), 0);
  EXPECT_EQ(convert(7, "1"), 0);
  EXPECT_EQ(plug.Get(7), 0.0f);
}

// strtod reads these as NaN or infinity: refused, the value stays.
TEST(Dispatcher, StringToParameterRefusesNonFiniteNumbers) {
  Instance plug;
  ASSERT_TRUE(plug);
  char value[] = "75";
  ASSERT_EQ(plug.Dispatch(effString2Parameter, 0, 0, value), 1);
  for (const char* text : {"nan", "NaN", "-nan", "nan(0x1)", "inf", "-inf", "Infinity", "1e999", "-1e400"}) {
    EXPECT_EQ(plug.Dispatch(effString2Parameter, 0, 0, const_cast<char*>(text)), 0) << text;
    EXPECT_EQ(plug.ParamDisplay(0), "75.00") << text;
  }
  // A text without terminator is read up to our own bound only: 255 digits.
  std::vector<char> digits(400, '1');
  EXPECT_EQ(plug.Dispatch(effString2Parameter, 1, 0, digits.data()), 1);
  EXPECT_EQ(plug.ParamDisplay(1), "200.00");
}

TEST(Dispatcher, VendorSpecificQueries) {
  Instance plug;
  ASSERT_TRUE(plug);
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, 8, 2), 0xBEEF);  // "Equalizer" moves in steps
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, 8, 3), 0xBEEF);
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, 8, 0), 0);       // gains are continuous
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, 8, 8), 0);
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, 9, 2), 0);

  CanaryBuffer text;
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, 7, 0, text.data(), 0.5f), 0xBEEF);
  EXPECT_EQ(text.Text(), "50.00");
  CanaryBuffer toggle;
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, 7, 3, toggle.data(), 1.0f), 0xBEEF);
  EXPECT_EQ(toggle.Text(), "on");
  CanaryBuffer outside;
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, 7, 8, outside.data(), 0.5f), 0xBEEF);
  EXPECT_EQ(outside.Written(), 0);
  // A position that is no finite number is not rendered.
  CanaryBuffer notANumber;
  EXPECT_EQ(plug.Dispatch(effVendorSpecific, 7, 0, notANumber.data(), std::nanf("")), 0xBEEF);
  EXPECT_EQ(notANumber.Text(), "");
  CanaryBuffer tooFar;
  plug.Dispatch(effVendorSpecific, 7, 0, tooFar.data(), 4.0f);
  EXPECT_EQ(tooFar.Text(), "200.00");
}

TEST(Dispatcher, MidiKeyNameIsEmptied) {
  Instance plug;
  ASSERT_TRUE(plug);
  MidiKeyName key;
  std::memset(&key, kCanary, sizeof key);
  key.thisProgramIndex = 0;
  key.thisKeyNumber = 60;
  EXPECT_EQ(plug.Dispatch(effGetMidiKeyName, 0, 0, &key), 0);
  EXPECT_EQ(key.keyName[0], '\0');
  EXPECT_EQ(static_cast<unsigned char>(key.keyName[1]), kCanary);
}

// Incoming MIDI goes to the effect, whose default passes it on to the host.
TEST(Dispatcher, ProcessEventsPassesMidiThrough) {
  Instance plug;
  ASSERT_TRUE(plug);
  Host().Reset();
  VstMidiEvent note{};
  note.type = kVstMidiType;
  note.byteSize = sizeof note;
  note.deltaFrames = 17;
  note.midiData[0] = static_cast<char>(0x90);
  note.midiData[1] = 60;
  note.midiData[2] = 100;
  VstMidiSysexEvent sysex{};
  sysex.type = kVstSysExType;
  sysex.byteSize = sizeof sysex;
  char dump[] = {static_cast<char>(0xF0), 1, 2, static_cast<char>(0xF7)};
  sysex.dumpBytes = 4;
  sysex.sysexDump = dump;
  struct {
    int32_t numEvents;
    intptr_t reserved;
    VstEvent* events[4];
  } list{3, 0, {reinterpret_cast<VstEvent*>(&note), nullptr, reinterpret_cast<VstEvent*>(&sysex), nullptr}};
  EXPECT_EQ(plug.Dispatch(effProcessEvents, 0, 0, &list), 1);

  ASSERT_EQ(Host().Count(audioMasterProcessEvents), 1);  // sysex is not passed on
  for (const HostRequest& r : Host().requests) {
    if (r.opcode != audioMasterProcessEvents) continue;
    ASSERT_EQ(r.midiEvents.size(), 1u);
    const VstMidiEvent& sent = r.midiEvents[0];
    EXPECT_EQ(sent.type, kVstMidiType);
    EXPECT_EQ(sent.byteSize, 32);
    EXPECT_EQ(sent.deltaFrames, 17);
    EXPECT_EQ(static_cast<unsigned char>(sent.midiData[0]), 0x90);
    EXPECT_EQ(sent.midiData[1], 60);
    EXPECT_EQ(sent.midiData[2], 100);
    EXPECT_EQ(sent.midiData[3], 0);
    EXPECT_EQ(sent.flags, 0);
  }
}

TEST(Dispatcher, ProgramSelection) {
  Instance plug;
  ASSERT_TRUE(plug);
  plug.Set(0, 0.5f);
  EXPECT_EQ(plug.Dispatch(effSetProgram, 0, 0), 0);  // stores, then loads the same state
  EXPECT_FLOAT_EQ(plug.Get(0), 0.5f);
  EXPECT_EQ(plug.Dispatch(effSetProgram, 0, 1), 0);  // no such preset: nothing changes
  EXPECT_EQ(plug.Dispatch(effSetProgram, 0, intptr_t{1} << 32), 0);  // no wrap to index 0
  EXPECT_EQ(plug.Dispatch(effGetProgram), 0);
  EXPECT_FLOAT_EQ(plug.Get(0), 0.5f);
}

}  // namespace

}  // namespace veltrax
