#include <gtest/gtest.h>

#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "StubEffect.h"

namespace veltrax {

namespace {
using Bytes = std::vector<uint8_t>;
Bytes Of(const StateChunk& chunk) { return Bytes(chunk.Data(), chunk.Data() + chunk.Size()); }

// Header, then the default values 100, 100, 1, 1, 0, 0, 0, 0 as little-endian doubles.
const Bytes kHeader = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
Bytes DefaultState() {
  Bytes bytes(64, 0);
  for (int i : {6, 14}) bytes[i] = 0x59, bytes[i + 1] = 0x40;
  for (int i : {22, 30}) bytes[i] = 0xF0, bytes[i + 1] = 0x3F;
  return bytes;
}

std::vector<double> Values(const IEffectBase& effect) {
  std::vector<double> values;
  for (int i = 0; i < effect.ParameterCount(); ++i) values.push_back(effect.ParamAt(i)->value);
  return values;
}

// Appends one bank record, however malformed.
void PutRecord(StateChunk& chunk, const Bytes& name, bool initialised,
               const std::vector<double>& state) {
  Bytes bytes = Of(chunk);
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(name.size() >> (8 * i)));
  bytes.insert(bytes.end(), name.begin(), name.end());
  bytes.push_back(initialised ? 1 : 0);
  chunk.Assign(bytes.data(), static_cast<int32_t>(bytes.size()));
  for (double v : state) chunk.PutDouble(v);
}

const std::vector<double> kOtherState = {50, 150, 3, 0, 0, 0, 0, 1};
}  // namespace

TEST(Chunks, DefaultProgramAndBankAreTheDocumentedBytes) {
  StubEffect effect;
  effect.ConfigureLikeVeltrax();
  StateChunk program;
  ASSERT_TRUE(WriteChunkHeader(program) && effect.WriteState(program));
  Bytes expected = kHeader;
  const Bytes state = DefaultState();
  expected.insert(expected.end(), state.begin(), state.end());
  EXPECT_EQ(Of(program), expected);
  EXPECT_EQ(program.Size(), 72);

  StateChunk bank;
  ASSERT_TRUE(WriteChunkHeader(bank));
  effect.ModifyCurrentPreset();
  ASSERT_TRUE(effect.SerializePresets(bank));
  expected = kHeader;
  expected.insert(expected.end(), {0x01, 0x00, 0x00, 0x00, 0x2D, 0x01});
  expected.insert(expected.end(), state.begin(), state.end());
  EXPECT_EQ(Of(bank), expected);
  EXPECT_EQ(bank.Size(), 78);
}

TEST(Chunks, ProgramRoundTripsWithAndWithoutHeader) {
  StubEffect source;
  source.ConfigureLikeVeltrax();
  for (int i = 0; i < 8; ++i) source.ParamAt(i)->value = kOtherState[i];
  StateChunk withHeader, raw;
  WriteChunkHeader(withHeader);
  source.WriteState(withHeader);
  source.WriteState(raw);
  for (StateChunk* chunk : {&withHeader, &raw}) {
    StubEffect target;
    target.ConfigureLikeVeltrax();
    int32_t position = 0;
    ReadChunkHeader(*chunk, position);
    EXPECT_EQ(target.ReadState(*chunk, position), chunk->Size());
    EXPECT_EQ(Values(target), kOtherState);
  }
}

TEST(Chunks, ShortProgramZeroesTheFirstMissingParameterOnly) {
  StubEffect effect;
  effect.ConfigureLikeVeltrax();
  effect.ParamAt(3)->value = 0.0;
  StateChunk chunk;
  chunk.PutDouble(20.0);
  chunk.PutDouble(500.0);  // clamped to 200
  chunk.PutInt32(0);
  effect.changed.clear();
  EXPECT_EQ(effect.ReadState(chunk, 0), -1);
  EXPECT_EQ(Values(effect), (std::vector<double>{20, 200, 1, 0, 0, 0, 0, 0}));
  EXPECT_EQ(effect.changed, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
  StateChunk empty;
  EXPECT_EQ(effect.ReadState(empty, 0), -1);
  EXPECT_EQ(effect.ParamAt(0)->value, 0.0);
}

TEST(Chunks, NonFiniteValuesKeepThePreviousValueAndReadingGoesOn) {
  StubEffect effect;
  effect.ConfigureLikeVeltrax();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  StateChunk chunk;
  for (double v :
       {std::numeric_limits<double>::quiet_NaN(), 42.0, kInf, 0.7, 0.0, 0.0, 0.0, -kInf}) {
    chunk.PutDouble(v);
  }
  EXPECT_EQ(effect.ReadState(chunk, 0), 64);
  EXPECT_EQ(Values(effect), (std::vector<double>{100, 42, 1, 0.7, 0, 0, 0, 0}));
}

TEST(Presets, FirstVisitNamesAUserPresetAndLaterVisitsRestore) {
  StubEffect effect("1-1 2-2", 8, 4);
  effect.ConfigureLikeVeltrax();
  EXPECT_STREQ(effect.PresetNameAt(0), "-");
  EXPECT_FALSE(effect.LoadPreset(4));
  effect.ParamAt(0)->value = 30.0;
  ASSERT_TRUE(effect.LoadPreset(1));
  EXPECT_STREQ(effect.PresetNameAt(1), "user preset 1");
  EXPECT_EQ(effect.currentPreset, 1);
  EXPECT_EQ(effect.programChanges, 1);
  std::snprintf(effect.PresetAt(0)->name, 256, "my user preset");
  ASSERT_TRUE(effect.LoadPreset(3));
  EXPECT_STREQ(effect.PresetNameAt(3), "user preset 3");

  auto* editor = new FakeEditor({});
  effect.AttachEditor(editor);
  ASSERT_TRUE(effect.LoadPreset(0));
  EXPECT_EQ(effect.ParamAt(0)->value, 100.0);
  EXPECT_EQ(editor->fromPlug.size(), 8u);

  effect.FillEmptyPresets(nullptr, 5);
  EXPECT_STREQ(effect.PresetNameAt(2), "Empty");
  EXPECT_EQ(effect.PresetAt(2)->chunk.Size(), 64);
}

TEST(Presets, ModifyCurrentStoresStateAndRenamesBounded) {
  StubEffect effect;
  effect.ConfigureLikeVeltrax();
  effect.ParamAt(1)->value = 7.0;
  effect.ModifyCurrentPreset("");
  EXPECT_STREQ(effect.PresetNameAt(0), "-");
  effect.ParamAt(1)->value = 9.0;
  ASSERT_TRUE(effect.LoadPreset(0));
  EXPECT_EQ(effect.ParamAt(1)->value, 7.0);
  const std::string longName(400, 'p');
  effect.ModifyCurrentPreset(longName.c_str());
  EXPECT_EQ(std::string(effect.PresetNameAt(0)), longName.substr(0, 255));
}

TEST(Banks, RoundTripAndEndOnTheCurrentPreset) {
  StubEffect source("1-1 2-2", 8, 2);
  source.ConfigureLikeVeltrax();
  for (int i = 0; i < 8; ++i) source.ParamAt(i)->value = kOtherState[i];
  source.LoadPreset(1);
  StateChunk bank;
  WriteChunkHeader(bank);
  ASSERT_TRUE(source.SerializePresets(bank));

  StubEffect target("1-1 2-2", 8, 2);
  target.ConfigureLikeVeltrax();
  EXPECT_EQ(target.UnserializePresets(bank, 8), bank.Size());
  EXPECT_STREQ(target.PresetNameAt(1), "user preset 1");
  EXPECT_EQ(target.ParamAt(0)->value, 100.0);  // preset 0 is current
  ASSERT_TRUE(target.LoadPreset(1));
  EXPECT_EQ(Values(target), kOtherState);
}

TEST(Banks, OddNamesAndSurplusRecords) {
  StateChunk bank;
  PutRecord(bank, {}, true, kOtherState);
  PutRecord(bank, {'a', 'b', 0, 'c'}, false, {});
  PutRecord(bank, {'x'}, false, {});
  StubEffect effect("1-1 2-2", 8, 2);
  effect.ConfigureLikeVeltrax();
  EXPECT_EQ(effect.UnserializePresets(bank, 0), (4 + 1 + 64) + (4 + 4 + 1));
  EXPECT_STREQ(effect.PresetNameAt(0), "");
  EXPECT_STREQ(effect.PresetNameAt(1), "ab");
  EXPECT_EQ(Values(effect), kOtherState);
}

TEST(Banks, MalformedRecordsFailWithoutCorruptingPresets) {
  StubEffect effect("1-1 2-2", 8, 2);
  effect.ConfigureLikeVeltrax();
  // The second record claims a state but is cut inside it: the preset keeps
  // having none, so writing the bank out again stays well-formed.
  StateChunk cut;
  PutRecord(cut, {'k'}, true, kOtherState);
  PutRecord(cut, {'z'}, true, {1.0, 2.0});
  EXPECT_EQ(effect.UnserializePresets(cut, 0), -1);
  EXPECT_STREQ(effect.PresetNameAt(1), "z");
  EXPECT_FALSE(effect.PresetAt(1)->initialised);
  EXPECT_EQ(Values(effect), kOtherState);
  StateChunk rewritten;
  ASSERT_TRUE(effect.SerializePresets(rewritten));
  EXPECT_EQ(rewritten.Size(), (4 + 1 + 1 + 64) + (4 + 1 + 1));

  StateChunk huge;  // name length 0x7FFFFFFF
  huge.PutInt32(INT32_MAX);
  huge.PutFlag(true);
  EXPECT_EQ(effect.UnserializePresets(huge, 0), -1);
  EXPECT_STREQ(effect.PresetNameAt(0), "");
}

}  // namespace veltrax
