// The adapter instance: fills the effect record the host sees and keeps the
// host's callback. The dispatcher, the audio and parameter callbacks and the
// host callbacks live in files of their own.

#include "EffectVST.h"

#include <cstring>

#include "VstDetail.h"

namespace veltrax {

namespace {

int32_t SpeakerArrangementType(int channels) {
  switch (channels) {
    case 0: return kSpeakerArrEmpty;
    case 1: return kSpeakerArrMono;
    case 2: return kSpeakerArrStereo;
    default: return kSpeakerArrUserDefined;
  }
}

void SetUpArrangement(VstSpeakerArrangement& arrangement, int channels) {
  std::memset(&arrangement, 0, sizeof arrangement);
  arrangement.numChannels = channels;
  arrangement.type = SpeakerArrangementType(channels);
}

}  // namespace

int32_t VstVersionOf(int32_t version) {
  return ((version >> 16) * 100 + ((version >> 8) & 0xFF)) * 100 + (version & 0xFF);
}

IEffectVST::IEffectVST(audioMasterCallback hostCallback, IEffectBase* plugin)
    : plug(plugin), hostCallback(hostCallback) {
  pendingEvents.count = 0;
  pendingEvents.sysexUsed = 0;
  std::memset(&effect, 0, sizeof effect);
  effect.magic = kEffectMagic;
  effect.dispatcher = &IEffectVST::VSTDispatcher;
  effect.process = &IEffectVST::VSTProcess;
  effect.setParameter = &IEffectVST::VSTSetParameter;
  effect.getParameter = &IEffectVST::VSTGetParameter;
  effect.numPrograms = plug->PresetCount();
  effect.numParams = plug->ParameterCount();
  effect.numInputs = plug->InputPinCount();
  effect.numOutputs = plug->OutputPinCount();
  effect.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
  effect.initialDelay = plug->latency;
  effect.ioRatio = 1.0f;
  effect.object = this;
  effect.uniqueID = plug->uniqueId;
  effect.version = VstVersionOf(plug->version);
  effect.processReplacing = &IEffectVST::VSTProcessReplacing;
  effect.processDoubleReplacing = &IEffectVST::VSTProcessDoubleReplacing;
  if (plug->LegalIO(1, -1)) effect.flags |= effFlagsCanMono;

  editorRect = ERect{};
  SetUpArrangement(inputArrangement, plug->InputPinCount());
  SetUpArrangement(outputArrangement, plug->OutputPinCount());

  plug->BindHost(this, kAdapterVst2);
  // An editor the effect attached while it was made: the record shows it.
  if (plug->Editor() != nullptr) EditorAttached();
}

// The effect goes first (with its editor, parameters and presets), then the
// chunk buffers.
IEffectVST::~IEffectVST() { delete plug; }

void IEffectVST::EditorAttached() {
  if (plug->Editor() == nullptr) return;
  effect.flags |= effFlagsHasEditor;
  RefreshEditorRect();
}

// Only the rectangle hosts read follows; a window the host must resize is
// asked for by the editor itself (ResizeEditorWindow).
void IEffectVST::EditorResized() { RefreshEditorRect(); }

void IEffectVST::RefreshEditorRect() {
  const IEditorLink* editor = plug->Editor();
  if (editor == nullptr) return;
  editorRect = ERect{0, 0, RectCoordinate(editor->Height()), RectCoordinate(editor->Width())};
}

// The host is not told; hosts that read the record again see the new delay.
void IEffectVST::LatencyChanged(int32_t samples) { effect.initialDelay = samples; }

// Some hosts handle only stereo: pins beyond the first two take no host
// buffers on input, and count as connected (fed from scratch) on output.
void IEffectVST::LimitToStereo() {
  if (plug->InputPinCount() > 2) plug->ConnectInputs(2, plug->InputPinCount() - 2, false);
  if (plug->OutputPinCount() > 2) plug->ConnectOutputs(2, plug->OutputPinCount() - 2, true);
}

// A missing host callback answers 0 instead of crashing:
// nothing the plug-in asks the host is essential to run.
intptr_t IEffectVST::CallHost(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  VELTRAX_ASSERT_UNLOCKED(plug->Lock());
  if (hostCallback == nullptr) return 0;
  return hostCallback(&effect, opcode, index, value, ptr, opt);
}

}  // namespace veltrax
