// Calls from the plug-in base into the host. They run on the caller's thread,
// never with PlugLock held: a host call may take as long as the host likes or
// take the host's own locks, and the audio thread waits for PlugLock. MIDI
// the effect sends with the lock held waits until its callback releases it.

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

bool IEffectVST::ResizeEditorWindow(int width, int height) {
  return CallHost(audioMasterSizeWindow, width, height) != 0;
}

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

// Asks the host once; the answer, also an Unknown one, is kept for the life
// of the instance. The dispatcher asks before it takes PlugLock for effOpen,
// so that PrepareForHost, under the lock, only reads what was kept.
HostKind IEffectVST::IdentifyHost() {
  if (plug->hostKind != HostNotAsked || plug->Lock().HeldByCurrentThread()) return plug->hostKind;
  char product[256];
  std::memset(product, 0, sizeof product);
  CallHost(audioMasterGetProductString, 0, 0, product);
  product[sizeof product - 1] = '\0';  // a host that fills the buffer gets cut, not overrun

  int32_t version = 0;
  if (product[0] != '\0') version = HostVersionFromDecimal(CallHost(audioMasterGetVendorVersion));
  const HostKind kind = LookUpHostKind(product);
  CallbackLock guard(this);
  plug->hostKind = kind;
  plug->hostVersion = version;
  VELTRAX_TRACE("IEffectVST::IdentifyHost", "v%d.%d.%d", version >> 16, (version >> 8) & 0xFF,
                version & 0xFF);
  return kind;
}

// The first effOpen only.
void IEffectVST::PrepareForHost() {
  if (hostInitDone) return;
  hostInitDone = true;
  switch (plug->hostKind) {
    case Forte:
    case Audition:
    case Orion:
    case SawStudio:
      LimitToStereo();
      break;
    default:
      break;
  }
  inputArrangement.numChannels = effect.numInputs = plug->InputPinCount();
  outputArrangement.numChannels = effect.numOutputs = plug->OutputPinCount();
  plug->HostKnown();
}

bool IEffectVST::MidiMessageOut(const MidiMessage& message) {
  if (plug->Lock().HeldByCurrentThread()) return QueueEvent(&message, nullptr);
  return SendMidi(message);
}

bool IEffectVST::SysExOut(const SysExMessage& message) {
  if (plug->Lock().HeldByCurrentThread()) return QueueEvent(nullptr, &message);
  return SendSysEx(message);
}

bool IEffectVST::QueueEvent(const MidiMessage* midi, const SysExMessage* sysex) {
  PendingEvents& pending = pendingEvents;
  if (pending.count >= PendingEvents::kCapacity) return false;
  PendingEvents::Entry& entry = pending.entries[pending.count];
  if (midi != nullptr) {
    entry.offset = midi->offset;
    entry.status = midi->status;
    entry.data1 = midi->data1;
    entry.data2 = midi->data2;
    entry.sysexStart = -1;
    entry.sysexSize = 0;
  } else {
    // The bytes are the caller's only for the call: they wait as a copy.
    const int32_t size = sysex->size > 0 ? sysex->size : 0;
    if (size > PendingEvents::kSysExBytes - pending.sysexUsed) return false;
    if (size > 0) {
      if (sysex->data == nullptr) return false;
      std::memcpy(pending.sysexBytes + pending.sysexUsed, sysex->data, static_cast<size_t>(size));
    }
    entry.offset = sysex->offset;
    entry.status = entry.data1 = entry.data2 = 0;
    entry.sysexStart = pending.sysexUsed;
    entry.sysexSize = size;
    pending.sysexUsed += size;
  }
  ++pending.count;
  eventsWaiting.store(true, std::memory_order_release);
  return true;
}

void IEffectVST::TakePendingEvents(PendingEvents& out) {
  PendingEvents& pending = pendingEvents;
  out.count = pending.count;
  out.sysexUsed = pending.sysexUsed;
  std::memcpy(out.entries, pending.entries, static_cast<size_t>(pending.count) * sizeof(PendingEvents::Entry));
  std::memcpy(out.sysexBytes, pending.sysexBytes, static_cast<size_t>(pending.sysexUsed));
  pending.count = 0;
  pending.sysexUsed = 0;
  eventsWaiting.store(false, std::memory_order_release);
}

void IEffectVST::SendPendingEvents(const PendingEvents& events) {
  for (int i = 0; i < events.count; ++i) {
    const PendingEvents::Entry& entry = events.entries[i];
    if (entry.sysexStart < 0) {
      MidiMessage message;
      message.offset = entry.offset;
      message.status = entry.status;
      message.data1 = entry.data1;
      message.data2 = entry.data2;
      SendMidi(message);
    } else {
      SendSysEx(SysExMessage{entry.offset, entry.sysexSize, events.sysexBytes + entry.sysexStart});
    }
  }
}

void IEffectVST::PlugLockReleased() {
  if (!eventsWaiting.load(std::memory_order_acquire) || plug->Lock().HeldByCurrentThread()) return;
  CallbackLock flush(this);  // sends them once released
}

CallbackLock::~CallbackLock() {
  const bool waiting = adapter->pendingEvents.count > 0;
  if (waiting) adapter->TakePendingEvents(outgoing);
  adapter->plug->Lock().Unlock();
  if (waiting) adapter->SendPendingEvents(outgoing);
}

// The event records live on the stack for the call.
bool IEffectVST::SendMidi(const MidiMessage& message) {
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

bool IEffectVST::SendSysEx(const SysExMessage& message) {
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
