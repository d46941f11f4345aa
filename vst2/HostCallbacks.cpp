// Calls from the plug-in base into the host. None takes PlugLock itself; they
// run on the caller's thread under whatever lock the caller holds (the editor
// thread's parameter changes and the dispatcher's effOpen hold PlugLock).

#include <climits>
#include <cmath>
#include <cstring>

#include "EffectVST.h"
#include "Trace.h"
#include "VstDetail.h"

namespace veltrax {

namespace {

constexpr int32_t kTimeInfoFlags =
    kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstCyclePosValid | kVstTimeSigValid;  // 0x3E00

const VstTimeInfo* AsTimeInfo(intptr_t answer) { return reinterpret_cast<const VstTimeInfo*>(answer); }

bool IsFiniteAtLeastZero(double v) { return std::isfinite(v) && v >= 0.0; }

// The list that hands one event record to the host.
VstEvents OneEvent(void* event) {
  VstEvents events;
  std::memset(&events, 0, sizeof events);
  events.numEvents = 1;
  events.events[0] = static_cast<VstEvent*>(event);
  return events;
}

}  // namespace

void IEffectVST::BeginParameterEdit(int index) { CallHost(audioMasterBeginEdit, index); }

void IEffectVST::NotifyHostParam(int index, double normalised) {
  CallHost(audioMasterAutomate, index, 0, nullptr, static_cast<float>(normalised));
}

void IEffectVST::EndParameterEdit(int index) { CallHost(audioMasterEndEdit, index); }

void IEffectVST::NotifyHostDisplay() { CallHost(audioMasterUpdateDisplay); }

bool IEffectVST::IsRenderingOffline() {
  return CallHost(audioMasterGetCurrentProcessLevel) == kVstProcessLevelOffline;
}

// Rounded to the nearest frame; a position past the 32-bit range (about 12
// hours at 48 kHz) is held at the largest count instead of wrapping.
int32_t IEffectVST::QuerySamplePosition() {
  const VstTimeInfo* info = AsTimeInfo(CallHost(audioMasterGetTime, 0, 0));
  if (info == nullptr || !(info->samplePos >= 0.0)) return 0;
  const double rounded = info->samplePos + 0.5;
  if (!(rounded < 2147483648.0)) return INT32_MAX;
  return static_cast<int32_t>(rounded);
}

double IEffectVST::QueryTempo() {
  if (hostCallback == nullptr) return 0.0;
  const VstTimeInfo* info = AsTimeInfo(CallHost(audioMasterGetTime, 0, kVstTempoValid));
  if (info != nullptr && (info->flags & kVstTempoValid) != 0 && IsFiniteAtLeastZero(info->tempo))
    return info->tempo;
  return 0.0;
}

void IEffectVST::QueryTimeSignature(int32_t* numerator, int32_t* denominator) {
  int32_t dummyNumerator = 0;
  int32_t dummyDenominator = 0;
  if (numerator == nullptr) numerator = &dummyNumerator;
  if (denominator == nullptr) denominator = &dummyDenominator;
  *numerator = 0;
  *denominator = 0;
  const VstTimeInfo* info = AsTimeInfo(CallHost(audioMasterGetTime, 0, kVstTimeSigValid));
  if (info != nullptr && (info->flags & kVstTimeSigValid) != 0 && info->timeSigNumerator >= 0 &&
      info->timeSigDenominator >= 0) {
    *numerator = info->timeSigNumerator;
    *denominator = info->timeSigDenominator;
  }
}

// Fields whose condition fails keep the caller's values. Positions and tempo
// that are not finite numbers count as failed conditions.
void IEffectVST::QueryTimeInfo(TimeInfo* out) {
  if (out == nullptr) return;
  const VstTimeInfo* info = AsTimeInfo(CallHost(audioMasterGetTime, 0, kTimeInfoFlags));
  if (info == nullptr || (info->flags & kTimeInfoFlags) == 0) return;

  if ((info->flags & kVstTempoValid) != 0 && std::isfinite(info->tempo) && info->tempo > 0.0)
    out->tempoBpm = info->tempo;
  if (std::isfinite(info->samplePos)) out->samplePosition = info->samplePos;
  if ((info->flags & kVstPpqPosValid) != 0 && IsFiniteAtLeastZero(info->ppqPos))
    out->ppqPosition = info->ppqPos;
  if ((info->flags & kVstBarsValid) != 0 && IsFiniteAtLeastZero(info->barStartPos))
    out->lastBarPosition = info->barStartPos;
  if ((info->flags & kVstCyclePosValid) != 0 && IsFiniteAtLeastZero(info->cycleStartPos) &&
      IsFiniteAtLeastZero(info->cycleEndPos)) {
    out->cycleStart = info->cycleStartPos;
    out->cycleEnd = info->cycleEndPos;
  }
  if ((info->flags & kVstTimeSigValid) != 0 && info->timeSigNumerator > 0 &&
      info->timeSigDenominator > 0) {
    out->sigNumerator = info->timeSigNumerator;
    out->sigDenominator = info->timeSigDenominator;
  }
  out->playing = (info->flags & kVstTransportPlaying) != 0;
  out->cycling = (info->flags & kVstTransportCycleActive) != 0;
}

// Asks the host once; the answer, also an
// Unknown one, is kept for the life of the instance.
HostKind IEffectVST::IdentifyHost() {
  if (hostKind != HostNotAsked) return hostKind;
  char product[256];
  std::memset(product, 0, sizeof product);
  CallHost(audioMasterGetProductString, 0, 0, product);
  product[sizeof product - 1] = '\0';  // a host that fills the buffer gets cut, not overrun

  int32_t version = 0;
  if (product[0] != '\0') version = HostVersionFromDecimal(CallHost(audioMasterGetVendorVersion));
  hostKind = LookUpHostKind(product);
  hostVersion = version;
  VELTRAX_TRACE("IEffectVST::IdentifyHost", "v%d.%d.%d", version >> 16, (version >> 8) & 0xFF,
                version & 0xFF);
  return hostKind;
}

// The first effOpen only.
void IEffectVST::PrepareForHost() {
  if (hostInitDone) return;
  hostInitDone = true;
  switch (IdentifyHost()) {
    case Forte:
    case Audition:
    case Orion:
    case SawStudio:
      LimitToStereo();
      break;
    default:
      break;
  }
  inputArrangement.numChannels = effect.numInputs = InputPinCount();
  outputArrangement.numChannels = effect.numOutputs = OutputPinCount();
  HostKnown();
}

// The host is not asked to resize its window.
void IEffectVST::EditorResized() {
  if (editor == nullptr) return;
  editorRect = ERect{0, 0, RectCoordinate(editor->Height()), RectCoordinate(editor->Width())};
  OnEditorResized();
}

// The event records live on the stack for the call.
bool IEffectVST::MidiMessageOut(const MidiMessage& message) {
  VstMidiEvent event;
  std::memset(&event, 0, sizeof event);
  event.type = kVstMidiType;
  event.byteSize = static_cast<int32_t>(sizeof event);
  event.deltaFrames = message.offset;
  event.midiData[0] = static_cast<char>(message.status);
  event.midiData[1] = static_cast<char>(message.data1);
  event.midiData[2] = static_cast<char>(message.data2);
  event.midiData[3] = 0;

  VstEvents events = OneEvent(&event);
  return CallHost(audioMasterProcessEvents, 0, 0, &events) == 1;
}

bool IEffectVST::SysExOut(const SysExMessage& message) {
  VstMidiSysexEvent event;
  std::memset(&event, 0, sizeof event);
  event.type = kVstSysExType;
  event.byteSize = static_cast<int32_t>(sizeof event);
  event.deltaFrames = message.offset;
  event.dumpBytes = message.size;
  event.sysexDump = const_cast<char*>(reinterpret_cast<const char*>(message.data));

  VstEvents events = OneEvent(&event);
  return CallHost(audioMasterProcessEvents, 0, 0, &events) == 1;
}

}  // namespace veltrax
