// State chunks as a host hands them back: the first byte picks program or
// bank, the rest is the chunk. Whatever is accepted or refused, the instance
// must then give a chunk of its own that loads back, process finite audio
// and report every parameter within 0..1.

#include <vector>

#include "FuzzSupport.h"

using namespace veltrax;
using namespace veltrax::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int32_t index = (data[0] & 1) ? 0 : 1;  // 0 asks for the bank
  Plugin plugin;
  // The plug-in may keep the pointer only for the call; a copy of exactly the
  // given size lets the address sanitizer see any read past its end.
  std::vector<uint8_t> chunk(data + 1, data + size);
  plugin.Dispatch(effSetChunk, index, static_cast<intptr_t>(chunk.size()),
                  chunk.empty() ? nullptr : chunk.data());
  plugin.CheckParameters();

  void* own = nullptr;
  const intptr_t ownSize = plugin.Dispatch(effGetChunk, index, 0, &own);
  FUZZ_CHECK(ownSize > 0 && own != nullptr);
  std::vector<uint8_t> saved(static_cast<const uint8_t*>(own), static_cast<const uint8_t*>(own) + ownSize);
  FUZZ_CHECK(plugin.Dispatch(effSetChunk, index, ownSize, saved.data()) == 1);
  // Loading its own chunk changes nothing: the next one has the same bytes.
  const intptr_t againSize = plugin.Dispatch(effGetChunk, index, 0, &own);
  FUZZ_CHECK(againSize == ownSize && std::memcmp(own, saved.data(), saved.size()) == 0);

  plugin.CheckParameters();
  plugin.Process<float>(64, 0);
  plugin.Process<double>(64, 0);
  return 0;
}
