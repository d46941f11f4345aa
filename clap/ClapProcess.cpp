// The CLAP instance's audio: process with sample-accurate parameter events,
// and params.flush outside processing. PlugLock is held for the block and
// released before the editor's edits go to the host's output queue.

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

void ClapPlugin::ApplyEvent(const clap_event_header* event) {
  if (event->space_id != CLAP_CORE_EVENT_SPACE_ID || event->type != CLAP_EVENT_PARAM_VALUE ||
      event->size < sizeof(clap_event_param_value)) {
    return;
  }
  const auto* change = reinterpret_cast<const clap_event_param_value*>(event);
  const Parameter* param = HostParameter(change->param_id);
  if (param == nullptr) return;
  plug->SetParameterFromHost(static_cast<int>(change->param_id),
                             NormalisedFromClapValue(*param, change->value));
}

template <class Sample>
void ClapPlugin::ProcessWithEvents(Sample** inputs, Sample** outputs, uint32_t frames,
                                   const clap_input_events* events) {
  const uint32_t count = events != nullptr && events->size != nullptr ? events->size(events) : 0;
  const int channels = configuration == 1 ? 1 : 2;
  uint32_t done = 0;
  bool processed = false;
  // Frames from done up to until, as VST 2 would process them in one call.
  auto runUntil = [&](uint32_t until) {
    Sample* in[2] = {nullptr, nullptr};
    Sample* out[2] = {nullptr, nullptr};
    for (int c = 0; c < channels; ++c) {
      in[c] = inputs[c] != nullptr ? inputs[c] + done : nullptr;
      out[c] = outputs[c] != nullptr ? outputs[c] + done : nullptr;
    }
    ProcessPiece(*plug, in, out, static_cast<int32_t>(until - done));
    done = until;
    processed = true;
  };
  for (uint32_t i = 0; i < count; ++i) {
    const clap_event_header* event = events->get != nullptr ? events->get(events, i) : nullptr;
    if (event == nullptr) continue;
    // Events come in time order; one past the block takes effect at its end.
    const uint32_t at = event->time < frames ? event->time : frames;
    if (at > done) runUntil(at);
    ApplyEvent(event);
  }
  if (done < frames || !processed) runUntil(frames);
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
  const uint32_t frames = process->frames_count;
  // Channels the host did not give stay silent in and are dropped out.
  const uint32_t channels = self->configuration == 1 ? 1 : 2;
  bool quiet = false;
  if (output.data64 != nullptr) {
    double* in[2] = {nullptr, nullptr};
    double* out[2] = {nullptr, nullptr};
    for (uint32_t c = 0; c < channels; ++c) {
      if (input.data64 != nullptr && c < input.channel_count) in[c] = input.data64[c];
      if (c < output.channel_count) out[c] = output.data64[c];
    }
    PlugLockGuard guard(self->plug->Lock());
    self->ProcessWithEvents(in, out, frames, process->in_events);
    quiet = input.data64 != nullptr && SilentInput(input, input.data64, frames) && self->plug->IsQuiet();
  } else if (output.data32 != nullptr) {
    float* in[2] = {nullptr, nullptr};
    float* out[2] = {nullptr, nullptr};
    for (uint32_t c = 0; c < channels; ++c) {
      if (input.data32 != nullptr && c < input.channel_count) in[c] = input.data32[c];
      if (c < output.channel_count) out[c] = output.data32[c];
    }
    PlugLockGuard guard(self->plug->Lock());
    self->ProcessWithEvents(in, out, frames, process->in_events);
    quiet = input.data32 != nullptr && SilentInput(input, input.data32, frames) && self->plug->IsQuiet();
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
  if (count > 0) {
    PlugLockGuard guard(self->plug->Lock());
    for (uint32_t i = 0; i < count; ++i) {
      if (const clap_event_header* event = in->get != nullptr ? in->get(in, i) : nullptr)
        self->ApplyEvent(event);
    }
  }
  self->SendEdits(out);
}

}  // namespace veltrax
