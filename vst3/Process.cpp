// The audio thread's call. The block runs in stretches between the points
// of the host's parameter queues: a point at offset k is applied after k
// frames, exactly as the VST 2 plug-in processes k frames, takes
// setParameter and processes the rest. Each stretch holds PlugLock; the
// queues, which are the host's objects, are read between stretches without
// it. Nothing here allocates. A host that hands over more frames than it
// announced in setupProcessing is served in pieces of that size by the base.

#include "EffectVST3.h"

namespace veltrax {

using namespace vst3;

namespace {

// Queues followed per block. Hosts send one per parameter, and only the
// parameters hosts see (five for Veltrax) take a place; queues beyond this
// count in one block are left unread.
constexpr int kMaxQueues = 32;

struct QueueCursor {
  IParamValueQueue* queue;
  int index;     // the effect's parameter
  int32_t count;
  int32_t next;  // the point held below
  bool holding;  // a point waits: offset and value
  int32_t offset;
  double value;
};

// Fetches the cursor's next readable point. Hosts put points at the block's
// end (offset numSamples) and, rarely, before its start: offsets are held to
// 0..frames, a point at frames applied after the last frame.
void Advance(QueueCursor& cursor, int32_t frames) {
  cursor.holding = false;
  while (!cursor.holding && cursor.next < cursor.count) {
    int32_t offset = 0;
    ParamValue value = 0.0;
    if (cursor.queue->getPoint(cursor.next++, offset, value) == kResultOk) {
      cursor.offset = offset < 0 ? 0 : (offset > frames ? frames : offset);
      cursor.value = value;
      cursor.holding = true;
    }
  }
}

template <class Sample>
Sample** Channels(const AudioBusBuffers& bus);
template <>
float** Channels<float>(const AudioBusBuffers& bus) {
  return bus.channelBuffers32;
}
template <>
double** Channels<double>(const AudioBusBuffers& bus) {
  return bus.channelBuffers64;
}

// The bus's first count channels from offset on; missing channels stay
// missing (silence in, nowhere out).
template <class Sample>
void Offset(const AudioBusBuffers* bus, int32_t count, int32_t offset, Sample* (&out)[2]) {
  out[0] = out[1] = nullptr;
  if (bus == nullptr) return;
  Sample** channels = Channels<Sample>(*bus);
  for (int32_t c = 0; c < count && c < 2; ++c) {
    if (channels[c] != nullptr) out[c] = channels[c] + offset;
  }
}

}  // namespace

void IEffectVST3::RunFrames(const ProcessData& data, const BlockBuses& buses, int32_t offset,
                            int32_t frames) {
  VELTRAX_ASSERT_LOCKED(plug->Lock());
  const AudioBusBuffers* in = buses.input ? &data.inputs[0] : nullptr;
  const AudioBusBuffers* out = &data.outputs[0];
  if (data.symbolicSampleSize == kSample64) {
    double* inputs[2];
    double* outputs[2];
    Offset(in, buses.channels, offset, inputs);
    Offset(out, buses.channels, offset, outputs);
    plug->ProcessDoubleBlock(in != nullptr ? inputs : nullptr, outputs, frames);
  } else {
    float* inputs[2];
    float* outputs[2];
    Offset(in, buses.channels, offset, inputs);
    Offset(out, buses.channels, offset, outputs);
    plug->ProcessFloatBlock(in != nullptr ? inputs : nullptr, outputs, frames, false);
  }
}

tresult IEffectVST3::process(ProcessData& data) {
  const int32_t frames = data.numSamples;
  if (frames < 0) return kInvalidArgument;
  if (data.symbolicSampleSize != kSample32 && data.symbolicSampleSize != kSample64)
    return kInvalidArgument;
  // One bus each way at most; without an output bus (deactivated, or a
  // call that only brings parameter changes) no audio is made.
  if (data.numInputs < 0 || data.numInputs > 1 || data.numOutputs < 0 || data.numOutputs > 1)
    return kInvalidArgument;
  if ((data.numInputs == 1 && data.inputs == nullptr) ||
      (data.numOutputs == 1 && data.outputs == nullptr))
    return kInvalidArgument;
  // The buses as checked here serve the whole block, whatever the host
  // changes meanwhile.
  BlockBuses buses;
  bool audio = data.numOutputs == 1 && frames > 0;
  {
    PlugLockGuard guard(plug->Lock());
    if (!active) return kNotInitialized;
    buses.channels = channels;
    buses.input = data.numInputs == 1 && inputBusActive;
    audio = audio && outputBusActive;
  }
  // Buses with fewer channels than the arrangement, or no channel list.
  const auto usable = [&](const AudioBusBuffers& bus) {
    return bus.numChannels >= buses.channels && Channels<float>(bus) != nullptr;
  };
  if (audio && (!usable(data.outputs[0]) || (buses.input && !usable(data.inputs[0]))))
    return kInvalidArgument;

  QueueCursor cursors[kMaxQueues];
  int cursorCount = 0;
  if (IParameterChanges* changes = data.inputParameterChanges) {
    const int32_t queues = changes->getParameterCount();
    for (int32_t i = 0; i < queues && cursorCount < kMaxQueues; ++i) {
      IParamValueQueue* queue = changes->getParameterData(i);
      if (queue == nullptr) continue;
      const int index = IndexForId(queue->getParameterId());
      if (index < 0) continue;
      QueueCursor& cursor = cursors[cursorCount];
      cursor = QueueCursor{queue, index, queue->getPointCount(), 0, false, 0, 0.0};
      Advance(cursor, frames);
      if (cursor.holding) ++cursorCount;
    }
  }

  int32_t done = 0;
  for (;;) {
    int32_t next = frames;
    for (int i = 0; i < cursorCount; ++i) {
      if (cursors[i].holding && cursors[i].offset < next) next = cursors[i].offset;
    }
    bool applied = false;
    {
      PlugLockGuard guard(plug->Lock());
      if (!active) return kNotInitialized;  // deactivated from another thread meanwhile
      if (next > done) {
        if (audio) RunFrames(data, buses, done, next - done);
        done = next;
      }
      for (int i = 0; i < cursorCount; ++i) {
        if (!cursors[i].holding || cursors[i].offset > done) continue;
        plug->SetParameterFromHost(cursors[i].index, cursors[i].value);
        cursors[i].holding = false;
        applied = true;
      }
    }
    if (!applied && done >= frames) break;
    for (int i = 0; i < cursorCount; ++i) {
      if (!cursors[i].holding) Advance(cursors[i], frames);
    }
  }
  if (audio) data.outputs[0].silenceFlags = 0;
  return kResultOk;
}

}  // namespace veltrax
