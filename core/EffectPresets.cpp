// The plug-in base's state and presets: parameter values to and from state
// chunks, and the preset list.

#include <cmath>
#include <cstdio>
#include <cstring>

#include "EffectBase.h"
#include "TextCopy.h"
#include "Trace.h"

namespace veltrax {

namespace {
constexpr char kUserPresetName[] = "user preset";
constexpr char kFilledPresetName[] = "Empty";
}  // namespace

bool IEffectBase::SerializeParams(StateChunk& chunk) {
  PlugLockGuard guard(lock);
  for (int i = 0; i < ParameterCount(); ++i) {
    const Parameter* parameter = ParamAt(i);
    VELTRAX_TRACE("IEffectBase::SerializeParams", "%d %s %f", i, parameter->name, parameter->value);
    // A value that could not be stored fails the whole state, never a
    // shortened one reported as whole.
    if (!chunk.PutDouble(parameter->value)) return false;
  }
  return true;
}

int32_t IEffectBase::UnserializeParams(const StateChunk& chunk, int32_t position) {
  PlugLockGuard guard(lock);
  for (int i = 0; i < ParameterCount() && position >= 0; ++i) {
    Parameter* parameter = ParamAt(i);
    double v = 0.0;
    position = chunk.GetDouble(&v, position);
    // A stored NaN or infinity keeps the previous value; reading goes on.
    if (std::isfinite(v)) {
      // Clamped into the range, not snapped to the step.
      if (v < parameter->min) v = parameter->min;
      if (v > parameter->max) v = parameter->max;
      parameter->value = v;
    }
    VELTRAX_TRACE("IEffectBase::UnserializeParams", "%d %s %f", i, parameter->name,
                  parameter->value);
  }
  NotifyAllParamsChanged();
  return position;
}

bool IEffectBase::SerializePresets(StateChunk& chunk) {
  VELTRAX_ASSERT_LOCKED(lock);
  bool ok = true;
  for (int i = 0; i < PresetCount() && ok; ++i) {
    const Preset* preset = PresetAt(i);
    VELTRAX_TRACE("IEffectBase::SerializePresets", "%d %s", i, preset->name);
    ok = chunk.PutString(preset->name) && chunk.PutFlag(preset->initialised);
    if (ok && preset->initialised) ok = chunk.Append(preset->chunk) && chunk.Size() > 0;
  }
  return ok;
}

int32_t IEffectBase::UnserializePresets(const StateChunk& chunk, int32_t position) {
  VELTRAX_ASSERT_LOCKED(lock);
  for (int i = 0; i < PresetCount() && position >= 0; ++i) {
    Preset* preset = PresetAt(i);
    char name[sizeof preset->name];
    const int32_t end = chunk.GetString(position, name, static_cast<int32_t>(sizeof name));
    CopyTextBounded(preset->name, name, sizeof preset->name);
    VELTRAX_TRACE("IEffectBase::UnserializePresets", "%d %s", i, preset->name);

    bool initialised = false;
    position = chunk.GetFlag(&initialised, end);
    if (position < 0) break;
    const bool wasInitialised = preset->initialised;
    preset->initialised = initialised;
    if (initialised) {
      position = ReadState(chunk, position);
      if (position > 0) {
        // Stored as the parameters clamped it.
        preset->chunk.Clear();
        WriteState(preset->chunk);
      } else {
        // The preset's state did not arrive: it keeps the one it had, and a
        // preset that had none must not be written out as if it had.
        preset->initialised = wasInitialised;
      }
    }
  }
  LoadPreset(currentPreset);
  return position;
}

void IEffectBase::ModifyCurrentPreset(const char* name) {
  VELTRAX_ASSERT_LOCKED(lock);
  Preset* preset = PresetAt(currentPreset);
  if (!preset) return;
  preset->chunk.Clear();
  WriteState(preset->chunk);
  if (name && name[0] != '\0') CopyTextBounded(preset->name, name, sizeof preset->name);
  VELTRAX_TRACE("IEffectBase::ModifyCurrentPreset", "%d %s", currentPreset, preset->name);
}

bool IEffectBase::LoadPreset(int index) {
  VELTRAX_ASSERT_LOCKED(lock);
  Preset* preset = PresetAt(index);
  if (!preset) return false;
  bool ok;
  if (preset->initialised) {
    ok = ReadState(preset->chunk, 0) > 0;
  } else {
    // First visit: the preset takes the current state and a fresh name.
    int named = 0;
    for (int i = 0; i < PresetCount(); ++i) {
      if (std::strstr(PresetAt(i)->name, kUserPresetName)) ++named;
    }
    std::snprintf(preset->name, sizeof preset->name, "%s %d", kUserPresetName, named + 1);
    preset->initialised = true;
    preset->chunk.Clear();
    ok = WriteState(preset->chunk);
    if (!ok) {
      preset->initialised = false;
      preset->chunk.Clear();
    }
  }
  if (ok) {
    currentPreset = index;
    ProgramChanged();
    RefreshEditorParams();
  }
  return ok;
}

void IEffectBase::SetParameterFromHost(int index, double normalised) {
  VELTRAX_ASSERT_LOCKED(lock);
  Parameter* parameter = ParamAt(index);
  if (!parameter || !std::isfinite(normalised)) return;
  const double position = normalised < 0.0 ? 0.0 : (normalised > 1.0 ? 1.0 : normalised);
  if (editor) editor->SetParameterFromPlug(index, position, true);
  parameter->SetFromNormalized(position);
  ParameterChanged(index);
}

bool IEffectBase::SaveBank(StateChunk& chunk) {
  VELTRAX_ASSERT_LOCKED(lock);
  if (!WriteChunkHeader(chunk)) return false;
  ModifyCurrentPreset();
  return SerializePresets(chunk) && chunk.Size() > 0;
}

int32_t IEffectBase::LoadChunk(const StateChunk& chunk, bool bank) {
  VELTRAX_ASSERT_LOCKED(lock);
  int32_t position = 0;
  const int32_t formatVersion = ReadChunkHeader(chunk, position);
  int32_t result;
  if (bank && formatVersion >= kChunkFormatVersion) {
    result = UnserializePresets(chunk, position);
  } else {
    result = ReadState(chunk, position);
    ModifyCurrentPreset();
  }
  if (result >= 0) RefreshEditorParams();
  return result;
}

bool IEffectBase::RestoreBank(const StateChunk& chunk) {
  VELTRAX_ASSERT_LOCKED(lock);
  // Every state this plug-in hands out starts with the header: anything
  // else is not one of ours.
  int32_t position = 0;
  if (ReadChunkHeader(chunk, position) <= 0) return false;
  // What a chunk that cannot be read leaves behind is put back from here.
  StateChunk before;
  if (!SaveBank(before)) return false;
  if (LoadChunk(chunk, true) >= 0) return true;
  LoadChunk(before, true);
  return false;
}

bool IEffectBase::RestoreBankFrom(StateSource& source) {
  VELTRAX_ASSERT_UNLOCKED(lock);
  StateChunk chunk;
  if (!chunk.AppendFrom(source, kMaxStateBytes)) return false;
  PlugLockGuard guard(lock);
  return RestoreBank(chunk);
}

const char* IEffectBase::PresetNameAt(int index) const {
  const Preset* preset = PresetAt(index);
  return preset ? preset->name : "";
}

void IEffectBase::FillEmptyPresets(const char* name, int count) {
  for (int turn = 0; turn < count; ++turn) {
    Preset* preset = nullptr;
    for (int i = 0; i < PresetCount() && !preset; ++i) {
      if (!PresetAt(i)->initialised) preset = PresetAt(i);
    }
    if (!preset) break;
    preset->initialised = true;
    CopyTextBounded(preset->name, name ? name : kFilledPresetName, sizeof preset->name);
    preset->chunk.Clear();
    WriteState(preset->chunk);
  }
}

}  // namespace veltrax
