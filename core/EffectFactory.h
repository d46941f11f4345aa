#pragma once
// The effect a plug-in binary carries, made without knowing which format
// will drive it: each adapter wraps what CreateHostedEffect returns.

#include "EffectBase.h"

namespace veltrax {

// Defined by the effect linked into the binary. None when it cannot be
// made. [any host thread; creation lock held]
IEffectBase* CreateEffectInstance();

// The effect as a host gets it, whatever the format: presets the effect
// left uninitialised are named "Empty" and hold its initial values. None
// when it cannot be made. [any host thread; creation lock held]
inline IEffectBase* CreateHostedEffect() {
  IEffectBase* plug = CreateEffectInstance();
  if (plug != nullptr) plug->FillEmptyPresets("Empty", plug->PresetCount());
  return plug;
}

}  // namespace veltrax
