#pragma once
// A small VST3 host for the tests: loads the built bundle's binary as a host
// does and reaches the plug-in only through its factory and interfaces. The
// host-side objects (streams, parameter changes, a component handler) live
// on the test's stack or heap and count their references.

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Vst3Abi.h"

namespace veltrax::vst3 {

// The loaded binary, with ModuleEntry or InitDll called; stays loaded for
// the whole run.
struct Vst3Module {
  void* handle = nullptr;
  GetFactoryProc getFactory = nullptr;
  std::string error;
};
const Vst3Module& Module();

// Reference counting shared by the host objects: they are never deleted by
// a release, the test checks the count instead.
template <class Interface>
class HostObject : public Interface {
 public:
  tresult VST3_CALL queryInterface(const TUID iid, void** obj) override {
    if (tuidsEqual(iid, FUnknown::iid) || tuidsEqual(iid, Interface::iid)) {
      *obj = this;
      addRef();
      return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
  }
  uint32_t VST3_CALL addRef() override { return ++references; }
  uint32_t VST3_CALL release() override { return --references; }
  uint32_t references = 1;
};

class MemoryStream : public HostObject<IBStream> {
 public:
  MemoryStream() = default;
  explicit MemoryStream(std::vector<uint8_t> bytes) : data(std::move(bytes)) {}
  tresult VST3_CALL read(void* buffer, int32_t numBytes, int32_t* numBytesRead) override;
  tresult VST3_CALL write(void* buffer, int32_t numBytes, int32_t* numBytesWritten) override;
  tresult VST3_CALL seek(int64_t, int32_t, int64_t*) override { return kNotImplemented; }
  tresult VST3_CALL tell(int64_t*) override { return kNotImplemented; }
  std::vector<uint8_t> data;
  size_t position = 0;
};

class ValueQueue final : public HostObject<IParamValueQueue> {
 public:
  explicit ValueQueue(ParamID id) : id(id) {}
  ParamID VST3_CALL getParameterId() override { return id; }
  int32_t VST3_CALL getPointCount() override { return static_cast<int32_t>(points.size()); }
  tresult VST3_CALL getPoint(int32_t index, int32_t& offset, ParamValue& value) override {
    if (index < 0 || index >= getPointCount()) return kInvalidArgument;
    offset = points[static_cast<size_t>(index)].first;
    value = points[static_cast<size_t>(index)].second;
    return kResultOk;
  }
  tresult VST3_CALL addPoint(int32_t, ParamValue, int32_t&) override { return kNotImplemented; }
  ParamID id;
  std::vector<std::pair<int32_t, double>> points;
};

class ParameterChanges : public HostObject<IParameterChanges> {
 public:
  ParameterChanges() { queues.reserve(64); }  // addresses stay put
  int32_t VST3_CALL getParameterCount() override { return static_cast<int32_t>(queues.size()); }
  IParamValueQueue* VST3_CALL getParameterData(int32_t index) override {
    return index >= 0 && index < getParameterCount() ? &queues[static_cast<size_t>(index)] : nullptr;
  }
  IParamValueQueue* VST3_CALL addParameterData(const ParamID&, int32_t&) override { return nullptr; }
  // The queue of id, made on first use.
  ValueQueue& For(ParamID id) {
    for (ValueQueue& queue : queues) {
      if (queue.id == id) return queue;
    }
    return queues.emplace_back(id);
  }
  std::vector<ValueQueue> queues;
};

// What the component handler heard, with the thread it heard it on.
struct Edit {
  char kind;  // 'B' begin, 'P' perform, 'E' end
  ParamID id;
  double value;
  std::thread::id thread;
};

class RecordingHandler : public HostObject<IComponentHandler> {
 public:
  tresult VST3_CALL beginEdit(ParamID id) override { return Record('B', id, 0.0); }
  tresult VST3_CALL performEdit(ParamID id, ParamValue value) override { return Record('P', id, value); }
  tresult VST3_CALL endEdit(ParamID id) override { return Record('E', id, 0.0); }
  tresult VST3_CALL restartComponent(int32_t) override { return kResultOk; }
  std::vector<Edit> Edits();
  std::string Kinds();  // "BPPE..."

 private:
  tresult Record(char kind, ParamID id, double value);
  std::mutex mutex;
  std::vector<Edit> edits;
};

class HostApplication : public HostObject<IHostApplication> {
 public:
  tresult VST3_CALL getName(String128 name) override {
    const char16 text[] = u"Veltrax Test Host";
    std::copy(std::begin(text), std::end(text), name);
    return kResultOk;
  }
  tresult VST3_CALL createInstance(TUID, TUID, void** obj) override {
    *obj = nullptr;
    return kNotImplemented;
  }
};

// One component from the module's factory, with its processor and
// controller interfaces, initialised unless asked not to; released (and
// terminated) with the object.
class Plugin {
 public:
  explicit Plugin(bool initialise = true);
  ~Plugin();
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;
  explicit operator bool() const { return component && processor && controller; }

  // Set up as a host does before audio: arrangement, rate, block, active.
  void Start(double rate, int32_t maxBlock, int32_t sampleSize, bool mono = false);
  // One block of frames through the host's buffers (in place is allowed).
  tresult Process(void** inputs, void** outputs, int32_t channels, int32_t frames,
                  int32_t sampleSize, IParameterChanges* changes = nullptr);
  std::vector<uint8_t> State();
  tresult SetState(const std::vector<uint8_t>& bytes);
  std::string Text(ParamID id, double normalised);

  IComponent* component = nullptr;
  IAudioProcessor* processor = nullptr;
  IEditController* controller = nullptr;
  HostApplication application;
  bool initialised = false;
};

}  // namespace veltrax::vst3
