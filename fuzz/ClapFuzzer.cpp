// CLAP calls in any order a host may make them, with parameter events of
// any id, time and value, texts and state streams of any bytes. Checks: no
// crash, output finite, every parameter value within its range, and the
// instance's own state always loads back.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "ClapAbi.h"
#include "FuzzSupport.h"

extern "C" const veltrax::clap_plugin_entry clap_entry;

using namespace veltrax;
using namespace veltrax::fuzz;

namespace {

constexpr uint32_t kMaxFrames = 2048;

const void* CLAP_CALL NoExtension(const clap_host*, const char*) { return nullptr; }
void CLAP_CALL Nothing(const clap_host*) {}

const clap_host kHost = {CLAP_VERSION, nullptr, "fuzz", "", "", "1", &NoExtension, &Nothing, &Nothing, &Nothing};

struct Events {
  std::vector<clap_event_param_value> values;
  clap_input_events in{};
  clap_output_events out{};
  Events() {
    in.ctx = this;
    in.size = [](const clap_input_events* l) {
      return static_cast<uint32_t>(static_cast<const Events*>(l->ctx)->values.size());
    };
    in.get = [](const clap_input_events* l, uint32_t i) -> const clap_event_header* {
      const auto& v = static_cast<const Events*>(l->ctx)->values;
      return i < v.size() ? &v[i].header : nullptr;
    };
    out.ctx = this;
    out.try_push = [](const clap_output_events*, const clap_event_header* e) { return e != nullptr; };
  }
  // Up to four events of any id, time and value, in time order as hosts send them.
  void Fill(ByteReader& bytes, uint32_t frames) {
    values.clear();
    uint32_t time = 0;
    for (int n = bytes.U8() % 5; n > 0; --n) {
      clap_event_param_value e{};
      time += bytes.U8() % (frames + 2);
      e.header = {bytes.U8() % 4 == 0 ? uint32_t{8} : uint32_t{sizeof e}, time, CLAP_CORE_EVENT_SPACE_ID,
                  static_cast<uint16_t>(bytes.U8() % 4 == 0 ? CLAP_EVENT_PARAM_MOD : CLAP_EVENT_PARAM_VALUE), 0};
      e.param_id = bytes.U8() % 10;
      e.value = bytes.U8() % 3 == 0 ? static_cast<double>(bytes.Float()) : (bytes.U8() % 7) / 2.0;
      values.push_back(e);
    }
  }
};

template <typename Sample>
void Process(const clap_plugin* plugin, uint32_t frames, Events& events, uint32_t channels) {
  static Sample data[4][kMaxFrames];
  for (uint32_t i = 0; i < frames; ++i) {
    data[0][i] = static_cast<Sample>(1.5 * std::sin(0.05 * i));
    data[1][i] = static_cast<Sample>(i % 97 == 0 ? -1.0 : 0.3);
  }
  Sample* in[2] = {data[0], data[1]};
  Sample* out[2] = {data[2], data[3]};
  clap_audio_buffer input{}, output{};
  if constexpr (sizeof(Sample) == sizeof(double)) {
    input.data64 = in;
    output.data64 = out;
  } else {
    input.data32 = in;
    output.data32 = out;
  }
  input.channel_count = output.channel_count = channels;
  clap_process process{-1, frames, nullptr, &input, &output, 1, 1, &events.in, &events.out};
  if (plugin->process(plugin, &process) == CLAP_PROCESS_ERROR) return;
  for (uint32_t c = 0; c < channels; ++c)
    for (uint32_t i = 0; i < frames; ++i) FUZZ_CHECK(std::isfinite(out[c][i]));
}

std::vector<uint8_t> Save(const clap_plugin* plugin, const clap_plugin_state* state) {
  std::vector<uint8_t> bytes;
  clap_ostream stream{&bytes, [](const clap_ostream* s, const void* data, uint64_t size) -> int64_t {
                        auto* out = static_cast<std::vector<uint8_t>*>(s->ctx);
                        out->insert(out->end(), static_cast<const uint8_t*>(data),
                                    static_cast<const uint8_t*>(data) + size);
                        return static_cast<int64_t>(size);
                      }};
  FUZZ_CHECK(state->save(plugin, &stream));
  return bytes;
}

bool Load(const clap_plugin* plugin, const clap_plugin_state* state, const uint8_t* data, size_t size) {
  struct Reader {
    const uint8_t* data;
    size_t size, at;
  } reader{data, size, 0};
  clap_istream stream{&reader, [](const clap_istream* s, void* out, uint64_t want) -> int64_t {
                        auto* r = static_cast<Reader*>(s->ctx);
                        const size_t n = std::min<size_t>(r->size - r->at, static_cast<size_t>(want));
                        std::memcpy(out, r->data + r->at, n);
                        r->at += n;
                        return static_cast<int64_t>(n);
                      }};
  return state->load(plugin, &stream);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool initialised = clap_entry.init("fuzz");
  FUZZ_CHECK(initialised);
  const auto* factory = static_cast<const clap_plugin_factory*>(clap_entry.get_factory(CLAP_PLUGIN_FACTORY_ID));
  const clap_plugin* plugin = factory->create_plugin(factory, &kHost, "com.quillmarsh.veltrax");
  FUZZ_CHECK(plugin != nullptr && plugin->init(plugin));
  const auto* params = static_cast<const clap_plugin_params*>(plugin->get_extension(plugin, CLAP_EXT_PARAMS));
  const auto* state = static_cast<const clap_plugin_state*>(plugin->get_extension(plugin, CLAP_EXT_STATE));
  const auto* configs = static_cast<const clap_plugin_audio_ports_config*>(
      plugin->get_extension(plugin, CLAP_EXT_AUDIO_PORTS_CONFIG));
  ByteReader bytes(data, size);
  Events events;
  bool active = false;
  uint32_t maxFrames = 512;
  uint32_t channels = 2;
  while (!bytes.Empty()) {
    switch (bytes.U8() % 10) {
      case 0: {
        static const double kRates[] = {44100.0, 48000.0, 96000.0, 8000.0, 0.0, -1.0, NAN};
        maxFrames = 1 + bytes.U16() % kMaxFrames;
        if (plugin->activate(plugin, kRates[bytes.U8() % 7], 1, maxFrames)) {
          active = true;
          plugin->start_processing(plugin);
        }
        break;
      }
      case 1:
        plugin->stop_processing(plugin);
        plugin->deactivate(plugin);
        active = false;
        break;
      case 2:
      case 3: {
        if (!active) break;
        const uint32_t frames = bytes.U16() % (maxFrames + 1);
        events.Fill(bytes, frames);
        if (bytes.U8() & 1) {
          Process<double>(plugin, frames, events, channels);
        } else {
          Process<float>(plugin, frames, events, channels);
        }
        break;
      }
      case 4:
        events.Fill(bytes, 0);
        params->flush(plugin, &events.in, &events.out);
        break;
      case 5: {
        const clap_id id = bytes.U8() % 10;
        char text[64];
        params->value_to_text(plugin, id, static_cast<double>(bytes.Float()), text, 1 + bytes.U8() % 64);
        const std::string typed = bytes.Text(40);
        double value = 0.0;
        params->text_to_value(plugin, id, typed.c_str(), &value);
        break;
      }
      case 6: {
        size_t count = bytes.U16() % 400;
        const uint8_t* stream = bytes.Take(count);
        const std::vector<uint8_t> before = Save(plugin, state);
        if (!Load(plugin, state, stream, count)) FUZZ_CHECK(Save(plugin, state) == before);
        break;
      }
      case 7: {
        const std::vector<uint8_t> own = Save(plugin, state);
        FUZZ_CHECK(Load(plugin, state, own.data(), own.size()));
        FUZZ_CHECK(Save(plugin, state) == own);
        break;
      }
      case 8:
        if (!active && configs->select(plugin, bytes.U8() % 3)) {
          // What was selected is what the ports now say.
          const auto* ports =
              static_cast<const clap_plugin_audio_ports*>(plugin->get_extension(plugin, CLAP_EXT_AUDIO_PORTS));
          clap_audio_port_info info{};
          FUZZ_CHECK(ports->get(plugin, 0, true, &info));
          channels = info.channel_count;
        }
        break;
      case 9:
        if (active) plugin->reset(plugin);
        break;
    }
  }
  for (uint32_t i = 0; i < params->count(plugin); ++i) {
    clap_param_info info{};
    FUZZ_CHECK(params->get_info(plugin, i, &info));
    double value = 0.0;
    FUZZ_CHECK(params->get_value(plugin, info.id, &value));
    FUZZ_CHECK(value >= info.min_value && value <= info.max_value);
  }
  plugin->stop_processing(plugin);
  plugin->deactivate(plugin);
  plugin->destroy(plugin);
  return 0;
}
