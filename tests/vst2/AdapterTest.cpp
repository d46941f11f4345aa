// The adapter with a stand-in effect and editor: what the plug-in binary
// cannot show from outside while Veltrax has no editor and calls none of the
// host services (editor flag and rectangle, editor updates, time queries,
// MIDI, host version).

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "EffectVST.h"

namespace veltrax {

namespace {

struct Call {
  int32_t opcode, index;
  intptr_t value;
  float opt;
};
std::vector<Call> calls;
VstTimeInfo timeInfo;
bool answerTime = true;
intptr_t processLevel = 0;
bool fillProduct = false;  // a host that fills the whole buffer, no terminator

intptr_t VST_CALLBACK FakeHost(AEffect*, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  calls.push_back({opcode, index, value, opt});
  switch (opcode) {
    case audioMasterGetProductString:
      if (fillProduct)
        std::memset(ptr, 'x', 256);
      else
        std::strcpy(static_cast<char*>(ptr), "Orion Platinum");
      return 1;
    case audioMasterGetVendorVersion: return 80203;
    case audioMasterGetTime: return answerTime ? reinterpret_cast<intptr_t>(&timeInfo) : 0;
    case audioMasterGetCurrentProcessLevel: return processLevel;
    case audioMasterProcessEvents: return 1;
    default: return 0;
  }
}

int Count(int32_t opcode) {
  int n = 0;
  for (const Call& c : calls) n += c.opcode == opcode;
  return n;
}

struct FakeEditor : IEditorLink {
  std::vector<std::string>* log;
  bool makesWindow = true;
  explicit FakeEditor(std::vector<std::string>* l) : log(l) {}
  int Width() const override { return 700; }
  int Height() const override { return 160; }
  int ControlCount() const override { return 0; }
  int ControlParamIndex(int) const override { return -1; }
  int ControlAuxBindingFor(int, int) const override { return -1; }
  void SetValueFromPlug(int, double) override {}
  void SetAuxValueFromPlug(int, int, double) override {}
  void SetParameterFromPlug(int param, double value, bool normalised) override {
    log->push_back("param " + std::to_string(param) + " " + std::to_string(value) + (normalised ? " n" : " p"));
  }
  void PrepareSurface() override {}
  void* OpenWindow(void* parent, IHostRunLoop*) override {
    log->push_back("open");
    return makesWindow ? parent : nullptr;
  }
  void CloseWindow() override { log->push_back("close"); }
};

// The effect: two parameters and the hooks the adapter calls.
class StubPlugin : public IEffectBase {
 public:
  StubPlugin(const char* channelIO, bool acceptsMidi)
      : IEffectBase(2, channelIO, 1, "Stub", "", "Maker", 0x00020103, 0x41424344, 0x45464748,
                    acceptsMidi, acceptsMidi) {
    ParamAt(0)->InitNumber("Level", 50.0, 0.0, 100.0, 1.0, "dB");
  }
  // Sends a note for every change, with PlugLock held, when asked to.
  void ParameterChanged(int) override {
    if (noteOnChange) MidiMessageOut(MidiMessage{0, 0x90, 60, 100});
  }
  bool noteOnChange = false;
  void EditorOpened() override { editorLog.push_back("opened"); }
  void EditorClosed() override { editorLog.push_back("closed"); }
  bool NoteNameFor(int key, char* text) override {
    std::memset(text, 'k', 100);  // longer than the host's key name field
    text[100] = '\0';
    return key == 60;
  }
  std::vector<std::string> editorLog;
};

// The adapter driving it, as the entry point makes it.
class StubEffect : public IEffectVST {
 public:
  StubEffect(const char* channelIO, bool acceptsMidi)
      : IEffectVST(&FakeHost, new StubPlugin(channelIO, acceptsMidi)),
        base(static_cast<StubPlugin*>(Plugin())),
        editorLog(base->editorLog) {}
  intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0) {
    return effect.dispatcher(&effect, opcode, index, value, ptr, opt);
  }
  StubPlugin* const base;
  std::vector<std::string>& editorLog;
  using IEffectVST::CallHost;
};

class Adapter : public ::testing::Test {
 protected:
  void SetUp() override {
    calls.clear();
    std::memset(&timeInfo, 0, sizeof timeInfo);
    answerTime = true;
    processLevel = 0;
    fillProduct = false;
  }
};

TEST_F(Adapter, EditorFlagRectangleAndWindow) {
  StubEffect plug("1-1 2-2", false);
  EXPECT_EQ(plug.Effect()->flags, 0x1018);
  plug.base->AttachEditor(nullptr);
  EXPECT_EQ(plug.Effect()->flags, 0x1018);
  auto* editor = new FakeEditor(&plug.editorLog);
  plug.base->AttachEditor(editor);
  EXPECT_EQ(plug.Effect()->flags, 0x1019);

  ERect* rect = nullptr;
  EXPECT_EQ(plug.Dispatch(effEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->top, 0);
  EXPECT_EQ(rect->left, 0);
  EXPECT_EQ(rect->bottom, 160);
  EXPECT_EQ(rect->right, 700);
  EXPECT_EQ(plug.Dispatch(effEditGetRect), 0);

  int parent = 0;
  EXPECT_EQ(plug.Dispatch(effEditOpen, 0, 0, &parent), 1);
  EXPECT_EQ(plug.Dispatch(effEditClose), 1);
  editor->makesWindow = false;
  EXPECT_EQ(plug.Dispatch(effEditOpen, 0, 0, &parent), 0);
  EXPECT_EQ(plug.editorLog, (std::vector<std::string>{"open", "opened", "closed", "close", "open"}));
}

TEST_F(Adapter, HostAndTextChangesReachTheEditor) {
  StubEffect plug("2-2", false);
  plug.base->AttachEditor(new FakeEditor(&plug.editorLog));
  plug.Effect()->setParameter(plug.Effect(), 0, 0.25f);
  char text[] = "80";
  EXPECT_EQ(plug.Dispatch(effString2Parameter, 0, 0, text), 1);
  plug.Effect()->setParameter(plug.Effect(), 5, 0.25f);  // out of range: nothing
  ASSERT_EQ(plug.editorLog.size(), 2u);
  EXPECT_EQ(plug.editorLog[0], "param 0 0.250000 n");
  EXPECT_EQ(plug.editorLog[1], "param 0 80.000000 p");
  EXPECT_EQ(Count(audioMasterAutomate), 0);
}

TEST_F(Adapter, NoMonoFlagWithoutAOneInputConfiguration) {
  StubEffect plug("2-2 4-4", false);
  EXPECT_EQ(plug.Effect()->flags & effFlagsCanMono, 0);
  EXPECT_EQ(plug.Effect()->numInputs, 4);
  EXPECT_EQ(plug.Effect()->version, 20103);
}

// A stereo-limited host: inputs 2 and 3 stop taking host buffers, outputs
// 2 and 3 count as connected. Identified once, with the version converted.
TEST_F(Adapter, HostIdentificationAndStereoLimit) {
  StubEffect plug("2-2 4-4", false);
  plug.Dispatch(effOpen);
  plug.Dispatch(effOpen);
  EXPECT_EQ(plug.base->hostKind, Orion);
  EXPECT_EQ(plug.base->hostVersion, 0x080203);
  EXPECT_EQ(Count(audioMasterGetProductString), 1);
  EXPECT_FALSE(plug.base->InputPin(2)->connected);
  EXPECT_FALSE(plug.base->InputPin(3)->connected);
  EXPECT_TRUE(plug.base->InputPin(1)->connected);
  EXPECT_TRUE(plug.base->OutputPin(3)->connected);
}

TEST_F(Adapter, ProductNameFillingTheBufferIsCutNotOverrun) {
  fillProduct = true;
  StubEffect plug("2-2", false);
  plug.Dispatch(effOpen);
  EXPECT_EQ(plug.base->hostKind, Unknown);
  EXPECT_EQ(Count(audioMasterGetVendorVersion), 1);
}

TEST_F(Adapter, MidiEffectsAskForMidiAndAnswerItsCapabilities) {
  StubEffect plug("2-2", true);
  float in[8] = {}, out[8] = {};
  float* channels[2] = {in, in};
  float* outputs[2] = {out, out};
  plug.Effect()->processReplacing(plug.Effect(), channels, outputs, 8);
  double din[8] = {}, dout[8] = {};
  double* dch[2] = {din, din};
  double* douts[2] = {dout, dout};
  plug.Effect()->processDoubleReplacing(plug.Effect(), dch, douts, 8);
  EXPECT_EQ(Count(audioMasterWantMidi), 2);
  char can[] = "receiveVstMidiEvent";
  EXPECT_EQ(plug.Dispatch(effCanDo, 0, 0, can), 1);
  EXPECT_EQ(plug.Dispatch(effGetPlugCategory), kPlugCategSynth);
}

TEST_F(Adapter, EditGesturesAndDisplayUpdates) {
  StubEffect plug("2-2", false);
  plug.BeginParameterEdit(1);
  plug.NotifyHostParam(1, 0.75);
  plug.EndParameterEdit(1);
  plug.NotifyHostDisplay();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].opcode, audioMasterBeginEdit);
  EXPECT_EQ(calls[1].opcode, audioMasterAutomate);
  EXPECT_EQ(calls[1].index, 1);
  EXPECT_EQ(calls[1].opt, 0.75f);
  EXPECT_EQ(calls[2].opcode, audioMasterEndEdit);
  EXPECT_EQ(calls[3].opcode, audioMasterUpdateDisplay);
  processLevel = kVstProcessLevelOffline;
  EXPECT_TRUE(plug.IsRenderingOffline());
  processLevel = 2;
  EXPECT_FALSE(plug.IsRenderingOffline());
}

TEST_F(Adapter, SamplePositionRoundsAndStaysInRange) {
  StubEffect plug("2-2", false);
  timeInfo.samplePos = 1000.4;
  EXPECT_EQ(plug.QuerySamplePosition(), 1000);
  timeInfo.samplePos = 1000.5;
  EXPECT_EQ(plug.QuerySamplePosition(), 1001);
  timeInfo.samplePos = -3.0;
  EXPECT_EQ(plug.QuerySamplePosition(), 0);
  timeInfo.samplePos = 1e12;  // past 32 bits: held, not wrapped
  EXPECT_EQ(plug.QuerySamplePosition(), INT32_MAX);
  timeInfo.samplePos = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(plug.QuerySamplePosition(), 0);
  answerTime = false;
  EXPECT_EQ(plug.QuerySamplePosition(), 0);
}

TEST_F(Adapter, TempoAndTimeSignature) {
  StubEffect plug("2-2", false);
  timeInfo.flags = kVstTempoValid | kVstTimeSigValid;
  timeInfo.tempo = 0.0;
  EXPECT_EQ(plug.QueryTempo(), 0.0);
  timeInfo.tempo = 128.5;
  EXPECT_EQ(plug.QueryTempo(), 128.5);
  EXPECT_EQ(calls.back().value, kVstTempoValid);
  timeInfo.tempo = std::numeric_limits<double>::infinity();
  EXPECT_EQ(plug.QueryTempo(), 0.0);
  timeInfo.timeSigNumerator = 7;
  timeInfo.timeSigDenominator = 8;
  int32_t numerator = -1, denominator = -1;
  plug.QueryTimeSignature(&numerator, &denominator);
  EXPECT_EQ(numerator, 7);
  EXPECT_EQ(denominator, 8);
  timeInfo.flags = 0;
  plug.QueryTimeSignature(&numerator, &denominator);
  EXPECT_EQ(numerator, 0);
  EXPECT_EQ(denominator, 0);
}

TEST_F(Adapter, TimeInfoFillsOnlyValidFields) {
  StubEffect plug("2-2", false);
  const TimeInfo defaults{-1, -1, -1, -1, -1, -1, -1, -1, false, false};
  TimeInfo info = defaults;
  timeInfo.flags = kVstTransportPlaying;  // no valid-flag bit: nothing at all
  timeInfo.samplePos = 5.0;
  plug.QueryTimeInfo(&info);
  EXPECT_EQ(calls.back().value, 0x3E00);
  EXPECT_EQ(info.samplePosition, -1);
  EXPECT_FALSE(info.playing);

  timeInfo.flags = kVstTempoValid | kVstPpqPosValid | kVstCyclePosValid | kVstTransportCycleActive;
  timeInfo.tempo = 0.0;  // must be above 0 here
  timeInfo.ppqPos = 3.5;
  timeInfo.cycleStartPos = 1.0;
  timeInfo.cycleEndPos = -1.0;  // both must be valid
  plug.QueryTimeInfo(&info);
  EXPECT_EQ(info.tempoBpm, -1);
  EXPECT_EQ(info.samplePosition, 5.0);
  EXPECT_EQ(info.ppqPosition, 3.5);
  EXPECT_EQ(info.cycleStart, -1);
  EXPECT_TRUE(info.cycling);
  EXPECT_FALSE(info.playing);
  plug.QueryTimeInfo(nullptr);
}

TEST_F(Adapter, MidiAndSysExOut) {
  StubEffect plug("2-2", false);
  EXPECT_TRUE(plug.MidiMessageOut(MidiMessage{4, 0x80, 64, 0}));
  const uint8_t dump[3] = {0xF0, 0x01, 0xF7};
  EXPECT_TRUE(plug.SysExOut(SysExMessage{2, 3, dump}));
  EXPECT_EQ(Count(audioMasterProcessEvents), 2);
  // Sent under the lock, they go out when the host's or the editor's
  // change releases it.
  plug.base->noteOnChange = true;
  plug.Effect()->setParameter(plug.Effect(), 0, 0.5f);
  EXPECT_EQ(Count(audioMasterProcessEvents), 3);
  plug.base->SetParameterFromEditor(0, 0.25);
  EXPECT_EQ(Count(audioMasterProcessEvents), 4);
}

TEST_F(Adapter, LatencyAndKeyNames) {
  StubEffect plug("2-2", false);
  plug.base->ChangeLatency(64);
  EXPECT_EQ(plug.Effect()->initialDelay, 64);
  EXPECT_EQ(plug.base->latency, 64);

  MidiKeyName key;
  std::memset(&key, 0x5A, sizeof key);
  key.thisKeyNumber = 60;
  EXPECT_EQ(plug.Dispatch(effGetMidiKeyName, 0, 0, &key), 1);
  EXPECT_EQ(strnlen(key.keyName, sizeof key.keyName), static_cast<size_t>(kVstMaxNameLen - 1));
  EXPECT_EQ(key.reserved, 0x5A5A5A5A);  // the field after the name is untouched
  key.thisKeyNumber = 61;
  EXPECT_EQ(plug.Dispatch(effGetMidiKeyName, 0, 0, &key), 0);
}

TEST_F(Adapter, CloseDestroysTheInstance) {
  static int destroyed = 0;
  struct Counted : StubEffect {
    Counted() : StubEffect("2-2", false) {}
    ~Counted() override { ++destroyed; }
  };
  auto* plug = new Counted();
  AEffect* effect = plug->Effect();
  EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f), 0);
  EXPECT_EQ(destroyed, 1);
}

}  // namespace

}  // namespace veltrax
