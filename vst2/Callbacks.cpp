// The audio and parameter callbacks of the effect record. Each takes the
// instance from the record, holds PlugLock for its work (released on every
// path by the guard) and allocates nothing: the pins' scratch buffers are
// sized in advance by the block size. The host hears nothing from us while
// the lock is held: an effect that takes MIDI announces it before the lock
// is taken, and what the effect sends meanwhile goes out after.

#include "EffectVST.h"
#include "VstDetail.h"

namespace veltrax {

void IEffectVST::AnnounceMidiInterest() {
  if (plug->acceptsMidi) CallHost(audioMasterWantMidi);
}

// Adds the processed block to what the host's outputs hold.
void VST_CALLBACK IEffectVST::VSTProcess(AEffect* effect, float** inputs, float** outputs,
                                         int32_t frames) {
  IEffectVST* adapter = InstanceOf(effect);
  if (adapter == nullptr) return;
  adapter->AnnounceMidiInterest();
  CallbackLock guard(adapter);
  adapter->plug->ProcessFloatBlock(inputs, outputs, frames, /*accumulate=*/true);
}

// Overwrites the host's outputs.
void VST_CALLBACK IEffectVST::VSTProcessReplacing(AEffect* effect, float** inputs, float** outputs,
                                                  int32_t frames) {
  IEffectVST* adapter = InstanceOf(effect);
  if (adapter == nullptr) return;
  adapter->AnnounceMidiInterest();
  CallbackLock guard(adapter);
  adapter->plug->ProcessFloatBlock(inputs, outputs, frames, /*accumulate=*/false);
}

// Processes straight in the host's double buffers.
void VST_CALLBACK IEffectVST::VSTProcessDoubleReplacing(AEffect* effect, double** inputs,
                                                        double** outputs, int32_t frames) {
  IEffectVST* adapter = InstanceOf(effect);
  if (adapter == nullptr) return;
  adapter->AnnounceMidiInterest();
  CallbackLock guard(adapter);
  adapter->plug->ProcessDoubleBlock(inputs, outputs, frames);
}

// Waits for a running block; 0 for an index out of range.
float VST_CALLBACK IEffectVST::VSTGetParameter(AEffect* effect, int32_t index) {
  IEffectVST* adapter = InstanceOf(effect);
  if (adapter == nullptr) return 0.0f;
  IEffectBase* plug = adapter->plug;
  CallbackLock guard(adapter);
  const Parameter* param = plug->ParamAt(index);
  if (param == nullptr) return 0.0f;
  return static_cast<float>(param->Normalize(param->value));
}

// The host is not told back about its own change. A position that is not
// a finite number keeps the value (NaN or infinity would land in the
// coefficients); others are held to 0..1, since below 0 the curve would map
// them to large values.
void VST_CALLBACK IEffectVST::VSTSetParameter(AEffect* effect, int32_t index, float value) {
  IEffectVST* adapter = InstanceOf(effect);
  if (adapter == nullptr) return;
  CallbackLock guard(adapter);
  adapter->plug->SetParameterFromHost(index, value);
}

}  // namespace veltrax
