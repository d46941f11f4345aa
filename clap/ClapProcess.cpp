// The CLAP instance's audio: process with sample-accurate parameter events,
// and params.flush outside processing. The host's event lists are read
// without PlugLock; it is held for each stretch of the block and released
// before the editor's edits go to the host's output queue.

#include <cstring>

#include "ClapCalls.h"

namespace veltrax {

namespace {

void ProcessPiece(IEffectBase& plug, float** inputs, float** outputs, int32_t frames) {
  plug.ProcessFloatBlock(inputs, outputs, frames, /*accumulate=*/false);
}

void ProcessPiece(IEffectBase& plug, double** inputs, double** outputs, int32_t frames) {
  plug.ProcessDoubleBlock(inputs, outputs, frames);
}

// Whether every input channel holds silence for the whole block.
template <class Sample>
bool SilentInput(const clap_audio_buffer& input, Sample** channels, uint32_t frames) {
  for (uint32_t c = 0; c < input.channel_count && c < 64; ++c) {
    if ((input.constant_mask & (uint64_t{1} << c)) == 0) return false;
    if (frames > 0 && channels[c] != nullptr && channels[c][0] != 0) return false;
  }
  return true;
}

}  // namespace

bool ClapPlugin::ReadChange(const clap_input_events* events, uint32_t i, uint32_t frames,
                            ParamChange& change) const {
  const clap_event_header* event = events->get != nullptr ? events->get(events, i) : nullptr;
  if (event == nullptr) return false;
  // Events come in time order; one past the block takes effect at its end.
  change.at = event->time < frames ? event->time : frames;
  change.index = -1;
  if (event->space_id != CLAP_CORE_EVENT_SPACE_ID || event->type != CLAP_EVENT_PARAM_VALUE ||
      event->size < sizeof(clap_event_param_value)) {
    return true;
  }
  const auto* value = reinterpret_cast<const clap_event_param_value*>(event);
  if (const Parameter* param = HostParameter(value->param_id)) {
    change.index = static_cast<int>(value->param_id);
    change.normalised = NormalisedFromClapValue(*param, value->value);
  }
  return true;
}

template <class Sample>
bool ClapPlugin::ProcessBuffers(Sample** inputs, const clap_audio_buffer& input, Sample** outputs,
                                const clap_audio_buffer& output, const clap_process* process) {
  const uint32_t frames = process->frames_count;
  const clap_input_events* events = process->in_events;
  // Channels the host did not give stay silent in and are dropped out.
  const uint32_t channels = configuration == 1 ? 1 : 2;
  Sample* in[2] = {nullptr, nullptr};
  Sample* out[2] = {nullptr, nullptr};
  for (uint32_t c = 0; c < channels; ++c) {
    if (inputs != nullptr && c < input.channel_count) in[c] = inputs[c];
    if (c < output.channel_count) out[c] = outputs[c];
  }
  uint32_t done = 0;
  // [PlugLock held] Frames from done up to until, as VST 2 would process
  // them in one call.
  auto runUntil = [&](uint32_t until) {
    Sample* from[2] = {nullptr, nullptr};
    Sample* to[2] = {nullptr, nullptr};
    for (uint32_t c = 0; c < channels; ++c) {
      from[c] = in[c] != nullptr ? in[c] + done : nullptr;
      to[c] = out[c] != nullptr ? out[c] + done : nullptr;
    }
    ProcessPiece(*plug, from, to, static_cast<int32_t>(until - done));
    done = until;
  };
  // Each event is read from the host's list without the lock, then the
  // frames before it run and it applies under one hold.
  const uint32_t count = events != nullptr && events->size != nullptr ? events->size(events) : 0;
  for (uint32_t i = 0; i < count; ++i) {
    ParamChange change;
    if (!ReadChange(events, i, frames, change)) continue;
    PlugLockGuard guard(plug->Lock());
    if (change.at > done) runUntil(change.at);
    if (change.index >= 0) plug->SetParameterFromHost(change.index, change.normalised);
  }
  PlugLockGuard guard(plug->Lock());
  // An empty block still reaches the effect, as in VST 2.
  if (done < frames || frames == 0) runUntil(frames);
  return inputs != nullptr && SilentInput(input, inputs, frames) && plug->IsQuiet();
}

clap_process_status ClapCalls::Process(const clap_plugin* plugin, const clap_process* process) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  if (self == nullptr || process == nullptr || !self->OnAudioThread() || !self->active.load())
    return CLAP_PROCESS_ERROR;
  if (process->audio_inputs_count < 1 || process->audio_outputs_count < 1 ||
      process->audio_inputs == nullptr || process->audio_outputs == nullptr) {
    return CLAP_PROCESS_ERROR;
  }
  const clap_audio_buffer& input = process->audio_inputs[0];
  const clap_audio_buffer& output = process->audio_outputs[0];
  // The ports require one sample size: the output's decides, and an input
  // in the other one is the host's error, not silence.
  bool quiet = false;
  if (output.data64 != nullptr) {
    if (input.data64 == nullptr && input.data32 != nullptr) return CLAP_PROCESS_ERROR;
    quiet = self->ProcessBuffers(input.data64, input, output.data64, output, process);
  } else if (output.data32 != nullptr) {
    if (input.data32 == nullptr && input.data64 != nullptr) return CLAP_PROCESS_ERROR;
    quiet = self->ProcessBuffers(input.data32, input, output.data32, output, process);
  } else {
    return CLAP_PROCESS_ERROR;
  }
  self->SendEdits(process->out_events);
  // Silence in, nothing ringing inside: the host may stop calling until
  // sound or an event arrives.
  return quiet ? CLAP_PROCESS_SLEEP : CLAP_PROCESS_CONTINUE;
}

// Parameter changes without audio: while active on the audio thread,
// otherwise on the main thread.
void ClapCalls::Flush(const clap_plugin* plugin, const clap_input_events* in,
                      const clap_output_events* out) {
  ClapPlugin* self = ClapPlugin::From(plugin);
  if (self == nullptr) return;
  if (self->active.load()) {
    self->OnAudioThread();
  } else {
    self->OnMainThread();
  }
  const uint32_t count = in != nullptr && in->size != nullptr ? in->size(in) : 0;
  for (uint32_t i = 0; i < count; ++i) {
    ClapPlugin::ParamChange change;
    if (!self->ReadChange(in, i, 0, change) || change.index < 0) continue;
    PlugLockGuard guard(self->plug->Lock());
    self->plug->SetParameterFromHost(change.index, change.normalised);
  }
  self->SendEdits(out);
}

}  // namespace veltrax
