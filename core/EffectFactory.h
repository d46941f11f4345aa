#pragma once
// The effect a plug-in binary carries, made without knowing which format
// will drive it: each adapter wraps what this returns.

namespace veltrax {

class IEffectBase;

// Defined by the effect linked into the binary. None when it cannot be
// made. [any host thread; creation lock held]
IEffectBase* CreateEffectInstance();

}  // namespace veltrax
