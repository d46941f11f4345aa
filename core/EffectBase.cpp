#include "EffectBase.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "TextCopy.h"
#include "Trace.h"

namespace {
constexpr char kUserPresetName[] = "user preset";
constexpr char kFilledPresetName[] = "Empty";
constexpr int64_t kPointerSize = sizeof(double*);
constexpr int64_t kSampleSize = sizeof(double);

int32_t ClampToInt32(long long v) {
  return static_cast<int32_t>(std::min<long long>(std::max<long long>(v, INT32_MIN), INT32_MAX));
}

// Reads "%d-%d" at text; a field that does not scan stays as it is. Parsed by
// hand so that an out-of-range number is clamped instead of undefined.
void ScanChannelPair(const char* text, int32_t& inputs, int32_t& outputs) {
  char* end = nullptr;
  const long long first = std::strtoll(text, &end, 10);
  if (end == text) return;
  inputs = ClampToInt32(first);
  if (*end != '-') return;
  const char* secondText = end + 1;
  const long long second = std::strtoll(secondText, &end, 10);
  if (end == secondText) return;
  outputs = ClampToInt32(second);
}

// Sets pins first .. first + count - 1 (clipped to the list); a pin that
// stops receiving host buffers reads or writes its own silent scratch.
void ConnectPins(const OwnedList<ChannelPin>& pins, int first, int count, bool connected) {
  const int64_t begin = std::max<int64_t>(first, 0);
  const int64_t end = std::min<int64_t>(static_cast<int64_t>(first) + count, pins.Count());
  for (int64_t i = begin; i < end; ++i) {
    ChannelPin* pin = pins.Get(static_cast<int>(i));
    pin->connected = connected;
    if (!connected) {
      // Cleared, or the pin would replay whatever its last block left there.
      if (pin->scratch.Size() > 0) std::memset(pin->scratch.Data(), 0, pin->scratch.Size());
      *pin->channel = pin->Scratch();
    }
  }
}

// Replacing paths without room to process: the host's outputs get silence.
template <class Sample>
void SilenceConnectedOutputs(const OwnedList<ChannelPin>& pins, Sample** hostOutputs,
                             int32_t frames) {
  if (!hostOutputs || frames <= 0) return;
  int cursor = 0;
  for (int i = 0; i < pins.Count(); ++i) {
    const ChannelPin* pin = pins.Get(i);
    if (!pin->connected) continue;
    Sample* output = hostOutputs[cursor++];
    if (output) std::memset(output, 0, static_cast<size_t>(frames) * sizeof(Sample));
  }
}
}  // namespace

// ---------------------------------------------------------------------------
// Construction and destruction

IEffectBase::IEffectBase(int parameterCount, const char* channelIO, int presetCount,
                         const char* newEffectName, const char* newProductName,
                         const char* newMakerName, int32_t newVersion, int32_t newUniqueId,
                         int32_t newMakerId, bool newIsInstrument, bool newAcceptsMidi,
                         int32_t newAdapterKind)
    : uniqueId(newUniqueId),
      makerId(newMakerId),
      version(newVersion),
      adapterKind(newAdapterKind),
      isInstrument(newIsInstrument),
      acceptsMidi(newAcceptsMidi) {
  for (int i = 0; i < parameterCount; ++i) parameters.Add(new Parameter());
  for (int i = 0; i < presetCount; ++i) presets.Add(new Preset());

  CopyTextBounded(effectName, newEffectName, sizeof effectName);
  CopyTextBounded(productName, newProductName, sizeof productName);
  CopyTextBounded(makerName, newMakerName, sizeof makerName);

  // "1-1 2-2": one configuration per space-separated pair. A trailing space
  // adds (0, 0) and a doubled space repeats the following pair, as stored
  // configuration strings have always been read.
  const char* cursor = channelIO ? channelIO : "";
  int32_t largestInputs = 0;
  int32_t largestOutputs = 0;
  for (;;) {
    ChannelConfig* config = new ChannelConfig();
    ScanChannelPair(cursor, config->inputs, config->outputs);
    largestInputs = std::max(largestInputs, config->inputs);
    largestOutputs = std::max(largestOutputs, config->outputs);
    channelConfigs.Add(config);
    cursor = std::strchr(cursor, ' ');
    if (!cursor) break;
    ++cursor;
  }
  CreatePins(largestInputs, largestOutputs);

  VELTRAX_TRACE("IEffectBase::IEffectBase", "%s:%s", effectName, channelIO ? channelIO : "");
}

void IEffectBase::CreatePins(int inputCount, int outputCount) {
  // The channel arrays are sized once, so the pins' entry addresses stay put.
  // A count whose array would not fit a 32-bit size gets no pins at all.
  const int64_t inputBytes = static_cast<int64_t>(inputCount) * kPointerSize;
  const int64_t outputBytes = static_cast<int64_t>(outputCount) * kPointerSize;
  if (inputCount > 0 && inputBytes <= INT32_MAX &&
      inputChannels.ResizeZeroed(static_cast<int32_t>(inputBytes))) {
    for (int i = 0; i < inputCount; ++i) inputPins.Add(new ChannelPin(InputChannels() + i));
  }
  if (outputCount > 0 && outputBytes <= INT32_MAX &&
      outputChannels.ResizeZeroed(static_cast<int32_t>(outputBytes))) {
    for (int i = 0; i < outputCount; ++i) outputPins.Add(new ChannelPin(OutputChannels() + i));
  }
}

IEffectBase::~IEffectBase() {
  delete editor;
  editor = nullptr;
  parameters.DeleteAll();
  presets.DeleteAll();
  inputPins.DeleteAll();
  outputPins.DeleteAll();
  channelConfigs.DeleteAll();
}

// ---------------------------------------------------------------------------
// Default virtual operations

// [dispatcher thread] Takes PlugLock (re-entered inside a dispatcher call).
void IEffectBase::Reset() { PlugLockGuard guard(lock); }

// [any thread] Takes PlugLock.
void IEffectBase::ParameterChanged(int /*index*/) { PlugLockGuard guard(lock); }

// [dispatcher thread] Takes PlugLock.
void IEffectBase::ActivationChanged(bool /*active*/) { PlugLockGuard guard(lock); }

void IEffectBase::ProcessBlock(double** inputs, double** outputs, int32_t frames) {
  if (!outputs || frames <= 0) return;
  const int inputCount = inputs ? InputPinCount() : 0;
  const size_t bytes = static_cast<size_t>(frames) * sizeof(double);
  for (int i = 0; i < OutputPinCount(); ++i) {
    double* output = outputs[i];
    if (!output) continue;
    const double* input = i < inputCount ? inputs[i] : nullptr;
    if (input) {
      if (input != output) std::memmove(output, input, bytes);
    } else {
      std::memset(output, 0, bytes);
    }
  }
}

void IEffectBase::MidiMessageIn(const MidiMessage& message) { MidiMessageOut(message); }

bool IEffectBase::NoteNameFor(int /*key*/, char* text) {
  if (text) text[0] = '\0';
  return false;
}

bool IEffectBase::StateMatches(const double* values, int start) const {
  if (!values) return false;
  for (int i = 0; i < ParameterCount(); ++i) {
    const float current = static_cast<float>(ParamAt(i)->value);
    const float stored = static_cast<float>(values[start + i]);
    if (!(std::fabs(current - stored) < 1e-5f)) return false;
  }
  return true;
}

// [editor thread] Takes PlugLock so the change never lands inside a block.
void IEffectBase::SetParameterFromEditor(int index, double normalised) {
  PlugLockGuard guard(lock);
  Parameter* parameter = ParamAt(index);
  if (!parameter) return;
  parameter->SetFromNormalized(normalised);
  // The host gets the position the user chose, not the snapped value.
  NotifyHostParam(index, normalised);
  ParameterChanged(index);
}

// [dispatcher thread, or construction] Takes PlugLock.
void IEffectBase::AttachEditor(IEditorLink* newEditor) {
  if (!newEditor) return;
  PlugLockGuard guard(lock);
  const int controlCount = newEditor->ControlCount();
  for (int i = 0; i < ParameterCount(); ++i) {
    const double normalised = ParamAt(i)->Normalize(ParamAt(i)->value);
    for (int position = 0; position < controlCount; ++position) {
      if (newEditor->ControlParamIndex(position) == i) {
        newEditor->SetValueFromPlug(position, normalised);
      }
      const int binding = newEditor->ControlAuxBindingFor(position, i);
      if (binding >= 0) newEditor->SetAuxValueFromPlug(position, binding, normalised);
    }
  }
  newEditor->PrepareSurface();
  // The base owns its editor: one attached in place of another replaces it.
  if (editor != newEditor) delete editor;
  editor = newEditor;
}

// Callers hold PlugLock.
void IEffectBase::RefreshEditorParams() {
  if (!editor) return;
  for (int i = 0; i < ParameterCount(); ++i) {
    editor->SetParameterFromPlug(i, ParamAt(i)->value, false);
  }
}

// [dispatcher thread] Caller holds PlugLock.
void IEffectBase::ChangeBlockSize(int32_t frames) {
  if (frames < 0) frames = 0;
  if (frames == blockSize) return;
  if (ResizeScratch(frames)) {
    blockSize = frames;
  } else {
    // Storage short: keep the old size, so no scratch holds fewer than
    // blockSize samples.
    ResizeScratch(blockSize);
  }
  PointEntriesAtScratch();
}

bool IEffectBase::ResizeScratch(int32_t frames) {
  const int64_t bytes = static_cast<int64_t>(frames) * kSampleSize;
  if (bytes > INT32_MAX) return false;
  bool resized = true;
  for (const OwnedList<ChannelPin>* pins : {&inputPins, &outputPins}) {
    for (int i = 0; i < pins->Count(); ++i) {
      GrowBuffer& scratch = pins->Get(i)->scratch;
      if (!scratch.Resize(static_cast<int32_t>(bytes))) resized = false;
      if (scratch.Size() > 0) std::memset(scratch.Data(), 0, scratch.Size());
    }
  }
  return resized;
}

void IEffectBase::PointEntriesAtScratch() {
  // A resize may have moved the scratch storage; no entry may keep the old address.
  for (const OwnedList<ChannelPin>* pins : {&inputPins, &outputPins}) {
    for (int i = 0; i < pins->Count(); ++i) *pins->Get(i)->channel = pins->Get(i)->Scratch();
  }
}

void IEffectBase::NotifyAllParamsChanged() {
  for (int i = 0; i < ParameterCount(); ++i) ParameterChanged(i);
}

// ---------------------------------------------------------------------------
// Channels

bool IEffectBase::LegalIO(int inputs, int outputs) const {
  bool legal = false;
  for (int i = 0; i < ChannelConfigCount() && !legal; ++i) {
    const ChannelConfig* config = ChannelConfigAt(i);
    legal = (inputs < 0 || config->inputs == inputs) && (outputs < 0 || config->outputs == outputs);
  }
  VELTRAX_TRACE("IEffectBase::LegalIO", "%d:%d:%s", inputs, outputs, legal ? "legal" : "illegal");
  return legal;
}

void IEffectBase::ConnectInputs(int first, int count, bool connected) {
  ConnectPins(inputPins, first, count, connected);
}

void IEffectBase::ConnectOutputs(int first, int count, bool connected) {
  ConnectPins(outputPins, first, count, connected);
}

// ---------------------------------------------------------------------------
// Blocks. [audio thread] Callers hold PlugLock; nothing here allocates.

void IEffectBase::AttachFloatBuffers(float** hostInputs, float** hostOutputs, int32_t offset,
                                     int32_t frames) {
  int cursor = 0;
  for (int i = 0; i < InputPinCount(); ++i) {
    ChannelPin* pin = InputPin(i);
    if (!pin->connected) continue;
    const float* source = hostInputs ? hostInputs[cursor] : nullptr;
    ++cursor;
    double* scratch = pin->Scratch();
    if (scratch && frames > 0) {
      if (source) {
        for (int32_t j = 0; j < frames; ++j) scratch[j] = source[offset + j];
      } else {
        std::memset(scratch, 0, static_cast<size_t>(frames) * sizeof(double));
      }
    }
    *pin->channel = scratch;
  }
  cursor = 0;
  for (int i = 0; i < OutputPinCount(); ++i) {
    ChannelPin* pin = OutputPin(i);
    if (!pin->connected) continue;
    pin->hostFloatBuffer = hostOutputs ? hostOutputs[cursor] : nullptr;
    ++cursor;
    *pin->channel = pin->Scratch();
  }
}

void IEffectBase::ReturnFloatOutputs(int32_t offset, int32_t frames, bool accumulate) {
  for (int i = 0; i < OutputPinCount(); ++i) {
    const ChannelPin* pin = OutputPin(i);
    const double* scratch = pin->Scratch();
    if (!pin->connected || !pin->hostFloatBuffer || !scratch) continue;
    float* output = pin->hostFloatBuffer + offset;
    if (accumulate) {
      for (int32_t j = 0; j < frames; ++j) output[j] = static_cast<float>(scratch[j]) + output[j];
    } else {
      for (int32_t j = 0; j < frames; ++j) output[j] = static_cast<float>(scratch[j]);
    }
  }
}

void IEffectBase::AttachDoubleBuffers(double** hostInputs, double** hostOutputs, int32_t offset,
                                      int32_t frames) {
  // A missing host buffer falls back to the pin's scratch: silence in,
  // discarded out.
  for (int direction = 0; direction < 2; ++direction) {
    const OwnedList<ChannelPin>& pins = direction == 0 ? inputPins : outputPins;
    double** host = direction == 0 ? hostInputs : hostOutputs;
    int cursor = 0;
    for (int i = 0; i < pins.Count(); ++i) {
      ChannelPin* pin = pins.Get(i);
      if (!pin->connected) continue;
      double* buffer = host ? host[cursor] : nullptr;
      ++cursor;
      if (buffer) {
        *pin->channel = buffer + offset;
      } else {
        double* scratch = pin->Scratch();
        if (scratch && frames > 0) {
          std::memset(scratch, 0, static_cast<size_t>(frames) * sizeof(double));
        }
        *pin->channel = scratch;
      }
    }
  }
}

void IEffectBase::ProcessFloatBlock(float** hostInputs, float** hostOutputs, int32_t frames,
                                    bool accumulate) {
  if (frames <= 0 || blockSize <= 0) {
    // An empty block still reaches the effect (it updates its meters). With
    // no scratch at all (block size 0) nothing can be processed: the effect
    // sees an empty block and replaced outputs become silence.
    AttachFloatBuffers(hostInputs, hostOutputs, 0, 0);
    ProcessBlock(InputChannels(), OutputChannels(), frames <= 0 ? frames : 0);
    if (!accumulate) SilenceConnectedOutputs(outputPins, hostOutputs, frames);
    return;
  }
  // The scratch holds blockSize samples: a longer block goes in pieces.
  for (int32_t offset = 0; offset < frames;) {
    const int32_t piece = std::min(blockSize, frames - offset);
    AttachFloatBuffers(hostInputs, hostOutputs, offset, piece);
    ProcessBlock(InputChannels(), OutputChannels(), piece);
    ReturnFloatOutputs(offset, piece, accumulate);
    offset += piece;
  }
}

void IEffectBase::ProcessDoubleBlock(double** hostInputs, double** hostOutputs, int32_t frames) {
  if (frames <= 0 || blockSize <= 0) {
    // As on the float path: an empty block for the effect, silence out.
    AttachDoubleBuffers(hostInputs, hostOutputs, 0, 0);
    ProcessBlock(InputChannels(), OutputChannels(), frames <= 0 ? frames : 0);
    SilenceConnectedOutputs(outputPins, hostOutputs, frames);
    return;
  }
  // Unconnected pins point at their blockSize scratch, so pieces here too.
  for (int32_t offset = 0; offset < frames;) {
    const int32_t piece = std::min(blockSize, frames - offset);
    AttachDoubleBuffers(hostInputs, hostOutputs, offset, piece);
    ProcessBlock(InputChannels(), OutputChannels(), piece);
    offset += piece;
  }
}

// ---------------------------------------------------------------------------
// State and presets

// [any thread] Takes PlugLock.
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

// [any thread] Takes PlugLock.
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
  Preset* preset = PresetAt(currentPreset);
  if (!preset) return;
  preset->chunk.Clear();
  WriteState(preset->chunk);
  if (name && name[0] != '\0') CopyTextBounded(preset->name, name, sizeof preset->name);
  VELTRAX_TRACE("IEffectBase::ModifyCurrentPreset", "%d %s", currentPreset, preset->name);
}

bool IEffectBase::LoadPreset(int index) {
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
