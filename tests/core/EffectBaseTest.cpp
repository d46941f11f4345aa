#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StubEffect.h"

namespace veltrax {

namespace {
using Pairs = std::vector<std::pair<int, int>>;
Pairs Configs(const char* channelIO) {
  StubEffect effect(channelIO);
  Pairs list;
  for (int i = 0; i < effect.ChannelConfigCount(); ++i) {
    list.emplace_back(effect.ChannelConfigAt(i)->inputs, effect.ChannelConfigAt(i)->outputs);
  }
  return list;
}
}  // namespace

TEST(Construction, ParsesChannelStringsLikeStoredOnes) {
  EXPECT_EQ(Configs("1-1 2-2"), (Pairs{{1, 1}, {2, 2}}));
  EXPECT_EQ(Configs("1-1 "), (Pairs{{1, 1}, {0, 0}}));
  EXPECT_EQ(Configs("1-1  2-2"), (Pairs{{1, 1}, {2, 2}, {2, 2}}));
  EXPECT_EQ(Configs("2-x 4"), (Pairs{{2, 0}, {4, 0}}));
  EXPECT_EQ(Configs(nullptr), (Pairs{{0, 0}}));
  StubEffect wide("0-4 4-2");
  EXPECT_EQ(wide.InputPinCount(), 4);
  EXPECT_EQ(wide.OutputPinCount(), 4);
  // Out-of-range numbers clamp; a pin array that cannot be sized gets no pins.
  StubEffect absurd("99999999999-1");
  EXPECT_EQ(absurd.ChannelConfigAt(0)->inputs, INT32_MAX);
  EXPECT_EQ(absurd.InputPinCount(), 0);
  EXPECT_EQ(absurd.OutputPinCount(), 1);

  StubEffect effect;
  EXPECT_TRUE(effect.LegalIO(1, -1));
  EXPECT_TRUE(effect.LegalIO(-1, 2));
  EXPECT_FALSE(effect.LegalIO(3, -1));
  EXPECT_FALSE(effect.LegalIO(1, 2));
}

TEST(Construction, StartsUnaskedWithOnePresetAndBoundedNames) {
  const std::string longName(300, 'v');
  StubEffect effect("1-1 2-2", 8, 1, longName.c_str());
  EXPECT_EQ(std::string(effect.effectName), longName.substr(0, 127));
  EXPECT_EQ(effect.ParamAt(8), nullptr);
  EXPECT_STREQ(effect.PresetNameAt(0), "empty");
  EXPECT_STREQ(effect.PresetNameAt(1), "");
  EXPECT_EQ(effect.hostKind, HostNotAsked);
  // Ready to process before any adapter binds: every pin connected, a
  // block of 1024 frames.
  EXPECT_TRUE(effect.InputPin(1)->connected);
  EXPECT_EQ(effect.BlockSize(), 1024);
}

TEST(Pins, BlockSizeResizesAndClearsEveryScratch) {
  StubEffect effect;
  effect.ChangeBlockSize(64);
  effect.InputPin(1)->Scratch()[5] = 3.0;
  effect.ChangeBlockSize(64);
  EXPECT_EQ(effect.InputPin(1)->Scratch()[5], 3.0);
  effect.ChangeBlockSize(32);
  EXPECT_EQ(effect.InputPin(1)->scratch.Size(), 32 * 8);
  EXPECT_EQ(effect.InputPin(1)->Scratch()[5], 0.0);
  // A size whose bytes do not fit 32 bits keeps the old one.
  effect.ChangeBlockSize(INT32_MAX / 4);
  EXPECT_EQ(effect.BlockSize(), 32);
  effect.ChangeBlockSize(-5);
  EXPECT_EQ(effect.BlockSize(), 0);
  EXPECT_EQ(effect.OutputPin(0)->Scratch(), nullptr);
}

TEST(Pins, DisconnectedPinsPointAtTheirClearedScratch) {
  StubEffect effect;
  effect.ChangeBlockSize(16);
  effect.ConnectInputs(0, 2, true);
  effect.InputPin(1)->Scratch()[3] = 9.0;  // left over from a block
  effect.ConnectInputs(1, 1, false);
  EXPECT_TRUE(effect.InputPin(0)->connected);
  EXPECT_EQ(effect.Inputs()[1], effect.InputPin(1)->Scratch());
  EXPECT_EQ(effect.Inputs()[1][3], 0.0);
  effect.ChangeBlockSize(100000);  // moves the scratch
  EXPECT_EQ(effect.Inputs()[1], effect.InputPin(1)->Scratch());
  effect.ConnectOutputs(-3, 100, true);  // clipped to the pins
  EXPECT_TRUE(effect.OutputPin(0)->connected && effect.OutputPin(1)->connected);
  effect.ConnectOutputs(INT32_MAX, INT32_MAX, false);
  EXPECT_TRUE(effect.OutputPin(1)->connected);
}

TEST(Editor, ParameterChangeSnapsButReportsTheUsersPosition) {
  StubEffect effect;
  effect.ConfigureLikeVeltrax();
  effect.changed.clear();
  {
    StubEffect::AsEditorThread input(effect);
    effect.SetParameterFromEditor(2, 0.62);
    effect.SetParameterFromEditor(8, 0.5);
  }
  EXPECT_EQ(effect.ParamAt(2)->value, 3.0);
  EXPECT_EQ(effect.notified, (std::vector<std::pair<int, double>>{{2, 0.62}}));
  EXPECT_EQ(effect.changed, std::vector<int>{2});
}

TEST(Editor, AttachPushesValuesPreparesAndOwns) {
  bool firstDeleted = false, secondDeleted = false;
  {
    StubEffect effect;
    effect.ConfigureLikeVeltrax();
    effect.ParamAt(0)->value = 50.0;
    auto* editor = new FakeEditor({{0, -1}, {2, 0}, {-1, 3}}, &firstDeleted);
    effect.AttachEditor(editor);
    effect.AttachEditor(nullptr);  // changes nothing
    EXPECT_EQ(effect.Editor(), editor);
    EXPECT_TRUE(editor->prepared);
    EXPECT_EQ(editor->controls[0].value, 0.5);
    EXPECT_EQ(editor->controls[1].value, 0.0);
    EXPECT_EQ(editor->controls[1].aux, 0.5);
    EXPECT_EQ(editor->controls[2].aux, 1.0);

    effect.RefreshEditorParams();
    ASSERT_EQ(editor->fromPlug.size(), 8u);
    EXPECT_EQ(editor->fromPlug[0], std::make_tuple(0, 50.0, false));
    effect.AttachEditor(new FakeEditor({}, &secondDeleted));
    EXPECT_TRUE(firstDeleted);
  }
  EXPECT_TRUE(secondDeleted);
}

TEST(Defaults, CopyZeroFillPassMidiAndCompareState) {
  StubEffect effect;
  effect.ConfigureLikeVeltrax();
  double in0[4] = {1, 2, 3, 4}, out0[4] = {9, 9, 9, 9}, out1[4] = {9, 9, 9, 9};
  double* inputs[2] = {in0, nullptr};
  double* outputs[2] = {out0, out1};
  effect.ProcessBlock(inputs, outputs, 4);
  EXPECT_EQ(out0[3], 4.0);
  EXPECT_EQ(out1[0], 0.0);

  effect.MidiMessageIn(MidiMessage{3, 0x90, 60, 100});
  ASSERT_EQ(effect.midiOut.size(), 1u);
  EXPECT_EQ(effect.midiOut[0].data1, 60);
  char text[8] = "x";
  EXPECT_FALSE(effect.NoteNameFor(60, text));
  EXPECT_STREQ(text, "");

  double values[9] = {7, 100, 100, 1, 1, 0, 0, 0, 0};
  EXPECT_TRUE(effect.StateMatches(values, 1));
  values[4] = 1.00002;
  EXPECT_FALSE(effect.StateMatches(values, 1));
}

}  // namespace veltrax
