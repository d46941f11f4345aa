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

IEffectVST::IEffectVST(audioMasterCallback hostCallback, int parameterCount, const char* channelIO,
                       int presetCount, const char* effectName, const char* productName,
                       const char* makerName, int32_t version, int32_t uniqueId, int32_t makerId,
                       bool isInstrument, bool acceptsMidi)
    : IEffectBase(parameterCount, channelIO, presetCount, effectName, productName, makerName,
                  version, uniqueId, makerId, isInstrument, acceptsMidi, /*adapterKind=*/0),
      hostCallback(hostCallback) {
  pendingEvents.count = 0;
  pendingEvents.sysexUsed = 0;
  std::memset(&effect, 0, sizeof effect);
  effect.magic = kEffectMagic;
  effect.dispatcher = &IEffectVST::VSTDispatcher;
  effect.process = &IEffectVST::VSTProcess;
  effect.setParameter = &IEffectVST::VSTSetParameter;
  effect.getParameter = &IEffectVST::VSTGetParameter;
  effect.numPrograms = PresetCount();
  effect.numParams = ParameterCount();
  effect.numInputs = InputPinCount();
  effect.numOutputs = OutputPinCount();
  effect.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
  effect.initialDelay = 0;
  effect.ioRatio = 1.0f;
  effect.object = this;
  effect.uniqueID = uniqueId;
  effect.version = VstVersionOf(version);
  effect.processReplacing = &IEffectVST::VSTProcessReplacing;
  effect.processDoubleReplacing = &IEffectVST::VSTProcessDoubleReplacing;
  if (LegalIO(1, -1)) effect.flags |= effFlagsCanMono;

  editorRect = ERect{};
  SetUpArrangement(inputArrangement, InputPinCount());
  SetUpArrangement(outputArrangement, OutputPinCount());

  // Nobody else can reach the instance yet; the lock keeps the pins'
  // "PlugLock held" contract true all the same.
  PlugLockGuard guard(Lock());
  ConnectInputs(0, InputPinCount(), true);
  ConnectOutputs(0, OutputPinCount(), true);
  ChangeBlockSize(1024);
}

// The chunk buffers go first (members), then the base with editor, parameters
// and presets.
IEffectVST::~IEffectVST() = default;

void IEffectVST::AttachEditor(IEditorLink* editor) {
  if (editor == nullptr) return;
  IEffectBase::AttachEditor(editor);
  effect.flags |= effFlagsHasEditor;
  editorRect = ERect{0, 0, RectCoordinate(editor->Height()), RectCoordinate(editor->Width())};
}

// The host is not told; hosts that read the record again see the new delay.
void IEffectVST::ChangeLatency(int32_t samples) {
  IEffectBase::ChangeLatency(samples);
  effect.initialDelay = samples;
}

// Some hosts handle only stereo: pins beyond the first two take no host
// buffers on input, and count as connected (fed from scratch) on output.
void IEffectVST::LimitToStereo() {
  if (InputPinCount() > 2) ConnectInputs(2, InputPinCount() - 2, false);
  if (OutputPinCount() > 2) ConnectOutputs(2, OutputPinCount() - 2, true);
}

// A missing host callback answers 0 instead of crashing:
// nothing the plug-in asks the host is essential to run.
intptr_t IEffectVST::CallHost(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  VELTRAX_ASSERT_UNLOCKED(Lock());
  if (hostCallback == nullptr) return 0;
  return hostCallback(&effect, opcode, index, value, ptr, opt);
}

}  // namespace veltrax
