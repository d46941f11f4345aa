// The edit controller's parameters. Ids are the effect's parameter indices
// (0, 1, 2, 3 and 7 for Veltrax), so an id means the same parameter as the
// VST 2 plug-in's index; normalised values, display texts and parsing are
// the VST 2 plug-in's too.
//
// The controller keeps the host's normalised value per parameter: what the
// host set with setParamNormalized, the editor's last edit, or what a state
// brought. setParamNormalized moves the panel but not the sound: the host
// delivers its changes to the processor in process(), at their offsets.

#include <cmath>
#include <cstdint>
#include <cstring>

#include "EffectVST3.h"
#include "Vst3Text.h"

namespace veltrax {

using namespace vst3;

namespace {

double ClampUnit(double x) { return x < 0.0 ? 0.0 : (x > 1.0 ? 1.0 : x); }

// Positions of a stepped parameter: (max - min) / step, 0 for a continuous one.
int32_t StepCountOf(const Parameter& param) {
  if (param.type == Double || !(param.step > 0.0)) return 0;
  return TruncateToInt32(std::floor((param.max - param.min) / param.step + 0.5));
}

}  // namespace

int IEffectVST3::IndexForId(ParamID id) const {
  if (id > static_cast<ParamID>(INT32_MAX) || !plug->IsHostParameter(static_cast<int>(id))) return -1;
  return static_cast<int>(id);
}

void IEffectVST3::SyncControllerValues() {
  VELTRAX_ASSERT_LOCKED(plug->Lock());
  for (int i = 0; i < plug->ParameterCount(); ++i) {
    const Parameter* param = plug->ParamAt(i);
    controllerValues[i] = param->Normalize(param->value);
  }
}

int32_t IEffectVST3::getParameterCount() { return plug->HostParameterCount(); }

// Power On/Off is an ordinary parameter, not the host's bypass: it is part
// of the sound a state recalls, and the panel's switch.
tresult IEffectVST3::getParameterInfo(int32_t paramIndex, ParameterInfo& info) {
  const int index = plug->HostParameterAt(paramIndex);
  if (index < 0) return kInvalidArgument;
  const Parameter& param = *plug->ParamAt(index);
  std::memset(&info, 0, sizeof info);
  info.id = static_cast<ParamID>(index);
  Utf8ToUtf16(param.name, info.title, 128);
  Utf8ToUtf16(param.name, info.shortTitle, 128);
  // Positions and switches count, they measure nothing: only continuous
  // parameters carry the effect's unit.
  Utf8ToUtf16(param.type == Double ? param.label : "", info.units, 128);
  info.stepCount = StepCountOf(param);
  info.defaultNormalizedValue = param.Normalize(param.defaultValue);
  info.unitId = kRootUnitId;
  info.flags = ParameterInfo::kCanAutomate;
  return kResultOk;
}

// The text the VST 2 plug-in shows once it holds the value this position
// sets (stepped parameters snapped, switches "on" or "off").
tresult IEffectVST3::getParamStringByValue(ParamID id, ParamValue valueNormalized,
                                           String128 string) {
  const int index = IndexForId(id);
  if (index < 0 || string == nullptr) return kInvalidArgument;
  if (!std::isfinite(valueNormalized)) return kInvalidArgument;
  char text[2 * Parameter::kTextSize] = "";
  plug->ParamAt(index)->FormatPosition(valueNormalized, text, sizeof text);
  Utf8ToUtf16(text, string, 128);
  return kResultOk;
}

// As the VST 2 plug-in reads a typed value: a display text, or a number
// clamped into the range.
tresult IEffectVST3::getParamValueByString(ParamID id, TChar* string, ParamValue& valueNormalized) {
  const int index = IndexForId(id);
  if (index < 0 || string == nullptr) return kInvalidArgument;
  char text[256];
  Utf16ToUtf8(string, 128, text, sizeof text);
  const Parameter& param = *plug->ParamAt(index);
  double v = 0.0;
  if (!param.ValueFromHostText(text, &v)) return kResultFalse;
  valueNormalized = param.Normalize(v);
  return kResultOk;
}

ParamValue IEffectVST3::normalizedParamToPlain(ParamID id, ParamValue valueNormalized) {
  const int index = IndexForId(id);
  if (index < 0 || !std::isfinite(valueNormalized)) return 0.0;
  return plug->ParamAt(index)->ValueForPosition(ClampUnit(valueNormalized));
}

ParamValue IEffectVST3::plainParamToNormalized(ParamID id, ParamValue plainValue) {
  const int index = IndexForId(id);
  if (index < 0) return 0.0;
  return plug->ParamAt(index)->Normalize(plainValue);
}

ParamValue IEffectVST3::getParamNormalized(ParamID id) {
  const int index = IndexForId(id);
  if (index < 0) return 0.0;
  PlugLockGuard guard(plug->Lock());
  return controllerValues[index];
}

tresult IEffectVST3::setParamNormalized(ParamID id, ParamValue value) {
  const int index = IndexForId(id);
  if (index < 0 || !std::isfinite(value)) return kInvalidArgument;
  const double position = ClampUnit(value);
  PlugLockGuard guard(plug->Lock());
  controllerValues[index] = position;
  if (IEditorLink* editor = plug->Editor()) editor->SetParameterFromPlug(index, position, true);
  return kResultOk;
}

}  // namespace veltrax
