// The plug-in base: construction, destruction, the default virtual
// operations and the link to the attached editor.

#include "EffectBase.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "TextCopy.h"
#include "Trace.h"

namespace veltrax {

namespace {
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
}  // namespace


IEffectBase::IEffectBase(int parameterCount, const char* channelIO, int presetCount,
                         const char* newEffectName, const char* newProductName,
                         const char* newMakerName, int32_t newVersion, int32_t newUniqueId,
                         int32_t newMakerId, bool newIsInstrument, bool newAcceptsMidi)
    : uniqueId(newUniqueId),
      makerId(newMakerId),
      version(newVersion),
      isInstrument(newIsInstrument),
      acceptsMidi(newAcceptsMidi) {
  for (int i = 0; i < parameterCount; ++i) parameters.Add(new Parameter());
  if (parameterCount > 0) openEdits.reset(new (std::nothrow) std::atomic<bool>[parameterCount]());
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
  // Every pin takes the host's buffers until an adapter says otherwise, and
  // the scratch holds a block of 1024 frames until the host announces its
  // own size. Nobody else can reach the instance yet; the lock keeps the
  // pins' "PlugLock held" contract true all the same.
  {
    PlugLockGuard guard(lock);
    ConnectInputs(0, InputPinCount(), true);
    ConnectOutputs(0, OutputPinCount(), true);
    ChangeBlockSize(1024);
  }

  VELTRAX_TRACE("IEffectBase::IEffectBase", "%s:%s", effectName, channelIO ? channelIO : "");
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

// Re-entered inside a dispatcher call: the lock is recursive.
void IEffectBase::Reset() { PlugLockGuard guard(lock); }

void IEffectBase::ParameterChanged(int /*index*/) { PlugLockGuard guard(lock); }

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

void IEffectBase::SetParameterFromEditor(int index, double normalised) {
  {
    // Under PlugLock, so the change never lands inside a block.
    PlugLockGuard guard(lock);
    Parameter* parameter = ParamAt(index);
    if (!parameter) return;
    parameter->SetFromNormalized(normalised);
    ParameterChanged(index);
  }
  // The host gets the position the user chose, not the snapped value.
  VELTRAX_ASSERT_UNLOCKED(lock);
  if (host) host->PlugLockReleased();
  const bool framed = ChangeEditState(index, true);
  if (framed) BeginParameterEdit(index);
  NotifyHostParam(index, normalised);
  if (framed && ChangeEditState(index, false)) EndParameterEdit(index);
}

bool IEffectBase::ChangeEditState(int index, bool open) {
  if (!openEdits || !ParamAt(index)) return false;
  return openEdits[index].exchange(open, std::memory_order_acq_rel) != open;
}

void IEffectBase::BeginEditFromEditor(int index) {
  VELTRAX_ASSERT_UNLOCKED(lock);
  if (!ParamAt(index)) return;
  const bool opened = ChangeEditState(index, true);
  assert(opened && "a second begin of an open edit");
  if (opened) BeginParameterEdit(index);
}

void IEffectBase::EndEditFromEditor(int index) {
  VELTRAX_ASSERT_UNLOCKED(lock);
  if (!ParamAt(index)) return;
  const bool closed = ChangeEditState(index, false);
  assert(closed && "an end of an edit the host never heard begin");
  if (closed) EndParameterEdit(index);
}

void IEffectBase::BindHost(IHostBinding* binding, int32_t kind) {
  host = binding;
  adapterKind = kind;
}

void IEffectBase::BeginParameterEdit(int index) {
  if (host) host->BeginParameterEdit(index);
}
void IEffectBase::NotifyHostParam(int index, double normalised) {
  if (host) host->NotifyHostParam(index, normalised);
}
void IEffectBase::EndParameterEdit(int index) {
  if (host) host->EndParameterEdit(index);
}
void IEffectBase::NotifyHostDisplay() {
  if (host) host->NotifyHostDisplay();
}
bool IEffectBase::IsRenderingOffline() { return host && host->IsRenderingOffline(); }
int32_t IEffectBase::QuerySamplePosition() { return host ? host->QuerySamplePosition() : 0; }
double IEffectBase::QueryTempo() { return host ? host->QueryTempo() : 0.0; }
void IEffectBase::QueryTimeSignature(int32_t* numerator, int32_t* denominator) {
  if (numerator) *numerator = 0;
  if (denominator) *denominator = 0;
  if (host) host->QueryTimeSignature(numerator, denominator);
}
void IEffectBase::QueryTimeInfo(TimeInfo* info) {
  if (host) host->QueryTimeInfo(info);
}
HostKind IEffectBase::IdentifyHost() { return host ? host->IdentifyHost() : hostKind; }
void IEffectBase::EditorResized() {
  if (host) host->EditorResized();
  OnEditorResized();
}
void IEffectBase::ChangeLatency(int32_t samples) {
  latency = samples;
  if (host) host->LatencyChanged(samples);
}
bool IEffectBase::MidiMessageOut(const MidiMessage& message) {
  return host && host->MidiMessageOut(message);
}
bool IEffectBase::SysExOut(const SysExMessage& message) { return host && host->SysExOut(message); }

void IEffectBase::AttachEditor(IEditorLink* newEditor) {
  if (!newEditor) return;
  IEditorLink* replaced = nullptr;
  {
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
    if (editor != newEditor) replaced = editor;
    editor = newEditor;
    if (host) host->EditorAttached();
  }
  // The base owns its editor: one attached in place of another replaces it,
  // deleted without the lock, since closing its window may end a gesture
  // with the host.
  delete replaced;
}

void IEffectBase::RefreshEditorParams() {
  VELTRAX_ASSERT_LOCKED(lock);
  if (!editor) return;
  for (int i = 0; i < ParameterCount(); ++i) {
    editor->SetParameterFromPlug(i, ParamAt(i)->value, false);
  }
}

bool IEffectBase::IsHostParameter(int index) const {
  const Parameter* parameter = ParamAt(index);
  return parameter && parameter->IsForHost();
}

int IEffectBase::HostParameterCount() const {
  int count = 0;
  for (int i = 0; i < ParameterCount(); ++i) count += IsHostParameter(i) ? 1 : 0;
  return count;
}

int IEffectBase::HostParameterAt(int position) const {
  if (position < 0) return -1;
  for (int i = 0; i < ParameterCount(); ++i) {
    if (IsHostParameter(i) && position-- == 0) return i;
  }
  return -1;
}

void IEffectBase::NotifyAllParamsChanged() {
  VELTRAX_ASSERT_LOCKED(lock);
  for (int i = 0; i < ParameterCount(); ++i) ParameterChanged(i);
}

}  // namespace veltrax
