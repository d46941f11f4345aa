// State chunks through effGetChunk and effSetChunk: exact bytes, round trips
// and malformed input.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "PluginHost.h"

namespace veltrax {

namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kHeader = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};

void PutDouble(Bytes& bytes, double v) {
  uint8_t raw[8];
  std::memcpy(raw, &v, 8);  // the test machine is little-endian, like the format
  bytes.insert(bytes.end(), raw, raw + 8);
}

Bytes State(std::initializer_list<double> values) {
  Bytes bytes;
  for (double v : values) PutDouble(bytes, v);
  return bytes;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

const Bytes kDefaultState = State({100, 100, 1, 1, 0, 0, 0, 0});

TEST(Chunk, DefaultProgramChunkBytes) {
  Instance plug;
  ASSERT_TRUE(plug);
  const Bytes chunk = plug.Chunk(false);
  ASSERT_EQ(chunk.size(), 72u);
  EXPECT_EQ(chunk, Concat({kHeader, kDefaultState}));
}

TEST(Chunk, DefaultBankChunkBytes) {
  Instance plug;
  ASSERT_TRUE(plug);
  const Bytes chunk = plug.Chunk(true);
  ASSERT_EQ(chunk.size(), 78u);
  EXPECT_EQ(chunk, Concat({kHeader, {0x01, 0x00, 0x00, 0x00, 0x2D, 0x01}, kDefaultState}));
}

TEST(Chunk, ProgramRoundTripRestoresValues) {
  Bytes saved;
  {
    Instance a;
    ASSERT_TRUE(a);
    a.Set(0, 0.5f);
    a.Set(2, 1.0f);
    a.Set(7, 1.0f);
    saved = a.Chunk(false);
  }
  Instance b;
  ASSERT_TRUE(b);
  EXPECT_EQ(b.SetChunk(false, saved.data(), static_cast<intptr_t>(saved.size())), 1);
  EXPECT_FLOAT_EQ(b.Get(0), 0.5f);
  EXPECT_EQ(b.ParamDisplay(2), "5");
  EXPECT_EQ(b.ParamDisplay(7), "on");
  EXPECT_EQ(b.Chunk(false), saved);
  // The accepted state is stored into the current preset as well.
  const Bytes bank = b.Chunk(true);
  ASSERT_EQ(bank.size(), 78u);
  EXPECT_EQ(Bytes(bank.begin() + 14, bank.end()), Bytes(saved.begin() + 8, saved.end()));
}

TEST(Chunk, BankRoundTripRestoresNameAndValues) {
  Bytes saved;
  {
    Instance a;
    ASSERT_TRUE(a);
    a.Set(1, 0.25f);
    char name[] = "Hot";
    a.Dispatch(effSetProgramName, 0, 0, name);
    saved = a.Chunk(true);
  }
  Instance b;
  ASSERT_TRUE(b);
  EXPECT_EQ(b.SetChunk(true, saved.data(), static_cast<intptr_t>(saved.size())), 1);
  EXPECT_EQ(b.Text(effGetProgramName), "Hot");
  EXPECT_FLOAT_EQ(b.Get(1), 0.25f);
}

TEST(Chunk, ProgramWithoutHeaderIsReadAsRawState) {
  Instance plug;
  ASSERT_TRUE(plug);
  const Bytes raw = State({50, 150, 3, 0, 0, 0, 0, 1});
  EXPECT_EQ(plug.SetChunk(false, raw.data(), static_cast<intptr_t>(raw.size())), 1);
  EXPECT_EQ(plug.ParamDisplay(0), "50.00");
  EXPECT_EQ(plug.ParamDisplay(1), "150.00");
  EXPECT_EQ(plug.ParamDisplay(3), "off");
  EXPECT_EQ(plug.ParamDisplay(7), "on");
}

// A bank without header, or of an older format, is read as one state.
TEST(Chunk, OldBankFormatIsReadAsState) {
  Instance plug;
  ASSERT_TRUE(plug);
  const Bytes old = Concat({{0x74, 0x66, 0x66, 0x70, 0xFF, 0xFF, 0x00, 0x00}, State({20, 20, 2, 1, 0, 0, 0, 0})});
  EXPECT_EQ(plug.SetChunk(true, old.data(), static_cast<intptr_t>(old.size())), 1);
  EXPECT_EQ(plug.ParamDisplay(0), "20.00");
  EXPECT_EQ(plug.ParamDisplay(2), "2");
}

TEST(Chunk, StoredValuesOutsideTheRangeAreClamped) {
  Instance plug;
  ASSERT_TRUE(plug);
  const Bytes chunk = Concat({kHeader, State({500, -3, 9, 0.7, 0, 0, 0, 0})});
  EXPECT_EQ(plug.SetChunk(false, chunk.data(), static_cast<intptr_t>(chunk.size())), 1);
  EXPECT_EQ(plug.ParamDisplay(0), "200.00");
  EXPECT_EQ(plug.ParamDisplay(1), "0.00");
  EXPECT_EQ(plug.ParamDisplay(2), "5");
  EXPECT_EQ(plug.ParamDisplay(3), "off");  // 0.7 is kept, shown by its truncation
}

TEST(Chunk, MalformedChunksAreRefused) {
  Instance plug;
  ASSERT_TRUE(plug);
  // A cut header.
  const Bytes cutHeader = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00};
  EXPECT_EQ(plug.SetChunk(false, cutHeader.data(), 6), 0);
  EXPECT_EQ(plug.SetChunk(true, cutHeader.data(), 6), 0);
  // A state that ends inside the third value: the first two are read, the
  // third becomes its clamped zero ("Equalizer" 1), the rest stay.
  plug.Set(7, 1.0f);
  const Bytes shortState = Concat({kHeader, State({30, 40}), {0x00, 0x00, 0x00, 0x00}});
  EXPECT_EQ(plug.SetChunk(false, shortState.data(), static_cast<intptr_t>(shortState.size())), 0);
  EXPECT_EQ(plug.ParamDisplay(0), "30.00");
  EXPECT_EQ(plug.ParamDisplay(1), "40.00");
  EXPECT_EQ(plug.ParamDisplay(2), "1");
  EXPECT_EQ(plug.ParamDisplay(7), "on");
  // A bank whose preset record is cut inside its state.
  const Bytes cutBank = Concat({kHeader, {0x01, 0x00, 0x00, 0x00, 0x2D, 0x01}, State({10, 10, 1})});
  EXPECT_EQ(plug.SetChunk(true, cutBank.data(), static_cast<intptr_t>(cutBank.size())), 0);
  // A bank whose name length runs past the end.
  const Bytes longName = Concat({kHeader, {0xFF, 0xFF, 0x00, 0x00, 0x2D}});
  EXPECT_EQ(plug.SetChunk(true, longName.data(), static_cast<intptr_t>(longName.size())), 0);
  // An empty program chunk moves parameter 0 to its clamped zero and fails.
  const uint8_t nothing = 0;
  EXPECT_EQ(plug.SetChunk(false, &nothing, 0), 0);
  EXPECT_EQ(plug.ParamDisplay(0), "0.00");
}

// A negative byte count counts as 0; one beyond the 32-bit positions of the
// chunk format is refused before a single byte is read.
TEST(Chunk, ByteCountsOutsideTheFormatAreSafe) {
  Instance plug;
  ASSERT_TRUE(plug);
  const Bytes chunk = Concat({kHeader, State({50, 50, 1, 1, 0, 0, 0, 0})});
  EXPECT_EQ(plug.SetChunk(false, chunk.data(), -5), 0);
  EXPECT_EQ(plug.SetChunk(false, chunk.data(), (intptr_t{1} << 32) + 72), 0);
  EXPECT_EQ(plug.SetChunk(true, chunk.data(), intptr_t{1} << 40), 0);
  EXPECT_EQ(plug.ParamDisplay(1), "100.00");
}

// NaN and infinity in a stored state never become parameter values.
TEST(Chunk, NonFiniteStoredValuesDoNotReachTheParameters) {
  Instance plug;
  ASSERT_TRUE(plug);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const Bytes chunk = Concat({kHeader, State({nan, inf, nan, -inf, nan, 0, 0, nan})});
  plug.SetChunk(false, chunk.data(), static_cast<intptr_t>(chunk.size()));
  for (int i = 0; i < 8; ++i) {
    const float v = plug.Get(i);
    EXPECT_TRUE(std::isfinite(v)) << i;
    EXPECT_GE(v, 0.0f) << i;
    EXPECT_LE(v, 1.0f) << i;
  }
  for (const Bytes& stored : {plug.Chunk(false), plug.Chunk(true)}) {
    for (size_t at = stored.size() - 64; at < stored.size(); at += 8) {
      double v;
      std::memcpy(&v, stored.data() + at, 8);
      EXPECT_TRUE(std::isfinite(v)) << at;
    }
  }
}

TEST(Chunk, ReturnedBytesStayUntilTheNextRequestOfTheSameKind) {
  Instance plug;
  ASSERT_TRUE(plug);
  void* program = nullptr;
  void* bank = nullptr;
  const intptr_t programSize = plug.Dispatch(effGetChunk, 1, 0, &program);
  const intptr_t bankSize = plug.Dispatch(effGetChunk, 0, 0, &bank);
  ASSERT_EQ(programSize, 72);
  ASSERT_EQ(bankSize, 78);
  EXPECT_NE(program, bank);
  EXPECT_EQ(std::memcmp(program, kHeader.data(), 8), 0);
  EXPECT_EQ(Bytes(static_cast<uint8_t*>(program) + 8, static_cast<uint8_t*>(program) + 72), kDefaultState);
}

}  // namespace

}  // namespace veltrax
