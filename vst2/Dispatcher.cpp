// The dispatcher: every host request other than audio and plain parameter
// reads and writes. Each call holds PlugLock throughout, so it never overlaps
// a block, a parameter callback or an editor change; the exceptions are the
// requests that call the host or wait for an editor thread (the editor
// window's open, close and idle, the host's scale message for it, effOpen's
// question who the host is, and effClose's window), which run without it or
// take it only for the effect's part.
//
// Hosts pass buffers without sizes. Every copy into one is cut to the size
// the plug-in interface promises for that request (parameter texts get the
// 32 bytes hosts allocate in practice, which hold our 31-character fields
// whole), and every text a host passes in is read up to a bound of our own.

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "EffectVST.h"
#include "HostText.h"
#include "TextCopy.h"
#include "Trace.h"
#include "VstDetail.h"

namespace veltrax {

namespace {

constexpr intptr_t kIdentifyAnswer = 0x4E764566;  // 'NvEf'
constexpr intptr_t kHostExtensionAnswer = 0xBEEF;
constexpr intptr_t kCanDoExtensionAnswer = 0xBEEF0000;
constexpr intptr_t kVstVersion = 2400;
constexpr int32_t kVendorScaleIndex = 0x50726553;  // 'PreS'
constexpr intptr_t kVendorScaleValue = 0x41654373;  // 'AeCs'

constexpr int kHostTextBound = 256;  // texts the host passes in

// A pointer-sized host value as a 32-bit index; values beyond 32 bits are
// no index at all rather than a wrapped one.
int32_t IndexFromValue(intptr_t value) {
  if (value < INT32_MIN || value > INT32_MAX) return -1;
  return static_cast<int32_t>(value);
}

double Clamp(double v, double low, double high) { return v < low ? low : (v > high ? high : v); }

}  // namespace

// Takes PlugLock for the call. effClose first closes an editor window left
// open (without the lock: the window's thread may be waiting for it, and the
// host hears the end of an open gesture), then waits for the lock (so no
// block or parameter call is still inside) and destroys the instance with
// the lock released, since the lock dies with it.
intptr_t VST_CALLBACK IEffectVST::VSTDispatcher(AEffect* effect, int32_t opcode, int32_t index,
                                                intptr_t value, void* ptr, float opt) {
  IEffectVST* adapter = InstanceOf(effect);
  if (adapter == nullptr) return 0;
  if (opcode == effClose) {
    if (IEditorLink* editor = adapter->plug->Editor()) editor->CloseWindow();
    { PlugLockGuard wait(adapter->plug->Lock()); }
    delete adapter;
    return 0;
  }
  bool handled = false;
  const intptr_t answer = adapter->DispatchUnlocked(opcode, index, value, ptr, opt, handled);
  if (handled) return answer;
  CallbackLock guard(adapter);
  return adapter->Dispatch(opcode, index, value, ptr, opt);
}

intptr_t IEffectVST::DispatchUnlocked(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt,
                                      bool& handled) {
  handled = true;
  switch (opcode) {
    case effEditOpen: {
      IEditorLink* editor = plug->Editor();
      if (editor == nullptr || editor->OpenWindow(ptr, nullptr) == nullptr) return 0;
      CallbackLock guard(this);
      plug->EditorOpened();
      return 1;
    }
    case effEditClose: {
      IEditorLink* editor = plug->Editor();
      if (editor == nullptr) return 0;
      {
        CallbackLock guard(this);
        plug->EditorClosed();
      }
      editor->CloseWindow();
      return 1;
    }
    case effEditIdle:
      // The editor applies the user's input here, so that its host calls come
      // on the thread that idles, the host's user-interface thread.
      if (IEditorLink* editor = plug->Editor()) editor->Idle();
      return 0;
    case effOpen:
      // Asked before the lock is taken; PrepareForHost then reads the answer.
      IdentifyHost();
      handled = false;
      return 0;
    case effVendorSpecific:
      // The scale message many hosts send for the editor: 'PreS', 'AeCs',
      // the factor in opt. An open window may ask the host to resize.
      if (index == kVendorScaleIndex && value == kVendorScaleValue) {
        if (IEditorLink* editor = plug->Editor()) editor->SetHostScale(opt);
        return 1;
      }
      handled = false;
      return 0;
    default:
      handled = false;
      return 0;
  }
}

intptr_t IEffectVST::Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  char* text = static_cast<char*>(ptr);
  switch (opcode) {
    case effOpen:
      PrepareForHost();
      plug->NotifyAllParamsChanged();
      return 0;

    case effSetProgram:
      plug->ModifyCurrentPreset();
      plug->LoadPreset(IndexFromValue(value));
      return 0;
    case effGetProgram:
      return plug->currentPreset;
    case effSetProgramName:
      if (text != nullptr) {
        char name[sizeof(Preset::name)];
        CopyTextBounded(name, text);
        plug->ModifyCurrentPreset(name);
        plug->ProgramChanged();
      }
      return 0;
    case effGetProgramName:
      if (text != nullptr) CopyToHost(text, plug->PresetNameAt(plug->currentPreset), kVstMaxProgNameLen);
      return 0;
    case effGetProgramNameIndexed: {
      if (text == nullptr) return 0;
      const char* name = plug->PresetNameAt(index);
      CopyToHost(text, name, kVstMaxProgNameLen);
      return name != nullptr && name[0] != '\0' ? 1 : 0;
    }

    case effGetParamLabel:
      if (Parameter* param = plug->ParamAt(index); param != nullptr && text != nullptr)
        CopyToHost(text, param->LabelForHost(), kVstExtMaxParamStrLen);
      return 0;
    case effGetParamDisplay:
      if (Parameter* param = plug->ParamAt(index); param != nullptr && text != nullptr) {
        char display[2 * Parameter::kTextSize] = "";
        param->FormatCurrent(display, sizeof display);
        CopyToHost(text, display, kVstExtMaxParamStrLen);
      }
      return 0;
    case effGetParamName:
      if (Parameter* param = plug->ParamAt(index); param != nullptr && text != nullptr)
        CopyToHost(text, param->name, kVstExtMaxParamStrLen);
      return 0;
    case effCanBeAutomated:
      return 1;
    case effString2Parameter:
      return String2Parameter(index, text);

    case effSetSampleRate:
      plug->SetSampleRate(opt);
      return 0;
    case effSetBlockSize:
      plug->SetMaxBlockSize(value);
      return 0;
    case effMainsChanged:
      if (value != 0) {
        plug->ActivationChanged(true);
      } else {
        plug->Deactivate();
      }
      return 0;

    case effEditGetRect:
      if (text == nullptr || plug->Editor() == nullptr) return 0;
      RefreshEditorRect();  // the size follows the panel's scale
      *static_cast<ERect**>(ptr) = &editorRect;
      return 1;
    case effIdle:
    case effProcessVarIo:
      return 0;

    case effIdentify:
      return kIdentifyAnswer;
    case effGetChunk:
      return GetChunk(index, ptr);
    case effSetChunk:
      return SetChunk(index, value, ptr);
    case effProcessEvents:
      return ProcessEvents(ptr);

    case effGetInputProperties:
      return PinProperties(index, ptr, false);
    case effGetOutputProperties:
      return PinProperties(index, ptr, true);
    case effSetSpeakerArrangement:
      return SetSpeakerArrangement(reinterpret_cast<const VstSpeakerArrangement*>(value),
                                   static_cast<const VstSpeakerArrangement*>(ptr));
    case effGetSpeakerArrangement:
      if (value != 0) *reinterpret_cast<VstSpeakerArrangement**>(value) = &inputArrangement;
      if (ptr != nullptr) *static_cast<VstSpeakerArrangement**>(ptr) = &outputArrangement;
      return 1;

    case effGetPlugCategory:
      return plug->isInstrument ? kPlugCategSynth : kPlugCategEffect;
    case effGetEffectName:
      if (text == nullptr) return 0;
      CopyToHost(text, plug->effectName, kVstMaxEffectNameLen);
      return 1;
    case effGetVendorString:
      if (text == nullptr) return 0;
      CopyToHost(text, plug->makerName, kVstMaxVendorStrLen);
      return 1;
    case effGetProductString:
      if (text == nullptr) return 0;
      CopyToHost(text, plug->productName, kVstMaxProductStrLen);
      return 1;
    case effGetVendorVersion:
      return VstVersionOf(plug->version);
    case effVendorSpecific:
      return VendorSpecific(index, value, ptr, opt);
    case effCanDo:
      return CanDo(text);
    case effGetTailSize:
      return plug->tailSize;
    case effGetVstVersion:
      return kVstVersion;
    case effGetMidiKeyName:
      return MidiKeyNameFor(ptr);

    default:
      return 0;
  }
}

// Index 0 asks for the bank, any other for the current program. The bytes
// stay valid until the next get or set of the same kind, or effClose.
intptr_t IEffectVST::GetChunk(int32_t index, void* ptr) {
  if (ptr == nullptr) return 0;
  const bool bank = index == 0;
  StateChunk& chunk = bank ? bankChunk : programChunk;
  const bool written =
      bank ? plug->SaveBank(chunk) : WriteChunkHeader(chunk) && plug->WriteState(chunk);
  if (!written || chunk.Size() <= 0) return 0;
  *static_cast<const void**>(ptr) = chunk.Data();
  return chunk.Size();
}

// A program chunk is taken with or without its header; a bank chunk without
// a header or of an older format is read as a single state.
intptr_t IEffectVST::SetChunk(int32_t index, intptr_t byteCount, const void* bytes) {
  if (bytes == nullptr) return 0;
  // Chunk positions are 32-bit; a larger count would wrap, so it is refused.
  if (byteCount > INT32_MAX) return 0;
  const bool bank = index == 0;
  StateChunk& chunk = bank ? bankChunk : programChunk;
  if (!chunk.Assign(bytes, byteCount < 0 ? 0 : static_cast<int32_t>(byteCount))) return 0;
  return plug->LoadChunk(chunk, bank) < 0 ? 0 : 1;
}

intptr_t IEffectVST::ProcessEvents(const void* ptr) {
  if (ptr == nullptr) return 0;
  const VstEvents* events = static_cast<const VstEvents*>(ptr);
  VstEvent* const* list = events->events;  // numEvents entries follow the header
  for (int32_t i = 0; i < events->numEvents; ++i) {
    const VstEvent* event = list[i];
    if (event == nullptr) continue;
    if (event->type == kVstMidiType) {
      const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
      MidiMessage message;
      message.offset = midi->deltaFrames;
      message.status = static_cast<uint8_t>(midi->midiData[0]);
      message.data1 = static_cast<uint8_t>(midi->midiData[1]);
      message.data2 = static_cast<uint8_t>(midi->midiData[2]);
      plug->MidiMessageIn(message);
    } else if (event->type == kVstSysExType) {
      const auto* sysex = reinterpret_cast<const VstMidiSysexEvent*>(event);
      SysExMessage message;
      message.offset = sysex->deltaFrames;
      message.size = sysex->dumpBytes;
      message.data = reinterpret_cast<const uint8_t*>(sysex->sysexDump);
      plug->SysExIn(message);
    }
  }
  return 1;
}

// Without text the host only asks whether texts can be converted: yes.
intptr_t IEffectVST::String2Parameter(int32_t index, const char* hostText) {
  Parameter* param = plug->ParamAt(index);
  if (param == nullptr) return 0;
  if (hostText == nullptr) return 1;
  char text[kHostTextBound];
  CopyTextBounded(text, hostText);

  double v = 0.0;
  if (!param->ValueFromText(text, &v)) return 0;
  if (IEditorLink* editor = plug->Editor()) editor->SetParameterFromPlug(index, v, false);
  param->value = Clamp(v, param->min, param->max);
  plug->ParameterChanged(index);
  return 1;
}

// Pins pair up (0, 1), (2, 3) ... as stereo; a last odd pin is mono.
intptr_t IEffectVST::PinProperties(int32_t index, void* ptr, bool output) {
  const int pinCount = output ? plug->OutputPinCount() : plug->InputPinCount();
  if (ptr == nullptr || index < 0 || index >= pinCount) return 0;
  auto* properties = static_cast<VstPinProperties*>(ptr);
  int32_t flags = kVstPinIsActive;
  if (index % 2 == 0 && index < pinCount - 1) flags |= kVstPinIsStereo;
  properties->flags = flags;

  const ChannelPin* pin = output ? plug->OutputPin(index) : plug->InputPin(index);
  char label[kVstMaxLabelLen];
  if (pin->label.Length() > 0)
    std::snprintf(label, sizeof label, "%s", pin->label.Get());
  else
    std::snprintf(label, sizeof label, output ? "Output %d" : "Input %d", index + 1);
  CopyToHost(properties->label, label, kVstMaxLabelLen);
  return 1;
}

// The first n pins of each side take host buffers, the rest are fed from
// their zeroed scratch. The stored arrangements are not changed.
intptr_t IEffectVST::SetSpeakerArrangement(const VstSpeakerArrangement* input,
                                           const VstSpeakerArrangement* output) {
  if (input != nullptr) {
    const int pins = plug->InputPinCount();
    const int n = std::min(std::max(input->numChannels, 0), pins);
    plug->ConnectInputs(0, n, true);
    plug->ConnectInputs(n, pins - n, false);
  }
  if (output != nullptr) {
    const int pins = plug->OutputPinCount();
    const int n = std::min(std::max(output->numChannels, 0), pins);
    plug->ConnectOutputs(0, n, true);
    plug->ConnectOutputs(n, pins - n, false);
  }
  return 1;
}

// Two host-extension queries: 7 renders a normalised value of a parameter as
// text, 8 tells whether a parameter moves in steps.
intptr_t IEffectVST::VendorSpecific(int32_t index, intptr_t value, void* ptr, float opt) {
  const Parameter* param = plug->ParamAt(IndexFromValue(value));
  if (index == 7) {
    if (ptr == nullptr) return 0;
    if (param != nullptr) {
      char display[2 * Parameter::kTextSize] = "";
      // The position comes from the host: only a finite one within 0..1 is
      // rendered, anything else would format NaN or out-of-range values.
      if (std::isfinite(opt))
        param->FormatValue(Clamp(opt, 0.0, 1.0), true, display, sizeof display, true);
      CopyToHost(static_cast<char*>(ptr), display, kVstExtMaxParamStrLen);
    }
    return kHostExtensionAnswer;
  }
  if (index == 8) return param != nullptr && param->type != Double ? kHostExtensionAnswer : 0;
  return 0;
}

intptr_t IEffectVST::CanDo(const char* hostText) {
  if (hostText == nullptr) return 0;
  char capability[kHostTextBound];
  CopyTextBounded(capability, hostText);
  VELTRAX_TRACE("IEffectVST::VSTDispatcher", "VSTCanDo(%s)", capability);

  const auto is = [&](const char* name) { return std::strcmp(capability, name) == 0; };
  if (is("receiveVstTimeInfo")) return 1;
  if (is("sendVstEvents") || is("sendVstMidiEvent") || is("receiveVstEvents") ||
      is("receiveVstMidiEvent"))
    return plug->acceptsMidi ? 1 : 0;
  if (is("hasHostExtensions")) {
    hostExtensionFlags |= 1;
    return kCanDoExtensionAnswer;
  }
  if (is("hasHostViewAsConfig")) {
    hostExtensionFlags |= 2;
    return kCanDoExtensionAnswer;
  }
  return 0;
}

// The effect writes into a buffer of our own; the host's key name gets what
// fits its published size. The program index is not used.
intptr_t IEffectVST::MidiKeyNameFor(void* ptr) {
  if (ptr == nullptr) return 0;
  auto* key = static_cast<MidiKeyName*>(ptr);
  key->keyName[0] = '\0';
  char name[kHostTextBound] = "";
  const bool named = plug->NoteNameFor(key->thisKeyNumber, name);
  name[sizeof name - 1] = '\0';
  CopyToHost(key->keyName, name, kVstMaxNameLen);
  return named ? 1 : 0;
}

}  // namespace veltrax
