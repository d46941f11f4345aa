#pragma once
// Small helpers shared by the adapter's source files; not part of its API.

#include <climits>
#include <cstdint>

#include "EffectVST.h"

namespace veltrax {

// 0xMMMMmmpp as the decimal MMmmpp hosts expect (0x00010000 gives 10000).
int32_t VstVersionOf(int32_t version);

inline IEffectVST* InstanceOf(AEffect* effect) {
  return effect != nullptr ? static_cast<IEffectVST*>(effect->object) : nullptr;
}

// Editor sizes as the int16 coordinates of the host's rectangle.
inline int16_t RectCoordinate(int value) {
  return static_cast<int16_t>(value < SHRT_MIN ? SHRT_MIN : (value > SHRT_MAX ? SHRT_MAX : value));
}

}  // namespace veltrax
